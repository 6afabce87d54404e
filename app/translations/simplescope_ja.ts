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
        <source>takes one file at most: &quot;%1&quot;</source>
        <translation>開けるファイルは 1 つだけです: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>no such file: &quot;%1&quot;</source>
        <translation>ファイルがありません: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>A recording (block,sample,time_s,raw,volts) or saved values (sample,volts), CSV or TSV, to open.</source>
        <translation>開く記録 (block,sample,time_s,raw,volts) か保存した値 (sample,volts) のファイル (CSV か TSV)。</translation>
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
        <source>Save graph…</source>
        <translation>グラフを保存…</translation>
    </message>
    <message>
        <source>Save graph</source>
        <translation>グラフを保存</translation>
    </message>
    <message>
        <source>SVG image (*.svg)</source>
        <translation>SVG 画像 (*.svg)</translation>
    </message>
    <message>
        <source>Samples %1–%2 (%3 values)</source>
        <translation>サンプル %1–%2 (%3 値)</translation>
    </message>
    <message>
        <source>%1–%2 s from the start of the run</source>
        <translation>計測開始から %1–%2 秒</translation>
    </message>
    <message>
        <source>Run %1</source>
        <translation>計測 %1</translation>
    </message>
    <message>
        <source>Volts (V)</source>
        <translation>電圧 (V)</translation>
    </message>
    <message>
        <source>Sample</source>
        <translation>サンプル</translation>
    </message>
    <message>
        <source>Time (s)</source>
        <translation>時間 (s)</translation>
    </message>
    <message>
        <source>No values</source>
        <translation>値がありません</translation>
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
    <message>
        <source>Measurements…</source>
        <translation>測定値…</translation>
    </message>
    <message>
        <source>Cursor A here</source>
        <translation>カーソル A をここに</translation>
    </message>
    <message>
        <source>Cursor B here</source>
        <translation>カーソル B をここに</translation>
    </message>
    <message>
        <source>Remove cursors</source>
        <translation>カーソルを消す</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Measurements</source>
        <translation>測定値</translation>
    </message>
    <message>
        <source>Count</source>
        <translation>値の数</translation>
    </message>
    <message>
        <source>Latest</source>
        <translation>最新値</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>平均</translation>
    </message>
    <message>
        <source>Peak to peak</source>
        <translation>p-p</translation>
    </message>
    <message>
        <source>RMS</source>
        <translation>実効値</translation>
    </message>
    <message>
        <source>AC RMS</source>
        <translation>交流実効値</translation>
    </message>
    <message>
        <source>Δ samples</source>
        <translation>Δ サンプル</translation>
    </message>
    <message>
        <source>ΔV</source>
        <translation>ΔV</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>コピー</translation>
    </message>
    <message>
        <source>%1 values shown</source>
        <translation>表示中の %1 値</translation>
    </message>
    <message>
        <source>Cursors A–B: samples %1–%2 (%3 values)</source>
        <translation>カーソル A–B: サンプル %1–%2 (%3 値)</translation>
    </message>
    <message>
        <source>no value</source>
        <translation>値なし</translation>
    </message>
    <message>
        <source>sample %1: %2</source>
        <translation>サンプル %1: %2</translation>
    </message>
    <message>
        <source>(cursor %1)</source>
        <translation>(カーソル %1)</translation>
    </message>
    <message>
        <source>latest %1, min %2, max %3</source>
        <translation>最新 %1、最小 %2、最大 %3</translation>
    </message>
    <message>
        <source>cursor %1: no value</source>
        <translation>カーソル %1: 値なし</translation>
    </message>
    <message>
        <source>cursor %1: sample %2, %3</source>
        <translation>カーソル %1: サンプル %2, %3</translation>
    </message>
    <message>
        <source>%1. %2</source>
        <translation>%1。%2</translation>
    </message>
    <message>
        <source>waveform</source>
        <translation>波形</translation>
    </message>
    <message>
        <source>Keys in the window:
  F5            Start measuring, as a click on the start picture.
  F6            Stop measuring, as a click on the stop picture.
  Tab           Go to the start picture, the stop picture and the chart in turn;
                Space or Enter on a picture clicks it.
  Ctrl+M        Open the measurements window (Esc or Ctrl+W closes it, Ctrl+C
                copies its figures).
  A, B          Put cursor A or B on the sample under the pointer (with the
                keyboard on the chart: in the middle of the trace).
  Left, Right   Move the cursor placed last by one sample; with Shift, by ten.
  Esc           Remove the cursors.
  Ctrl+C        Copy the trace&apos;s values.
  Ctrl+S        Save a picture of the window.
  Ctrl+G        Save the graph as a picture for a report (PNG or SVG).
  Ctrl+Shift+S  Save the trace&apos;s values as a CSV file.
  Ctrl+R        Record every sample to a file while measuring; again: stop.
  Ctrl+O        Open a recording or saved values (also a file dropped on the
                window); not while measuring.
  Menu key      Open the chart&apos;s menu (also a right click on the chart).
