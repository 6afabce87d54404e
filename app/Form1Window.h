#pragma once

#include <QByteArray>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/Form1.h"

class TChart;
class TFastLineSeries;
class QLabel;
class QLineEdit;
class QPushButton;
class QFrame;

// A picture shown unscaled; a click goes to its component, which ignores it while disabled.
// It looks the same enabled or not. It keeps its JPEG file and decodes the rows a paint
// needs: a picture the size of the window would otherwise hold 2 MB of pixels for the few
// times it is drawn (once at first, then where the instructions or "計測中" give way).
class TPictureWidget : public QWidget {
 public:
  TPictureWidget(QWidget* parent, const QByteArray& jpeg);
  std::function<void()> OnClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QByteArray jpeg_;
};

// The main window: an instrument front with the chart on its screen, the start and stop
// pictures, and the instructions that give way to "計測中" while measuring. Its components
// are made in the order of the window's definition and bound to the logic of TForm1.
class TForm1Window : public QWidget {
 public:
  TForm1Window();
  ~TForm1Window() override;

  TForm1& Form() { return *form_; }
  TChart* Chart2() const { return chart2_; }
  QPushButton* Button3() const { return button3_; }
  QFrame* Panel1() const { return panel1_; }
  QLabel* Label1() const { return label1_; }

  // The program's default face: the window's Gothic at 12 pixels, as the window's texts use
  // it. Set before the window is made, it spares the hidden edit box, whose first layout
  // uses the default face before it takes the window's, from loading a face of its own.
  // (Message boxes add the fallback faces for any text they show.)
  static QFont ProgramFont();

  // The JPEG files of the pictures stored with the program (empty for an unknown name).
  static QByteArray PictureFile(const QString& name);

 private:
  TChart* chart2_ = nullptr;
  TFastLineSeries* series2_ = nullptr;
  QPushButton* button3_ = nullptr;
  QFrame* panel1_ = nullptr;
  QLabel* label1_ = nullptr;
  std::unique_ptr<TForm1> form_;
};
