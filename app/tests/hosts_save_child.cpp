// A process that starts saving a file and is killed half-way through writing the new content:
//   hosts_save_child PATH
// It writes 3 MB of 'N' through the same save path as the program, and terminates itself with
// exit code 3 after the first megabyte reached the disk.
#include <windows.h>

#include <string>

#include "HostsFile_win.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const std::string content(3u << 20, 'N');
  int chunks = 0;
  vornada::hosts::SaveSteps steps;
  steps.write = [&](HANDLE file, const char* data, DWORD count) {
    if (++chunks == 2) {
      ::FlushFileBuffers(file);
      ::TerminateProcess(::GetCurrentProcess(), 3);
    }
    DWORD put = 0;
    return ::WriteFile(file, data, count, &put, nullptr) && put == count;
  };
  vornada::hosts::ReplaceFileContents(argv[1], content, steps);
  return 0;  // not reached
}
