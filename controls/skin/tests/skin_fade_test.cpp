// Tests of the fade-animated base under Wine, through a small subclass that follows the base's
// fade protocol: defaults and setters, every effect's frames step by step against the pixel
// formulas (step 1 never drawn, the last invert step not drawn), looping, auto-reverse, the
// timer's repaints (and its running only while a fade does, for the base and both skinned
// controls), the click on a mouse release (any button, inside only, null sender), the pointer
// events of the control itself, and the transparent window.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SkImgBtn.h"
#include "SkImgCheckBox.h"
#include "SkImgFadeBase.h"
#include "SkinTestSupport.h"
#include "core/SkPixels.h"

namespace vornada {
namespace {

using testing::PixelsOf;
using testing::PostMouse;
using testing::PumpMessages;
using testing::PumpUntil;

// Shows `frame_`; runs a fade as the base's protocol says; records its paints.
class FadeProbe : public TSkImgFadeBase {
 public:
  using TSkImgFadeBase::TSkImgFadeBase;
  using TSkImgFadeBase::FadeStep;
  using TSkImgFadeBase::SetFadeActive;
  using TSkImgFadeBase::SetFadeReverse;

  void StartFade(TBitmap& from, TBitmap& to, bool reverse) {
    fade_from_.Assign(&from);
    fade_to_.Assign(&to);
    frame_.Assign(reverse ? &to : &from);
    fade_step_ = 1;
    SetFadeReverse(reverse);
    SetFadeActive(true);
  }
  int Step() const { return fade_step_; }
  bool Active() const { return fade_active_; }
  bool Reverse() const { return fade_reverse_; }
  TBitmap& Frame() { return frame_; }
  void MakeTransparentWindow() { transparent_window_ = true; }

  int paints = 0;
  std::vector<int> drawn_steps;
  TBitmap final_picture;

