// Tests under Wine of what windowed controls do for design descriptions: the bevel band a
// control carries outside its client area (its width from the bevel's kind, cuts, width and
// edges, also when set after the window exists), tab orders read in any order taking effect once
// loading ends, and a memo's text set before its window exists (as while loading) waiting in the
// memo without making the window early.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Bevels.h"
#include "Classes.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

// ---- the bevel band ----------------------------------------------------------------------------

struct BevelCase {
  const char* label;
  TBevelKind kind;
  TBevelCut inner, outer;
  int width;
  TBevelEdges edges;
  bool after_window;  // set once the window exists instead of before
  // The band on each side: width times the number of cuts that are not bvNone, on the sides the
  // edges name; nothing at all without a bevel kind.
  int left, top, right, bottom;
};

void PrintTo(const BevelCase& c, std::ostream* os) { *os << c.label; }

const BevelCase kBevelCases[] = {
    {"no_kind", TBevelKind::bkNone, TBevelCut::bvRaised, TBevelCut::bvLowered, 1, kAllBevelEdges, false, 0, 0, 0, 0},
    {"flat_inner_only", TBevelKind::bkFlat, TBevelCut::bvRaised, TBevelCut::bvNone, 1, kAllBevelEdges, false, 1, 1, 1, 1},
    {"flat_without_cuts", TBevelKind::bkFlat, TBevelCut::bvNone, TBevelCut::bvNone, 1, kAllBevelEdges, false, 0, 0, 0, 0},
    {"tile_both_cuts", TBevelKind::bkTile, TBevelCut::bvRaised, TBevelCut::bvLowered, 1, kAllBevelEdges, false, 2, 2, 2, 2},
    {"soft_wide", TBevelKind::bkSoft, TBevelCut::bvLowered, TBevelCut::bvLowered, 3, kAllBevelEdges, false, 6, 6, 6, 6},
    {"left_and_top_only", TBevelKind::bkTile, TBevelCut::bvRaised, TBevelCut::bvLowered, 2, beLeft | beTop, false, 4, 4, 0, 0},
    {"right_and_bottom_only", TBevelKind::bkFlat, TBevelCut::bvSpace, TBevelCut::bvNone, 1, beRight | beBottom, false, 0, 0, 1, 1},
    {"flat_after_the_window", TBevelKind::bkFlat, TBevelCut::bvRaised, TBevelCut::bvNone, 1, kAllBevelEdges, true, 1, 1, 1, 1},
    {"wide_after_the_window", TBevelKind::bkTile, TBevelCut::bvLowered, TBevelCut::bvRaised, 2, beTop | beBottom, true, 0, 4, 0, 4},
};

class WindowBevelTest : public ::testing::TestWithParam<BevelCase> {};

TEST_P(WindowBevelTest, TakesItsBandOutsideTheClientArea) {
  const BevelCase& c = GetParam();
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  // A memo without border or scroll bars: its client area is its window less the bevel.
  auto* memo = new TMemo(&form);
  memo->SetBorderStyle(TBorderStyle::bsNone);
  memo->SetScrollBars(TScrollStyle::ssNone);
  memo->SetBounds(10, 10, 100, 60);
  memo->SetParent(&form);
  auto apply = [&] {
    memo->SetBevelKind(c.kind);
    memo->SetBevelInner(c.inner);
    memo->SetBevelOuter(c.outer);
    memo->SetBevelWidth(c.width);
    memo->SetBevelEdges(c.edges);
  };
  if (!c.after_window) apply();
  form.HandleNeeded();
  HWND window = memo->Handle();
  if (c.after_window) apply();

  RECT outline{}, client{};
  ::GetWindowRect(window, &outline);
  ::GetClientRect(window, &client);
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  EXPECT_EQ(outline.right - outline.left, 100);
  EXPECT_EQ(origin.x - outline.left, c.left);
  EXPECT_EQ(origin.y - outline.top, c.top);
  EXPECT_EQ(client.right, 100 - c.left - c.right);
  EXPECT_EQ(client.bottom, 60 - c.top - c.bottom);
}

INSTANTIATE_TEST_SUITE_P(Table, WindowBevelTest, ::testing::ValuesIn(kBevelCases),
                         [](const auto& test) { return std::string(test.param.label); });

// ---- tab order while loading -------------------------------------------------------------------

struct TabOrderCase {
  const char* label;
  std::vector<int> read;           // the tab order each child is given, in creation order
  std::vector<std::string> order;  // the resulting sequence of child names
};

void PrintTo(const TabOrderCase& c, std::ostream* os) { *os << c.label; }

