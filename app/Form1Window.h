#pragma once

#include <QByteArray>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/Form1.h"
#include "app/PictureWidget.h"

class TChart;
class TTraceReadout;
class TTraceListening;
class TRunViewer;
class TFastLineSeries;
class QLabel;
class QLineEdit;
class QPushButton;
class QFrame;

// The main window: an instrument front with the chart on its screen, the start and stop
// pictures, and the instructions that give way to "計測中" while measuring. Its components
// are made in the order of the window's definition and bound to the logic of TForm1. The
// keyboard reaches the pictures and the chart (Tab, Space or Enter, F5 and F6), and a screen
// reader hears them named, and "計測中" only while it shows.
class TForm1Window : public QWidget {
 public:
  TForm1Window();
  ~TForm1Window() override;

  TForm1& Form() { return *form_; }
  TChart* Chart2() const { return chart2_; }
  QPushButton* Button3() const { return button3_; }
  QFrame* Panel1() const { return panel1_; }
  QLabel* Label1() const { return label1_; }
  TPictureWidget* StartPicture() const { return image2_; }
  TPictureWidget* StopPicture() const { return image3_; }
  TTraceReadout& Readout() { return *readout_; }
  TTraceListening& Listening() { return *listening_; }
  TRunViewer& Viewer() { return *viewer_; }

  // The program's default face: the window's Gothic at 12 pixels, as the window's texts use
  // it. Set before the window is made, it spares the hidden edit box, whose first layout
  // uses the default face before it takes the window's, from loading a face of its own.
  // (Message boxes add the fallback faces for any text they show.)
  static QFont ProgramFont();

  // The JPEG files of the pictures stored with the program (empty for an unknown name).
  static QByteArray PictureFile(const QString& name);

 protected:
  // Nothing the window draws shows its focus: a window that gains or loses it (a click, the
  // measurements window, a dialog) has nothing to repaint, least of all the pictures.
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  // A recording's last rows are written before the window goes (TForm1::FormCloseQuery).
  void closeEvent(QCloseEvent* event) override;
  // A file dropped on the window opens as a run (TForm1::OpenRecording); refused while
  // measuring, and for anything but one local file.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  TChart* chart2_ = nullptr;
  TFastLineSeries* series2_ = nullptr;
  QPushButton* button3_ = nullptr;
  QFrame* panel1_ = nullptr;
  QLabel* label1_ = nullptr;
  TPictureWidget* image2_ = nullptr;
  TPictureWidget* image3_ = nullptr;
  std::unique_ptr<TForm1> form_;
  std::unique_ptr<TTraceReadout> readout_;      // goes before the logic it reads
  std::unique_ptr<TTraceListening> listening_;  // and so does the sound
  std::unique_ptr<TRunViewer> viewer_;          // and the view over a run
};
