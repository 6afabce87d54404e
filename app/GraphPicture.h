#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QRectF>
#include <QSize>
#include <QString>
#include <cstdint>
#include <vector>

#include "app/TraceFigures.h"

class QPainter;
class TRun;
class TTraceReading;
class TVoltsHistory;

// One point of the trace in a picture: a single sample, or the samples of one pixel column
// (their lowest and highest value).
struct TGraphPoint {
  uint64_t First = 0;  // the sample numbers it covers, [First, End)
  uint64_t End = 0;
  double Low = 0;  // volts
  double High = 0;
  bool GapBefore = false;  // the line from the point before it is broken
  double Seconds = 0;      // when its first sample came, from the start of the run
  bool HasSeconds = false;
};

// What a picture of the chart shows, as plain values taken at one moment, so that the same
// content always gives the same picture (and a run that loses samples while a dialog is open
// changes nothing in it).
struct TGraphContent {
  QDateTime Taken;  // shown as the picture's date and time
  QString Title;    // what was measured ("Run 2"); may be empty
  // The stretch shown: sample numbers [FirstSample, EndSample), oldest first.
  uint64_t FirstSample = 0;
  uint64_t EndSample = 0;
  // Oldest first, in sample order; a stretch with samples left out has gaps there.
  std::vector<TGraphPoint> Points;
  TTraceFigureSet Figures;
  QString FiguresCaption;  // what the figures cover, as the measurements window says it

  bool Empty() const { return Points.empty(); }
  bool HasSeconds() const;
  // The time of a sample number, from the points around it; false where it isn't known.
  bool SecondsAt(double sample, double& seconds) const;
};

// How a picture is drawn: its size in pixels and where the newest sample goes.
struct TGraphPictureOptions {
  QSize Size{1200, 700};
  bool NewestAtRight = false;
};

// Where things go in a picture of a content: the trace's rectangle and both scales.
struct TGraphLayout {
  QRectF Plot;
  double VoltsLow = -1;  // the bottom and top of the plot
  double VoltsHigh = 1;
  double VoltsStep = 0.5;  // between two labelled lines
  uint64_t FirstSample = 0;
  uint64_t EndSample = 0;
  uint64_t SampleStep = 1;
  bool NewestAtRight = false;

  // The centre of a sample's place along the plot (fractional samples between).
  double XOfSample(double sample) const;
  double YOfVolts(double volts) const;
};

// The picture: the trace in dark blue on white over a light grid, volts labelled on the left,
// sample numbers (and under them the seconds, where known) along the bottom; above it the
// program's name, the date and time and the stretch, and beside it the figures.
class TGraphPicture {
 public:
  // The pixel columns of the plot in a picture of these options: how many points a long
  // stretch is worth drawing.
  static int PlotColumns(const TGraphPictureOptions& options);
  static TGraphLayout Layout(const TGraphContent& content, const TGraphPictureOptions& options);
  // Onto any device of options.Size (an image, an SVG generator).
  static void Draw(QPainter& painter, const TGraphContent& content,
                   const TGraphPictureOptions& options);
  static QByteArray Png(const TGraphContent& content, const TGraphPictureOptions& options);
  // Whether this build writes SVG (Qt SVG is there where it was built).
  static bool SvgAvailable();
  // Qt's own SVG generator, titled with the program's name; empty without it.
  static QByteArray Svg(const TGraphContent& content, const TGraphPictureOptions& options);
};

// The values the trace shows (newest first, as the window keeps them), numbered as the copied
// table numbers them (0 the oldest), with the figures the reading gives over its span and that
// span's caption. No seconds: the history keeps no times.
TGraphContent GraphContentOfValues(const TVoltsHistory& values, const TTraceReading& reading,
                                   const QDateTime& taken);

// The kept samples of [first, end) of a run: one point per sample where they fit in
// `columns`, else one per column (TRun::Columns); the seconds from the blocks' times, the
// gaps, and the figures over every kept sample of the stretch.
TGraphContent GraphContentOfRun(const TRun& run, uint64_t first, uint64_t end, int columns,
                                const QDateTime& taken);
