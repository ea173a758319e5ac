// Watching the clipboard's text by its sequence number: copying text shows at the next poll,
// emptying too; an unchanged clipboard is never opened, not even while another thread holds it
// open; a read that fails because the clipboard is held is tried again at the next poll.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <thread>

#include "ClipboardWatch_win.h"
#include "WinHandles.h"

namespace vornada {
namespace {

// Puts text on the clipboard (or empties it when `text` is null) from this thread.
void SetClipboard(const wchar_t* text) {
  const win::ScopedClipboard clipboard(nullptr);
  ASSERT_TRUE(clipboard.IsOpen());
  ASSERT_TRUE(::EmptyClipboard());
  if (text == nullptr) return;
  const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
  win::UniqueGlobal data(::GlobalAlloc(GMEM_MOVEABLE, bytes));
  ASSERT_TRUE(data);
  {
    const win::ScopedGlobalLock block(data.get());
    ASSERT_NE(block.get(), nullptr);
    std::memcpy(block.get(), text, bytes);
  }
  ASSERT_NE(::SetClipboardData(CF_UNICODETEXT, data.get()), nullptr);
  data.release();
}

// The real watch, counting how often it opens the clipboard.
struct CountingWatch {
  std::atomic<int> reads{0};
  TClipboardTextWatch watch{[] { return ::GetClipboardSequenceNumber(); },
                            [this] {
                              ++reads;
                              return ClipboardHoldsText(nullptr);
                            }};
};

// A thread that opens the clipboard and keeps it open until told to close it; meanwhile it can
// be told to put text on it (as another program copying would).
class ClipboardHolder {
 public:
  ClipboardHolder() {
    thread_ = std::thread([this] {
      // The clipboard is opened for a window of this thread, as a program holding it would.
      const win::UniqueWindow owner(::CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0,
                                                      HWND_MESSAGE, nullptr, nullptr, nullptr));
      opened_ = owner && ::OpenClipboard(owner.get()) != FALSE;
      ready_ = true;
      while (!release_) {
        if (copy_) {
          ::EmptyClipboard();
          const wchar_t text[] = L"copied while held";
          win::UniqueGlobal data(::GlobalAlloc(GMEM_MOVEABLE, sizeof(text)));
          {
            const win::ScopedGlobalLock block(data.get());
            std::memcpy(block.get(), text, sizeof(text));
          }
          if (::SetClipboardData(CF_UNICODETEXT, data.get()) != nullptr) data.release();
          copy_ = false;
        }
        ::Sleep(1);
      }
      if (opened_) ::CloseClipboard();
    });
    while (!ready_) ::Sleep(1);
  }
  ~ClipboardHolder() { Release(); }
  bool Opened() const { return opened_; }
  void Copy() {
    copy_ = true;
    while (copy_) ::Sleep(1);
  }
  void Release() {
    release_ = true;
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::atomic<bool> opened_{false};
  std::atomic<bool> ready_{false};
  std::atomic<bool> copy_{false};
  std::atomic<bool> release_{false};
  std::thread thread_;
};

TEST(ClipboardWatchTest, CopyingAndEmptyingShowAtTheNextPoll) {
  CountingWatch w;
  SetClipboard(nullptr);
  EXPECT_EQ(w.watch.Poll(), std::optional<bool>(false));  // first poll reads
  SetClipboard(L"some text");
  EXPECT_EQ(w.watch.Poll(), std::optional<bool>(true));
  SetClipboard(nullptr);
  EXPECT_EQ(w.watch.Poll(), std::optional<bool>(false));
  SetClipboard(L"");  // empty text counts as no text
  EXPECT_EQ(w.watch.Poll(), std::optional<bool>(false));
  SetClipboard(L"x");
  EXPECT_EQ(w.watch.Poll(), std::optional<bool>(true));
  EXPECT_EQ(w.reads.load(), 5);
}

TEST(ClipboardWatchTest, UnchangedClipboardIsNotOpened) {
  CountingWatch w;
  SetClipboard(L"text");
  EXPECT_EQ(w.watch.Poll(), std::optional<bool>(true));
  for (int i = 0; i < 100; ++i) EXPECT_EQ(w.watch.Poll(), std::nullopt);
  EXPECT_EQ(w.reads.load(), 1);
  // Reading the clipboard elsewhere does not change it.
  EXPECT_TRUE(ClipboardHoldsText(nullptr));
  EXPECT_EQ(w.watch.Poll(), std::nullopt);
  EXPECT_EQ(w.reads.load(), 1);
}

TEST(ClipboardWatchTest, HeldClipboardIsLeftAloneAndAFailedReadIsTriedAgain) {
  CountingWatch w;
  SetClipboard(nullptr);
  EXPECT_EQ(w.watch.Poll(), std::optional<bool>(false));
  ClipboardHolder holder;
  ASSERT_TRUE(holder.Opened());
  ASSERT_FALSE(win::ScopedClipboard(nullptr).IsOpen()) << "the holder does not hold it";
  // Unchanged while held: no attempt, nothing fails.
  for (int i = 0; i < 20; ++i) EXPECT_EQ(w.watch.Poll(), std::nullopt);
  EXPECT_EQ(w.reads.load(), 1);
  // Changed while held: the read fails, and fails again at the next poll (not recorded).
  holder.Copy();
  EXPECT_THROW(w.watch.Poll(), std::exception);
  EXPECT_THROW(w.watch.Poll(), std::exception);
  EXPECT_EQ(w.reads.load(), 3);
  // Released: the next poll reads the new text.
  holder.Release();
  EXPECT_EQ(w.watch.Poll(), std::optional<bool>(true));
  EXPECT_EQ(w.watch.Poll(), std::nullopt);
  EXPECT_EQ(w.reads.load(), 4);
}

TEST(ClipboardWatchTest, WithoutSequenceNumbersEveryPollReads) {
  int reads = 0;
  bool holds = false;
  TClipboardTextWatch watch([] { return DWORD{0}; }, [&] {
    ++reads;
    return holds;
  });
  EXPECT_EQ(watch.Poll(), std::optional<bool>(false));
  holds = true;
  EXPECT_EQ(watch.Poll(), std::optional<bool>(true));
  EXPECT_EQ(watch.Poll(), std::optional<bool>(true));
  EXPECT_EQ(reads, 3);
}

TEST(ClipboardWatchTest, ResetMakesTheNextPollRead) {
  int reads = 0;
  TClipboardTextWatch watch([] { return DWORD{7}; }, [&] {
    ++reads;
    return true;
  });
  EXPECT_EQ(watch.Poll(), std::optional<bool>(true));
  EXPECT_EQ(watch.Poll(), std::nullopt);
  watch.Reset();
  EXPECT_EQ(watch.Poll(), std::optional<bool>(true));
  EXPECT_EQ(reads, 2);
}

}  // namespace
}  // namespace vornada
