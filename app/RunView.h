#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class TRun;

// Which stretch [First(), End()) of a run's kept samples a view shows, and whether it follows
// the run's newest samples (the live end) as they come. The gestures move it: zoom by a
// factor around a position, scroll by samples, page by one view, the oldest part, the newest,
// the whole run. Every gesture but following again leaves the live end. The stretch stays
// within the kept samples (dropped ones are outside) and at least a few samples wide.
// Positions are the run's sample numbers. Plain state, no widgets: the window draws it.
class TRunView {
 public:
  // The narrowest view, in samples (fewer when the run has fewer).
  static constexpr uint64_t kNarrowest = 8;
  // The stretch a gesture starts from at the live end: the live trace's samples.
  static constexpr uint64_t kLiveWidth = 200;

  // The run shown, or none. Following, the view is the newest kLiveWidth samples.
  void Show(const TRun* run, bool following);
  // The run whole.
  void ShowWhole(const TRun* run);
  const TRun* Run() const { return run_; }
  bool Following() const { return following_; }

  uint64_t First() const { return first_; }
  uint64_t End() const { return end_; }
  uint64_t Width() const { return end_ - first_; }

  // Brings the stretch within the run as it is now: the newest samples while following, else
  // the same stretch as far as it is still kept.
  void Update();

  // factor > 1 narrows the view; `position` (a sample number, fractions allowed) stays where
  // it was on the screen, as far as the ends allow.
  void ZoomAt(double factor, double position);
  // Around the middle of the view.
  void Zoom(double factor);
  // Towards newer samples when positive.
  void ScrollBy(int64_t samples);
  // By whole views, towards newer samples when positive.
  void Page(int views);
  void ShowOldest();
  // The newest part at the present width; following again when `follow` (while measuring).
  void ShowNewest(bool follow);
  void ShowWhole();

  // Seconds from the run's start at a position, where its block's time is known: the block's
  // time, and between blocks in proportion to the samples.
  std::optional<double> SecondsAt(uint64_t position) const;
  // What the view shows: the samples, the seconds where known, and the oldest samples
  // dropped when they were. English source text, translated in the catalogue.
  QString Description() const;

 private:
  // Puts [first, first + width) within the kept samples.
  void Place(int64_t first, uint64_t width);

  const TRun* run_ = nullptr;
  bool following_ = false;
  uint64_t first_ = 0;
  uint64_t end_ = 0;
};
