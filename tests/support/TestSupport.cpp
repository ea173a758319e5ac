// Portable test helpers (see TestSupport.h).
#include "TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vornada::testing {

std::string SourceDir() { return VORNADA_SOURCE_DIR; }

std::string SourcePath(const std::string& relative) { return SourceDir() + "/" + relative; }

std::vector<std::string> FileNamesIn(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file(ec) && name.size() >= suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<uint8_t> RequireFileBytes(const std::string& path) {
  bool ok = false;
  std::vector<uint8_t> bytes = ReadFileBytes(path, &ok);
  if (!ok) throw std::runtime_error("cannot read " + path);
  return bytes;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path, bool* ok) {
  std::ifstream in(path, std::ios::binary);
  if (ok != nullptr) *ok = static_cast<bool>(in);
  if (!in) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::vector<std::string> FilesIn(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> files;
  for (const std::string& name : FileNamesIn(dir, suffix)) files.push_back(dir + "/" + name);
  return files;
}

std::vector<int> ExpandSpans(std::initializer_list<IndexSpan> spans) {
  std::vector<int> out;
  for (const IndexSpan& s : spans) {
    if (s.repeat > 0) {
      out.insert(out.end(), static_cast<size_t>(s.repeat), s.first);
    } else {
      for (int v = s.first; v <= s.last; ++v) out.push_back(v);
    }
  }
  return out;
}

}  // namespace vornada::testing
