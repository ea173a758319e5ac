// Tests of the image button under Wine: defaults, sizes from the skin, the locked size, cells
// stretched to other sizes (worked example) and the 7 x 7 minimum, the window region cut from
// the normal cell, the cell shown in each state after real mouse and key input, click events
// with their order and sender, the keys that press (Space without Shift or Ctrl, Enter with
// anything), the focus rectangle, captions (ellipsis, disabled gray), icon placement and
// offsets, ActivateAuto, and the fades between the normal and the hot cell with their timing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "SkImgBtn.h"
#include "SkinTestSupport.h"
#include "core/SkPixels.h"

namespace vornada {
namespace {

using testing::RunsOf;
using testing::HeldModifiers;
using testing::kMarker;
using testing::LoadAsDesigned;
using testing::MakeStandardSkin;
using testing::MoveRealPointer;
using testing::PostKeyDown;
using testing::PostKeyUp;
using testing::PostMouse;
using testing::PumpMessages;
using testing::PumpUntil;
using testing::RenderControl;
using testing::Rendering;
using testing::StageForm;
using testing::StagePanel;
using testing::StandardCellPixel;
using testing::StandardCellTransparent;
using testing::WindowRegionRuns;

constexpr int kCellW = 45, kCellH = 29;

uint32_t Cell(int cell, int x, int y) {
  return static_cast<uint32_t>(StandardCellPixel(cell, x, y, kCellW, kCellH));
}

// How many pixels of the rendering differ from the cell.
int Differences(const Rendering& r, int cell) {
  int n = 0;
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x) n += r.At(x, y) != Cell(cell, x, y);
  return n;
}

using testing::ExpandSpans;

class Button : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeStandardSkin(skin_, 4, kCellW, kCellH);
    button_ = std::make_unique<TSkImgBtn>(&StageForm());
    LoadAsDesigned(*button_, [&] {
      button_->SetParent(&StagePanel());
      button_->SetBounds(kLeft, kTop, 75, 25);
      button_->SetSkin(&skin_);
    });
    window_ = button_->Handle();
    MoveRealPointer(StagePanel().Handle(), 390, 290);  // away from the button
  }
  void TearDown() override { button_.reset(); }

  void PointerInside() { MoveRealPointer(window_, 10, 10); }
  void PointerOutside() { MoveRealPointer(StagePanel().Handle(), 390, 290); }

  static constexpr int kLeft = 20, kTop = 20;
  TBitmap skin_;
  std::unique_ptr<TSkImgBtn> button_;
  HWND window_ = nullptr;
};

TEST(ButtonDefaults, ACodeCreatedButton) {
  TSkImgBtn b(nullptr);
  EXPECT_FALSE(b.ActivateAuto());
  EXPECT_FALSE(b.FocusRect());
  EXPECT_TRUE(b.LockSize());
  EXPECT_EQ(b.MarginWidth(), 3);
  EXPECT_EQ(b.MarginHeight(), 3);
  EXPECT_TRUE(b.WordWrap());
  EXPECT_FALSE(b.FadeEnable());
  EXPECT_FALSE(b.FadeUponLoad());
  EXPECT_EQ(b.IconDownXPos(), 0);
  EXPECT_EQ(b.IconDownYPos(), 1);
  EXPECT_EQ(b.IconOverXPos(), 0);
  EXPECT_EQ(b.IconOverYPos(), 0);
  EXPECT_EQ(b.Width(), 75);
  EXPECT_EQ(b.Height(), 25);
  EXPECT_TRUE(b.TabStop());
  EXPECT_TRUE(b.Skin()->Empty());
  EXPECT_TRUE(b.Caption().empty());
  EXPECT_EQ(b.FadeStates(), 10);
}

TEST(ButtonSkin, TheLockedSizeIsOneCellOfTheStrip) {
  struct Case {
    int cells_width, height, extra, width;
  };
  for (const Case& c : {Case{45, 29, 0, 45}, Case{61, 28, 0, 61}, Case{45, 29, 3, 45}}) {
    TBitmap skin;
    testing::MakeSkin(skin, 4, c.cells_width, c.height, [](int, int, int) { return 0x00AA00; },
                      c.extra);
    TSkImgBtn b(&StageForm());
    b.SetParent(&StagePanel());
    b.SetSkin(&skin);
    EXPECT_EQ(b.Width(), c.width) << skin.Width();
    EXPECT_EQ(b.Height(), c.height) << skin.Width();
  }
}

