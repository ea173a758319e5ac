// Tests of the portable base classes: component ownership and the order components are freed
// in, removal notifications, string lists and their line splitting, memory and byte streams at
// their edges, and the message formatting of the framework's exceptions.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Classes.h"
#include "Lock.h"
#include "ScopeExit.h"
#include "SysUtils.h"

namespace vornada {
namespace {

// A component that writes its name to a shared log when it is freed and when it hears of the
// removal of another component.
class LoggingComponent : public TComponent {
 public:
  LoggingComponent(TComponent* owner, std::string name, std::vector<std::string>& log)
      : TComponent(owner), log_(log) {
    SetName(std::move(name));
  }
  ~LoggingComponent() override {
    log_.push_back("free " + Name() + (IsDestroying() ? " (by owner)" : ""));
    if (also_free_ != nullptr) delete also_free_;
  }
  // A component this one frees in its destructor (a sibling under the same owner).
  void AlsoFree(TComponent* other) { also_free_ = other; }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove)
      log_.push_back(Name() + " heard " + component->Name() + " removed");
  }

 private:
  std::vector<std::string>& log_;
  TComponent* also_free_ = nullptr;
};

using Log = std::vector<std::string>;

TEST(Component, OwnerFreesOwnedComponentsNewestFirst) {
  Log log;
  auto* owner = new LoggingComponent(nullptr, "owner", log);
  new LoggingComponent(owner, "a", log);
  new LoggingComponent(owner, "b", log);
  new LoggingComponent(owner, "c", log);
  ASSERT_EQ(owner->ComponentCount(), 3);
  EXPECT_EQ(owner->Components(0)->Name(), "a");
  EXPECT_EQ(owner->FindComponent("b"), owner->Components(1));
  EXPECT_EQ(owner->FindComponent("missing"), nullptr);
  log.clear();
  delete owner;
  // Each owned component is freed while the owner is being destroyed, newest first.
  std::vector<std::string> frees;
  for (const auto& line : log)
    if (line.rfind("free ", 0) == 0) frees.push_back(line);
  EXPECT_EQ(frees, (std::vector<std::string>{"free owner", "free c (by owner)", "free b (by owner)",
                                             "free a (by owner)"}));
}

TEST(Component, FreedEarlyLeavesItsOwnerAndSiblingsHearOfIt) {
  Log log;
  LoggingComponent owner(nullptr, "owner", log);
  auto* a = new LoggingComponent(&owner, "a", log);
  auto* b = new LoggingComponent(&owner, "b", log);
  new LoggingComponent(&owner, "c", log);
  delete b;
  EXPECT_EQ(owner.ComponentCount(), 2);
  EXPECT_EQ(owner.FindComponent("b"), nullptr);
  // (The owner passes the news to its other components before it logs its own.)
  EXPECT_EQ(log, (Log{"free b", "a heard b removed", "c heard b removed", "owner heard b removed"}));
  EXPECT_EQ(a->Owner(), &owner);
}

TEST(Component, ComponentFreeingASiblingDuringTheOwnersDestructionIsSafe) {
  Log log;
  auto* owner = new LoggingComponent(nullptr, "owner", log);
  auto* a = new LoggingComponent(owner, "a", log);
  new LoggingComponent(owner, "b", log);
  auto* c = new LoggingComponent(owner, "c", log);
  c->AlsoFree(a);  // the newest frees the oldest while the owner runs down its list
  log.clear();
  delete owner;
  std::vector<std::string> frees;
  for (const auto& line : log)
    if (line.rfind("free ", 0) == 0) frees.push_back(line);
  EXPECT_EQ(frees, (std::vector<std::string>{"free owner", "free c (by owner)", "free a (by owner)",
                                             "free b (by owner)"}));
}

TEST(Component, NestedOwnersFreeTheirOwnComponents) {
  Log log;
  {
    LoggingComponent top(nullptr, "top", log);
    auto* middle = new LoggingComponent(&top, "middle", log);
    new LoggingComponent(middle, "leaf", log);
    new LoggingComponent(&top, "last", log);
    log.clear();
  }
  std::vector<std::string> frees;
  for (const auto& line : log)
    if (line.rfind("free ", 0) == 0) frees.push_back(line);
  EXPECT_EQ(frees, (std::vector<std::string>{"free top", "free last (by owner)",
                                             "free middle (by owner)", "free leaf (by owner)"}));
}

