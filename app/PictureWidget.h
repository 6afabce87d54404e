#pragma once

#include <QAccessibleWidget>
#include <QByteArray>
#include <QString>
#include <QWidget>
#include <functional>

// A picture shown unscaled that works as a button: a click, or Space or Enter while it has
// the keyboard focus, goes to OnClick, whose component ignores it while disabled. It looks the
// same enabled or not; a frame shows the focus when it came by the keyboard. It keeps its
// JPEG file and decodes the rows a paint needs: a picture the size of the window would
// otherwise hold 2 MB of pixels for the few times it is drawn (once at first, then where the
// instructions or "計測中" give way).
class TPictureWidget : public QWidget {
 public:
  TPictureWidget(QWidget* parent, const QByteArray& jpeg);
  std::function<void()> OnClick;
  // What the picture says (its name for a screen reader, and its tooltip with the shortcut),
  // asked for when wanted: the texts are translated then.
  std::function<QString()> Caption;
  QString ShortCut;  // Qt's portable key name, "F5"
  // Whether a click does anything now; a screen reader hears it as disabled when not.
  std::function<bool()> Actionable;

  bool ShowsFocusFrame() const { return focusFrame_; }
  // The tooltip's text: the caption with the shortcut.
  QString ToolTipText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QByteArray jpeg_;
  bool focusFrame_ = false;
};

// A picture as assistive technology sees it: a push button named by its caption, with a
// press action that clicks it and the shortcut that does the same.
class TPictureAccessible : public QAccessibleWidget {
 public:
  explicit TPictureAccessible(TPictureWidget* picture);
  QString text(QAccessible::Text kind) const override;
  QAccessible::State state() const override;
  QStringList actionNames() const override;
  void doAction(const QString& action) override;
  QStringList keyBindingsForAction(const QString& action) const override;

 private:
  TPictureWidget* Picture() const { return static_cast<TPictureWidget*>(widget()); }
};

// Lets every picture with a caption answer with a TPictureAccessible; once is enough.
void InstallPictureAccessibility();