TEST_F(Button, LockedSizeSnapsBack) {
  button_->SetBounds(kLeft, kTop, 100, 50);
  EXPECT_EQ(button_->Width(), kCellW);
  EXPECT_EQ(button_->Height(), kCellH);
}

TEST_F(Button, UnlockedCellsAreStretchedAndTheRegionFollows) {
  button_->SetLockSize(false);
  button_->SetBounds(kLeft, kTop, 60, 40);
  ASSERT_EQ(button_->Width(), 60);
  // The worked example: 45 -> 60 columns, 29 -> 40 rows.
  const std::vector<int> columns = ExpandSpans({{0, 21}, {21, 21, 16}, {22, 39}, {41, 44}});
  const std::vector<int> rows = ExpandSpans({{0, 13}, {13, 13, 7}, {14, 14, 16}, {26, 28}});
  const Rendering r = RenderControl(*button_);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(r.At(x, y), Cell(0, columns[x], rows[y])) << x << "," << y;
  EXPECT_EQ(WindowRegionRuns(window_), RunsOf(60, 40, [&](int x, int y) {
              return !StandardCellTransparent(columns[x], rows[y], kCellW, kCellH);
            }));
}

TEST_F(Button, NeverSmallerThanSevenBySeven) {
  button_->SetLockSize(false);
  button_->SetBounds(kLeft, kTop, 3, 2);
  EXPECT_EQ(button_->Width(), 7);
  EXPECT_EQ(button_->Height(), 7);
}

