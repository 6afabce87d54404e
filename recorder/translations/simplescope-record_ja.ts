<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>TDeviceListing</name>
    <message>
        <source>read/write</source>
        <translation>読み書き可</translation>
    </message>
    <message>
        <source>no access</source>
        <translation>アクセス不可</translation>
    </message>
    <message>
        <source>not opened</source>
        <translation>開いていない</translation>
    </message>
    <message>
        <source>&lt;- experiment board</source>
        <translation>&lt;- 実験ボード</translation>
    </message>
    <message>
        <source>(no name)</source>
        <translation>(名前なし)</translation>
    </message>
    <message>
        <source>No HID devices found.</source>
        <translation>HID デバイスが見つかりません。</translation>
    </message>
    <message>
        <source>The experiment board at %1 was found, but this user may not open it. Check the access rights (the udev rule 70-simplescope.rules, installed with the program) and plug the board in again.</source>
        <translation>%1 に実験ボードが見つかりましたが、このユーザーでは開けません。アクセス権(プログラムと一緒にインストールされる udev ルール 70-simplescope.rules)を確認して、ボードを接続し直してください。</translation>
    </message>
    <message>
        <source>The experiment board at %1 was found, but another program holds it. Close the programs that use the board and plug it in again.</source>
        <translation>%1 に実験ボードが見つかりましたが、他のプログラムが使っています。ボードを使っているプログラムを終了して、ボードを接続し直してください。</translation>
    </message>
    <message>
        <source>The experiment board at %1 was found, but this computer&apos;s policy does not let this user use it (device control or endpoint security rules). Ask the administrator to allow the board (USB vendor 0x21CF, product 0x0004).</source>
        <translation>%1 に実験ボードが見つかりましたが、このパソコンのポリシー(デバイス制御やエンドポイント セキュリティの規則)により、このユーザーは使用できません。ボード(USB ベンダー 0x21CF、製品 0x0004)の使用を許可するよう、管理者に依頼してください。</translation>
    </message>
</context>
<context>
    <name>TRecorder</name>
    <message>
        <source>cannot look for the board: the device services (libudev) are missing</source>
        <translation>ボードを探せません: デバイスサービス(libudev)がありません</translation>
    </message>
    <message>
        <source>cannot write to %1: %2</source>
        <translation>%1 に書き込めません: %2</translation>
    </message>
    <message>
        <source>no experiment board (vendor 0x21CF, product 0x0004) is plugged in</source>
        <translation>実験ボード(ベンダー 0x21CF、製品 0x0004)が接続されていません</translation>
    </message>
    <message>
        <source>waiting for the experiment board (vendor 0x21CF, product 0x0004) to be plugged in...</source>
        <translation>実験ボード(ベンダー 0x21CF、製品 0x0004)の接続を待っています...</translation>
    </message>
    <message>
        <source>%1 has the board&apos;s identity but not its reports; it is left alone</source>
        <translation>%1 はボードの ID を持っていますが、ボードのレポートがありません。使用しません</translation>
    </message>
    <message>
        <source>the board is back at %1; recording goes on with block %2</source>
        <translation>ボードが %1 に再接続されました。ブロック %2 から記録を続けます</translation>
    </message>
    <message>
        <source>recording from the board at %1 to %2</source>
        <translation>%1 のボードから %2 に記録しています</translation>
    </message>
    <message>
        <source>the board was unplugged after block %1; recording ends</source>
        <translation>ブロック %1 の後でボードが外されました。記録を終了します</translation>
    </message>
    <message>
        <source>the board was unplugged after block %1; waiting for it to come back...</source>
        <translation>ブロック %1 の後でボードが外されました。再接続を待っています...</translation>
    </message>
    <message>
        <source>the board does not answer; still asking</source>
        <translation>ボードが応答しません。問い合わせを続けています</translation>
    </message>
    <message>
        <source>%1 s  %2 blocks  %3 blocks/s  last %4 V%5</source>
        <translation>%1 秒  %2 ブロック  %3 ブロック/秒  最新値 %4 V%5</translation>
    </message>
    <message>
        <source>  (waiting for the board)</source>
        <translation>  (ボードを待っています)</translation>
    </message>
    <message>
        <source>blocks: %1, samples: %2, seconds: %3, gaps: %4</source>
        <translation>ブロック: %1、サンプル: %2、秒: %3、中断: %4</translation>
    </message>
