#include "Dialogs.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <exception>

#include "Exceptions.h"

namespace {

TMessageBoxHook& Hook() {
  static TMessageBoxHook hook;
  return hook;
}

TNoticeHook& NoticeHook() {
  static TNoticeHook hook;
  return hook;
}

QString& ErrorBoxCaption() {
  static QString caption;
  return caption;
}

// A message box that places itself in the middle of the screen, not of whatever window
// happens to be active.
class TScreenCentredBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect area = screen->availableGeometry();
      move(area.center() - rect().center());
    }
  }
};

void ShowBox(TBoxKind kind, const QString& caption, const QString& text) {
  if (Hook()) {
    Hook()(kind, text);
    return;
  }
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  TScreenCentredBox box(kind == TBoxKind::Warning ? QMessageBox::Warning : QMessageBox::Critical,
                        caption, text, QMessageBox::NoButton);
  // A box shows any text (a system's error, a device's name): whatever the program's default
  // face leaves out, characters it lacks come from other faces.
  QFont font = box.font();
  font.setStyleStrategy(QFont::PreferDefault);
  box.setFont(font);
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
}

}  // namespace

void ShowWarningBox(const QString& text) {
  ShowBox(TBoxKind::Warning, QStringLiteral("警告"), text);
}

void ReportCurrentException() {
  QString message;
  try {
    throw;
  } catch (const Exception& e) {
    message = e.Message();
  } catch (const std::exception& e) {
    message = QString::fromUtf8(e.what());
  } catch (...) {
    message = QStringLiteral("不明なエラーが発生しました。");
  }
  const QString& caption = ErrorBoxCaption();
  ShowBox(TBoxKind::Error, caption.isEmpty() ? QGuiApplication::applicationDisplayName() : caption,
          message);
}

void SetErrorBoxCaption(const QString& caption) {
  ErrorBoxCaption() = caption;
}

void SetMessageBoxHook(TMessageBoxHook hook) {
  Hook() = std::move(hook);
}

TBusyNotice::TBusyNotice(const QString& text) {
  if (NoticeHook()) {
    NoticeHook()(text);
    return;
  }
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  auto* label = new QLabel(text);
  widget_.reset(label);
  label->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  label->setWindowTitle(ErrorBoxCaption().isEmpty() ? QGuiApplication::applicationDisplayName()
                                                    : ErrorBoxCaption());
  QFont font = label->font();
  font.setStyleStrategy(QFont::PreferDefault);
  label->setFont(font);
  label->setMargin(16);
  label->adjustSize();
  if (QScreen* screen = QGuiApplication::primaryScreen())
    label->move(screen->availableGeometry().center() - label->rect().center());
  label->show();
}

TBusyNotice::~TBusyNotice() {
  if (!widget_ && NoticeHook()) NoticeHook()(QString());
}

void SetNoticeHook(TNoticeHook hook) {
  NoticeHook() = std::move(hook);
}
