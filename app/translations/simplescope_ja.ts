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
        <source>Try &apos;simplescope --help&apos; for more information.</source>
        <translation>詳しくは &apos;simplescope --help&apos; を実行してください。</translation>
    </message>
    <message>
        <source>takes no arguments: &quot;%1&quot;</source>
        <translation>引数は取りません: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Copy values</source>
        <translation>値をコピー</translation>
    </message>
    <message>
        <source>Save picture…</source>
        <translation>画像を保存…</translation>
    </message>
    <message>
        <source>Save values…</source>
        <translation>値を保存…</translation>
    </message>
    <message>
        <source>Save picture</source>
        <translation>画像を保存</translation>
    </message>
    <message>
        <source>Save values</source>
        <translation>値を保存</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>PNG 画像 (*.png)</translation>
    </message>
    <message>
        <source>CSV file (*.csv)</source>
        <translation>CSV ファイル (*.csv)</translation>
    </message>
    <message>
        <source>Record…</source>
        <translation>記録…</translation>
    </message>
    <message>
        <source>Stop recording</source>
        <translation>記録を停止</translation>
    </message>
    <message>
        <source>Rows written: %1</source>
        <translation>記録した行: %1</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>記録</translation>
    </message>
    <message>
        <source>CSV file (*.csv);;TSV file (*.tsv)</source>
        <translation>CSV ファイル (*.csv);;TSV ファイル (*.tsv)</translation>
    </message>
</context>
</TS>
