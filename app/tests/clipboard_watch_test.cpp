// Watching the clipboard's text by its sequence number: copying text shows at the next poll,
// emptying too; an unchanged clipboard is never opened, not even while another thread holds it
// open; a read that fails because the clipboard is held is tried again at the next poll. A watch
// that listens for change notices does not even ask for the sequence number while nothing
// changed, and still sees every change, made here or by another thread.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <cwchar>
#include <functional>
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

// Delivers the messages waiting for this thread (the clipboard's change notices among them).
void PumpPending() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

// A watch that listens for change notices, counting how often it asks for the sequence number
// and how often it opens the clipboard.
struct ListeningWatch {
  int sequence_queries = 0;
  int reads = 0;
  TClipboardTextWatch watch{[this] {
                              ++sequence_queries;
                              return ::GetClipboardSequenceNumber();
                            },
                            [this] {
                              ++reads;
                              return ClipboardHoldsText(nullptr);
                            },
                            TClipboardTextWatch::TNotices::Listen};
};

TEST(ClipboardWatchTest, ListeningWatchAsksNothingWhileUnchangedAndSeesEveryChange) {
  ListeningWatch w;
  ASSERT_TRUE(w.watch.Listening());
  SetClipboard(nullptr);
  PumpPending();
  EXPECT_EQ(w.watch.Poll(), std::optional<bool>(false));  // the first poll reads
  const struct {
    const char* name;
    std::function<void()> change;
    bool holds_text;
  } changes[] = {
      {"text copied here", [] { SetClipboard(L"some text"); }, true},
      {"emptied here", [] { SetClipboard(nullptr); }, false},
      {"text copied by another thread", [] { std::thread([] { SetClipboard(L"other"); }).join(); },
       true},
      {"emptied by another thread", [] { std::thread([] { SetClipboard(nullptr); }).join(); },
       false},
      {"empty text copied", [] { SetClipboard(L""); }, false},
  };
  for (const auto& c : changes) {
    SCOPED_TRACE(c.name);
    const int queries = w.sequence_queries;
    const int reads = w.reads;
    for (int i = 0; i < 50; ++i) {
      PumpPending();
      EXPECT_EQ(w.watch.Poll(), std::nullopt);
    }
    EXPECT_EQ(w.sequence_queries, queries) << "asked for the number of an unchanged clipboard";
    EXPECT_EQ(w.reads, reads);
    c.change();
    PumpPending();
    EXPECT_EQ(w.watch.Poll(), std::optional<bool>(c.holds_text));
    EXPECT_EQ(w.reads, reads + 1);
  }
  // A change noticed while another thread holds the clipboard: the read fails, and the next
  // polls try again without a further notice until the clipboard is free.
  SetClipboard(L"copied before the hold");
  {
    ClipboardHolder holder;
    ASSERT_TRUE(holder.Opened());
    PumpPending();
    const int reads = w.reads;
    EXPECT_THROW(w.watch.Poll(), std::exception);
    EXPECT_THROW(w.watch.Poll(), std::exception);
    EXPECT_EQ(w.reads, reads + 2);
    holder.Release();
  }
  PumpPending();
  EXPECT_EQ(w.watch.Poll(), std::optional<bool>(true));
  EXPECT_EQ(w.watch.Poll(), std::nullopt);
  // Reset: the next poll reads although nothing changed.
  w.watch.Reset();
  const int reads = w.reads;
  EXPECT_EQ(w.watch.Poll(), std::optional<bool>(true));
  EXPECT_EQ(w.reads, reads + 1);
}

}  // namespace
}  // namespace vornada
