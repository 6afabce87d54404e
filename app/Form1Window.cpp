#include "Form1Window.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QResource>
#include <QScreen>
#include <algorithm>

#include "app/ChartSettings.h"
#include "app/RunViewer.h"
#include "app/TraceListening.h"
#include "app/TraceReadout.h"
#include "framework/FontSubstitution.h"
#include "framework/ScreenPlacement.h"
#include "framework/Translations.h"
#include "hid/HidDeviceController.h"

namespace {

constexpr int kClientWidth = 744;
constexpr int kClientHeight = 662;
const QString kGothic = QStringLiteral("ＭＳ Ｐゴシック");

// The window's own texts, all in the Gothic face.
const QString kMeasuring = QStringLiteral("計測中");
const QString kEdit1 = QStringLiteral("8D");
const QString kButton3 = QStringLiteral("サイン波");
const QString kInstructions[] = {QStringLiteral("簡易オシロ実験ボードがパソコン、教材キット"),
                                 QStringLiteral("に正しく接続されているのを確認した後、"),
                                 QStringLiteral("開始ボタンを押して計測開始して下さい。")};
const QString kPlus = QStringLiteral("+");
const QString kMinus = QStringLiteral("-");

// Whether the Gothic face has every character of the window's texts. Then the texts need no
// other face, and the fonts are made without fallbacks: looking the fallbacks up (a font
// sort per script: Han, Hiragana, Katakana, Common) is a tenth of the work before the
// first paint. A face that lacks one keeps them, so the text shows as it did.
// The installed face that stands for the Gothic: asked for by that name, Qt finds it without
// a fontconfig sort of every face.
const QString& GothicFamily() {
  static const QString family = InstalledFamily(kGothic);
  return family;
}

bool GothicHasEveryCharacter() {
  static const bool covered = [] {
    QFont font(GothicFamily());
    font.setPixelSize(16);
    font.setStyleStrategy(QFont::NoFontMerging);
    const QFontMetrics metrics(font);
    QString all = kMeasuring + kEdit1 + kButton3 + kPlus + kMinus;
    for (const QString& line : kInstructions) all += line;
    for (char32_t character : all.toUcs4())
      if (!metrics.inFontUcs4(character)) return false;
    return true;
  }();
  return covered;
}

QFont Gothic(int pixels) {
  QFont font(GothicFamily());
  font.setPixelSize(pixels);
  if (GothicHasEveryCharacter()) font.setStyleStrategy(QFont::NoFontMerging);
  return font;
}

}  // namespace

QFont TForm1Window::ProgramFont() {
  return Gothic(12);
}

namespace {

// A label widens to hold its whole text: a line wider in our face than the window's
// definition makes room for would lose its last characters. Its height stays, so the line
// stays where it is.
QLabel* MakeLabel(QWidget* parent, const QString& caption, QRect geometry, int pixels) {
  auto* label = new QLabel(caption, parent);
  label->setFont(Gothic(pixels));
  geometry.setWidth(std::max(geometry.width(), label->sizeHint().width()));
  label->setGeometry(geometry);
  label->setAttribute(Qt::WA_TranslucentBackground);  // transparent over what is below
  return label;
}

// "+" and "-" marks: white on black, centred in their little panels.
QLabel* MakeMark(QWidget* parent, const QString& caption, QRect geometry) {
  auto* mark = new QLabel(caption, parent);
  mark->setGeometry(geometry);
  mark->setAlignment(Qt::AlignCenter);
  mark->setFont(Gothic(27));
  mark->setAutoFillBackground(true);
  QPalette palette = mark->palette();
  palette.setColor(QPalette::Window, Qt::black);
  palette.setColor(QPalette::WindowText, Qt::white);
  mark->setPalette(palette);
  return mark;
}

// "計測中" lies under the instructions' panel while they show: hidden then, so that what a
// screen reader is told shows is what the eye sees. The stop picture, which does nothing
// while idle, is told to be so too.
class TCoveredLabel : public QObject {
 public:
  TCoveredLabel(QWidget* panel, QLabel* label, QWidget* stop)
      : QObject(panel), panel_(panel), label_(label), stop_(stop) {
    label_->setVisible(panel_->isHidden());
    panel_->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    // Its own showing and hiding, not the window's.
    if (event->type() != QEvent::ShowToParent && event->type() != QEvent::HideToParent)
      return false;
    if (!label_ || !stop_) return false;  // the window is going
    label_->setVisible(event->type() == QEvent::HideToParent);
    if (QAccessible::isActive()) {
      QAccessible::State changed;
      changed.disabled = true;
      QAccessibleStateChangeEvent stateChange(stop_, changed);
      QAccessible::updateAccessibility(&stateChange);
    }
    return false;
  }

