// The bitmap button under Wine: defaults, the classic face ring by ring, the themed face
// against the platform's own push-button part in each state, glyph and caption places (the
// window's 137 x 25 button), the focus border dot by dot and keyboard cues, real mouse and key
// messages (clicks, dragging off and back, Space, Enter, Escape, accelerators), groups with the
// dither pattern, the hot-track face, glyph cells, image-list glyphs and stock kinds.
#include <gtest/gtest.h>

#include <windows.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <memory>

#include "ExtCtrls.h"
#include "FxButton.h"
#include "FxTestSupport.h"
#include "KeyboardCues.h"
#include "Themes.h"

namespace vornada {
namespace {

using testing::Rendering;
using testing::Rgb;

constexpr COLORREF kMagenta = RGB(255, 0, 255), kRed = RGB(255, 0, 0), kPanel = RGB(10, 20, 30);

// The window's glyph stand-in: 16 x 16 magenta with a red square at (4, 4)..(12, 12).
void MakeGlyph(TBitmap& glyph, int cells = 1, COLORREF second_cell = RGB(0, 0, 255)) {
  testing::MakeFilled32(glyph, 16 * cells, 16, static_cast<TColor>(kMagenta));
  ScopedCanvasLock lock(glyph.Canvas());
  HDC dc = glyph.Canvas().Handle();
  for (int c = 0; c < cells; ++c)
    for (int y = 4; y < 12; ++y)
      for (int x = 4; x < 12; ++x) ::SetPixel(dc, c * 16 + x, y, c == 0 ? kRed : second_cell);
}

std::unique_ptr<TFxBitBtn> WindowButton(bool themed) {
  auto b = std::make_unique<TFxBitBtn>(nullptr);
  b->SetParent(&testing::StagePanel());
  b->SetBounds(40, 28, 137, 25);
  b->SetCaption(L"Copy all");
  b->SetThemeAware(themed);
  TBitmap glyph;
  MakeGlyph(glyph);
  b->SetGlyph(&glyph);
  b->HandleNeeded();
  return b;
}

void HideCues(TWinControl& c) {
  ::SendMessageW(c.Handle(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}
void ShowCues(TWinControl& c) {
  ::SendMessageW(c.Handle(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

void Focus(TWinControl& c) {
  ::SetForegroundWindow(testing::StageForm().Handle());
  c.SetFocus();
  ASSERT_TRUE(testing::PumpUntil([&] { return c.Focused(); }, 2000));
}

// A focusable control that is not a button.
std::unique_ptr<TPanel> OtherControl() {
  auto p = std::make_unique<TPanel>(nullptr);
  p->SetParent(&testing::StagePanel());
  p->SetBounds(250, 150, 30, 30);
  p->SetTabStop(true);
  return p;
}

TEST(FxButtonDefaults, TheCustomButtonsOwnSize) {
  class Minimal : public TFxCustomButton {
   public:
    using TFxCustomButton::TFxCustomButton;
    void DoButtonClick() override {}
  };
  Minimal m(nullptr);
  EXPECT_EQ(m.Width(), 115);
  EXPECT_EQ(m.Height(), 17);
  EXPECT_TRUE(m.TabStop());
}

TEST(FxButtonDefaults, AsANewButtonHasThem) {
  TFxBitBtn b(nullptr);
  EXPECT_EQ(b.Width(), 75);
  EXPECT_EQ(b.Height(), 25);
  EXPECT_EQ(b.Alignment(), TAlignment::taCenter);
  EXPECT_EQ(b.AlignmentVertical(), TAlignmentVertical::avCenter);
  EXPECT_EQ(b.Color(), clBtnFace);
  EXPECT_FALSE(b.ParentColor());
  EXPECT_FALSE(b.Default());
  EXPECT_FALSE(b.Cancel());
  EXPECT_EQ(b.ModalResult(), 0);
  EXPECT_EQ(b.GroupIndex(), 0);
  EXPECT_FALSE(b.Down());
  EXPECT_FALSE(b.AllowAllUp());
  EXPECT_TRUE(b.ShowDownPattern());
  EXPECT_TRUE(b.ShowFocusRect());
  EXPECT_EQ(b.FrameColor(), cl3DDkShadow);
  EXPECT_TRUE(b.DropDownOnEnter());
  EXPECT_FALSE(b.HotTrack());
  EXPECT_EQ(b.HotTrackColor(), MakeRgb(240, 155, 20));
  EXPECT_EQ(b.HotTrackColorType(), TFxHotTrackColorType::htctActual);
  EXPECT_EQ(b.HighlightColor(), clHighlight);
  EXPECT_EQ(b.TextStyle(), TTextStyle::tsNormal);
  EXPECT_FALSE(b.LightTextStyle());
  EXPECT_EQ(b.TextHighlightColor(), clBtnHighlight);
  EXPECT_EQ(b.TextShadowColor(), clBtnShadow);
  EXPECT_EQ(b.TextShadowDepth(), 2);
  EXPECT_TRUE(b.ThemeAware());
  EXPECT_TRUE(b.Glyph().Empty());
  EXPECT_EQ(b.NumGlyphs(), 1);
  EXPECT_EQ(b.Layout(), TButtonLayout::blGlyphLeft);
  EXPECT_EQ(b.Margin(), 2);
  EXPECT_EQ(b.Spacing(), 4);
  EXPECT_EQ(b.Images(), nullptr);
  EXPECT_EQ(b.ImageIndex(), -1);
  EXPECT_EQ(b.DisabledIndex(), -1);
  EXPECT_EQ(b.Kind(), TBitBtnKind::bkCustom);
  EXPECT_TRUE(b.TabStop());
  EXPECT_FALSE(b.HasStyle(csClickEvents));
  EXPECT_FALSE(b.HasStyle(csOpaque));
  EXPECT_TRUE(b.HasStyle(csCaptureMouse));
}

// ---- classic face ----------------------------------------------------------------------------

TEST(FxButtonClassic, RingsAtRestFocusedAndPressed) {
  auto b = WindowButton(false);
  const RgbColor hi = Rgb(clBtnHighlight), dk = Rgb(cl3DDkShadow), light = Rgb(cl3DLight),
                 shadow = Rgb(clBtnShadow), face = Rgb(clBtnFace), text = Rgb(clBtnText),
                 frame = Rgb(clWindowFrame);
  Rendering r = testing::RenderControl(*b);
  // Outer ring: highlight left and top, dark shadow right and bottom (drawn last: the corners).
  EXPECT_EQ(r.At(0, 12), hi);
  EXPECT_EQ(r.At(68, 0), hi);
  EXPECT_EQ(r.At(0, 0), hi);
  EXPECT_EQ(r.At(136, 12), dk);
  EXPECT_EQ(r.At(68, 24), dk);
  EXPECT_EQ(r.At(136, 0), dk);
  EXPECT_EQ(r.At(0, 24), dk);
  // Inner ring: light, then shadow.
  EXPECT_EQ(r.At(1, 12), light);
  EXPECT_EQ(r.At(68, 1), light);
  EXPECT_EQ(r.At(135, 12), shadow);
  EXPECT_EQ(r.At(68, 23), shadow);
  EXPECT_EQ(r.At(2, 12), face);
  EXPECT_EQ(r.At(134, 2), face);

  // Focused (cues hidden): a window-frame ring outside the bevel, no focus dots.
  Focus(*b);
  HideCues(*b);
  r = testing::RenderControl(*b);
  EXPECT_EQ(r.At(0, 12), frame);
  EXPECT_EQ(r.At(136, 12), frame);
  EXPECT_EQ(r.At(68, 24), frame);
  EXPECT_EQ(r.At(1, 12), hi);
  EXPECT_EQ(r.At(134, 12), shadow);
  EXPECT_EQ(r.At(5, 4), face);

  // Held down with the mouse: the pressed bevel, button text all round then shadow, no frame.
  testing::PostMouse(b->Handle(), WM_LBUTTONDOWN, 60, 12, MK_LBUTTON);
  ASSERT_TRUE(b->PressedLook());
  r = testing::RenderControl(*b);
  for (auto [x, y] : {std::pair{0, 12}, {136, 12}, {68, 0}, {68, 24}}) EXPECT_EQ(r.At(x, y), text);
  for (auto [x, y] : {std::pair{1, 12}, {135, 12}, {68, 1}, {68, 23}}) EXPECT_EQ(r.At(x, y), shadow);
  testing::PostMouse(b->Handle(), WM_LBUTTONUP, 300, 12);
}

TEST(FxButtonClassic, AnotherFaceColourDerivesTheBevel) {
  auto b = WindowButton(false);
  b->SetColor(RGB(100, 150, 200));
  const Rendering r = testing::RenderControl(*b);
  const RgbColor c = MakeRgb(100, 150, 200);
  EXPECT_EQ(r.At(0, 12), LightenRgb(c, 100));
  EXPECT_EQ(r.At(136, 12), DarkenRgb(c, 100));
  EXPECT_EQ(r.At(1, 12), LightenRgb(c, 40));
  EXPECT_EQ(r.At(135, 12), DarkenRgb(c, 50));
  EXPECT_EQ(r.At(2, 12), c);
}

TEST(FxButtonClassic, FocusBorderDotByDotOnlyWithFocusCues) {
  auto b = WindowButton(false);
  Focus(*b);
  ShowCues(*b);
  const Rendering r = testing::RenderControl(*b);
  const RgbColor face = Rgb(clBtnFace), black = MakeRgb(0, 0, 0);
  // F = (4, 4)-(133, 21): columns 4 and 132 at odd rows 5..19, rows 4 and 20 at odd columns.
  for (int y = 5; y < 21; y += 2) {
    EXPECT_EQ(r.At(4, y), black) << y;
    EXPECT_EQ(r.At(132, y), black) << y;
    EXPECT_EQ(r.At(4, y + 1), face) << y;
  }
  for (int x = 5; x < 133; x += 2) {
    EXPECT_EQ(r.At(x, 4), black) << x;
    EXPECT_EQ(r.At(x, 20), black) << x;
    EXPECT_EQ(r.At(x + 1, 4), face) << x;
  }
  EXPECT_EQ(r.At(4, 4), face);
  EXPECT_EQ(r.At(3, 5), face);
  // ShowFocusRect off, or the cues hidden: no dots.
  b->SetShowFocusRect(false);
  EXPECT_EQ(testing::RenderControl(*b).At(5, 4), face);
  b->SetShowFocusRect(true);
  HideCues(*b);
  EXPECT_EQ(testing::RenderControl(*b).At(5, 4), face);
}

TEST(FxButtonClassic, GlyphAndCaptionMoveWhenPressed) {
  auto b = WindowButton(false);
  Rendering r = testing::RenderControl(*b);
  // At rest the glyph is at (7, 5): its red square at (11..18, 9..16).
  EXPECT_EQ(r.At(11, 9), kRed);
  EXPECT_EQ(r.At(18, 16), kRed);
  EXPECT_EQ(r.At(10, 9), Rgb(clBtnFace));  // magenta is transparent
  // The caption's black pixels, inside the bevel (the pressed bevel's outer ring is black too).
  auto caption_ink = [](const Rendering& x) {
    Rendering t = x;
    for (int y = 0; y < t.height; ++y)
      for (int xx = 0; xx < t.width; ++xx) {
        auto& p = t.pixels[static_cast<size_t>(y * t.width + xx)];
        if (p != 0 || xx < 3 || y < 3 || xx > 133 || y > 21) p = 0xFFFFFF;
      }
    return testing::InkBounds(t, 0xFFFFFF);
  };
  const RECT rest_ink = caption_ink(r);
  ASSERT_GT(rest_ink.right, rest_ink.left);
  testing::PostMouse(b->Handle(), WM_LBUTTONDOWN, 60, 12, MK_LBUTTON);
  r = testing::RenderControl(*b);
  EXPECT_EQ(r.At(12, 10), kRed);
  EXPECT_EQ(r.At(11, 9), Rgb(clBtnFace));
  // The caption (its black pixels) moves by (1, 1) too.
  const RECT pressed_ink = caption_ink(r);
  EXPECT_EQ(pressed_ink.left, rest_ink.left + 1);
  EXPECT_EQ(pressed_ink.top, rest_ink.top + 1);
  testing::PostMouse(b->Handle(), WM_LBUTTONUP, 300, 12);
}

TEST(FxButtonCaption, CentredInItsRectangleAndRightAlignedTwoPixelsIn) {
  auto b = WindowButton(false);
  Rendering r = testing::RenderControl(*b);
  TFont font;
  font.Assign(&b->Font());
  // The caption rectangle (27, 5, 132, 20); a 13 high line placed at (5 + 20 - h) / 2.
  const SIZE text = testing::MeasureText(font, L"Copy all");
  const int top = (5 + 20 - text.cy) / 2;
  testing::ReferencePicture want(137, 25, MakeRgb(255, 255, 255));
  want.Text(font, L"Copy all", {27, top, 132, top + text.cy}, DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS, 0);
  auto black_only = [](Rendering x) {
    for (auto& p : x.pixels) p = p == 0 ? 0 : 0xFFFFFF;
    return x;
  };
  EXPECT_EQ(testing::Differences(black_only(r), black_only(want.Pixels())), "");
  b->SetAlignment(TAlignment::taRightJustify);
  r = testing::RenderControl(*b);
  testing::ReferencePicture right(137, 25, MakeRgb(255, 255, 255));
  right.Text(font, L"Copy all", {27 - 2, top, 132 - 2, top + text.cy}, DT_RIGHT | DT_WORDBREAK | DT_EXPANDTABS, 0);
  EXPECT_EQ(testing::Differences(black_only(r), black_only(right.Pixels())), "");
}

TEST(FxButtonCaption, DisabledGreyAndAcceleratorMarksFollowTheCues) {
  auto b = WindowButton(false);
  b->SetEnabled(false);
  Rendering r = testing::RenderControl(*b);
  EXPECT_GT(testing::CountColor(r, Rgb(clGrayText)), 10);
  EXPECT_EQ(testing::CountColor(r, MakeRgb(0, 0, 0)), 0);
  EXPECT_EQ(r.At(11, 9), kRed);  // a one-cell glyph in full colour
  // A face nearly the grey text colour: the caption in the dark shadow colour.
  b->SetColor(static_cast<TColor>(ColorToRGB(clGrayText)) ^ 0x030303);
  r = testing::RenderControl(*b);
  EXPECT_GT(testing::CountColor(r, Rgb(cl3DDkShadow)), 10);
  // The accelerator's underline shows only with accelerator cues.
  b->SetEnabled(true);
  b->SetColor(clBtnFace);
  b->SetCaption(L"&Copy");
  ShowCues(*b);
  const int with_cues = testing::CountColor(testing::RenderControl(*b), 0);
  HideCues(*b);
  const int without = testing::CountColor(testing::RenderControl(*b), 0);
  EXPECT_GT(with_cues, without);
  // Hidden cues: "&&" reads as one "&", drawn as it reads (not taken as a mark again).
  b->SetCaption(L"Fish && Chips");
  TFont font;
  font.Assign(&b->Font());
  const SIZE text = testing::MeasureText(font, L"Fish & Chips", DT_NOPREFIX);
  const int top = (5 + 20 - text.cy) / 2;
  testing::ReferencePicture want(137, 25, MakeRgb(255, 255, 255));
  want.Text(font, L"Fish & Chips", {27, top, 132, top + text.cy},
            DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX, 0);
  auto black_only = [](Rendering x) {
    for (auto& p : x.pixels) p = p == 0 ? 0 : 0xFFFFFF;
    return x;
  };
  EXPECT_EQ(testing::Differences(black_only(testing::RenderControl(*b)), black_only(want.Pixels())), "");
}

// ---- themed face -----------------------------------------------------------------------------

// The platform's push-button part in `state` over the stage panel's colour.
Rendering PlatformPart(int state) {
  testing::ReferencePicture pic(137, 25, kPanel);
  HTHEME theme = ::OpenThemeData(nullptr, L"BUTTON");
  RECT r{0, 0, 137, 25};
  ::DrawThemeBackground(theme, pic.Dc(), BP_PUSHBUTTON, state, &r, nullptr);
  ::CloseThemeData(theme);
  return pic.Pixels();
}

// The rows above and below the caption and glyph (0..2 and 23..24) and the left columns.
std::string FaceDifferences(const Rendering& got, const Rendering& want) {
  std::string out;
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 137; ++x) {
      const bool face = y <= 2 || y >= 23 || x <= 2 || x >= 134;
      if (face && got.At(x, y) != want.At(x, y) && out.size() < 200)
        out += std::to_string(x) + "," + std::to_string(y) + " ";
    }
  return out;
}

TEST(FxButtonThemed, EachStateIsThePlatformsPart) {
  if (!ThemeServices().ThemesEnabled()) GTEST_SKIP() << "no visual styles on this desktop";
  auto b = WindowButton(true);
  auto other = OtherControl();
  Focus(*other);
  EXPECT_TRUE(b->UsingThemes());
  EXPECT_EQ(FaceDifferences(testing::RenderControl(*b), PlatformPart(PBS_NORMAL)), "");
  b->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(FaceDifferences(testing::RenderControl(*b), PlatformPart(PBS_HOT)), "");
  b->Perform(CM_MOUSELEAVE, 0, 0);
  Focus(*b);
  EXPECT_EQ(FaceDifferences(testing::RenderControl(*b), PlatformPart(PBS_DEFAULTED)), "");
  testing::PostMouse(b->Handle(), WM_LBUTTONDOWN, 60, 12, MK_LBUTTON);
  Rendering pressed = testing::RenderControl(*b);
  EXPECT_EQ(FaceDifferences(pressed, PlatformPart(PBS_PRESSED)), "");
  // Pressed, the glyph moves one pixel right (to (8, 5)) and the caption stays.
  EXPECT_EQ(pressed.At(12, 9), kRed);
  EXPECT_NE(pressed.At(11, 9), kRed);
  testing::PostMouse(b->Handle(), WM_LBUTTONUP, 300, 12);
  const Rendering rest = testing::RenderControl(*b);
  EXPECT_EQ(rest.At(11, 9), kRed);
  b->SetEnabled(false);
  EXPECT_EQ(FaceDifferences(testing::RenderControl(*b), PlatformPart(PBS_DISABLED)), "");
}

TEST(FxButtonThemed, FocusBorderInsetByThree) {
  if (!ThemeServices().ThemesEnabled()) GTEST_SKIP() << "no visual styles on this desktop";
  auto b = WindowButton(true);
  Focus(*b);
  ShowCues(*b);
  const Rendering r = testing::RenderControl(*b);
  // F = (3, 3)-(134, 22): rows 3 and 21 at columns 4, 6, ...; columns 3 and 133 at rows 4, 6, ...
  for (int x = 4; x < 134; x += 2) {
    EXPECT_EQ(r.At(x, 3), 0u) << x;
    EXPECT_EQ(r.At(x, 21), 0u) << x;
    EXPECT_NE(r.At(x + 1, 3), 0u) << x;
  }
  for (int y = 4; y < 22; y += 2) {
    EXPECT_EQ(r.At(3, y), 0u) << y;
    EXPECT_EQ(r.At(133, y), 0u) << y;
    EXPECT_NE(r.At(3, y + 1), 0u) << y;
  }
}

// ---- input -----------------------------------------------------------------------------------

TEST(FxButtonMouse, DraggingOffAndBackBeforeReleasing) {
  auto b = WindowButton(false);
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  HWND h = b->Handle();
  testing::PostMouse(h, WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  EXPECT_TRUE(b->Focused());
  EXPECT_TRUE(b->PressedLook());
  EXPECT_TRUE(b->MouseTracking());
  testing::PostMouse(h, WM_MOUSEMOVE, 200, 10, MK_LBUTTON);
  EXPECT_FALSE(b->PressedLook());
  EXPECT_TRUE(b->MouseTracking());
  testing::PostMouse(h, WM_LBUTTONUP, 200, 10);
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(b->MouseTracking());
  testing::PostMouse(h, WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  testing::PostMouse(h, WM_MOUSEMOVE, 137, 10, MK_LBUTTON);  // just outside
  EXPECT_FALSE(b->PressedLook());
  testing::PostMouse(h, WM_MOUSEMOVE, 136, 24, MK_LBUTTON);  // just inside again
  EXPECT_TRUE(b->PressedLook());
  testing::PostMouse(h, WM_LBUTTONUP, 136, 24);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(b->PressedLook());
  // The right button does not press it.
  testing::PostMouse(h, WM_RBUTTONDOWN, 10, 10, MK_RBUTTON);
  testing::PostMouse(h, WM_RBUTTONUP, 10, 10);
  EXPECT_EQ(clicks, 1);
}

TEST(FxButtonMouse, AClickWritesTheModalResultAndRunsInClick) {
  auto b = WindowButton(false);
  b->SetModalResult(7);
  bool in_click = false;
  b->OnClick = [&](TObject*) { in_click = b->InClick(); };
  testing::PostMouse(b->Handle(), WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  testing::PostMouse(b->Handle(), WM_LBUTTONUP, 10, 10);
  EXPECT_TRUE(in_click);
  EXPECT_FALSE(b->InClick());
  EXPECT_EQ(testing::StageForm().ModalResult(), 7);
  testing::StageForm().SetModalResult(0);
}

TEST(FxButtonKeys, SpaceEnterEscapeAndAccelerators) {
  auto b = WindowButton(false);
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  Focus(*b);
  HWND h = b->Handle();
  testing::PostKeyDown(h, VK_SPACE);
  EXPECT_TRUE(b->PressedLook());
  EXPECT_TRUE(b->SpacePending());
  testing::PostKeyUp(h, VK_SPACE);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(b->PressedLook());
  // Space held while the focus goes: no click, and the pending mark is gone.
  testing::PostKeyDown(h, VK_SPACE);
  auto other = OtherControl();
  Focus(*other);
  EXPECT_FALSE(b->SpacePending());
  EXPECT_FALSE(b->PressedLook());
  testing::PostKeyUp(other->Handle(), VK_SPACE);
  EXPECT_EQ(clicks, 1);
  // Enter on the focused button clicks it (it is the active button).
  Focus(*b);
  EXPECT_TRUE(b->ActiveButton());
  testing::PostKeyDown(h, VK_RETURN);
  testing::PostKeyUp(h, VK_RETURN);
  EXPECT_EQ(clicks, 2);
  // With Shift it does not.
  {
    testing::HeldModifiers shift({VK_SHIFT});
    testing::PostKeyDown(h, VK_RETURN);
  }
  EXPECT_EQ(clicks, 2);
  // Escape clicks a Cancel button wherever the focus is.
  b->SetCancel(true);
  Focus(*other);
  testing::PostKeyDown(other->Handle(), VK_ESCAPE);
  EXPECT_EQ(clicks, 3);
  // The caption's accelerator, with Alt or as a plain character at a control that takes none.
  b->SetCaption(L"&Copy");
  ::PostMessageW(other->Handle(), WM_SYSCHAR, L'c', 1 | (1 << 29));
  testing::PumpMessages(10);
  EXPECT_EQ(clicks, 4);
  ::PostMessageW(other->Handle(), WM_CHAR, L'C', 1);
  testing::PumpMessages(10);
  EXPECT_EQ(clicks, 5);
  // A disabled button takes no keys.
  b->SetEnabled(false);
  testing::PostKeyDown(other->Handle(), VK_ESCAPE);
  EXPECT_EQ(clicks, 5);
}

TEST(FxButtonKeys, TheDefaultButtonIsActiveWhileNoButtonHasTheFocus) {
  auto ok = WindowButton(false);
  auto second = WindowButton(false);
  second->SetLeft(200);
  auto other = OtherControl();
  int ok_clicks = 0;
  ok->OnClick = [&](TObject*) { ++ok_clicks; };
  Focus(*other);
  EXPECT_FALSE(ok->ActiveButton());
  ok->SetDefault(true);  // the form works out the active button again
  EXPECT_TRUE(ok->ActiveButton());
  testing::PostKeyDown(other->Handle(), VK_RETURN);
  EXPECT_EQ(ok_clicks, 1);
  // Another button with the focus is the active one; the default button is not.
  Focus(*second);
  EXPECT_TRUE(second->ActiveButton());
  EXPECT_FALSE(ok->ActiveButton());
  testing::PostKeyDown(second->Handle(), VK_RETURN);
  EXPECT_EQ(ok_clicks, 1);
  Focus(*other);
  EXPECT_TRUE(ok->ActiveButton());
  EXPECT_FALSE(second->ActiveButton());
}

TEST(FxButtonKeys, CuesStartFromTheLastInput) {
  auto other = OtherControl();
  Focus(*other);
  testing::PostMouse(other->Handle(), WM_LBUTTONDOWN, 2, 2, MK_LBUTTON);
  testing::PostMouse(other->Handle(), WM_LBUTTONUP, 2, 2);
  auto after_mouse = WindowButton(false);
  EXPECT_FALSE(FocusCuesShown(after_mouse->Handle()));
  EXPECT_FALSE(AccelCuesShown(after_mouse->Handle()));
  testing::PostKeyDown(other->Handle(), 'Q');
  testing::PostKeyUp(other->Handle(), 'Q');
  auto after_keys = WindowButton(false);
  EXPECT_TRUE(FocusCuesShown(after_keys->Handle()));
  EXPECT_TRUE(AccelCuesShown(after_keys->Handle()));
}

TEST(FxButtonState, DisablingGivesUpTheFocusAndRepaintsAreImmediate) {
  class Counting : public TFxBitBtn {
   public:
    using TFxBitBtn::TFxBitBtn;
    int paints = 0;

   protected:
    void Paint() override {
      ++paints;
      TFxBitBtn::Paint();
    }
  };
  auto b = std::make_unique<Counting>(nullptr);
  b->SetParent(&testing::StagePanel());
  b->SetBounds(40, 28, 137, 25);
  b->SetThemeAware(false);
  Focus(*b);
  testing::PumpMessages(10);
  int before = b->paints;
  b->SetCaption(L"Copied!");
  EXPECT_EQ(b->paints, before + 1);  // before the setter returns
  b->SetEnabled(false);
  EXPECT_FALSE(b->Focused());
  EXPECT_FALSE(::IsWindowEnabled(b->Handle()));
  // An equal ShowFocusRect does not invalidate; a new one does.
  testing::PumpMessages(10);
  b->SetShowFocusRect(true);
  EXPECT_FALSE(::GetUpdateRect(b->Handle(), nullptr, FALSE));
  b->SetShowFocusRect(false);
  EXPECT_TRUE(::GetUpdateRect(b->Handle(), nullptr, FALSE));
}

// ---- groups ----------------------------------------------------------------------------------

TEST(FxButtonGroups, LatchingAndTheDitherPattern) {
  auto a = std::make_unique<TFxButton>(nullptr);
  auto b = std::make_unique<TFxButton>(nullptr);
  for (TFxButton* x : {a.get(), b.get()}) {
    x->SetParent(&testing::StagePanel());
    x->SetThemeAware(false);
    x->SetGroupIndex(1);
  }
  a->SetBounds(10, 10, 60, 25);
  b->SetBounds(80, 10, 60, 25);
  a->SetDown(true);
  EXPECT_EQ(a->DownState(), 3);
  b->SetDown(true);
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  b->SetDown(false);  // refused without AllowAllUp
  EXPECT_TRUE(b->Down());
  // A click on the down button keeps it down; on the other one moves the latch.
  testing::PostMouse(b->Handle(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  testing::PostMouse(b->Handle(), WM_LBUTTONUP, 5, 5);
  EXPECT_TRUE(b->Down());
  testing::PostMouse(a->Handle(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  testing::PostMouse(a->Handle(), WM_LBUTTONUP, 5, 5);
  EXPECT_TRUE(a->Down());
  EXPECT_FALSE(b->Down());
  // AllowAllUp is shared by the group: then a click releases.
  b->SetAllowAllUp(true);
  EXPECT_TRUE(a->AllowAllUp());
  a->SetDown(false);
  EXPECT_FALSE(a->Down());
  // An ungrouped button never latches.
  TFxButton plain(nullptr);
  plain.SetDown(true);
  EXPECT_FALSE(plain.Down());

  // The latched button: lowered frame, then the face with every equal-parity pixel silver.
  a->SetDown(true);
  HideCues(*a);  // no focus border over the pattern
  const Rendering r = testing::RenderControl(*a);
  const RgbColor face = Rgb(clBtnFace), silver = MakeRgb(192, 192, 192);
  for (int y = 2; y < 6; ++y)
    for (int x = 2; x < 10; ++x) EXPECT_EQ(r.At(x, y), ((x ^ y) & 1) == 0 ? silver : face) << x << "," << y;
  // A silver face gets grey dots.
  a->SetColor(clSilver);
  const Rendering s = testing::RenderControl(*a);
  EXPECT_EQ(s.At(4, 4), MakeRgb(128, 128, 128));
  EXPECT_EQ(s.At(5, 4), silver);
  a->SetShowDownPattern(false);
  EXPECT_EQ(testing::RenderControl(*a).At(4, 4), silver);
}

// ---- hot-track face --------------------------------------------------------------------------

TEST(FxButtonHotTrack, FramesGradientAndHighlightRing) {
  auto b = WindowButton(false);
  b->SetGlyph(nullptr);
  b->SetCaption(L"");
  b->SetColor(RGB(200, 200, 220));
  b->SetHotTrack(true);
  EXPECT_TRUE(b->Transparent());
  const RgbColor c = MakeRgb(200, 200, 220), parent = MakeRgb(10, 20, 30);
  Rendering r = testing::RenderControl(*b);
  EXPECT_EQ(r.At(0, 0), parent);                     // cut corner: the parent shows
  EXPECT_EQ(r.At(0, 12), DarkenRgb(parent, 20));     // outer frame, left
  EXPECT_EQ(r.At(136, 12), LightenRgb(parent, 20));  // outer frame, right
  EXPECT_EQ(r.At(1, 12), Rgb(cl3DDkShadow));         // inner frame in FrameColor
  EXPECT_EQ(r.At(1, 1), parent);                     // the inner frame's corner is cut too
  EXPECT_EQ(r.At(2, 1), Rgb(cl3DDkShadow));
  EXPECT_EQ(r.At(68, 21), DarkenRgb(c, 20));         // second-last row of the face
  EXPECT_EQ(r.At(68, 22), DarkenRgb(c, 30));         // last row
  EXPECT_EQ(r.At(68, 20), DarkenRgb(c, 10));         // the gradient's stop colour at its end
  // The mouse inside: a highlight ring, its gradient ending in the hot-track colour.
  b->Perform(CM_MOUSEENTER, 0, 0);
  r = testing::RenderControl(*b);
  EXPECT_EQ(r.At(68, 22), MakeRgb(240, 155, 20));
  EXPECT_NE(r.At(2, 12), r.At(40, 12));              // ring columns differ from the face inside
  // Pressed: the face darkened by 10.
  b->Perform(CM_MOUSELEAVE, 0, 0);
  testing::PostMouse(b->Handle(), WM_LBUTTONDOWN, 60, 12, MK_LBUTTON);
  r = testing::RenderControl(*b);
  EXPECT_EQ(r.At(68, 12), DarkenRgb(c, 10));
  testing::PostMouse(b->Handle(), WM_LBUTTONUP, 300, 12);
  // Disabled: the parent's colour outside, the face plain.
  b->SetEnabled(false);
  r = testing::RenderControl(*b);
  EXPECT_EQ(r.At(0, 12), parent);
  EXPECT_EQ(r.At(1, 12), DarkenRgb(c, 80));
  EXPECT_EQ(r.At(68, 12), c);
  // HotTrack off again: the transparency flag follows.
  b->SetHotTrack(false);
  EXPECT_FALSE(b->Transparent());
}

// ---- glyphs ----------------------------------------------------------------------------------

TEST(FxButtonGlyphs, NumGlyphsFromTheBitmapAndTheCellDrawn) {
  auto b = WindowButton(false);
  struct Size {
    int w, h, cells;
  };
  for (Size s : {Size{64, 16, 4}, Size{48, 16, 3}, Size{80, 16, 1}, Size{20, 16, 1}, Size{32, 16, 2}}) {
    TBitmap g;
    testing::MakeFilled32(g, s.w, s.h, clRed);
    b->SetGlyph(&g);
    EXPECT_EQ(b->NumGlyphs(), s.cells) << s.w;
  }
  // 20 x 16 leaves the count as it was.
  TBitmap three;
  testing::MakeFilled32(three, 48, 16, clRed);
  b->SetGlyph(&three);
  TBitmap odd;
  testing::MakeFilled32(odd, 20, 16, clRed);
  b->SetGlyph(&odd);
  EXPECT_EQ(b->NumGlyphs(), 3);
  // Two cells: red for enabled, blue for disabled.
  TBitmap two;
  MakeGlyph(two, 2);
  b->SetGlyph(&two);
  EXPECT_EQ(b->NumGlyphs(), 2);
  EXPECT_EQ(testing::RenderControl(*b).At(11, 9), kRed);
  b->SetEnabled(false);
  EXPECT_EQ(testing::RenderControl(*b).At(11, 9), RGB(0, 0, 255));
}

TEST(FxButtonGlyphs, ImageListGlyphs) {
  auto b = WindowButton(false);
  b->SetGlyph(nullptr);
  auto images = std::make_unique<TImageList>(nullptr, 16, 16);
  TBitmap strip;
  testing::MakeFilled32(strip, 32, 16, clFuchsia);
  {
    ScopedCanvasLock lock(strip.Canvas());
    for (int y = 4; y < 12; ++y)
      for (int x = 4; x < 12; ++x) {
        ::SetPixel(strip.Canvas().Handle(), x, y, RGB(0, 0, 255));
        ::SetPixel(strip.Canvas().Handle(), 16 + x, y, RGB(0, 160, 0));
      }
  }
  images->AddMasked(strip, clFuchsia);
  b->SetImages(images.get());
  b->SetImageIndex(0);
  Rendering r = testing::RenderControl(*b);
  EXPECT_EQ(r.At(11, 9), RGB(0, 0, 255));  // the glyph rectangle (7, 5) as for a bitmap glyph
  EXPECT_EQ(r.At(10, 9), Rgb(clBtnFace));
  b->SetEnabled(false);
  r = testing::RenderControl(*b);
  EXPECT_EQ(r.At(11, 9), Rgb(clBtnShadow));  // the list's disabled look
  b->SetDisabledIndex(1);
  EXPECT_EQ(testing::RenderControl(*b).At(11, 9), RGB(0, 160, 0));
  // The list freed: the button forgets it.
  images.reset();
  EXPECT_EQ(b->Images(), nullptr);
  testing::RenderControl(*b);
}

TEST(FxButtonGlyphs, StockKinds) {
  auto b = WindowButton(false);
  b->SetKind(TBitBtnKind::bkOK);
  EXPECT_EQ(b->Kind(), TBitBtnKind::bkOK);
  EXPECT_EQ(b->Caption(), L"OK");
  EXPECT_TRUE(b->Default());
  EXPECT_EQ(b->ModalResult(), 1);
  EXPECT_EQ(b->NumGlyphs(), 2);
  EXPECT_EQ(b->Glyph().Width(), 36);
  // The stock glyph shows (green ink of the check mark) in its place.
  EXPECT_GT(testing::CountColor(testing::RenderControl(*b), MakeRgb(0, 128, 0)), 10);
  b->SetModalResult(3);
  EXPECT_EQ(b->Kind(), TBitBtnKind::bkCustom);
  b->SetKind(TBitBtnKind::bkCancel);
  EXPECT_TRUE(b->Cancel());
  EXPECT_FALSE(b->Default());
  EXPECT_EQ(b->Kind(), TBitBtnKind::bkCancel);
  TBitmap own;
  MakeGlyph(own);
  b->SetGlyph(&own);
  EXPECT_EQ(b->Kind(), TBitBtnKind::bkCustom);
  // A stock kind read from a design keeps a stored caption.
  auto loaded = WindowButton(false);
  testing::LoadAsDesigned(*loaded, [&] {
    loaded->SetCaption(L"Fine");
    loaded->SetKind(TBitBtnKind::bkYes);
  });
  EXPECT_EQ(loaded->Caption(), L"Fine");
  EXPECT_EQ(loaded->ModalResult(), 6);
}

TEST(FxButtonGlyphs, MarginBelowMinusOneIsIgnored) {
  auto b = WindowButton(false);
  b->SetMargin(-1);
  EXPECT_EQ(b->Margin(), -1);
  b->SetMargin(-2);
  EXPECT_EQ(b->Margin(), -1);
  // Margin -1 with the glyph left: the glyph at the caption rectangle's left edge (5, 5).
  EXPECT_EQ(testing::RenderControl(*b).At(9, 9), kRed);
}

}  // namespace
}  // namespace vornada
