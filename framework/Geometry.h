#pragma once

// A rectangle of pixels with the right and bottom edges outside it, as every drawing call
// of the chart takes them: (0, 0, 3, 2) covers columns 0..2 and rows 0..1.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TRect&) const = default;
};

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};
