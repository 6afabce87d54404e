#include "TraceListening.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>

#include "app/Form1.h"
#include "app/TraceRows.h"
#include "framework/Dialogs.h"
#include "framework/FileSaving.h"
#include "framework/Translations.h"
#include "sound/WavFile.h"

namespace {

const QString kNoSoundDevice = QStringLiteral("音を出す装置が見つかりません。");
const QString kSoundDeviceBusy = QStringLiteral(
    "音を出す装置が他のプログラムに使われています。そのプログラムを終了してください。");
const QString kSoundFailed = QStringLiteral("音を出せませんでした。");
const QString kSoundNotSaved = QStringLiteral("音を保存できませんでした。");
const QString kFolderNotWritable = QStringLiteral("保存先のフォルダーに書き込めません。");
const QString kNotWrittenToTheEnd =
    QStringLiteral("ファイルを最後まで書き込めませんでした。ディスクの空きを確認してください。");

QString Tr(const char* text) {
  InstallTranslations(QStringLiteral("simplescope"));
  return QCoreApplication::translate("simplescope", text);
}

}  // namespace

TTraceListening::TTraceListening(TForm1& form, QWidget& window) : form_(form), window_(window) {
  TPopupMenu& menu = *form_.PopupMenu1;
  formPopup_ = menu.OnPopup;
  menu.OnPopup = TNotifyEvent::Bind<&TTraceListening::MenuPopup>(this);
  menu.Add(TMenuItem::kSeparator, QString(), {});
  playItem_ = menu.Add(QString(), QStringLiteral("P"),
                       TNotifyEvent::Bind<&TTraceListening::PlayItemClick>(this));
  slowerItem_ = menu.Add(QString(), QStringLiteral("["),
                         TNotifyEvent::Bind<&TTraceListening::SlowerItemClick>(this));
  fasterItem_ = menu.Add(QString(), QStringLiteral("]"),
                         TNotifyEvent::Bind<&TTraceListening::FasterItemClick>(this));
  liveItem_ = menu.Add(QString(), QStringLiteral("L"),
                       TNotifyEvent::Bind<&TTraceListening::LiveItemClick>(this));
  saveItem_ = menu.Add(QString(), QStringLiteral("Shift+P"),
                       TNotifyEvent::Bind<&TTraceListening::SaveSoundItemClick>(this));
  // Esc stops the sound before it reaches the menu's own Esc (filters run last-installed
  // first).
  window_.installEventFilter(this);
}

TTraceListening::~TTraceListening() {
  window_.removeEventFilter(this);
  form_.OnBlockShown = {};
  // Joins the player's thread, which never waits on this one.
  output_.reset();
}

TSoundOutput& TTraceListening::Output() {
  if (!output_)
    output_ = std::make_unique<TSoundOutput>(
        [this](const TSoundOutput::TEvent& event) {
          // Posted, never waited for: the main thread joins the player when it stops.
          QMetaObject::invokeMethod(
              this, [this, event] { SoundEvent(event); }, Qt::QueuedConnection);
        },
        opener_);
  return *output_;
}

void TTraceListening::MenuPopup(TObject* sender) {
  if (formPopup_) formPopup_(sender);
  playItem_->Caption = Playing() ? Tr(QT_TRANSLATE_NOOP("simplescope", "Stop sound"))
                                 : Tr(QT_TRANSLATE_NOOP("simplescope", "Listen"));
  slowerItem_->Caption = Tr(QT_TRANSLATE_NOOP("simplescope", "Slower"));
  fasterItem_->Caption = Tr(QT_TRANSLATE_NOOP("simplescope", "Faster"));
  liveItem_->Caption = Live() ? Tr(QT_TRANSLATE_NOOP("simplescope", "Stop live sound"))
                              : Tr(QT_TRANSLATE_NOOP("simplescope", "Live sound"));
  saveItem_->Caption = Tr(QT_TRANSLATE_NOOP("simplescope", "Save sound…"));
  const bool traceShown = form_.Reading.Figures.Count() > 0;
  playItem_->Enabled = traceShown || Playing();
  saveItem_->Enabled = traceShown;
  slowerItem_->Enabled = seconds_ < TraceSound::kLongestSeconds;
  fasterItem_->Enabled = seconds_ > TraceSound::kShortestSeconds;
  // Live sound follows the board's blocks: while measuring, or to be switched off.
  liveItem_->Enabled = form_.Timer1->Enabled() || Live();
}

TraceSound::TRequest TTraceListening::TraceNow() const {
  const TTraceReading& reading = form_.Reading;
  const TTraceReading::TSpan span = reading.Span();
  TraceSound::TRequest request;
  request.seconds = seconds_;
  // A view of a run hides the live trace and its cursors: the view is what is shown.
  if (form_.ViewedTrace) {
    request.volts = form_.ViewedTrace();
    return request;
  }
  // Left to right as the screen shows it: x from 0, or from the far end when the newest
  // sample is at the right.
  const bool rightToLeft = form_.NewestAtRight;
  for (int i = 0; i <= span.Last - span.First; ++i)
    request.volts.push_back(reading.Figures.ValueAt(rightToLeft ? span.Last - i : span.First + i));
  const auto place = [&](int x) { return rightToLeft ? span.Last - x : x - span.First; };
  if (const auto a = reading.Cursor(TCursorName::A)) request.cursorA = place(*a);
  if (const auto b = reading.Cursor(TCursorName::B)) request.cursorB = place(*b);
  return request;
}

