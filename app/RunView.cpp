#include "RunView.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

#include "app/RunStore.h"

namespace {

QString Tr(const char* text) {
  return QCoreApplication::translate("simplescope", text);
}

QString Seconds(double seconds) {
  return QString::number(seconds, 'f', 2);
}

}  // namespace

void TRunView::Show(const TRun* run, bool following) {
  run_ = run;
  following_ = following && run;
  if (!run_) {
    first_ = end_ = 0;
    return;
  }
  Place(static_cast<int64_t>(run_->SampleCount()) - static_cast<int64_t>(kLiveWidth), kLiveWidth);
}

void TRunView::ShowWhole(const TRun* run) {
  Show(run, false);
  ShowWhole();
}

void TRunView::Place(int64_t first, uint64_t width) {
  if (!run_) return;
  const uint64_t kept = run_->KeptSamples();
  width = std::clamp<uint64_t>(width, std::min(kNarrowest, kept), kept);
  const int64_t lowest = static_cast<int64_t>(run_->DroppedSamples());
  const int64_t highest = static_cast<int64_t>(run_->SampleCount() - width);
  first = std::clamp(first, lowest, highest);
  first_ = static_cast<uint64_t>(first);
  end_ = first_ + width;
}

void TRunView::Update() {
  if (!run_) return;
  if (following_)
    Place(static_cast<int64_t>(run_->SampleCount() - std::min(Width(), run_->SampleCount())),
          Width() == 0 ? kLiveWidth : Width());
  else
    Place(static_cast<int64_t>(first_), Width());
}

void TRunView::ZoomAt(double factor, double position) {
  if (!run_ || !(factor > 0) || !std::isfinite(factor) || !std::isfinite(position)) return;
  following_ = false;
  const double width = static_cast<double>(Width());
  // Where the position lies in the view, 0 at its start and 1 at its end, stays.
  const double along = width > 0 ? std::clamp((position - double(first_)) / width, 0.0, 1.0) : 0.5;
  const double narrowest = double(std::min(kNarrowest, run_->KeptSamples()));
  const double widest = double(run_->KeptSamples());
  const double newWidth = std::clamp(std::round(width / factor), narrowest, widest);
  const double first = std::round(position - along * newWidth);
  Place(static_cast<int64_t>(std::clamp(first, -1e15, 1e15)), static_cast<uint64_t>(newWidth));
}

void TRunView::Zoom(double factor) {
  ZoomAt(factor, double(first_) + double(Width()) / 2);
}

void TRunView::ScrollBy(int64_t samples) {
  if (!run_) return;
  following_ = false;
  Place(static_cast<int64_t>(first_) + samples, Width());
}

void TRunView::Page(int views) {
  ScrollBy(static_cast<int64_t>(Width()) * views);
}

void TRunView::ShowOldest() {
  if (!run_) return;
  following_ = false;
  Place(0, Width());
}

void TRunView::ShowNewest(bool follow) {
  if (!run_) return;
  following_ = follow;
  Place(static_cast<int64_t>(run_->SampleCount()), Width());
}

void TRunView::ShowWhole() {
  if (!run_) return;
  following_ = false;
  Place(0, run_->KeptSamples());
}

std::optional<double> TRunView::SecondsAt(uint64_t position) const {
  if (!run_ || run_->BlockCount() == 0) return std::nullopt;
  // The last block starting at or before the position.
  size_t low = 0, high = run_->BlockCount();
  while (high - low > 1) {
    const size_t middle = (low + high) / 2;
    if (run_->BlockAt(middle).FirstSample <= position)
      low = middle;
    else
      high = middle;
  }
  const TRun::TBlock& block = run_->BlockAt(low);
  if (block.TimeMs == TRun::kNoTime || block.FirstSample > position) return std::nullopt;
  double ms = block.TimeMs;
  if (low + 1 < run_->BlockCount()) {
    const TRun::TBlock& next = run_->BlockAt(low + 1);
    if (next.TimeMs != TRun::kNoTime && next.FirstSample > block.FirstSample)
      ms += double(next.TimeMs - block.TimeMs) * double(position - block.FirstSample) /
            double(next.FirstSample - block.FirstSample);
  }
  return ms / 1000.0;
}

QString TRunView::Description() const {
  if (!run_ || Width() == 0) return Tr(QT_TRANSLATE_NOOP("simplescope", "no samples"));
  QString text = Tr(QT_TRANSLATE_NOOP("simplescope", "samples %1 to %2 of %3"))
                     .arg(first_)
                     .arg(end_ - 1)
                     .arg(run_->SampleCount());
  const std::optional<double> from = SecondsAt(first_);
  const std::optional<double> to = SecondsAt(end_ - 1);
  if (from && to)
    text +=
        QLatin1Char(' ') +
        Tr(QT_TRANSLATE_NOOP("simplescope", "(%1 s to %2 s)")).arg(Seconds(*from), Seconds(*to));
  if (run_->DroppedSamples() > 0)
    text += Tr(QT_TRANSLATE_NOOP("simplescope", "; the oldest %1 samples were dropped"))
                .arg(run_->DroppedSamples());
  return text;
}
