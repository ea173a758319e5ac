// The framework label under Wine: sizing to its caption (blank and "&" captions, alignment
// keeping an edge, word wrap, waiting while loading), where its text is drawn (alignment,
// layout, right-to-left, disabled, transparent, without accelerator marks), the accelerator
// that focuses FocusControl, and mouse enter and leave.
#include <gtest/gtest.h>

#include <memory>

#include "Labels.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::Rendering;

SIZE Measure(TFont& font, const std::wstring& text, UINT flags = 0, int width = 0) {
  win::ScopedGetDC screen(nullptr);
  win::ScopedSelectObject select(screen, font.Handle());
  RECT r{0, 0, width, 0};
  ::DrawTextW(screen, text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
  return {r.right, r.bottom};
}

std::unique_ptr<TLabel> NewLabel() {
  auto label = std::make_unique<TLabel>(nullptr);
  label->SetParent(&testing::StagePanel());
  label->Font().SetName(L"MS Sans Serif");
  label->Font().SetHeight(-13);
  label->Font().SetColor(clBlack);
  label->SetColor(clWhite);
  return label;
}

// What DrawText gives for the label's text in `r` on a white picture of the label's size.
Rendering Reference(TLabel& label, const std::wstring& text, RECT r, UINT flags,
                    COLORREF color = RGB(0, 0, 0), COLORREF background = RGB(255, 255, 255)) {
  TBitmap picture;
  testing::MakeFilled32(picture, label.Width(), label.Height(), static_cast<TColor>(background));
  {
    ScopedCanvasLock lock(picture.Canvas());
    HDC dc = picture.Canvas().Handle();
    win::ScopedSelectObject select(dc, label.Font().Handle());
    ::SetTextColor(dc, color);
    ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
  }
  Rendering out;
  out.width = picture.Width();
  out.height = picture.Height();
  out.pixels = testing::PixelsOf(picture);
  return out;
}

TEST(LabelSize, BlankAndAmpersandCaptionsMeasureAsOneBlank) {
  auto label = NewLabel();
  const SIZE blank = Measure(label->Font(), L" ");
  label->SetCaption(L"x");
  label->SetCaption(L"");
  EXPECT_EQ(label->Width(), blank.cx);
  EXPECT_EQ(label->Height(), blank.cy);
  label->SetCaption(L"&");
  EXPECT_EQ(label->Width(), blank.cx);
  // Without accelerator marks "&" is a character of its own.
  label->SetShowAccelChar(false);
  label->SetCaption(L"x");
  label->SetCaption(L"&");
  EXPECT_EQ(label->Width(), Measure(label->Font(), L"&", DT_NOPREFIX).cx);
}

TEST(LabelSize, RightAlignedKeepsItsRightEdgeAndLeftAlignedItsLeft) {
  auto label = NewLabel();
  label->SetBounds(100, 10, 10, 10);
  label->SetCaption(L"Short");
  EXPECT_EQ(label->Left(), 100);
  label->SetAlignment(TAlignment::taRightJustify);
  const int right = label->Left() + label->Width();
  label->SetCaption(L"A much longer caption");
  EXPECT_EQ(label->Left() + label->Width(), right);
  EXPECT_EQ(label->Width(), Measure(label->Font(), L"A much longer caption").cx);
  label->SetCaption(L"S");
  EXPECT_EQ(label->Left() + label->Width(), right);
  // Right-to-left alignment mirrors: a left-aligned label then keeps its right edge.
  label->SetAlignment(TAlignment::taLeftJustify);
  label->SetBiDiMode(TBiDiMode::bdRightToLeft);
  const int right2 = label->Left() + label->Width();
  label->SetCaption(L"Somewhat longer");
  EXPECT_EQ(label->Left() + label->Width(), right2);
}

TEST(LabelSize, WordWrapMeasuresAtTheLabelsWidthAndLoadingWaits) {
  auto label = NewLabel();
  label->SetAutoSize(false);
  label->SetBounds(0, 0, 60, 10);
  label->SetWordWrap(true);
  label->SetCaption(L"one two three four five six");
  EXPECT_EQ(label->Height(), 10);
  label->SetAutoSize(true);
  const SIZE wrapped = Measure(label->Font(), L"one two three four five six", DT_WORDBREAK, 60);
  EXPECT_EQ(label->Height(), wrapped.cy);
  EXPECT_GT(wrapped.cy, Measure(label->Font(), L"one").cy);

  auto loaded = NewLabel();
  testing::LoadAsDesigned(*loaded, [&] {
    loaded->SetBounds(5, 5, 3, 3);
    loaded->SetCaption(L"Loaded caption");
    EXPECT_EQ(loaded->Width(), 3);  // no sizing while reading
  });
  EXPECT_EQ(loaded->Width(), Measure(loaded->Font(), L"Loaded caption").cx);
}

struct PlacementCase {
  TAlignment alignment;
  TTextLayout layout;
  UINT flags;
  int dy;  // offset of the text from the top for a 40 high label, by line height h: -1 means
           // (40 - h) / 2, -2 means 40 - h
};
class LabelPlacement : public ::testing::TestWithParam<PlacementCase> {};
TEST_P(LabelPlacement, TextWhereDrawTextPutsIt) {
  auto label = NewLabel();
  label->SetAutoSize(false);
  label->SetBounds(0, 0, 90, 40);
  label->SetCaption(L"Mid");
  label->SetAlignment(GetParam().alignment);
  label->SetLayout(GetParam().layout);
  const int h = Measure(label->Font(), L"Mid").cy;
  const int dy = GetParam().dy == -1 ? (40 - h) / 2 : GetParam().dy == -2 ? 40 - h : 0;
  const Rendering got = testing::RenderControl(*label);
  const Rendering want = Reference(*label, L"Mid", {0, dy, 90, 40 + dy}, GetParam().flags);
  EXPECT_EQ(got.pixels, want.pixels);
}
INSTANTIATE_TEST_SUITE_P(
    Placements, LabelPlacement,
    ::testing::Values(PlacementCase{TAlignment::taLeftJustify, TTextLayout::tlTop, DT_LEFT, 0},
                      PlacementCase{TAlignment::taRightJustify, TTextLayout::tlTop, DT_RIGHT, 0},
                      PlacementCase{TAlignment::taCenter, TTextLayout::tlCenter, DT_CENTER, -1},
                      PlacementCase{TAlignment::taLeftJustify, TTextLayout::tlBottom, DT_LEFT, -2}));

TEST(LabelPaint, DisabledTextIsEtched) {
  auto label = NewLabel();
  label->SetCaption(L"Off");
  label->SetEnabled(false);
  const Rendering got = testing::RenderControl(*label);
  TBitmap picture;
  testing::MakeFilled32(picture, label->Width(), label->Height(), clWhite);
  {
    ScopedCanvasLock lock(picture.Canvas());
    HDC dc = picture.Canvas().Handle();
    win::ScopedSelectObject select(dc, label->Font().Handle());
    ::SetBkMode(dc, TRANSPARENT);
    RECT r{1, 1, label->Width() + 1, label->Height() + 1};
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    ::DrawTextW(dc, L"Off", 3, &r, DT_LEFT | DT_EXPANDTABS);
    r = {0, 0, label->Width(), label->Height()};
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
    ::DrawTextW(dc, L"Off", 3, &r, DT_LEFT | DT_EXPANDTABS);
  }
  EXPECT_EQ(got.pixels, testing::PixelsOf(picture));
}

TEST(LabelPaint, AccelMarksRightToLeftAndTransparency) {
  auto label = NewLabel();
  label->SetAutoSize(false);
  label->SetBounds(0, 0, 80, 16);
  label->SetCaption(L"&Save");
  EXPECT_EQ(testing::RenderControl(*label).pixels,
            Reference(*label, L"&Save", {0, 0, 80, 16}, DT_LEFT).pixels);
  label->SetShowAccelChar(false);
  EXPECT_EQ(testing::RenderControl(*label).pixels,
            Reference(*label, L"&Save", {0, 0, 80, 16}, DT_LEFT | DT_NOPREFIX).pixels);
  label->SetBiDiMode(TBiDiMode::bdRightToLeft);
  EXPECT_EQ(testing::RenderControl(*label).pixels,
            Reference(*label, L"&Save", {0, 0, 80, 16}, DT_RIGHT | DT_NOPREFIX | DT_RTLREADING).pixels);
  label->SetBiDiMode(TBiDiMode::bdLeftToRight);
  // Transparent: only the text is drawn over what was there.
  label->SetTransparent(true);
  const Rendering got = testing::RenderControl(*label, RGB(7, 8, 9));
  EXPECT_EQ(got.pixels,
            Reference(*label, L"&Save", {0, 0, 80, 16}, DT_LEFT | DT_NOPREFIX, 0, RGB(7, 8, 9)).pixels);
  EXPECT_FALSE(label->HasStyle(csOpaque));
}

TEST(LabelParent, ColourAndFontFollowTheParent) {
  auto label = std::make_unique<TLabel>(nullptr);
  label->SetParent(&testing::StagePanel());
  EXPECT_EQ(label->Color(), testing::StagePanel().Color());
  EXPECT_EQ(label->Font().Name(), testing::StagePanel().Font().Name());
  testing::StagePanel().Font().SetHeight(-15);
  EXPECT_EQ(label->Font().Height(), -15);
  testing::StagePanel().Font().SetHeight(-11);
}

TEST(LabelEvents, MouseEnterAndLeaveOfTheLabelItself) {
  auto label = NewLabel();
  int enters = 0, leaves = 0;
  label->OnMouseEnter = [&](TObject*) { ++enters; };
  label->OnMouseLeave = [&](TObject*) { ++leaves; };
  label->Perform(CM_MOUSEENTER, 0, 0);
  label->Perform(CM_MOUSELEAVE, 0, 0);
  // A child's notification passing through is not the label's own.
  label->Perform(CM_MOUSEENTER, 0, 1234);
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(leaves, 1);
}

TEST(LabelAccelerator, AltAndTheKeyFocusTheFocusControl) {
  auto target = std::make_unique<TPanel>(nullptr);
  target->SetParent(&testing::StageForm());
  target->SetBounds(0, 0, 30, 30);
  target->SetTabStop(true);
  auto other = std::make_unique<TPanel>(nullptr);
  other->SetParent(&testing::StageForm());
  other->SetBounds(40, 0, 30, 30);
  auto label = NewLabel();
  label->SetCaption(L"&Name");
  label->SetFocusControl(target.get());
  ::SetForegroundWindow(testing::StageForm().Handle());
  other->SetFocus();
  ASSERT_TRUE(testing::PumpUntil([&] { return other->Focused(); }, 2000));
  // Alt+N arrives as WM_SYSCHAR at the focused window.
  ::PostMessageW(other->Handle(), WM_SYSCHAR, L'n', 1 | (1 << 29));
  EXPECT_TRUE(testing::PumpUntil([&] { return target->Focused(); }, 2000));
  // Another letter does nothing.
  other->SetFocus();
  ASSERT_TRUE(testing::PumpUntil([&] { return other->Focused(); }, 2000));
  ::PostMessageW(other->Handle(), WM_SYSCHAR, L'q', 1 | (1 << 29));
  testing::PumpMessages(30);
  EXPECT_TRUE(other->Focused());
  // A freed focus control is forgotten.
  target.reset();
  EXPECT_EQ(label->FocusControl(), nullptr);
  ::PostMessageW(other->Handle(), WM_SYSCHAR, L'n', 1 | (1 << 29));
  testing::PumpMessages(30);
}

}  // namespace
}  // namespace vornada
