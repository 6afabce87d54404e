#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/ByteLogDecoding.h"
#include "app/GraphPicture.h"
#include "app/Recording.h"
#include "app/RunCapture.h"
#include "app/RunStore.h"
#include "app/TraceReading.h"
#include "app/VoltsHistory.h"
#include "chart/ChartSeries.h"
#include "framework/Component.h"
#include "framework/Controls.h"
#include "framework/Format.h"
#include "framework/MessageTarget.h"
#include "framework/PopupMenu.h"
#include "framework/StringList.h"
#include "framework/Timer.h"
#include "hid/CustomHidDeviceController.h"
#include "protocol/BoardProtocol.h"

class TRunOpening;

// The oscilloscope's main window as its logic sees it: the components its handlers touch,
// the measurement cycle (start, stop, one tick, the test sine) and the discovery of the
// board among the HID devices. All of it runs on the main thread.
//
// The window owns the controller it is given; the series belongs to its chart.
class TForm1 : public TComponent {
 public:
  static inline const QString kCaption = QStringLiteral("簡易オシロソフト");
  // The board's key: vendor 0x21CF, product 0x0004.
  static inline const QString kBoardKey =
      FormatHexPair(BoardProtocol::kVendorId, BoardProtocol::kProductId);
  static constexpr THidDeviceId kBoardKind{BoardProtocol::kVendorId, BoardProtocol::kProductId};
  // The report buffer: report id plus 64 command bytes. Longer output reports are refused.
  static constexpr int kReportBufferSize = 65;
  static constexpr int kSamplesPerBlock = BoardProtocol::kSamplesPerBlock;
  static constexpr int kHistoryLimit = 200;
  static constexpr uint32_t kTickInterval = 100;
  static constexpr uint32_t kAnswerWait = 50;
  // A tick still running this long after it began is held by something that opened inside
  // its wait (a modal box of the system's): the ticks after it go ahead.
  static constexpr uint32_t kHeldTickAfter = kTickInterval + kAnswerWait;
  // The byte log keeps at most this many lines between two emptyings; a tick reads 64.
  // A board that chatters while nobody empties the log (idle, unsolicited reports) would
  // otherwise grow it without end. Later bytes are dropped: the tick decodes from the
  // front, so the lines it needs are never the ones dropped.
  static constexpr int kByteLogLimit = 65536;
  // Closing with a recording waits for its last rows to be written: a notice says so after
  // the patience, and a disk that doesn't answer within the bound is given up.
  static constexpr std::chrono::milliseconds kClosingPatience{1000};
  static constexpr std::chrono::milliseconds kClosingBound{10000};
  std::chrono::milliseconds ClosingBound = kClosingBound;  // tests wait less
  TForm1(TCustomHidDeviceController* hidCtl, TChartSeries* series2);
  ~TForm1() override;

  // Components, in creation order.
  TImage* Image1;
  TImage* Image2;
  TImage* Image3;
  TLabel* Label1;
  TListBox* DevListBox;
  TMemo* Memo1;
  TChartSeries* Series2;
  TControl* Button3;
  TPanel* Panel1;
  TTimer* Timer1;
  TCustomHidDeviceController* HidCtl;
  // The chart's menu: the trace's values to the clipboard, the window as a picture, the
  // chart as a picture for a report, the values to a file, and recording every block to a file
  // (with the rows written so far, shown while recording). Bound to the chart by the window; its
  // captions are made when it opens.
  TPopupMenu* PopupMenu1;
  TMenuItem* CopyValuesItem;
  TMenuItem* SavePictureItem;
  TMenuItem* SaveGraphItem;
  TMenuItem* SaveValuesItem;
  TMenuItem* RecordItem;
  TMenuItem* RowsWrittenItem;
  TRecording* Recording;
  // Opening a recording (or saved values) as a run of Runs: not while measuring.
  TMenuItem* OpenItem;
  // Reading the trace, and measuring by keyboard: the measurements window, the two cursors,
  // start and stop.
  TMenuItem* MeasurementsItem;
  TMenuItem* CursorAItem;
  TMenuItem* CursorBItem;
  TMenuItem* ClearCursorsItem;
  TMenuItem* StartItem;
  TMenuItem* StopItem;
  // The direction of time (T, checked while the newest sample is at the right), and the
  // runs kept, a submenu made each time the menu opens.
  TMenuItem* TimeDirectionItem;
  TMenuItem* RunsItem;

