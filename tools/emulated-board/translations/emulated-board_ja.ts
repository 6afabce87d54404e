<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>emulated-board</name>
    <message>
        <source>
Raw values for --file=PATH are sent in turn and repeated: whole numbers 0..65535,
decimal or 0x hex, separated by spaces, commas or lines; &apos;#&apos; starts a comment.
512 is 0 V, one volt is 102.4. The board measures from -5 V to +5 V: voltages
beyond are clipped.

PROGRAM sees the emulated board and no other device; it needs no privilege.
Standard output is PROGRAM&apos;s. The board&apos;s messages go to standard error, and when
PROGRAM ends, a line with its run time, CPU time and peak memory and the commands
the board answered. The exit status is PROGRAM&apos;s (0 when --for ended it).
</source>
        <translation>
--file=PATH の生の値は順に送られ、繰り返されます: 0..65535 の整数を 10 進または
0x の 16 進で、空白・コンマ・改行で区切って書きます。&apos;#&apos; から行末まではコメントです。
512 が 0 V、1 V は 102.4 です。ボードは -5 V から +5 V まで計測し、範囲外の電圧は
切り詰められます。

PROGRAM からはエミュレートされたボードだけが見え、他のデバイスは見えません。権限は
要りません。標準出力は PROGRAM のものです。ボードのメッセージは標準エラー出力に出し、
PROGRAM が終わると、その実行時間・CPU 時間・最大メモリとボードが応答したコマンドの数を
1 行で出します。終了ステータスは PROGRAM のものです (--for で終了させたときは 0)。
</translation>
    </message>
    <message>
        <source>Runs PROGRAM with the virtual experiment board (USB HID, vendor 0x21CF, product
0x0004) plugged into an emulated sysfs and /dev (umockdev), for machines where
simplescope-board can&apos;t make one through /dev/uhid. The board answers as
simplescope-board&apos;s does, with the same signals and faults.</source>
        <translation>仮想の実験ボード (USB HID、ベンダー 0x21CF、製品 0x0004) をエミュレートされた sysfs と
/dev (umockdev) に接続して PROGRAM を実行します。simplescope-board が /dev/uhid を
通してボードを作れないマシンのためのものです。ボードは simplescope-board と同じ信号と
障害で応答します。</translation>
    </message>
    <message>
        <source>The program to run, with its arguments, after &quot;--&quot;.</source>
        <translation>実行するプログラムとその引数です。&quot;--&quot; の後に書いてください。</translation>
    </message>
    <message>
        <source>-- PROGRAM [ARGUMENTS]</source>
        <translation>-- PROGRAM [ARGUMENTS]</translation>
    </message>
    <message>
        <source>End PROGRAM (SIGTERM) after SECONDS; by default it runs until it ends.</source>
        <translation>SECONDS 秒後に PROGRAM を終了します (SIGTERM)。既定では PROGRAM が終わるまで実行します。</translation>
    </message>
    <message>
        <source>SECONDS</source>
        <translation>SECONDS</translation>
    </message>
    <message>
        <source>Say nothing of the board&apos;s plugs and unplugs, nor of PROGRAM&apos;s costs at the end.</source>
        <translation>ボードの接続・取り外しも、終了時の PROGRAM のコストも表示しません。</translation>
    </message>
    <message>
        <source>unexpected argument &quot;%1&quot; (the program goes after &quot;--&quot;)</source>
        <translation>予期しない引数 &quot;%1&quot; です (プログラムは &quot;--&quot; の後に書いてください)</translation>
    </message>
    <message>
        <source>no program to run: name it after &quot;--&quot;</source>
        <translation>実行するプログラムがありません: &quot;--&quot; の後に書いてください</translation>
    </message>
    <message>
        <source>Try &apos;emulated-board --help&apos; for more information.</source>
        <translation>詳しくは &apos;emulated-board --help&apos; を実行してください。</translation>
    </message>
    <message>
        <source>The node answers the hidraw ioctls (for Wine&apos;s HID bus).</source>
        <translation>ノードが hidraw の ioctl に応答します (Wine の HID バス用)。</translation>
    </message>
    <message>
        <source>PROGRAM unplugs and plugs the board by making a file &quot;unplug&quot; or &quot;plug&quot; in DIR; the file is deleted once done. DIR/commands holds the number of command reports the board has read.</source>
        <translation>PROGRAM は DIR にファイル &quot;unplug&quot; または &quot;plug&quot; を作って、ボードを取り外し・接続します。済んだファイルは削除されます。DIR/commands にはボードが読んだコマンドレポートの数が入ります。</translation>
    </message>
    <message>
        <source>DIR</source>
        <translation>DIR</translation>
    </message>
</context>
</TS>
