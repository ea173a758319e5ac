// The hosts file: path expansion, attributes, whole-file reading and replacing.
#include "HostsFile_win.h"

#include <algorithm>
#include <atomic>

#include "Classes_win.h"
#include "SysUtils.h"
#include "WinHandles.h"
#include "WinUtil.h"

namespace vornada::hosts {

namespace {

[[noreturn]] void ThrowCreateError(const std::wstring& path, DWORD error) {
  throw EFCreateError(FormatMessageText(
      msg::kFCreateError, {win::Utf8FromWide(ExpandFileName(path)), win::SysErrorMessage(error)}));
}

bool WriteChunk(HANDLE file, const char* data, DWORD count) {
  DWORD written = 0;
  if (!::WriteFile(file, data, count, &written, nullptr)) return false;
  if (written != count) {
    ::SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  return true;
}

// A name beside the target that no other save of this or another process uses.
std::wstring TemporaryNameFor(const std::wstring& path) {
  static std::atomic<unsigned> counter{0};
  return path + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" +
         std::to_wstring(counter++) + L".vornada-tmp";
}

}  // namespace

std::wstring ExpandEnvPath(const std::wstring& path) {
  DWORD needed = ::ExpandEnvironmentStringsW(path.c_str(), nullptr, 0);
  // The variables may change between the two calls; try again with the new size.
  for (int attempt = 0; attempt < 4 && needed != 0; ++attempt) {
    std::wstring out(needed, L'\0');
    const DWORD got = ::ExpandEnvironmentStringsW(path.c_str(), out.data(), needed);
    if (got != 0 && got <= needed) {
      out.resize(got - 1);  // without the terminating zero
      return out;
    }
    needed = got;
  }
  throw EInvalidOperation("Cannot expand the path \"" + win::Utf8FromWide(path) + "\"");
}

void SetHostsAttributes(DWORD value) {
  try {
    ::SetFileAttributesW(ExpandEnvPath(HostsFilePath).c_str(), value);
  } catch (const Exception&) {
    // A failed attribute change is silent.
  }
}

std::string ReadWholeFile(const std::wstring& path) {
  TFileStream file(path, fmOpenRead | fmShareDenyWrite);
  std::string bytes;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.Handle(), &size) && size.QuadPart > 0) {
    if (static_cast<uint64_t>(size.QuadPart) > bytes.max_size())
      throw EOutOfMemory("The file is too large");
    bytes.resize(static_cast<size_t>(size.QuadPart));
    const int64_t got = file.Read(bytes.data(), size.QuadPart);
    bytes.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
  }
  // The file may have grown since its size was asked for.
  char tail[65536];
  for (int64_t got; (got = file.Read(tail, sizeof(tail))) > 0;)
    bytes.append(tail, static_cast<size_t>(got));
  return bytes;
}

void ReplaceFileContents(const std::wstring& path, std::string_view bytes,
                         const ChunkWriter& writer) {
  const ChunkWriter& write = writer ? writer : ChunkWriter(WriteChunk);
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  // Creating the file anew for writing is refused for these attributes (and for a folder);
  // the save is refused in the same cases.
  if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY)))
    ThrowCreateError(path, ERROR_ACCESS_DENIED);
  // Exclusive write access to the file itself, held while the new content is written, so that
  // no rights, a lock or another writer refuse the save before anything changes.
  win::UniqueFile guard;
  if (exists) {
    guard.reset(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!guard) ThrowCreateError(path, ::GetLastError());
  }

  const std::wstring temporary = TemporaryNameFor(path);
  {
    win::UniqueFile out(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) ThrowCreateError(path, ::GetLastError());
    size_t done = 0;
    DWORD error = ERROR_SUCCESS;
    while (done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
      if (!write(out.get(), bytes.data() + done, chunk)) {
        error = ::GetLastError();
        break;
      }
      done += chunk;
    }
    if (error == ERROR_SUCCESS && !::FlushFileBuffers(out.get())) error = ::GetLastError();
    if (error != ERROR_SUCCESS) {
      out.reset();
      ::DeleteFileW(temporary.c_str());
      throw EWriteError(std::string(msg::kWriteError) + ". " + win::SysErrorMessage(error));
    }
  }

  guard.reset();
  BOOL replaced;
  if (exists) {
    replaced = ::ReplaceFileW(path.c_str(), temporary.c_str(), nullptr,
                              REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                              nullptr);
  } else {
    replaced = ::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
  }
  if (!replaced) {
    const DWORD error = ::GetLastError();
    ::DeleteFileW(temporary.c_str());
    ThrowCreateError(path, error);
  }
}

}  // namespace vornada::hosts
