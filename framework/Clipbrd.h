// The system clipboard: text, pictures and raw formats. Opening nests; the clipboard is closed
// again when the outermost Close runs.
#pragma once

#include <windows.h>

#include <string>

#include "Classes.h"

namespace vornada {

class TGraphic;

class TClipboard : public TPersistent {
 public:
  VORNADA_CLASS_NAME(TClipboard)
  void Open();
  void Close();
  // Empties the clipboard.
  void Clear();
  bool HasFormat(UINT format) const;
  std::wstring AsText();
  void SetAsText(const std::wstring& text);
  HANDLE GetAsHandle(UINT format);
  // Hands `data` to the clipboard, which owns it from then on (when the clipboard cannot take
  // it, it is freed and the call fails).
  void SetAsHandle(UINT format, HANDLE data);
  // Puts a picture (a graphic or a picture holder's graphic) on the clipboard in its own
  // formats, replacing what was there.
  void Assign(TPersistent* source) override;

 private:
  void Adding();
  int open_count_ = 0;
  bool emptied_ = false;
};

TClipboard* Clipboard();

}  // namespace vornada
