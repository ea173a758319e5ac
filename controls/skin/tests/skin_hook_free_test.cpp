// Tests under Wine, with freed memory poisoned, of a skinned control freed by its own event
// handler while the control's window hook is handling the message that fired the event: the
// program goes on, the message still reaches the hooked window (and the older hooks on it), and
// nothing of the freed control is touched afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "SkImgBtn.h"
#include "SkImgCheckBox.h"
#include "SkImgForm.h"
#include "SkinTestSupport.h"

namespace vornada {
namespace {

using testing::PumpMessages;
using testing::StageForm;
using testing::StagePanel;

enum class Target { kApplication, kForm };

struct FreeCase {
  const char* name;
  // Makes the control on the stage with `free_self` as the handler of the event under test.
  std::function<TComponent*(const TNotifyEvent& free_self)> make;
  Target target;
  UINT msg;
  WPARAM wparam;
  friend void PrintTo(const FreeCase& c, std::ostream* os) { *os << c.name; }
};

TSkImgBtn* MakeButton() {
  auto* b = new TSkImgBtn(&StageForm());
  b->SetParent(&StagePanel());
  b->SetBounds(300, 10, 20, 10);
  b->SetActivateAuto(true);  // the button changes itself after the handler ran
  return b;
}

TSkImgCheckBox* MakeCheckBox() {
  auto* x = new TSkImgCheckBox(&StageForm());
  x->SetParent(&StagePanel());
  x->SetBounds(330, 10, 20, 10);
  return x;
}

TSkImgForm* MakeFormSkin() {
  auto* f = new TSkImgForm(&StageForm());
  f->SetParent(&StageForm());
  return f;
}

const FreeCase kCases[] = {
    {"form_skin_on_activate",
     [](const TNotifyEvent& h) { auto* f = MakeFormSkin(); f->OnActivate = h; return f; },
     Target::kForm, WM_ACTIVATE, WA_ACTIVE},
    {"form_skin_on_deactivate",
     [](const TNotifyEvent& h) { auto* f = MakeFormSkin(); f->OnDeactivate = h; return f; },
     Target::kForm, WM_ACTIVATE, WA_INACTIVE},
    {"form_skin_on_restore",
     [](const TNotifyEvent& h) { auto* f = MakeFormSkin(); f->OnRestore = h; return f; },
     Target::kApplication, WM_SIZE, SIZE_RESTORED},
    {"button_on_form_activate",
     [](const TNotifyEvent& h) { auto* b = MakeButton(); b->OnFormActivate = h; return b; },
     Target::kForm, WM_ACTIVATE, WA_ACTIVE},
    {"button_on_form_deactivate",
     [](const TNotifyEvent& h) { auto* b = MakeButton(); b->OnFormDeactivate = h; return b; },
     Target::kForm, WM_ACTIVATE, WA_INACTIVE},
    {"button_restore_as_activation",
     [](const TNotifyEvent& h) { auto* b = MakeButton(); b->OnFormActivate = h; return b; },
     Target::kApplication, WM_SIZE, SIZE_RESTORED},
    {"check_box_on_form_activate",
     [](const TNotifyEvent& h) { auto* x = MakeCheckBox(); x->OnFormActivate = h; return x; },
     Target::kForm, WM_ACTIVATE, WA_ACTIVE},
};

class FreedByItsHandler : public ::testing::TestWithParam<FreeCase> {
 protected:
  void SetUp() override {
    holder_ = std::make_unique<TPanel>(&StageForm());
    holder_->SetParent(&StagePanel());
    holder_->SetBounds(250, 250, 10, 10);
    holder_->SetFocus();  // activation notices need an active control
    PumpMessages(10);
  }
  void TearDown() override {
    StageForm().observe = nullptr;
    Application()->OnRestore = nullptr;
    Application()->OnException = nullptr;
    holder_.reset();
  }
  std::unique_ptr<TPanel> holder_;
};

TEST_P(FreedByItsHandler, TheMessageGoesOnAndTheProgramWithIt) {
  const FreeCase& c = GetParam();
  std::vector<std::string> reported;
  Application()->OnException = [&](TObject*, const std::exception& e) {
    reported.push_back(e.what());
  };
  // An older hook on the same windows: it must still hear the message after the newer one's
  // control was freed.
  std::vector<char> older_heard;
  auto older = std::make_unique<TSkImgForm>(&StageForm());
  older->SetParent(&StageForm());
  older->OnActivate = [&](TObject*) { older_heard.push_back('a'); };
  older->OnDeactivate = [&](TObject*) { older_heard.push_back('d'); };
  older->OnRestore = [&](TObject*) { older_heard.push_back('r'); };

  TComponent* control = nullptr;
  int frees = 0;
  control = c.make([&](TObject*) {
    ++frees;
    delete control;
  });
  // The window itself hears the message after the hooks.
  int window_heard = 0;
  StageForm().observe = [&](TMessage& m) {
    if (m.Msg == c.msg && m.WParam == c.wparam) ++window_heard;
  };
  Application()->OnRestore = [&](TObject*) { ++window_heard; };

  const HWND window = c.target == Target::kForm ? StageForm().Handle() : Application()->Handle();
  ::SendMessageW(window, c.msg, c.wparam, 0);

  EXPECT_EQ(frees, 1);
  EXPECT_EQ(window_heard, 1) << "the message reached the window";
  const char expected = c.msg == WM_SIZE ? 'r' : c.wparam == WA_INACTIVE ? 'd' : 'a';
  EXPECT_EQ(older_heard, std::vector<char>{expected}) << "the older hook heard it";
  EXPECT_TRUE(reported.empty()) << reported.front();
  // Both windows work on with the remaining hook.
  older_heard.clear();
  ::SendMessageW(StageForm().Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
  ::SendMessageW(Application()->Handle(), WM_SIZE, SIZE_RESTORED, 0);
  EXPECT_EQ(older_heard, (std::vector<char>{'a', 'r'}));
  older.reset();
}

INSTANTIATE_TEST_SUITE_P(Table, FreedByItsHandler, ::testing::ValuesIn(kCases),
                         [](const auto& table_row) { return std::string(table_row.param.name); });

}  // namespace
}  // namespace vornada
