// Tests of controls under Wine: alignment, stacking order of windowed siblings, colours and
// fonts passed down from parents, Enabled and Visible reaching the window, tab order and focus
// movement with OnEnter/OnExit, mouse messages routed to windowless children (capture and click
// on release), and the mouse enter/leave notifications travelling up the parent chain.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Controls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::kStageLeft;
using testing::kStageTop;
using testing::PumpMessages;

// A screen point that no window of these tests covers.
constexpr int kNowhereX = 1250, kNowhereY = 1010;

struct Box {
  int left, top, width, height;
  bool operator==(const Box&) const = default;
  friend std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "(" << b.left << "," << b.top << " " << b.width << "x" << b.height << ")";
  }
};

Box BoxOf(const TControl& c) { return {c.Left(), c.Top(), c.Width(), c.Height()}; }

Box WindowBoxOf(TWinControl& c) {
  RECT r;
  ::GetWindowRect(c.Handle(), &r);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(c.Handle()), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// A borderless form at a known place on the screen.
std::unique_ptr<TForm> MakeForm(int left = 100, int top = 100, int width = 300, int height = 200) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBorderStyle(TFormBorderStyle::bsNone);
  form->SetBounds(left, top, width, height);
  return form;
}

// ---- alignment --------------------------------------------------------------------------------

struct ChildLayout {
  TAlign align;
  Box bounds;
  bool visible = true;
};

struct AlignCase {
  const char* name;
  std::vector<ChildLayout> children;
  std::vector<Box> expected;
  friend void PrintTo(const AlignCase& c, std::ostream* os) { *os << c.name; }
};

class Alignment : public ::testing::TestWithParam<std::tuple<AlignCase, bool>> {};

