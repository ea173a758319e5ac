// Painting tests of the flat button under Wine: each look rendered into a bitmap and checked at
// the places the rules fix - the gradients' band rows, the width of the coloured frame per
// state, the border and softened corner pixels, the focus rectangle's inset, the disabled
// colours, the glyph (bitmap and PNG, transparent, not greyed when disabled) and the caption
// (centred, ellipsis, accelerator underline), and the gradients made again on a resize.
// Expected colours are worked out from the rules (FlatTestSupport), not taken from the code.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FlButton.h"
#include "FlatTestSupport.h"
#include "PngGraphic.h"
#include "StdCtrls.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::DitheredGradientRow;
using testing::PumpMessages;
using testing::RenderControl;
using testing::Rendering;
using testing::StageForm;

constexpr COLORREF kParent = RGB(10, 20, 30);
constexpr COLORREF kFaceTop = RGB(255, 255, 255), kFaceBottom = RGB(239, 235, 231);
constexpr COLORREF kPressedTop = RGB(214, 207, 198), kPressedBottom = RGB(247, 243, 235);
constexpr COLORREF kHotTop = RGB(255, 243, 206), kHotBottom = RGB(231, 150, 0);
constexpr COLORREF kFocusTop = RGB(206, 231, 255), kFocusBottom = RGB(109, 132, 239);
constexpr COLORREF kBorder = RGB(0, 60, 115), kCorner = RGB(123, 150, 173);
constexpr COLORREF kDisabledFace = RGB(240, 247, 239), kDisabledBorder = RGB(207, 199, 191);
constexpr COLORREF kDisabledText = RGB(160, 160, 144);
constexpr COLORREF kCaption = RGB(200, 0, 0);
constexpr int kW = 73, kH = 25;

class ButtonPaint : public ::testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<TPanel>(nullptr);
    host->SetBevelOuter(TBevelCut::bvNone);
    host->SetParentColor(false);
    host->SetColor(kParent);
    host->SetBounds(0, 0, 400, 300);
    host->SetParent(&StageForm());
    other = new TFlButton(host.get());  // somewhere else for the focus to go
    other->SetBounds(200, 200, 73, 25);
    other->SetParent(host.get());
    edit = new TCustomEdit(host.get());  // a control that is no flat button
    edit->SetBounds(200, 100, 80, 20);
    edit->SetParent(host.get());
    button = new TFlButton(host.get());
    button->SetBounds(20, 20, kW, kH);
    button->SetParent(host.get());
    button->Font().SetColor(kCaption);
    ::SetForegroundWindow(StageForm().Handle());
    PumpMessages(5);
  }
  void TearDown() override {
    if (::GetCapture() != nullptr) ::ReleaseCapture();
  }

  void Press() { button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10)); }
  void Release() { button->Perform(WM_LBUTTONUP, 0, MAKELPARAM(10, 10)); }
  void Enter() { button->Perform(CM_MOUSEENTER); }
  void Leave() { button->Perform(CM_MOUSELEAVE); }

  std::unique_ptr<TPanel> host;
  TFlButton* button = nullptr;
  TFlButton* other = nullptr;
  TCustomEdit* edit = nullptr;
};

// What the rules put at (x, y) inside the border of an enabled 73 x 25 button whose face was
// made 71 x 23 (no frame when it was made).
struct Look {
  const char* name;
  bool frame;
  bool hot_frame;
  bool pressed_face;
  int mouse_border = 2;
};

COLORREF Expected(const Look& look, int x, int y) {
  if (look.pressed_face) return DitheredGradientRow(y - 1, kH - 2, kPressedTop, kPressedBottom);
  if (!look.frame) return DitheredGradientRow(y - 1, kH - 2, kFaceTop, kFaceBottom);
  const int m = look.mouse_border + 1;
  if (x >= m && x < kW - m && y >= m && y < kH - m)
    return DitheredGradientRow(y - m, kH - 2, kFaceTop, kFaceBottom);
  return look.hot_frame ? DitheredGradientRow(y - 1, kH - 2, kHotTop, kHotBottom)
                        : DitheredGradientRow(y - 1, kH - 2, kFocusTop, kFocusBottom);
}

// The middle row and the middle column inside the border, away from the rounded corners.
void ExpectLook(const Rendering& r, const Look& look) {
  for (int x = 1; x < kW - 1; ++x)
    EXPECT_EQ(r.At(x, 12), Expected(look, x, 12)) << look.name << " at " << x << ",12";
  for (int y = 1; y < kH - 1; ++y)
    EXPECT_EQ(r.At(36, y), Expected(look, 36, y)) << look.name << " at 36," << y;
}