</source>
        <translation>ウィンドウのキー:
  F5            計測を始めます (開始の絵のクリックと同じ)。
  F6            計測を止めます (終了の絵のクリックと同じ)。
  Tab           開始の絵、終了の絵、グラフの順に移ります。絵の上で Space か
                Enter を押すとクリックと同じです。
  Ctrl+M        測定値のウィンドウを開きます (Esc か Ctrl+W で閉じ、Ctrl+C で
                値をコピーします)。
  A、B          ポインターの下のサンプルにカーソル A か B を置きます (キーボード
                でグラフにいるときは波形の中ほどに置きます)。
  ←、→          最後に置いたカーソルを 1 サンプル動かします。Shift と一緒に押すと
                10 サンプル動かします。
  Esc           カーソルを消します。
  Ctrl+C        波形の値をコピーします。
  Ctrl+S        ウィンドウの画像を保存します。
  Ctrl+G        グラフをレポート用の画像 (PNG または SVG) に保存します。
  Ctrl+Shift+S  波形の値を CSV ファイルに保存します。
  Ctrl+R        計測中のすべての値をファイルに記録します。もう一度押すと止めます。
  Ctrl+O        記録か保存した値を開きます (ウィンドウにファイルをドロップしても
                開きます)。計測中は使えません。
  メニューキー  グラフのメニューを開きます (グラフの右クリックでも開きます)。