TEST_P(Alignment, ChildrenTakeTheirPlacesInCreationOrder) {
  const auto& [c, with_windows] = GetParam();
  auto form = MakeForm(0, 0, 400, 300);
  TPanel parent(form.get());
  parent.SetParent(form.get());
  parent.SetBounds(0, 0, 200, 100);
  if (with_windows) parent.HandleNeeded();
  std::vector<TPanel*> children;
  for (const ChildLayout& layout : c.children) {
    auto* child = new TPanel(form.get());
    child->SetBounds(layout.bounds.left, layout.bounds.top, layout.bounds.width, layout.bounds.height);
    child->SetVisible(layout.visible);
    child->SetAlign(layout.align);
    child->SetParent(&parent);
    children.push_back(child);
  }
  ASSERT_EQ(children.size(), c.expected.size());
  for (size_t i = 0; i < children.size(); ++i) {
    EXPECT_EQ(BoxOf(*children[i]), c.expected[i]) << "child " << i;
    if (with_windows) {
      EXPECT_EQ(WindowBoxOf(*children[i]), c.expected[i]) << "window of child " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Alignment,
    ::testing::Combine(
        ::testing::Values(
            AlignCase{"client_alone", {{TAlign::alClient, {5, 5, 10, 10}}}, {{0, 0, 200, 100}}},
            AlignCase{"top_height_0_then_client",
                      {{TAlign::alTop, {0, 0, 50, 0}}, {TAlign::alClient, {0, 0, 10, 10}}},
                      {{0, 0, 200, 0}, {0, 0, 200, 100}}},
            AlignCase{"client_then_tops_height_0",
                      {{TAlign::alClient, {0, 0, 620, 527}},
                       {TAlign::alTop, {0, 0, 620, 0}},
                       {TAlign::alTop, {0, 0, 620, 0}},
                       {TAlign::alTop, {0, 0, 620, 0}}},
                      {{0, 0, 200, 100}, {0, 0, 200, 0}, {0, 0, 200, 0}, {0, 0, 200, 0}}},
            AlignCase{"tops_stack_above_the_client",
                      {{TAlign::alTop, {0, 0, 10, 20}},
                       {TAlign::alTop, {0, 5, 10, 30}},
                       {TAlign::alClient, {0, 0, 10, 10}}},
                      {{0, 0, 200, 20}, {0, 20, 200, 30}, {0, 50, 200, 50}}},
            AlignCase{"hidden_top_takes_no_room",
                      {{TAlign::alTop, {3, 4, 10, 20}, false}, {TAlign::alClient, {0, 0, 10, 10}}},
                      {{3, 4, 10, 20}, {0, 0, 200, 100}}},
            AlignCase{"none_keeps_its_bounds",
                      {{TAlign::alNone, {10, 10, 30, 30}}, {TAlign::alClient, {0, 0, 1, 1}}},
                      {{10, 10, 30, 30}, {0, 0, 200, 100}}},
            AlignCase{"two_clients_overlap",
                      {{TAlign::alClient, {0, 0, 1, 1}}, {TAlign::alClient, {0, 0, 1, 1}}},
                      {{0, 0, 200, 100}, {0, 0, 200, 100}}},
            AlignCase{"left_right_client",
                      {{TAlign::alLeft, {0, 0, 30, 5}},
                       {TAlign::alRight, {0, 0, 40, 5}},
                       {TAlign::alClient, {0, 0, 1, 1}}},
                      {{0, 0, 30, 100}, {160, 0, 40, 100}, {30, 0, 130, 100}}},
            AlignCase{"top_and_bottom_before_left",
                      {{TAlign::alLeft, {0, 0, 20, 5}},
                       {TAlign::alBottom, {0, 0, 5, 15}},
                       {TAlign::alTop, {0, 0, 5, 10}},
                       {TAlign::alClient, {0, 0, 1, 1}}},
                      {{0, 10, 20, 75}, {0, 85, 200, 15}, {0, 0, 200, 10}, {20, 10, 180, 75}}},
            AlignCase{"client_larger_than_the_room_left",
                      {{TAlign::alTop, {0, 0, 5, 150}}, {TAlign::alClient, {0, 0, 1, 1}}},
                      {{0, 0, 200, 150}, {0, 150, 200, 0}}}),
        ::testing::Bool()),
    [](const auto& table_row) {
      return std::string(std::get<0>(table_row.param).name) +
             (std::get<1>(table_row.param) ? "_with_windows" : "_without_windows");
    });

TEST(Alignment, ResizingATopPanelOrTheParentRealignsTheRest) {
  for (bool with_windows : {false, true}) {
    SCOPED_TRACE(with_windows ? "with windows" : "without windows");
    auto form = MakeForm(0, 0, 400, 300);
    TPanel parent(form.get());
    parent.SetParent(form.get());
    parent.SetBounds(0, 0, 200, 100);
    if (with_windows) parent.HandleNeeded();
    auto* top = new TPanel(form.get());
    top->SetAlign(TAlign::alTop);
    top->SetHeight(20);
    top->SetParent(&parent);
    auto* client = new TPanel(form.get());
    client->SetAlign(TAlign::alClient);
    client->SetParent(&parent);
    EXPECT_EQ(BoxOf(*client), (Box{0, 20, 200, 80}));
    top->SetHeight(50);
    EXPECT_EQ(BoxOf(*client), (Box{0, 50, 200, 50}));
    parent.SetBounds(0, 0, 300, 150);
    EXPECT_EQ(BoxOf(*top), (Box{0, 0, 300, 50}));
    EXPECT_EQ(BoxOf(*client), (Box{0, 50, 300, 100}));
    top->SetVisible(false);
    EXPECT_EQ(BoxOf(*client), (Box{0, 0, 300, 150}));
    // No longer aligned: keeps its bounds when the parent changes.
    client->SetAlign(TAlign::alNone);
    parent.SetBounds(0, 0, 100, 50);
    EXPECT_EQ(BoxOf(*client), (Box{0, 0, 300, 150}));
    // Switching to client alignment later covers the parent.
    client->SetAlign(TAlign::alClient);
    EXPECT_EQ(BoxOf(*client), (Box{0, 0, 100, 50}));
    if (with_windows) {
      EXPECT_EQ(WindowBoxOf(*client), (Box{0, 0, 100, 50}));
    }
  }
}

TEST(Alignment, DisabledAlignmentWaitsForEnableAlign) {
  auto form = MakeForm(0, 0, 400, 300);
  TPanel parent(form.get());
  parent.SetParent(form.get());
  parent.SetBounds(0, 0, 200, 100);
  auto* client = new TPanel(form.get());
  client->SetAlign(TAlign::alClient);
  client->SetParent(&parent);
  parent.DisableAlign();
  parent.SetBounds(0, 0, 120, 60);
  EXPECT_EQ(BoxOf(*client), (Box{0, 0, 200, 100}));
  parent.EnableAlign();
  EXPECT_EQ(BoxOf(*client), (Box{0, 0, 120, 60}));
}

TEST(Alignment, FormClientAreaFollowsTheFormsSize) {
  auto form = MakeForm(0, 0, 620, 527);
  form->HandleNeeded();
  auto* main_panel = new TPanel(form.get());
  main_panel->SetAlign(TAlign::alClient);
  main_panel->SetParent(form.get());
  auto* question = new TPanel(form.get());
  question->SetAlign(TAlign::alTop);
  question->SetHeight(0);
  question->SetParent(form.get());
  EXPECT_EQ(BoxOf(*main_panel), (Box{0, 0, 620, 527}));
  EXPECT_EQ(BoxOf(*question), (Box{0, 0, 620, 0}));
  form->SetHeight(150);
  form->SetWidth(405);
  question->SetAlign(TAlign::alClient);
  EXPECT_EQ(BoxOf(*main_panel), (Box{0, 0, 405, 150}));
  EXPECT_EQ(BoxOf(*question), (Box{0, 0, 405, 150}));
  EXPECT_EQ(::ChildWindowFromPoint(form->Handle(), POINT{200, 70}), question->Handle())
      << "the later panel lies above the earlier one";
}

// ---- stacking order ---------------------------------------------------------------------------

// A container on the shown stage form with three overlapping
// panels: a (0,0 100x100), b (50,0 100x100), c (25,25 50x50), created in that order.
struct Stack {
  std::unique_ptr<TPanel> container = std::make_unique<TPanel>(nullptr);
  TPanel* a = nullptr;
  TPanel* b = nullptr;
  TPanel* c = nullptr;
  Stack() { container->SetBounds(0, 0, 200, 100); }
  void AddPanels() {
    a = AddPanel(0, 0, 100, 100);
    b = AddPanel(50, 0, 100, 100);
    c = AddPanel(25, 25, 50, 50);
  }
  TPanel* AddPanel(int l, int t, int w, int h) {
    auto* p = new TPanel(container.get());
    p->SetBounds(l, t, w, h);
    p->SetParent(container.get());
    return p;
  }
  HWND At(int x, int y) { return ::ChildWindowFromPoint(container->Handle(), POINT{x, y}); }
  HWND OnScreenAt(int x, int y) { return ::WindowFromPoint(POINT{kStageLeft + x, kStageTop + y}); }
};

TEST(StackingOrder, LaterWindowedSiblingsLieAboveEarlierOnes) {
  for (bool parent_window_first : {false, true}) {
    SCOPED_TRACE(parent_window_first ? "parent window made before the panels"
                                     : "panels made before the parent window");
    Stack s;
    if (parent_window_first) s.container->SetParent(&testing::StageForm());
    s.AddPanels();
    if (!parent_window_first) s.container->SetParent(&testing::StageForm());
    PumpMessages(10);
    EXPECT_EQ(s.At(10, 10), s.a->Handle());
    EXPECT_EQ(s.At(60, 10), s.b->Handle());
    EXPECT_EQ(s.At(60, 40), s.c->Handle());
    EXPECT_EQ(s.At(40, 40), s.c->Handle());
    EXPECT_EQ(s.At(120, 80), s.b->Handle());
    EXPECT_EQ(s.OnScreenAt(60, 40), s.c->Handle());
    EXPECT_EQ(s.OnScreenAt(60, 10), s.b->Handle());
    EXPECT_EQ(s.OnScreenAt(10, 80), s.a->Handle());
    EXPECT_EQ(s.OnScreenAt(180, 50), s.container->Handle());

    s.a->BringToFront();
    EXPECT_EQ(s.At(60, 40), s.a->Handle());
    EXPECT_EQ(s.At(120, 80), s.b->Handle());
    s.a->SendToBack();
    EXPECT_EQ(s.At(60, 40), s.c->Handle());
    EXPECT_EQ(s.At(60, 10), s.b->Handle());
  }
}

TEST(StackingOrder, RemadeWindowKeepsItsPlaceAmongItsSiblings) {
  Stack s;
  s.a = s.AddPanel(0, 0, 100, 100);
  auto* memo = new TMemo(s.container.get());
  memo->SetBounds(20, 20, 60, 60);
  memo->SetParent(s.container.get());
  s.c = s.AddPanel(40, 40, 20, 20);
  s.container->SetParent(&testing::StageForm());
  ASSERT_EQ(s.At(50, 50), s.c->Handle());
  memo->SetWordWrap(false);  // the edit window is made again
  EXPECT_EQ(s.At(50, 50), s.c->Handle()) << "the remade memo came up above a later sibling";
  EXPECT_EQ(s.At(25, 25), memo->Handle());
}

TEST(StackingOrder, LastWindowlessChildOnTopAndDisabledOnesSkipped) {
  auto form = MakeForm();
  auto* first = new TImage(form.get());
  first->SetBounds(0, 0, 50, 50);
  first->SetParent(form.get());
  auto* second = new TImage(form.get());
  second->SetBounds(25, 25, 50, 50);
  second->SetParent(form.get());
  EXPECT_EQ(form->ControlAtPos({30, 30}, false), second);
  EXPECT_EQ(form->ControlAtPos({10, 10}, false), first);
  EXPECT_EQ(form->ControlAtPos({80, 80}, false), nullptr);
  second->SetEnabled(false);
  EXPECT_EQ(form->ControlAtPos({30, 30}, false), first);
  EXPECT_EQ(form->ControlAtPos({30, 30}, true), second);
  second->SetVisible(false);
  EXPECT_EQ(form->ControlAtPos({30, 30}, true), first);
}

// ---- colours and fonts ------------------------------------------------------------------------

TEST(ParentColour, FollowsTheParentUntilSetAndAgainWhenAskedTo) {
  auto form = MakeForm();
  form->SetColor(clWhite);
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  auto* image = new TImage(form.get());
  image->SetParent(panel);
  auto* memo = new TMemo(form.get());
  memo->SetParent(panel);
  EXPECT_EQ(panel->Color(), clWhite);
  EXPECT_EQ(image->Color(), clWhite);
  EXPECT_EQ(memo->Color(), clWindow) << "an edit has a colour of its own";
  EXPECT_FALSE(memo->ParentColor());

  form->SetColor(clYellow);
  EXPECT_EQ(panel->Color(), clYellow);
  EXPECT_EQ(image->Color(), clYellow) << "passed down two levels";

  panel->SetColor(clRed);
  EXPECT_FALSE(panel->ParentColor());
  EXPECT_EQ(image->Color(), clRed);
  form->SetColor(clBlue);
  EXPECT_EQ(panel->Color(), clRed);
  EXPECT_EQ(image->Color(), clRed);

  panel->SetParentColor(true);
  EXPECT_EQ(panel->Color(), clBlue);
  EXPECT_EQ(image->Color(), clBlue);
  EXPECT_EQ(memo->Color(), clWindow);

  // A control moved to another parent takes that parent's colour.
  auto* other = new TPanel(form.get());
  other->SetParent(form.get());
  other->SetColor(clLime);
  image->SetParent(other);
  EXPECT_EQ(image->Color(), clLime);
}

TEST(ParentColour, PanelWindowErasesWithItsColour) {
  auto form = MakeForm();
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetColor(clRed);
  form->HandleNeeded();
  TBitmap target;
  testing::MakeFilled32(target, 8, 8, clWhite);
  ::SendMessageW(panel->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(target.Canvas().Handle()),
                 0);
  EXPECT_EQ(testing::PixelOf(target, 3, 3), RGB(255, 0, 0));
}

LOGFONTW FontOfWindow(HWND hwnd) {
  LOGFONTW lf{};
  const auto font = reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0));
  EXPECT_NE(font, nullptr);
  EXPECT_NE(::GetObjectW(font, sizeof(lf), &lf), 0) << "the window holds a deleted font";
  return lf;
}

