// Windows test helpers (see WinTestSupport.h).
#include "WinTestSupport.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "DcPixels.h"
#include "SysUtils.h"
#include "WinUtil.h"

namespace vornada::testing {

// ---- message loop ----------------------------------------------------------------------------

void PumpMessages(int ms, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    Application()->ProcessMessages();
    if (done && done()) return;
    ::Sleep(1);
  }
  Application()->ProcessMessages();
}

bool PumpUntil(const std::function<bool()>& done, int timeout_ms) {
  PumpMessages(timeout_ms, done);
  return done();
}

int PumpCountingTimerMessages(int ms) {
  int timers = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_TIMER && !Application()->IsPointerWatchTick(msg)) ++timers;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(1);
  }
  return timers;
}

// ---- the stage -------------------------------------------------------------------------------

namespace {
// Fails the running test, once per program, when ctest runs it without the desktop lock;
// `what` names the shared thing it used.
void ExpectDesktopLock(const char* what) {
  // ctest names every test program's share of the desktop in VORNADA_TEST_DESKTOP: "locked" for
  // the programs that hold the desktop lock, "shared" for the rest. Run by hand it is unset.
  char value[16] = {};
  const DWORD length = ::GetEnvironmentVariableA("VORNADA_TEST_DESKTOP", value, sizeof(value));
  if (length == 0 || length >= sizeof(value) || std::string_view(value) != "shared") return;
  static bool reported = false;
  if (reported) return;
  reported = true;
  ADD_FAILURE() << what << " is shared by every program on the desktop, but this test program "
                << "does not hold the desktop lock: ctest -j may run it beside another one that "
                << "uses it too. Give it the lock (vornada_desktop_lock in its CMakeLists).";
}
}  // namespace

ObservedForm& StageForm() {
  ExpectDesktopLock("The shown stage form");
  static ObservedForm* form = [] {
    auto* f = new ObservedForm(nullptr);
    f->SetBorderStyle(TFormBorderStyle::bsNone);
    f->SetBounds(kStageLeft, kStageTop, kStageWidth, kStageHeight);
    f->Show();
    PumpMessages(20);
    return f;
  }();
  return *form;
}

TPanel& StagePanel() {
  static TPanel* panel = [] {
    auto* p = new TPanel(&StageForm());
    p->SetParent(&StageForm());
    p->SetBevelOuter(TBevelCut::bvNone);
    p->SetParentColor(false);
    p->SetColor(RGB(10, 20, 30));
    p->SetBounds(0, 0, kStageWidth, kStageHeight);
    PumpMessages(20);
    return p;
  }();
  return *panel;
}

void KeepUntilExit(std::unique_ptr<TForm> form) {
  ExpectDesktopLock("A shown form");
  static std::vector<TForm*> kept;
  kept.push_back(form.release());
}

// ---- files -----------------------------------------------------------------------------------

ScratchFile::ScratchFile(const std::wstring& extension) {
  wchar_t dir[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, dir);
  static int counter = 0;
  path_ = std::wstring(dir) + L"vornada-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
          std::to_wstring(++counter) + L"." + extension;
}

ScratchFile::~ScratchFile() { ::DeleteFileW(path_.c_str()); }

