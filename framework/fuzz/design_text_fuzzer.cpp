// libFuzzer target for the design description parser: any input either parses or fails with
// the parser's own error; a parsed tree, written out again, must read back into the same tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "DesignText.h"

using namespace vornada;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TDesignObject tree;
  try {
    tree = ParseDesignText(text);
  } catch (const EDesignError& e) {
    if (e.Line() < 1) std::abort();
    return 0;
  }
  const std::string written = FormatDesignText(tree);
  TDesignObject again;
  try {
    again = ParseDesignText(written);
  } catch (const EDesignError&) {
    std::abort();  // the writer produced text its own parser refuses
  }
  if (!SameDesignContent(tree, again)) std::abort();
  return 0;
}
