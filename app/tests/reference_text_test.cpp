// The reference screen's text as committed keeps every rule of its structure (line ends, line
// count, header, loopback entry, six banners and group sizes, entry columns and addresses,
// distinct host names), and the rule check itself catches each kind of fault.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ReferenceTextRules.h"
#include "TestSupport.h"

namespace vornada {
namespace {

std::string CommittedText() {
  bool ok = false;
  const std::vector<uint8_t> bytes =
      testing::ReadFileBytes(testing::SourcePath("app/design/reference.txt"), &ok);
  EXPECT_TRUE(ok) << "app/design/reference.txt cannot be read";
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = text.find("\r\n"); i != std::string::npos; i = text.find("\r\n", start)) {
    lines.push_back(text.substr(start, i - start));
    start = i + 2;
  }
  return lines;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

std::string Joined(const std::vector<std::string>& problems) {
  std::string all;
  for (const std::string& p : problems) all += p + "\n";
  return all;
}

TEST(ReferenceText, CommittedTextKeepsEveryRule) {
  const std::string text = CommittedText();
  const std::vector<std::string> problems = testing::ReferenceTextProblems(text);
  EXPECT_TRUE(problems.empty()) << Joined(problems);
}

// Line numbers (1-based) of the committed text that the faults below start from; worked out from
// the structure: header 1-19, empty, loopback, empty, then each group's banner of 3 lines.
constexpr int kGroup1Banner = 23;
constexpr int kGroup1FirstEntry = kGroup1Banner + 3;
constexpr int kGroup2Separator = kGroup1FirstEntry + 105;
constexpr int kGroup3Banner = kGroup2Separator + 1 + 3 + 200 + 1;
constexpr int kGroup3FirstEntry = kGroup3Banner + 3;
constexpr int kLastLine = 654;

struct FaultCase {
  const char* name;
  std::function<std::string(std::string)> fault;  // the committed text made faulty
  const char* problem;                            // a part of the expected complaint
};

std::function<std::string(std::string)> OnLines(std::function<void(std::vector<std::string>&)> f) {
  return [f](std::string text) {
    std::vector<std::string> lines = SplitCrLf(text);
    f(lines);
    return JoinCrLf(lines);
  };
}

std::string& Line(std::vector<std::string>& lines, int n) { return lines.at(static_cast<size_t>(n - 1)); }

const FaultCase kFaults[] = {
    {"lf_alone_ends_a_line",
     [](std::string t) {
       const size_t i = t.find("\r\n");
       return t.substr(0, i) + "\n" + t.substr(i + 2);
     },
     "other than CR LF"},
    {"no_final_line_break", [](std::string t) { return t.substr(0, t.size() - 2); },
     "not ended by CR LF"},
    {"non_ascii_character",
     OnLines([](auto& l) { Line(l, kGroup1FirstEntry) += "\xE9"; }), "printable ASCII"},
    {"header_line_without_hash", OnLines([](auto& l) { Line(l, 5) = "plain words"; }),
     "line 5: a header line"},
    {"loopback_changed", OnLines([](auto& l) { Line(l, 21) = "127.0.0.1 localhost"; }),
     "line 21: not the loopback entry"},
    {"entry_missing_from_group_3",
     OnLines([](auto& l) { l.erase(l.begin() + (kGroup3FirstEntry - 1)); }),
     "group 3 has 23 entries, not 24"},
    {"entry_added_to_group_1",
     OnLines([](auto& l) {
       l.insert(l.begin() + (kGroup1FirstEntry - 1), "127.0.0.1" + std::string(13, ' ') + "extra.host.example");
     }),
     "group 1 has 106 entries, not 105"},
    {"name_in_column_24",
     OnLines([](auto& l) {
       std::string& entry = Line(l, kGroup1FirstEntry);
       entry = entry.substr(0, 9) + std::string(1, ' ') + entry.substr(9);
     }),
     "the name does not start in column 23"},
    {"name_in_column_22", OnLines([](auto& l) { Line(l, kGroup1FirstEntry).erase(9, 1); }),
     "not an entry of 127.0.0.1 with its name in column 23"},
    {"null_route_too_early",
     OnLines([](auto& l) {
       std::string& entry = Line(l, kLastLine - 6);
       entry = "0.0.0.0" + std::string(17, ' ') + entry.substr(22);
     }),
     "not an entry of 127.0.0.1"},
    {"loopback_where_a_null_route_belongs",
     OnLines([](auto& l) {
       std::string& entry = Line(l, kLastLine);
       entry = "127.0.0.1" + std::string(13, ' ') + entry.substr(24);
     }),
     "not an entry of 0.0.0.0 with its name in column 25"},
    {"two_empty_lines_between_groups",
     OnLines([](auto& l) { l.insert(l.begin() + (kGroup2Separator - 1), ""); }),
     "not 37 '#'"},
    {"no_empty_line_between_groups",
     OnLines([](auto& l) { l.erase(l.begin() + (kGroup2Separator - 1)); }),
     "not separated by one empty line"},
    {"banner_of_36", OnLines([](auto& l) { Line(l, kGroup1Banner).pop_back(); }),
     "line 23: the banner's first line"},
    {"title_without_hash", OnLines([](auto& l) { Line(l, kGroup1Banner + 1) = "Telemetry"; }),
     "no title line"},
    {"same_name_twice",
     OnLines([](auto& l) { Line(l, kGroup1FirstEntry + 1) = Line(l, kGroup1FirstEntry); }),
     "is named twice"},
    {"not_a_host_name",
     OnLines([](auto& l) { Line(l, kGroup1FirstEntry) = "127.0.0.1" + std::string(13, ' ') + "Bad_Name"; }),
     "is not a host name"},
    {"line_after_the_last_group", OnLines([](auto& l) { l.push_back("# more"); }),
     "655 lines"},
};

class ReferenceTextFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ReferenceTextFault, IsNamed) {
  const FaultCase& c = GetParam();
  const std::string text = CommittedText();
  ASSERT_TRUE(testing::ReferenceTextProblems(text).empty());
  const std::vector<std::string> problems = testing::ReferenceTextProblems(c.fault(text));
  EXPECT_NE(Joined(problems).find(c.problem), std::string::npos) << Joined(problems);
}

INSTANTIATE_TEST_SUITE_P(Table, ReferenceTextFault, ::testing::ValuesIn(kFaults),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace vornada
