#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "app/TraceFigures.h"

enum class TCursorName { A, B };

// What a user reads off the trace: the figures of the values shown and two cursors. A cursor
// marks a place on the screen (an x of the trace), as on an instrument: the trace scrolls
// under it and it keeps its sample number. Plain logic; the window shows it.
class TTraceReading {
 public:
  TTraceFigures Figures;
  // The places on the screen a cursor can mark: x 0 to Places - 1.
  int Places = 200;
  // How far the values moved along x when the figures last changed: the number of new values
  // put in front of those shown before; -1 when they are new altogether (a start, the sine).
  int Moved = -1;

  std::optional<int> Cursor(TCursorName name) const { return name == TCursorName::A ? a_ : b_; }
  bool AnyCursor() const { return a_ || b_; }
  bool BothCursors() const { return a_ && b_; }
  // The cursor the arrows move: the one placed last.
  TCursorName LastPlaced() const { return last_; }
  // Places a cursor at x, which must hold a value, and makes it the one MoveCursor moves.
  // False when nothing changed.
  bool PlaceCursor(TCursorName name, int x);
  // Moves the cursor placed last by `by` samples along x: within the values shown, or, from a
  // place beyond them, within the screen.
  bool MoveCursor(int by);
  bool ClearCursors();

  // What the figures cover: between the cursors (either order) when both are set, as far as
  // the values reach, else every value shown.
  struct TSpan {
    int First = 0;
    int Last = -1;
    bool BetweenCursors = false;
  };
  TSpan Span() const;
  const TTraceFigureSet& SpanFigures() const { return Figures.Between(Span().First, Span().Last); }

  // Both cursors on values: their sample numbers and the differences B - A.
  struct TDeltas {
    int SampleA = 0;
    int SampleB = 0;
    int Samples = 0;
    double Volts = 0;
  };
  std::optional<TDeltas> Deltas() const;

  // The measurements as a table: a header "quantity<sep>value", then one row per quantity,
  // with keys and number formats that don't depend on the language (a point as the decimal
  // separator, up to six decimals, no grouping); lines end in CR LF. Nothing before the first
  // values.
  QString Table(QChar separator) const;

 private:
  std::optional<int> a_;
  std::optional<int> b_;
  TCursorName last_ = TCursorName::A;
};

// A number as the table writes it: up to six decimals, without trailing zeros.
QString TableNumber(double value);