namespace {
void RemoveTree(const std::wstring& path) {
  std::vector<std::pair<std::wstring, bool>> children;  // name, is a folder
  WIN32_FIND_DATAW data;
  if (win::UniqueFind find(::FindFirstFileW((path + L"\\*").c_str(), &data)); find) {
    do {
      const std::wstring name = data.cFileName;
      if (name != L"." && name != L"..")
        children.emplace_back(name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (::FindNextFileW(find.get(), &data));
  }
  for (const auto& [name, is_folder] : children) {
    const std::wstring child = path + L"\\" + name;
    ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (is_folder) {
      RemoveTree(child);
    } else {
      ::DeleteFileW(child.c_str());
    }
  }
  ::RemoveDirectoryW(path.c_str());
}
}  // namespace

ScratchDir::ScratchDir() {
  static std::atomic<unsigned> counter{0};
  for (;;) {
    path_ = TemporaryFolder() + L"\\vornada-test-" + std::to_wstring(::GetCurrentProcessId()) +
            L"-" + std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(counter++);
    if (::CreateDirectoryW(path_.c_str(), nullptr)) break;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("no scratch folder");
  }
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const std::wstring& name,
                                                     const wchar_t* value)
    : name_(name) {
  const DWORD needed = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (needed > 0) {
    std::wstring old(needed, L'\0');
    const DWORD got = ::GetEnvironmentVariableW(name.c_str(), old.data(), needed);
    if (got < needed) {
      old.resize(got);
      old_value_ = old;
      had_value_ = true;
    }
  }
  ::SetEnvironmentVariableW(name.c_str(), value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
  ::SetEnvironmentVariableW(name_.c_str(), had_value_ ? old_value_.c_str() : nullptr);
}

HostsUnderWindir::HostsUnderWindir(const std::wstring& windir)
    : windir_(L"WINDIR", windir.c_str()) {
  std::wstring dir = windir;
  for (const wchar_t* part : {L"\\System32", L"\\Drivers", L"\\etc"}) {
    dir += part;
    ::CreateDirectoryW(dir.c_str(), nullptr);
  }
  hosts_ = dir + L"\\hosts";
}

std::wstring HostsUnderWindir::EtcDir() const {
  return hosts_.substr(0, hosts_.size() - std::wstring_view(L"\\hosts").size());
}

std::string ReadBytes(const std::wstring& path) {
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) throw std::runtime_error("cannot open test file " + win::Utf8FromWide(path));
  std::string bytes;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr))
      throw std::runtime_error("cannot read test file " + win::Utf8FromWide(path));
    if (got == 0) return bytes;
    bytes.append(buffer, got);
  }
}

void WriteBytes(const std::wstring& path, std::string_view bytes) {
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw std::runtime_error("cannot create test file " + win::Utf8FromWide(path));
  DWORD put = 0;
  if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) ||
      put != bytes.size())
    throw std::runtime_error("cannot write test file " + win::Utf8FromWide(path));
}

bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  win::UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (::FindNextFileW(find.get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

std::wstring TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
  std::wstring folder(buffer, length <= MAX_PATH ? length : 0);
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

DWORD ShownAttributes(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return attributes;
  return attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                       FILE_ATTRIBUTE_ARCHIVE);
}

DWORD ShownAttributesAfterSetting(DWORD value) {
  ScratchDir dir;
  const std::wstring probe = dir.File(L"probe");
  WriteBytes(probe, "x");
  ::SetFileAttributesW(probe.c_str(), value);
  return ShownAttributes(probe);
}

bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// ---- pixels ----------------------------------------------------------------------------------

COLORREF PixelOf(TBitmap& bitmap, int x, int y) {
  const auto* row = static_cast<const uint8_t*>(bitmap.ScanLine(y));
  return RGB(row[x * 4 + 2], row[x * 4 + 1], row[x * 4 + 0]);
}

std::vector<uint32_t> PixelsOf(HDC dc, int x, int y, int width, int height) {
  try {
    return win::ReadDcPixels(dc, x, y, width, height);
  } catch (const EOutOfResources&) {
    return {};
  }
}

std::vector<uint32_t> PixelsOf(TBitmap& bitmap) {
  ScopedCanvasLock lock(bitmap.Canvas());
  return PixelsOf(bitmap.Canvas().Handle(), 0, 0, bitmap.Width(), bitmap.Height());
}

std::vector<std::string> PictureOf(TBitmap& bitmap, const std::map<COLORREF, char>& legend) {
  const std::vector<uint32_t> pixels = PixelsOf(bitmap);
  std::vector<std::string> rows;
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::string row;
    for (int x = 0; x < bitmap.Width(); ++x) {
      const auto it = legend.find(pixels[static_cast<size_t>(y) * bitmap.Width() + x]);
      row.push_back(it == legend.end() ? '?' : it->second);
    }
    rows.push_back(row);
  }
  return rows;
}

