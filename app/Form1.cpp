#include "Form1.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <vector>

#include "app/ByteLogDecoding.h"
#include "app/RunOpening.h"
#include "app/TraceRows.h"
#include "chart/ChartAxis.h"
#include "framework/Clipboard.h"
#include "framework/Dialogs.h"
#include "framework/Exceptions.h"
#include "framework/FileOpening.h"
#include "framework/FileSaving.h"
#include "framework/Format.h"
#include "framework/MessageWait.h"
#include "framework/Translations.h"

namespace {

const QString kNoBoardAtStart = QStringLiteral("(C1)実験ボードと接続が確認出来ません。");
// The board is there, but the user may not open it: without this, measuring would start
// and nothing would ever arrive. What to do about it depends on what stands in the way,
// which the HID layer tells.
const QString kBoardNotAccessible =
    QStringLiteral("(C3)実験ボードが見つかりましたが、アクセスできません。");
const QString kCheckPermissions =
    QStringLiteral("アクセス権(udev ルール)を確認して、ボードを接続し直してください。");
const QString kCloseOtherPrograms =
    QStringLiteral("ボードを使っている他のプログラムを終了して、ボードを接続し直してください。");
const QString kAskAdministrator = QStringLiteral(
    "このパソコンの設定で、ボードの使用が許可されていません。管理者に相談してください。");

QString AccessAdvice(THidAccessRemedy remedy) {
  switch (remedy) {
    case THidAccessRemedy::CloseOtherPrograms:
      return kCloseOtherPrograms;
    case THidAccessRemedy::AskAdministrator:
      return kAskAdministrator;
    case THidAccessRemedy::CheckPermissions:
      break;
  }
  return kCheckPermissions;
}
const QString kNoBoardAtTick = QStringLiteral("(C2)実験ボードと接続が確認出来ません。");
const QString kDisconnected = QStringLiteral("実験ボードが切断されました。");
const QString kCommandValue = QString::number(BoardProtocol::kSampleCommand);
constexpr int kBufferCount = 128;

const QString kPictureNotSaved = QStringLiteral("画像を保存できませんでした。");
const QString kValuesNotSaved = QStringLiteral("値を保存できませんでした。");
const QString kFolderNotWritable = QStringLiteral("保存先のフォルダーに書き込めません。");
const QString kNotWrittenToTheEnd =
    QStringLiteral("ファイルを最後まで書き込めませんでした。ディスクの空きを確認してください。");
const QString kPictureNotTaken = QStringLiteral("ウィンドウの画像を作れませんでした。");
const QString kGraphNotSaved = QStringLiteral("グラフを保存できませんでした。");
const QString kGraphNotDrawn = QStringLiteral("グラフの画像を作れませんでした。");
const QString kRecordingTo = QStringLiteral(" — 記録中: ");
const QString kWritingTheLastRows = QStringLiteral("記録の最後の行を書き込んでいます…");

// How long a run lasted, in whole seconds, minutes or hours as its length asks for.
QString DurationText(int64_t milliseconds) {
  const int64_t seconds = (std::max<int64_t>(milliseconds, 0) + 500) / 1000;
  if (seconds < 60) return QCoreApplication::translate("simplescope", "%1 s").arg(seconds);
  if (seconds < 3600)
    return QCoreApplication::translate("simplescope", "%1 min %2 s")
        .arg(seconds / 60)
        .arg(seconds % 60);
  return QCoreApplication::translate("simplescope", "%1 h %2 min")
      .arg(seconds / 3600)
      .arg(seconds / 60 % 60);
}

// A run as the menu lists it: its number and when it began, or the file it came from, and
// how long it lasted.
QString RunCaption(const TRun& run) {
  const QString duration = DurationText(run.DurationMs());
  if (!run.FileName().empty())
    return QCoreApplication::translate("simplescope", "%1 — %2")
        .arg(QString::fromStdString(run.FileName()), duration);
  const QDateTime start = QDateTime::fromMSecsSinceEpoch(
      std::chrono::duration_cast<std::chrono::milliseconds>(run.StartTime().time_since_epoch())
          .count());
  return QCoreApplication::translate("simplescope", "Run %1 — %2, %3")
      .arg(run.Number())
      .arg(start.toString(QStringLiteral("HH:mm:ss")), duration);
}

}  // namespace

