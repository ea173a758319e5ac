// Names of the helper files a save of the hosts file makes: the temporary file that receives the
// new text beside the file, and the backup that holds the old text while the new one takes its
// place. Portable: no windows.h.
//
// A helper file is named "<file name>.<tag><suffix>": the saved file's name, a dot, a tag of
// letters, digits or hyphens (a save uses 16 hexadecimal digits of a random token), and the
// suffix of its kind. The names let the next save recognise, and remove, what a killed save left.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vornada::hosts {

inline constexpr std::wstring_view kTemporaryFileSuffix = L".vornada-tmp";
inline constexpr std::wstring_view kBackupFileSuffix = L".vornada-bak";

// "<file_name>.<token as 16 lower-case hexadecimal digits><suffix>".
std::wstring SaveHelperFileName(std::wstring_view file_name, uint64_t token,
                                std::wstring_view suffix);

// Whether `name` is a helper file of a save of `file_name` with `suffix`. The file names are
// compared without regard to the case of ASCII letters, as the file system compares them; the
// suffix likewise.
bool IsSaveHelperFileName(std::wstring_view name, std::wstring_view file_name,
                          std::wstring_view suffix);

// Spreads the bits of `seed` over all 64 bits (the SplitMix64 finaliser), so that seeds that
// differ in a few low bits give tokens that differ everywhere.
uint64_t MixBits(uint64_t seed);

}  // namespace vornada::hosts
