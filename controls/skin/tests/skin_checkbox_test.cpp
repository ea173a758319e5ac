// Tests of the image check box under Wine: defaults, the transparent window, sizes from the
// eight-cell skin and the caption, the picture's place beside a taller caption, the window
// region with its black caption area, the cell of each look after real mouse and key input,
// Checked changed before OnClick (null sender for the mouse, the box for Space), the inputs that
// do nothing (right button, Enter, Shift+Space, a press dragged out), the caption's colours, the
// click event refused while pressed, disabled cells and colours, and fades.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "SkImgCheckBox.h"
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
using testing::RenderControl;
using testing::Rendering;
using testing::StageForm;
using testing::StagePanel;
using testing::StandardCellPixel;
using testing::StandardCellTransparent;
using testing::WindowRegionRuns;

constexpr int kCellW = 46, kCellH = 10;

uint32_t Cell(int cell, int x, int y) {
  return static_cast<uint32_t>(StandardCellPixel(cell, x, y, kCellW, kCellH));
}

// Differences between the rendering's picture area (at row `top`) and a cell.
int Differences(const Rendering& r, int cell, int top = 0) {
  int n = 0;
  for (int y = 0; y < kCellH; ++y)
    for (int x = 0; x < kCellW; ++x) n += r.At(x, y + top) != Cell(cell, x, y);
  return n;
}

// The caption's size in the box's font, measured by the system directly.
SIZE TextSize(const std::wstring& text, int height = -11) {
  win::UniqueFont font(::CreateFontW(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                     DEFAULT_PITCH, L"MS Sans Serif"));
  win::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  win::ScopedSelectObject select(dc.get(), font.get());
  SIZE s{};
  ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &s);
  return s;
}

// Whether the colour appears in columns from_x .. to_x - 1 (to the right edge by default).
bool HasColour(const Rendering& r, uint32_t colour, int from_x = 0, int to_x = -1) {
  const int end = to_x < 0 ? r.width : std::min(to_x, r.width);
  for (int y = 0; y < r.height; ++y)
    for (int x = from_x; x < end; ++x)
      if (r.At(x, y) == colour) return true;
  return false;
}

class CheckBox : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeStandardSkin(skin_, 8, kCellW, kCellH);
    MoveRealPointer(StagePanel().Handle(), 390, 290);
  }
  void TearDown() override { box_.reset(); }

  void Create(const std::function<void()>& assign = nullptr) {
    box_ = std::make_unique<TSkImgCheckBox>(&StageForm());
    LoadAsDesigned(*box_, [&] {
      box_->SetParent(&StagePanel());
      box_->SetBounds(kLeft, kTop, 90, 17);
      box_->SetSkin(&skin_);
      if (assign) assign();
    });
    window_ = box_->Handle();
  }
  void PointerInside() { MoveRealPointer(window_, 10, 5); }
  void PointerOutside() { MoveRealPointer(StagePanel().Handle(), 390, 290); }

  static constexpr int kLeft = 20, kTop = 150;
  TBitmap skin_;
  std::unique_ptr<TSkImgCheckBox> box_;
  HWND window_ = nullptr;
};

TEST(CheckBoxDefaults, ACodeCreatedBox) {
  TSkImgCheckBox b(nullptr);
  EXPECT_TRUE(b.Checked());
  EXPECT_EQ(b.TextSpacing(), 6);
  EXPECT_EQ(b.TextOverColor(), 255);
  EXPECT_EQ(b.ImgY(), 0);
  EXPECT_FALSE(b.FadeEnable());
  EXPECT_FALSE(b.FadeUponLoad());
  EXPECT_TRUE(b.Caption().empty());
  EXPECT_EQ(b.Width(), 90);
  EXPECT_EQ(b.Height(), 17);
  EXPECT_EQ(b.Look(), eclCheckedHot);
  EXPECT_TRUE(b.TabStop());
}