// ---- string lists ---------------------------------------------------------------------------

TEST(Component, FreeNotificationReachesComponentsOfOtherOwners) {
  std::vector<std::string> log;
  auto* owner_a = new TComponent(nullptr);
  auto* owner_b = new TComponent(nullptr);
  auto* a = new LoggingComponent(owner_a, "a", log);
  auto* b = new LoggingComponent(owner_b, "b", log);
  auto* c = new LoggingComponent(owner_b, "c", log);
  a->FreeNotification(b);
  a->FreeNotification(b);  // asked twice, told once
  a->FreeNotification(c);
  a->RemoveFreeNotification(c);
  delete b;
  // a hears of b (asked), c hears of b as its sibling; nothing is said of c.
  EXPECT_EQ(log, (std::vector<std::string>{"free b", "a heard b removed", "c heard b removed"}));
  log.clear();
  delete c;
  EXPECT_EQ(log, (std::vector<std::string>{"free c"}));
  log.clear();
  // The link works both ways: freeing the asker tells the other side, and a link ended by a
  // component's end is not used again.
  auto* d = new LoggingComponent(owner_b, "d", log);
  a->FreeNotification(d);
  delete a;
  EXPECT_EQ(log, (std::vector<std::string>{"free a", "d heard a removed"}));
  log.clear();
  delete owner_b;
  EXPECT_EQ(log, (std::vector<std::string>{"free d (by owner)"}));
  delete owner_a;
}

TEST(StringList, AddInsertPutDeleteKeepOrder) {
  TStringList list;
  EXPECT_EQ(list.Add("b"), 0);
  EXPECT_EQ(list.Add("d"), 1);
  list.Insert(0, "a");
  list.Insert(2, "c");
  list.Insert(4, "e");  // at the end
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\ne\r\n");
  list.Put(1, "B");
  list.Delete(0);
  list.Delete(3);
  EXPECT_EQ(list.Text(), "B\r\nc\r\nd\r\n");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Text(), "");
}

TEST(StringList, IndexOutsideTheListFailsWithTheIndex) {
  TStringList list;
  list.Add("only");
  struct Case {
    const char* what;
    std::function<void()> call;
    const char* message;
  };
  const Case cases[] = {
      {"get past end", [&] { list.Get(1); }, "List index out of bounds (1)"},
      {"get negative", [&] { list.Get(-1); }, "List index out of bounds (-1)"},
      {"put past end", [&] { list.Put(1, "x"); }, "List index out of bounds (1)"},
      {"delete past end", [&] { list.Delete(1); }, "List index out of bounds (1)"},
      {"insert beyond end", [&] { list.Insert(2, "x"); }, "List index out of bounds (2)"},
      {"insert negative", [&] { list.Insert(-1, "x"); }, "List index out of bounds (-1)"},
  };
  for (const Case& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.what << ": no failure";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), c.message) << c.what;
    }
  }
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Get(0), "only");
}

TEST(StringList, AssignCopiesStringsAndRefusesOtherClasses) {
  TStringList source;
  source.SetText("one\r\ntwo");
  TStringList copy;
  copy.Add("old");
  copy.Assign(&source);
  EXPECT_EQ(copy.Text(), "one\r\ntwo\r\n");
  copy.Assign(&copy);  // itself: unchanged
  EXPECT_EQ(copy.Count(), 2);

  TComponent component(nullptr);
  try {
    copy.Assign(&component);
    ADD_FAILURE() << "assigning a component to a string list must fail";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TStringList");
  }
  try {
    copy.Assign(nullptr);
    ADD_FAILURE() << "assigning nothing to a string list must fail";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a nil to a TStringList");
  }
  EXPECT_EQ(copy.Count(), 2);
}

struct SplitCase {
  const char* name;
  std::string text;
  std::vector<std::string> lines;
  friend void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }
};

class StringsSetText : public ::testing::TestWithParam<SplitCase> {};