TEST_F(ButtonPaint, FaceAndFramePerState) {
  button->SetShowFocusRect(false);
  edit->SetFocus();
  struct Case {
    Look look;
    std::function<void()> arrange;
  };
  const Case cases[] = {
      {{"plain", false, false, false}, [] {}},
      {{"hot", true, true, false}, [&] { Enter(); }},
      {{"focused", true, false, false}, [&] { button->SetFocus(); }},
      {{"hot and pressed", false, false, true}, [&] { Enter(); Press(); }},
      {{"pressed, dragged off", true, false, false}, [&] { Enter(); Press(); Leave(); }},
      {{"default, no flat button active", true, false, false},
       [&] { button->SetDefault(true); }},
      {{"default, another flat button active", false, false, false},
       [&] { button->SetDefault(true); other->SetFocus(); }},
      {{"hot, mouse border 4", true, true, false, 4},
       [&] { button->SetMouseBorderWidth(4); Enter(); }},
  };
  for (const Case& c : cases) {
    c.arrange();
    ExpectLook(RenderControl(*button, RGB(1, 2, 3)), c.look);
    // Back to the plain state.
    Release();
    Leave();
    button->SetDefault(false);
    button->SetMouseBorderWidth(2);
    edit->SetFocus();
    ASSERT_FALSE(button->IsPressed() || button->IsHot() || button->HasFocusState());
  }
}

TEST_F(ButtonPaint, BorderSoftenedCornersAndBackground) {
  for (const bool hot : {false, true}) {
    if (hot) Enter();
    const Rendering r = RenderControl(*button);
    for (const POINT p : {POINT{36, 0}, POINT{0, 12}, POINT{72, 12}, POINT{36, 24}, POINT{5, 0},
                          POINT{0, 5}})
      EXPECT_EQ(r.At(p.x, p.y), kBorder) << p.x << "," << p.y;
    // (0, 1) and (1, 0); (W-2, 0)-(W, 2); (0, H-2)-(2, H); (W-3, H)-(W, H-3), without end points.
    for (const POINT p : {POINT{0, 1}, POINT{1, 0}, POINT{71, 0}, POINT{72, 1}, POINT{0, 23},
                          POINT{1, 24}, POINT{71, 24}, POINT{72, 23}})
      EXPECT_EQ(r.At(p.x, p.y), kCorner) << p.x << "," << p.y;
    // The very corners stay in the button's colour (the parent's).
    for (const POINT p : {POINT{0, 0}, POINT{72, 0}, POINT{0, 24}, POINT{72, 24}})
      EXPECT_EQ(r.At(p.x, p.y), kParent) << p.x << "," << p.y;
  }
}

TEST_F(ButtonPaint, FocusRectangleIsInsetByItsOffset) {
  button->SetFocus();
  for (const int offset : {2, 4}) {
    button->SetFocusRectOffset(offset);
    button->SetShowFocusRect(false);
    const Rendering without = RenderControl(*button);
    button->SetShowFocusRect(true);
    const Rendering with = RenderControl(*button);
    int top = 0, bottom = 0, left = 0, right = 0;
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        if (with.At(x, y) == without.At(x, y)) continue;
        const bool on_outline = ((x == offset || x == kW - offset - 1) && y >= offset &&
                                 y <= kH - offset - 1) ||
                                ((y == offset || y == kH - offset - 1) && x >= offset &&
                                 x <= kW - offset - 1);
        EXPECT_TRUE(on_outline) << "offset " << offset << ": changed pixel " << x << "," << y;
        top += y == offset;
        bottom += y == kH - offset - 1;
        left += x == offset;
        right += x == kW - offset - 1;
      }
    }
    // A dotted line: about every other pixel of each side.
    EXPECT_GE(top, (kW - 2 * offset) / 3) << offset;
    EXPECT_GE(bottom, (kW - 2 * offset) / 3) << offset;
    EXPECT_GE(left, (kH - 2 * offset) / 3) << offset;
    EXPECT_GE(right, (kH - 2 * offset) / 3) << offset;
  }
}

// A 16 x 16 bitmap glyph: magenta (its bottom-left pixel, so the transparent colour) with a
// blue square at 4 .. 11.
void MakeSquareGlyph(TBitmap& glyph) {
  testing::MakeFilled32(glyph, 16, 16, RGB(255, 0, 255));
  glyph.Canvas().Brush().SetColor(RGB(0, 0, 255));
  glyph.Canvas().FillRect(RECT{4, 4, 12, 12});
}