  // The selected board, one of the devices DevListBox holds, or none.
  TCustomHidDevice* BoardDevice = nullptr;
  TStringList* CommandList = nullptr;
  TStringList* SampleHistory = nullptr;
  // The same entries at the board's resolution: what the readings and the copied values are
  // made of, while the texts above draw the trace.
  TVoltsHistory VoltsHistory{kHistoryLimit};
  // Every sample of each run since the window opened (a run from each start to its stop),
  // fed by the data handler.
  TRunStore Runs;
  TRunCapture RunCapture{Runs};
  // The figures of the trace shown, fed by every redraw, and the cursors on it.
  TTraceReading Reading;

  // What the reading needs of the window. The sample (an x of the trace) where the pointer
  // points, or where the menu was opened when atMenu; -1 for none.
  TEvent<int(TObject* sender, bool atMenu)> OnGetPointedSample;
  TNotifyEvent OnShowMeasurements;
  // After the figures or the cursors changed.
  TNotifyEvent OnReadingChanged;
  // After a tick has shown a new block of samples (live listening).
  TEvent<void(TObject* sender, const TLoggedBlock& block)> OnBlockShown;
  // After measuring started or stopped.
  TNotifyEvent OnMeasuringChanged;
  // A run of Runs to show: one chosen from the chart menu's list, or a recording opened.
  TEvent<void(TObject* sender, int runIndex)> OnShowRun;
  // The direction of time on the chart: the newest sample at the left (as the window starts)
  // or at the right; the chart menu's "時間の向き" switches it until the window closes.
  bool NewestAtRight = false;
  TNotifyEvent OnTimeDirectionChanged;

  // What "Save graph" draws, taken when it is chosen: the content at that time, its points
  // at most `columns`. The values shown, unless a view of a run puts itself here.
  std::function<TGraphContent(const QDateTime& taken, int columns)> GraphContent;
  // Whether GraphContent is a view of a run (then the graph can be saved without live values).
  bool GraphOfAView = false;
  // While a view of a run shows: what P plays of it, its values left to right as drawn.
  std::function<std::vector<double>()> ViewedTrace;

  // Handlers bound by the window's definition.
  void FormCreate(TObject* sender);
  void FormDestroy(TObject* sender);
  // The window is asked to close: measuring stops, and a recording ends with its last rows
  // written, or, when its disk doesn't answer in time, with a box that names those that
  // could not be. False while an earlier close still waits: the window stays until it ends.
  bool FormCloseQuery(TObject* sender);
  void Image2Click(TObject* sender);
  void Image3Click(TObject* sender);
  void Timer1Timer(TObject* sender);
  void Button3Click(TObject* sender);
  void HidCtlDeviceChange(TObject* sender);
  bool HidCtlEnumerate(TCustomHidDevice* hidDev, int idx);
  void BoardDataHandler(TCustomHidDevice* hidDev, uint8_t reportId, const uint8_t* data,
                        uint16_t size);
  void PopupMenu1Popup(TObject* sender);
  void CopyValuesItemClick(TObject* sender);
  void SavePictureItemClick(TObject* sender);
  void SaveGraphItemClick(TObject* sender);
  void SaveValuesItemClick(TObject* sender);
  void RecordItemClick(TObject* sender);
  void RecordingChange(TObject* sender);
  void RecordingFailure(TObject* sender, const QString& text);
  void OpenItemClick(TObject* sender);
  void MeasurementsItemClick(TObject* sender);
  void CursorAItemClick(TObject* sender);
  void CursorBItemClick(TObject* sender);
  void ClearCursorsItemClick(TObject* sender);
  void StartItemClick(TObject* sender);
  void StopItemClick(TObject* sender);
  void TimeDirectionItemClick(TObject* sender);
  // An entry of RunsItem's submenu: its Tag is the run's number.
  void RunItemClick(TObject* sender);
  // Puts the newest sample at the right or the left of the chart, and says so when it moved.
  void SetNewestAtRight(bool atRight);
  // The cursor placed last, by `samples` along the trace (negative: to the left).
  void MoveCursor(int samples);