TEST(ButtonSkin, CellsSmallerThanTheSmallestSizeStayAtTheSmallestSize) {
  // 5 x 5 cells with the locked size: the button would snap to 5 x 5 and back to 7 x 7 without
  // end; it settles at 7 x 7 with the cells stretched.
  TBitmap skin;
  MakeStandardSkin(skin, 4, 5, 5);
  TSkImgBtn b(&StageForm());
  LoadAsDesigned(b, [&] {
    b.SetParent(&StagePanel());
    b.SetSkin(&skin);
  });
  EXPECT_EQ(b.Width(), 7);
  EXPECT_EQ(b.Height(), 7);
  // 5 -> 7 columns: h = 1; 0, then 1 up to the jump to "5 - 4" = 1 at column 3, then 2, 3.
  // 5 -> 7 rows: v = 1, m = 3; 0, 1 repeated up to row 3, then 2 (H - 3), 3, 4.
  const int columns[7] = {0, 1, 1, 1, 1, 2, 3};
  const int rows[7] = {0, 1, 1, 1, 2, 3, 4};
  const Rendering r = RenderControl(b);
  ASSERT_EQ(r.width, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(r.At(x, y), static_cast<uint32_t>(StandardCellPixel(0, columns[x], rows[y], 5, 5)))
          << x << "," << y;
}

TEST_F(Button, RegionIsCutFromTheNormalCell) {
  EXPECT_EQ(WindowRegionRuns(window_), RunsOf(kCellW, kCellH, [](int x, int y) {
              return !StandardCellTransparent(x, y, kCellW, kCellH);
            }));
}

TEST(ButtonSkin, CellsWithoutMarkerPixelsGiveARectangularWindow) {
  TBitmap skin;
  testing::MakeSkin(skin, 4, 12, 9, [](int cell, int, int) { return 0x101010 * (cell + 1); });
  TSkImgBtn b(&StageForm());
  b.SetParent(&StagePanel());
  b.SetSkin(&skin);
  EXPECT_EQ(WindowRegionRuns(b.Handle()), RunsOf(12, 9, [](int, int) { return true; }));
}

TEST_F(Button, EachStateShowsItsCell) {
  EXPECT_EQ(Differences(RenderControl(*button_), 0), 0) << "loaded: normal";
  PointerInside();
  EXPECT_EQ(Differences(RenderControl(*button_), 1), 0) << "pointer over: hot";
  PostMouse(window_, WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  EXPECT_EQ(Differences(RenderControl(*button_), 2), 0) << "pressed";
  PostMouse(window_, WM_LBUTTONUP, 10, 10);
  EXPECT_EQ(Differences(RenderControl(*button_), 1), 0) << "released over it: hot";
  PointerOutside();
  EXPECT_EQ(Differences(RenderControl(*button_), 0), 0) << "pointer gone: normal";
  button_->SetEnabled(false);
  EXPECT_EQ(Differences(RenderControl(*button_), 3), 0) << "disabled";
  PointerInside();
  EXPECT_EQ(Differences(RenderControl(*button_), 3), 0) << "disabled whatever the pointer does";
  PointerOutside();
  button_->SetEnabled(true);
  EXPECT_EQ(Differences(RenderControl(*button_), 0), 0) << "enabled again: normal";
}

TEST_F(Button, MouseClicksOnReleaseInsideWithANullSender) {
  std::vector<std::string> seen;
  button_->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
    seen.push_back("down");
  };
  button_->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { seen.push_back("up"); };
  int pressed_look = -1;
  button_->OnClick = [&](TObject* sender) {
    seen.push_back(sender == nullptr ? "click" : "click with a sender");
    pressed_look = Differences(RenderControl(*button_), 2);
  };
  PointerInside();
  PostMouse(window_, WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  PostMouse(window_, WM_LBUTTONUP, 10, 10);
  EXPECT_EQ(seen, (std::vector<std::string>{"down", "up", "click"}));
  EXPECT_EQ(pressed_look, 0) << "the click comes before the button leaves its pressed look";
  EXPECT_EQ(Differences(RenderControl(*button_), 1), 0);

  seen.clear();
  PostMouse(window_, WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  PostMouse(window_, WM_LBUTTONUP, kCellW, 10);  // released just outside (captured)
  EXPECT_EQ(seen, (std::vector<std::string>{"down", "up"}));

  seen.clear();
  const Rendering before = RenderControl(*button_);
  PostMouse(window_, WM_RBUTTONDOWN, 10, 10, MK_RBUTTON);
  PostMouse(window_, WM_RBUTTONUP, 10, 10);
  EXPECT_EQ(seen, (std::vector<std::string>{"down", "up", "click"})) << "a right click clicks";
  EXPECT_EQ(RenderControl(*button_).pixels, before.pixels) << "and leaves the look";
}

struct KeyCase {
  const char* name;
  WORD key;
  int modifier;  // 0: none
  bool presses;
  friend void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }
};
class ButtonKeys : public Button, public ::testing::WithParamInterface<KeyCase> {};
TEST_P(ButtonKeys, ClickKeysPressAndClickOnRelease) {
  const KeyCase& c = GetParam();
  std::vector<std::string> seen;
  button_->OnKeyDown = [&](TObject*, WORD&, TShiftState) { seen.push_back("keydown"); };
  button_->OnKeyUp = [&](TObject*, WORD&, TShiftState) { seen.push_back("keyup"); };
  button_->OnClick = [&](TObject* s) { seen.push_back(s == nullptr ? "click" : "click?"); };
  button_->SetFocus();
  PumpMessages(10);
  ASSERT_TRUE(button_->Focused());
  std::unique_ptr<HeldModifiers> held;
  if (c.modifier != 0) held = std::make_unique<HeldModifiers>(std::initializer_list<int>{c.modifier});
  PostKeyDown(window_, c.key);
  EXPECT_EQ(Differences(RenderControl(*button_), c.presses ? 2 : 0), 0) << "while held";
  PostKeyUp(window_, c.key);
  held.reset();
  if (c.presses) {
    EXPECT_EQ(seen, (std::vector<std::string>{"keydown", "click", "keyup"}));
  } else {
    EXPECT_EQ(seen, (std::vector<std::string>{"keydown", "keyup"}));
  }
  // Released with the pointer elsewhere: the normal cell.
  EXPECT_EQ(Differences(RenderControl(*button_), 0), 0);
}
INSTANTIATE_TEST_SUITE_P(
    Keys, ButtonKeys,
    ::testing::Values(KeyCase{"space", VK_SPACE, 0, true},
                      KeyCase{"shift_space", VK_SPACE, VK_SHIFT, false},
                      KeyCase{"ctrl_space", VK_SPACE, VK_CONTROL, false},
                      KeyCase{"enter", VK_RETURN, 0, true},
                      KeyCase{"shift_enter", VK_RETURN, VK_SHIFT, true},
                      KeyCase{"ctrl_enter", VK_RETURN, VK_CONTROL, true},
                      KeyCase{"letter", 'A', 0, false}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST_F(Button, SpaceReleasedWithThePointerOverShowsTheHotCell) {
  button_->SetFocus();
  PointerInside();
  PostKeyDown(window_, VK_SPACE);
  PostKeyUp(window_, VK_SPACE);
  EXPECT_EQ(Differences(RenderControl(*button_), 1), 0);
}

TEST_F(Button, FocusRectangleWhileFocused) {
  button_->SetFocus();
  PumpMessages(10);
  EXPECT_EQ(Differences(RenderControl(*button_), 0), 0) << "FocusRect is off";
  button_->SetFocusRect(true);
  const Rendering r = RenderControl(*button_);
  int on_rect = 0;
  for (int y = 0; y < kCellH; ++y)
    for (int x = 0; x < kCellW; ++x) {
      if (r.At(x, y) == Cell(0, x, y)) continue;
      const bool edge = (x == 2 || x == kCellW - 3 || y == 2 || y == kCellH - 3) && x >= 2 &&
                        x <= kCellW - 3 && y >= 2 && y <= kCellH - 3;
      EXPECT_TRUE(edge) << x << "," << y;
      ++on_rect;
    }
  EXPECT_GT(on_rect, 30);
  StagePanel().SetFocus();
  PumpMessages(10);
  EXPECT_EQ(Differences(RenderControl(*button_), 0), 0) << "not focused";
}

// Pixels of one colour in the rendering, by column.
std::vector<int> ColumnsWith(const Rendering& r, uint32_t colour) {
  std::vector<int> columns;
  for (int x = 0; x < r.width; ++x)
    for (int y = 0; y < r.height; ++y)
      if (r.At(x, y) == colour) {
        columns.push_back(x);
        break;
      }
  return columns;
}

TEST_F(Button, DisabledCaptionIsGrayAndEnablingRestoresItsColour) {
  button_->Font().SetColor(clYellow);
  button_->SetCaption(L"Go");
  EXPECT_FALSE(ColumnsWith(RenderControl(*button_), 0x00FFFF).empty()) << "yellow caption";
  button_->SetEnabled(false);
  EXPECT_EQ(button_->Font().Color(), 8421504);
  const Rendering disabled = RenderControl(*button_);
  EXPECT_TRUE(ColumnsWith(disabled, 0x00FFFF).empty());
  EXPECT_FALSE(ColumnsWith(disabled, 0x808080).empty()) << "gray caption on the disabled cell";
  button_->SetEnabled(true);
  EXPECT_EQ(button_->Font().Color(), clYellow);
}

TEST_F(Button, LongCaptionEndsAtTheRightMarginOnlyWithWordWrap) {
  button_->Font().SetColor(clYellow);
  button_->SetCaption(L"WWWWWWWWWWWWWWWWWWWW");
  const std::vector<int> wrapped = ColumnsWith(RenderControl(*button_), 0x00FFFF);
  ASSERT_FALSE(wrapped.empty());
  EXPECT_LT(wrapped.back(), kCellW - button_->MarginWidth()) << "cut at Width - MarginWidth";
  button_->SetWordWrap(false);
  const std::vector<int> unwrapped = ColumnsWith(RenderControl(*button_), 0x00FFFF);
  ASSERT_FALSE(unwrapped.empty());
  EXPECT_LE(unwrapped.front(), 2) << "drawn from a negative x";
  EXPECT_GE(unwrapped.back(), kCellW - 3) << "and past the right edge";
}

TEST_F(Button, IconBitmapIsCentredWithoutItsBottomLeftColourAndMovesWhilePressed) {
  TBitmap icon;
  testing::MakeFilled32(icon, 6, 4, clRed);
  icon.Canvas().SetPixel(0, 3, clBlue);  // bottom-left: the transparent colour
  icon.Canvas().SetPixel(2, 1, clBlue);
  button_->SetImageIconBmp(&icon);
  button_->SetIconOverXPos(2);
  // Centred: 45 / 2 - 6 / 2 = 19, 29 / 2 - 4 / 2 = 12.
  auto expect_icon_at = [&](int left, int top, int cell, const char* when) {
    const Rendering r = RenderControl(*button_);
    for (int y = 0; y < kCellH; ++y)
      for (int x = 0; x < kCellW; ++x) {
        const bool in_icon = x >= left && x < left + 6 && y >= top && y < top + 4;
        const bool clear = in_icon && ((x - left == 0 && y - top == 3) || (x - left == 2 && y - top == 1));
        const uint32_t expected = in_icon && !clear ? 0x0000FFu : Cell(cell, x, y);
        ASSERT_EQ(r.At(x, y), expected) << when << " at " << x << "," << y;
      }
  };
  expect_icon_at(19, 12, 0, "normal");
  PointerInside();
  expect_icon_at(21, 12, 1, "pointer over: IconOverXPos 2");
  PostMouse(window_, WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  expect_icon_at(19, 13, 2, "pressed: IconDownYPos 1");
  PostMouse(window_, WM_LBUTTONUP, 10, 10);
  expect_icon_at(19, 12, 1, "released: no offset");
}

TEST_F(Button, IconWinsOverTheIconBitmap) {
  TBitmap bitmap;
  testing::MakeFilled32(bitmap, 6, 4, clRed);
  button_->SetImageIconBmp(&bitmap);
  // An 8 x 8 green icon whose left half is masked out, made by the system from two bitmaps.
  std::vector<uint8_t> mask_bits(8 * 2, 0);
  for (int y = 0; y < 8; ++y) mask_bits[static_cast<size_t>(y) * 2] = 0xF0;
  win::UniqueBitmap mask(::CreateBitmap(8, 8, 1, 1, mask_bits.data()));
  TBitmap colour;
  testing::MakeFilled32(colour, 8, 8, clLime);
  colour.Canvas().Brush().SetColor(clBlack);  // masked pixels are black in the colour image
  colour.Canvas().FillRect(RECT{0, 0, 4, 8});
  ICONINFO info{TRUE, 0, 0, mask.get(), colour.Handle()};
  TIcon icon;
  icon.SetHandle(::CreateIconIndirect(&info));
  ASSERT_FALSE(icon.Empty());
  button_->SetImageIconIco(&icon);
  EXPECT_TRUE(button_->ImageIconIco()->Transparent());
  // Centred: 45 / 2 - 4 = 18, 29 / 2 - 4 = 10.
  const Rendering r = RenderControl(*button_);
  EXPECT_EQ(r.At(22, 12), 0x00FF00u) << "the icon's opaque half";
  EXPECT_EQ(r.At(18, 12), Cell(0, 18, 12)) << "its masked half shows the cell";
  EXPECT_EQ(r.At(20, 13), Cell(0, 20, 13)) << "where the bitmap would be: the masked half";
  EXPECT_TRUE(ColumnsWith(r, 0x0000FF).empty()) << "the bitmap is not drawn";
}

TEST_F(Button, ActivateAutoFollowsTheFormAndTheApplication) {
  button_->SetFocus();
  PumpMessages(10);
  ASSERT_NE(Screen()->ActiveControl(), nullptr);
  HWND form = StageForm().Handle();
  ::SendMessageW(form, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_TRUE(button_->Enabled()) << "ActivateAuto is off";
  button_->SetActivateAuto(true);
  ::SendMessageW(form, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_FALSE(button_->Enabled());
  ::SendMessageW(form, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_TRUE(button_->Enabled());
  button_->SetEnabled(false);
  ::SendMessageW(Application()->Handle(), WM_SIZE, SIZE_RESTORED, 0);
  EXPECT_TRUE(button_->Enabled()) << "restoring the application counts as an activation";
}

// ---- fades -----------------------------------------------------------------------------------

// Records every paint (when, the fade step after it, the frame it drew) and every tick of the
// fade timer.
class TimedButton : public TSkImgBtn {
 public:
  explicit TimedButton(TComponent* owner) : TSkImgBtn(owner) {
    const TNotifyEvent tick = timer_->OnTimer();
    timer_->SetOnTimer([this, tick](TObject* sender) {
      ticks.push_back(std::chrono::steady_clock::now());
      tick(sender);
    });
  }
  std::vector<std::chrono::steady_clock::time_point> ticks;
  struct Paint {
    std::chrono::steady_clock::time_point when;
    int step;
    bool active;
    std::vector<uint32_t> frame;
  };
  std::vector<Paint> paints;

 protected:
  void PaintSkin() override {
    TSkImgBtn::PaintSkin();
    paints.push_back({std::chrono::steady_clock::now(), fade_step_, fade_active_,
                      frame_.Empty() ? std::vector<uint32_t>{} : testing::PixelsOf(frame_)});
  }
};

std::vector<uint32_t> CellPixels(int cell) {
  std::vector<uint32_t> out;
  for (int y = 0; y < kCellH; ++y)
    for (int x = 0; x < kCellW; ++x) out.push_back(Cell(cell, x, y));
  return out;
}

std::vector<uint32_t> TweenFrame(int k, int from_cell, int to_cell) {
  std::vector<uint32_t> out;
  for (int y = 0; y < kCellH; ++y)
    for (int x = 0; x < kCellW; ++x) {
      const uint32_t a = Cell(from_cell, x, y), b = Cell(to_cell, x, y);
      const uint8_t pa[3] = {uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a)};
      const uint8_t pb[3] = {uint8_t(b >> 16), uint8_t(b >> 8), uint8_t(b)};
      uint8_t p[3];
      skin::FadePixel(efxfTween, 10, k, pa, pb, p);
      out.push_back((uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]);
    }
  return out;
}

// The paints of one fade: step 2 drawn by the paint that starts it, one step per tick of the
// 40 ms timer up to step 10, a tick that ends the fade without drawing, and the final cell right
// after that without waiting for another tick.
void ExpectFade(const TimedButton& b, int from_cell, int to_cell) {
  const auto& paints = b.paints;
  ASSERT_EQ(paints.size(), 11u);
  for (int k = 2; k <= 10; ++k) {
    const auto& p = paints[static_cast<size_t>(k - 2)];
    EXPECT_EQ(p.step, k);
    EXPECT_TRUE(p.active);
    EXPECT_EQ(p.frame, TweenFrame(k, from_cell, to_cell)) << "step " << k;
  }
  EXPECT_EQ(paints[9].step, 11);
  EXPECT_FALSE(paints[9].active);
  EXPECT_EQ(paints[9].frame, paints[8].frame) << "the ending tick draws nothing";
  EXPECT_EQ(paints[10].step, 1);
  EXPECT_EQ(paints[10].frame, CellPixels(to_cell)) << "then the final cell";
  const auto ticks_between = [&](size_t i) {
    return std::count_if(b.ticks.begin(), b.ticks.end(), [&](const auto& t) {
      return t > paints[i - 1].when && t <= paints[i].when;
    });
  };
  for (size_t i = 1; i < 10; ++i) EXPECT_GE(ticks_between(i), 1) << "paint " << i << " waited for a tick";
  EXPECT_EQ(ticks_between(10), 0) << "the final cell needs no tick";
  const auto total = std::chrono::duration_cast<std::chrono::milliseconds>(paints[9].when -
                                                                           paints[0].when);
  EXPECT_GE(total.count(), 250) << "nine ticks of 40 ms: about 0.4 s";
}

TEST(ButtonFade, NormalToHotOnEnteringAndHotToNormalOnLeaving) {
  TBitmap skin;
  MakeStandardSkin(skin, 4, kCellW, kCellH);
  TimedButton b(&StageForm());
  LoadAsDesigned(b, [&] {
    b.SetParent(&StagePanel());
    b.SetBounds(200, 20, 75, 25);
    b.SetFadeEnable(true);
    b.SetSkin(&skin);
  });
  PumpMessages(60);
  ASSERT_FALSE(b.paints.empty());
  EXPECT_EQ(b.paints.back().frame, CellPixels(0));

  b.paints.clear();
  b.Perform(CM_MOUSEENTER, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return b.paints.size() >= 11; }, 3000));
  PumpMessages(150);
  ExpectFade(b, 0, 1);

  b.paints.clear();
  b.Perform(CM_MOUSELEAVE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return b.paints.size() >= 11; }, 3000));
  PumpMessages(150);
  ExpectFade(b, 1, 0);
}

TEST(ButtonFade, FadeUponLoadPlaysHotToNormalAtTheFirstPaint) {
  TBitmap skin;
  MakeStandardSkin(skin, 4, kCellW, kCellH);
  TSkImgBtn b(&StageForm());
  LoadAsDesigned(b, [&] {
    b.SetParent(&StagePanel());
    b.SetBounds(200, 60, 75, 25);
    b.SetFadeEnable(true);
    b.SetFadeUponLoad(true);
    b.SetSkin(&skin);
  });
  EXPECT_EQ(RenderControl(b).pixels, TweenFrame(2, 1, 0));
  EXPECT_EQ(RenderControl(b).pixels, TweenFrame(3, 1, 0));
}

TEST(ButtonLoading, SkinOfADescriptionIsCutAtLoading) {
  TBitmap skin;
  MakeStandardSkin(skin, 4, kCellW, kCellH);
  TSkImgBtn b(&StageForm());
  b.SetParent(&StagePanel());
  b.SetBounds(200, 100, 75, 25);
  b.SetComponentStateFlag(csLoading, true);
  b.Skin()->Assign(&skin);  // as a reader filling the stored picture in place
  EXPECT_EQ(b.Width(), 75);
  b.Loaded();
  EXPECT_FALSE(b.IsLoading());
  EXPECT_EQ(b.Width(), kCellW);
  EXPECT_EQ(b.Height(), kCellH);
  EXPECT_EQ(Differences(RenderControl(b), 0), 0);
}

}  // namespace
}  // namespace vornada