TEST(ParentFont, FollowsTheParentAndReachesTheWindow) {
  auto form = MakeForm();
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  auto* memo = new TMemo(form.get());
  memo->SetParent(panel);
  form->HandleNeeded();
  EXPECT_EQ(memo->Font().Name(), L"MS Sans Serif");
  EXPECT_EQ(memo->Font().Height(), -11);

  form->Font().SetHeight(-20);
  form->Font().SetColor(clRed);
  EXPECT_EQ(panel->Font().Height(), -20);
  EXPECT_EQ(memo->Font().Height(), -20);
  EXPECT_EQ(memo->Font().Color(), clRed);
  EXPECT_TRUE(memo->ParentFont());
  EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(memo->Handle(), WM_GETFONT, 0, 0)),
            memo->Font().Handle());
  EXPECT_EQ(FontOfWindow(memo->Handle()).lfHeight, -20);

  memo->Font().SetName(L"Tahoma");
  EXPECT_FALSE(memo->ParentFont());
  EXPECT_EQ(std::wstring(FontOfWindow(memo->Handle()).lfFaceName), L"Tahoma");
  form->Font().SetHeight(-14);
  EXPECT_EQ(memo->Font().Height(), -20) << "no longer follows the parent";
  EXPECT_EQ(panel->Font().Height(), -14);
  memo->SetParentFont(true);
  EXPECT_EQ(memo->Font().Name(), L"MS Sans Serif");
  EXPECT_EQ(memo->Font().Height(), -14);
  EXPECT_EQ(FontOfWindow(memo->Handle()).lfHeight, -14);
}

// ---- Enabled and Visible ----------------------------------------------------------------------

