// The end of the Windows session as a form hears it: the query is answered by OnQueryEndSession
// (allowed when unassigned), OnEndSession runs once when the session really ends and not when
// an ending was cancelled, and the application window's WM_ENDSESSION reaches the main form too
// (once, whichever window the system tells first).
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "Forms.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

TEST(FormSessionTest, QueryIsAnsweredByTheHandler) {
  struct Case {
    bool assigned;
    bool handler_allows;
    LRESULT answer;
  };
  const std::vector<Case> cases = {{false, false, TRUE}, {true, true, TRUE}, {true, false, FALSE}};
  for (const Case& c : cases) {
    TForm form(nullptr);
    int asked = 0;
    if (c.assigned) {
      form.OnQueryEndSession = [&](TObject* sender, bool& can_end) {
        EXPECT_EQ(sender, &form);
        EXPECT_TRUE(can_end) << "allowed unless the handler says otherwise";
        ++asked;
        can_end = c.handler_allows;
      };
    }
    int ended = 0;
    form.OnEndSession = [&](TObject*) { ++ended; };
    EXPECT_EQ(::SendMessageW(form.Handle(), WM_QUERYENDSESSION, 0, 0), c.answer);
    EXPECT_EQ(asked, c.assigned ? 1 : 0);
    EXPECT_EQ(ended, 0) << "a query alone ends nothing";
  }
}

TEST(FormSessionTest, EndRunsOnceAndNotWhenCancelled) {
  TForm form(nullptr);
  std::vector<TObject*> ended;
  form.OnEndSession = [&](TObject* sender) { ended.push_back(sender); };
  ::SendMessageW(form.Handle(), WM_ENDSESSION, FALSE, 0);  // the ending was cancelled
  EXPECT_TRUE(ended.empty());
  ::SendMessageW(form.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  ::SendMessageW(form.Handle(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(ended, std::vector<TObject*>{&form});
}

// The application window's WM_ENDSESSION tells the main form (first created form of the
// application) and ends the message loop; the form's own message afterwards runs nothing again.
// Last in this program: the application is told to terminate.
TEST(FormSessionTest, ApplicationWindowTellsTheMainForm) {
  TForm* main_form = Application()->CreateForm<TForm>();
  ASSERT_EQ(Application()->MainForm(), main_form);
  int ended = 0;
  main_form->OnEndSession = [&](TObject* sender) {
    EXPECT_EQ(sender, main_form);
    ++ended;
  };
  ::SendMessageW(Application()->Handle(), WM_ENDSESSION, FALSE, 0);
  EXPECT_EQ(ended, 0);
  EXPECT_FALSE(Application()->Terminated());
  ::SendMessageW(Application()->Handle(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(ended, 1);
  EXPECT_TRUE(Application()->Terminated());
  ::SendMessageW(main_form->Handle(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(ended, 1);
}

}  // namespace
}  // namespace vornada