 private:
  QWidget* panel_;
  QPointer<QLabel> label_;
  QPointer<QWidget> stop_;
};

// The one local file a drag brings, or an empty text.
QString DroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().size() != 1) return QString();
  const QUrl url = data->urls().constFirst();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

QString Tr(const char* text) {
  InstallTranslations(QStringLiteral("simplescope"));
  return QCoreApplication::translate("simplescope", text);
}

}  // namespace

// The pictures are compiled into this library; a static library must register them itself.
static void RegisterPictures() {
  Q_INIT_RESOURCE(pictures);
}

QByteArray TForm1Window::PictureFile(const QString& name) {
  static const bool registered = (RegisterPictures(), true);
  (void)registered;
  const QResource resource(QStringLiteral(":/pictures/") + name);
  if (!resource.isValid()) return {};
  // Stored as they are, the files are read in place, from the program's own image.
  if (resource.compressionAlgorithm() == QResource::NoCompression)
    return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()),
                                   static_cast<qsizetype>(resource.size()));
  return resource.uncompressedData();
}

TForm1Window::TForm1Window() {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  setFont(Gothic(12));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  setPalette(palette);
  setAutoFillBackground(true);

  // In the order of the window's definition: later siblings lie above earlier ones, so the
  // pictures and "計測中" lie beneath every control made after them.
  auto* image1 = new TPictureWidget(this, PictureFile(QStringLiteral("background.jpg")));
  image1->move(0, 0);
  auto* image2 = image2_ = new TPictureWidget(this, PictureFile(QStringLiteral("start.jpg")));
  image2->move(400, 488);
  image2->setCursor(Qt::PointingHandCursor);
  auto* image3 = image3_ = new TPictureWidget(this, PictureFile(QStringLiteral("stop.jpg")));
  image3->move(552, 488);
  image3->setCursor(Qt::PointingHandCursor);
  label1_ = MakeLabel(this, kMeasuring, {120, 520, 159, 53}, 53);
  label1_->resize(label1_->sizeHint().expandedTo(QSize(159, 53)));
  auto* edit1 = new QLineEdit(kEdit1, this);
  edit1->setGeometry(456, 8, 65, 20);
  edit1->hide();
  // Never shown, so never to be reached: a screen reader lists no unnamed field.
  edit1->setFocusPolicy(Qt::NoFocus);
  chart2_ = new TChart(this);
  chart2_->setGeometry(64, 136, 617, 281);
  series2_ = new TFastLineSeries(chart2_);
  ApplyOscilloscopeChartSettings(*chart2_, *series2_);
  button3_ = new QPushButton(kButton3, this);
  button3_->setGeometry(872, 248, 75, 25);  // beyond the client area: keyboard only
  panel1_ = new QFrame(this);
  panel1_->setGeometry(56, 478, 315, 131);
  panel1_->setAutoFillBackground(true);
  QPalette silver = panel1_->palette();
  silver.setColor(QPalette::Window, QColor(192, 192, 192));
  panel1_->setPalette(silver);
  MakeLabel(panel1_, kInstructions[0], {8, 16, 300, 16}, 16);
  MakeLabel(panel1_, kInstructions[1], {8, 50, 257, 16}, 16);
  MakeLabel(panel1_, kInstructions[2], {8, 83, 273, 16}, 16);
  QLabel* plus = MakeMark(this, kPlus, {72, 144, 25, 33});
  QLabel* minus = MakeMark(this, kMinus, {72, 368, 25, 33});
  // Tab goes from the pictures to the chart, then to the hidden button as before.
  image2->setFocusPolicy(Qt::TabFocus);
  image3->setFocusPolicy(Qt::TabFocus);
  chart2_->setFocusPolicy(Qt::StrongFocus);
  setTabOrder(image2, image3);
  setTabOrder(image3, chart2_);
  setTabOrder(chart2_, button3_);
  // Focus starts with the window itself, so the first Tab comes to the start picture and
  // shows it there.
  setFocusPolicy(Qt::ClickFocus);
  setFocus();
  setAcceptDrops(true);

  auto* hidCtl = new THidDeviceController(nullptr);
  // The window reads and writes the board alone: where a handle with access rights would
  // stand in another program's way (Windows), the machine's other HID interfaces are listed
  // without being held.
  hidCtl->SetUsedDevices({TForm1::kBoardKind});
  form_ = std::make_unique<TForm1>(hidCtl, series2_);
  form_->BindWindow(this);
  form_->Image1->BindWidget(image1);
  form_->Image2->BindWidget(image2);
  form_->Image3->BindWidget(image3);
  form_->Label1->BindWidget(label1_);
  form_->Panel1->BindWidget(panel1_);
  form_->Button3->BindWidget(button3_);
  // The chart's menu is only watched for here; it is made when it first opens.
  form_->PopupMenu1->BindWidget(chart2_);
  image2->OnClick = [this] { form_->Image2->Click(); };
  image3->OnClick = [this] { form_->Image3->Click(); };
  image2->Caption = [] { return Tr(QT_TRANSLATE_NOOP("simplescope", "Start")); };
  image3->Caption = [] { return Tr(QT_TRANSLATE_NOOP("simplescope", "Stop")); };
  image2->ShortCut = form_->StartItem->ShortCut;
  image3->ShortCut = form_->StopItem->ShortCut;
  // The stop picture's click does something while measuring, when the start picture's
  // doesn't: the state both pictures carry.
  image3->Actionable = [this] { return form_ && !form_->Image2->Enabled(); };
  InstallPictureAccessibility();
  new TCoveredLabel(panel1_, label1_, image3);
  readout_ = std::make_unique<TTraceReadout>(*form_, *chart2_, *this);
  listening_ = std::make_unique<TTraceListening>(*form_, *this);
  viewer_ = std::make_unique<TRunViewer>(*form_, *chart2_, *this, *readout_,
                                         std::vector<QWidget*>{plus, minus});
  readout_->TakeArrowsFrom(button3_);
  QObject::connect(button3_, &QPushButton::clicked, [this] { form_->Button3->Click(); });

  // In the middle of the screen, and on a screen too small for it, with its caption on it.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(KeepOnScreen(rect().translated(area.center() - rect().center()), area));
  }
}

TForm1Window::~TForm1Window() = default;

// Qt's own handlers repaint the whole window, which decodes every picture again.
void TForm1Window::focusInEvent(QFocusEvent*) {}

void TForm1Window::focusOutEvent(QFocusEvent*) {}

void TForm1Window::closeEvent(QCloseEvent* event) {
  if (form_->FormCloseQuery(form_.get()))
    event->accept();
  else
    event->ignore();
}

void TForm1Window::dragEnterEvent(QDragEnterEvent* event) {
  if (form_->CanOpenRecording() && !DroppedFile(event->mimeData()).isEmpty())
    event->acceptProposedAction();
  else
    event->ignore();
}

void TForm1Window::dragMoveEvent(QDragMoveEvent* event) {
  if (form_->CanOpenRecording())
    event->acceptProposedAction();
  else
    event->ignore();
}

void TForm1Window::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty() || !form_->OpenRecording(path)) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}
