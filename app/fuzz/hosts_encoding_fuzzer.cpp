// libFuzzer target: the hosts file's text forms from arbitrary bytes. Whatever decodes must
// encode back to the same bytes, byte for byte, in every form; strict UTF-8 checking and decoding
// must agree; nothing may read outside the data.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "HostsEncoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vornada::hosts;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (IsValidUtf8(bytes) != DecodeUtf8(bytes).has_value()) __builtin_trap();
  for (TextForm form : {TextForm::kUtf8, TextForm::kUtf8Bom, TextForm::kUtf16LeBom,
                        TextForm::kUtf16BeBom}) {
    const std::optional<std::u16string> text = DecodeUnicodeFile(bytes, form);
    if (!text) continue;
    if (FirstNul(*text) != kNoPosition) __builtin_trap();
    const EncodedText back = EncodeUnicodeFile(*text, form);
    if (back.bad_position != kNoPosition || back.bytes != bytes) __builtin_trap();
    const int last = LineNumberAt(*text, text->size());
    if (last < 1 || LineNumberAt(*text, 0) != 1) __builtin_trap();
    const std::u16string normal = NormaliseLineBreaks(*text);
    if (NormaliseLineBreaks(normal) != normal || LineNumberAt(normal, normal.size()) != last)
      __builtin_trap();
  }
  // UTF-16 text of any units: either it has an unpaired surrogate, or it survives UTF-8.
  std::u16string units(size / 2, u'\0');
  for (size_t k = 0; k < units.size(); ++k)
    units[k] = static_cast<char16_t>(data[2 * k] | (data[2 * k + 1] << 8));
  if (FirstUnpairedSurrogate(units) == kNoPosition && DecodeUtf8(EncodeUtf8(units)) != units)
    __builtin_trap();
  return 0;
}
