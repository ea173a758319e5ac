// Runs a libFuzzer target's entry point over saved inputs as an ordinary program, so that the
// normal tests (under the sanitizers) replay every seed and every input a fuzzer once found a
// fault with. Arguments are files or folders (every regular file inside, not recursive); a
// folder that does not exist is an error, an empty one is fine. The target aborts on a fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "replay: cannot read %s\n", path.string().c_str());
    return false;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  // A fresh copy of exactly the file's size, so reading past the end is caught.
  std::vector<uint8_t> exact(bytes);
  LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(arg))
        if (entry.is_regular_file()) files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      for (const auto& f : files) {
        if (!RunFile(f)) return 1;
        ++replayed;
      }
    } else if (std::filesystem::is_regular_file(arg, ec)) {
      if (!RunFile(arg)) return 1;
      ++replayed;
    } else {
      std::fprintf(stderr, "replay: %s is neither a file nor a folder\n", argv[i]);
      return 1;
    }
  }
  std::printf("replay: %zu inputs handled\n", replayed);
  return 0;
}
