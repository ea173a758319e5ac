// Names of a save's helper files: how a save names them, and which names the next save takes
// for leftovers of an earlier one (and which it must leave alone).
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "SaveFileNames.h"

namespace vornada::hosts {
namespace {

std::string Ascii(std::wstring_view text) {
  std::string out;
  for (wchar_t c : text) out += static_cast<char>(c);
  return out;
}

TEST(SaveHelperFileNameTest, IsTheFileNameTheTokenInHexAndTheSuffix) {
  EXPECT_EQ(SaveHelperFileName(L"hosts", 0x0123456789ABCDEFull, kTemporaryFileSuffix),
            L"hosts.0123456789abcdef.vornada-tmp");
  EXPECT_EQ(SaveHelperFileName(L"hosts", 0, kBackupFileSuffix),
            L"hosts.0000000000000000.vornada-bak");
  EXPECT_EQ(SaveHelperFileName(L"hosts.txt", ~0ull, kTemporaryFileSuffix),
            L"hosts.txt.ffffffffffffffff.vornada-tmp");
}

TEST(SaveHelperFileNameTest, EveryNameASaveGivesIsRecognisedAsItsOwnKindOnly) {
  for (uint64_t token : std::initializer_list<uint64_t>{0, 1, uint64_t{1} << 63, MixBits(7),
                                                      ~uint64_t{0}}) {
    const std::wstring temporary = SaveHelperFileName(L"hosts", token, kTemporaryFileSuffix);
    const std::wstring backup = SaveHelperFileName(L"hosts", token, kBackupFileSuffix);
    EXPECT_TRUE(IsSaveHelperFileName(temporary, L"hosts", kTemporaryFileSuffix));
    EXPECT_FALSE(IsSaveHelperFileName(temporary, L"hosts", kBackupFileSuffix));
    EXPECT_TRUE(IsSaveHelperFileName(backup, L"hosts", kBackupFileSuffix));
    EXPECT_FALSE(IsSaveHelperFileName(backup, L"hosts", kTemporaryFileSuffix));
  }
}

TEST(IsSaveHelperFileNameTest, RecognisesLeftoversAndNothingElse) {
  const struct {
    const wchar_t* name;
    const wchar_t* file_name;
    bool expected;
  } cases[] = {
      {L"hosts.0123456789abcdef.vornada-tmp", L"hosts", true},
      {L"HOSTS.0123456789ABCDEF.VORNADA-TMP", L"hosts", true},  // names compare without case
      {L"hosts.0123456789abcdef.vornada-tmp", L"Hosts", true},
      {L"hosts.4242-17.vornada-tmp", L"hosts", true},            // a process id and a count
      {L"hosts.x.vornada-tmp", L"hosts", true},
      {L"hosts.txt.ab.vornada-tmp", L"hosts.txt", true},
      {L"hosts.vornada-tmp", L"hosts", false},                   // no tag
      {L"hosts..vornada-tmp", L"hosts", false},
      {L"hosts.a.b.vornada-tmp", L"hosts", false},               // the tag has no dots
      {L"hosts.a b.vornada-tmp", L"hosts", false},
      {L"hosts.a_b.vornada-tmp", L"hosts", false},
      {L"hostsa.b.vornada-tmp", L"hosts", false},
      {L"hostsx.1.vornada-tmp", L"hosts", false},                // another file's
      {L"xhosts.1.vornada-tmp", L"hosts", false},
      {L"other.1.vornada-tmp", L"hosts", false},
      {L"hosts.1.vornada-tmp.txt", L"hosts", false},
      {L"hosts.1.vornada-tm", L"hosts", false},
      {L"hosts.1.vornada-bak", L"hosts", false},                 // another kind
      {L"hosts", L"hosts", false},
      {L"hosts.bak", L"hosts", false},
      {L"hosts.ics", L"hosts", false},
      {L"", L"hosts", false},
      {L".vornada-tmp", L"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsSaveHelperFileName(c.name, c.file_name, kTemporaryFileSuffix), c.expected)
        << "name \"" << Ascii(c.name) << "\"";
  }
}

}  // namespace
}  // namespace vornada::hosts
