<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>simplescope-board</name>
    <message>
        <source>plugged in: %1</source>
        <translation>接続しました: %1</translation>
    </message>
    <message>
        <source>command %1</source>
        <translation>コマンド %1</translation>
    </message>
    <message>
        <source>answer %1</source>
        <translation>応答 %1</translation>
    </message>
    <message>
        <source>an answer was refused: %1</source>
        <translation>応答が受け付けられませんでした: %1</translation>
    </message>
    <message>
        <source>unplugged (plugging in again in %1 s)</source>
        <translation>取り外しました (%1 秒後に再接続します)</translation>
    </message>
    <message>
        <source>unplugged</source>
        <translation>取り外しました</translation>
    </message>
    <message>
        <source>%1: &quot;%2&quot; is not a number from %3 to %4</source>
        <translation>%1: &quot;%2&quot; は %3 から %4 までの数ではありません</translation>
    </message>
    <message>
        <source>%1: &quot;%2&quot; is not whole</source>
        <translation>%1: &quot;%2&quot; は整数ではありません</translation>
    </message>
    <message>
        <source>
Raw values for --file=PATH are sent in turn and repeated: whole numbers 0..65535,
decimal or 0x hex, separated by spaces, commas or lines; &apos;#&apos; starts a comment.
512 is 0 V, one volt is 102.4. The board measures from -5 V to +5 V: voltages
beyond are clipped.

Needs read and write access to /dev/uhid (kernel module uhid). That access lets its
user make any input device, keyboards included, so no udev rule of this package
gives it: run the tool as root (sudo simplescope-board).
</source>
        <translation>
--file=PATH の生の値は順に送られ、繰り返されます: 0..65535 の整数を 10 進または
0x の 16 進で、空白・コンマ・改行で区切って書きます。&apos;#&apos; から行末まではコメントです。
512 が 0 V、1 V は 102.4 です。ボードは -5 V から +5 V まで計測し、範囲外の電圧は
切り詰められます。

/dev/uhid (カーネルモジュール uhid) の読み書きの権限が必要です。この権限があれば
キーボードを含むどんな入力デバイスでも作れるため、このパッケージの udev ルールは
この権限を与えません: root で実行してください (sudo simplescope-board)。
</translation>
    </message>
    <message>
        <source>Makes a virtual experiment board (USB HID, vendor 0x21CF, product 0x0004) through
/dev/uhid, so simplescope can be tried and tested without the hardware. The board
answers every command 3 with 32 samples of the chosen signal, which goes on from one
answer to the next. It runs until interrupted (Ctrl+C) and then unplugs itself.</source>
        <translation>/dev/uhid を通して仮想の実験ボード (USB HID、ベンダー 0x21CF、製品 0x0004) を作り、