TEST(EnabledVisible, ReachTheWindowBeforeAndAfterItExists) {
  auto container = std::make_unique<TPanel>(nullptr);
  container->SetBounds(0, 0, 300, 200);
  auto* early = new TPanel(container.get());
  early->SetEnabled(false);
  early->SetVisible(false);
  early->SetParent(container.get());
  auto* panel = new TPanel(container.get());
  panel->SetParent(container.get());
  auto* inner = new TPanel(container.get());
  inner->SetParent(panel);
  container->SetParent(&testing::StageForm());
  EXPECT_FALSE(::IsWindowEnabled(early->Handle()));
  EXPECT_EQ(::GetWindowLongW(early->Handle(), GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_TRUE(::IsWindowVisible(panel->Handle()));

  panel->SetEnabled(false);
  EXPECT_FALSE(::IsWindowEnabled(panel->Handle()));
  EXPECT_FALSE(inner->CanFocus()) << "a control in a disabled parent cannot take the focus";
  panel->SetEnabled(true);
  EXPECT_TRUE(::IsWindowEnabled(panel->Handle()));
  EXPECT_TRUE(inner->CanFocus());
  panel->SetVisible(false);
  EXPECT_FALSE(::IsWindowVisible(panel->Handle()));
  EXPECT_FALSE(::IsWindowVisible(inner->Handle()));
  EXPECT_FALSE(inner->IsShowing());
  EXPECT_TRUE(inner->Visible());
  panel->SetVisible(true);
  EXPECT_TRUE(::IsWindowVisible(inner->Handle()));
  early->SetVisible(true);
  early->SetEnabled(true);
  EXPECT_TRUE(::IsWindowVisible(early->Handle()));
  EXPECT_TRUE(::IsWindowEnabled(early->Handle()));
}

// ---- focus and tab order ----------------------------------------------------------------------

// On the stage form: a container holding P1 (with E1), P2 disabled (with E2), E3, E4 without a
// tab stop and E5 hidden; E1 has the focus to begin with.
class FocusForm : public ::testing::Test {
 protected:
  void SetUp() override {
    form = &testing::StageForm();
    container = std::make_unique<TPanel>(nullptr);
    container->SetName("container");
    container->SetBounds(0, 0, 400, 300);
    container->SetParent(form);
    Watch(container.get());
    p1 = AddPanel(container.get(), "P1");
    e1 = AddEdit(p1, "E1");
    p2 = AddPanel(container.get(), "P2");
    e2 = AddEdit(p2, "E2");
    p2->SetEnabled(false);
    e3 = AddEdit(container.get(), "E3");
    e4 = AddEdit(container.get(), "E4");
    e4->SetTabStop(false);
    e5 = AddEdit(container.get(), "E5");
    e5->SetVisible(false);
    // The stage form is the active window of the desktop (as after a click on it), so that
    // the keyboard focus is this program's.
    ::SetForegroundWindow(form->Handle());
    PumpMessages(5);
    e1->SetFocus();
    ASSERT_EQ(::GetFocus(), e1->Handle());
    log.clear();
  }

  // Each new control of the container lies below the one before, apart from the others, as on
  // a real form (Tab passes over controls that other windows cover).
  void PlaceInContainer(TWinControl* parent, TControl* c) {
    if (parent != container.get()) return;
    c->SetTop(next_top_);
    next_top_ += c->Height() + 4;
  }
  TPanel* AddPanel(TWinControl* parent, const char* name) {
    auto* p = new TPanel(container.get());
    p->SetName(name);
    p->SetParent(parent);
    PlaceInContainer(parent, p);
    Watch(p);
    return p;
  }
  TCustomEdit* AddEdit(TWinControl* parent, const char* name) {
    auto* e = new TCustomEdit(container.get());
    e->SetName(name);
    e->SetParent(parent);
    PlaceInContainer(parent, e);
    Watch(e);
    return e;
  }
  int next_top_ = 0;
  void Watch(TWinControl* c) {
    c->OnEnter = [this](TObject* s) { log.push_back("enter " + static_cast<TComponent*>(s)->Name()); };
    c->OnExit = [this](TObject* s) { log.push_back("exit " + static_cast<TComponent*>(s)->Name()); };
  }
  HWND Focus() const { return ::GetFocus(); }

  std::vector<std::string> log;  // outlives the controls that write to it
  TForm* form = nullptr;
  std::unique_ptr<TPanel> container;
  TPanel* p1 = nullptr;
  TPanel* p2 = nullptr;
  TCustomEdit *e1 = nullptr, *e2 = nullptr, *e3 = nullptr, *e4 = nullptr, *e5 = nullptr;
};

TEST_F(FocusForm, SetFocusReachesTheWindowAndTheForm) {
  EXPECT_EQ(Focus(), e1->Handle());
  EXPECT_TRUE(e1->Focused());
  EXPECT_EQ(form->ActiveControl(), e1);
  EXPECT_EQ(Screen()->ActiveControl(), e1);
}

TEST_F(FocusForm, SelectNextSkipsDisabledHiddenAndNonTabStopControls) {
  e1->SetFocus();
  form->SelectNext(e1, true, true);
  EXPECT_EQ(Focus(), e3->Handle());
  form->SelectNext(e3, true, true);
  EXPECT_EQ(Focus(), e1->Handle()) << "wraps round";
  form->SelectNext(e1, false, true);
  EXPECT_EQ(Focus(), e3->Handle());
  EXPECT_EQ(form->FindNextControl(e3, true, false, false), e4)
      << "without the tab stop check a control without one is next";
  EXPECT_EQ(container->FindNextControl(e4, true, false, false), p1) << "and so is a panel";
}

TEST_F(FocusForm, TabKeyMovesTheFocus) {
  e1->SetFocus();
  ::PostMessageW(e1->Handle(), WM_KEYDOWN, VK_TAB, 0x000F0001);
  ::PostMessageW(e1->Handle(), WM_KEYUP, VK_TAB, 0xC00F0001);
  PumpMessages(30);
  EXPECT_EQ(Focus(), e3->Handle());
}

TEST_F(FocusForm, TabOrderDecidesTheSequence) {
  EXPECT_EQ(e3->TabOrder(), 2);
  e3->SetTabOrder(0);
  EXPECT_EQ(e3->TabOrder(), 0);
  EXPECT_EQ(p1->TabOrder(), 1);
  std::vector<TWinControl*> order;
  container->GetTabOrderList(order);
  ASSERT_GE(order.size(), 4u);
  EXPECT_EQ(order[0], e3);
  EXPECT_EQ(order[1], p1);
  EXPECT_EQ(order[2], e1);
  e1->SetFocus();
  form->SelectNext(e1, true, true);
  EXPECT_EQ(Focus(), e3->Handle());
  e3->SetTabOrder(99);  // past the end: last
  EXPECT_EQ(e3->TabOrder(), 4);
}

TEST_F(FocusForm, EnterAndExitRunDownAndUpTheParentChain) {
  e3->SetFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"exit E1", "exit P1", "enter E3"}));
  log.clear();
  e1->SetFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"exit E3", "enter P1", "enter E1"}));
  EXPECT_EQ(Screen()->ActiveControl(), e1);
  EXPECT_EQ(form->ActiveControl(), e1);
  EXPECT_THROW(e2->SetFocus(), EInvalidOperation) << "inside a disabled panel";
  EXPECT_EQ(Focus(), e1->Handle());
}

TEST_F(FocusForm, FreeingControlsAroundTheFocusRunsNoEnterOrExitHandlers) {
  // Freeing E1 moves the system focus to P1 and, as P1 goes, to the container, all of them
  // on their way out.
  container.reset();
  EXPECT_EQ(log, std::vector<std::string>{});
  EXPECT_EQ(form->ActiveControl(), nullptr);
  EXPECT_EQ(Screen()->ActiveControl(), form) << "the form itself has the focus now";
  EXPECT_EQ(Focus(), form->Handle());
}

TEST_F(FocusForm, HidingTheFocusedControlMovesTheFocusAway) {
  e3->SetFocus();
  e3->SetVisible(false);
  EXPECT_NE(Focus(), e3->Handle());
  EXPECT_NE(form->ActiveControl(), e3);
}

// ---- mouse routing to windowless children -----------------------------------------------------