TEST_P(StringsSetText, SplitsAtEveryKindOfLineBreak) {
  TStringList list;
  list.Add("previous content");
  list.SetText(GetParam().text);
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Get(i));
  EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StringsSetText,
    ::testing::Values(
        SplitCase{"empty", "", {}},
        SplitCase{"one_line", "a", {"a"}},
        SplitCase{"final_crlf", "a\r\n", {"a"}},
        SplitCase{"crlf", "a\r\nb", {"a", "b"}},
        SplitCase{"lf", "a\nb\n", {"a", "b"}},
        SplitCase{"cr", "a\rb\r", {"a", "b"}},
        SplitCase{"cr_crlf", "a\r\r\nb", {"a", "", "b"}},
        SplitCase{"lf_cr", "a\n\rb", {"a", "", "b"}},
        SplitCase{"only_break", "\r\n", {""}},
        SplitCase{"two_breaks", "\r\n\r\n", {"", ""}},
        SplitCase{"empty_last_line", "a\r\n\r\n", {"a", ""}},
        SplitCase{"leading_break", "\nx", {"", "x"}},
        SplitCase{"zero_byte_kept", std::string("a\0b\r\nc", 6), {std::string("a\0b", 3), "c"}},
        SplitCase{"cp1251_bytes", "\xCF\xF0\xE8\r\n\x98", {"\xCF\xF0\xE8", "\x98"}}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(StringsSetText, TextOfTheSplitLinesEndsEveryLineWithCrLf) {
  TStringList list;
  list.SetText("a\nb\rc");
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\n");
}

// ---- streams --------------------------------------------------------------------------------

std::string Contents(TMemoryStream& s) {
  return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

TEST(MemoryStream, WriteReadSeekAndSize) {
  TMemoryStream s;
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Write("hello", 5), 5);
  EXPECT_EQ(s.Position(), 5);
  EXPECT_EQ(s.Seek(-2, TSeekOrigin::soEnd), 3);
  EXPECT_EQ(s.Write("p!", 2), 2);
  EXPECT_EQ(Contents(s), "help!");
  EXPECT_EQ(s.Seek(-4, TSeekOrigin::soCurrent), 1);
  char buffer[8] = {};
  EXPECT_EQ(s.Read(buffer, 8), 4);
  EXPECT_EQ(std::string(buffer, 4), "elp!");
  EXPECT_EQ(s.Read(buffer, 8), 0) << "nothing left at the end";
  EXPECT_EQ(s.Read(buffer, 0), 0);
  EXPECT_EQ(s.Read(buffer, -3), 0);
  EXPECT_EQ(s.Write(buffer, -3), 0);
  EXPECT_EQ(s.Size(), 5);
}

TEST(MemoryStream, WritingPastTheEndFillsTheGapWithZeros) {
  TMemoryStream s;
  s.Write("ab", 2);
  s.SetPosition(6);
  EXPECT_EQ(s.Size(), 2) << "seeking alone does not grow the stream";
  s.Write("z", 1);
  EXPECT_EQ(Contents(s), std::string("ab\0\0\0\0z", 7));
}

TEST(MemoryStream, SetSizeTruncatesAndKeepsThePositionInside) {
  TMemoryStream s;
  s.Write("abcdef", 6);
  s.SetSize(3);
  EXPECT_EQ(s.Position(), 3);
  EXPECT_EQ(Contents(s), "abc");
  s.SetSize(5);
  EXPECT_EQ(Contents(s), std::string("abc\0\0", 5));
  s.SetSize(-7);
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
}

TEST(MemoryStream, BeforeTheStartNothingIsReadOrWritten) {
  TMemoryStream s;
  s.Write("abcdef", 6);
  EXPECT_EQ(s.Seek(-3, TSeekOrigin::soBeginning), -3);
  char buffer[16];
  std::memset(buffer, '#', sizeof(buffer));
  EXPECT_EQ(s.Read(buffer, 16), 0);
  EXPECT_EQ(s.Read(buffer, 2), 0);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(s.Write("x", 1), 0);
  EXPECT_THROW(s.ReadBuffer(buffer, 1), EReadError);
  EXPECT_THROW(s.WriteBuffer("x", 1), EWriteError);
  EXPECT_EQ(Contents(s), "abcdef");
}

TEST(MemoryStream, ClearAndLoadFromStream) {
  const char bytes[] = "0123456789";
  TBytesStream source(bytes, 10);
  source.SetPosition(7);
  TMemoryStream s;
  s.Write("old", 3);
  s.LoadFromStream(source);
  EXPECT_EQ(Contents(s), "0123456789") << "the whole source, from its start";
  EXPECT_EQ(s.Position(), 0);
  TMemoryStream out;
  s.SaveToStream(out);
  EXPECT_EQ(Contents(out), "0123456789");
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
}

#if !defined(__has_feature)
#define VORNADA_NO_ASAN 1
#elif !__has_feature(address_sanitizer)
#define VORNADA_NO_ASAN 1
#endif

#if defined(VORNADA_NO_ASAN) && !defined(__SANITIZE_ADDRESS__)
// (AddressSanitizer stops the process on an allocation this size instead of failing it.)
TEST(MemoryStream, GrowingBeyondMemoryFailsWithOutOfMemoryAndKeepsTheData) {
  TMemoryStream s;
  s.Write("keep", 4);
  s.SetPosition(int64_t{1} << 60);
  try {
    s.Write("x", 1);
    ADD_FAILURE() << "a write at 2^60 cannot succeed";
  } catch (const EOutOfMemory& e) {
    EXPECT_EQ(e.Message(), "Out of memory while expanding memory stream");
  }
  EXPECT_THROW(s.SetSize(std::numeric_limits<int64_t>::max()), EOutOfMemory);
  EXPECT_EQ(Contents(s), "keep");
}
#endif

TEST(BytesStream, ReadsTheCallersBytesAndRefusesWriting) {
  const char bytes[] = {'a', 'b', 'c'};
  TBytesStream s(bytes, 3);
  EXPECT_EQ(s.Size(), 3);
  char buffer[4] = {};
  EXPECT_EQ(s.Read(buffer, 2), 2);
  EXPECT_EQ(s.Read(buffer + 2, 2), 1);
  EXPECT_EQ(std::string(buffer, 3), "abc");
  EXPECT_EQ(s.Read(buffer, 1), 0);
  EXPECT_EQ(s.Seek(-1, TSeekOrigin::soEnd), 2);
  EXPECT_EQ(s.Seek(-5, TSeekOrigin::soCurrent), -3);
  EXPECT_EQ(s.Read(buffer, 1), 0) << "before the start";
  EXPECT_EQ(s.Seek(10, TSeekOrigin::soBeginning), 10);
  EXPECT_EQ(s.Read(buffer, 1), 0) << "past the end";
  EXPECT_EQ(s.Write("x", 1), 0);
  try {
    s.WriteBuffer("x", 1);
    ADD_FAILURE() << "a byte stream cannot be written";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error");
  }
  EXPECT_THROW(s.SetSize(1), EWriteError);
}

TEST(Stream, ReadBufferFailsOnAShortReadWithStreamReadError) {
  const char bytes[] = {1, 2, 3};
  TBytesStream s(bytes, 3);
  char buffer[4];
  try {
    s.ReadBuffer(buffer, 4);
    ADD_FAILURE() << "four bytes from three";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
    EXPECT_STREQ(e.ClassName(), "EReadError");
  }
  // Zero bytes can always be read, also at the end.
  s.SetPosition(3);
  EXPECT_NO_THROW(s.ReadBuffer(buffer, 0));
  // An EReadError is a stream error.
  EXPECT_THROW(s.ReadBuffer(buffer, 1), EStreamError);
}

TEST(Stream, CopyFromCopiesCountBytesOrAllOfTheSource) {
  std::string big(200 * 1024, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  TBytesStream source(big.data(), static_cast<int64_t>(big.size()));
  TMemoryStream dest;
  source.SetPosition(100);
  EXPECT_EQ(dest.CopyFrom(source, 10), 10);
  EXPECT_EQ(Contents(dest), big.substr(100, 10));
  source.SetPosition(5000);
  TMemoryStream all;
  EXPECT_EQ(all.CopyFrom(source, 0), static_cast<int64_t>(big.size()));
  EXPECT_EQ(Contents(all), big) << "count 0 copies the whole source from its start";

  source.SetPosition(static_cast<int64_t>(big.size()) - 3);
  TMemoryStream short_copy;
  EXPECT_THROW(short_copy.CopyFrom(source, 4), EReadError);
}

TEST(Stream, CopyFromWithANegativeCountFailsWithoutCopying) {
  const char bytes[] = "abc";
  TBytesStream source(bytes, 3);
  TMemoryStream dest;
  EXPECT_THROW(dest.CopyFrom(source, -1), EReadError);
  EXPECT_THROW(dest.CopyFrom(source, std::numeric_limits<int64_t>::min()), EReadError);
  EXPECT_EQ(dest.Size(), 0);
}

// ---- exceptions ------------------------------------------------------------------------------

struct FormatCase {
  const char* name;
  std::string pattern;
  std::vector<std::string> args;
  std::string expected;
  friend void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }
};

class FormatMessage : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatMessage, ReplacesPlaceholdersInOrder) {
  const auto& c = GetParam();
  std::string result;
  switch (c.args.size()) {
    case 0: result = FormatMessageText(c.pattern, {}); break;
    case 1: result = FormatMessageText(c.pattern, {c.args[0]}); break;
    case 2: result = FormatMessageText(c.pattern, {c.args[0], c.args[1]}); break;
    default: result = FormatMessageText(c.pattern, {c.args[0], c.args[1], c.args[2]}); break;
  }
  EXPECT_EQ(result, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatMessage,
    ::testing::Values(
        FormatCase{"file_create", std::string(msg::kFCreateError), {"C:\\x\\hosts", "Access denied"},
                   "Cannot create file \"C:\\x\\hosts\". Access denied"},
        FormatCase{"list_index", std::string(msg::kListIndexError), {"-4"},
                   "List index out of bounds (-4)"},
        FormatCase{"assign", std::string(msg::kAssignError), {"TPicture", "TFont"},
                   "Cannot assign a TPicture to a TFont"},
        FormatCase{"percent", "100%% of %s", {"it"}, "100% of it"},
        FormatCase{"missing_argument", "%s and %s", {"one"}, "one and "},
        FormatCase{"extra_argument", "just %s", {"this", "not this"}, "just this"},
        FormatCase{"trailing_percent", "rate %", {}, "rate %"},
        FormatCase{"unknown_placeholder", "%x %s", {"a"}, "%x a"},
        FormatCase{"argument_with_placeholder", "%s%s", {"%s", "b"}, "%sb"},
        FormatCase{"no_placeholders", "plain", {"unused"}, "plain"}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(Exceptions, ClassNamesAndHierarchy) {
  const EFOpenError open_error("x");
  EXPECT_STREQ(open_error.ClassName(), "EFOpenError");
  EXPECT_NE(dynamic_cast<const EStreamError*>(&open_error), nullptr);
  const EOutOfResources resources("y");
  EXPECT_NE(dynamic_cast<const EOutOfMemory*>(&resources), nullptr);
  const EAbort aborted;
  EXPECT_EQ(aborted.Message(), "Operation aborted");
  EXPECT_STREQ(EInvalidGraphic("z").what(), "z");
}

}  // namespace
}  // namespace vornada

// The scope guard undoes on every way out but a dismissed one; the lock may be taken again by
// the thread that holds it.
TEST(ScopeExitAndLock, UndoRunsUnlessDismissed) {
  int undone = 0;
  try {
    vornada::ScopeExit undo([&] { ++undone; });
    throw std::runtime_error("fails");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(undone, 1);
  {
    vornada::ScopeExit undo([&] { ++undone; });
    undo.Dismiss();
  }
  EXPECT_EQ(undone, 1);
  vornada::Lock lock;
  vornada::ScopedLock outer(lock);
  EXPECT_TRUE(lock.TryEnter());
  lock.Leave();
}

// The lock counts its holds (a canvas reports its own through it) and keeps other threads out
// until the last one is left.
TEST(ScopeExitAndLock, LockCountsItsHoldsAndKeepsOtherThreadsOut) {
  vornada::Lock lock;
  EXPECT_EQ(lock.HoldCount(), 0);
  {
    vornada::ScopedLock outer(lock);
    vornada::ScopedLock inner(lock);
    EXPECT_EQ(lock.HoldCount(), 2);
    bool other = true;
    std::thread([&] { other = lock.TryEnter(); }).join();
    EXPECT_FALSE(other);
  }
  EXPECT_EQ(lock.HoldCount(), 0);
  bool other = false;
  std::thread([&] {
    other = lock.TryEnter();
    if (other) lock.Leave();
  }).join();
  EXPECT_TRUE(other);
}
