// Tests of the flat panel under Wine: defaults and the setters' clamps and repaint rules, the
// painting order (background, border pen of the border width, rounded rectangle, caption on one
// line centred by the height of "W" and aligned), repainting after a resize, the swallowed
// caption accelerator, and the mouse enter/leave events.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FlButton.h"
#include "FlPanel.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::PumpMessages;
using testing::RenderControl;
using testing::StageForm;

constexpr COLORREF kParentColor = RGB(10, 20, 30);
constexpr COLORREF kBorder = RGB(215, 216, 184);
constexpr COLORREF kFontColor = RGB(0, 83, 208);

// A panel on a parent of known colour on the stage form (removed again with the fixture).
class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<TPanel>(nullptr);
    host->SetBevelOuter(TBevelCut::bvNone);
    host->SetParentColor(false);
    host->SetColor(kParentColor);
    host->SetBounds(0, 0, 400, 300);
    host->SetParent(&StageForm());
    panel = new TFlPanel(host.get());
    panel->SetBounds(10, 10, 185, 41);
    panel->SetParent(host.get());
    PumpMessages(5);
  }

  // True when painting is pending for the panel's window.
  bool PaintPending() { return ::GetUpdateRect(panel->Handle(), nullptr, FALSE) != FALSE; }

  std::unique_ptr<TPanel> host;
  TFlPanel* panel = nullptr;
};

TEST_F(PanelTest, DefaultsOfConstruction) {
  TFlPanel fresh(nullptr);
  EXPECT_EQ(fresh.Width(), 185);
  EXPECT_EQ(fresh.Height(), 41);
  EXPECT_EQ(fresh.BorderWidth(), 1);
  EXPECT_EQ(fresh.BorderColor(), static_cast<TColor>(kBorder));
  EXPECT_EQ(fresh.CornersOffset(), 10);
  EXPECT_EQ(fresh.CaptionOffset(), 10);
  EXPECT_EQ(fresh.CaptionAlignment(), TCaptionAlignment::caCenter);
  EXPECT_EQ(fresh.Font().Color(), static_cast<TColor>(kFontColor));
  EXPECT_TRUE(fresh.Caption().empty());
  EXPECT_EQ(fresh.Color(), clWindow) << "the window colour until it has a parent";
  EXPECT_TRUE(fresh.ParentColor());
  EXPECT_TRUE(fresh.HasStyle(csAcceptsControls));
  EXPECT_TRUE(fresh.HasStyle(csClickEvents));
  EXPECT_FALSE(fresh.HasStyle(csOpaque));
  // Under a parent it takes the parent's colour, and keeps its own font colour.
  EXPECT_EQ(panel->Color(), static_cast<TColor>(kParentColor));
  EXPECT_EQ(panel->Font().Color(), static_cast<TColor>(kFontColor));
}

TEST_F(PanelTest, SettersClampTheirValues) {
  struct Case {
    int given, border, offset;
  };
  const Case cases[] = {{0, 1, 1}, {-5, 1, 1}, {1, 1, 1}, {7, 7, 7}, {10, 10, 10},
                        {11, 10, 11}, {30, 10, 30}, {31, 10, 30}, {1000, 10, 30}};
  for (const Case& c : cases) {
    panel->SetBorderWidth(c.given);
    panel->SetCaptionOffset(c.given);
    panel->SetCornersOffset(c.given);
    EXPECT_EQ(panel->BorderWidth(), c.border) << c.given;
    EXPECT_EQ(panel->CaptionOffset(), c.offset) << c.given;
    EXPECT_EQ(panel->CornersOffset(), c.offset) << c.given;
  }
}

TEST_F(PanelTest, SettersRepaintOnChangeAndTheBorderColourAlways) {
  struct Case {
    const char* what;
    std::function<void()> set;
    bool repaints;
  };
  const Case cases[] = {
      {"same border colour", [&] { panel->SetBorderColor(panel->BorderColor()); }, true},
      {"new border colour", [&] { panel->SetBorderColor(clRed); }, true},
      {"same border width", [&] { panel->SetBorderWidth(panel->BorderWidth()); }, false},
      {"border width clamped to the same", [&] { panel->SetBorderWidth(0); }, false},
      {"new border width", [&] { panel->SetBorderWidth(4); }, true},
      {"same alignment", [&] { panel->SetCaptionAlignment(panel->CaptionAlignment()); }, false},
      {"new alignment", [&] { panel->SetCaptionAlignment(TCaptionAlignment::caLeft); }, true},
      {"new caption offset", [&] { panel->SetCaptionOffset(3); }, true},
      {"new corners offset", [&] { panel->SetCornersOffset(3); }, true},
      {"new caption", [&] { panel->SetCaption(L"Hello"); }, true},
  };
  for (const Case& c : cases) {
    PumpMessages(5);
    ::ValidateRect(panel->Handle(), nullptr);
    ASSERT_FALSE(PaintPending());
    c.set();
    EXPECT_EQ(PaintPending(), c.repaints) << c.what;
  }
}

