// The access check: salted SHA-256 digests through CNG (bcrypt), compared with the stored ones.
// CNG is loaded at the first check, not with the program (it takes a good part of the start-up
// time and is needed only once a password is typed).
#include "AccessCheck_win.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "AccessDigests.h"
#include "SysUtils.h"
#include "SystemLibrary.h"
#include "WinHandles.h"

namespace vornada::access {

namespace {

// CNG's functions, found once; a missing one fails the digest with a message naming it.
struct CngFunctions {
  decltype(::BCryptOpenAlgorithmProvider)* open_algorithm_provider;
  decltype(::BCryptCloseAlgorithmProvider)* close_algorithm_provider;
  decltype(::BCryptGetProperty)* get_property;
  decltype(::BCryptCreateHash)* create_hash;
  decltype(::BCryptHashData)* hash_data;
  decltype(::BCryptFinishHash)* finish_hash;
  decltype(::BCryptDestroyHash)* destroy_hash;
};

const CngFunctions& Cng() {
  static const CngFunctions functions = [] {
    constexpr wchar_t kLibrary[] = L"bcrypt.dll";
    using win::SystemFunction;
    return CngFunctions{
        SystemFunction<decltype(::BCryptOpenAlgorithmProvider)>(kLibrary,
                                                                "BCryptOpenAlgorithmProvider"),
        SystemFunction<decltype(::BCryptCloseAlgorithmProvider)>(kLibrary,
                                                                 "BCryptCloseAlgorithmProvider"),
        SystemFunction<decltype(::BCryptGetProperty)>(kLibrary, "BCryptGetProperty"),
        SystemFunction<decltype(::BCryptCreateHash)>(kLibrary, "BCryptCreateHash"),
        SystemFunction<decltype(::BCryptHashData)>(kLibrary, "BCryptHashData"),
        SystemFunction<decltype(::BCryptFinishHash)>(kLibrary, "BCryptFinishHash"),
        SystemFunction<decltype(::BCryptDestroyHash)>(kLibrary, "BCryptDestroyHash")};
  }();
  return functions;
}

struct AlgorithmProviderTraits {
  using Handle = BCRYPT_ALG_HANDLE;
  static constexpr bool kCountsGdi = false;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { Cng().close_algorithm_provider(h, 0); }
};
struct HashObjectTraits {
  using Handle = BCRYPT_HASH_HANDLE;
  static constexpr bool kCountsGdi = false;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { Cng().destroy_hash(h); }
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
  const CngFunctions& cng = Cng();
  if (!cng.open_algorithm_provider || !cng.close_algorithm_provider || !cng.get_property ||
      !cng.create_hash || !cng.hash_data || !cng.finish_hash || !cng.destroy_hash)
    throw Exception("Cannot compute a digest: the system's CNG library (bcrypt.dll) is missing");
  BCRYPT_ALG_HANDLE raw_provider = nullptr;
  NTSTATUS status =
      cng.open_algorithm_provider(&raw_provider, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
  if (!Succeeded(status)) Fail("BCryptOpenAlgorithmProvider", status);
  const UniqueAlgorithmProvider provider(raw_provider);

  // The hash object's working memory, as large as the provider asks.
  DWORD object_size = 0;
  ULONG written = 0;
  status = cng.get_property(provider.get(), BCRYPT_OBJECT_LENGTH,
                               reinterpret_cast<PUCHAR>(&object_size), sizeof(object_size),
                               &written, 0);
  if (!Succeeded(status)) Fail("BCryptGetProperty", status);
  std::vector<UCHAR> object(object_size);

  BCRYPT_HASH_HANDLE raw_hash = nullptr;
  status = cng.create_hash(provider.get(), &raw_hash, object.data(), object_size, nullptr, 0,
                              0);
  if (!Succeeded(status)) Fail("BCryptCreateHash", status);
  const UniqueHashObject hash(raw_hash);

  // BCryptHashData takes a ULONG length: feed large inputs in pieces.
  size_t offset = 0;
  while (offset < data.size()) {
    const ULONG piece = static_cast<ULONG>(std::min<size_t>(data.size() - offset, 1u << 30));
    status = cng.hash_data(hash.get(), const_cast<PUCHAR>(data.data() + offset), piece, 0);
    if (!Succeeded(status)) Fail("BCryptHashData", status);
    offset += piece;
  }
  Digest result{};
  status = cng.finish_hash(hash.get(), result.data(), static_cast<ULONG>(result.size()), 0);
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