// One tick or start under way: while any is, actions that may open a dialog wait for its end.
// A tick also marks itself running, and puts back the marks of a held tick it runs inside.
struct TCycleScope {
  TCycleScope(TForm1& form, bool tick, uint32_t now)
      : form(form), tick(tick), wasRunning(form.tickRunning_), began(form.tickBegan_) {
    ++form.cyclesUnderWay_;
    if (!tick) return;
    form.tickRunning_ = true;
    form.tickBegan_ = now;
    ++form.ticksBegun_;
  }
  ~TCycleScope() {
    if (tick) {
      form.tickRunning_ = wasRunning;
      form.tickBegan_ = began;
    }
    form.CycleEnded();
  }
  TForm1& form;
  const bool tick;
  const bool wasRunning;
  const uint32_t began;
};

TForm1::TForm1(TCustomHidDeviceController* hidCtl, TChartSeries* series2)
    : TComponent(nullptr),
      Image1(new TImage(this)),
      Image2(new TImage(this)),
      Image3(new TImage(this)),
      Label1(new TLabel(this)),
      DevListBox(new TListBox(this)),
      Memo1(new TMemo(this)),
      Series2(series2),
      Button3(new TControl(this)),
      Panel1(new TPanel(this)),
      Timer1(new TTimer(this)),
      HidCtl(hidCtl) {
  SetLoading(true);
  Reading.Places = kHistoryLimit;
  DevListBox->SetVisible(false);
  Memo1->SetVisible(false);
  Image2->OnClick = TNotifyEvent::Bind<&TForm1::Image2Click>(this);
  Image3->OnClick = TNotifyEvent::Bind<&TForm1::Image3Click>(this);
  Button3->OnClick = TNotifyEvent::Bind<&TForm1::Button3Click>(this);
  Timer1->SetEnabled(false);
  Timer1->SetOnTimer(TNotifyEvent::Bind<&TForm1::Timer1Timer>(this));
  PopupMenu1 = new TPopupMenu(this);
  PopupMenu1->OnPopup = TNotifyEvent::Bind<&TForm1::PopupMenu1Popup>(this);
  CopyValuesItem = PopupMenu1->Add(QString(), QStringLiteral("Ctrl+C"),
                                   TNotifyEvent::Bind<&TForm1::CopyValuesItemClick>(this));
  SavePictureItem = PopupMenu1->Add(QString(), QStringLiteral("Ctrl+S"),
                                    TNotifyEvent::Bind<&TForm1::SavePictureItemClick>(this));
  SaveGraphItem = PopupMenu1->Add(QString(), QStringLiteral("Ctrl+G"),
                                  TNotifyEvent::Bind<&TForm1::SaveGraphItemClick>(this));
  GraphContent = [this](const QDateTime& taken, int) {
    return GraphContentOfValues(ValuesShown(), Reading, taken);
  };
  SaveValuesItem = PopupMenu1->Add(QString(), QStringLiteral("Ctrl+Shift+S"),
                                   TNotifyEvent::Bind<&TForm1::SaveValuesItemClick>(this));
  RecordItem = PopupMenu1->Add(QString(), QStringLiteral("Ctrl+R"),
                               TNotifyEvent::Bind<&TForm1::RecordItemClick>(this));
  RowsWrittenItem = PopupMenu1->Add(QString(), QString(), TNotifyEvent());
  RowsWrittenItem->Enabled = false;
  RowsWrittenItem->Visible = false;
  OpenItem = PopupMenu1->Add(QString(), QStringLiteral("Ctrl+O"),
                             TNotifyEvent::Bind<&TForm1::OpenItemClick>(this));
  Recording = new TRecording(this);
  Recording->OnChange = TNotifyEvent::Bind<&TForm1::RecordingChange>(this);
  Recording->OnFailure =
      TEvent<void(TObject*, const QString&)>::Bind<&TForm1::RecordingFailure>(this);
  PopupMenu1->Add(TMenuItem::kSeparator, QString(), {});
  MeasurementsItem = PopupMenu1->Add(QString(), QStringLiteral("Ctrl+M"),
                                     TNotifyEvent::Bind<&TForm1::MeasurementsItemClick>(this));
  CursorAItem = PopupMenu1->Add(QString(), QStringLiteral("A"),
                                TNotifyEvent::Bind<&TForm1::CursorAItemClick>(this));
  CursorBItem = PopupMenu1->Add(QString(), QStringLiteral("B"),
                                TNotifyEvent::Bind<&TForm1::CursorBItemClick>(this));
  ClearCursorsItem = PopupMenu1->Add(QString(), QStringLiteral("Esc"),
                                     TNotifyEvent::Bind<&TForm1::ClearCursorsItemClick>(this));
  PopupMenu1->Add(TMenuItem::kSeparator, QString(), {});
  StartItem = PopupMenu1->Add(QString(), QStringLiteral("F5"),
                              TNotifyEvent::Bind<&TForm1::StartItemClick>(this));
  StopItem = PopupMenu1->Add(QString(), QStringLiteral("F6"),
                             TNotifyEvent::Bind<&TForm1::StopItemClick>(this));
  PopupMenu1->Add(TMenuItem::kSeparator, QString(), {});
  TimeDirectionItem = PopupMenu1->Add(QString(), QStringLiteral("T"),
                                      TNotifyEvent::Bind<&TForm1::TimeDirectionItemClick>(this));
  TimeDirectionItem->Checkable = true;
  RunsItem = PopupMenu1->Add(QString(), QString(), TNotifyEvent());
  if (HidCtl) {
    InsertComponent(HidCtl);
    HidCtl->SetLoading(true);
    HidCtl->SetOnEnumerate(THidEnumerateEvent::Bind<&TForm1::HidCtlEnumerate>(this));
    HidCtl->SetOnDeviceChange(TNotifyEvent::Bind<&TForm1::HidCtlDeviceChange>(this));
    HidCtl->SetLoading(false);
  }
  SetLoading(false);
  FormCreate(this);
}

