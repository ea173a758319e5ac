// The rules the reference screen's text follows, as a check that names every rule a text breaks
// (for the committed text, and for the text the reference memo shows once it is loaded).
// Portable: no windows.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vornada::testing {

// Group sizes of the reference text, in order.
inline constexpr int kReferenceGroupSizes[] = {105, 200, 24, 28, 133, 119};
inline constexpr int kReferenceLineCount = 654;
inline constexpr int kReferenceHeaderLines = 19;
inline constexpr int kReferenceNullRouted = 6;  // the last entries of the last group use 0.0.0.0

// Every rule the text breaks, each as one sentence naming the line; empty when it keeps them all.
std::vector<std::string> ReferenceTextProblems(std::string_view text);

}  // namespace vornada::testing