class MouseProbe : public TGraphicControl {
 public:
  explicit MouseProbe(TComponent* owner) : TGraphicControl(owner) {
    OnMouseDown = [this](TObject*, TMouseButton b, TShiftState, int x, int y) {
      log.push_back("down " + Button(b) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    OnMouseMove = [this](TObject*, TShiftState, int x, int y) {
      log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    };
    OnMouseUp = [this](TObject*, TMouseButton b, TShiftState, int x, int y) {
      log.push_back("up " + Button(b) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    OnClick = [this](TObject*) { log.push_back("click"); };
    OnDblClick = [this](TObject*) { log.push_back("double click"); };
  }
  static std::string Button(TMouseButton b) {
    return b == TMouseButton::mbLeft ? "left" : b == TMouseButton::mbRight ? "right" : "middle";
  }
  std::vector<std::string> log;
};

// On the stage form: a panel (0,0 200x150) holding a windowless probe at (10,10 40x20).
class MouseRouting : public ::testing::Test {
 protected:
  void SetUp() override {
    panel = std::make_unique<TPanel>(nullptr);
    panel->SetBounds(0, 0, 200, 150);
    panel->OnMouseMove = [this](TObject*, TShiftState, int x, int y) {
      panel_log.push_back("panel move " + std::to_string(x) + "," + std::to_string(y));
    };
    panel->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int x, int y) {
      panel_log.push_back("panel down " + std::to_string(x) + "," + std::to_string(y));
    };
    probe = new MouseProbe(panel.get());
    probe->SetBounds(10, 10, 40, 20);
    probe->SetParent(panel.get());
    panel->SetParent(&testing::StageForm());
  }
  void TearDown() override { ::ReleaseCapture(); }
  void Send(UINT msg, WPARAM keys, int x, int y) {
    ::SendMessageW(panel->Handle(), msg, keys, MAKELPARAM(x, y));
  }
  std::unique_ptr<TPanel> panel;
  MouseProbe* probe = nullptr;
  std::vector<std::string> panel_log;
};

TEST_F(MouseRouting, PressCapturesAndReleaseInsideClicks) {
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 15, 12);
  EXPECT_EQ(::GetCapture(), panel->Handle());
  EXPECT_EQ(GetCaptureControl(), probe);
  EXPECT_TRUE(probe->MouseCapture());
  Send(WM_MOUSEMOVE, MK_LBUTTON, 100, 80);  // outside the probe: still its, while captured
  Send(WM_LBUTTONUP, 0, 20, 15);
  EXPECT_EQ(probe->log, (std::vector<std::string>{"down left 5,2", "move 90,70", "click",
                                                  "up left 10,5"}));
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(GetCaptureControl(), nullptr);
  EXPECT_TRUE(panel_log.empty());
  // Without capture, a move outside the probe belongs to the panel.
  Send(WM_MOUSEMOVE, 0, 100, 80);
  EXPECT_EQ(panel_log, (std::vector<std::string>{"panel move 100,80"}));
}

TEST_F(MouseRouting, ReleaseOutsideDoesNotClick) {
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 15, 12);
  Send(WM_LBUTTONUP, 0, 100, 80);
  EXPECT_EQ(probe->log, (std::vector<std::string>{"down left 5,2", "up left 90,70"}));
  EXPECT_EQ(::GetCapture(), nullptr);
  // A later press and release inside clicks once, not twice.
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 11, 11);
  Send(WM_LBUTTONUP, 0, 11, 11);
  int clicks = 0;
  for (const auto& line : probe->log) clicks += line == "click";
  EXPECT_EQ(clicks, 1);
}

TEST_F(MouseRouting, OtherButtonsAndDoubleClicks) {
  Send(WM_RBUTTONDOWN, MK_RBUTTON, 12, 12);
  EXPECT_EQ(::GetCapture(), nullptr) << "only the left button captures";
  Send(WM_RBUTTONUP, 0, 12, 12);
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, 12, 12);
  Send(WM_LBUTTONUP, 0, 12, 12);
  EXPECT_EQ(probe->log, (std::vector<std::string>{"down right 2,2", "up right 2,2",
                                                  "double click", "down left 2,2", "click",
                                                  "up left 2,2"}));
}

TEST_F(MouseRouting, DisabledOrNonCapturingChildren) {
  probe->SetEnabled(false);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 15, 12);
  Send(WM_LBUTTONUP, 0, 15, 12);
  EXPECT_TRUE(probe->log.empty());
  EXPECT_EQ(panel_log, (std::vector<std::string>{"panel down 15,12"}));
  ::ReleaseCapture();

  probe->SetEnabled(true);
  probe->SetControlStyle(probe->ControlStyleFlags() & ~csCaptureMouse);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 15, 12);
  EXPECT_NE(GetCaptureControl(), probe);
  Send(WM_LBUTTONUP, 0, 15, 12);
  EXPECT_EQ(probe->log, (std::vector<std::string>{"down left 5,2", "click", "up left 5,2"}));
}

TEST_F(MouseRouting, FreeingTheCapturingChildReleasesTheCapture) {
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 15, 12);
  ASSERT_EQ(GetCaptureControl(), probe);
  delete probe;
  probe = nullptr;
  EXPECT_EQ(GetCaptureControl(), nullptr);
  Send(WM_MOUSEMOVE, MK_LBUTTON, 15, 12);
  Send(WM_LBUTTONUP, 0, 15, 12);
  EXPECT_EQ(panel_log.front(), "panel move 15,12");
}

// ---- mouse enter and leave --------------------------------------------------------------------

// Writes the mouse enter/leave notifications it receives, with their lParam, to a shared log.
template <typename Base>
class EnterLeaveLogger : public Base {
 public:
  EnterLeaveLogger(TComponent* owner, std::string name, std::vector<std::string>& log,
                   const std::map<LPARAM, std::string>& names)
      : Base(owner), log_(log), names_(names) {
    this->SetName(std::move(name));
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_MOUSEENTER || m.Msg == CM_MOUSELEAVE) {
      const auto it = names_.find(m.LParam);
      log_.push_back(this->Name() + (m.Msg == CM_MOUSEENTER ? " enter " : " leave ") +
                     (m.LParam == 0 ? "0" : it != names_.end() ? it->second : "?"));
    }
    Base::WndProc(m);
  }

 private:
  std::vector<std::string>& log_;
  const std::map<LPARAM, std::string>& names_;
};

TEST(MouseEnterLeave, NotificationsTravelUpWithTheControlThatWasEntered) {
  std::vector<std::string> log;
  std::map<LPARAM, std::string> names;
  auto& form = testing::StageForm();
  form.observe = [&](TMessage& m) {
    if (m.Msg == CM_MOUSEENTER || m.Msg == CM_MOUSELEAVE) {
      const auto it = names.find(m.LParam);
      log.push_back(std::string("form") + (m.Msg == CM_MOUSEENTER ? " enter " : " leave ") +
                    (m.LParam == 0 ? "0" : it != names.end() ? it->second : "?"));
    }
  };
  // The container covers the whole stage form.
  auto container = std::make_unique<EnterLeaveLogger<TPanel>>(nullptr, "container", log, names);
  container->SetBounds(0, 0, 400, 300);
  auto* panel = new EnterLeaveLogger<TPanel>(container.get(), "panel", log, names);
  panel->SetBounds(0, 0, 200, 150);
  panel->SetParent(container.get());
  auto* image = new EnterLeaveLogger<TImage>(container.get(), "image", log, names);
  image->SetBounds(10, 10, 40, 20);
  image->SetParent(panel);
  names[reinterpret_cast<LPARAM>(container.get())] = "container";
  names[reinterpret_cast<LPARAM>(panel)] = "panel";
  names[reinterpret_cast<LPARAM>(image)] = "image";
  container->SetParent(&form);
  PumpMessages(10);

  auto move_to = [&](int x, int y) {
    ::SetCursorPos(x, y);
    log.clear();
    Application()->UpdateMouseControl();
    return log;
  };
  move_to(kNowhereX, kNowhereY);
  EXPECT_EQ(move_to(kStageLeft + 20, kStageTop + 15),
            (std::vector<std::string>{"image enter 0", "panel enter image", "container enter image",
                                      "form enter image"}));
  EXPECT_EQ(Application()->MouseControl(), image);
  EXPECT_EQ(move_to(kStageLeft + 21, kStageTop + 16), std::vector<std::string>{}) << "still on the image";
  EXPECT_EQ(move_to(kStageLeft + 150, kStageTop + 100),
            (std::vector<std::string>{"image leave 0", "panel leave image",
                                      "container leave image", "form leave image",
                                      "panel enter 0", "container enter panel",
                                      "form enter panel"}));
  EXPECT_EQ(move_to(kStageLeft + 250, kStageTop + 180),
            (std::vector<std::string>{"panel leave 0", "container leave panel",
                                      "form leave panel", "container enter 0",
                                      "form enter container"}));
  EXPECT_EQ(move_to(kNowhereX, kNowhereY),
            (std::vector<std::string>{"container leave 0", "form leave container"}));
  EXPECT_EQ(Application()->MouseControl(), nullptr);

  move_to(kStageLeft + 20, kStageTop + 15);
  ASSERT_EQ(Application()->MouseControl(), image);
  delete image;
  EXPECT_EQ(Application()->MouseControl(), nullptr) << "a freed control is forgotten";
  form.observe = nullptr;
}