</context>
<context>
    <name>TRecorderMain</name>
    <message>
        <source>standard output</source>
        <translation>標準出力</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>%1 を開けません: %2</translation>
    </message>
    <message>
        <source>cannot open %1: another program has it open; close it there and try again (%2)</source>
        <translation>%1 を開けません: 他のプログラムで開かれています。そのプログラムで閉じてから、もう一度試してください(%2)</translation>
    </message>
    <message>
        <source>cannot list the HID devices: the device services (libudev) are missing</source>
        <translation>HID デバイスを一覧表示できません: デバイスサービス(libudev)がありません</translation>
    </message>
</context>
<context>
    <name>TRecorderOptions</name>
    <message>
        <source>Records the samples of the USB experiment board (vendor 0x21CF, product 0x0004) as a table, one row per sample: block,sample,time_s,raw,volts. The board is asked for a block of 32 samples every interval; time_s is when the block arrived, in seconds since the recording began. Recording goes on until Ctrl+C unless --seconds or --blocks ends it earlier.</source>
        <translation>USB 実験ボード(ベンダー 0x21CF、製品 0x0004)のサンプルを、1 サンプル 1 行の表(block,sample,time_s,raw,volts)として記録します。間隔ごとにボードに 32 サンプルのブロックを要求します。time_s はブロックが届いた時刻で、記録開始からの秒数です。--seconds か --blocks で早く終わらない限り、Ctrl+C まで記録を続けます。</translation>
    </message>
    <message>
        <source>Write the table to FILE (default: standard output).</source>
        <translation>表を FILE に書き込みます(既定: 標準出力)。</translation>
    </message>
    <message>
        <source>FILE</source>
        <translation>FILE</translation>
    </message>
    <message>
        <source>Table format: csv (RFC 4180, the default) or tsv.</source>
        <translation>表の形式: csv(RFC 4180、既定)または tsv。</translation>
    </message>
    <message>
        <source>FORMAT</source>
        <translation>FORMAT</translation>
    </message>
    <message>
        <source>Stop after N seconds of recording.</source>
        <translation>N 秒記録したら終了します。</translation>
    </message>
    <message>
        <source>Stop after N blocks (32 samples each).</source>
        <translation>N ブロック(各 32 サンプル)記録したら終了します。</translation>
    </message>
    <message>
        <source>N</source>
        <translation>N</translation>
    </message>
    <message>
        <source>Ask the board for a block every MS milliseconds (default 100, at least 10).</source>
        <translation>MS ミリ秒ごとにボードにブロックを要求します(既定 100、最小 10)。</translation>
    </message>
    <message>
        <source>MS</source>
        <translation>MS</translation>
    </message>
    <message>
        <source>List the HID devices of this machine, mark the board, and exit.</source>
        <translation>このマシンの HID デバイスを一覧表示し、ボードに印を付けて終了します。</translation>
    </message>
    <message>
        <source>Exit with an error when no board is plugged in.</source>
        <translation>ボードが接続されていなければエラーで終了します。</translation>
    </message>
    <message>
        <source>Exit when the board is unplugged instead of waiting for it to come back.</source>
        <translation>ボードが外されたら、再接続を待たずに終了します。</translation>
    </message>
    <message>
        <source>Try &apos;simplescope-record --help&apos; for more information.</source>
        <translation>詳しくは &apos;simplescope-record --help&apos; を実行してください。</translation>
    </message>
    <message>
        <source>--%1: &quot;%2&quot; is not a positive number</source>
        <translation>--%1: &quot;%2&quot; は正の数ではありません</translation>
    </message>
    <message>
        <source>--%1: &quot;%2&quot; is not a whole number from 1 up</source>
        <translation>--%1: &quot;%2&quot; は 1 以上の整数ではありません</translation>
    </message>
    <message>
        <source>--interval: &quot;%1&quot; is not a whole number of milliseconds from %2 to %3</source>
        <translation>--interval: &quot;%1&quot; は %2 から %3 までの整数のミリ秒ではありません</translation>
    </message>
    <message>
        <source>--format: &quot;%1&quot; is neither csv nor tsv</source>
        <translation>--format: &quot;%1&quot; は csv でも tsv でもありません</translation>
    </message>
    <message>
        <source>unexpected argument &quot;%1&quot;</source>
        <translation>予期しない引数 &quot;%1&quot; です</translation>
    </message>
    <message>
        <source>--list takes no other options</source>
        <translation>--list は他のオプションと一緒に使えません</translation>
    </message>
</context>
</TS>
