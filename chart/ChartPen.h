#pragma once

#include <functional>

#include "framework/Colors.h"
#include "framework/StoreIfChanged.h"

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

// The pen of every chart element: colour, mode, style and width, plus whether it draws at
// all and whether a thin line sets only every other pixel. Whoever owns the pen hears of
// every change, so a chart can repaint when one of its pens changes.
class TChartPen {
 public:
  using TChanged = std::function<void()>;
  explicit TChartPen(TChanged onChange = {}) : onChange_(std::move(onChange)) {}
  virtual ~TChartPen() = default;
  TChartPen(const TChartPen&) = delete;
  TChartPen& operator=(const TChartPen&) = delete;

  TColor Color() const { return color_; }
  void SetColor(TColor value) { Set(color_, value); }
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode value) { Set(mode_, value); }
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle value) { Set(style_, value); }
  int Width() const { return width_; }
  void SetWidth(int value) { Set(width_, value); }
  bool SmallDots() const { return smallDots_; }
  void SetSmallDots(bool value) { Set(smallDots_, value); }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { Set(visible_, value); }

  // Copies Visible, SmallDots, Color, Mode, Style and Width.
  void Assign(const TChartPen& source);

 private:
  template <typename T>
  void Set(T& field, T value) {
    if (StoreIfChanged(field, value) && onChange_) onChange_();
  }

  TColor color_ = clBlack;
  TPenMode mode_ = pmCopy;
  TPenStyle style_ = psSolid;
  int width_ = 1;
  bool smallDots_ = false;
  bool visible_ = true;
  TChanged onChange_;

 protected:
  // The presets start from other defaults, without telling anyone.
  void InitDefaults(TColor color, TPenStyle style, int width, bool visible) {
    color_ = color;
    style_ = style;
    width_ = width;
    visible_ = visible;
  }
};

class TChartHiddenPen : public TChartPen {
 public:
  explicit TChartHiddenPen(TChanged onChange = {}) : TChartPen(std::move(onChange)) {
    InitDefaults(clBlack, psSolid, 1, false);
  }
};
class TDottedGrayPen : public TChartPen {
 public:
  explicit TDottedGrayPen(TChanged onChange = {}) : TChartPen(std::move(onChange)) {
    InitDefaults(0x808080, psDot, 1, true);
  }
};
class TDarkGrayPen : public TChartPen {
 public:
  explicit TDarkGrayPen(TChanged onChange = {}) : TChartPen(std::move(onChange)) {
    InitDefaults(0x808080, psSolid, 1, true);
  }
};
class TChartAxisPen : public TChartPen {
 public:
  explicit TChartAxisPen(TChanged onChange = {}) : TChartPen(std::move(onChange)) {
    InitDefaults(clBlack, psSolid, 2, true);
  }
};
class TChartArrowPen : public TChartPen {
 public:
  explicit TChartArrowPen(TChanged onChange = {}) : TChartPen(std::move(onChange)) {
    InitDefaults(clWhite, psSolid, 1, true);
  }
};

// A fill: colour and pattern.
struct TChartBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  bool operator==(const TChartBrush&) const = default;
};