// ---- notifications, painting, cursors, keys ----------------------------------------------------

// Writes the framework notifications it receives to a shared log.
template <typename Base>
class NotificationLogger : public Base {
 public:
  NotificationLogger(TComponent* owner, std::string name, std::vector<std::string>& log)
      : Base(owner), log_(log) {
    this->SetName(std::move(name));
  }
  void WndProc(TMessage& m) override {
    static const std::map<UINT, const char*> kNames = {
        {CM_ENABLEDCHANGED, "enabled"},   {CM_VISIBLECHANGED, "visible"},
        {CM_COLORCHANGED, "color"},       {CM_FONTCHANGED, "font"},
        {CM_TEXTCHANGED, "text"},         {CM_PARENTCOLORCHANGED, "parent color"},
        {CM_PARENTFONTCHANGED, "parent font"}};
    if (const auto it = kNames.find(m.Msg); it != kNames.end())
      log_.push_back(this->Name() + " " + it->second);
    Base::WndProc(m);
  }

 private:
  std::vector<std::string>& log_;
};

TEST(Notifications, EachChangeIsAnnouncedToTheControlAndPassedToItsChildren) {
  std::vector<std::string> log;
  NotificationLogger<TPanel> panel(nullptr, "panel", log);
  auto* image = new NotificationLogger<TImage>(&panel, "image", log);
  image->SetParent(&panel);
  log.clear();
  panel.SetEnabled(false);
  panel.SetEnabled(false);  // no change, no notification
  panel.SetVisible(false);
  panel.SetCaption(L"caption");
  panel.SetColor(clRed);
  panel.Font().SetStyle(fsBold);
  EXPECT_EQ(log, (std::vector<std::string>{"panel enabled", "panel visible", "panel text",
                                           "panel color", "image parent color", "image color",
                                           "panel font", "image parent font", "image font"}));
  EXPECT_EQ(image->Font().Style(), static_cast<TFontStyles>(fsBold));
  // The numbers other windows see these notifications by.
  EXPECT_EQ(CM_MOUSEENTER, 0xB013u);
  EXPECT_EQ(CM_MOUSELEAVE, 0xB014u);
  EXPECT_EQ(CM_ENABLEDCHANGED, 0xB00Cu);
}

// A windowless control that fills itself with one colour and draws a 2 x 2 mark at (1, 1).
class Swatch : public TGraphicControl {
 public:
  Swatch(TComponent* owner, TColor fill) : TGraphicControl(owner), fill_(fill) {}

 protected:
  void Paint() override {
    Canvas().Brush().SetColor(fill_);
    Canvas().FillRect({-50, -50, 500, 500});  // more than its size: the clip keeps it inside
    Canvas().Brush().SetColor(clBlack);
    Canvas().FillRect({1, 1, 3, 3});
  }

 private:
  TColor fill_;
};

TEST(Painting, WindowlessChildrenPaintOnTheirParentClippedToThemselves) {
  auto panel = std::make_unique<TPanel>(nullptr);
  panel->SetBounds(0, 0, 12, 8);
  panel->SetBevelOuter(TBevelCut::bvNone);
  panel->SetColor(clWhite);
  auto* first = new Swatch(panel.get(), clRed);
  first->SetBounds(2, 1, 4, 4);
  first->SetParent(panel.get());
  auto* second = new Swatch(panel.get(), clBlue);
  second->SetBounds(4, 3, 5, 4);  // overlaps the first: drawn later, on top
  second->SetParent(panel.get());
  auto* hidden = new Swatch(panel.get(), clLime);
  hidden->SetBounds(0, 0, 12, 8);
  hidden->SetVisible(false);
  hidden->SetParent(panel.get());
  panel->SetParent(&testing::StageForm());

  TBitmap surface;
  testing::MakeFilled32(surface, 12, 8, clYellow);
  panel->Perform(WM_PAINT, reinterpret_cast<WPARAM>(surface.Canvas().Handle()), 0);
  const std::map<COLORREF, char> legend = {{RGB(255, 255, 255), 'W'}, {RGB(255, 0, 0), 'R'},
                                           {RGB(0, 0, 255), 'B'},     {RGB(0, 0, 0), '.'},
                                           {RGB(255, 255, 0), 'Y'},   {RGB(0, 255, 0), 'G'}};
  EXPECT_EQ(testing::PictureOf(surface, legend), (std::vector<std::string>{"WWWWWWWWWWWW",
                                                                           "WWRRRRWWWWWW",
                                                                           "WWR..RWWWWWW",
                                                                           "WWR.BBBBBWWW",
                                                                           "WWRRB..BBWWW",
                                                                           "WWWWB..BBWWW",
                                                                           "WWWWBBBBBWWW",
                                                                           "WWWWWWWWWWWW"}));
}

// A swatch that counts its paints.
class CountingSwatch : public Swatch {
 public:
  using Swatch::Swatch;
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    Swatch::Paint();
  }
};

// A repaint of part of a window paints the windowless children in that part only, with double
// buffering as without it, and what the window shows there is the children's picture.
TEST(Painting, ARepaintOfPartOfAWindowPaintsOnlyTheChildrenThere) {
  for (bool double_buffered : {false, true}) {
    SCOPED_TRACE(double_buffered ? "double-buffered" : "painted on the window");
    auto panel = std::make_unique<TPanel>(nullptr);
    panel->SetBounds(0, 0, 120, 40);
    panel->SetBevelOuter(TBevelCut::bvNone);
    panel->SetColor(clWhite);
    panel->SetDoubleBuffered(double_buffered);
    auto* left = new CountingSwatch(panel.get(), clRed);
    left->SetBounds(10, 10, 20, 20);
    left->SetParent(panel.get());
    auto* right = new CountingSwatch(panel.get(), clBlue);
    right->SetBounds(80, 10, 20, 20);
    right->SetParent(panel.get());
    panel->SetParent(&testing::StageForm());
    ::UpdateWindow(panel->Handle());
    PumpMessages(10);
    left->paints = right->paints = 0;

    const RECT part{5, 5, 40, 35};  // the left swatch and some panel around it
    ::InvalidateRect(panel->Handle(), &part, TRUE);
    ::UpdateWindow(panel->Handle());
    EXPECT_EQ(left->paints, 1);
    EXPECT_EQ(right->paints, 0) << "outside the part to repaint";
    win::ScopedGetDC dc(panel->Handle());
    EXPECT_EQ(::GetPixel(dc, 15, 20), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(dc, 12, 12), RGB(0, 0, 0));
    EXPECT_EQ(::GetPixel(dc, 7, 7), RGB(255, 255, 255));
    EXPECT_EQ(::GetPixel(dc, 90, 20), RGB(0, 0, 255)) << "the rest as it was";
  }
}

