// The main window: design values, creation and show, the fades and the hosts file.
#include "Unit1.h"

#include "Clipbrd.h"
#include "DesignReader.h"
#include "HostsFile_win.h"
#include "HostsText.h"

namespace vornada {

int32_t UnderlineStep = 0;
HKL LastLayoutHandle = nullptr;
TMainForm* MainForm = nullptr;

namespace {
constexpr BYTE kFadeStep = 15;
}  // namespace

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {
  MainForm = this;
  // The window's design (its design values, screens, controls and timers, and which handler
  // serves which event) is the description compiled into the program as resource MAINFORM.
  TDesignBindings design;
  design.Handler("FormCreate", this, &TMainForm::FormCreate)
      .Handler("FormShow", this, &TMainForm::FormShow)
      .Handler("ShowTimerTimer", this, &TMainForm::ShowTimerTimer)
      .Handler("CloseTimerTimer", this, &TMainForm::CloseTimerTimer)
      .Handler("Timer2Timer", this, &TMainForm::Timer2Timer)
      .Field("MainPanel", MainPanel)
      .Field("QuestionPanel", QuestionPanel)
      .Field("InfoPanel", InfoPanel)
      .Field("PassPanel", PassPanel)
      .Field("Memo1", Memo1)
      .Field("ShowTimer", ShowTimer)
      .Field("CloseTimer", CloseTimer)
      .Field("Timer1", Timer1)
      .Field("Timer2", Timer2)
      .Field("Timer3", Timer3);
  ReadDesignResource(*this, L"MAINFORM", design);
}

void TMainForm::FormCreate(TObject*) {
  UnderlineStep = 0;
  SetDoubleBuffered(true);
  MainPanel->SetDoubleBuffered(true);
  QuestionPanel->SetDoubleBuffered(true);
  InfoPanel->SetDoubleBuffered(true);
  PassPanel->SetDoubleBuffered(true);
  try {
    SetHeight(150);
    SetWidth(405);
    ShowTimer->SetEnabled(true);
    ::SetWindowLongW(Application()->Handle(), GWL_EXSTYLE, static_cast<LONG>(0xFFFBFFFF));
    // The password field's font and mask character come with the password screen.
    QuestionPanel->SetAlign(TAlign::alClient);
    Clipboard()->Clear();
  } catch (const std::exception&) {
    // The window is shown as far as it got.
  }
}

void TMainForm::FormShow(TObject*) {
  try {
    ForceForeground(Handle());
  } catch (const std::exception&) {
  }
}

bool ForceForeground(HWND window) {
  const HWND foreground = ::GetForegroundWindow();
  const DWORD foreground_thread = ::GetWindowThreadProcessId(foreground, nullptr);
  const DWORD this_thread = ::GetCurrentThreadId();
  ::AttachThreadInput(this_thread, foreground_thread, TRUE);
  const bool result = ::SetForegroundWindow(window) != FALSE;
  ::AttachThreadInput(this_thread, foreground_thread, FALSE);
  return result;
}

void TMainForm::ShowTimerTimer(TObject*) {
  if (AlphaBlendValue() == 255) {
    ShowTimer->SetEnabled(false);
  } else {
    SetAlphaBlendValue(static_cast<BYTE>(AlphaBlendValue() + kFadeStep));
  }
}

void TMainForm::CloseTimerTimer(TObject*) {
  if (AlphaBlendValue() != 0) {
    SetAlphaBlendValue(static_cast<BYTE>(AlphaBlendValue() - kFadeStep));
  } else {
    CloseTimer->SetEnabled(false);
    Application()->Terminate();
  }
}

void TMainForm::LoadHostsFile() {
  const std::string raw = hosts::ReadWholeFile(hosts::ExpandEnvPath(hosts::HostsFilePath));
  if (hosts::EqualsNormalised(raw, Memo1->AnsiText())) return;
  Memo1->Lines().SetText(hosts::NormaliseLineBreaks(raw));
}

void TMainForm::SaveHostsFile() {
  hosts::ReplaceFileContents(hosts::ExpandEnvPath(hosts::HostsFilePath), Memo1->AnsiText());
}

void TMainForm::Timer2Timer(TObject*) {
  try {
    LoadHostsFile();
  } catch (const std::exception&) {
    // A file that cannot be read leaves the memo as it was.
  }
}

}  // namespace vornada
