// Helpers shared by the framework's Windows tests: message pumping, scratch files, reading
// pixels of 32-bit bitmaps as text pictures, and a watcher that answers the message boxes a test
// provokes (reading their caption, text and buttons first).
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Forms.h"
#include "Graphics.h"

namespace vornada::testing {

// Runs the application's message handling for `ms` milliseconds (or until `done` holds).
inline void PumpMessages(int ms, const std::function<bool()>& done = nullptr) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    Application()->ProcessMessages();
    if (done && done()) return;
    ::Sleep(1);
  }
  Application()->ProcessMessages();
}

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
constexpr int kStageLeft = 0, kStageTop = 724;
inline ObservedForm& StageForm() {
  static ObservedForm* form = [] {
    auto* f = new ObservedForm(nullptr);
    f->SetBorderStyle(TFormBorderStyle::bsNone);
    f->SetBounds(kStageLeft, kStageTop, 400, 300);
    f->Show();
    PumpMessages(20);
    return f;
  }();
  return *form;
}

// Keeps a shown form until the program ends (see StageForm for why).
inline void KeepUntilExit(std::unique_ptr<TForm> form) {
  static std::vector<TForm*> kept;
  kept.push_back(form.release());
}

// A file name in the temporary folder, deleted again when the object goes.
class ScratchFile {
 public:
  explicit ScratchFile(const std::wstring& extension) {
    wchar_t dir[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, dir);
    static int counter = 0;
    path_ = std::wstring(dir) + L"vornada-fw-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter) + L"." + extension;
  }
  ~ScratchFile() { ::DeleteFileW(path_.c_str()); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

// The colour of a pixel of a 32-bit bitmap, read from its memory, as a COLORREF.
inline COLORREF PixelOf(TBitmap& bitmap, int x, int y) {
  const auto* row = static_cast<const uint8_t*>(bitmap.ScanLine(y));
  return RGB(row[x * 4 + 2], row[x * 4 + 1], row[x * 4 + 0]);
}

// The bitmap as rows of characters, one per pixel, using `legend` (colour -> character);
// colours missing from the legend show as '?'.
inline std::vector<std::string> PictureOf(TBitmap& bitmap, const std::map<COLORREF, char>& legend) {
  std::vector<std::string> rows;
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::string row;
    for (int x = 0; x < bitmap.Width(); ++x) {
      const auto it = legend.find(PixelOf(bitmap, x, y));
      row.push_back(it == legend.end() ? '?' : it->second);
    }
    rows.push_back(row);
  }
  return rows;
}

// A 32-bit bitmap of the given size filled with one colour.
inline void MakeFilled32(TBitmap& bitmap, int width, int height, TColor color) {
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  bitmap.SetSize(width, height);
  bitmap.Canvas().Brush().SetColor(color);
  const RECT all{0, 0, width, height};
  bitmap.Canvas().FillRect(all);
}

// What a message box showed.
struct SeenMessageBox {
  std::wstring caption;
  std::wstring text;
  std::vector<std::wstring> buttons;
  bool has_icon = false;
  HICON icon = nullptr;
};

// Watches, on a thread of its own, for message boxes of this process; records each one and
// closes it with its first button. Stops when destroyed.
class MessageBoxWatcher {
 public:
  MessageBoxWatcher() : thread_([this] { Run(); }) {}
  ~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
  }
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  int Count() const { return count_.load(); }
  // Boxes seen so far (read after the call that showed them has returned).
  std::vector<SeenMessageBox> Seen() {
    std::vector<SeenMessageBox> copy;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      copy = seen_;
    }
    return copy;
  }

 private:
  struct Search {
    DWORD pid;
    HWND found;
  };

  void Run() {
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

  void Answer(HWND box) {
    SeenMessageBox seen;
    wchar_t text[1024] = {};
    ::GetWindowTextW(box, text, 1024);
    seen.caption = text;
    HWND first_button = nullptr;
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      wchar_t cls[64] = {};
      ::GetClassNameW(child, cls, 64);
      wchar_t child_text[1024] = {};
      ::GetWindowTextW(child, child_text, 1024);
      const std::wstring class_name = cls;
      if (_wcsicmp(cls, L"Button") == 0) {
        seen.buttons.push_back(child_text);
        if (first_button == nullptr) first_button = child;
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
      std::lock_guard<std::mutex> lock(mutex_);
      seen_.push_back(seen);
    }
    ++count_;
    const int id = first_button != nullptr ? ::GetDlgCtrlID(first_button) : IDOK;
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(first_button));
    // Wait for the box to go before looking for the next one.
    for (int i = 0; i < 250 && ::IsWindow(box); ++i) ::Sleep(10);
  }

  std::atomic<bool> stop_{false};
  std::atomic<int> count_{0};
  std::mutex mutex_;
  std::vector<SeenMessageBox> seen_;
  std::thread thread_;
};

}  // namespace vornada::testing
