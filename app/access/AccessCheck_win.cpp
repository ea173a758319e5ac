// The access check: salted SHA-256 digests through CNG (bcrypt), compared with the stored ones.
#include "AccessCheck_win.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "AccessDigests.h"
#include "SysUtils.h"
#include "WinHandles.h"

namespace vornada::access {

namespace {

struct AlgorithmProviderTraits {
  using Handle = BCRYPT_ALG_HANDLE;
  static constexpr bool kCountsGdi = false;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::BCryptCloseAlgorithmProvider(h, 0); }
};
struct HashObjectTraits {
  using Handle = BCRYPT_HASH_HANDLE;
  static constexpr bool kCountsGdi = false;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::BCryptDestroyHash(h); }
};
using UniqueAlgorithmProvider = win::UniqueHandle<AlgorithmProviderTraits>;
using UniqueHashObject = win::UniqueHandle<HashObjectTraits>;

bool Succeeded(NTSTATUS status) { return status >= 0; }

[[noreturn]] void Fail(const char* step, NTSTATUS status) {
  char code[16];
  std::snprintf(code, sizeof(code), "%08lX", static_cast<unsigned long>(status));
  throw Exception(std::string("Cannot compute a digest: ") + step + " failed (status 0x" + code +
                  ")");
}

}  // namespace

Digest Sha256(std::span<const uint8_t> data) {
  BCRYPT_ALG_HANDLE raw_provider = nullptr;
  NTSTATUS status =
      ::BCryptOpenAlgorithmProvider(&raw_provider, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
  if (!Succeeded(status)) Fail("BCryptOpenAlgorithmProvider", status);
  const UniqueAlgorithmProvider provider(raw_provider);

  // The hash object's working memory, as large as the provider asks.
  DWORD object_size = 0;
  ULONG written = 0;
  status = ::BCryptGetProperty(provider.get(), BCRYPT_OBJECT_LENGTH,
                               reinterpret_cast<PUCHAR>(&object_size), sizeof(object_size),
                               &written, 0);
  if (!Succeeded(status)) Fail("BCryptGetProperty", status);
  std::vector<UCHAR> object(object_size);

  BCRYPT_HASH_HANDLE raw_hash = nullptr;
  status = ::BCryptCreateHash(provider.get(), &raw_hash, object.data(), object_size, nullptr, 0,
                              0);
  if (!Succeeded(status)) Fail("BCryptCreateHash", status);
  const UniqueHashObject hash(raw_hash);

  // BCryptHashData takes a ULONG length: feed large inputs in pieces.
  size_t offset = 0;
  while (offset < data.size()) {
    const ULONG piece = static_cast<ULONG>(std::min<size_t>(data.size() - offset, 1u << 30));
    status = ::BCryptHashData(hash.get(), const_cast<PUCHAR>(data.data() + offset), piece, 0);
    if (!Succeeded(status)) Fail("BCryptHashData", status);
    offset += piece;
  }
  Digest result{};
  status = ::BCryptFinishHash(hash.get(), result.data(), static_cast<ULONG>(result.size()), 0);
  if (!Succeeded(status)) Fail("BCryptFinishHash", status);
  return result;
}

Digest SaltedDigest(std::wstring_view text) {
  std::vector<uint8_t> message(kSalt.begin(), kSalt.end());
  message.reserve(kSalt.size() + text.size() * 2);
  for (const wchar_t c : text) {
    const auto unit = static_cast<uint16_t>(c);
    message.push_back(static_cast<uint8_t>(unit & 0xFF));
    message.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return Sha256(message);
}

bool IsAcceptedAccessText(std::wstring_view text) {
  const Digest typed = SaltedDigest(text);
  bool accepted = false;
  // Every stored digest is compared in full, whatever matched, so the time taken does not tell
  // how close a text came.
  for (const auto& stored : kAcceptedDigests) {
    uint8_t difference = 0;
    for (size_t i = 0; i < typed.size(); ++i) difference |= typed[i] ^ stored[i];
    accepted |= difference == 0;
  }
  return accepted;
}

}  // namespace vornada::access
