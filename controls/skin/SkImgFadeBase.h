// The windowed base of the image button and the image check box: three frame pictures and a
// fade timer, one frame of a fade between a start and a target picture with one of eleven
// effects, the hooks through which the control learns of its form's activation and of the
// application's minimise and restore, shared focus, mouse enter/leave and click-on-release
// behaviour, and an optionally transparent window. It draws nothing itself: a subclass chooses
// the pictures, starts fades and draws the frame.
//
// Fade protocol for subclasses: to start a fade put the start picture in `fade_from_` and the
// target in `fade_to_` (or the other way round and SetFadeReverse(true)), the picture to show
// now in `frame_`, set `fade_step_` to 1 and call SetFadeActive(true). Every paint while a fade
// is active calls FadeStep (which draws steps 2 .. FadeStates into `frame_`) and sets
// `animating_`; a paint that finds the fade no longer active with `fade_step_` != 1 resets the
// step, clears `animating_` and shows the final picture. The timer repaints the control while
// it is animating; repaints asked for while painting wait for the end of that paint and are left
// to the timer while a fade runs. The timer runs only while a fade is active.
//
// Hooks: a control owned by a form (and not being designed) hooks the application window and
// the form's window for its whole life, through TWindowHook: controls may be freed in any order.
#pragma once

#include <windows.h>

#include "Controls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Graphics.h"
#include "SkTypes.h"
#include "SkUtil.h"

namespace vornada {

class TSkImgFadeBase : public TCustomControl {
 public:
  VORNADA_CLASS_NAME(TSkImgFadeBase)
  explicit TSkImgFadeBase(TComponent* owner);
  ~TSkImgFadeBase() override;

  TSkFadeFx FadeFx() const { return fade_fx_; }
  void SetFadeFx(TSkFadeFx value);
  int FadeUpdateInterval() const { return fade_update_interval_; }
  void SetFadeUpdateInterval(int value);
  bool FadeLoop() const { return fade_loop_; }
  void SetFadeLoop(bool value);
  bool FadeAutoReverse() const { return fade_auto_reverse_; }
  void SetFadeAutoReverse(bool value);
  int FadeStates() const { return fade_states_; }
  void SetFadeStates(int value) { fade_states_ = value; }

  // OnClick (the framework's member) fires on a release of any mouse button inside the client
  // area, with a null sender; only an assigned handler makes a release a click.
  TNotifyEvent OnFormActivate;
  TNotifyEvent OnFormDeactivate;

  void WndProc(TMessage& message) override;

 protected:
  virtual void DoFormActivate();
  virtual void DoFormDeactivate();
  virtual void DoAppRestore();
  virtual void DoAppMinimize();
  // The hooked windows' messages: notify, then hand them on.
  virtual void AppWndProc(TMessage& message);
  virtual void FormWndProc(TMessage& message);

  void FadeStep();
  void SetFadeActive(bool value);
  void SetFadeReverse(bool value);
  // Turns false when this control is freed: a caller of an event handler (which may free the
  // control) checks it before touching the control again.
  std::shared_ptr<const bool> Alive() const { return hooks_.Alive(); }
  void HookApplication();
  void UnhookApplication();
  void HookForm();
  void UnhookForm();
  // Repaints the control: at once outside painting; while painting, after this paint unless a
  // running fade's timer paints next anyway.
  void RequestRepaint();
  bool Painting() const { return painting_; }

  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  // Runs the base paint, then the subclass's PaintSkin.
  void Paint() final;
  virtual void PaintSkin() {}
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // Clicks come from the release rule above, not from the framework's press-and-release.
  void Click() override {}

  TBitmap frame_;
  TBitmap fade_from_;
  TBitmap fade_to_;
  TTimer* timer_ = nullptr;
  bool fade_reverse_ = false;
  int fade_step_ = 1;
  bool animating_ = false;
  bool fade_active_ = false;
  bool transparent_window_ = false;
  bool focused_ = false;

 private:
  void HandleFocusMessage(TMessage& message);
  void HandleMouseTracking(TMessage& message);
  void Tick();

  TSkFadeFx fade_fx_ = efxfTween;
  int fade_update_interval_ = 40;
  bool fade_loop_ = false;
  bool fade_auto_reverse_ = false;
  int fade_states_ = 10;
  bool painting_ = false;
  bool repaint_after_paint_ = false;
  TSkWindowHooks hooks_;
};

}  // namespace vornada