 protected:
  void PaintSkin() override {
    ++paints;
    if (fade_active_) {
      const int before = fade_step_;
      FadeStep();
      if (fade_step_ == before + 1 && fade_active_) drawn_steps.push_back(fade_step_);
      animating_ = true;
    } else if (fade_step_ != 1) {
      fade_step_ = 1;
      animating_ = false;
      frame_.Assign(&final_picture);
    }
    Canvas().Draw(0, 0, &frame_);
  }
};

// Two pictures with pixels that differ everywhere, so every channel of every formula is seen.
void Pictures(TBitmap& from, TBitmap& to, int w, int h) {
  from.SetPixelFormat(TPixelFormat::pf24bit);
  to.SetPixelFormat(TPixelFormat::pf24bit);
  from.SetSize(w, h);
  to.SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    auto* a = static_cast<uint8_t*>(from.ScanLine(y));
    auto* b = static_cast<uint8_t*>(to.ScanLine(y));
    for (int x = 0; x < w; ++x) {
      a[x * 3 + 0] = static_cast<uint8_t>(17 * x + 3 * y);
      a[x * 3 + 1] = static_cast<uint8_t>(250 - 11 * x);
      a[x * 3 + 2] = static_cast<uint8_t>(90 + 29 * y);
      b[x * 3 + 0] = static_cast<uint8_t>(255 - 13 * y);
      b[x * 3 + 1] = static_cast<uint8_t>(40 + 23 * x);
      b[x * 3 + 2] = static_cast<uint8_t>(7 * x * y);
    }
  }
}

// The frame the formula gives for step k (the core's per-pixel arithmetic, tested on its own
// against hand-worked values), as 0x00BBGGRR pixels.
std::vector<uint32_t> ExpectedFrame(TSkFadeFx fx, int states, int k, TBitmap& from, TBitmap& to) {
  const std::vector<uint32_t> a = PixelsOf(from), b = PixelsOf(to);
  std::vector<uint32_t> out(a.size());
  for (size_t i = 0; i < a.size(); ++i) {
    const uint8_t pa[3] = {uint8_t(a[i] >> 16), uint8_t(a[i] >> 8), uint8_t(a[i])};
    const uint8_t pb[3] = {uint8_t(b[i] >> 16), uint8_t(b[i] >> 8), uint8_t(b[i])};
    uint8_t p[3] = {0, 0, 0};
    EXPECT_TRUE(skin::FadePixel(fx, states, k, pa, pb, p));
    out[i] = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
  }
  return out;
}

class FadeBase : public ::testing::Test {
 protected:
  void SetUp() override {
    probe_ = std::make_unique<FadeProbe>(&testing::StageForm());
    probe_->SetParent(&testing::StagePanel());
    probe_->SetBounds(10, 10, 6, 4);
    Pictures(from_, to_, 6, 4);
    probe_->final_picture.Assign(&to_);
  }
  void TearDown() override { probe_.reset(); }
  std::unique_ptr<FadeProbe> probe_;
  TBitmap from_, to_;
};

TEST_F(FadeBase, DefaultsAndSetters) {
  FadeProbe fresh(nullptr);
  EXPECT_EQ(fresh.FadeFx(), efxfTween);
  EXPECT_EQ(fresh.FadeUpdateInterval(), 40);
  EXPECT_FALSE(fresh.FadeLoop());
  EXPECT_FALSE(fresh.FadeAutoReverse());
  EXPECT_EQ(fresh.FadeStates(), 10);
  EXPECT_TRUE(fresh.TabStop());
  EXPECT_TRUE(fresh.HasStyle(csOpaque));
  EXPECT_EQ(fresh.Width(), 0) << "no size of its own";
  EXPECT_EQ(fresh.Height(), 0);
  EXPECT_EQ(fresh.Step(), 1);
  EXPECT_FALSE(fresh.Active());
  fresh.SetFadeFx(efxfColour2);
  EXPECT_EQ(fresh.FadeFx(), efxfColour2);
}

// Every effect: the paint after the start draws step 2, each further paint the next step up to
// FadeStates, the next paint ends the fade without drawing, and the one after that shows the
// final picture. efxfInvert does not draw its last step: step S - 1's frame stays.
class FadeEffects : public FadeBase, public ::testing::WithParamInterface<int> {};
TEST_P(FadeEffects, EachStepDrawsItsFormulaFrame) {
  const auto fx = static_cast<TSkFadeFx>(GetParam());
  constexpr int kStates = 6;
  probe_->SetFadeFx(fx);
  probe_->SetFadeStates(kStates);
  probe_->StartFade(from_, to_, false);
  std::vector<uint32_t> last_drawn;
  for (int k = 2; k <= kStates; ++k) {
    testing::Rendering r = testing::RenderControl(*probe_);
    if (fx == efxfInvert && k == kStates) {
      EXPECT_EQ(r.pixels, last_drawn) << "the last invert step draws nothing";
      continue;
    }
    EXPECT_EQ(r.pixels, ExpectedFrame(fx, kStates, k, from_, to_)) << "step " << k;
    last_drawn = r.pixels;
  }
  EXPECT_TRUE(probe_->Active());
  testing::Rendering after = testing::RenderControl(*probe_);
  EXPECT_FALSE(probe_->Active()) << "the step after the last ends the fade";
  EXPECT_EQ(after.pixels, last_drawn) << "without drawing";
  EXPECT_EQ(testing::RenderControl(*probe_).pixels, PixelsOf(to_)) << "then the final picture";
  EXPECT_EQ(probe_->Step(), 1);
}
INSTANTIATE_TEST_SUITE_P(AllEleven, FadeEffects, ::testing::Range(0, kSkFadeFxCount),
                         [](const auto& table_row) { return "fx" + std::to_string(table_row.param); });

TEST_F(FadeBase, ReverseFadeRunsFromTheTargetToTheStart) {
  probe_->SetFadeStates(4);
  probe_->StartFade(from_, to_, true);
  EXPECT_EQ(testing::RenderControl(*probe_).pixels, ExpectedFrame(efxfTween, 4, 2, to_, from_));
  EXPECT_EQ(testing::RenderControl(*probe_).pixels, ExpectedFrame(efxfTween, 4, 3, to_, from_));
}

TEST_F(FadeBase, LoopStartsOverAndSettingLoopResetsTheStep) {
  probe_->SetFadeStates(3);
  probe_->SetFadeLoop(true);
  probe_->StartFade(from_, to_, false);
  std::vector<int> steps;
  for (int i = 0; i < 7; ++i) {
    probe_->FadeStep();
    steps.push_back(probe_->Step());
  }
  EXPECT_EQ(steps, (std::vector<int>{2, 3, 1, 2, 3, 1, 2})) << "step 4 starts over at 1";
  EXPECT_TRUE(probe_->Active());
  probe_->SetFadeLoop(false);
  EXPECT_EQ(probe_->Step(), 1) << "a change of FadeLoop resets the running fade";
  probe_->SetFadeLoop(true);
  probe_->FadeStep();
  probe_->SetFadeLoop(false);
  EXPECT_EQ(probe_->Step(), 1);
}

TEST_F(FadeBase, AutoReverseFlipsTheDirectionWhenAFadeEnds) {
  probe_->SetFadeStates(3);
  probe_->SetFadeAutoReverse(true);
  probe_->StartFade(from_, to_, false);
  probe_->FadeStep();
  probe_->FadeStep();
  EXPECT_FALSE(probe_->Reverse());
  probe_->FadeStep();  // step 4: the end
  EXPECT_TRUE(probe_->Reverse()) << "without FadeLoop the fade ends reversed";
  EXPECT_FALSE(probe_->Active());

  // With FadeLoop as well it swings back and forth: the next round runs from the target.
  probe_->SetFadeLoop(true);
  probe_->StartFade(from_, to_, false);
  for (int i = 0; i < 3; ++i) probe_->FadeStep();
  EXPECT_TRUE(probe_->Reverse());
  EXPECT_TRUE(probe_->Active());
  EXPECT_EQ(testing::RenderControl(*probe_).pixels, ExpectedFrame(efxfTween, 3, 2, to_, from_));
  for (int i = 0; i < 2; ++i) probe_->FadeStep();
  EXPECT_FALSE(probe_->Reverse()) << "and back again";
}

TEST_F(FadeBase, NoPicturesOrNoFadeMeansNoStep) {
  TBitmap empty;
  probe_->StartFade(empty, to_, false);
  probe_->FadeStep();
  EXPECT_EQ(probe_->Step(), 1);
  probe_->StartFade(from_, to_, false);
  probe_->SetFadeActive(false);
  probe_->FadeStep();
  EXPECT_EQ(probe_->Step(), 1);
}

TEST_F(FadeBase, TimerRepaintsWhileAFadeRunsAndThenStops) {
  probe_->SetFadeStates(10);
  probe_->StartFade(from_, to_, false);
  PumpUntil([&] { return !probe_->drawn_steps.empty(); }, 1000);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(PumpUntil([&] { return probe_->Step() == 1 && !probe_->Active(); }, 3000));
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  EXPECT_EQ(probe_->drawn_steps, (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10}));
  // Steps 3 .. 10 and the end come one per 40 ms tick: about 9 ticks (a busy machine may make
  // them later, never sooner).
  EXPECT_GE(elapsed.count(), 250);
  const int paints = probe_->paints;
  PumpMessages(200);
  EXPECT_EQ(probe_->paints, paints) << "an idle timer paints nothing";
}