TForm1::~TForm1() {
  Timer1->SetEnabled(false);
  opening_.reset();  // a file being read is dropped
  // No report reaches the recording while it waits for its files to be written.
  TRecording* recording = Recording;
  Recording = nullptr;
  delete recording;
  FormDestroy(this);
  // The controller goes first: it detaches the devices the window still holds instead of
  // taking them back, so freeing them afterwards touches no device list.
  BoardDevice = nullptr;
  delete HidCtl;
  HidCtl = nullptr;
  for (int i = 0; i < DevListBox->Items.Count(); ++i) delete DevListBox->Items.Objects(i);
  DevListBox->Items.Clear();
}

void TForm1::FormCreate(TObject*) {
  CommandList = new TStringList;
  SampleHistory = new TStringList;
}

void TForm1::FormDestroy(TObject*) {
  delete CommandList;
  CommandList = nullptr;
  delete SampleHistory;
  SampleHistory = nullptr;
}

bool TForm1::FormCloseQuery(TObject*) {
  if (closing_) return false;
  closing_ = true;
  Timer1->SetEnabled(false);
  std::unique_ptr<TBusyNotice> notice;
  const QStringList unwritten =
      Recording->FinishForClosing(kClosingPatience, ClosingBound, [&](const QStringList& files) {
        notice = std::make_unique<TBusyNotice>(kWritingTheLastRows + QLatin1Char('\n') +
                                               files.join(QLatin1Char('\n')));
      });
  notice.reset();
  for (const QString& text : unwritten) ShowWarningBox(text);
  closing_ = false;
  return true;
}

// ---- The measurement cycle ----

void TForm1::Image2Click(TObject*) {
  const TCycleScope cycle(*this, false, 0);
  if (!BoardDevice) {
    ShowWarningBox(kNoBoardAtStart);
    return;
  }
  if (!BoardDevice->CanReadWrite()) {
    ShowWarningBox(kBoardNotAccessible + AccessAdvice(BoardDevice->AccessRemedy()));
    return;
  }
  Memo1->Lines.Clear();
  ClearHistory();
  historyRestarted_ = true;
  RunCapture.StartRun();
  Timer1->SetInterval(kTickInterval);
  CommandList->Clear();
  CommandList->Add(kCommandValue);
  SendCommands(CommandList);
  Image2->SetEnabled(false);
  Panel1->SetVisible(false);
  Timer1->SetEnabled(true);
  MeasuringChanged();
}

void TForm1::Image3Click(TObject*) {
  EnterIdleState();
}

void TForm1::EnterIdleState() {
  Timer1->SetEnabled(false);
  RunCapture.StopRun();
  Image2->SetEnabled(true);
  Panel1->SetVisible(true);
  MeasuringChanged();
}