TEST_F(ButtonPaint, DisabledLook) {
  TBitmap glyph;
  MakeSquareGlyph(glyph);
  button->SetGlyph(&glyph);
  button->SetCaption(L"W");
  button->SetEnabled(false);
  const Rendering r = RenderControl(*button);
  for (const POINT p : {POINT{36, 0}, POINT{0, 12}, POINT{72, 12}, POINT{36, 24}})
    EXPECT_EQ(r.At(p.x, p.y), kDisabledBorder) << p.x << "," << p.y;
  for (const POINT p : {POINT{1, 12}, POINT{2, 12}, POINT{36, 1}, POINT{36, 2}, POINT{70, 20},
                        POINT{71, 12}})
    EXPECT_EQ(r.At(p.x, p.y), kDisabledFace) << p.x << "," << p.y;
  // The glyph in full colour at (2 + 5, (25 - 16) div 2), its magenta transparent.
  EXPECT_EQ(r.At(7 + 4, 4 + 4), RGB(0, 0, 255));
  EXPECT_EQ(r.At(7 + 11, 4 + 11), RGB(0, 0, 255));
  EXPECT_EQ(r.At(7 + 3, 4 + 3), kDisabledFace);
  EXPECT_EQ(r.At(7 + 12, 4 + 12), kDisabledFace);
  // The caption in grey, right of the glyph: its rectangle runs from 2 + 16 + 3 to 71.
  const RECT ink = testing::BoundsOfColor(r, kDisabledText, RECT{0, 0, kW, kH});
  ASSERT_LT(ink.left, ink.right) << "the caption is grey";
  EXPECT_GE(ink.left, 21);
  EXPECT_NEAR((ink.left + ink.right) / 2.0, (21 + 71) / 2.0, 2.5);
  EXPECT_EQ(testing::BoundsOfColor(r, kCaption, RECT{0, 0, kW, kH}).right, 0)
      << "not in the font's own colour";
}

TEST_F(ButtonPaint, BitmapGlyphIsTransparentAndMovesTheCaption) {
  TBitmap glyph;
  MakeSquareGlyph(glyph);
  button->SetGlyph(&glyph);
  button->SetCaption(L"W");
  button->SetOffsetOnClick(2);
  struct Case {
    const char* what;
    bool pressed;
    int shift;
  };
  for (const Case c : {Case{"released", false, 0}, Case{"hot and pressed", true, 2}}) {
    if (c.pressed) {
      Enter();
      Press();
    }
    const Rendering r = RenderControl(*button);
    const int gx = 7 + c.shift, gy = 4 + c.shift;  // (4 + 3, (25 - 16) div 2), shifted
    EXPECT_EQ(r.At(gx + 4, gy + 4), RGB(0, 0, 255)) << c.what;
    EXPECT_EQ(r.At(gx + 11, gy + 11), RGB(0, 0, 255)) << c.what;
    const COLORREF top = c.pressed ? kPressedTop : kFaceTop;
    const COLORREF bottom = c.pressed ? kPressedBottom : kFaceBottom;
    EXPECT_EQ(r.At(gx + 1, gy + 1), DitheredGradientRow(gy, kH - 2, top, bottom))
        << c.what << ": the magenta shows the face";
    // Caption rectangle: from 4 + 16 + 3 to 69, shifted.
    const RECT ink = testing::BoundsOfColor(r, kCaption, RECT{0, 0, kW, kH});
    ASSERT_LT(ink.left, ink.right) << c.what;
    EXPECT_NEAR((ink.left + ink.right) / 2.0, (23 + 69) / 2.0 + c.shift, 2.5) << c.what;
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, kH / 2.0 + c.shift, 3) << c.what;
  }
}

TEST_F(ButtonPaint, PngGlyphKeepsItsAlpha) {
  ASSERT_TRUE(PngGraphicRegistered());
  // 8 x 8: the top half opaque green, the bottom half fully transparent.
  std::vector<uint32_t> rgba(64);
  for (int i = 0; i < 64; ++i) rgba[static_cast<size_t>(i)] = i < 32 ? 0xFF00FF00u : 0x00FFFFFFu;
  const std::vector<uint8_t> file = testing::EncodeRgbaPng(8, 8, rgba);
  TMemoryStream stream;
  stream.WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
  stream.SetPosition(0);
  TPngGraphic png;
  png.LoadFromStream(stream);
  button->SetGlyph(&png);
  ASSERT_NE(dynamic_cast<TPngGraphic*>(button->Glyph().Graphic()), nullptr)
      << "the glyph keeps the picture's class";
  const Rendering r = RenderControl(*button);
  const int gx = 7, gy = (kH - 8) / 2;
  EXPECT_EQ(r.At(gx, gy), RGB(0, 255, 0));
  EXPECT_EQ(r.At(gx + 7, gy + 3), RGB(0, 255, 0));
  EXPECT_EQ(r.At(gx, gy + 4), DitheredGradientRow(gy + 3, kH - 2, kFaceTop, kFaceBottom));
  EXPECT_EQ(r.At(gx + 7, gy + 7), DitheredGradientRow(gy + 6, kH - 2, kFaceTop, kFaceBottom));
}

