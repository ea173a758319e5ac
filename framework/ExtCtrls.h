// Timers, panels and images.
//
// `TTimer` fires OnTimer on the user-interface thread through a window timer of a hidden
// message window shared by all timers of the thread. A failure inside OnTimer goes to the
// application's error report and the timer keeps running.
#pragma once

#include <memory>

#include "Controls.h"
#include "Graphics.h"

namespace vornada {

class TTimer : public TComponent {
 public:
  VORNADA_CLASS_NAME(TTimer)
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  UINT Interval() const { return interval_; }
  void SetInterval(UINT value);
  void SetOnTimer(TNotifyEvent handler);
  const TNotifyEvent& OnTimer() const { return on_timer_; }

  // Runs OnTimer now, as a tick would.
  void Timer();

 private:
  void UpdateTimer();
  bool enabled_ = true;
  UINT interval_ = 1000;
  TNotifyEvent on_timer_;
  UINT_PTR id_ = 0;
  bool running_ = false;
};

class TCustomPanel : public TCustomControl {
 public:
  VORNADA_CLASS_NAME(TCustomPanel)
  explicit TCustomPanel(TComponent* owner);
  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevelCut value);
  TBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevelCut value);
  void WndProc(TMessage& message) override;

 protected:
  void Paint() override;

 private:
  TBevelCut bevel_outer_ = TBevelCut::bvRaised;
  TBevelCut bevel_inner_ = TBevelCut::bvNone;
};

class TPanel : public TCustomPanel {
 public:
  VORNADA_CLASS_NAME(TPanel)
  using TCustomPanel::TCustomPanel;
};

class TImage : public TGraphicControl {
 public:
  VORNADA_CLASS_NAME(TImage)
  explicit TImage(TComponent* owner);
  TPicture& Picture() { return picture_; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  bool Center() const { return center_; }
  void SetCenter(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);

 protected:
  void Paint() override;
  bool CanAutoSize(int& new_width, int& new_height) override;

 private:
  void PictureChanged();
  RECT DestRect() const;
  TPicture picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool transparent_ = false;
  bool auto_size_ = false;
};

}  // namespace vornada