void MakeFilled32(TBitmap& bitmap, int width, int height, TColor color) {
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  bitmap.SetSize(width, height);
  bitmap.Canvas().Brush().SetColor(color);
  const RECT all{0, 0, width, height};
  bitmap.Canvas().FillRect(all);
}

void MakeBitmap32(TBitmap& bitmap, int width, int height,
                  const std::function<uint32_t(int x, int y)>& bgrx) {
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  bitmap.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<uint32_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < width; ++x) row[x] = bgrx(x, y);
  }
}

uint32_t Bytes32(TBitmap& bitmap, int x, int y) {
  ::GdiFlush();
  return static_cast<const uint32_t*>(bitmap.ScanLine(y))[x];
}

Rendering RenderControl(TControl& control, COLORREF background) {
  Rendering out;
  out.width = control.Width();
  out.height = control.Height();
  if (out.width <= 0 || out.height <= 0) return out;
  TBitmap target;
  MakeFilled32(target, out.width, out.height, static_cast<TColor>(background));
  {
    ScopedCanvasLock lock(target.Canvas());
    HDC dc = target.Canvas().Handle();
    if (auto* windowed = dynamic_cast<TWinControl*>(&control)) {
      windowed->HandleNeeded();
      windowed->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dc));
    }
    control.Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  }
  out.pixels = PixelsOf(target);
  return out;
}

RECT BoundsOfColor(const Rendering& rendering, COLORREF color, const RECT& area) {
  RECT box{0, 0, 0, 0};
  bool found = false;
  const int x0 = std::max<int>(area.left, 0), y0 = std::max<int>(area.top, 0);
  const int x1 = std::min<int>(area.right, rendering.width);
  const int y1 = std::min<int>(area.bottom, rendering.height);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      if (rendering.At(x, y) != color) continue;
      if (!found) {
        box = {x, y, x + 1, y + 1};
        found = true;
      }
      box.left = std::min<LONG>(box.left, x);
      box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1);
      box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  }
  return box;
}

Rendering CaptureWindow(HWND window) {
  Rendering out;
  ::UpdateWindow(window);
  Application()->ProcessMessages();
  RECT r{};
  ::GetWindowRect(window, &r);
  out.width = r.right - r.left;
  out.height = r.bottom - r.top;
  win::ScopedGetDC screen(nullptr);
  out.pixels = PixelsOf(screen, r.left, r.top, out.width, out.height);
  return out;
}

// ---- window regions --------------------------------------------------------------------------

std::vector<RegionRun> WindowRegionRuns(HWND window, bool* has_region) {
  std::vector<RegionRun> runs;
  win::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
  const int kind = ::GetWindowRgn(window, region.get());
  if (has_region != nullptr) *has_region = kind != ERROR;
  if (kind == ERROR || kind == NULLREGION) return runs;
  const DWORD size = ::GetRegionData(region.get(), 0, nullptr);
  std::vector<uint8_t> buffer(size);
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  if (::GetRegionData(region.get(), size, data) == 0) return runs;
  const auto* rects = reinterpret_cast<const RECT*>(data->Buffer);
  for (DWORD i = 0; i < data->rdh.nCount; ++i)
    for (int y = rects[i].top; y < rects[i].bottom; ++y)
      runs.push_back({y, static_cast<int>(rects[i].left), static_cast<int>(rects[i].right)});
  std::sort(runs.begin(), runs.end(), [](const RegionRun& a, const RegionRun& b) {
    return a.y != b.y ? a.y < b.y : a.left < b.left;
  });
  std::vector<RegionRun> joined;
  for (const RegionRun& r : runs) {
    if (!joined.empty() && joined.back().y == r.y && joined.back().right == r.left) {
      joined.back().right = r.right;
    } else {
      joined.push_back(r);
    }
  }
  return joined;
}

