// The access check of the password screen: whether a typed text is one of the accepted access
// texts. The program holds only salted SHA-256 digests of those texts (AccessDigests.h, made by
// make_access_digests.py); the typed text is digested with the platform's own hashing (CNG) and
// compared with them. Same acceptance as a plain comparison: whole text, exact characters and
// case, nothing trimmed.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace vornada::access {

using Digest = std::array<uint8_t, 32>;

// SHA-256 of `data` computed by CNG. Fails with an Exception when the provider cannot be used.
Digest Sha256(std::span<const uint8_t> data);

// The salted digest of a text: SHA-256 over the salt and then the text's UTF-16LE code units.
Digest SaltedDigest(std::wstring_view text);

// True when `text` equals one of the accepted access texts exactly.
bool IsAcceptedAccessText(std::wstring_view text);

}  // namespace vornada::access