void TForm1::Timer1Timer(TObject*) {
  // A tick that comes while another waits for its answer would empty the byte log under it
  // and send a second command: the waiting tick would then decode the other's answer, and
  // the same samples would be shown twice. It is left out; the next one comes soon enough.
  // Unless the waiting tick is held: a modal box that opened inside its wait keeps it from
  // ending for as long as the box is open. Then this one goes ahead, and the held tick leaves
  // the byte log, which holds a later answer by then, to the ticks that ran meanwhile.
  const uint32_t now = TickCount();
  if (tickRunning_ && now - tickBegan_ < kHeldTickAfter) return;
  const TCycleScope cycle(*this, true, now);
  const uint64_t thisTick = ticksBegun_;
  TLoggedBlock block;
  bool historyTaken = false;
  try {
    if (!BoardDevice) {
      EnterIdleState();
      ShowWarningBox(kNoBoardAtTick);
      return;
    }
    Memo1->Lines.Clear();
    CommandList->Clear();
    CommandList->Add(kCommandValue);
    SendCommands(CommandList);
    if (ticksBegun_ != thisTick) return;

    DecodeSampleBlock(Memo1->Lines, block);
    historyTaken = true;
    AddToHistory(block);
    RedrawFromHistory();
    if (OnBlockShown) OnBlockShown(this, block);
  } catch (...) {
    // A sample that can't be read ends the tick with the ones before it in the history.
    if (!historyTaken) AddToHistory(block);
    QString highText;
    QString lowText;
    PairTexts(Memo1->Lines, block.LastPair, highText, lowText);
    Timer1->SetEnabled(false);
    RunCapture.StopRun();
    ShowWarningBox(kDisconnected + highText + QLatin1Char(',') + lowText);
    Image2->SetEnabled(true);
    Panel1->SetVisible(true);
    MeasuringChanged();
  }
}

void TForm1::CycleEnded() {
  if (--cyclesUnderWay_ == 0 && !actionsAfterTheTick_.empty())
    messages_.Post([this] { RunActionsAfterTheTick(); });
}

void TForm1::RunOutsideTheTick(std::function<void()> action) {
  if (cyclesUnderWay_ == 0) {
    action();
    return;
  }
  actionsAfterTheTick_.push_back(std::move(action));
}

void TForm1::RunActionsAfterTheTick() {
  // A tick that began before this call came runs them at its own end.
  if (cyclesUnderWay_ > 0) return;
  std::vector<std::function<void()>> actions;
  actions.swap(actionsAfterTheTick_);
  for (const std::function<void()>& action : actions) RunHandlerGuarded(action);
}

void TForm1::AddToHistory(const TLoggedBlock& block) {
  // Newest first: after a full block, entry 0 holds sample 31 and entry 31 sample 0.
  for (int k = 0; k < block.Count; ++k) AddToHistory(BoardProtocol::VoltsFromRaw(block.Raw[k]));
  samplesAdded_ += block.Count;
}

void TForm1::AddToHistory(double volts) {
  SampleHistory->Insert(0, FormatFixed1(volts));
  if (SampleHistory->Count() > kHistoryLimit) SampleHistory->Delete(SampleHistory->Count() - 1);
  VoltsHistory.AddNewest(volts);
}

void TForm1::ClearHistory() {
  SampleHistory->Clear();
  VoltsHistory.Clear();
}

void TForm1::RedrawFromHistory() {
  // The trace moves on by the new samples, unless it showed something else before.
  Reading.Moved = sineShown_ || historyRestarted_ ? -1 : samplesAdded_;
  samplesAdded_ = 0;
  historyRestarted_ = false;
  sineShown_ = false;
  Series2->RemoveAllPoints();
  Reading.Figures.Clear();
  const int exact = VoltsHistory.Count();
  for (int i = 0; i < SampleHistory->Count(); ++i) {
    const double shown = StrToFloat(SampleHistory->Strings(i));
    Series2->AppendPoint(i, shown, QString(), DefaultPointColor);
    // Both histories take every sample; an entry only the texts have (put there by hand)
    // reads as its text, so the figures always cover what the trace shows.
    Reading.Figures.Add(i < exact ? VoltsHistory.At(i) : shown);
  }
  ReadingChanged();
}

void TForm1::Button3Click(TObject*) {
  Series2->RemoveAllPoints();
  Reading.Figures.Clear();
  sineValues_.Clear();
  std::vector<double> sine(kHistoryLimit);
  for (int i = 0; i < kHistoryLimit; ++i) {
    const double angle = std::numbers::pi * (10.0 * i) / 180.0;
    const double y = 2.4 * (std::round(1000.0 * std::sin(angle)) / 1000.0);
    Series2->AppendPoint(i, y, QString(), DefaultPointColor);
    Reading.Figures.Add(y);
    sine[i] = y;
  }
  // Copied and saved as drawn, to the four decimals the readings give (the product above
  // carries binary noise a table would show), so that the table, the readout and the figures
  // agree; entry 0 is the point at x 0, as in the history.
  for (int i = kHistoryLimit - 1; i >= 0; --i)
    sineValues_.AddNewest(std::round(sine[i] * 1e4) / 1e4);
  sineShown_ = true;
  Reading.Moved = -1;
  ReadingChanged();
}

