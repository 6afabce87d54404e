#pragma once

#include <QString>
#include <cstdint>

#include "app/ByteLogDecoding.h"
#include "app/Recording.h"
#include "app/RunCapture.h"
#include "app/RunStore.h"
#include "app/TraceReading.h"
#include "app/VoltsHistory.h"
#include "chart/ChartSeries.h"
#include "framework/Component.h"
#include "framework/Controls.h"
#include "framework/Format.h"
#include "framework/PopupMenu.h"
#include "framework/StringList.h"
#include "framework/Timer.h"
#include "hid/CustomHidDeviceController.h"
#include "protocol/BoardProtocol.h"

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
  // The byte log keeps at most this many lines between two emptyings; a tick reads 64.
  // A board that chatters while nobody empties the log (idle, unsolicited reports) would
  // otherwise grow it without end. Later bytes are dropped: the tick decodes from the
  // front, so the lines it needs are never the ones dropped.
  static constexpr int kByteLogLimit = 65536;

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
  // values to a file, and recording every block to a file (with the rows written so far,
  // shown while recording). Bound to the chart by the window; its captions are made when it
  // opens.
  TPopupMenu* PopupMenu1;
  TMenuItem* CopyValuesItem;
  TMenuItem* SavePictureItem;
  TMenuItem* SaveValuesItem;
  TMenuItem* RecordItem;
  TMenuItem* RowsWrittenItem;
  TRecording* Recording;
  // Reading the trace, and measuring by keyboard: the measurements window, the two cursors,
  // start and stop.
  TMenuItem* MeasurementsItem;
  TMenuItem* CursorAItem;
  TMenuItem* CursorBItem;
  TMenuItem* ClearCursorsItem;
  TMenuItem* StartItem;
  TMenuItem* StopItem;

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

  // Handlers bound by the window's definition.
  void FormCreate(TObject* sender);
  void FormDestroy(TObject* sender);
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
  void SaveValuesItemClick(TObject* sender);
  void RecordItemClick(TObject* sender);
  void RecordingChange(TObject* sender);
  void MeasurementsItemClick(TObject* sender);
  void CursorAItemClick(TObject* sender);
  void CursorBItemClick(TObject* sender);
  void ClearCursorsItemClick(TObject* sender);
  void StartItemClick(TObject* sender);
  void StopItemClick(TObject* sender);
  // The cursor placed last, by `samples` along the trace (negative: to the left).
  void MoveCursor(int samples);

  // Helpers.
  void SendCommands(TStringList* list);
  void WaitMs(uint32_t milliseconds);
  static QString StripSpaces(const QString& text);
  static int32_t HexToInt(const QString& text);
  static QString DeviceKey(TCustomHidDevice* device);
  void AttachDataHandler();
  // One sample onto both histories, as a tick adds it: its 0.1 V text and its value.
  void AddToHistory(double volts);
  void ClearHistory();
  // The trace and its figures from the sample history, as a tick ends.
  void RedrawFromHistory();

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
  void EnterIdleState();
  void SendCommandReport(int32_t command, int reportLength);
  void AddToHistory(const TLoggedBlock& block);
  void SaveFile(const QString& path, const QByteArray& contents, const QString& what);
  void PlaceCursorWherePointed(TCursorName name);
  void ReadingChanged();
};
