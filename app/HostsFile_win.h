// Access to the system hosts file: its path, its attributes, and reading and writing its whole
// content.
//
// Saving never leaves the file empty or half written: the new content goes to a temporary file
// in the same folder, is flushed to disk, and then takes the file's place in one step that keeps
// the file's attributes, owner and permissions. Until that step the old file is untouched, so a
// failure (disk full, an I/O error, the process killed) leaves the old content.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vornada::hosts {

inline constexpr wchar_t HostsFilePath[] = L"%WINDIR%\\System32\\Drivers\\etc\\hosts";
inline constexpr DWORD HostsProtectedAttr = 39;  // read-only + hidden + system + archive
inline constexpr DWORD HostsWritableAttr = 0;

// Expands environment-variable references into a buffer of the size the expansion needs.
// Fails with EInvalidOperation when the expansion cannot be made.
std::wstring ExpandEnvPath(const std::wstring& path);

// Sets the attributes of the expanded hosts path; the outcome is ignored.
void SetHostsAttributes(DWORD value);

// The whole file, read through a handle that lets other processes read but not write while it
// is open. Fails with EFOpenError "Cannot open file "%s". %s".
std::string ReadWholeFile(const std::wstring& path);

// Writes `count` bytes to the handle; returns false (with the last error set) on failure. Tests
// replace it to fail or stop part-way.
using ChunkWriter = std::function<bool(HANDLE file, const char* data, DWORD count)>;

// Replaces the file's whole content by `bytes` (created when missing). Refused exactly where
// creating the file for exclusive writing would be refused (read-only, hidden or system
// attribute, no rights, the file open elsewhere): EFCreateError "Cannot create file "%s". %s",
// the file untouched. A failure while writing raises EWriteError, the file untouched.
void ReplaceFileContents(const std::wstring& path, std::string_view bytes,
                         const ChunkWriter& writer = {});

}  // namespace vornada::hosts
