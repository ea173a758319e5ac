// Helpers shared by the tests of the GIF picture class, the threaded timer and the GIF
// animator under Wine: fixture loading, pixels of framework bitmaps as colour values, message
// pumping, the shown form the tests put their controls on, and a watchdog that ends a test
// program that stopped making progress (a deadlock would otherwise hang the run).
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "GifImage.h"
#include "Graphics.h"

namespace vornada::gifwin_test {

// Bytes of a fixture: NAME from the GIF core's fixtures, or "window/NAME" from the window-like
// GIFs of this folder's data.
std::vector<uint8_t> FixtureBytes(const std::string& name);
// The GIF core fixtures that read without an error.
std::vector<std::string> ReadableCoreFixtures();

// A picture read from the bytes (through LoadFromStream).
std::unique_ptr<TGIFImage> LoadGif(const std::vector<uint8_t>& bytes);

// The pixels of any bitmap (device-dependent or not) as 0x00BBGGRR colour values, rows
// top-down, read through a 32-bit copy.
std::vector<uint32_t> PixelsOf(TBitmap& bitmap);
// The pixels of a device context's area (x, y, width, height) as 0x00BBGGRR colour values.
std::vector<uint32_t> PixelsOf(HDC dc, int x, int y, int width, int height);

// A 32-bit bitmap of the size filled with one colour.
void MakeFilled32(TBitmap& bitmap, int width, int height, TColor color);

// Runs the application's message handling for `ms` milliseconds, or until `done` holds.
void PumpMessages(int ms, const std::function<bool()>& done = nullptr);

// The shown, borderless form of the test program (bottom left of the 1280 x 1024 test screen);
// it stays until the program ends (hiding shown windows is slow under Wine without a window
// manager). Controls go on its panel, which paints its own background colour.
TForm& StageForm();
TPanel& StagePanel();

// Ends the whole program with a message when `Kick` was not called for `limit` (a test that
// stopped making progress, as a deadlock would).
class Watchdog {
 public:
  Watchdog(std::string what, std::chrono::milliseconds limit);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
  void Kick() { last_kick_.store(Now()); }

 private:
  static int64_t Now();
  std::string what_;
  std::chrono::milliseconds limit_;
  std::atomic<int64_t> last_kick_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace vornada::gifwin_test
