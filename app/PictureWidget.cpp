#include "PictureWidget.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QToolTip>

#include "framework/JpegImage.h"
#include "framework/KeyboardFocus.h"

namespace {

constexpr int kFocusFrameWidth = 2;

QAccessibleInterface* PictureInterface(const QString&, QObject* object) {
  // The picture declares no class of its own to Qt: it is told by what it is. One without a
  // caption (the background) is no button; it stays the plain area it is.
  auto* picture = dynamic_cast<TPictureWidget*>(object);
  if (picture && picture->Caption) return new TPictureAccessible(picture);
  return nullptr;
}

}  // namespace

TPictureWidget::TPictureWidget(QWidget* parent, const QByteArray& jpeg)
    : QWidget(parent), jpeg_(jpeg) {
  resize(JpegSize(jpeg_).expandedTo({0, 0}));
}

QString TPictureWidget::ToolTipText() const {
  const QString caption = Caption ? Caption() : QString();
  if (ShortCut.isEmpty()) return caption;
  return caption + QStringLiteral(" (") +
         QKeySequence::fromString(ShortCut).toString(QKeySequence::NativeText) + QLatin1Char(')');
}

void TPictureWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  DecodeJpegRows(jpeg_, area.top(), area.bottom(),
                 [&](const QImage& band, int top) { painter.drawImage(QPoint(0, top), band); });
  if (focusFrame_) {
    const int half = kFocusFrameWidth / 2;
    painter.setPen(QPen(palette().color(QPalette::Highlight), kFocusFrameWidth));
    painter.drawRect(rect().adjusted(half, half, -half, -half));
  }
}

void TPictureWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
    OnClick();
}

void TPictureWidget::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const bool press = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
  if (!press || event->modifiers() & ~Qt::KeypadModifier) {
    QWidget::keyPressEvent(event);  // on to the window: its shortcuts
    return;
  }
  // A held key is one press.
  if (!event->isAutoRepeat() && OnClick) OnClick();
}

// Only the frame shows the focus: without one, a focus that comes or goes (the window
// activated or left, a click) repaints nothing. Qt's own handlers would repaint the picture.
void TPictureWidget::focusInEvent(QFocusEvent* event) {
  const bool frame = FocusCameFromKeyboard(*this, *event);
  if (frame != focusFrame_) update();
  focusFrame_ = frame;
}

void TPictureWidget::focusOutEvent(QFocusEvent*) {
  if (focusFrame_) update();
  focusFrame_ = false;
}

void TPictureWidget::changeEvent(QEvent* event) {
  // Enabled or not, the picture looks the same (a start disables the start picture); only a
  // focus frame takes the colours of the state. Qt's handler would repaint it all, decoded
  // again; a screen reader is still told.
  if (event->type() == QEvent::EnabledChange && !focusFrame_) {
    if (QAccessible::isActive()) {
      QAccessible::State changed;
      changed.disabled = true;
      QAccessibleStateChangeEvent stateChange(this, changed);
      QAccessible::updateAccessibility(&stateChange);
    }
    return;
  }
  QWidget::changeEvent(event);
}

bool TPictureWidget::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), ToolTipText(), this);
    return true;
  }
  return QWidget::event(event);
}

TPictureAccessible::TPictureAccessible(TPictureWidget* picture)
    : QAccessibleWidget(picture, QAccessible::Button) {}

QString TPictureAccessible::text(QAccessible::Text kind) const {
  if (kind == QAccessible::Name && Picture()->Caption) return Picture()->Caption();
  if (kind == QAccessible::Accelerator) return Picture()->ShortCut;
  return QAccessibleWidget::text(kind);
}

QAccessible::State TPictureAccessible::state() const {
  QAccessible::State state = QAccessibleWidget::state();
  if (Picture()->Actionable && !Picture()->Actionable()) state.disabled = true;
  return state;
}

QStringList TPictureAccessible::actionNames() const {
  return QStringList(pressAction()) + QAccessibleWidget::actionNames();
}

void TPictureAccessible::doAction(const QString& action) {
  if (action == pressAction()) {
    // After the call has returned, as a button's own press does: the click may open a
    // modal box, and the screen reader asking would wait for it to close.
    QPointer<TPictureWidget> picture = Picture();
    QMetaObject::invokeMethod(
        picture,
        [picture] {
          if (picture && picture->OnClick) picture->OnClick();
        },
        Qt::QueuedConnection);
    return;
  }
  QAccessibleWidget::doAction(action);
}

QStringList TPictureAccessible::keyBindingsForAction(const QString& action) const {
  if (action == pressAction() && !Picture()->ShortCut.isEmpty()) return {Picture()->ShortCut};
  return QAccessibleWidget::keyBindingsForAction(action);
}

void InstallPictureAccessibility() {
  static const bool installed = (QAccessible::installFactory(&PictureInterface), true);
  (void)installed;
}