const TVoltsHistory& TForm1::ValuesShown() const {
  return sineShown_ ? sineValues_ : VoltsHistory;
}

void TForm1::SendCommands(TStringList* list) {
  if (!BoardDevice) return;
  const int reportLength = BoardDevice->Capabilities().OutputReportByteLength;
  for (int i = 0; i < list->Count(); ++i) {
    const int32_t command = StrToInt(list->Strings(i));
    // A device change inside the previous wait may have taken the board away.
    if (BoardDevice) SendCommandReport(command, reportLength);
    WaitMs(kAnswerWait);
  }
}

void TForm1::SendCommandReport(int32_t command, int reportLength) {
  // A report longer than the buffer would have to be cut short or overrun it; neither
  // tells the board anything sensible, so it is not sent at all.
  if (reportLength > kReportBufferSize) return;
  uint8_t report[kReportBufferSize] = {};
  report[0] = 0;
  for (int b = 1; b < reportLength; ++b) report[b] = static_cast<uint8_t>(command & 0xFF);
  uint32_t written = 0;
  if (Recording) Recording->NewAnswer();
  RunCapture.CommandSent();
  BoardDevice->WriteReport(report, static_cast<uint32_t>(reportLength), written);
}

void TForm1::WaitMs(uint32_t milliseconds) {
  ::WaitMs(milliseconds);
}

QString TForm1::StripSpaces(const QString& text) {
  QString stripped = text;
  stripped.remove(QLatin1Char(' '));
  return stripped;
}

int32_t TForm1::HexToInt(const QString& text) {
  uint32_t value = 0;
  int significantDigits = 0;
  // A blank is no digit here: only the log's decoding passes over them.
  if (text.isEmpty() || text.contains(QLatin1Char(' ')) ||
      !AppendHexDigits(text, value, significantDigits))
    throw EConvertError(QStringLiteral("変換できません"));
  return static_cast<int32_t>(value);
}

// ---- The chart's menu: the trace for a lab report ----

void TForm1::PopupMenu1Popup(TObject*) {
  // The program's messages are loaded when the menu is first wanted: at start-up they
  // would cost every start, and most starts never open the menu.
  InstallTranslations(QStringLiteral("simplescope"));
  CopyValuesItem->Caption = QCoreApplication::translate("simplescope", "Copy values");
  SavePictureItem->Caption = QCoreApplication::translate("simplescope", "Save picture…");
  SaveGraphItem->Caption = QCoreApplication::translate("simplescope", "Save graph…");
  SaveValuesItem->Caption = QCoreApplication::translate("simplescope", "Save values…");
  const bool hasValues = ValuesShown().Count() > 0;
  CopyValuesItem->Enabled = hasValues;
  SavePictureItem->Enabled = hasValues;
  SaveGraphItem->Enabled = hasValues || GraphOfAView;
  SaveValuesItem->Enabled = hasValues;
  const bool recording = Recording && Recording->Active();
  RecordItem->Caption = recording ? QCoreApplication::translate("simplescope", "Stop recording")
                                  : QCoreApplication::translate("simplescope", "Record…");
  RowsWrittenItem->Visible = recording;
  if (recording)
    RowsWrittenItem->Caption = QCoreApplication::translate("simplescope", "Rows written: %1")
                                   .arg(QLocale().toString(Recording->RowsWritten()));
  OpenItem->Caption = QCoreApplication::translate("simplescope", "Open recording…");
  OpenItem->Enabled = CanOpenRecording();
  MeasurementsItem->Caption = QCoreApplication::translate("simplescope", "Measurements…");
  CursorAItem->Caption = QCoreApplication::translate("simplescope", "Cursor A here");
  CursorBItem->Caption = QCoreApplication::translate("simplescope", "Cursor B here");
  ClearCursorsItem->Caption = QCoreApplication::translate("simplescope", "Remove cursors");
  StartItem->Caption = QCoreApplication::translate("simplescope", "Start");
  StopItem->Caption = QCoreApplication::translate("simplescope", "Stop");
  // The cursors go on what the trace shows, which the sine button draws too.
  const bool traceShown = Reading.Figures.Count() > 0;
  CursorAItem->Enabled = traceShown;
  CursorBItem->Enabled = traceShown;
  ClearCursorsItem->Enabled = Reading.AnyCursor();
  // As the pictures: each entry does what a click on its picture does, and is disabled
  // where the click does nothing.
  StartItem->Enabled = Image2->Enabled();
  StopItem->Enabled = Timer1->Enabled();
  TimeDirectionItem->Caption =
      QCoreApplication::translate("simplescope", "Time direction: newest at the right");
  TimeDirectionItem->Checked = NewestAtRight;
  RunsItem->Caption = QCoreApplication::translate("simplescope", "Runs");
  RunsItem->Clear();
  for (int i = 0; i < Runs.RunCount(); ++i)
    RunsItem
        ->Add(RunCaption(Runs.RunAt(i)), QString(), TNotifyEvent::Bind<&TForm1::RunItemClick>(this))
        ->Tag = Runs.RunAt(i).Number();
  RunsItem->Enabled = Runs.RunCount() > 0;
}