  // Helpers.
  void SendCommands(TStringList* list);
  void WaitMs(uint32_t milliseconds);
  static QString StripSpaces(const QString& text);
  static int32_t HexToInt(const QString& text);
  static QString DeviceKey(TCustomHidDevice* device);
  void AttachDataHandler();
  // A block's samples into both histories, newest first, as a tick takes them.
  void AddToHistory(const TLoggedBlock& block);
  // One sample onto both histories, as a tick adds it: its 0.1 V text and its value.
  void AddToHistory(double volts);
  void ClearHistory();
  // The trace and its figures from the sample history, as a tick ends.
  void RedrawFromHistory();
  // Runs `action`, which may open a modal dialog, where measuring goes on under it: at once
  // from the message loop, or after the end of the tick (or the start) whose wait for the
  // board's answer it was called in. A dialog opened inside that wait would keep the tick from
  // ending, and the ticks after it would all be left out until it closed.
  void RunOutsideTheTick(std::function<void()> action);
  // The values the trace shows, newest first: the board's own values of the sample history,
  // or the test sine's values while it is shown. What the menu copies and saves.
  const TVoltsHistory& ValuesShown() const;

  // Reads the file at `path` into a new run on a thread, with a progress window; then the run
  // joins Runs and OnShowRun shows it, or a box says which line is wrong and why. False (and
  // nothing happens) while measuring or while another file is being opened.
  bool OpenRecording(const QString& path);
  bool CanOpenRecording() const;
  // The opening under way, for tests; null before the first.
  TRunOpening* Opening() const { return opening_.get(); }

  // The window's caption; it follows onto the window bound with BindWindow.
  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  void BindWindow(QWidget* window);

 private:
  QString caption_ = kCaption;
  QPointer<QWidget> window_;
  // Set while a tick runs. A slow machine can take longer over a tick than the interval,
  // and the tick's wait processes messages, timer ticks among them.
  bool tickRunning_ = false;
  bool closing_ = false;
  uint32_t tickBegan_ = 0;  // by TickCount(), of the tick that runs
  uint64_t ticksBegun_ = 0;
  // Ticks and starts under way, nested ones included, and the actions that wait for their
  // end (RunOutsideTheTick).
  int cyclesUnderWay_ = 0;
  std::vector<std::function<void()>> actionsAfterTheTick_;
  TMessageTarget messages_;
  friend struct TCycleScope;
  void CycleEnded();
  void RunActionsAfterTheTick();
  // The test sine's values while the trace shows them, until the next redraw from history.
  TVoltsHistory sineValues_{kHistoryLimit};
  bool sineShown_ = false;
  // The samples put into the history since the last redraw, and whether the history began
  // again since (a start): then the next trace doesn't continue the one shown.
  int samplesAdded_ = 0;
  bool historyRestarted_ = false;
  void EnterIdleState();
  void SendCommandReport(int32_t command, int reportLength);
  void SaveFile(const QString& path, const QByteArray& contents, const QString& what);
  void AskAndSavePicture(const QByteArray& png);
  void AskAndSaveGraph(const TGraphContent& content, const TGraphPictureOptions& options);
  void AskAndSaveValues(const QByteArray& csv);
  void AskAndRecord();
  void AskAndOpen();
  void RecordingOpened(const QString& path, std::unique_ptr<TRun> run, const QString& error);
  std::unique_ptr<TRunOpening> opening_;
  void PlaceCursorWherePointed(TCursorName name);
  void ReadingChanged();
  void MeasuringChanged();
};
