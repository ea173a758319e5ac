// Tests of the size limits: how a size is brought within them, how a limit that contradicts its
// partner moves it, and that every real change (and only that) is announced.
#include <gtest/gtest.h>

#include "SizeConstraints.h"

namespace vornada {
namespace {

struct ConstrainCase {
  const char* name;
  int min_w, max_w, min_h, max_h;
  int w, h;                // asked for
  int expect_w, expect_h;  // allowed
};

class SizeConstraintsConstrain : public ::testing::TestWithParam<ConstrainCase> {};

TEST_P(SizeConstraintsConstrain, BringsTheSizeWithinTheLimits) {
  const ConstrainCase& c = GetParam();
  TSizeConstraints limits;
  limits.SetMinWidth(c.min_w);
  limits.SetMaxWidth(c.max_w);
  limits.SetMinHeight(c.min_h);
  limits.SetMaxHeight(c.max_h);
  int w = c.w, h = c.h;
  limits.Constrain(w, h);
  EXPECT_EQ(w, c.expect_w);
  EXPECT_EQ(h, c.expect_h);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SizeConstraintsConstrain,
    ::testing::Values(
        ConstrainCase{"no_limits", 0, 0, 0, 0, 500, 0, 500, 0},
        ConstrainCase{"fixed_18_grows", 18, 18, 18, 18, 0, 5, 18, 18},
        ConstrainCase{"fixed_18_shrinks", 18, 18, 18, 18, 105, 105, 18, 18},
        ConstrainCase{"minimum_only", 10, 0, 20, 0, 5, 100, 10, 100},
        ConstrainCase{"maximum_only", 0, 50, 0, 40, 60, 30, 50, 30},
        ConstrainCase{"inside_untouched", 10, 50, 10, 50, 30, 49, 30, 49},
        ConstrainCase{"at_the_edges", 10, 50, 10, 50, 10, 50, 10, 50}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SizeConstraints, ContradictingLimitMovesItsPartner) {
  TSizeConstraints limits;
  limits.SetMinWidth(30);
  limits.SetMaxWidth(20);  // below the minimum: the minimum comes down to it
  EXPECT_EQ(limits.MinWidth(), 20);
  EXPECT_EQ(limits.MaxWidth(), 20);
  limits.SetMinWidth(25);  // above the maximum: the maximum goes up to it
  EXPECT_EQ(limits.MaxWidth(), 25);
  limits.SetMaxWidth(0);  // no maximum: the minimum stays
  EXPECT_EQ(limits.MinWidth(), 25);

  limits.SetMaxHeight(10);
  limits.SetMinHeight(15);
  EXPECT_EQ(limits.MaxHeight(), 15);
  limits.SetMaxHeight(12);
  EXPECT_EQ(limits.MinHeight(), 12);

  limits.SetMinHeight(-4);
  EXPECT_EQ(limits.MinHeight(), 0) << "a negative limit counts as none";
}

TEST(SizeConstraints, AnnouncesEveryChangeOnce) {
  TSizeConstraints limits;
  int changes = 0;
  limits.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &limits);
    ++changes;
  };
  limits.SetMinWidth(18);
  limits.SetMinWidth(18);
  limits.SetMaxWidth(18);
  limits.SetMinHeight(0);
  limits.SetMaxHeight(-1);  // counts as 0, which it already is
  EXPECT_EQ(changes, 2);
  TSizeConstraints other;
  other.SetMaxHeight(7);
  limits.Assign(&other);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(limits.MaxHeight(), 7);
  EXPECT_EQ(limits.MinWidth(), 0);
  EXPECT_TRUE(TSizeConstraints().Empty());
  EXPECT_FALSE(limits.Empty());
}

}  // namespace
}  // namespace vornada