void TForm1::CopyValuesItemClick(TObject*) {
  if (ValuesShown().Count() == 0) return;
  CopyTableToClipboard(TraceRowsTabSeparated(ValuesShown()), TraceRowsCsv(ValuesShown()));
}

// The dialogs open from the message loop, never inside a tick: measuring goes on under them.
void TForm1::SavePictureItemClick(TObject*) {
  // Taken before the dialog: the picture is the window at the moment of the choice, not
  // whatever the trace has become while the user picked a name.
  QByteArray png = WindowPictureAsPng(PopupMenu1->Widget());
  RunOutsideTheTick([this, png = std::move(png)] { AskAndSavePicture(png); });
}

void TForm1::AskAndSavePicture(const QByteArray& png) {
  const QString path = AskSaveFileName(
      QCoreApplication::translate("simplescope", "Save picture"), TStandardFolder::Pictures,
      TraceFileName(QDateTime::currentDateTime(), QStringLiteral("png")),
      QCoreApplication::translate("simplescope", "PNG image (*.png)"), QStringLiteral("png"));
  if (path.isEmpty()) return;
  if (png.isEmpty()) {
    ShowWarningBox(kPictureNotSaved + kPictureNotTaken);
    return;
  }
  SaveFile(path, png, kPictureNotSaved);
}

void TForm1::SaveGraphItemClick(TObject*) {
  // Taken now, as the window's picture is: the graph of the moment of the choice.
  TGraphPictureOptions options;
  options.NewestAtRight = NewestAtRight;
  TGraphContent content;
  if (GraphContent)
    content = GraphContent(QDateTime::currentDateTime(), TGraphPicture::PlotColumns(options));
  if (content.Empty()) return;
  RunOutsideTheTick(
      [this, content = std::move(content), options] { AskAndSaveGraph(content, options); });
}

void TForm1::AskAndSaveGraph(const TGraphContent& content, const TGraphPictureOptions& options) {
  QString filter = QCoreApplication::translate("simplescope", "PNG image (*.png)");
  if (TGraphPicture::SvgAvailable())
    filter +=
        QStringLiteral(";;") + QCoreApplication::translate("simplescope", "SVG image (*.svg)");
  const QString path = AskSaveFileName(
      QCoreApplication::translate("simplescope", "Save graph"), TStandardFolder::Documents,
      TraceFileName(content.Taken, QStringLiteral("png")), filter, QStringLiteral("png"));
  if (path.isEmpty()) return;
  // The kind follows the name, which follows the kind chosen unless it names one itself.
  const bool svg =
      TGraphPicture::SvgAvailable() && path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
  const QByteArray picture =
      svg ? TGraphPicture::Svg(content, options) : TGraphPicture::Png(content, options);
  if (picture.isEmpty()) {
    ShowWarningBox(kGraphNotSaved + kGraphNotDrawn);
    return;
  }
  SaveFile(path, picture, kGraphNotSaved);
}

void TForm1::SaveValuesItemClick(TObject*) {
  if (ValuesShown().Count() == 0) return;
  QByteArray csv = TraceRowsCsv(ValuesShown());
  RunOutsideTheTick([this, csv = std::move(csv)] { AskAndSaveValues(csv); });
}

