#pragma once

#include <functional>

#include "framework/StoreIfChanged.h"

// The chart's 3D settings. The oscilloscope's chart is flat, so they only need to keep
// their values and tell the chart when one changes.
class TView3DOptions {
 public:
  using TChanged = std::function<void()>;
  explicit TView3DOptions(TChanged onChange = {}) : onChange_(std::move(onChange)) {}

  int Elevation() const { return elevation_; }
  void SetElevation(int v) { Set(elevation_, v); }
  int HorizOffset() const { return horizOffset_; }
  void SetHorizOffset(int v);
  bool Orthogonal() const { return orthogonal_; }
  void SetOrthogonal(bool v) { Set(orthogonal_, v); }
  int Perspective() const { return perspective_; }
  void SetPerspective(int v) { Set(perspective_, v); }
  int Rotation() const { return rotation_; }
  void SetRotation(int v) { Set(rotation_, v); }
  int Tilt() const { return tilt_; }
  void SetTilt(int v) { Set(tilt_, v); }
  int VertOffset() const { return vertOffset_; }
  void SetVertOffset(int v);
  int Zoom() const { return zoom_; }
  void SetZoom(int v);
  bool ZoomText() const { return zoomText_; }
  void SetZoomText(bool v) { Set(zoomText_, v); }

  // Raised when an offset changes (true: horizontal) and when the zoom changes.
  std::function<void(bool horizontal)> OnScrolled;
  std::function<void(int zoom)> OnZoomChanged;

 private:
  template <typename T>
  void Set(T& field, T value) {
    if (StoreIfChanged(field, value) && onChange_) onChange_();
  }

  int elevation_ = 345;
  int horizOffset_ = 0;
  bool orthogonal_ = true;
  int perspective_ = 15;
  int rotation_ = 345;
  int tilt_ = 0;
  int vertOffset_ = 0;
  int zoom_ = 100;
  bool zoomText_ = true;
  TChanged onChange_;
};

inline void TView3DOptions::SetHorizOffset(int v) {
  if (v == horizOffset_) return;
  Set(horizOffset_, v);
  if (OnScrolled) OnScrolled(true);
}
inline void TView3DOptions::SetVertOffset(int v) {
  if (v == vertOffset_) return;
  Set(vertOffset_, v);
  if (OnScrolled) OnScrolled(false);
}
inline void TView3DOptions::SetZoom(int v) {
  if (v == zoom_) return;
  if (OnZoomChanged) OnZoomChanged(v);
  Set(zoom_, v);
}
