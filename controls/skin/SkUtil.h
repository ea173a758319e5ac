// Skin bitmap helpers shared by the image-skinned controls: preparing skin bitmaps as 24-bit
// device-independent bitmaps, cutting a skin strip into its state cells, resizing one cell to a
// control's size, shifting a picture's brightness, the dotted focus rectangle, and shaping a
// window after a picture with a transparent colour. None of them keeps state.
//
// Skin strip: column 0 is a marker column whose top pixel gives the transparent colour; N equal
// cells follow, cell i at column 1 + i * w with w = (skin width - 1) / N; columns right of the
// last cell are not used.
//
// Regions: one-pixel-high rectangles, one per run of non-transparent pixels. A region handed to
// a window belongs to the system from then on. Pictures of any depth are read through a 24-bit
// copy, so no routine reads past the end of a row.
//
// Also here: the pair of window hooks through which a skinned control watches the application
// window and its form's window.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>

#include "Forms.h"
#include "Graphics.h"
#include "WinHandles.h"
#include "WindowHook.h"

namespace vornada {

// Converts the bitmap to 24 bits per pixel and to device-independent storage, keeping its
// picture. An empty bitmap keeps the format for its next size.
void EnsureDib24(TBitmap& bitmap);
// 0 .. 255.
uint8_t ClampByte(int value);
// The colour value (0x00BBGGRR) of pixel (0, 0); 0 for an empty bitmap.
TColor TopLeftColor(TBitmap& bitmap);
// False for an empty bitmap, true for 24 or 32 bits per pixel; any other depth fails with
// "Error: Only 24/32 bit pixel formats are supported".
bool CheckPixelFormat(TBitmap& bitmap);
// The system's dotted focus rectangle, 2 pixels inside `r`, with a black brush. Drawing it twice
// removes it.
void DrawSkinFocusRect(const RECT& r, TCanvas& canvas);
// Makes `target` a 24-bit copy of the skin cell at column `cell_left` (`cell_width` x
// `skin_height`) resized to `target_width` x `target_height`: the cell's edges are kept and its
// middle column and row are repeated or cut. Only pixels of the cell are read, however small it
// is.
void StretchCell(TBitmap& skin, TBitmap& target, int cell_left, int cell_width, int skin_height,
                 int target_width, int target_height);
// Cuts a strip of 4 (8) cells into the targets, each carrying the skin's transparent colour,
// and returns that colour in `transparent`. An empty skin changes nothing.
void SplitSkin4(TBitmap& skin, const std::array<TBitmap*, 4>& cells, TColor& transparent);
void SplitSkin8(TBitmap& skin, const std::array<TBitmap*, 8>& cells, TColor& transparent);
// Adds amount * 255 / 200 to every channel of every pixel, clamped to 0 .. 255 (a 32-bit
// pixel's fourth byte stays). Bitmaps of other depths are converted to 24 bits first. Returns
// the bitmap.
TBitmap& Brighten(TBitmap& bitmap, int amount);
// The part of a control's window outside its client area (empty without border and caption);
// no region when one cannot be made.
win::UniqueRegion FrameRegion(TWinControl& control);
// Shapes the form's window after the bitmap's non-transparent pixels (keeping its border and
// caption), then makes the form as wide as the rightmost non-transparent column + 1 and as high
// as the bitmap. False when no region could be made or the window refused it.
bool ApplyFormRegion(TCustomForm& form, TBitmap& bitmap, TColor transparent);
// Shapes a window after the bitmap's non-transparent pixels. False when no region could be made
// (the window is left alone) or the window refused it.
bool ApplyControlRegion(TBitmap& bitmap, TColor transparent, HWND window);

// The two window hooks of a skinned control: the application window and its form's window. The
// handlers see each message first; the message then goes on to the window unchanged.
//
// A handler may free the control that owns the hooks (an event handler it calls may do so).
// `Alive` hands out a flag that stays readable after that and turns false when the hooks go, so
// the handler can tell, after calling out, whether it may still touch its control; if not it
// simply returns and the hook passes the message on by itself.
class TSkWindowHooks {
 public:
  TSkWindowHooks() = default;
  ~TSkWindowHooks() { *alive_ = false; }
  TSkWindowHooks(const TSkWindowHooks&) = delete;
  TSkWindowHooks& operator=(const TSkWindowHooks&) = delete;

  std::shared_ptr<const bool> Alive() const { return alive_; }
  // Fails with "Error: Couldn't get Application.Handle" without an application window, and
  // with an out-of-resources "Error: WndProc pointer = nil" when the window cannot be hooked.
  void HookApplication(TWindowHook::Handler handler);
  // Hooks the form's window (made now if it does not exist yet); the same out-of-resources
  // failure.
  void HookForm(TCustomForm& form, TWindowHook::Handler handler);
  void UnhookApplication() { application_.Remove(); }
  void UnhookForm() { form_.Remove(); }
  // From inside a handler: the rest of the chain handles the message now.
  void PassOnApplication(TMessage& message) { application_.CallNext(message); }
  void PassOnForm(TMessage& message) { form_.CallNext(message); }
  bool ApplicationHooked() const { return application_.Installed(); }
  bool FormHooked() const { return form_.Installed(); }

 private:
  TWindowHook application_;
  TWindowHook form_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vornada