std::vector<RegionRun> RunsOf(int width, int height,
                              const std::function<bool(int x, int y)>& inside) {
  std::vector<RegionRun> runs;
  for (int y = 0; y < height; ++y) {
    int x = 0;
    while (x < width) {
      if (!inside(x, y)) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < width && inside(x, y)) ++x;
      runs.push_back({y, start, x});
    }
  }
  return runs;
}

// ---- design loading --------------------------------------------------------------------------

void LoadAsDesigned(TComponent& component, const std::function<void()>& set_properties) {
  component.SetComponentStateFlag(csLoading, true);
  if (set_properties) set_properties();
  component.Loaded();
}

// ---- input -----------------------------------------------------------------------------------

void PostMouse(HWND window, UINT message, int x, int y, WPARAM keys) {
  ::PostMessageW(window, message, keys, MAKELPARAM(x, y));
  PumpMessages(5);
}

void MoveRealPointer(HWND window, int x, int y) {
  ExpectDesktopLock("The mouse pointer");
  POINT p{x, y};
  ::ClientToScreen(window, &p);
  ::SetCursorPos(p.x, p.y);
  // The framework notices the pointer through WM_MOUSEMOVE; deliver one at the new place.
  ::PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  PumpMessages(20);
}

namespace {
void PostKey(HWND window, WORD vk, bool down) {
  HWND target = window != nullptr ? window : ::GetFocus();
  const UINT scan = ::MapVirtualKeyW(vk, 0 /* MAPVK_VK_TO_VSC */);
  LPARAM lparam = 1 | (static_cast<LPARAM>(scan) << 16);
  if (!down) lparam |= (1u << 30) | (1u << 31);
  const bool alt = (::GetKeyState(VK_MENU) & 0x8000) != 0;
  UINT message = down ? WM_KEYDOWN : WM_KEYUP;
  if (alt && vk != VK_MENU) {
    message = down ? WM_SYSKEYDOWN : WM_SYSKEYUP;
    lparam |= 1 << 29;
  }
  ::PostMessageW(target, message, vk, lparam);
  PumpMessages(5);
}
}  // namespace

void PostKeyDown(HWND window, WORD vk) { PostKey(window, vk, true); }
void PostKeyUp(HWND window, WORD vk) { PostKey(window, vk, false); }

void SendRealMouse(int screen_x, int screen_y, DWORD flags) {
  ExpectDesktopLock("The mouse pointer");
  INPUT input{};
  input.type = INPUT_MOUSE;
  const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
  // Absolute coordinates run from 0 to 65535 over the primary screen.
  input.mi.dx = static_cast<LONG>((static_cast<int64_t>(screen_x) * 65536 + w / 2) / w);
  input.mi.dy = static_cast<LONG>((static_cast<int64_t>(screen_y) * 65536 + h / 2) / h);
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  ::SendInput(1, &input, sizeof(input));
}

HeldModifiers::HeldModifiers(std::initializer_list<int> keys) {
  ::GetKeyboardState(saved_);
  BYTE state[256];
  std::copy(std::begin(saved_), std::end(saved_), state);
  for (int k : keys) {
    state[k] |= 0x80;
    if (k == VK_SHIFT) state[VK_LSHIFT] |= 0x80;
    if (k == VK_CONTROL) state[VK_LCONTROL] |= 0x80;
    if (k == VK_MENU) state[VK_LMENU] |= 0x80;
  }
  ::SetKeyboardState(state);
}

HeldModifiers::~HeldModifiers() { ::SetKeyboardState(saved_); }

// ---- loading ---------------------------------------------------------------------------------

// ---- message boxes ---------------------------------------------------------------------------

