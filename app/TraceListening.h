#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "framework/Event.h"
#include "sound/SoundOutput.h"

class QWidget;
class TForm1;
class TMenuItem;
class TObject;
struct TLoggedBlock;

// The trace as sound, from the window: the chart menu's entries and their keys — P plays the
// trace as shown, left to right (or the stretch between cursors A and B), P again or Esc
// stops it; "[" and "]" make it slower or faster (1 to 10 s); L listens live to each block
// as it comes; Shift+P saves the sound P would play as a WAV file. A screen reader hears
// when playing starts and ends. The player (sound/) and its thread are made when sound is
// first asked for; until then this costs nothing, and a tick without live sound nothing more
// than before.
class TTraceListening : public QObject {
 public:
  TTraceListening(TForm1& form, QWidget& window);
  ~TTraceListening() override;

  // Where the player opens its device; for tests, before any sound.
  void SetDeviceOpener(TSoundOutput::TDeviceOpener opener) { opener_ = std::move(opener); }
  bool Playing() const { return playing_ != 0; }
  bool Live() const { return live_; }
  double Seconds() const { return seconds_; }
  // What P would play now.
  TraceSound::TRequest TraceNow() const;
  // What a screen reader was told last.
  QString Announcement() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MenuPopup(TObject* sender);
  void PlayItemClick(TObject* sender);
  void SlowerItemClick(TObject* sender);
  void FasterItemClick(TObject* sender);
  void LiveItemClick(TObject* sender);
  void SaveSoundItemClick(TObject* sender);
  void BlockShown(TObject* sender, const TLoggedBlock& block);
  void SoundEvent(const TSoundOutput::TEvent& event);
  TSoundOutput& Output();
  void StopSound();
  void Announce(const QString& text);

  TForm1& form_;
  QWidget& window_;
  TNotifyEvent formPopup_;  // the window's own preparation of the menu, run first
  TMenuItem* playItem_;
  TMenuItem* slowerItem_;
  TMenuItem* fasterItem_;
  TMenuItem* liveItem_;
  TMenuItem* saveItem_;
  TSoundOutput::TDeviceOpener opener_ = OpenSystemSoundDevice;
  std::unique_ptr<TSoundOutput> output_;
  unsigned playing_ = 0;  // the player's number of the trace sounding, 0 for none
  bool live_ = false;
  unsigned liveStream_ = 0;  // the player's number of the live stream, once it sounds
  double seconds_ = TraceSound::kDefaultSeconds;
};
