// Helpers shared by pictool's format commands.
#include "tool_common.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>

namespace vornada::pictool {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    std::fprintf(stderr, "pictool: cannot read %s\n", path.c_str());
    return false;
  }
  bytes.clear();
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  if (!ok) std::fprintf(stderr, "pictool: cannot read %s\n", path.c_str());
  return ok;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f != nullptr && std::fclose(f) != 0) ok = false;
  if (!ok) std::fprintf(stderr, "pictool: cannot write %s\n", path.c_str());
  return ok;
}

std::vector<uint8_t> MakeRgbaPam(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba) {
  char header[160];
  int n = std::snprintf(header, sizeof header,
                        "P7\nWIDTH %u\nHEIGHT %u\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n",
                        width, height);
  std::vector<uint8_t> pam(header, header + n);
  pam.insert(pam.end(), rgba.begin(), rgba.end());
  return pam;
}

double MedianMs(std::vector<double> times) {
  if (times.empty()) return 0;
  std::sort(times.begin(), times.end());
  const size_t mid = times.size() / 2;
  return times.size() % 2 ? times[mid] : (times[mid - 1] + times[mid]) / 2;
}

double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

bool ParseBenchRuns(const CommandLine& line, long& runs) {
  if (line.args.size() > 1) return false;
  runs = 11;
  if (line.args.empty()) return true;
  char* end = nullptr;
  runs = std::strtol(line.args[0].c_str(), &end, 10);
  return end != line.args[0].c_str() && *end == '\0' && runs >= 1 && runs <= 100000;
}

}  // namespace vornada::pictool