ハードウェアなしで simplescope を試したりテストしたりできるようにします。ボードは
コマンド 3 のたびに、選んだ信号の 32 サンプルで応答します。信号は応答から応答へと
続きます。中断される (Ctrl+C) まで動き、終わるときに自分で取り外されます。</translation>
    </message>
    <message>
        <source>sine (default), square, triangle, noise, constant or file.</source>
        <translation>sine (既定)、square、triangle、noise、constant、file のいずれか。</translation>
    </message>
    <message>
        <source>KIND</source>
        <translation>KIND</translation>
    </message>
    <message>
        <source>Samples in one period of sine, square or triangle (default 64).</source>
        <translation>sine、square、triangle の 1 周期のサンプル数 (既定 64)。</translation>
    </message>
    <message>
        <source>SAMPLES</source>
        <translation>SAMPLES</translation>
    </message>
    <message>
        <source>Peak voltage about the offset (default 2).</source>
        <translation>オフセットからのピーク電圧 (既定 2)。</translation>
    </message>
    <message>
        <source>VOLTS</source>
        <translation>VOLTS</translation>
    </message>
    <message>
        <source>Voltage added to the signal (default 0).</source>
        <translation>信号に加える電圧 (既定 0)。</translation>
    </message>
    <message>
        <source>Start of the noise generator (default 1).</source>
        <translation>ノイズ発生器の初期値 (既定 1)。</translation>
    </message>
    <message>
        <source>N</source>
        <translation>N</translation>
    </message>
    <message>
        <source>Raw values for --signal=file (see below).</source>
        <translation>--signal=file で送る生の値 (下記参照)。</translation>
    </message>
    <message>
        <source>PATH</source>
        <translation>PATH</translation>
    </message>
    <message>
        <source>Fault: answer MS milliseconds late (the program waits 50 ms).</source>
        <translation>障害: MS ミリ秒遅れて応答します (プログラムは 50 ms 待ちます)。</translation>
    </message>
    <message>
        <source>MS</source>
        <translation>MS</translation>
    </message>
    <message>
        <source>Fault: answer with only BYTES bytes (0..63) instead of 64.</source>
        <translation>障害: 64 バイトの代わりに BYTES バイト (0..63) だけで応答します。</translation>
    </message>
    <message>
        <source>BYTES</source>
        <translation>BYTES</translation>
    </message>
    <message>
        <source>Fault: never answer.</source>
        <translation>障害: 応答しません。</translation>
    </message>
    <message>
        <source>Fault: unplug after SECONDS plugged in, then plug in again...</source>
        <translation>障害: SECONDS 秒接続した後に取り外し、--unplugged-for の時間の後に再び接続します。</translation>
    </message>
    <message>
        <source>SECONDS</source>
        <translation>SECONDS</translation>
    </message>
    <message>
        <source>...after this long away (default 1).</source>
        <translation>取り外している時間 (秒、既定 1)。</translation>
    </message>
    <message>
        <source>The device&apos;s name (default &quot;simplescope virtual board&quot;).</source>
        <translation>デバイスの名前 (既定 &quot;simplescope virtual board&quot;)。</translation>
    </message>
    <message>
        <source>TEXT</source>
        <translation>TEXT</translation>
    </message>
    <message>
        <source>Print each command and answer.</source>
        <translation>コマンドと応答をすべて表示します。</translation>
    </message>
    <message>
        <source>unexpected argument &quot;%1&quot;</source>
        <translation>予期しない引数 &quot;%1&quot; です</translation>
    </message>
    <message>
        <source>--signal: &quot;%1&quot; is not one of sine, square, triangle, noise, constant, file</source>
        <translation>--signal: &quot;%1&quot; は sine、square、triangle、noise、constant、file のいずれでもありません</translation>
    </message>
    <message>
        <source>--signal=file needs --file=PATH</source>
        <translation>--signal=file には --file=PATH が必要です</translation>
    </message>
    <message>
        <source>--file is for --signal=file</source>
        <translation>--file は --signal=file のためのオプションです</translation>
    </message>
    <message>
        <source>Try &apos;simplescope-board --help&apos; for more information.</source>
        <translation>詳しくは &apos;simplescope-board --help&apos; を実行してください。</translation>
    </message>
    <message>
        <source>, %1 samples per period, %2 V</source>
        <translation>、1 周期 %1 サンプル、%2 V</translation>
    </message>
    <message>
        <source>, %1 V</source>
        <translation>、%1 V</translation>
    </message>
    <message>
        <source> %1, %2 values</source>
        <translation> %1、%2 個の値</translation>
    </message>
    <message>
        <source>, offset %1 V</source>
        <translation>、オフセット %1 V</translation>
    </message>
    <message>
        <source>; never answers</source>
        <translation>、応答なし</translation>
    </message>
    <message>
        <source>; answers %1 ms late</source>
        <translation>、%1 ms 遅れて応答</translation>
    </message>
    <message>
        <source>; answers with %1 bytes</source>
        <translation>、%1 バイトで応答</translation>
    </message>
    <message>
        <source>; unplugs after %1 s for %2 s</source>
        <translation>、%1 秒ごとに %2 秒間取り外し</translation>
    </message>
</context>
</TS>
