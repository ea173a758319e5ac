// Access to the system hosts file: its path, its attributes, and reading and writing its whole
// content.
//
// No failure of a save may lose the file. The new content goes to a temporary file in the same
// folder, is flushed to disk, and then takes the file's place in one step that keeps the file's
// attributes, owner and permissions and keeps the old file under a backup name beside it until
// the step is done. Until that step the old file is untouched, so a failure while writing (disk
// full, an I/O error, the process killed) leaves the old content. When the step itself fails,
// the old file is renamed back from the backup (or, where only the new file is left, the new
// file is moved in) before the failure is reported, so the file always exists with the old or
// the new text. Helper files a killed save left beside the file are removed by the next save.
//
// Where the folder refuses a new file but the file itself may be written (a user given write
// access to the hosts file only), the file is rewritten in place instead: its old content is
// first copied to a backup in the user's temporary folder, which is removed only after the new
// content has been flushed to disk, and which stays as the only copy if both writing the new
// content and putting the old content back fail.
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

// Reads up to `size` bytes from the handle into `buffer`, the count read in `*got` (0 at the
// end); false (with the last error set) on failure. Tests replace it to fail part-way.
using ChunkReader = std::function<bool(HANDLE file, char* buffer, DWORD size, DWORD* got)>;

// The whole file, read through a handle that lets other processes read but not write while it
// is open. Fails with EFOpenError "Cannot open file "%s". %s" when it cannot be opened, and with
// EReadError "Stream read error. Cannot read file "%s". %s" (the full path, then the system's
// reason) when reading fails part-way; nothing read so far is returned then.
std::string ReadWholeFile(const std::wstring& path, const ChunkReader& reader = {});

// Writes `count` bytes to the handle; returns false (with the last error set) on failure.
using ChunkWriter = std::function<bool(HANDLE file, const char* data, DWORD count)>;

// Puts the finished `replacement` in the place of `file`, keeping the old file under the name
// `backup` (ReplaceFileW's contract: on failure the last error tells which state the files were
// left in, and the caller puts things right).
using ReplaceStep = std::function<bool(const std::wstring& file, const std::wstring& replacement,
                                       const std::wstring& backup)>;

// The steps of a save that tests exchange to make them fail the ways the platform can; an empty
// member is the platform's own step.
struct SaveSteps {
  ChunkWriter write;
  ReplaceStep replace;
};

// Replaces the file's whole content by `bytes` (created when missing). Refused exactly where
// creating the file for exclusive writing would be refused (read-only, hidden or system
// attribute, no rights, the file open elsewhere): EFCreateError "Cannot create file "%s". %s",
// the file untouched. A failure while writing raises EWriteError "Stream write error. %s", the
// file left with its old content. A failure of the replacing step raises EFCreateError after the
// file was put back in place (see the top of this file).
//
// Helper files: "<name>.<random tag>.vornada-tmp" beside the file for the new content,
// "<name>.<random tag>.vornada-bak" beside it for the old file during the replacing step, and
// the same backup name in the user's temporary folder when the file is rewritten in place.
void ReplaceFileContents(const std::wstring& path, std::string_view bytes,
                         const SaveSteps& steps = {});

}  // namespace vornada::hosts
