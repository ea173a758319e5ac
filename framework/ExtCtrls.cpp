// Timers over window timers of a shared message window; plain panels; images.
#include "ExtCtrls.h"

#include <map>

#include "Forms.h"

namespace vornada {

namespace {

// One hidden message window per thread carries the window timers of all TTimer objects of
// that thread; a timer's id is its key in the map.
struct TimerWindow {
  HWND hwnd = nullptr;
  std::map<UINT_PTR, TTimer*> timers;
  UINT_PTR next_id = 1;
};

TimerWindow& ThreadTimerWindow();

LRESULT CALLBACK TimerWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_TIMER) {
    auto& tw = ThreadTimerWindow();
    auto it = tw.timers.find(static_cast<UINT_PTR>(wparam));
    if (it != tw.timers.end()) {
      try {
        it->second->Timer();
      } catch (...) {
        Application()->HandleException(std::current_exception());
      }
    }
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wparam, lparam);
}

TimerWindow& ThreadTimerWindow() {
  thread_local TimerWindow tw;
  if (tw.hwnd == nullptr) {
    static const ATOM atom = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = TimerWindowProc;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.lpszClassName = L"VornadaTimerWindow";
      return ::RegisterClassExW(&wc);
    }();
    (void)atom;
    tw.hwnd = ::CreateWindowExW(0, L"VornadaTimerWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, ::GetModuleHandleW(nullptr), nullptr);
  }
  return tw;
}

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  Destroying();
  enabled_ = false;
  UpdateTimer();
}

void TTimer::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  UpdateTimer();
}

void TTimer::SetInterval(UINT value) {
  if (interval_ == value) return;
  interval_ = value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  on_timer_ = std::move(handler);
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  auto& tw = ThreadTimerWindow();
  if (running_) {
    ::KillTimer(tw.hwnd, id_);
    tw.timers.erase(id_);
    running_ = false;
  }
  if (enabled_ && interval_ != 0 && on_timer_ && !IsDestroying()) {
    id_ = tw.next_id++;
    tw.timers[id_] = this;
    if (::SetTimer(tw.hwnd, id_, interval_, nullptr) == 0) {
      tw.timers.erase(id_);
      throw EOutOfResources(std::string(msg::kOutOfTimers));
    }
    running_ = true;
  }
}

void TTimer::Timer() {
  if (!enabled_ || !on_timer_) return;
  // A copy: the handler may free this timer (and with it the stored handler) while it runs.
  const TNotifyEvent handler = on_timer_;
  handler(this);
}

// ---- panels ----------------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  control_style_ = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque |
                   csDoubleClicks | csReplicatable;
  SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
  if (bevel_outer_ != value) { bevel_outer_ = value; Invalidate(); }
}
void TCustomPanel::SetBevelInner(TBevelCut value) {
  if (bevel_inner_ != value) { bevel_inner_ = value; Invalidate(); }
}

void TCustomPanel::Paint() {
  RECT r = ClientRect();
  TCanvas& c = Canvas();
  c.Brush().SetColor(Color());
  c.FillRect(r);
  for (TBevelCut bevel : {bevel_outer_, bevel_inner_}) {
    if (bevel == TBevelCut::bvNone || bevel == TBevelCut::bvSpace) continue;
    const UINT edge = bevel == TBevelCut::bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER;
    ::DrawEdge(c.Handle(), &r, edge, BF_RECT | BF_ADJUST);
  }
  if (!Caption().empty()) {
    c.Font().Assign(&Font());
    c.Brush().SetStyle(TBrushStyle::bsClear);
    ::SetTextColor(c.Handle(), static_cast<COLORREF>(ColorToRGB(Font().Color())));
    ::DrawTextW(c.Handle(), Caption().c_str(), static_cast<int>(Caption().size()), &r,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

void TCustomPanel::WndProc(TMessage& m) {
  if (m.Msg == CM_TEXTCHANGED) {
    Invalidate();
    return;
  }
  TCustomControl::WndProc(m);
}

// ---- images ----------------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  control_style_ |= csReplicatable;
  SetBounds(0, 0, 105, 105);
  picture_.OnChange = [this](TObject*) { PictureChanged(); };
}

void TImage::PictureChanged() {
  if (auto_size_ && picture_.Width() > 0 && picture_.Height() > 0)
    SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
  // Bitmaps take the image's transparency; other pictures decide their own.
  if (auto* b = dynamic_cast<TBitmap*>(picture_.Graphic())) b->SetTransparent(transparent_);
  Invalidate();
}

void TImage::SetStretch(bool value) {
  if (stretch_ != value) { stretch_ = value; Invalidate(); }
}
void TImage::SetCenter(bool value) {
  if (center_ != value) { center_ = value; Invalidate(); }
}
void TImage::SetTransparent(bool value) {
  if (transparent_ != value) {
    transparent_ = value;
    PictureChanged();
  }
}
void TImage::SetAutoSize(bool value) {
  if (auto_size_ != value) {
    auto_size_ = value;
    if (value) AdjustSize();
  }
}

bool TImage::CanAutoSize(int& new_width, int& new_height) {
  if (picture_.Width() > 0 && picture_.Height() > 0) {
    new_width = picture_.Width();
    new_height = picture_.Height();
  }
  return true;
}

RECT TImage::DestRect() const {
  const int pw = picture_.Width(), ph = picture_.Height();
  const int cw = Width(), ch = Height();
  if (stretch_) return {0, 0, cw, ch};
  if (center_) {
    const int x = (cw - pw) / 2, y = (ch - ph) / 2;
    return {x, y, x + pw, y + ph};
  }
  return {0, 0, pw, ph};
}

void TImage::Paint() {
  if (TGraphic* g = picture_.Graphic(); g != nullptr && !g->Empty())
    Canvas().StretchDraw(DestRect(), g);
}

}  // namespace vornada