TEST_F(PanelTest, BackgroundAndBorderOfTheDefaults) {
  const testing::Rendering r = RenderControl(*panel);
  // The edges' middles carry the one-pixel border; inside and next to it the panel's colour.
  for (const POINT p : {POINT{92, 0}, POINT{0, 20}, POINT{184, 20}, POINT{92, 40}})
    EXPECT_EQ(r.At(p.x, p.y), kBorder) << p.x << "," << p.y;
  for (const POINT p : {POINT{92, 1}, POINT{1, 20}, POINT{183, 20}, POINT{92, 39}, POINT{92, 20}})
    EXPECT_EQ(r.At(p.x, p.y), kParentColor) << p.x << "," << p.y;
}

TEST_F(PanelTest, ThickBorderWithSquareCornersAsOnTheMainWindow) {
  // Border width 3 and corners offset 1: the corner ellipse is 3 - 1 - 1 = 1 (square corners);
  // the 3-pixel pen is centred on the outline, so two of its pixels lie inside the panel.
  panel->SetBorderWidth(3);
  panel->SetCornersOffset(1);
  panel->SetBorderColor(RGB(200, 0, 0));
  const testing::Rendering r = RenderControl(*panel);
  for (const POINT p : {POINT{0, 0}, POINT{1, 1}, POINT{184, 0}, POINT{0, 40}, POINT{184, 40},
                        POINT{92, 0}, POINT{92, 1}, POINT{0, 20}, POINT{1, 20}, POINT{183, 20},
                        POINT{184, 20}, POINT{92, 39}, POINT{92, 40}})
    EXPECT_EQ(r.At(p.x, p.y), RGB(200, 0, 0)) << p.x << "," << p.y;
  for (const POINT p : {POINT{92, 2}, POINT{2, 20}, POINT{182, 20}, POINT{92, 38}})
    EXPECT_EQ(r.At(p.x, p.y), kParentColor) << p.x << "," << p.y;
}

TEST_F(PanelTest, CaptionIsOneLineOfTheHeightOfWAlignedInTheOffsetRectangle) {
  panel->SetCaption(L"WWW");
  panel->SetBounds(10, 10, 185, 61);
  // The caption's rectangle: left/right 1 + 10 in from the sides; vertically one line of the
  // height of "W", (11 + 50 - h) div 2 from the top.
  TBitmap probe;
  probe.SetSize(1, 1);
  probe.Canvas().Font().Assign(&panel->Font());
  const int h = probe.Canvas().TextHeight(L"W");
  const int w = probe.Canvas().TextWidth(L"WWW");
  const int line_top = (11 + 50 - h) / 2;
  struct Case {
    TCaptionAlignment alignment;
    int expected_left;
  };
  for (const Case c : {Case{TCaptionAlignment::caLeft, 11}, Case{TCaptionAlignment::caRight, 174 - w},
                       Case{TCaptionAlignment::caCenter, 11 + (163 - w) / 2}}) {
    panel->SetCaptionAlignment(c.alignment);
    const testing::Rendering r = RenderControl(*panel);
    const RECT ink = testing::BoundsOfColor(r, kFontColor, RECT{0, 0, r.width, r.height});
    ASSERT_LT(ink.left, ink.right) << "the caption is drawn";
    // The letters' ink starts within a pixel or two of the text cell and stays inside it.
    EXPECT_GE(ink.left, c.expected_left - 1) << static_cast<int>(c.alignment);
    EXPECT_LE(ink.left, c.expected_left + 2) << static_cast<int>(c.alignment);
    EXPECT_LE(ink.right, c.expected_left + w + 1) << static_cast<int>(c.alignment);
    EXPECT_GE(ink.top, line_top);
    EXPECT_LE(ink.bottom, line_top + h);
    EXPECT_GT(ink.bottom - ink.top, h / 2) << "a whole line of letters";
  }
}

TEST_F(PanelTest, EmptyCaptionDrawsOnlyBackgroundAndBorder) {
  const testing::Rendering r = RenderControl(*panel);
  // Everything inside the border, except the corners (a negative corner size is drawn as the
  // platform draws it).
  for (int y = 1; y < 40; ++y)
    for (int x = 1; x < 184; ++x) {
      const bool corner = (x < 12 || x > 172) && (y < 12 || y > 28);
      if (!corner) {
        ASSERT_EQ(r.At(x, y), kParentColor) << x << "," << y;
      }
    }
}