</translation>
    </message>
    <message>
        <source>Listen</source>
        <translation>音で聞く</translation>
    </message>
    <message>
        <source>Stop sound</source>
        <translation>音を止める</translation>
    </message>
    <message>
        <source>Slower</source>
        <translation>ゆっくり</translation>
    </message>
    <message>
        <source>Faster</source>
        <translation>速く</translation>
    </message>
    <message>
        <source>Live sound</source>
        <translation>ライブで聞く</translation>
    </message>
    <message>
        <source>Stop live sound</source>
        <translation>ライブの音を止める</translation>
    </message>
    <message>
        <source>Save sound…</source>
        <translation>音を保存…</translation>
    </message>
    <message>
        <source>Save sound</source>
        <translation>音を保存</translation>
    </message>
    <message>
        <source>WAV sound (*.wav)</source>
        <translation>WAV 音声 (*.wav)</translation>
    </message>
    <message>
        <source>Playing the trace, %1 s</source>
        <translation>波形を再生中 (%1 秒)</translation>
    </message>
    <message>
        <source>Sound stopped</source>
        <translation>音を止めました</translation>
    </message>
    <message>
        <source>Sound ended</source>
        <translation>再生が終わりました</translation>
    </message>
    <message>
        <source>Sound length %1 s</source>
        <translation>音の長さ %1 秒</translation>
    </message>
    <message>
        <source>Live sound on</source>
        <translation>ライブの音を出しています</translation>
    </message>
    <message>
        <source>Time direction: newest at the right</source>
        <translation>時間の向き: 新しい値を右に</translation>
    </message>
    <message>
        <source>Runs</source>
        <translation>計測の一覧</translation>
    </message>
    <message>
        <source>Run %1 — %2, %3</source>
        <translation>計測 %1 — %2, %3</translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>newest at the right</source>
        <translation>新しい値が右</translation>
    </message>
    <message>
        <source>no samples</source>
        <translation>サンプルなし</translation>
    </message>
    <message>
        <source>samples %1 to %2 of %3</source>
        <translation>サンプル %1〜%2（全 %3）</translation>
    </message>
    <message>
        <source>(%1 s to %2 s)</source>
        <translation>（%1〜%2 秒）</translation>
    </message>
    <message>
        <source>; the oldest %1 samples were dropped</source>
        <translation>、古い %1 サンプルはメモリーの上限で破棄されました</translation>
    </message>
    <message>
        <source>; min %1, max %2</source>
        <translation>、最小 %1、最大 %2</translation>
    </message>
    <message>
        <source>Live view</source>
        <translation>ライブ表示</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>拡大</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>縮小</translation>
    </message>
    <message>
        <source>Earlier view</source>
        <translation>前の範囲</translation>
    </message>
    <message>
        <source>Later view</source>
        <translation>次の範囲</translation>
    </message>
    <message>
        <source>Oldest part</source>
        <translation>最初の部分</translation>
    </message>
    <message>
        <source>Newest part</source>
        <translation>最新の部分</translation>
    </message>
    <message>
        <source>Whole run</source>
        <translation>計測全体</translation>
    </message>
    <message>
        <source>Back to live</source>
        <translation>ライブ表示に戻る</translation>
    </message>
    <message>
        <source>Open recording…</source>
        <translation>記録を開く…</translation>
    </message>
    <message>
        <source>Open recording</source>
        <translation>記録を開く</translation>
    </message>
    <message>
        <source>Recordings and values (*.csv *.tsv *.txt);;All files (*)</source>
        <translation>記録と値 (*.csv *.tsv *.txt);;すべてのファイル (*)</translation>
    </message>
    <message>
        <source>Opening %1…</source>
        <translation>%1 を開いています…</translation>
    </message>
    <message>
        <source>%1 could not be read: %2</source>
        <translation>%1 を読めませんでした: %2</translation>
    </message>
    <message>
        <source>the file is empty.</source>
        <translation>ファイルが空です。</translation>
    </message>
    <message>
        <source>this is not a table of samples.</source>
        <translation>サンプルの表ではありません。</translation>
    </message>
    <message>
        <source>the header is neither a recording&apos;s (block,sample,time_s,raw,volts) nor saved values&apos; (sample,volts): &quot;%1&quot;.</source>
        <translation>見出しが記録 (block,sample,time_s,raw,volts) のものでも保存した値 (sample,volts) のものでもありません: &quot;%1&quot;。</translation>
    </message>
    <message>
        <source>the row has not as many fields as the header: &quot;%1&quot;.</source>
        <translation>行の項目の数が見出しと合いません: &quot;%1&quot;。</translation>
    </message>
    <message>
        <source>%1 is not a number: &quot;%2&quot;.</source>
        <translation>%1 が数ではありません: &quot;%2&quot;。</translation>
    </message>
    <message>
        <source>%1 is not a finite number: &quot;%2&quot;.</source>
        <translation>%1 が有限の数ではありません: &quot;%2&quot;。</translation>
    </message>
    <message>
        <source>%1 is out of range: &quot;%2&quot;.</source>
        <translation>%1 が範囲を超えています: &quot;%2&quot;。</translation>
    </message>
    <message>
        <source>volts are not (raw - 512) / 102.4 of the row&apos;s raw: &quot;%1&quot;.</source>
        <translation>volts がその行の raw の (raw - 512) / 102.4 と合いません: &quot;%1&quot;。</translation>
    </message>
    <message>
        <source>the block number is lower than the one before: &quot;%1&quot;.</source>
        <translation>ブロック番号が前の行より小さくなっています: &quot;%1&quot;。</translation>
    </message>
    <message>
        <source>the sample number does not follow the one before: &quot;%1&quot;.</source>
        <translation>サンプル番号が前の行に続いていません: &quot;%1&quot;。</translation>
    </message>
    <message>
        <source>the table has no rows.</source>
        <translation>表に行がありません。</translation>
    </message>
    <message>
        <source>%1, line %2: </source>
        <translation>%1 の %2 行目: </translation>
    </message>
    <message>
        <source>The recording could not be opened.</source>
        <translation>記録を開けませんでした。</translation>
    </message>
    <message>
        <source>the run is more than the %1 MB of memory kept for runs.</source>
        <translation>計測の記録用のメモリー (%1 MB) に収まりません。</translation>
    </message>
</context>
</TS>
