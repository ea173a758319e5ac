// Leak test of the skinned controls under Wine: thousands of changes on an image button, an
// image check box and an image form skin (in 144 rounds: 108 skin changes, 72 resizes, 36
// window regions of the form, 36 activation changes, 432 captions, 288 hovers, 288 clicks, 288
// enable or disable changes, and 1872 paints with fade steps among them), with the live GDI
// objects of the process (counted by the framework's handle owners) the same after every cycle.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "SkImgBtn.h"
#include "SkImgCheckBox.h"
#include "SkImgForm.h"
#include "SkinTestSupport.h"

namespace vornada {
namespace {

using testing::LiveGdiObjects;
using testing::MakeStandardSkin;
using testing::StageForm;
using testing::StagePanel;

// One paint of a control into a memory bitmap, as the window's own painting would do it.
void PaintInto(TControl& control, HDC dc) {
  if (auto* windowed = dynamic_cast<TWinControl*>(&control))
    windowed->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dc));
  control.Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
}

TEST(SkinLeaks, ThousandsOfChangesLeaveNoGdiObjectBehind) {
  TBitmap button_skins[2], box_skins[2], form_skin;
  MakeStandardSkin(button_skins[0], 4, 45, 29);
  MakeStandardSkin(button_skins[1], 4, 61, 28, TPixelFormat::pf32bit);
  MakeStandardSkin(box_skins[0], 8, 46, 10);
  MakeStandardSkin(box_skins[1], 8, 30, 14, TPixelFormat::pf32bit);
  MakeStandardSkin(form_skin, 1, 60, 40);
  TBitmap icon_bitmap;
  testing::MakeFilled32(icon_bitmap, 6, 6, clRed);

  auto form = std::make_unique<TForm>(nullptr);
  form->SetBounds(420, 860, 200, 150);
  auto* form_skin_control = new TSkImgForm(form.get());
  testing::LoadAsDesigned(*form_skin_control, [&] {
    form_skin_control->SetParent(form.get());
    form_skin_control->SetSkin(&form_skin);
  });
  auto* button = new TSkImgBtn(&StageForm());
  testing::LoadAsDesigned(*button, [&] {
    button->SetParent(&StagePanel());
    button->SetBounds(20, 200, 75, 25);
    button->SetFadeEnable(true);
    button->SetSkin(&button_skins[0]);
  });
  auto* box = new TSkImgCheckBox(&StageForm());
  testing::LoadAsDesigned(*box, [&] {
    box->SetParent(&StagePanel());
    box->SetBounds(120, 200, 90, 17);
    box->SetFadeEnable(true);
    box->SetSkin(&box_skins[0]);
  });
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  box->OnClick = [&](TObject*) { ++clicks; };

  TBitmap target;
  testing::MakeFilled32(target, 100, 60, clBlack);
  HWND form_window = form->Handle();
  // Window regions and window moves cost the most under Wine (several milliseconds each), so
  // skins, sizes, colours and activation change every fourth round; everything else changes
  // every round.
  auto round = [&](int i) {
    HDC dc = target.Canvas().Handle();
    const bool odd = i % 2 != 0;
    if (i % 4 == 0) {
      const bool other = i % 8 == 0;
      button->SetSkin(&button_skins[other]);
      box->SetSkin(&box_skins[other]);
      form_skin_control->SetSkin(&form_skin);
      button->SetLockSize(i % 12 != 0);
      button->SetBounds(20, 200, 40 + i % 30, 20 + i % 15);
      box->SetBounds(120, 200, 60 + i % 20, 17);
      ::SendMessageW(form_window, WM_ACTIVATE, other ? WA_ACTIVE : WA_INACTIVE, 0);
      form_skin_control->SetTransparentColor(other ? testing::kMarker : clBlack);
    }
    button->SetCaption(odd ? L"Go" : L"Stop");
    box->SetCaption(odd ? L"On" : L"");
    form_skin_control->SetCaption(odd ? L"Vornada" : L"Hosts");
    if (i % 7 == 0) button->SetImageIconBmp(&icon_bitmap);
    // Hover with fades, a click on each.
    button->Perform(CM_MOUSEENTER, 0, 0);
    box->Perform(CM_MOUSEENTER, 0, 0);
    for (int k = 0; k < 4; ++k) {
      PaintInto(*button, dc);
      PaintInto(*box, dc);
    }
    ::SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ::SendMessageW(box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(box->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    button->Perform(CM_MOUSELEAVE, 0, 0);
    box->Perform(CM_MOUSELEAVE, 0, 0);
    PaintInto(*button, dc);
    PaintInto(*box, dc);
    button->SetEnabled(odd);
    box->SetEnabled(!odd);
    PaintInto(*button, dc);
    PaintInto(*box, dc);
    PaintInto(*form_skin_control, dc);
    if (i % 50 == 0) testing::PumpMessages(1);  // timers, real paints, idle clean-up
  };

  StagePanel().SetFocus();  // activation notices need a focused control
  // Objects the controls keep between changes (a canvas's font or brush, a picture's device
  // context) depend on what was done last, so counts are compared at the same point of the
  // rounds' 24-round cycle: after a warm-up cycle, and after each later cycle.
  constexpr int kCycle = 24;
  for (int i = 0; i < kCycle; ++i) round(i);
  testing::PumpMessages(20);
  const long before = LiveGdiObjects();
  std::vector<long> cycles;
  const auto start = std::chrono::steady_clock::now();
  constexpr int kRounds = 6 * kCycle;
  for (int i = 0; i < kRounds; ++i) {
    round(i);
    if (i % kCycle == kCycle - 1) {
      testing::PumpMessages(1);
      cycles.push_back(LiveGdiObjects());
    }
  }
  const long after = cycles.back();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  std::printf("skin leak test: %d rounds in %lld ms, live GDI objects before %ld, after %ld\n",
              kRounds, static_cast<long long>(ms), before, after);
  EXPECT_EQ(cycles, std::vector<long>(cycles.size(), before)) << "no growth from cycle to cycle";
  EXPECT_GT(clicks, kRounds) << "the rounds really clicked";

  delete button;
  delete box;
  form.reset();
  testing::PumpMessages(10);
  EXPECT_LE(LiveGdiObjects(), before) << "freeing the controls gives back what they held";
}

}  // namespace
}  // namespace vornada