const TabOrderCase kTabOrderCases[] = {
    {"as_created", {0, 1, 2, 3}, {"E0", "E1", "E2", "E3"}},
    {"reversed", {3, 2, 1, 0}, {"E3", "E2", "E1", "E0"}},
    // Values that point past an earlier one's place would shuffle the others if applied one by
    // one as read; taken together they land where they say.
    {"shuffled", {2, 0, 3, 1}, {"E1", "E3", "E0", "E2"}},
    // Children without a value keep their creation order around the placed ones.
    {"some_without", {-1, 0, -1, 1}, {"E1", "E3", "E0", "E2"}},
    // A value past the end (or taken twice) leaves that child among the unplaced ones.
    {"out_of_range_and_twice", {9, 0, 0, 1}, {"E1", "E3", "E0", "E2"}},
};

class LoadedTabOrderTest : public ::testing::TestWithParam<TabOrderCase> {};

TEST_P(LoadedTabOrderTest, TakesEffectOnceLoadingEnds) {
  const TabOrderCase& c = GetParam();
  TForm form(nullptr);
  form.SetComponentStateFlag(csLoading, true);
  std::vector<TMemo*> children;
  for (size_t i = 0; i < c.read.size(); ++i) {
    auto* e = new TMemo(&form);
    e->SetName("E" + std::to_string(i));
    e->SetParent(&form);
    e->SetComponentStateFlag(csLoading, true);
    if (c.read[i] >= 0) e->SetTabOrder(c.read[i]);
    children.push_back(e);
  }
  form.Loaded();
  for (TMemo* e : children) e->Loaded();
  std::vector<TWinControl*> list;
  form.GetTabOrderList(list);
  std::vector<std::string> names;
  for (TWinControl* w : list) names.push_back(w->Name());
  EXPECT_EQ(names, c.order);
  for (size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(dynamic_cast<TWinControl*>(form.FindComponent(names[i]))->TabOrder(), static_cast<int>(i));
}

INSTANTIATE_TEST_SUITE_P(Table, LoadedTabOrderTest, ::testing::ValuesIn(kTabOrderCases),
                         [](const auto& test) { return std::string(test.param.label); });

// A control read on its own into a parent that is not loading takes its place at once.
TEST(LoadedTabOrder, ControlReadIntoAFinishedParentTakesItsPlaceWhenLoaded) {
  TForm form(nullptr);
  auto* a = new TMemo(&form);
  a->SetParent(&form);
  auto* b = new TMemo(&form);
  b->SetParent(&form);
  auto* late = new TMemo(&form);
  late->SetParent(&form);
  late->SetComponentStateFlag(csLoading, true);
  late->SetTabOrder(0);
  EXPECT_EQ(late->TabOrder(), 2) << "kept until loading ends";
  late->Loaded();
  EXPECT_EQ(late->TabOrder(), 0);
  EXPECT_EQ(a->TabOrder(), 1);
  EXPECT_EQ(b->TabOrder(), 2);
}

// ---- a memo's text before its window -----------------------------------------------------------

TEST(MemoTextBeforeItsWindow, WaitsInTheMemoAndTheWindowIsMadeWithIt) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* memo = new TMemo(&form);
  memo->SetBounds(0, 0, 200, 100);
  memo->SetParent(&form);
  memo->SetComponentStateFlag(csLoading, true);
  int changes = 0;
  memo->OnChange = [&](TObject*) { ++changes; };
  memo->Lines().SetText("first\r\nsecond\r\n");
  EXPECT_FALSE(memo->HandleAllocated()) << "setting the lines made the window early";
  EXPECT_FALSE(form.HandleAllocated());
  // Reading the lines back may make the window (the lines are the window's); the text is there.
  EXPECT_EQ(memo->Lines().Count(), 2);
  EXPECT_EQ(memo->Lines().Get(1), "second");
  EXPECT_EQ(memo->AnsiText(), "first\r\nsecond\r\n");
  memo->Loaded();

  form.HandleNeeded();
  HWND window = memo->Handle();
  ASSERT_NE(window, nullptr);
  wchar_t text[64] = {};
  ::GetWindowTextW(window, text, 64);
  EXPECT_STREQ(text, L"first\r\nsecond\r\n");
  EXPECT_EQ(memo->AnsiText(), "first\r\nsecond\r\n");

  // Typed text is the window's; a new window (a word-wrap change) is made with it.
  ::SendMessageW(window, EM_SETSEL, 0, 0);
  ::SendMessageW(window, WM_CHAR, L'>', 1);
  memo->SetWordWrap(!memo->WordWrap());
  EXPECT_EQ(memo->AnsiText(), ">first\r\nsecond\r\n");
}

TEST(MemoTextBeforeItsWindow, TextWithAZeroCharacterIsRefusedAndTheOldTextKept) {
  TForm form(nullptr);
  auto* memo = new TMemo(&form);
  memo->SetParent(&form);
  memo->SetAnsiText("kept");
  EXPECT_THROW(memo->SetText(std::wstring(L"a\0b", 3)), EInvalidOperation);
  EXPECT_FALSE(memo->HandleAllocated());
  EXPECT_EQ(memo->AnsiText(), "kept");
}

}  // namespace
}  // namespace vornada
