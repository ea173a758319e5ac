// Tests of the window hooks of the skinned controls under Wine: the window's thirteen hooked
// controls (nine image buttons, three image check boxes, the image form skin) on one form, freed
// in shuffled orders many times; each survivor still hears the application window's and the
// form's messages, newest first, before the windows themselves; once the last is gone both
// windows have their original procedures. Also: the activation notice comes before the form
// handles it, none comes while no control has the focus, a failing handler does not keep the
// message from the form, and real minimise, restore and activation reach the survivors.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "SkImgBtn.h"
#include "SkImgCheckBox.h"
#include "SkImgForm.h"
#include "SkinTestSupport.h"
#include "WindowHook.h"

namespace vornada {
namespace {

using testing::PumpMessages;
using testing::StageForm;
using testing::StagePanel;

// What the hooked controls heard, in order: (control id, event).
struct Heard {
  int id;
  char event;  // 'a' activate, 'd' deactivate, 'm' minimise, 'r' restore
  bool operator==(const Heard&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Heard& h) { return os << h.id << h.event; }

enum class Kind { kButton, kCheckBox, kFormSkin };

class HookedSet {
 public:
  explicit HookedSet(std::vector<Heard>& log) : log_(log) {}
  ~HookedSet() {
    while (!live_.empty()) Free(live_.back().id);
  }

  void Create(int id, Kind kind) {
    TComponent* c = nullptr;
    switch (kind) {
      case Kind::kButton: {
        auto* b = new TSkImgBtn(&StageForm());
        b->SetParent(&StagePanel());
        b->SetBounds(300, 5 + id, 20, 10);
        b->OnFormActivate = [this, id](TObject*) { log_.push_back({id, 'a'}); };
        b->OnFormDeactivate = [this, id](TObject*) { log_.push_back({id, 'd'}); };
        c = b;
        break;
      }
      case Kind::kCheckBox: {
        auto* x = new TSkImgCheckBox(&StageForm());
        x->SetParent(&StagePanel());
        x->SetBounds(330, 5 + id, 20, 10);
        x->OnFormActivate = [this, id](TObject*) { log_.push_back({id, 'a'}); };
        x->OnFormDeactivate = [this, id](TObject*) { log_.push_back({id, 'd'}); };
        c = x;
        break;
      }
      case Kind::kFormSkin: {
        auto* f = new TSkImgForm(&StageForm());
        f->SetParent(&StageForm());
        f->OnActivate = [this, id](TObject*) { log_.push_back({id, 'a'}); };
        f->OnDeactivate = [this, id](TObject*) { log_.push_back({id, 'd'}); };
        f->OnMinimize = [this, id](TObject*) { log_.push_back({id, 'm'}); };
        f->OnRestore = [this, id](TObject*) { log_.push_back({id, 'r'}); };
        c = f;
        break;
      }
    }
    live_.push_back({id, kind, c});
  }

  void Free(int id) {
    auto it = std::find_if(live_.begin(), live_.end(), [&](const Entry& e) { return e.id == id; });
    ASSERT_NE(it, live_.end());
    delete it->component;
    live_.erase(it);
  }

  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (const Entry& e : live_) ids.push_back(e.id);
    return ids;
  }

  // What the live controls hear of a message, newest first: buttons and check boxes hear a
  // restore of the application as an activation of their form.
  std::vector<Heard> Expected(char event) const {
    std::vector<Heard> out;
    for (auto it = live_.rbegin(); it != live_.rend(); ++it) {
      const bool skin = it->kind == Kind::kFormSkin;
      if (event == 'm' && !skin) continue;
      out.push_back({it->id, event == 'r' && !skin ? 'a' : event});
    }
    return out;
  }

 private:
  struct Entry {
    int id;
    Kind kind;
    TComponent* component;
  };
  std::vector<Heard>& log_;
  std::vector<Entry> live_;
};

// Whether `expected` appears in `log` as one unbroken run (real input brings other messages too).
bool ContainsRun(const std::vector<Heard>& log, const std::vector<Heard>& expected) {
  return std::search(log.begin(), log.end(), expected.begin(), expected.end()) != log.end();
}

// A second top-level window's place: beside the stage, in the bottom left of the test screen.
constexpr int kOtherLeft = 410, kOtherTop = 990;

// The window's thirteen: nine buttons, three check boxes, one form skin.
std::vector<Kind> WindowKinds() {
  std::vector<Kind> kinds(9, Kind::kButton);
  kinds.insert(kinds.end(), 3, Kind::kCheckBox);
  kinds.push_back(Kind::kFormSkin);
  return kinds;
}

class Hooks : public ::testing::Test {
 protected:
  void SetUp() override {
    holder_ = std::make_unique<TPanel>(&StageForm());
    holder_->SetParent(&StagePanel());
    holder_->SetBounds(250, 250, 10, 10);
    holder_->SetFocus();  // the screen has an active control
    PumpMessages(10);
    app_ = Application()->Handle();
    form_ = StageForm().Handle();
    app_proc_ = ::GetWindowLongPtrW(app_, GWLP_WNDPROC);
    form_proc_ = ::GetWindowLongPtrW(form_, GWLP_WNDPROC);
  }
  void TearDown() override {
    Application()->OnException = nullptr;
    holder_.reset();
  }

