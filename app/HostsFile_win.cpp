// The hosts file: path expansion, attributes, whole-file reading and replacing.
#include "HostsFile_win.h"

#include <algorithm>
#include <atomic>
#include <random>
#include <vector>

#include "Classes_win.h"
#include "SaveFileNames.h"
#include "SysUtils.h"
#include "WinHandles.h"
#include "WinUtil.h"

namespace vornada::hosts {

namespace {

constexpr DWORD kChunkSize = 1u << 20;
constexpr std::string_view kReadFileError = "Cannot read file \"%s\". %s";

[[noreturn]] void ThrowCreateError(const std::wstring& path, DWORD error) {
  throw EFCreateError(FormatMessageText(
      msg::kFCreateError, {win::Utf8FromWide(ExpandFileName(path)), win::SysErrorMessage(error)}));
}

[[noreturn]] void ThrowReadError(const std::wstring& path, DWORD error) {
  throw EReadError(std::string(msg::kReadError) + ". " +
                   FormatMessageText(kReadFileError, {win::Utf8FromWide(ExpandFileName(path)),
                                                      win::SysErrorMessage(error)}));
}

// "Stream write error. <reason>", and where the old content was kept when it could not be put
// back.
[[noreturn]] void ThrowWriteError(DWORD error, const std::wstring& kept_in = {}) {
  std::string text = std::string(msg::kWriteError) + ". " + win::SysErrorMessage(error);
  if (!kept_in.empty())
    text += ". The previous content is kept in \"" + win::Utf8FromWide(kept_in) + "\"";
  throw EWriteError(text);
}

bool PlatformWriteChunk(HANDLE file, const char* data, DWORD count) {
  DWORD written = 0;
  if (!::WriteFile(file, data, count, &written, nullptr)) return false;
  if (written != count) {
    ::SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  return true;
}

bool PlatformReadChunk(HANDLE file, char* buffer, DWORD size, DWORD* got) {
  return ::ReadFile(file, buffer, size, got, nullptr) != FALSE;
}

bool PlatformReplace(const std::wstring& file, const std::wstring& replacement,
                     const std::wstring& backup) {
  return ::ReplaceFileW(file.c_str(), replacement.c_str(), backup.c_str(),
                        REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                        nullptr) != FALSE;
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

std::wstring NameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
  std::wstring folder(buffer, length <= MAX_PATH ? length : 0);
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  return folder.empty() ? std::wstring(L".") : folder;
}

// A token no other save of this or another process picks: random bits mixed with the process,
// the time and a counter (so that even a platform without a random source gives distinct names).
uint64_t NewToken() {
  static const uint64_t seed = [] {
    try {
      std::random_device source;
      return (static_cast<uint64_t>(source()) << 32) ^ source();
    } catch (const std::exception&) {
      return uint64_t{0};
    }
  }();
  static std::atomic<uint64_t> counter{0};
  LARGE_INTEGER now{};
  ::QueryPerformanceCounter(&now);
  return MixBits(seed ^ MixBits(static_cast<uint64_t>(now.QuadPart) ^
                                (static_cast<uint64_t>(::GetCurrentProcessId()) << 40) ^
                                (counter++ << 20)));
}

struct NewFile {
  win::UniqueFile handle;
  std::wstring path;
};

// Creates a helper file of `file_name` in `folder` under a name no file has; a name that exists
// already is given up for another. On failure the handle is empty and `error` says why.
NewFile CreateHelperFile(const std::wstring& folder, const std::wstring& file_name,
                         std::wstring_view suffix, DWORD& error) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    NewFile file;
    file.path = folder + L"\\" + SaveHelperFileName(file_name, NewToken(), suffix);
    file.handle.reset(::CreateFileW(file.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.handle) return file;
    error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return {};
}

// Removes the helper files earlier saves of `file_name` left in `folder` (a save killed before
// it could remove them). Backups are removed only while the file itself exists: then they are
// older copies of it. A helper file that a running save holds open cannot be removed and stays.
void RemoveLeftoverHelperFiles(const std::wstring& folder, const std::wstring& file_name,
                               bool including_backups) {
  std::vector<std::wstring> leftovers;
  WIN32_FIND_DATAW data;
  win::UniqueFind find(::FindFirstFileW((folder + L"\\" + file_name + L".*").c_str(), &data));
  if (!find) return;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::wstring_view name = data.cFileName;
    if (IsSaveHelperFileName(name, file_name, kTemporaryFileSuffix) ||
        (including_backups && IsSaveHelperFileName(name, file_name, kBackupFileSuffix)))
      leftovers.emplace_back(name);
  } while (::FindNextFileW(find.get(), &data));
  find.reset();
  for (const std::wstring& name : leftovers) ::DeleteFileW((folder + L"\\" + name).c_str());
}

// Writes all of `bytes` through `write` in chunks; the error of the failing chunk, or
// ERROR_SUCCESS.
DWORD WriteAll(HANDLE file, std::string_view bytes, const ChunkWriter& write) {
  for (size_t done = 0; done < bytes.size();) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kChunkSize));
    if (!write(file, bytes.data() + done, chunk)) {
      const DWORD error = ::GetLastError();
      return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
    }
    done += chunk;
  }
  return ERROR_SUCCESS;
}

DWORD FlushError(HANDLE file) {
  return ::FlushFileBuffers(file) ? ERROR_SUCCESS : ::GetLastError();
}