TEST_F(PanelTest, ResizeRepaintsTheWholePanel) {
  host->SetColor(RGB(0, 0, 0));
  panel->SetColor(RGB(250, 250, 250));
  panel->SetBorderColor(RGB(0, 0, 200));
  PumpMessages(20);
  // Smaller: the old painting inside the new edges must give way to the border there.
  panel->SetBounds(10, 10, 120, 30);
  PumpMessages(20);
  testing::Rendering screen = testing::CaptureWindow(panel->Handle());
  EXPECT_EQ(screen.At(119, 15), RGB(0, 0, 200)) << "right edge after shrinking";
  EXPECT_EQ(screen.At(60, 29), RGB(0, 0, 200)) << "bottom edge after shrinking";
  // Larger.
  panel->SetBounds(10, 10, 200, 60);
  PumpMessages(20);
  screen = testing::CaptureWindow(panel->Handle());
  EXPECT_EQ(screen.At(199, 30), RGB(0, 0, 200));
  EXPECT_EQ(screen.At(100, 59), RGB(0, 0, 200));
  EXPECT_EQ(screen.At(119, 15), RGB(250, 250, 250)) << "the old right edge is inside now";
}

// A flat button that records the characters that reach its window.
class RecordingButton : public TFlButton {
 public:
  using TFlButton::TFlButton;
  std::vector<UINT> seen;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_CHAR || m.Msg == WM_SYSCHAR) seen.push_back(m.Msg);
    TFlButton::WndProc(m);
  }
};

TEST_F(PanelTest, CaptionAcceleratorIsSwallowed) {
  panel->SetCaption(L"&Panel");
  panel->SetBounds(10, 10, 300, 200);
  auto* focused = new RecordingButton(host.get());
  focused->SetBounds(10, 10, 80, 25);
  focused->SetParent(panel);
  auto* same_key = new TFlButton(host.get());  // a button inside with the same accelerator
  same_key->SetCaption(L"&Push");
  same_key->SetBounds(10, 50, 80, 25);
  same_key->SetParent(panel);
  int clicks = 0, panel_clicks = 0;
  same_key->OnClick = [&](TObject*) { ++clicks; };
  panel->OnClick = [&](TObject*) { ++panel_clicks; };
  ::SetForegroundWindow(StageForm().Handle());
  focused->SetFocus();
  ASSERT_EQ(::GetFocus(), focused->Handle());

  // Alt+P: taken by the panel, nothing else happens and the character goes no further.
  ::PostMessageW(focused->Handle(), WM_SYSCHAR, 'p', 0x20190001);
  PumpMessages(10);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(panel_clicks, 0);
  EXPECT_EQ(::GetFocus(), focused->Handle()) << "the focus stays";
  EXPECT_TRUE(focused->seen.empty()) << "the character was used up";

  // Another letter passes on to the window.
  ::PostMessageW(focused->Handle(), WM_SYSCHAR, 'x', 0x202D0001);
  PumpMessages(10);
  EXPECT_EQ(focused->seen, std::vector<UINT>{WM_SYSCHAR});

  // Without the panel's caption the button's accelerator works.
  panel->SetCaption(L"Panel");
  ::PostMessageW(focused->Handle(), WM_SYSCHAR, 'p', 0x20190001);
  PumpMessages(10);
  EXPECT_EQ(clicks, 1);
}

TEST_F(PanelTest, MouseEnterAndLeaveEventsOfThePanelItself) {
  std::vector<std::string> log;
  panel->OnMouseEnter = [&](TObject* s) { log.push_back(s == panel ? "enter" : "enter ?"); };
  panel->OnMouseLeave = [&](TObject* s) { log.push_back(s == panel ? "leave" : "leave ?"); };
  auto* child = new TFlButton(host.get());
  child->SetBounds(100, 5, 60, 25);
  child->SetParent(panel);
  PumpMessages(5);
  auto move_to = [&](int x, int y) {  // client point of the host
    POINT p{x, y};
    ::ClientToScreen(host->Handle(), &p);
    ::SetCursorPos(p.x, p.y);
    Application()->UpdateMouseControl();
  };
  move_to(350, 250);
  log.clear();
  move_to(30, 30);   // onto the panel
  move_to(130, 25);  // onto its child: the panel is left for the child
  move_to(31, 31);   // back onto the panel
  move_to(350, 250); // off it
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "leave", "enter", "leave"}));
}

}  // namespace
}  // namespace vornada