MessageBoxWatcher::MessageBoxWatcher(int answer_button)
    : answer_button_(answer_button), thread_([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
  stop_ = true;
  thread_.join();
}

std::vector<SeenMessageBox> MessageBoxWatcher::Seen() {
  ScopedLock hold(lock_);
  return seen_;
}

void MessageBoxWatcher::Run() {
  struct Search {
    DWORD pid;
    HWND found;
  };
  while (!stop_) {
    Search search{::GetCurrentProcessId(), nullptr};
    ::EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<Search*>(param);
          DWORD pid = 0;
          ::GetWindowThreadProcessId(hwnd, &pid);
          wchar_t cls[64] = {};
          ::GetClassNameW(hwnd, cls, 64);
          if (pid == s->pid && std::wstring(cls) == L"#32770" && ::IsWindowVisible(hwnd)) {
            s->found = hwnd;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) Answer(search.found);
    ::Sleep(20);
  }
}

void MessageBoxWatcher::Answer(HWND box) {
  SeenMessageBox seen;
  wchar_t text[1024] = {};
  ::GetWindowTextW(box, text, 1024);
  seen.caption = text;
  std::vector<HWND> buttons;
  for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[64] = {};
    ::GetClassNameW(child, cls, 64);
    wchar_t child_text[1024] = {};
    ::GetWindowTextW(child, child_text, 1024);
    if (_wcsicmp(cls, L"Button") == 0) {
      seen.buttons.push_back(child_text);
      buttons.push_back(child);
    } else if (_wcsicmp(cls, L"Static") == 0) {
      if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        seen.has_icon = true;
        seen.icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
      } else if (child_text[0] != L'\0') {
        seen.text = child_text;
      }
    }
  }
  {
    ScopedLock hold(lock_);
    seen_.push_back(seen);
  }
  ++count_;
  HWND button = answer_button_ >= 0 && static_cast<size_t>(answer_button_) < buttons.size()
                    ? buttons[static_cast<size_t>(answer_button_)]
                    : nullptr;
  const int id = button != nullptr ? ::GetDlgCtrlID(button) : IDOK;
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  // Wait for the box to go before looking for the next one.
  for (int i = 0; i < 250 && ::IsWindow(box); ++i) ::Sleep(10);
}

// ---- failures --------------------------------------------------------------------------------

Failure FailureOf(const std::function<void()>& action) {
  Failure failure;
  try {
    action();
  } catch (const Exception& e) {
    failure.thrown = true;
    failure.class_name = e.ClassName();
    failure.message = e.Message();
  }
  return failure;
}

ReportedFailures::ReportedFailures() {
  Application()->OnException = [this](TObject*, const std::exception& e) {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(e.what());
    threads_.push_back(::GetCurrentThreadId());
  };
}

ReportedFailures::~ReportedFailures() { Application()->OnException = nullptr; }

std::vector<std::string> ReportedFailures::Messages() {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

std::vector<DWORD> ReportedFailures::Threads() {
  std::lock_guard<std::mutex> lock(mutex_);
  return threads_;
}

// ---- time and memory -------------------------------------------------------------------------

int64_t NowMs() {
  LARGE_INTEGER frequency, counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return counter.QuadPart / frequency.QuadPart * 1000 +
         counter.QuadPart % frequency.QuadPart * 1000 / frequency.QuadPart;
}

uint64_t WorkingSetBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters))) return 0;
  return counters.WorkingSetSize;
}

// ---- watchdog --------------------------------------------------------------------------------

int64_t Watchdog::Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

Watchdog::Watchdog(std::string what, std::chrono::milliseconds limit)
    : what_(std::move(what)), limit_(limit), last_kick_(Now()) {
  thread_ = std::thread([this] {
    while (!stop_.load()) {
      if (Now() - last_kick_.load() > limit_.count()) {
        std::fprintf(stderr, "WATCHDOG: no progress for %lld ms in %s: deadlock?\n",
                     static_cast<long long>(limit_.count()), what_.c_str());
        std::fflush(stderr);
        std::_Exit(3);
      }
      ::Sleep(20);
    }
  });
}

Watchdog::~Watchdog() {
  stop_.store(true);
  thread_.join();
}

}  // namespace vornada::testing
