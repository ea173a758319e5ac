// The main window: design values, creation and show, the fades and the hosts file.
#include "Unit1.h"

#include "Clipbrd.h"
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
  SetName("MainForm");
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetCaption(L"");
  SetFormStyle(TFormStyle::fsStayOnTop);
  SetPosition(TPosition::poDesktopCenter);
  SetScreenSnap(true);
  SetAlphaBlend(true);
  SetAlphaBlendValue(0);
  SetColor(clWhite);
  Font().SetName(L"MS Sans Serif");
  Font().SetHeight(-11);
  Font().SetColor(clWindowText);
  SetClientSize(620, 527);

  // The four screens, in this creation order: a later panel lies above an earlier one.
  MainPanel = CreateScreenPanel("MainPanel", TAlign::alClient, 527, false, clWhite);
  QuestionPanel = CreateScreenPanel("QuestionPanel", TAlign::alTop, 0, true, 15921919);
  InfoPanel = CreateScreenPanel("InfoPanel", TAlign::alTop, 0, false, clWhite);
  PassPanel = CreateScreenPanel("PassPanel", TAlign::alTop, 0, false, 16774388);
  QuestionPanel->SetColor(15921919);

  Memo1 = new TMemo(this);
  Memo1->SetName("Memo1");
  Memo1->SetParent(MainPanel);
  Memo1->SetBounds(40, 56, 521, 439);
  Memo1->SetBorderStyle(TBorderStyle::bsNone);
  Memo1->SetColor(15921906);
  Memo1->SetReadOnly(true);
  Memo1->SetScrollBars(TScrollStyle::ssVertical);

  auto make_timer = [this](const char* name, UINT interval, bool enabled) {
    auto* timer = new TTimer(this);
    timer->SetName(name);
    timer->SetInterval(interval);
    timer->SetEnabled(enabled);
    return timer;
  };
  ShowTimer = make_timer("ShowTimer", 10, false);
  ShowTimer->SetOnTimer([this](TObject* s) { ShowTimerTimer(s); });
  CloseTimer = make_timer("CloseTimer", 10, false);
  CloseTimer->SetOnTimer([this](TObject* s) { CloseTimerTimer(s); });
  Timer1 = make_timer("Timer1", 10, true);
  Timer2 = make_timer("Timer2", 1000, false);
  Timer2->SetOnTimer([this](TObject* s) { Timer2Timer(s); });
  Timer3 = make_timer("Timer3", 1, false);

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
}

TPanel* TMainForm::CreateScreenPanel(const char* name, TAlign align, int height, bool enabled,
                                     TColor color) {
  auto* panel = new TPanel(this);
  panel->SetName(name);
  panel->SetBevelOuter(TBevelCut::bvNone);
  panel->SetParent(this);
  panel->SetBounds(0, 0, 620, height);
  panel->SetAlign(align);
  panel->SetEnabled(enabled);
  panel->SetTabStop(false);
  if (color != clWhite) panel->SetColor(color);
  panel->Font().SetName(L"MS Sans Serif");
  panel->Font().SetHeight(-11);
  panel->Font().SetColor(clBlack);
  return panel;
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
