// The reference text's rules: line ends, line count, header, loopback entry, group banners and
// sizes, entry columns and addresses, host names.
#include "ReferenceTextRules.h"

#include <iterator>
#include <set>

namespace vornada::testing {

namespace {

bool ValidHostName(std::string_view name) {
  if (name.empty() || name.size() > 253) return false;
  int labels = 0;
  size_t start = 0;
  while (start <= name.size()) {
    size_t dot = name.find('.', start);
    if (dot == std::string_view::npos) dot = name.size();
    const std::string_view label = name.substr(start, dot - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
      return false;
    for (char c : label) {
      const bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
      if (!ok) return false;
    }
    ++labels;
    start = dot + 1;
  }
  return labels >= 2;
}

}  // namespace

std::vector<std::string> ReferenceTextProblems(std::string_view text) {
  std::vector<std::string> problems;
  auto problem = [&](size_t line, const std::string& what) {
    problems.push_back("line " + std::to_string(line) + ": " + what);
  };

  // Lines, each ended by CR LF; no other line break, nothing after the last CR LF.
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      lines.push_back(text.substr(start, i - start));
      start = i + 2;
      ++i;
    } else if (c == '\r' || c == '\n') {
      problem(lines.size() + 1, "a line break other than CR LF");
    } else if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) {
      problem(lines.size() + 1, "a character that is not printable ASCII");
    }
  }
  if (start != text.size()) problem(lines.size() + 1, "the last line is not ended by CR LF");
  if (lines.size() != kReferenceLineCount)
    problem(lines.size(), "the text has " + std::to_string(lines.size()) + " lines, not " +
                              std::to_string(kReferenceLineCount));

  auto line_at = [&](size_t n) -> std::string_view {  // 1-based; empty past the end
    return n >= 1 && n <= lines.size() ? lines[n - 1] : std::string_view();
  };
  for (size_t n = 1; n <= kReferenceHeaderLines; ++n)
    if (line_at(n).empty() || line_at(n)[0] != '#') problem(n, "a header line that does not begin with '#'");
  if (!line_at(20).empty()) problem(20, "not empty");
  if (line_at(21) != "127.0.0.1" + std::string(13, ' ') + "localhost") problem(21, "not the loopback entry");
  if (!line_at(22).empty()) problem(22, "not empty");

  const std::string banner(37, '#');
  const std::string loop_prefix = "127.0.0.1" + std::string(13, ' ');
  const std::string null_prefix = "0.0.0.0" + std::string(17, ' ');
  std::set<std::string, std::less<>> names{"localhost"};
  std::set<std::string, std::less<>> titles;
  const int group_count = static_cast<int>(std::size(kReferenceGroupSizes));
  size_t n = 23;
  for (int g = 0; g < group_count && n <= lines.size(); ++g) {
    if (g > 0) {
      if (line_at(n).empty()) {
        ++n;
      } else {
        problem(n, "groups are not separated by one empty line");
      }
    }
    if (line_at(n) != banner) problem(n, "the banner's first line is not 37 '#'");
    const std::string_view title = line_at(n + 1);
    if (title.size() < 3 || title[0] != '#' || title.find_first_not_of("# ") == std::string_view::npos)
      problem(n + 1, "the banner has no title line beginning with '#'");
    else if (!titles.insert(std::string(title)).second)
      problem(n + 1, "the same title as an earlier group");
    if (line_at(n + 2) != banner) problem(n + 2, "the banner's last line is not 37 '#'");
    n += 3;
    int entries = 0;
    while (n <= lines.size() && !line_at(n).empty() && line_at(n) != banner) {
      const std::string_view line = line_at(n);
      const bool last_group = g == group_count - 1;
      const bool null_routed = last_group && entries >= kReferenceGroupSizes[g] - kReferenceNullRouted;
      const std::string& prefix = null_routed ? null_prefix : loop_prefix;
      if (line.substr(0, prefix.size()) != prefix) {
        problem(n, null_routed ? "not an entry of 0.0.0.0 with its name in column 25"
                               : "not an entry of 127.0.0.1 with its name in column 23");
      } else {
        const std::string_view name = line.substr(prefix.size());
        if (!name.empty() && name[0] == ' ') {
          problem(n, null_routed ? "the name does not start in column 25"
                                 : "the name does not start in column 23");
        } else if (!ValidHostName(name)) {
          problem(n, "'" + std::string(name) + "' is not a host name");
        } else if (!names.insert(std::string(name)).second) {
          problem(n, "'" + std::string(name) + "' is named twice");
        }
      }
      ++entries;
      ++n;
    }
    if (entries != kReferenceGroupSizes[g])
      problem(n - 1, "group " + std::to_string(g + 1) + " has " + std::to_string(entries) +
                         " entries, not " + std::to_string(kReferenceGroupSizes[g]));
  }
  if (n <= lines.size()) problem(n, "lines after the last group");
  return problems;
}

}  // namespace vornada::testing
