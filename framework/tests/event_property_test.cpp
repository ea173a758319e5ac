// Tests of event members with an assignment rule (portable): assignments the owner refuses
// leave the handler as it was, accepted ones replace it (nullptr clears it), calls reach the
// handler with their arguments, and a handler may replace itself while it runs.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "EventProperty.h"

namespace vornada {
namespace {

using Event = std::function<void(int value)>;

TEST(EventProperty, TheOwnersRuleDecidesWhetherAnAssignmentTakesPlace) {
  bool locked = false;
  std::vector<std::string> seen;
  TEventProperty<Event> event([&] { return !locked; });
  EXPECT_FALSE(event);
  event = [&](int v) { seen.push_back("first " + std::to_string(v)); };
  locked = true;
  event = [&](int v) { seen.push_back("second " + std::to_string(v)); };
  event = nullptr;
  ASSERT_TRUE(event) << "neither replaced nor cleared while locked";
  event(7);
  locked = false;
  event = [&](int v) { seen.push_back("third " + std::to_string(v)); };
  event(8);
  event = nullptr;
  EXPECT_FALSE(event);
  event(9);  // no handler: nothing happens
  EXPECT_EQ(seen, (std::vector<std::string>{"first 7", "third 8"}));
}

TEST(EventProperty, WithoutARuleEveryAssignmentTakesPlace) {
  int calls = 0;
  TEventProperty<Event> event;
  event = [&](int) { ++calls; };
  event(1);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(static_cast<bool>(event.Get()));
}

TEST(EventProperty, AHandlerMayReplaceItselfWhileItRuns) {
  std::vector<int> seen;
  TEventProperty<Event> event;
  event = [&](int v) {
    event = [&](int w) { seen.push_back(w * 10); };
    seen.push_back(v);  // the running handler stays valid after the replacement
  };
  event(1);
  event(2);
  EXPECT_EQ(seen, (std::vector<int>{1, 20}));
}

}  // namespace
}  // namespace vornada