// Reads from the handle's position to the end of the file. A read error raises the stream read
// error naming `path`.
std::string ReadToEnd(HANDLE file, const std::wstring& path, const ChunkReader& read) {
  std::string bytes;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file, &size) && size.QuadPart > 0) {
    if (static_cast<uint64_t>(size.QuadPart) >= bytes.max_size() - kChunkSize)
      throw EOutOfMemory("The file is too large");
    bytes.reserve(static_cast<size_t>(size.QuadPart) + kChunkSize);
  }
  // The file may have grown since its size was asked for: read until the end says so.
  for (;;) {
    const size_t done = bytes.size();
    bytes.resize(done + kChunkSize);
    DWORD got = 0;
    if (!read(file, bytes.data() + done, kChunkSize, &got)) ThrowReadError(path, ::GetLastError());
    bytes.resize(done + std::min(got, kChunkSize));
    if (got == 0) return bytes;
  }
}

// Rewrites the open file from its start with `bytes` and cuts it there, then flushes it; the
// error, or ERROR_SUCCESS.
DWORD OverwriteFromStart(HANDLE file, std::string_view bytes, const ChunkWriter& write) {
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return ::GetLastError();
  DWORD error = WriteAll(file, bytes, write);
  if (error == ERROR_SUCCESS && !::SetEndOfFile(file)) error = ::GetLastError();
  if (error == ERROR_SUCCESS) error = FlushError(file);
  return error;
}

// The save where the folder refuses new files: the old content goes to a backup in the user's
// temporary folder first, then the file is rewritten where it is.
void RewriteInPlace(const std::wstring& path, std::string_view bytes, const ChunkWriter& write) {
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) ThrowCreateError(path, ::GetLastError());
  const std::string old_content = ReadToEnd(file.get(), path, PlatformReadChunk);

  DWORD error = ERROR_SUCCESS;
  NewFile backup = CreateHelperFile(TemporaryFolder(), NameOf(path), kBackupFileSuffix, error);
  if (!backup.handle) ThrowCreateError(path, error);
  error = WriteAll(backup.handle.get(), old_content, PlatformWriteChunk);
  if (error == ERROR_SUCCESS) error = FlushError(backup.handle.get());
  backup.handle.reset();
  if (error != ERROR_SUCCESS) {
    // Nothing has changed yet.
    ::DeleteFileW(backup.path.c_str());
    ThrowCreateError(path, error);
  }

  error = OverwriteFromStart(file.get(), bytes, write);
  if (error == ERROR_SUCCESS) {
    ::DeleteFileW(backup.path.c_str());
    return;
  }
  // Put the old content back; where even that fails, the backup is its only copy and stays.
  if (OverwriteFromStart(file.get(), old_content, write) == ERROR_SUCCESS) {
    ::DeleteFileW(backup.path.c_str());
    ThrowWriteError(error);
  }
  ThrowWriteError(error, backup.path);
}

// After a failed replacing step: makes sure a file is in place again, the old one renamed back
// from the backup where the step had moved it away, else the new one moved in; then removes the
// helper files. Where neither can be moved, both stay so that nothing is lost.
void PutAFileBackInPlace(const std::wstring& path, const std::wstring& temporary,
                         const std::wstring& backup) {
  if (!Exists(path)) {
    if (!(Exists(backup) && ::MoveFileExW(backup.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)))
      ::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
  }
  if (Exists(path)) {
    ::DeleteFileW(temporary.c_str());
    ::DeleteFileW(backup.c_str());
  }
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

std::string ReadWholeFile(const std::wstring& path, const ChunkReader& reader) {
  TFileStream file(path, fmOpenRead | fmShareDenyWrite);
  return ReadToEnd(file.Handle(), path, reader ? reader : ChunkReader(PlatformReadChunk));
}

void ReplaceFileContents(const std::wstring& path, std::string_view bytes,
                         const SaveSteps& steps) {
  const ChunkWriter write = steps.write ? steps.write : ChunkWriter(PlatformWriteChunk);
  const ReplaceStep replace = steps.replace ? steps.replace : ReplaceStep(PlatformReplace);
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

  const std::wstring folder = FolderOf(path);
  const std::wstring name = NameOf(path);
  RemoveLeftoverHelperFiles(folder, name, exists);

  DWORD error = ERROR_SUCCESS;
  NewFile temporary = CreateHelperFile(folder, name, kTemporaryFileSuffix, error);
  if (!temporary.handle) {
    if (exists && error == ERROR_ACCESS_DENIED) {
      // The folder takes no new file, but the file itself may be writable.
      guard.reset();
      RewriteInPlace(path, bytes, write);
      return;
    }
    ThrowCreateError(path, error);
  }
  error = WriteAll(temporary.handle.get(), bytes, write);
  if (error == ERROR_SUCCESS) error = FlushError(temporary.handle.get());
  temporary.handle.reset();
  if (error != ERROR_SUCCESS) {
    ::DeleteFileW(temporary.path.c_str());
    ThrowWriteError(error);
  }

  guard.reset();
  if (!exists) {
    if (!::MoveFileExW(temporary.path.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
      error = ::GetLastError();
      ::DeleteFileW(temporary.path.c_str());
      ThrowCreateError(path, error);
    }
    return;
  }
  const std::wstring backup =
      folder + L"\\" + SaveHelperFileName(name, NewToken(), kBackupFileSuffix);
  if (replace(path, temporary.path, backup)) {
    ::DeleteFileW(backup.c_str());
    return;
  }
  error = ::GetLastError();
  PutAFileBackInPlace(path, temporary.path, backup);
  ThrowCreateError(path, error);
}

}  // namespace vornada::hosts