// Each fade repaints once per FadeUpdateInterval, ends with the final picture and stops its
// timer; the next fade starts it again at its own interval.
TEST_F(FadeBase, AFadeRepaintsAtItsIntervalEndsWithTheFinalPictureAndStopsItsTimer) {
  PumpMessages(50);
  ASSERT_EQ(testing::PumpCountingTimerMessages(150), 0) << "no timer runs before a fade";
  probe_->SetFadeStates(10);
  for (const int interval : {40, 80}) {
    probe_->SetFadeUpdateInterval(interval);
    probe_->drawn_steps.clear();
    probe_->StartFade(from_, to_, false);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpUntil([&] { return probe_->Step() == 1 && !probe_->Active(); }, 4000))
        << "interval " << interval;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    EXPECT_EQ(probe_->drawn_steps, (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10}));
    // Steps 3 .. 10 and the end: nine ticks (the first may come early, none twice as fast).
    EXPECT_GE(elapsed.count(), 8 * interval * 3 / 4) << "interval " << interval;
    EXPECT_EQ(PixelsOf(probe_->Frame()), PixelsOf(to_)) << "the final picture";
    EXPECT_EQ(testing::PumpCountingTimerMessages(3 * interval + 100), 0)
        << "the timer stops with the fade, interval " << interval;
  }
}

// An idle skinned control (no fade running) costs no timer messages.
struct IdleControlCase {
  const char* name;
  std::function<TSkImgFadeBase*(TComponent* owner)> make;
  friend void PrintTo(const IdleControlCase& c, std::ostream* os) { *os << c.name; }
};

class IdleControl : public ::testing::TestWithParam<IdleControlCase> {};

