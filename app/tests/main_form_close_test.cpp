// Closing: the fade-out lowers the opacity by 15 every tick and, at 0, ends the message loop,
// after which the program's entry returns and the process ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>
#include <vector>

#include "Forms.h"
#include "Startup.h"
#include "Unit1.h"

namespace vornada {
namespace {

TEST(MainFormCloseTest, FadeOutReachesZeroAndEndsTheMessageLoop) {
  // A stuck loop ends the test program instead of hanging the run.
  std::thread([] {
    ::Sleep(20000);
    ::ExitProcess(99);
  }).detach();

  RunUnitStartup();
  Application()->SetTitle(kApplicationTitle);
  TMainForm* f = Application()->CreateForm<TMainForm>();
  std::vector<int> fade_out;
  const TNotifyEvent close = f->CloseTimer->OnTimer();
  f->CloseTimer->SetOnTimer([&](TObject* s) {
    fade_out.push_back(f->AlphaBlendValue());
    close(s);
  });
  // Once the fade-in is done, close.
  const TNotifyEvent show = f->ShowTimer->OnTimer();
  f->ShowTimer->SetOnTimer([&](TObject* s) {
    show(s);
    if (!f->ShowTimer->Enabled()) f->CloseTimer->SetEnabled(true);
  });
  Application()->Run();  // returns when the application is told to terminate

  EXPECT_TRUE(Application()->Terminated());
  EXPECT_FALSE(f->CloseTimer->Enabled());
  EXPECT_EQ(f->AlphaBlendValue(), 0);
  std::vector<int> expected;
  for (int a = 255; a >= 0; a -= 15) expected.push_back(a);  // the value each tick finds
  EXPECT_EQ(fade_out, expected);
}

}  // namespace
}  // namespace vornada
