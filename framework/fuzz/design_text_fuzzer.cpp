// libFuzzer target for the design description parser: any input either parses or fails with
// the parser's own error; a parsed tree, written out again, must read back into the same tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "DesignText.h"

using namespace vornada;

namespace {

bool SameValue(const TDesignValue& a, const TDesignValue& b) {
  if (a.kind != b.kind || a.integer != b.integer || a.text != b.text || a.names != b.names ||
      a.bytes != b.bytes || a.items.size() != b.items.size())
    return false;
  for (size_t i = 0; i < a.items.size(); ++i)
    if (!SameValue(a.items[i], b.items[i])) return false;
  return true;
}

bool SameTree(const TDesignObject& a, const TDesignObject& b) {
  if (a.name != b.name || a.class_name != b.class_name ||
      a.properties.size() != b.properties.size() || a.children.size() != b.children.size())
    return false;
  for (size_t i = 0; i < a.properties.size(); ++i)
    if (a.properties[i].name != b.properties[i].name ||
        !SameValue(a.properties[i].value, b.properties[i].value))
      return false;
  for (size_t i = 0; i < a.children.size(); ++i)
    if (!SameTree(a.children[i], b.children[i])) return false;
  return true;
}

}  // namespace

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
  if (!SameTree(tree, again)) std::abort();
  return 0;
}