TEST_P(IdleControl, GetsNoTimerMessages) {
  PumpMessages(20);
  ASSERT_EQ(testing::PumpCountingTimerMessages(150), 0) << "no timer runs without the control";
  std::unique_ptr<TSkImgFadeBase> control(GetParam().make(&testing::StageForm()));
  control->SetParent(&testing::StagePanel());
  control->SetBounds(40, 40, 30, 20);
  control->Show();
  EXPECT_EQ(testing::PumpCountingTimerMessages(400), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IdleControl,
    ::testing::Values(
        IdleControlCase{"fade_base", [](TComponent* o) -> TSkImgFadeBase* { return new FadeProbe(o); }},
        IdleControlCase{"image_button", [](TComponent* o) -> TSkImgFadeBase* { return new TSkImgBtn(o); }},
        IdleControlCase{"image_check_box",
                        [](TComponent* o) -> TSkImgFadeBase* { return new TSkImgCheckBox(o); }}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST_F(FadeBase, AReleaseOfAnyButtonInsideClicksWithANullSender) {
  HWND window = probe_->Handle();
  std::vector<std::string> seen;
  probe_->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { seen.push_back("up"); };
  PostMouse(window, WM_RBUTTONUP, 2, 2);
  EXPECT_EQ(seen, (std::vector<std::string>{"up"})) << "no handler: no click";
  TObject* sender = probe_.get();
  probe_->OnClick = [&](TObject* s) {
    seen.push_back("click");
    sender = s;
  };
  seen.clear();
  PostMouse(window, WM_RBUTTONUP, 2, 2);  // no press before it
  EXPECT_EQ(seen, (std::vector<std::string>{"up", "click"}));
  EXPECT_EQ(sender, nullptr);
  struct Case {
    UINT message;
    int x, y;
    bool clicks;
  };
  const Case cases[] = {{WM_LBUTTONUP, 0, 0, true},  {WM_MBUTTONUP, 5, 3, true},
                        {WM_LBUTTONUP, 6, 1, false},  // x = ClientWidth
                        {WM_LBUTTONUP, 1, 4, false},  // y = ClientHeight
                        {WM_RBUTTONUP, -1, 1, false}};
  for (const Case& c : cases) {
    seen.clear();
    PostMouse(window, c.message, c.x, c.y);
    EXPECT_EQ(seen.size(), c.clicks ? 2u : 1u) << c.message << " at " << c.x << "," << c.y;
  }
}

TEST_F(FadeBase, PointerEventsOnlyForTheControlItself) {
  std::vector<std::string> seen;
  probe_->OnMouseEnter = [&](TObject* s) { seen.push_back(s == probe_.get() ? "enter" : "?"); };
  probe_->OnMouseLeave = [&](TObject* s) { seen.push_back(s == probe_.get() ? "leave" : "?"); };
  probe_->Perform(CM_MOUSEENTER, 0, 0);
  probe_->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(&testing::StagePanel()));
  probe_->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(&testing::StagePanel()));
  probe_->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"enter", "leave"}));
}

TEST_F(FadeBase, EraseLeavesTheBackgroundAndTheBasePaintsNothing) {
  FadeProbe blank(&testing::StageForm());
  blank.SetParent(&testing::StagePanel());
  blank.SetBounds(40, 10, 5, 5);
  const testing::Rendering r = testing::RenderControl(blank, RGB(1, 2, 3));
  for (uint32_t v : r.pixels) EXPECT_EQ(v, 0x030201u);
  EXPECT_EQ(blank.Perform(WM_ERASEBKGND, 0, 0), 1);
}

TEST(FadeBaseWindow, TransparentWindowStopsItsParentClippingIt) {
  TPanel parent(nullptr);
  parent.SetParent(&testing::StagePanel());
  parent.SetBounds(100, 100, 50, 50);
  parent.HandleNeeded();
  ASSERT_NE(::GetWindowLongW(parent.Handle(), GWL_STYLE) & WS_CLIPCHILDREN, 0);
  FadeProbe probe(nullptr);
  probe.MakeTransparentWindow();
  probe.SetParent(&parent);
  probe.HandleNeeded();
  EXPECT_NE(::GetWindowLongW(probe.Handle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
  EXPECT_EQ(::GetWindowLongW(parent.Handle(), GWL_STYLE) & WS_CLIPCHILDREN, 0);
}

}  // namespace
}  // namespace vornada