TEST(CheckBoxWindow, TransparentAndNotClippedByItsParent) {
  TPanel parent(nullptr);
  parent.SetParent(&StagePanel());
  parent.SetBounds(150, 150, 100, 40);
  parent.HandleNeeded();
  TSkImgCheckBox b(nullptr);
  b.SetParent(&parent);
  EXPECT_NE(::GetWindowLongW(b.Handle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
  EXPECT_EQ(::GetWindowLongW(parent.Handle(), GWL_STYLE) & WS_CLIPCHILDREN, 0);
}

TEST_F(CheckBox, SkinSetsTheSizeAndTheFirstPaintShowsTheValue) {
  Create();
  EXPECT_EQ(box_->Width(), 52) << "46 + TextSpacing";
  EXPECT_EQ(box_->Height(), 10);
  EXPECT_EQ(Differences(RenderControl(*box_), 4), 0) << "checked by default: cell 4";
  Create([&] { box_->SetChecked(false); });
  EXPECT_EQ(Differences(RenderControl(*box_), 0), 0) << "stored unchecked: cell 0";
}

TEST_F(CheckBox, CaptionWidensTheBoxAndCentresThePictureOnTallerText) {
  const std::wstring caption = L"Write mode";
  Create([&] {
    box_->Font().SetColor(clBlue);
    box_->SetCaption(caption);
    box_->SetImgY(2);
  });
  const SIZE text = TextSize(caption);
  ASSERT_GT(text.cy, kCellH + 1) << "the fixture needs text higher than the picture";
  const Rendering r = RenderControl(*box_);
  EXPECT_EQ(box_->Width(), kCellW + 6 + text.cx);
  EXPECT_EQ(box_->Height(), text.cy);
  // y = th / 2 - (cell height + 1) / 2 + ImgY.
  const int top = text.cy / 2 - (kCellH + 1) / 2 + 2;
  EXPECT_EQ(Differences(r, 4, top), 0) << "picture at row " << top;
  EXPECT_TRUE(HasColour(r, 0xFF0000, kCellW + 6)) << "the caption right of the picture";
  EXPECT_FALSE(HasColour(r, 0xFF0000, 0, kCellW + 6)) << "and not left of it";
}

TEST_F(CheckBox, RegionIsTheUncheckedCellPlusABlackCaptionArea) {
  const std::wstring caption = L"On";
  Create([&] { box_->SetCaption(caption); });
  const int w = box_->Width(), h = box_->Height();
  EXPECT_EQ(WindowRegionRuns(window_), RunsOf(w, h, [](int x, int y) {
              if (x < kCellW && y < kCellH) return !StandardCellTransparent(x, y, kCellW, kCellH);
              return true;  // black: not the transparent colour
            }));
}

TEST_F(CheckBox, ClickTogglesBeforeOnClickWithANullSender) {
  Create();
  std::vector<std::string> seen;
  box_->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { seen.push_back("down"); };
  box_->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { seen.push_back("up"); };
  box_->OnClick = [&](TObject* sender) {
    seen.push_back(std::string("click:") + (sender == nullptr ? "null" : "box") +
                   (box_->Checked() ? ":checked" : ":unchecked"));
  };
  PointerInside();
  PostMouse(window_, WM_LBUTTONDOWN, 10, 5, MK_LBUTTON);
  EXPECT_EQ(Differences(RenderControl(*box_), 6), 0) << "checked, pressed";
  PostMouse(window_, WM_LBUTTONUP, 10, 5);
  EXPECT_EQ(seen, (std::vector<std::string>{"down", "up", "click:null:unchecked"}));
  EXPECT_FALSE(box_->Checked());
  EXPECT_EQ(Differences(RenderControl(*box_), 1), 0) << "unchecked, pointer over";
}

TEST_F(CheckBox, RightButtonDoesNothingButItsRelease) {
  Create();
  std::vector<std::string> seen;
  box_->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { seen.push_back("down"); };
  box_->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { seen.push_back("up"); };
  box_->OnClick = [&](TObject*) { seen.push_back("click"); };
  PostMouse(window_, WM_RBUTTONDOWN, 10, 5, MK_RBUTTON);
  PostMouse(window_, WM_RBUTTONUP, 10, 5);
  EXPECT_EQ(seen, std::vector<std::string>{"up"});
  EXPECT_TRUE(box_->Checked());
}

struct KeyCase {
  const char* name;
  WORD key;
  int modifier;
  bool toggles;
  friend void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }
};
class CheckBoxKeys : public CheckBox, public ::testing::WithParamInterface<KeyCase> {};
TEST_P(CheckBoxKeys, OnlySpaceToggles) {
  const KeyCase& c = GetParam();
  Create();
  std::vector<std::string> seen;
  box_->OnClick = [&](TObject* sender) {
    seen.push_back(sender == box_.get() ? "click:box" : "click:other");
  };
  box_->OnKeyUp = [&](TObject*, WORD&, TShiftState) { seen.push_back("keyup"); };
  box_->SetFocus();
  PumpMessages(10);
  std::unique_ptr<HeldModifiers> held;
  if (c.modifier != 0) held = std::make_unique<HeldModifiers>(std::initializer_list<int>{c.modifier});
  PostKeyDown(window_, c.key);
  EXPECT_EQ(Differences(RenderControl(*box_), c.toggles ? 6 : 4), 0) << "while held";
  PostKeyUp(window_, c.key);
  held.reset();
  EXPECT_EQ(box_->Checked(), !c.toggles);
  if (c.toggles) {
    EXPECT_EQ(seen, (std::vector<std::string>{"click:box", "keyup"}));
    EXPECT_EQ(Differences(RenderControl(*box_), 0), 0) << "unchecked, pointer elsewhere";
  } else {
    EXPECT_EQ(seen, std::vector<std::string>{"keyup"});
  }
}
INSTANTIATE_TEST_SUITE_P(Keys, CheckBoxKeys,
                         ::testing::Values(KeyCase{"space", VK_SPACE, 0, true},
                                           KeyCase{"enter", VK_RETURN, 0, false},
                                           KeyCase{"shift_space", VK_SPACE, VK_SHIFT, false},
                                           KeyCase{"ctrl_space", VK_SPACE, VK_CONTROL, false}),
                         [](const auto& table_row) { return std::string(table_row.param.name); });

TEST_F(CheckBox, APressDraggedOutAndBackDoesNotToggle) {
  Create();
  int clicks = 0;
  box_->OnClick = [&](TObject*) { ++clicks; };
  for (bool back_inside : {false, true}) {
    PointerInside();
    PostMouse(window_, WM_LBUTTONDOWN, 10, 5, MK_LBUTTON);
    PointerOutside();
    if (back_inside) PointerInside();
    PostMouse(window_, WM_LBUTTONUP, back_inside ? 10 : 200, 5);
    EXPECT_TRUE(box_->Checked()) << (back_inside ? "back inside" : "outside");
    EXPECT_EQ(clicks, 0);
  }
}

TEST_F(CheckBox, CaptionInTheHighlightColourWhileThePointerIsOver) {
  Create([&] {
    box_->Font().SetColor(clBlue);
    box_->SetCaption(L"Top");
  });
  EXPECT_TRUE(HasColour(RenderControl(*box_), 0xFF0000, kCellW)) << "font colour";
  PointerInside();
  const Rendering over = RenderControl(*box_);
  EXPECT_TRUE(HasColour(over, 0x0000FF, kCellW)) << "TextOverColor 255 is red";
  EXPECT_FALSE(HasColour(over, 0xFF0000, kCellW));
  PointerOutside();
  EXPECT_TRUE(HasColour(RenderControl(*box_), 0xFF0000, kCellW));
}

TEST_F(CheckBox, CheckedFromCodeShowsTheNormalLookWithoutAClick) {
  Create();
  int clicks = 0;
  box_->OnClick = [&](TObject*) { ++clicks; };
  PointerInside();
  EXPECT_EQ(Differences(RenderControl(*box_), 5), 0) << "checked, pointer over";
  box_->SetChecked(true);  // the same value
  EXPECT_EQ(Differences(RenderControl(*box_), 4), 0) << "the hot look is dropped";
  box_->SetChecked(false);
  EXPECT_EQ(Differences(RenderControl(*box_), 0), 0);
  EXPECT_EQ(clicks, 0);
}

TEST_F(CheckBox, OnClickCannotBeReplacedWhilePressed) {
  Create();
  std::vector<std::string> seen;
  box_->OnClick = [&](TObject*) { seen.push_back("first"); };
  PointerInside();
  PostMouse(window_, WM_LBUTTONDOWN, 10, 5, MK_LBUTTON);
  box_->OnClick = [&](TObject*) { seen.push_back("second"); };
  PostMouse(window_, WM_LBUTTONUP, 10, 5);
  EXPECT_EQ(seen, std::vector<std::string>{"first"});
  box_->OnClick = [&](TObject*) { seen.push_back("third"); };
  PostMouse(window_, WM_LBUTTONDOWN, 10, 5, MK_LBUTTON);
  PostMouse(window_, WM_LBUTTONUP, 10, 5);
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "third"}));
}