void TTraceListening::PlayItemClick(TObject*) {
  if (Playing()) {
    StopSound();
    return;
  }
  TraceSound::TRequest request = TraceNow();
  if (request.volts.empty()) return;
  live_ = false;
  form_.OnBlockShown = {};
  playing_ = Output().PlayTrace(std::move(request));
  Announce(Tr(QT_TRANSLATE_NOOP("simplescope", "Playing the trace, %1 s"))
               .arg(QLocale().toString(seconds_)));
}

void TTraceListening::StopSound() {
  const bool wasSounding = Playing() || Live();
  playing_ = 0;
  live_ = false;
  liveStream_ = 0;
  form_.OnBlockShown = {};
  if (output_) output_->Stop();
  if (wasSounding) Announce(Tr(QT_TRANSLATE_NOOP("simplescope", "Sound stopped")));
}

void TTraceListening::SlowerItemClick(TObject*) {
  seconds_ = std::min(seconds_ + 1, TraceSound::kLongestSeconds);
  Announce(
      Tr(QT_TRANSLATE_NOOP("simplescope", "Sound length %1 s")).arg(QLocale().toString(seconds_)));
}

void TTraceListening::FasterItemClick(TObject*) {
  seconds_ = std::max(seconds_ - 1, TraceSound::kShortestSeconds);
  Announce(
      Tr(QT_TRANSLATE_NOOP("simplescope", "Sound length %1 s")).arg(QLocale().toString(seconds_)));
}

void TTraceListening::LiveItemClick(TObject*) {
  if (Live()) {
    StopSound();
    return;
  }
  if (!form_.Timer1->Enabled()) return;
  playing_ = 0;
  if (output_) output_->Stop();
  // The first block starts the stream; until it comes the player isn't asked for anything.
  live_ = true;
  liveStream_ = 0;
  form_.OnBlockShown =
      TEvent<void(TObject*, const TLoggedBlock&)>::Bind<&TTraceListening::BlockShown>(this);
  Announce(Tr(QT_TRANSLATE_NOOP("simplescope", "Live sound on")));
}

void TTraceListening::BlockShown(TObject*, const TLoggedBlock& block) {
  if (!Live() || block.Count == 0) return;
  std::vector<double> volts(static_cast<std::size_t>(block.Count));
  for (int k = 0; k < block.Count; ++k) volts[k] = BoardProtocol::VoltsFromRaw(block.Raw[k]);
  liveStream_ = Output().StreamValues(std::move(volts));
}

void TTraceListening::SoundEvent(const TSoundOutput::TEvent& event) {
  // Reports of a sound stopped or replaced since are old news.
  if (event.play != playing_ && event.play != liveStream_) return;
  playing_ = 0;
  if (event.play == liveStream_) {
    live_ = false;
    liveStream_ = 0;
    form_.OnBlockShown = {};
  }
  if (event.kind == TSoundOutput::TEvent::TKind::Finished) {
    Announce(Tr(QT_TRANSLATE_NOOP("simplescope", "Sound ended")));
    return;
  }
  const QString what = event.errorKind == TSoundErrorKind::NoDevice ? kNoSoundDevice
                       : event.errorKind == TSoundErrorKind::Busy   ? kSoundDeviceBusy
                                                                    : kSoundFailed;
  ShowWarningBox(what + QStringLiteral("\n(") + QString::fromStdString(event.message) + ')');
}

void TTraceListening::SaveSoundItemClick(TObject*) {
  const TraceSound::TRequest request = TraceNow();
  if (request.volts.empty()) return;
  // The sound of the trace at the moment of the choice, as P would have played it.
  const std::vector<std::int16_t> sound = TraceSound::Render(request);
  const std::vector<std::uint8_t> bytes = WavFile::Bytes(sound);
  const QString path = AskSaveFileName(
      Tr(QT_TRANSLATE_NOOP("simplescope", "Save sound")), TStandardFolder::Documents,
      TraceFileName(QDateTime::currentDateTime(), QStringLiteral("wav")),
      Tr(QT_TRANSLATE_NOOP("simplescope", "WAV sound (*.wav)")), QStringLiteral("wav"));
  if (path.isEmpty()) return;
  const TSaveResult saved =
      SaveFileContents(path, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                        static_cast<qsizetype>(bytes.size())));
  if (saved) return;
  QString text =
      kSoundNotSaved +
      (saved.failure == TSaveFailure::CannotCreate ? kFolderNotWritable : kNotWrittenToTheEnd) +
      QLatin1Char('\n') + path;
  if (!saved.systemMessage.isEmpty()) text += QStringLiteral("\n(") + saved.systemMessage + ')';
  ShowWarningBox(text);
}

void TTraceListening::Announce(const QString& text) {
  // The window's description changes, and a screen reader that listens hears it.
  window_.setAccessibleDescription(text);
}

QString TTraceListening::Announcement() const {
  return window_.accessibleDescription();
}

bool TTraceListening::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &window_ || event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_Escape || (!Playing() && !Live())) return false;
  StopSound();
  return true;
}