// The control of a window is found while the window is the control's: not for other windows
// of this process (whatever they keep in their user data) or of others, nor for a window that
// went; a window made again is found under its new handle.
TEST(WindowLookup, FindsTheControlOfItsOwnWindowOnly) {
  auto panel = std::make_unique<TPanel>(nullptr);
  panel->SetParent(&testing::StageForm());
  HWND first = panel->Handle();
  win::UniqueWindow plain(::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10,
                                            testing::StageForm().Handle(), nullptr, nullptr, nullptr));
  ASSERT_TRUE(plain);
  ::SetWindowLongPtrW(plain.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(panel.get()));
  struct Case {
    const char* what;
    HWND window;
    TWinControl* expected;
  };
  const Case cases[] = {
      {"the control's window", first, panel.get()},
      {"the form's window", testing::StageForm().Handle(), &testing::StageForm()},
      {"a plain window of this process", plain.get(), nullptr},
      {"the desktop", ::GetDesktopWindow(), nullptr},
      {"no window", nullptr, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(FindControl(c.window), c.expected) << c.what;

  panel.reset();
  EXPECT_EQ(FindControl(first), nullptr) << "the window of a control that went";
  // A memo's window is made again when its word wrap changes.
  auto memo = std::make_unique<TMemo>(nullptr);
  memo->SetParent(&testing::StageForm());
  HWND old_window = memo->Handle();
  memo->SetWordWrap(!memo->WordWrap());
  ASSERT_NE(memo->Handle(), old_window);
  EXPECT_EQ(FindControl(memo->Handle()), memo.get()) << "the window made again";
  EXPECT_EQ(FindControl(old_window), nullptr) << "the window it had";
}

struct ImageCase {
  const char* name;
  bool stretch, center, transparent;
  std::vector<std::string> expected;
  friend void PrintTo(const ImageCase& c, std::ostream* os) { *os << c.name; }
};

class ImagePainting : public ::testing::TestWithParam<ImageCase> {};

// A white 10 x 6 panel with a 6 x 4 image at (1, 1) showing a 2 x 2 picture: red, blue over
// fuchsia, green (the bottom-left fuchsia is the key colour of a transparent bitmap).
TEST_P(ImagePainting, DrawsThePictureAsTold) {
  const auto& c = GetParam();
  auto panel = std::make_unique<TPanel>(nullptr);
  panel->SetBounds(0, 0, 10, 6);
  panel->SetBevelOuter(TBevelCut::bvNone);
  panel->SetColor(clWhite);
  auto* image = new TImage(panel.get());
  image->SetBounds(1, 1, 6, 4);
  image->SetParent(panel.get());
  TBitmap* b = image->Picture().Bitmap();
  testing::MakeFilled32(*b, 2, 2, clRed);
  b->Canvas().SetPixel(1, 0, clBlue);
  b->Canvas().SetPixel(0, 1, clFuchsia);
  b->Canvas().SetPixel(1, 1, clLime);
  image->SetStretch(c.stretch);
  image->SetCenter(c.center);
  image->SetTransparent(c.transparent);
  panel->SetParent(&testing::StageForm());
  TBitmap surface;
  testing::MakeFilled32(surface, 10, 6, clBlack);
  panel->Perform(WM_PAINT, reinterpret_cast<WPARAM>(surface.Canvas().Handle()), 0);
  const std::map<COLORREF, char> legend = {{RGB(255, 255, 255), 'W'}, {RGB(255, 0, 0), 'R'},
                                           {RGB(0, 0, 255), 'B'},     {RGB(255, 0, 255), 'K'},
                                           {RGB(0, 255, 0), 'G'}};
  EXPECT_EQ(testing::PictureOf(surface, legend), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ImagePainting,
    ::testing::Values(
        ImageCase{"plain", false, false, false,
                  {"WWWWWWWWWW", "WRBWWWWWWW", "WKGWWWWWWW", "WWWWWWWWWW", "WWWWWWWWWW",
                   "WWWWWWWWWW"}},
        ImageCase{"stretched", true, false, false,
                  {"WWWWWWWWWW", "WRRRBBBWWW", "WRRRBBBWWW", "WKKKGGGWWW", "WKKKGGGWWW",
                   "WWWWWWWWWW"}},
        ImageCase{"centred", false, true, false,
                  {"WWWWWWWWWW", "WWWWWWWWWW", "WWWRBWWWWW", "WWWKGWWWWW", "WWWWWWWWWW",
                   "WWWWWWWWWW"}},
        ImageCase{"stretched_transparent", true, false, true,
                  {"WWWWWWWWWW", "WRRRBBBWWW", "WRRRBBBWWW", "WWWWGGGWWW", "WWWWGGGWWW",
                   "WWWWWWWWWW"}}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(ImagePainting, AutoSizeTakesThePicturesSize) {
  TImage image(nullptr);
  image.SetAutoSize(true);
  testing::MakeFilled32(*image.Picture().Bitmap(), 3, 5, clRed);
  EXPECT_EQ(image.Width(), 3);
  EXPECT_EQ(image.Height(), 5);
  image.SetAutoSize(false);
  image.Picture().Bitmap()->SetSize(7, 2);
  EXPECT_EQ(image.Width(), 3) << "no longer follows the picture";
}

TEST(Painting, CanvasOfAWindowlessControlOutsidePaintingDrawsOnTheParentWindow) {
  auto panel = std::make_unique<TPanel>(nullptr);
  panel->SetBounds(0, 0, 100, 60);
  panel->SetColor(clWhite);
  auto* child = new Swatch(panel.get(), clRed);
  child->SetBounds(20, 10, 10, 10);
  child->SetParent(panel.get());
  panel->SetParent(&testing::StageForm());
  panel->Repaint();
  child->Canvas().Brush().SetColor(clBlue);
  child->Canvas().FillRect({0, 0, 50, 50});  // clipped to the child
  EXPECT_EQ(child->Canvas().Pixel(5, 5), static_cast<TColor>(RGB(0, 0, 255)));
  {
    win::ScopedGetDC dc(panel->Handle());
    EXPECT_EQ(::GetPixel(dc, 25, 15), RGB(0, 0, 255)) << "at the child's place in the parent";
    EXPECT_NE(::GetPixel(dc, 35, 15), RGB(0, 0, 255)) << "nothing outside the child";
  }
  FreeControlDeviceContexts();
  EXPECT_FALSE(child->Canvas().HandleAllocated()) << "the window context is given back at idle";
}

// The window device context a control's canvas takes outside painting is counted among the live
// GDI objects while it is held, and given back at idle time.
TEST(Painting, WindowContextOfAControlCanvasIsCountedWhileHeld) {
  auto panel = std::make_unique<TPanel>(nullptr);
  panel->SetBounds(0, 0, 60, 40);
  auto* child = new Swatch(panel.get(), clRed);
  child->SetBounds(5, 5, 10, 10);
  child->SetParent(panel.get());
  panel->SetParent(&testing::StageForm());
  panel->Repaint();
  FreeControlDeviceContexts();
  const long before = testing::LiveGdiObjects();
  ASSERT_NE(child->Canvas().Handle(), nullptr);
  EXPECT_EQ(testing::LiveGdiObjects(), before + 1);
  FreeControlDeviceContexts();
  EXPECT_FALSE(child->Canvas().HandleAllocated());
  EXPECT_EQ(testing::LiveGdiObjects(), before);
}

// A custom-drawn control whose painting fails while `failing` is set; otherwise it fills itself
// with red.
class FailingPainter : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  bool failing = false;
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    if (failing) throw Exception("painting failed");
    Canvas().Brush().SetColor(clRed);
    Canvas().FillRect({0, 0, Width(), Height()});
  }
};

// A paint handler that fails still ends its painting (EndPaint): the failure is reported, the
// painting's device context goes back and the caret, which every painting hides while it runs,
// shows again; and the window paints again afterwards. The caret is a solid one: where it shows,
// the window's pixels are inverted.
TEST(Painting, AFailingPaintHandlerStillEndsThePainting) {
  std::vector<std::string> reported;
  Application()->OnException = [&](TObject*, const std::exception& e) {
    reported.push_back(e.what());
  };
  const UINT blink = ::GetCaretBlinkTime();
  ::SetCaretBlinkTime(60000);  // no blinking while the test looks at the caret
  auto control = std::make_unique<FailingPainter>(nullptr);
  control->SetBounds(10, 10, 40, 30);
  control->SetColor(clWhite);  // the erased background
  control->SetParent(&testing::StagePanel());
  ::UpdateWindow(control->Handle());
  ASSERT_TRUE(::CreateCaret(control->Handle(), nullptr, 2, 10));
  ASSERT_TRUE(::SetCaretPos(5, 5));
  ASSERT_TRUE(::ShowCaret(control->Handle()));
  auto pixel = [&](int x, int y) {
    win::ScopedGetDC dc(control->Handle());
    return ::GetPixel(dc, x, y);
  };
  ASSERT_EQ(pixel(20, 20), RGB(255, 0, 0));
  ASSERT_EQ(pixel(5, 5), RGB(0, 255, 255)) << "the caret shows red inverted";

  const int painted = control->paints;
  const long gdi_before = testing::LiveGdiObjects();
  control->failing = true;
  constexpr int kFailures = 3;
  for (int i = 0; i < kFailures; ++i) {
    ::InvalidateRect(control->Handle(), nullptr, TRUE);
    ::UpdateWindow(control->Handle());
  }
  EXPECT_EQ(control->paints, painted + kFailures);
  EXPECT_EQ(reported, std::vector<std::string>(kFailures, "painting failed"));
  EXPECT_EQ(testing::LiveGdiObjects(), gdi_before) << "a painting kept its device context";
  EXPECT_EQ(pixel(20, 20), RGB(255, 255, 255)) << "erased, then the painting failed";
  EXPECT_EQ(pixel(5, 5), RGB(0, 0, 0)) << "the caret shows again (white inverted)";

  control->failing = false;
  ::InvalidateRect(control->Handle(), nullptr, TRUE);
  ::UpdateWindow(control->Handle());
  EXPECT_EQ(control->paints, painted + kFailures + 1);
  EXPECT_EQ(pixel(20, 20), RGB(255, 0, 0)) << "the window paints again";
  EXPECT_EQ(pixel(39, 29), RGB(255, 0, 0));
  EXPECT_EQ(pixel(5, 5), RGB(0, 255, 255)) << "with its caret";
  ::DestroyCaret();
  ::SetCaretBlinkTime(blink);
  Application()->OnException = nullptr;
}

TEST(Cursor, ControlUnderThePointerChoosesTheCursor) {
  auto panel = std::make_unique<TPanel>(nullptr);
  panel->SetBounds(0, 0, 200, 150);
  panel->SetCursor(TCursor::crHandPoint);
  auto* beam = new TImage(panel.get());
  beam->SetBounds(10, 10, 40, 20);
  beam->SetCursor(TCursor::crIBeam);
  beam->SetParent(panel.get());
  auto* plain = new TImage(panel.get());
  plain->SetBounds(100, 10, 40, 20);
  plain->SetParent(panel.get());
  panel->SetParent(&testing::StageForm());
  auto cursor_at = [&](int x, int y) {
    ::SetCursorPos(kStageLeft + x, kStageTop + y);
    ::SendMessageW(panel->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(panel->Handle()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return ::GetCursor();
  };
  EXPECT_EQ(cursor_at(20, 15), ::LoadCursorW(nullptr, IDC_IBEAM));
  EXPECT_EQ(cursor_at(60, 80), ::LoadCursorW(nullptr, IDC_HAND));
  EXPECT_EQ(cursor_at(110, 15), ::LoadCursorW(nullptr, IDC_ARROW))
      << "a control with the default cursor shows the window class's";
  ::SetCursorPos(kNowhereX, kNowhereY);
}

TEST(Keys, KeyEventsSeeTheKeyAndCanSwallowIt) {
  TForm form(nullptr);
  TCustomEdit edit(&form);
  edit.SetParent(&form);
  edit.SetText(L"abc");
  std::vector<std::string> log;
  edit.OnKeyDown = [&](TObject*, WORD& key, TShiftState shift) {
    log.push_back("down " + std::to_string(key) + (shift & ssAlt ? " alt" : ""));
    if (key == VK_DELETE) key = 0;  // swallowed: the edit never sees it
  };
  edit.OnKeyUp = [&](TObject*, WORD& key, TShiftState) { log.push_back("up " + std::to_string(key)); };
  edit.OnKeyPress = [&](TObject*, wchar_t& ch) {
    if (ch == L'a') ch = L'A';  // changed before the edit sees it
    if (ch == L'q') ch = 0;     // swallowed
  };
  edit.SetSelStart(0);
  ::SendMessageW(edit.Handle(), WM_KEYDOWN, VK_DELETE, 0x00530001);
  ::SendMessageW(edit.Handle(), WM_KEYUP, VK_DELETE, 0xC0530001);
  EXPECT_EQ(edit.Text(), L"abc") << "the swallowed Delete deleted nothing";
  ::SendMessageW(edit.Handle(), WM_CHAR, L'a', 1);
  ::SendMessageW(edit.Handle(), WM_CHAR, L'q', 1);
  EXPECT_EQ(edit.Text(), L"Aabc");
  ::SendMessageW(edit.Handle(), WM_SYSKEYDOWN, 'X', 0x20000001);  // with Alt held
  EXPECT_EQ(log, (std::vector<std::string>{"down 46", "up 46", "down 88 alt"}));
}

}  // namespace
}  // namespace vornada
