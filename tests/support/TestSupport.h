// Helpers shared by every test program of the tree, portable part (no windows.h): paths inside
// the project's source tree, listing a folder, whole-file reading and writing, index maps.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace vornada::testing {

// The project's source tree ("Z:/..." under Wine), and a path inside it ("pictures/tests/...").
std::string SourceDir();
std::string SourcePath(const std::string& relative);

// Sorted names (without the folder) of the files of `dir` whose names end with `suffix`; none
// when the folder cannot be read.
std::vector<std::string> FileNamesIn(const std::string& dir, const std::string& suffix);

// The whole file; an empty result with `ok` false when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path, bool* ok = nullptr);
// The whole file; std::runtime_error naming it when it cannot be read (a test that needs the
// file then fails with that message).
std::vector<uint8_t> RequireFileBytes(const std::string& path);
// Writes the bytes, replacing the file; false on failure.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// The regular files of a folder whose names end in `suffix` ("" for all), sorted; empty when
// the folder is missing.
std::vector<std::string> FilesIn(const std::string& dir, const std::string& suffix);

// A run of indices for writing long index maps (pixel column maps and the like) compactly:
// {first, last} counts up from first to last, {v, v, n} repeats v n times.
struct IndexSpan {
  int first;
  int last;
  int repeat = 0;
};
std::vector<int> ExpandSpans(std::initializer_list<IndexSpan> spans);

}  // namespace vornada::testing
