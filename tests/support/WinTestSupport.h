// Helpers shared by every Windows test program (run under Wine): message pumping, the shown
// stage form that tests put their controls on, scratch files and folders, a scratch hosts file
// reached through a changed WINDIR, whole-file reading and writing, pixels of bitmaps and device
// contexts, rendering a control into a bitmap, window regions as runs, real input messages,
// loading a component as the design reader does, a watcher that answers the message boxes a
// test provokes, failures raised and reported, a watchdog against deadlocks, a fine clock,
// and the live GDI object count.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "Graphics.h"
#include "Lock.h"
#include "SysUtils.h"
#include "TestSupport.h"
#include "WinHandles.h"

namespace vornada::testing {

// ---- message loop ----------------------------------------------------------------------------

// Runs the application's message handling for `ms` milliseconds (or until `done` holds).
void PumpMessages(int ms, const std::function<bool()>& done = nullptr);
// Runs it until `done` holds or `timeout_ms` passed; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, int timeout_ms);
// Dispatches this thread's messages for `ms` milliseconds; returns how many WM_TIMER messages
// came among them (any window's or thread's timer except the message loop's own pointer watch,
// which runs while a control is under the pointer).
int PumpCountingTimerMessages(int ms);

// ---- the stage -------------------------------------------------------------------------------

// A form whose messages a test can watch.
class ObservedForm : public TForm {
 public:
  using TForm::TForm;
  std::function<void(TMessage&)> observe;
  void WndProc(TMessage& m) override {
    if (observe) observe(m);
    TForm::WndProc(m);
  }
};

// The shown form of a test program: borderless, 400 x 300, in the bottom left corner of the
// 1280 x 1024 test screen, where no centred window of a test running beside it comes (tests
// that find windows by screen position would otherwise meet other programs' windows). Under
// Wine without a window manager, hiding or destroying a shown top-level window waits two
// seconds for a manager that never answers, so tests put their controls on this one form
// instead of showing forms of their own, and it stays until the program ends.
constexpr int kStageLeft = 0, kStageTop = 724, kStageWidth = 400, kStageHeight = 300;
// Every test program's stage stands at that same place, so two of them must never run at once,
// nor one beside a test that moves the pointer: the stage, KeepUntilExit, MoveRealPointer and
// SendRealMouse report a failure when ctest runs their test without the desktop lock.
ObservedForm& StageForm();
// A panel filling the stage form that paints its own background colour RGB(10, 20, 30).
TPanel& StagePanel();
// Keeps a shown form until the program ends (see StageForm for why).
void KeepUntilExit(std::unique_ptr<TForm> form);

// ---- files -----------------------------------------------------------------------------------

// A file name in the temporary folder, deleted again when the object goes.
class ScratchFile {
 public:
  explicit ScratchFile(const std::wstring& extension);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

// A fresh folder under the temporary folder, removed with everything in it when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// Sets an environment variable of this process for the object's lifetime (a null value removes
// it), then puts the old value back.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(const std::wstring& name, const wchar_t* value);
  ~ScopedEnvironmentVariable();
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

 private:
  std::wstring name_;
  std::wstring old_value_;
  bool had_value_ = false;
};

// Points %WINDIR% at `windir` for the object's lifetime, so that the program's hosts path names
// `windir`\System32\Drivers\etc\hosts; the folders are created when missing, the file is not.
class HostsUnderWindir {
 public:
  explicit HostsUnderWindir(const std::wstring& windir);
  const std::wstring& HostsPath() const { return hosts_; }
  std::wstring EtcDir() const;

 private:
  ScopedEnvironmentVariable windir_;
  std::wstring hosts_;
};

// The program's hosts path pointed at a file in a fresh scratch folder for the object's lifetime.
class ScratchHosts {
 public:
  ScratchHosts() : hosts_(dir_.path()) {}
  const std::wstring& HostsPath() const { return hosts_.HostsPath(); }
  std::wstring EtcDir() const { return hosts_.EtcDir(); }