TEST_F(CheckBox, DisabledCellsAndColours) {
  Create([&] { box_->Font().SetColor(clBlue); });
  box_->SetEnabled(false);
  EXPECT_EQ(Differences(RenderControl(*box_), 7), 0) << "checked, disabled";
  EXPECT_EQ(box_->Font().Color(), 8421504);
  box_->SetChecked(false);
  EXPECT_EQ(Differences(RenderControl(*box_), 3), 0) << "unchecked, disabled";
  box_->SetEnabled(true);
  EXPECT_EQ(box_->Font().Color(), clBlue);
  EXPECT_EQ(Differences(RenderControl(*box_), 0), 0);
}

TEST_F(CheckBox, SpaceShowsTheNewLookAtOnceEvenWithFades) {
  Create([&] { box_->SetFadeEnable(true); });
  box_->SetFocus();
  PointerInside();  // starts a normal -> hot fade
  RenderControl(*box_);
  PostKeyDown(window_, VK_SPACE);
  PostKeyUp(window_, VK_SPACE);
  EXPECT_FALSE(box_->Checked());
  EXPECT_EQ(Differences(RenderControl(*box_), 1), 0) << "the unchecked hot cell, no fade frame";
}

TEST_F(CheckBox, EnteringFadesFromTheNormalToTheHotCell) {
  Create([&] { box_->SetFadeEnable(true); });
  RenderControl(*box_);
  box_->Perform(CM_MOUSEENTER, 0, 0);
  const Rendering r = RenderControl(*box_);
  for (int y = 0; y < kCellH; ++y)
    for (int x = 0; x < kCellW; ++x) {
      const uint32_t a = Cell(4, x, y), b = Cell(5, x, y);
      const uint8_t pa[3] = {uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a)};
      const uint8_t pb[3] = {uint8_t(b >> 16), uint8_t(b >> 8), uint8_t(b)};
      uint8_t p[3];
      skin::FadePixel(efxfTween, 10, 2, pa, pb, p);
      ASSERT_EQ(r.At(x, y), (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]) << x << "," << y;
    }
}

TEST_F(CheckBox, AFrameworkTextBecomesTheCaptionUntilACaptionIsGiven) {
  Create();
  box_->SetText(L"SkImgCheckBox1");  // the framework's text, as a designer would set it
  RenderControl(*box_);
  EXPECT_EQ(box_->Caption(), L"SkImgCheckBox1");
  box_->SetCaption(L"");
  EXPECT_EQ(box_->Width(), kCellW) << "no caption: the cell's width";
  box_->SetText(L"Other");
  RenderControl(*box_);
  EXPECT_EQ(box_->Caption(), L"") << "a caption was given: the framework text stays out";
}

}  // namespace
}  // namespace vornada