void TForm1::AskAndSaveValues(const QByteArray& csv) {
  const QString path = AskSaveFileName(
      QCoreApplication::translate("simplescope", "Save values"), TStandardFolder::Documents,
      TraceFileName(QDateTime::currentDateTime(), QStringLiteral("csv")),
      QCoreApplication::translate("simplescope", "CSV file (*.csv)"), QStringLiteral("csv"));
  if (path.isEmpty()) return;
  SaveFile(path, csv, kValuesNotSaved);
}

void TForm1::RecordItemClick(TObject*) {
  if (Recording->Active()) {
    Recording->Stop();
    return;
  }
  RunOutsideTheTick([this] { AskAndRecord(); });
}

void TForm1::AskAndRecord() {
  // Ctrl+R twice before the dialog opened: one dialog.
  if (Recording->Active()) return;
  const QString path = AskSaveFileName(
      QCoreApplication::translate("simplescope", "Record"), TStandardFolder::Documents,
      TraceFileName(QDateTime::currentDateTime(), QStringLiteral("csv")),
      QCoreApplication::translate("simplescope", "CSV file (*.csv);;TSV file (*.tsv)"),
      QStringLiteral("csv"));
  if (!path.isEmpty()) Recording->Start(path);
}

void TForm1::RecordingChange(TObject*) {
  SetCaption(Recording->Active() ? kCaption + kRecordingTo + Recording->FileName() : kCaption);
}

void TForm1::RecordingFailure(TObject*, const QString& text) {
  RunOutsideTheTick([text] { ShowWarningBox(text); });
}

void TForm1::OpenItemClick(TObject*) {
  if (CanOpenRecording()) RunOutsideTheTick([this] { AskAndOpen(); });
}

void TForm1::AskAndOpen() {
  // Measuring may have started while the dialog waited for its turn.
  if (!CanOpenRecording()) return;
  const QString path = AskOpenFileName(
      QCoreApplication::translate("simplescope", "Open recording"), TStandardFolder::Documents,
      QCoreApplication::translate("simplescope",
                                  "Recordings and values (*.csv *.tsv *.txt);;All files (*)"));
  if (!path.isEmpty()) OpenRecording(path);
}

bool TForm1::CanOpenRecording() const {
  // As the start picture: not while measuring.
  return Image2->Enabled() && !(opening_ && opening_->Busy());
}

bool TForm1::OpenRecording(const QString& path) {
  if (!CanOpenRecording()) return false;
  if (!opening_) opening_ = std::make_unique<TRunOpening>(Runs.LimitBytes());
  opening_->Start(path, window_, [this, path](TRunOpening::TResult result) {
    RecordingOpened(path, std::move(result.run), result.error);
  });
  return true;
}

void TForm1::RecordingOpened(const QString& path, std::unique_ptr<TRun> run, const QString& error) {
  if (!run) {
    RunOutsideTheTick([error] { ShowWarningBox(error); });
    return;
  }
  // Measuring that started meanwhile keeps its run the one fed; the file's goes before it.
  const int index = Runs.AddRun(std::move(run), RunCapture.Running());
  if (index < 0) {
    const QString text =
        QCoreApplication::translate("simplescope", "The recording could not be opened.") +
        QLatin1Char('\n') + QFileInfo(path).fileName() + QStringLiteral(": ") +
        TRunOpening::TooBigText(Runs.LimitBytes());
    RunOutsideTheTick([text] { ShowWarningBox(text); });
    return;
  }
  // Measuring keeps the live trace on the screen: the run waits in the list.
  if (OnShowRun && !RunCapture.Running()) OnShowRun(this, index);
}

void TForm1::SetCaption(const QString& caption) {
  caption_ = caption;
  if (window_) window_->setWindowTitle(caption_);
}

void TForm1::BindWindow(QWidget* window) {
  window_ = window;
  if (window_) window_->setWindowTitle(caption_);
}

void TForm1::MeasurementsItemClick(TObject*) {
  if (OnShowMeasurements) OnShowMeasurements(this);
}

void TForm1::CursorAItemClick(TObject*) {
  PlaceCursorWherePointed(TCursorName::A);
}

void TForm1::CursorBItemClick(TObject*) {
  PlaceCursorWherePointed(TCursorName::B);
}

void TForm1::PlaceCursorWherePointed(TCursorName name) {
  // From the menu: where it was opened; by its key: under the pointer.
  const bool atMenu = PopupMenu1->ChosenFromMenu();
  const int x = OnGetPointedSample ? OnGetPointedSample(this, atMenu) : -1;
  if (Reading.PlaceCursor(name, x)) ReadingChanged();
}

