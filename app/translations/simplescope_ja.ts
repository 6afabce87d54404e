<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>simplescope</name>
    <message>
        <source>A small oscilloscope for the USB experiment board of teaching kits (HID device,
vendor 0x21CF, product 0x0004). The window finds the board and follows it when it is
plugged in and out; a click on the start picture starts measuring.</source>
        <translation>教材キットの USB 実験ボード (HID デバイス、ベンダー 0x21CF、製品 0x0004) 用の簡易
オシロスコープです。ウィンドウはボードを見つけ、抜き差しに追従します。開始の絵を
クリックすると計測を始めます。</translation>
    </message>
    <message>
        <source>Show this text and exit.</source>
        <translation>この説明を表示して終了する。</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>バージョンを表示して終了する。</translation>
    </message>
    <message>
        <source>Try &apos;simplescope --help&apos; for more information.</source>
        <translation>詳しくは &apos;simplescope --help&apos; を実行してください。</translation>
    </message>
    <message>
        <source>takes no arguments: &quot;%1&quot;</source>
        <translation>引数は取りません: &quot;%1&quot;</translation>
    </message>
</context>
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
</TS>
