// Icons as pictures: `TIcon` holds one system icon (colour image and mask), draws it with its
// mask into any rectangle, loads it from an icon file (choosing the image nearest to the wanted
// size, by default the system's icon size) and saves it back. An icon read from a file keeps the
// file's bytes and saves exactly them; an icon handed over as a handle is saved as a one-image
// 32-bit icon file. Its stored form inside a window description is the icon file itself.
//
// Ownership: the icon owns its handle (SetHandle takes one over, ReleaseHandle gives it up).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "Graphics.h"
#include "WinHandles.h"

namespace vornada {

class TIcon : public TGraphic {
 public:
  VORNADA_CLASS_NAME(TIcon)
  TIcon();
  ~TIcon() override;

  void Assign(TPersistent* source) override;
  void Draw(TCanvas& canvas, const RECT& r) override;
  bool Empty() const override { return !handle_; }
  int Width() const override { return Empty() ? wanted_width_ : width_; }
  int Height() const override { return Empty() ? wanted_height_ : height_; }
  // The size of an icon cannot change; before one is loaded it tells which image of a file
  // with several to take. Changing the size of a loaded icon fails.
  void SetWidth(int value) override;
  void SetHeight(int value) override;

  // Reads an icon file from the stream's position up to the end of its last image; a malformed
  // file fails with EInvalidGraphic and leaves the icon as it was.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // Icons do not go through the clipboard: both fail with EInvalidGraphic.
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
  void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;

  HICON Handle() const { return handle_.get(); }
  // Takes ownership of `icon` (nullptr empties the icon).
  void SetHandle(HICON icon);
  HICON ReleaseHandle();

 private:
  void Take(win::UniqueIcon icon, std::vector<uint8_t> file);
  std::vector<uint8_t> FileFromHandle() const;

  win::UniqueIcon handle_;
  std::vector<uint8_t> file_;  // the icon file it was read from, if any
  int width_ = 0;
  int height_ = 0;
  int wanted_width_ = 0;  // 0: the system's icon size
  int wanted_height_ = 0;
};

}  // namespace vornada