TEST_F(ButtonPaint, LongCaptionEndsWithAnEllipsis) {
  button->SetCaption(std::wstring(30, L'W'));
  const Rendering r = RenderControl(*button);
  const RECT ink = testing::BoundsOfColor(r, kCaption, RECT{0, 0, kW, kH});
  ASSERT_LT(ink.left, ink.right);
  EXPECT_GE(ink.left, 4);
  EXPECT_LE(ink.right, kW - 4) << "inside the content rectangle";
  // The last ink columns are the dots of the ellipsis: low, not the full height of a W.
  const RECT tail = testing::BoundsOfColor(r, kCaption, RECT{ink.right - 2, 0, ink.right, kH});
  EXPECT_LE(tail.bottom - tail.top, 2);
  EXPECT_GT(ink.bottom - ink.top, 4);
}

TEST_F(ButtonPaint, AmpersandUnderlinesTheNextLetter) {
  button->SetCaption(L"W");
  const Rendering plain = RenderControl(*button);
  button->SetCaption(L"&W");
  const Rendering marked = RenderControl(*button);
  RECT changed{kW, kH, 0, 0};
  int count = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      if (plain.At(x, y) != marked.At(x, y)) {
        ++count;
        changed = {std::min<LONG>(changed.left, x), std::min<LONG>(changed.top, y),
                   std::max<LONG>(changed.right, x + 1), std::max<LONG>(changed.bottom, y + 1)};
        EXPECT_EQ(marked.At(x, y), kCaption) << "the underline is drawn in the caption colour";
      }
  ASSERT_GT(count, 0);
  EXPECT_EQ(changed.bottom - changed.top, 1) << "one row: an underline";
  EXPECT_GE(changed.right - changed.left, 5) << "under the whole letter";
  const RECT letter = testing::BoundsOfColor(plain, kCaption, RECT{0, 0, kW, kH});
  EXPECT_GE(changed.top, letter.bottom - 1) << "below the letter";
}

TEST_F(ButtonPaint, ResizeMakesTheGradientsForTheNewSize) {
  button->SetBounds(20, 20, 100, 40);
  EXPECT_EQ(button->FaceBitmap().Width(), 98);
  EXPECT_EQ(button->FaceBitmap().Height(), 38);
  for (TBitmap* b : {&button->PressedFaceBitmap(), &button->HotFrameBitmap(),
                     &button->FocusFrameBitmap()}) {
    EXPECT_EQ(b->Width(), 98);
    EXPECT_EQ(b->Height(), 38);
  }
  Rendering r = RenderControl(*button);
  for (int y = 1; y < 39; ++y)
    EXPECT_EQ(r.At(50, y), DitheredGradientRow(y - 1, 38, kFaceTop, kFaceBottom)) << y;
  EXPECT_EQ(r.At(99, 20), kBorder);
  EXPECT_EQ(r.At(98, 39), kCorner);

  // Made while framed (hot), the face is 6 smaller and fills the framed inside exactly.
  Enter();
  button->SetBounds(20, 20, 100, 40);
  button->SetBounds(20, 20, 90, 36);
  EXPECT_EQ(button->FaceBitmap().Width(), 84);
  EXPECT_EQ(button->FaceBitmap().Height(), 30);
  r = RenderControl(*button);
  for (int y = 3; y < 33; ++y)
    EXPECT_EQ(r.At(45, y), DitheredGradientRow(y - 3, 30, kFaceTop, kFaceBottom)) << y;
  EXPECT_EQ(r.At(45, 33), DitheredGradientRow(32, 34, kHotTop, kHotBottom));
  // Unframed again, the smaller face covers what it has; the rest shows the button's colour.
  Leave();
  r = RenderControl(*button);
  EXPECT_EQ(r.At(45, 1), kFaceTop);
  EXPECT_EQ(r.At(87, 18), kParent) << "right of the face: nothing copied from beyond it";
}

}  // namespace
}  // namespace vornada