void TForm1::ClearCursorsItemClick(TObject*) {
  if (Reading.ClearCursors()) ReadingChanged();
}

void TForm1::MoveCursor(int samples) {
  if (Reading.MoveCursor(samples)) ReadingChanged();
}

void TForm1::StartItemClick(TObject*) {
  Image2->Click();
}

void TForm1::StopItemClick(TObject*) {
  Image3->Click();
}

void TForm1::TimeDirectionItemClick(TObject*) {
  SetNewestAtRight(!NewestAtRight);
}

void TForm1::SetNewestAtRight(bool atRight) {
  if (atRight == NewestAtRight) return;
  NewestAtRight = atRight;
  // The trace's x runs from the newest sample: turned round, the axis puts it at the right.
  if (TCustomChartAxis* axis = Series2->GetHorizAxis()) axis->SetInverted(NewestAtRight);
  if (OnTimeDirectionChanged) OnTimeDirectionChanged(this);
}

void TForm1::RunItemClick(TObject* sender) {
  // Found by its number: a run can have made way for a new one since the menu opened.
  const int number = static_cast<TMenuItem*>(sender)->Tag;
  for (int i = 0; i < Runs.RunCount(); ++i)
    if (Runs.RunAt(i).Number() == number) {
      if (OnShowRun) OnShowRun(this, i);
      return;
    }
}

void TForm1::ReadingChanged() {
  if (OnReadingChanged) OnReadingChanged(this);
}

void TForm1::MeasuringChanged() {
  if (OnMeasuringChanged) OnMeasuringChanged(this);
}

void TForm1::SaveFile(const QString& path, const QByteArray& contents, const QString& what) {
  const TSaveResult saved = SaveFileContents(path, contents);
  if (saved) return;
  const QString reason =
      saved.failure == TSaveFailure::CannotCreate ? kFolderNotWritable : kNotWrittenToTheEnd;
  QString text = what + reason + QLatin1Char('\n') + path;
  if (!saved.systemMessage.isEmpty()) text += QStringLiteral("\n(") + saved.systemMessage + ')';
  ShowWarningBox(text);
}

// ---- Board discovery and report capture ----

QString TForm1::DeviceKey(TCustomHidDevice* device) {
  const THidAttributes identity = device->Identity();
  return FormatHexPair(identity.VendorID, identity.ProductID);
}

void TForm1::AttachDataHandler() {
  BoardDevice->SetOnInputReport(THidDataEvent::Bind<&TForm1::BoardDataHandler>(this));
}

void TForm1::HidCtlDeviceChange(TObject*) {
  // Forget the board and empty the list before giving the devices back, so nothing that
  // runs while a reader stops can reach a device that is being destroyed.
  std::vector<TObject*> held;
  for (int i = 0; i < DevListBox->Items.Count(); ++i) held.push_back(DevListBox->Items.Objects(i));
  BoardDevice = nullptr;
  DevListBox->Items.Clear();
  for (TObject* device : held) delete device;

  TCustomHidDevice* device = nullptr;
  while (HidCtl->ClaimDevice(device)) {
    const QString key = DeviceKey(device);
    const int index = DevListBox->Items.Add(key);
    device->SetInputBufferCount(kBufferCount);
    device->SetReadBufferCount(kBufferCount);
    DevListBox->Items.SetObject(index, device);
    if (key == kBoardKey) {
      BoardDevice = device;
      AttachDataHandler();
    }
  }
}

bool TForm1::HidCtlEnumerate(TCustomHidDevice* hidDev, int idx) {
  const int index = DevListBox->Items.Add(DeviceKey(hidDev));
  TCustomHidDevice* device = nullptr;
  if (HidCtl->ClaimDeviceAt(idx, device)) {
    device->SetInputBufferCount(kBufferCount);
    device->SetReadBufferCount(kBufferCount);
    DevListBox->Items.SetObject(index, device);
  }
  return true;
}

void TForm1::BoardDataHandler(TCustomHidDevice*, uint8_t, const uint8_t* data, uint16_t size) {
  if (Recording) Recording->TakeReport(data, size);
  RunCapture.TakeReport(data, size);
  for (uint16_t i = 0; i < size; ++i) {
    if (Memo1->Lines.Count() >= kByteLogLimit) return;
    Memo1->Lines.Add(FormatHexByteLine(data[i]));
  }
}