 private:
  ScratchDir dir_;
  HostsUnderWindir hosts_;
};

// The whole file (std::runtime_error when it cannot be read), and writing a whole file anew
// (std::runtime_error when that fails).
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, std::string_view bytes);
bool FileExists(const std::wstring& path);
// Names of the entries of a folder (without . and ..), sorted.
std::vector<std::wstring> ListFolder(const std::wstring& folder);
// The user's temporary folder, without a trailing backslash.
std::wstring TemporaryFolder();

// The read-only, hidden, system and archive attributes of a file (INVALID_FILE_ATTRIBUTES
// when it is missing).
DWORD ShownAttributes(const std::wstring& path);
// What this platform shows of those four for a file whose attributes were set to `value`, seen
// on a fresh scratch file. Wine, for one, shows every file as archived and, for an unprivileged
// user, drops hidden and system when read-only is set in the same call.
DWORD ShownAttributesAfterSetting(DWORD value);

bool RunningUnderWine();

// ---- pixels ----------------------------------------------------------------------------------

// The colour of a pixel of a 32-bit DIB-section bitmap, read from its memory, as 0x00BBGGRR.
COLORREF PixelOf(TBitmap& bitmap, int x, int y);
// The pixels of any bitmap (device-dependent or not, any depth) as 0x00BBGGRR values, rows
// top-down, read through a 32-bit copy.
std::vector<uint32_t> PixelsOf(TBitmap& bitmap);
// The pixels of a device context's area (x, y, width, height) as 0x00BBGGRR values.
std::vector<uint32_t> PixelsOf(HDC dc, int x, int y, int width, int height);
// The bitmap as rows of characters, one per pixel, using `legend` (colour -> character);
// colours missing from the legend show as '?'.
std::vector<std::string> PictureOf(TBitmap& bitmap, const std::map<COLORREF, char>& legend);
// A 32-bit bitmap of the given size filled with one colour.
void MakeFilled32(TBitmap& bitmap, int width, int height, TColor color);
// A 32-bit DIB-section bitmap whose pixel (x, y) holds the four bytes of `bgrx(x, y)` (blue in
// bits 0-7, green 8-15, red 16-23, the fourth byte 24-31).
void MakeBitmap32(TBitmap& bitmap, int width, int height,
                  const std::function<uint32_t(int x, int y)>& bgrx);
// The four bytes of pixel (x, y) of a 32-bit DIB-section bitmap, packed as above.
uint32_t Bytes32(TBitmap& bitmap, int x, int y);
// 0x00BBGGRR from four packed bytes as above (the fourth byte dropped).
inline uint32_t ColourOfBytes(uint32_t bgrx) {
  return (bgrx >> 16 & 0xFF) | (bgrx & 0xFF00) | (bgrx & 0xFF) << 16;
}

// A 32-bit top-down picture of what a control paints: its background is first filled with
// `background`, then the control paints into it through its own painting path (WM_ERASEBKGND
// and WM_PAINT with the bitmap's device context, as double-buffered painting does); windowless
// children of a windowed control paint over it. Pixels are 0x00BBGGRR.
struct Rendering {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels.at(static_cast<size_t>(y) * width + x); }
};
Rendering RenderControl(TControl& control, COLORREF background = RGB(1, 2, 3));
// The smallest rectangle holding every pixel of `color` inside `area` of a rendering (right and
// bottom exclusive); an empty rectangle (all zero) when there is none.
RECT BoundsOfColor(const Rendering& rendering, COLORREF color, const RECT& area);
// What a window shows on the screen now (BitBlt from its window device context after its
// pending painting ran); for controls that only paint in their window, such as wrapped system
// controls. The area must not be covered by another window.
Rendering CaptureWindow(HWND window);

// ---- window regions --------------------------------------------------------------------------

// A horizontal run of a region's row y: columns left .. right - 1.
struct RegionRun {
  int y = 0;
  int left = 0;
  int right = 0;
  bool operator==(const RegionRun&) const = default;
  friend std::ostream& operator<<(std::ostream& os, const RegionRun& r) {
    return os << "y" << r.y << "[" << r.left << "," << r.right << ")";
  }
};
// The window's region as runs, rows from the top, touching runs of a row joined (empty when the
// window has no region or an empty one; `has_region` tells which).
std::vector<RegionRun> WindowRegionRuns(HWND window, bool* has_region = nullptr);
// The runs of the points (x, y) of a width x height area for which `inside` holds.
std::vector<RegionRun> RunsOf(int width, int height,
                              const std::function<bool(int x, int y)>& inside);

