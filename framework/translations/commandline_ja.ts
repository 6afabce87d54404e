<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Unknown option &apos;%1&apos;.</source>
        <translation>不明なオプション &apos;%1&apos; です。</translation>
    </message>
    <message>
        <source>Unknown options: %1.</source>
        <translation>不明なオプションです: %1。</translation>
    </message>
    <message>
        <source>Missing value after &apos;%1&apos;.</source>
        <translation>&apos;%1&apos; の後に値がありません。</translation>
    </message>
    <message>
        <source>Unexpected value after &apos;%1&apos;.</source>
        <translation>&apos;%1&apos; は値を取りません。</translation>
    </message>
    <message>
        <source>Usage: %1</source>
        <translation>使い方: %1</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>オプション:</translation>
    </message>
    <message>
        <source>Arguments:</source>
        <translation>引数:</translation>
    </message>
    <message>
        <source>[options]</source>
        <translation>[オプション]</translation>
    </message>
</context>
<context>
    <name>StandardOptions</name>
    <message>
        <source>Show this text and exit.</source>
        <translation>この説明を表示して終了します。</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>バージョンを表示して終了します。</translation>
    </message>
</context>
</TS>
