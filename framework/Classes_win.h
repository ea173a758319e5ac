// The file stream: a TStream over a file opened with the framework's mode and sharing flags.
#pragma once

#include <string>

#include "Classes.h"
#include "WinHandles.h"

namespace vornada {

// Open modes and sharing modes; combine one of each with |.
enum : unsigned {
  fmCreate = 0xFFFF,  // create or truncate, for reading and writing, exclusive
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
};

class TFileStream : public TStream {
 public:
  VORNADA_CLASS_NAME(TFileStream)
  // Fails with EFCreateError ("Cannot create file ...") for fmCreate, EFOpenError otherwise.
  TFileStream(const std::wstring& file_name, unsigned mode);
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t new_size) override;
  HANDLE Handle() const { return file_.get(); }
  const std::wstring& FileName() const { return file_name_; }

 private:
  win::UniqueFile file_;
  std::wstring file_name_;
};

// The full path of a file name, as the error messages show it.
std::wstring ExpandFileName(const std::wstring& file_name);

}  // namespace vornada