// ---- design loading --------------------------------------------------------------------------

// Simulates the design reader for one component: marks it loading, runs `set_properties` (the
// stored properties through their setters), then calls Loaded, which clears the mark.
void LoadAsDesigned(TComponent& component, const std::function<void()>& set_properties);

// ---- input -----------------------------------------------------------------------------------

// Mouse messages to a windowed control at client point (x, y), through the message queue (so
// the application's message handling sees them as it sees real input), then pumped. `keys` are
// the MK_ flags of the message.
void PostMouse(HWND window, UINT message, int x, int y, WPARAM keys = 0);
// Moves the real pointer to a client point of a window (the framework's mouse enter/leave
// tracking follows the real pointer), then pumps.
void MoveRealPointer(HWND window, int x, int y);
// Key down and up of a virtual key through the message queue to the window that has the focus
// (or `window`), then pumped.
void PostKeyDown(HWND window, WORD vk);
void PostKeyUp(HWND window, WORD vk);
// A real mouse event (SendInput) at a screen point: the pointer moves there, and `flags` may add
// a button press or release (MOUSEEVENTF_LEFTDOWN ...). For paths that need the system's own
// input, such as its window-move loop.
void SendRealMouse(int screen_x, int screen_y, DWORD flags = 0);
// Holds modifier keys (VK_SHIFT, VK_CONTROL, VK_MENU) in this thread's keyboard state for the
// object's lifetime, so GetKeyState sees them while posted key messages are handled.
class HeldModifiers {
 public:
  explicit HeldModifiers(std::initializer_list<int> keys);
  ~HeldModifiers();
  HeldModifiers(const HeldModifiers&) = delete;
  HeldModifiers& operator=(const HeldModifiers&) = delete;

 private:
  BYTE saved_[256] = {};
};

// ---- loading ---------------------------------------------------------------------------------


// ---- message boxes ---------------------------------------------------------------------------

// What a message box showed.
struct SeenMessageBox {
  std::wstring caption;
  std::wstring text;
  std::vector<std::wstring> buttons;
  bool has_icon = false;
  HICON icon = nullptr;
};

// Watches, on a thread of its own, for message boxes of this process; records each one and
// closes it with its button number `answer_button` (0: the first). Stops when destroyed.
class MessageBoxWatcher {
 public:
  explicit MessageBoxWatcher(int answer_button = 0);
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  int Count() const { return count_.load(); }
  // Boxes seen so far (read after the call that showed them has returned).
  std::vector<SeenMessageBox> Seen();

 private:
  void Run();
  void Answer(HWND box);

  int answer_button_;
  std::atomic<bool> stop_{false};
  std::atomic<int> count_{0};
  Lock lock_;
  std::vector<SeenMessageBox> seen_;
  std::thread thread_;
};

// ---- failures --------------------------------------------------------------------------------

// The framework exception an action raised, if any.
struct Failure {
  bool thrown = false;
  std::string class_name;  // the exception's class name
  std::string message;
};
Failure FailureOf(const std::function<void()>& action);

// Records the application's exception reports (Application()->OnException) for the lifetime of
// the object, with the thread each came from.
class ReportedFailures {
 public:
  ReportedFailures();
  ~ReportedFailures();
  ReportedFailures(const ReportedFailures&) = delete;
  ReportedFailures& operator=(const ReportedFailures&) = delete;
  std::vector<std::string> Messages();
  std::vector<DWORD> Threads();

 private:
  std::mutex mutex_;
  std::vector<std::string> messages_;
  std::vector<DWORD> threads_;
};

// ---- time and memory -------------------------------------------------------------------------

// Milliseconds of the performance counter (finer than the system tick).
int64_t NowMs();
// The bytes of memory the process has in use now (its working set).
uint64_t WorkingSetBytes();

// ---- watchdog --------------------------------------------------------------------------------

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

// ---- GDI objects -----------------------------------------------------------------------------

// The GDI objects and window device contexts the framework's handle owners hold now.
inline long LiveGdiObjects() { return win::LiveGdiObjects(); }

}  // namespace vornada::testing
