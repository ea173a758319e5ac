// The access check: which typed texts unlock the editor (exactly the three accepted texts, whole,
// same case, nothing trimmed), and that the CNG digest is the standard SHA-256 and the salted
// digest the one the generator script computes with Python's hashlib.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "AccessCheck_win.h"

namespace vornada::access {
namespace {

std::string Hex(const Digest& digest) {
  std::string out;
  char byte[3];
  for (const uint8_t b : digest) {
    std::snprintf(byte, sizeof(byte), "%02x", b);
    out += byte;
  }
  return out;
}

struct AccessCase {
  std::wstring text;
  bool accepted;
};

// The accepted texts, and texts that differ from one of them in one way each.
const std::vector<AccessCase> kAccessCases = {
    {L"F@lc0nry", true},
    {L"Yu0m@r", true},
    {L"Dr1ft@ge", true},
    // letter case
    {L"f@lc0nry", false},
    {L"F@LC0NRY", false},
    {L"yu0m@r", false},
    {L"YU0M@R", false},
    {L"dr1ft@ge", false},
    {L"Dr1fT@ge", false},
    // a leading or trailing blank, tab or line break
    {L" F@lc0nry", false},
    {L"F@lc0nry ", false},
    {L" Yu0m@r", false},
    {L"Yu0m@r ", false},
    {L"\tDr1ft@ge", false},
    {L"Dr1ft@ge\r\n", false},
    // prefixes (each key before the completing one)
    {L"F@lc0nr", false},
    {L"F", false},
    {L"Yu0m@", false},
    {L"Dr1ft@g", false},
    // a suffix after a whole accepted text
    {L"F@lc0nryF@lc0nry", false},
    {L"F@lc0nry1", false},
    {L"Yu0m@rr", false},
    {L"Dr1ft@gex", false},
    // the empty text, a character of another alphabet in place of a Latin look-alike, a zero
    {L"", false},
    {L"Yu0m@\u0433", false},
    {L"F@lc\u043Enry", false},
    {std::wstring(L"Yu0m@r\0", 7), false},
    // the other passwords run together, a wrong one
    {L"F@lc0nryYu0m@r", false},
    {L"password", false},
};

TEST(AccessCheckTest, AcceptsExactlyTheThreeTexts) {
  for (const AccessCase& c : kAccessCases) {
    EXPECT_EQ(IsAcceptedAccessText(c.text), c.accepted)
        << "text of " << c.text.size() << " characters, first "
        << (c.text.empty() ? 0 : static_cast<int>(c.text[0]));
  }
}

// Test vectors of the SHA-256 standard (FIPS 180-2, appendix B) and of NIST's examples.
TEST(AccessCheckTest, CngDigestIsStandardSha256) {
  struct Vector {
    std::string message;
    const char* digest;
  };
  const std::vector<Vector> vectors = {
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Vector& v : vectors) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(v.message.data());
    EXPECT_EQ(Hex(Sha256({bytes, v.message.size()})), v.digest)
        << "message of " << v.message.size() << " bytes";
  }
}

// The generator script's digests of these texts, computed by Python's hashlib when the build
// was configured (the build passes them in).
TEST(AccessCheckTest, SaltedDigestEqualsTheGeneratorScripts) {
  EXPECT_EQ(Hex(SaltedDigest(L"known text")), PYTHON_DIGEST_KNOWN_TEXT);
  EXPECT_EQ(Hex(SaltedDigest(L"")), PYTHON_DIGEST_EMPTY);
  EXPECT_EQ(Hex(SaltedDigest(L"\u0440\u0443\u0441 \u00e9")), PYTHON_DIGEST_NON_LATIN);
}

}  // namespace
}  // namespace vornada::access