  // Sends each kind of message and compares what was heard with what the set expects.
  void ExpectAllHear(const HookedSet& set, const std::string& when) {
    struct Probe {
      HWND window;
      UINT msg;
      WPARAM wparam;
      char event;
    };
    const Probe probes[] = {{app_, WM_SIZE, SIZE_RESTORED, 'r'},
                            {form_, WM_ACTIVATE, WA_INACTIVE, 'd'},
                            {form_, WM_ACTIVATE, WA_ACTIVE, 'a'}};
    for (const Probe& p : probes) {
      log_.clear();
      ::SendMessageW(p.window, p.msg, p.wparam, 0);
      ASSERT_EQ(log_, set.Expected(p.event)) << when << ", event " << p.event;
    }
  }

  std::unique_ptr<TPanel> holder_;
  HWND app_ = nullptr, form_ = nullptr;
  LONG_PTR app_proc_ = 0, form_proc_ = 0;
  std::vector<Heard> log_;
};

TEST_F(Hooks, ThirteenControlsFreedInShuffledOrdersKeepTheRestHooked) {
  ASSERT_NE(Screen()->ActiveControl(), nullptr);
  std::mt19937 random(8);
  for (int round = 0; round < 12; ++round) {
    std::vector<Kind> kinds = WindowKinds();
    std::shuffle(kinds.begin(), kinds.end(), random);
    {
      HookedSet set(log_);
      for (int id = 0; id < 13; ++id) set.Create(id, kinds[static_cast<size_t>(id)]);
      ExpectAllHear(set, "all thirteen");
      std::vector<int> order = set.Ids();
      std::shuffle(order.begin(), order.end(), random);
      const size_t first_batch = 1 + static_cast<size_t>(random() % 12);
      for (size_t i = 0; i < order.size(); ++i) {
        set.Free(order[i]);
        if (i + 1 == first_batch || i + 1 == order.size() - 1)
          ExpectAllHear(set, "round " + std::to_string(round) + " after " +
                                 std::to_string(i + 1) + " freed");
      }
      EXPECT_TRUE(set.Ids().empty());
    }
    ASSERT_EQ(::GetWindowLongPtrW(app_, GWLP_WNDPROC), app_proc_) << "round " << round;
    ASSERT_EQ(::GetWindowLongPtrW(form_, GWLP_WNDPROC), form_proc_) << "round " << round;
    log_.clear();
    ::SendMessageW(app_, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_TRUE(log_.empty());
  }
}

TEST_F(Hooks, TheFormHearsItsActivationAfterTheControls) {
  TSkImgBtn button(&StageForm());
  button.SetParent(&StagePanel());
  std::vector<bool> form_active_then;
  button.OnFormActivate = [&](TObject* s) {
    EXPECT_EQ(s, &button);
    form_active_then.push_back(StageForm().Active());
  };
  ::SendMessageW(form_, WM_ACTIVATE, WA_INACTIVE, 0);
  ASSERT_FALSE(StageForm().Active());
  ::SendMessageW(form_, WM_ACTIVATE, WA_CLICKACTIVE, 0);
  EXPECT_EQ(form_active_then, std::vector<bool>{false}) << "the form had not handled it yet";
  EXPECT_TRUE(StageForm().Active()) << "then it did";
}

TEST_F(Hooks, NoActivationNoticeWhileNoControlHasTheFocus) {
  TSkImgBtn button(&StageForm());
  button.SetParent(&StagePanel());
  int heard = 0;
  button.OnFormActivate = [&](TObject*) { ++heard; };
  // Activations of the stage that arrive while the screen has no active control (this hook is
  // newer than the button's, so it sees each message first).
  int unnoticed = 0;
  TWindowHook watch;
  ASSERT_TRUE(watch.Install(form_, [&](TMessage& m) {
    if (m.Msg == WM_ACTIVATE && LOWORD(m.WParam) != WA_INACTIVE &&
        Screen()->ActiveControl() == nullptr)
      ++unnoticed;
  }));
  {
    // The focused control belongs to another form; when that form goes, so does the screen's
    // active control, and the system hands the activation back to the stage.
    TForm other(nullptr);
    other.SetBorderStyle(TFormBorderStyle::bsNone);
    other.SetBounds(kOtherLeft, kOtherTop, 30, 20);
    auto* focused = new TPanel(&other);
    focused->SetParent(&other);
    focused->SetBounds(0, 0, 10, 10);
    other.Show();
    focused->SetFocus();
    PumpMessages(20);
    ASSERT_EQ(Screen()->ActiveControl(), focused);
  }
  if (Screen()->ActiveControl() == nullptr) ::SendMessageW(form_, WM_ACTIVATE, WA_ACTIVE, 0);
  PumpMessages(20);
  EXPECT_GT(unnoticed, 0) << "the stage was activated while no control had the focus";
  EXPECT_EQ(heard, 0);
}

TEST_F(Hooks, AFailingHandlerDoesNotKeepTheMessageFromTheForm) {
  std::vector<std::string> reported;
  Application()->OnException = [&](TObject*, const std::exception& e) {
    reported.push_back(e.what());
  };
  TSkImgBtn button(&StageForm());
  button.SetParent(&StagePanel());
  button.OnFormDeactivate = [](TObject*) { throw Exception("handler failed"); };
  ::SendMessageW(form_, WM_ACTIVATE, WA_ACTIVE, 0);
  ASSERT_TRUE(StageForm().Active());
  ::SendMessageW(form_, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(reported, std::vector<std::string>{"handler failed"});
  EXPECT_FALSE(StageForm().Active()) << "the form handled the deactivation all the same";
}

// A form whose window belongs to another thread cannot be hooked from this one: creating a
// control on it fails with the stub error, and the application window's hook it had already
// made is undone.
TEST_F(Hooks, AFormThatCannotBeHookedFailsTheControlsCreation) {
  // The other thread owns the form's window and handles its messages; both threads keep
  // handling the messages they send each other while they wait.
  std::unique_ptr<TForm> foreign;
  std::atomic<bool> ready{false}, done{false}, finished{false};
  std::thread owner([&] {
    foreign = std::make_unique<TForm>(nullptr);
    foreign->HandleNeeded();
    ready = true;
    while (!done) {
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    foreign.reset();
    finished = true;
  });
  ASSERT_TRUE(testing::PumpUntil([&] { return ready.load(); }, 10000));
  std::vector<std::string> errors;
  const auto create = [&](auto make) {
    try {
      make();
      errors.push_back("created");
    } catch (const EOutOfResources& e) {
      errors.push_back(e.what());
    }
  };
  create([&] { TSkImgBtn b(foreign.get()); });
  create([&] { TSkImgCheckBox b(foreign.get()); });
  create([&] { TSkImgForm f(foreign.get()); });
  EXPECT_EQ(errors, std::vector<std::string>(3, "Error: WndProc pointer = nil"));
  EXPECT_EQ(foreign->ComponentCount(), 0);
  EXPECT_EQ(::GetWindowLongPtrW(app_, GWLP_WNDPROC), app_proc_) << "no hook left behind";
  done = true;
  testing::PumpUntil([&] { return finished.load(); }, 10000);
  owner.join();
}

TEST_F(Hooks, RealMinimiseRestoreAndActivationReachTheSurvivors) {
  HookedSet set(log_);
  const std::vector<Kind> kinds = WindowKinds();
  for (int id = 0; id < 13; ++id) set.Create(id, kinds[static_cast<size_t>(id)]);
  for (int id : {4, 12, 0, 7, 9, 2}) set.Free(id);  // the form skin (12) among them
  set.Create(20, Kind::kFormSkin);
  ::ShowWindow(app_, SW_SHOWNA);
  PumpMessages(20);

  log_.clear();
  Application()->Minimize();
  PumpMessages(20);
  std::vector<Heard> minimised = log_;
  std::erase_if(minimised, [](const Heard& h) { return h.event != 'm'; });
  EXPECT_EQ(minimised, set.Expected('m'));
  log_.clear();
  Application()->Restore();
  PumpMessages(20);
  EXPECT_TRUE(ContainsRun(log_, set.Expected('r'))) << ::testing::PrintToString(log_);

  // The stage form is active; another window takes the activation, then the stage gets it back.
  ::SetForegroundWindow(form_);
  ::SetActiveWindow(form_);
  PumpMessages(30);
  ASSERT_EQ(::GetActiveWindow(), form_);
  log_.clear();
  TForm other(nullptr);
  other.SetBorderStyle(TFormBorderStyle::bsNone);
  other.SetBounds(kOtherLeft, kOtherTop, 30, 20);
  other.Show();
  ::SetForegroundWindow(other.Handle());
  ::SetActiveWindow(other.Handle());
  PumpMessages(30);
  ASSERT_NE(::GetActiveWindow(), form_);
  EXPECT_TRUE(ContainsRun(log_, set.Expected('d'))) << ::testing::PrintToString(log_);
  log_.clear();
  ::SetForegroundWindow(form_);
  ::SetActiveWindow(form_);
  PumpMessages(30);
  EXPECT_TRUE(ContainsRun(log_, set.Expected('a'))) << ::testing::PrintToString(log_);
  other.Hide();
  PumpMessages(10);
}

}  // namespace
}  // namespace vornada
