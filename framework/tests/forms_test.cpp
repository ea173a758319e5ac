// Tests of forms under Wine: window styles of the border styles, the topmost style on and off,
// layered whole-window opacity, centring on the desktop at the first show, snapping to the
// edges of the work area, the creation event after construction and the show event.
//
// Forms that are shown stay until the program ends (see StageForm in WinTestSupport.h).
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "Forms.h"
#include "StdCtrls.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::KeepUntilExit;
using testing::PumpMessages;

DWORD StyleOf(TWinControl& c) { return static_cast<DWORD>(::GetWindowLongW(c.Handle(), GWL_STYLE)); }
DWORD ExStyleOf(TWinControl& c) {
  return static_cast<DWORD>(::GetWindowLongW(c.Handle(), GWL_EXSTYLE));
}

struct BorderCase {
  const char* name;
  TFormBorderStyle border;
  DWORD present;     // style bits that must be set
  DWORD absent;      // style bits that must be clear
  DWORD ex_present;  // extended style bits that must be set
  friend void PrintTo(const BorderCase& c, std::ostream* os) { *os << c.name; }
};

class BorderStyle : public ::testing::TestWithParam<BorderCase> {};

TEST_P(BorderStyle, GivesTheWindowItsStyle) {
  const auto& c = GetParam();
  for (bool set_after_creation : {false, true}) {
    SCOPED_TRACE(set_after_creation ? "set on the window" : "set before the window exists");
    TForm form(nullptr);
    if (set_after_creation) form.HandleNeeded();
    form.SetBorderStyle(c.border);
    const DWORD style = StyleOf(form);
    EXPECT_EQ(style & c.present, c.present) << std::hex << style;
    EXPECT_EQ(style & c.absent, 0u) << std::hex << style;
    EXPECT_EQ(ExStyleOf(form) & c.ex_present, c.ex_present) << std::hex << ExStyleOf(form);
    EXPECT_EQ(style & WS_CHILD, 0u);
    EXPECT_EQ(::GetWindow(form.Handle(), GW_OWNER), Application()->Handle())
        << "forms are owned by the application window";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, BorderStyle,
    ::testing::Values(
        BorderCase{"none", TFormBorderStyle::bsNone, WS_POPUP,
                   WS_CAPTION | WS_THICKFRAME | WS_SYSMENU, 0},
        BorderCase{"single", TFormBorderStyle::bsSingle, WS_CAPTION | WS_SYSMENU, WS_THICKFRAME, 0},
        BorderCase{"sizeable", TFormBorderStyle::bsSizeable,
                   WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_POPUP, 0},
        BorderCase{"dialog", TFormBorderStyle::bsDialog, WS_CAPTION, WS_THICKFRAME, 0},
        BorderCase{"tool_window", TFormBorderStyle::bsToolWindow, WS_CAPTION, WS_THICKFRAME,
                   WS_EX_TOOLWINDOW}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(BorderStyle, BorderlessClientAreaIsTheWholeWindow) {
  TForm form(nullptr);
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  form.SetBounds(10, 20, 405, 150);
  form.HandleNeeded();
  EXPECT_EQ(form.ClientWidth(), 405);
  EXPECT_EQ(form.ClientHeight(), 150);
  RECT r;
  ::GetWindowRect(form.Handle(), &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
  form.SetClientSize(620, 527);
  EXPECT_EQ(form.Width(), 620);
  EXPECT_EQ(form.Height(), 527);
}

TEST(FormStyle, StayOnTopSetsAndClearsTheTopmostStyle) {
  TForm form(nullptr);
  form.SetFormStyle(TFormStyle::fsStayOnTop);
  EXPECT_NE(ExStyleOf(form) & WS_EX_TOPMOST, 0u) << "made topmost";
  form.SetFormStyle(TFormStyle::fsNormal);
  EXPECT_EQ(ExStyleOf(form) & WS_EX_TOPMOST, 0u);
  form.SetFormStyle(TFormStyle::fsStayOnTop);
  EXPECT_NE(ExStyleOf(form) & WS_EX_TOPMOST, 0u);
  TForm normal(nullptr);
  EXPECT_EQ(ExStyleOf(normal) & WS_EX_TOPMOST, 0u);
}

TEST(FormStyle, ShownFormLeavesAndReentersTheTopmostBand) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBorderStyle(TFormBorderStyle::bsNone);
  form->SetBounds(700, 400, 100, 60);
  form->SetFormStyle(TFormStyle::fsStayOnTop);
  form->Show();
  PumpMessages(10);
  EXPECT_NE(ExStyleOf(*form) & WS_EX_TOPMOST, 0u);
  form->SetFormStyle(TFormStyle::fsNormal);
  EXPECT_EQ(ExStyleOf(*form) & WS_EX_TOPMOST, 0u);
  EXPECT_EQ(::GetWindow(form->Handle(), GW_OWNER), Application()->Handle()) << "owner kept";
  form->SetFormStyle(TFormStyle::fsStayOnTop);
  EXPECT_NE(ExStyleOf(*form) & WS_EX_TOPMOST, 0u);
  KeepUntilExit(std::move(form));
}

struct Layered {
  bool layered;
  BYTE alpha;
  DWORD flags;
};

Layered LayeredOf(TWinControl& c) {
  Layered l{(ExStyleOf(c) & WS_EX_LAYERED) != 0, 0, 0};
  COLORREF key = 0;
  if (l.layered) ::GetLayeredWindowAttributes(c.Handle(), &key, &l.alpha, &l.flags);
  return l;
}

TEST(AlphaBlend, OpacityReachesTheLayeredWindow) {
  TForm form(nullptr);
  form.SetAlphaBlend(true);
  form.SetAlphaBlendValue(0);
  Layered l = LayeredOf(form);  // the window is made here, fully transparent from the start
  EXPECT_TRUE(l.layered);
  EXPECT_EQ(l.alpha, 0);
  EXPECT_EQ(l.flags & LWA_ALPHA, static_cast<DWORD>(LWA_ALPHA));
  for (int value = 15; value <= 255; value += 15) {
    form.SetAlphaBlendValue(static_cast<BYTE>(value));
    EXPECT_EQ(LayeredOf(form).alpha, value);
  }
  form.SetAlphaBlend(false);
  EXPECT_FALSE(LayeredOf(form).layered);
  form.SetAlphaBlendValue(40);  // remembered while off...
  EXPECT_FALSE(LayeredOf(form).layered);
  form.SetAlphaBlend(true);  // ...and applied when on again
  l = LayeredOf(form);
  EXPECT_TRUE(l.layered);
  EXPECT_EQ(l.alpha, 40);
  EXPECT_EQ(form.AlphaBlendValue(), 40);
}

TEST(Position, DesktopCentreUsesTheSizeInForceAtTheFirstShow) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBorderStyle(TFormBorderStyle::bsNone);
  form->SetPosition(TPosition::poDesktopCenter);
  form->SetBounds(0, 0, 620, 527);
  form->HandleNeeded();
  form->SetHeight(150);
  form->SetWidth(405);
  form->Show();
  PumpMessages(10);
  const RECT desktop = Screen()->DesktopRect();
  RECT r;
  ::GetWindowRect(form->Handle(), &r);
  EXPECT_EQ(r.right - r.left, 405);
  EXPECT_EQ(r.bottom - r.top, 150);
  EXPECT_EQ(r.left, desktop.left + (desktop.right - desktop.left - 405) / 2);
  EXPECT_EQ(r.top, desktop.top + (desktop.bottom - desktop.top - 150) / 2);
  EXPECT_EQ(form->Left(), r.left);
  EXPECT_EQ(form->Top(), r.top);
  KeepUntilExit(std::move(form));
}

TEST(Position, DesignedPositionIsKeptAtTheFirstShow) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBorderStyle(TFormBorderStyle::bsNone);
  form->SetBounds(33, 44, 100, 50);
  form->Show();
  PumpMessages(10);
  RECT r;
  ::GetWindowRect(form->Handle(), &r);
  EXPECT_EQ(r.left, 33);
  EXPECT_EQ(r.top, 44);
  KeepUntilExit(std::move(form));
}

struct SnapCase {
  const char* name;
  // Requested position relative to the work area: from its left or right edge, from its top
  // or bottom edge.
  int from_left, from_top;
  bool right_edge, bottom_edge;
  int expect_from_left, expect_from_top;
  friend void PrintTo(const SnapCase& c, std::ostream* os) { *os << c.name; }
};

class ScreenSnap : public ::testing::TestWithParam<SnapCase> {};

TEST_P(ScreenSnap, MovesWithinTenPixelsOfAnEdgeOntoIt) {
  const auto& c = GetParam();
  const RECT wa = Screen()->WorkAreaRect();
  constexpr int w = 200, h = 100;
  auto to_x = [&](int d) { return c.right_edge ? wa.right - w - d : wa.left + d; };
  auto to_y = [&](int d) { return c.bottom_edge ? wa.bottom - h - d : wa.top + d; };
  TForm form(nullptr);
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  form.SetBounds(300, 300, w, h);
  form.SetScreenSnap(true);
  EXPECT_EQ(form.SnapBuffer(), 10);
  form.HandleNeeded();
  form.SetBounds(to_x(c.from_left), to_y(c.from_top), w, h);
  RECT r;
  ::GetWindowRect(form.Handle(), &r);
  EXPECT_EQ(r.left, to_x(c.expect_from_left));
  EXPECT_EQ(r.top, to_y(c.expect_from_top));
  EXPECT_EQ(form.Left(), r.left);
  EXPECT_EQ(form.Top(), r.top);
  EXPECT_EQ(r.right - r.left, w);

  form.SetScreenSnap(false);
  form.SetBounds(to_x(c.from_left), to_y(c.from_top), w, h);
  ::GetWindowRect(form.Handle(), &r);
  EXPECT_EQ(r.left, to_x(c.from_left)) << "no snapping when off";
  EXPECT_EQ(r.top, to_y(c.from_top));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScreenSnap,
    ::testing::Values(SnapCase{"left_5", 5, 300, false, false, 0, 300},
                      SnapCase{"left_9", 9, 300, false, false, 0, 300},
                      SnapCase{"left_10", 10, 300, false, false, 10, 300},
                      SnapCase{"left_outside_5", -5, 300, false, false, 0, 300},
                      SnapCase{"left_outside_12", -12, 300, false, false, -12, 300},
                      SnapCase{"top_3", 300, 3, false, false, 300, 0},
                      SnapCase{"right_7", 7, 300, true, false, 0, 300},
                      SnapCase{"right_10", 10, 300, true, false, 10, 300},
                      SnapCase{"bottom_9", 300, 9, false, true, 300, 0},
                      SnapCase{"corner", 4, 6, true, true, 0, 0},
                      SnapCase{"middle", 200, 200, false, false, 200, 200}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

// A form that builds a child in its constructor and counts its creation and show events.
class EventForm : public TForm {
 public:
  explicit EventForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetBounds(600, 100, 120, 80);
    edit = new TCustomEdit(this);
    edit->SetName("Edit");
    edit->SetParent(this);
    OnCreate = [this](TObject* sender) {
      ++creates;
      create_sender = sender;
      create_saw_child = FindComponent("Edit") == edit && edit->Parent() == this;
    };
    OnShow = [this](TObject*) {
      ++shows;
      visible_at_show = ::IsWindowVisible(Handle()) != FALSE;
    };
  }
  TCustomEdit* edit = nullptr;
  int creates = 0;
  int shows = 0;
  TObject* create_sender = nullptr;
  bool create_saw_child = false;
  bool visible_at_show = true;
};

TEST(FormEvents, CreationEventRunsOnceAfterConstructionAndShowEventOnShow) {
  auto* form = Application()->CreateForm<EventForm>();
  std::unique_ptr<TForm> owned(form);
  EXPECT_EQ(form->creates, 1);
  EXPECT_EQ(form->create_sender, form);
  EXPECT_TRUE(form->create_saw_child) << "the whole form exists when OnCreate runs";
  EXPECT_EQ(form->shows, 0);
  form->HandleNeeded();
  EXPECT_EQ(form->shows, 0) << "making the window is not showing it";
  form->Show();
  PumpMessages(20);
  EXPECT_EQ(form->shows, 1);
  EXPECT_FALSE(form->visible_at_show) << "OnShow runs before the window appears";
  EXPECT_TRUE(::IsWindowVisible(form->Handle()));
  EXPECT_EQ(form->creates, 1);
  // Showing focuses the first control that takes the focus.
  EXPECT_EQ(form->ActiveControl(), form->edit);
  EXPECT_EQ(::GetFocus(), form->edit->Handle());
  form->Show();  // already shown: no second show event
  EXPECT_EQ(form->shows, 1);
  KeepUntilExit(std::move(owned));
}

}  // namespace
}  // namespace vornada
