// TFileStream over CreateFileW.
#include "Classes_win.h"

#include <algorithm>

#include "WinUtil.h"

namespace vornada {

std::wstring ExpandFileName(const std::wstring& file_name) {
  DWORD needed = ::GetFullPathNameW(file_name.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return file_name;
  std::wstring out(needed, L'\0');
  DWORD got = ::GetFullPathNameW(file_name.c_str(), needed, out.data(), nullptr);
  if (got == 0 || got >= needed) return file_name;
  out.resize(got);
  return out;
}

TFileStream::TFileStream(const std::wstring& file_name, unsigned mode) : file_name_(file_name) {
  if (mode == fmCreate) {
    file_.reset(::CreateFileW(file_name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
      const DWORD error = ::GetLastError();
      throw EFCreateError(FormatMessageText(
          msg::kFCreateError,
          {win::Utf8FromWide(ExpandFileName(file_name)), win::SysErrorMessage(error)}));
    }
    return;
  }
  static constexpr DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  static constexpr DWORD kShare[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE};
  const unsigned access = mode & 3;
  const unsigned share = (mode & 0xF0) >> 4;
  file_.reset(::CreateFileW(file_name.c_str(), kAccess[std::min(access, 2u)],
                            kShare[std::min(share, 4u)], nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) {
    const DWORD error = ::GetLastError();
    throw EFOpenError(FormatMessageText(
        msg::kFOpenError,
        {win::Utf8FromWide(ExpandFileName(file_name)), win::SysErrorMessage(error)}));
  }
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  int64_t total = 0;
  auto* out = static_cast<char*>(buffer);
  while (count > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<int64_t>(count, 1 << 30));
    DWORD got = 0;
    if (!::ReadFile(file_.get(), out + total, chunk, &got, nullptr) || got == 0) break;
    total += got;
    count -= got;
  }
  return total;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  int64_t total = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (count > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<int64_t>(count, 1 << 30));
    DWORD put = 0;
    if (!::WriteFile(file_.get(), in + total, chunk, &put, nullptr) || put == 0) break;
    total += put;
    count -= put;
  }
  return total;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  static constexpr DWORD kMethod[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER result;
  if (!::SetFilePointerEx(file_.get(), distance, &result, kMethod[static_cast<int>(origin)]))
    return -1;
  return result.QuadPart;
}

void TFileStream::SetSize(int64_t new_size) {
  const int64_t pos = Position();
  Seek(new_size, TSeekOrigin::soBeginning);
  if (!::SetEndOfFile(file_.get())) throw EWriteError(std::string(msg::kWriteError));
  if (pos < new_size) Seek(pos, TSeekOrigin::soBeginning);
}

}  // namespace vornada
