// The main window: the handlers and fields its design binds, creation and show, the fades and
// the hosts file.
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
  // The window's design (its design values, screens, controls, timers and image list, and which
  // handler serves which event) is the description compiled into the program as MAINFORM.
  ReadDesignResource(*this, L"MAINFORM", DesignBindings());
}

TDesignBindings TMainForm::DesignBindings() {
  TDesignBindings b;
  b.Field("SkImgForm1", SkImgForm1)
      .Field("MainPanel", MainPanel)
      .Field("QuestionPanel", QuestionPanel)
      .Field("InfoPanel", InfoPanel)
      .Field("PassPanel", PassPanel)
      .Field("ImageTitle", ImageTitle)
      .Field("LblTitle", LblTitle)
      .Field("FxLabel6", FxLabel6)
      .Field("FxLabel3", FxLabel3)
      .Field("FxLabel1", FxLabel1)
      .Field("BuffLabel1", BuffLabel1)
      .Field("FxLabel9", FxLabel9)
      .Field("SkImgCheckBox1", SkImgCheckBox1)
      .Field("SkImgCheckBox2", SkImgCheckBox2)
      .Field("SkImgCheckBox3", SkImgCheckBox3)
      .Field("FlButton1", FlButton1)
      .Field("FlButton6", FlButton6)
      .Field("BtnInfo", BtnInfo)
      .Field("BtnMin", BtnMin)
      .Field("BtnClose", BtnClose)
      .Field("Memo1", Memo1)
      .Field("FlButton2", FlButton2)
      .Field("FlButton3", FlButton3)
      .Field("FxSeparator1", FxSeparator1)
      .Field("FxLabel4", FxLabel4)
      .Field("Image2", Image2)
      .Field("BtnYES", BtnYES)
      .Field("BtnNO", BtnNO)
      .Field("Image1", Image1)
      .Field("FxBitBtn1", FxBitBtn1)
      .Field("Memo2", Memo2)
      .Field("FlButton4", FlButton4)
      .Field("FlButton5", FlButton5)
      .Field("FxSeparator2", FxSeparator2)
      .Field("FxLabel8", FxLabel8)
      .Field("FxLabel2", FxLabel2)
      .Field("BtnBack3", BtnBack3)
      .Field("BtnMin3", BtnMin3)
      .Field("BtnClose3", BtnClose3)
      .Field("FxLabel5", FxLabel5)
      .Field("PenImage1", PenImage1)
      .Field("GifAnimator2", GifAnimator2)
      .Field("Image3", Image3)
      .Field("lang", lang)
      .Field("BtnClose2", BtnClose2)
      .Field("PassEdit1", PassEdit1)
      .Field("ShowTimer", ShowTimer)
      .Field("CloseTimer", CloseTimer)
      .Field("Timer1", Timer1)
      .Field("Timer2", Timer2)
      .Field("Timer3", Timer3)
      .Field("TypeImageList1", TypeImageList1);
  b.Handler("FormCreate", this, &TMainForm::FormCreate)
      .Handler("FormShow", this, &TMainForm::FormShow)
      .Handler("ShowTimerTimer", this, &TMainForm::ShowTimerTimer)
      .Handler("CloseTimerTimer", this, &TMainForm::CloseTimerTimer)
      .Handler("BtnNOClick", this, &TMainForm::BtnNOClick)
      .Handler("BtnClose2Click", this, &TMainForm::BtnClose2Click)
      .Handler("BtnCloseClick", this, &TMainForm::BtnCloseClick)
      .Handler("BtnMinClick", this, &TMainForm::BtnMinClick)
      .Handler("ImageTitleMouseDown", this, &TMainForm::ImageTitleMouseDown)
      .Handler("Image1MouseDown", this, &TMainForm::Image1MouseDown)
      .Handler("Timer3Timer", this, &TMainForm::Timer3Timer)
      .Handler("BtnYESEnter", this, &TMainForm::BtnYESEnter)
      .Handler("BtnNOEnter", this, &TMainForm::BtnNOEnter)
      .Handler("BtnYESMouseMove", this, &TMainForm::BtnYESMouseMove)
      .Handler("BtnNOMouseMove", this, &TMainForm::BtnNOMouseMove)
      .Handler("QuestionPanelMouseMove", this, &TMainForm::QuestionPanelMouseMove)
      .Handler("MainPanelMouseMove", this, &TMainForm::MainPanelMouseMove)
      .Handler("Memo1MouseMove", this, &TMainForm::Memo1MouseMove)
      .Handler("BtnInfoMouseMove", this, &TMainForm::BtnInfoMouseMove)
      .Handler("BtnMinMouseMove", this, &TMainForm::BtnMinMouseMove)
      .Handler("BtnCloseMouseMove", this, &TMainForm::BtnCloseMouseMove)
      .Handler("FlButton1MouseMove", this, &TMainForm::FlButton1MouseMove)
      .Handler("FlButton2MouseMove", this, &TMainForm::FlButton2MouseMove)
      .Handler("FlButton3MouseMove", this, &TMainForm::FlButton3MouseMove)
      .Handler("FlButton6MouseMove", this, &TMainForm::FlButton6MouseMove)
      .Handler("SkImgCheckBox1MouseMove", this, &TMainForm::SkImgCheckBox1MouseMove)
      .Handler("SkImgCheckBox2MouseMove", this, &TMainForm::SkImgCheckBox2MouseMove)
      .Handler("SkImgCheckBox3MouseMove", this, &TMainForm::SkImgCheckBox3MouseMove)
      .Handler("Memo2MouseMove", this, &TMainForm::Memo2MouseMove)
      .Handler("Image1MouseMove", this, &TMainForm::Image1MouseMove)
      .Handler("FlButton4MouseMove", this, &TMainForm::FlButton4MouseMove)
      .Handler("FlButton5MouseMove", this, &TMainForm::FlButton5MouseMove)
      .Handler("BtnYESClick", this, &TMainForm::BtnYESClick)
      .Handler("Timer1Timer", this, &TMainForm::Timer1Timer)
      .Handler("PassEdit1Change", this, &TMainForm::PassEdit1Change)
      .Handler("PassEdit1KeyDown", this, &TMainForm::PassEdit1KeyDown)
      .Handler("PassEdit1KeyUp", this, &TMainForm::PassEdit1KeyUp)
      .Handler("SkImgCheckBox1Click", this, &TMainForm::SkImgCheckBox1Click)
      .Handler("SkImgCheckBox2Click", this, &TMainForm::SkImgCheckBox2Click)
      .Handler("SkImgCheckBox3Click", this, &TMainForm::SkImgCheckBox3Click)
      .Handler("Memo1Change", this, &TMainForm::Memo1Change)
      .Handler("FlButton1Click", this, &TMainForm::FlButton1Click)
      .Handler("FlButton2Click", this, &TMainForm::FlButton2Click)
      .Handler("FlButton3Click", this, &TMainForm::FlButton3Click)
      .Handler("FlButton6Click", this, &TMainForm::FlButton6Click)
      .Handler("BtnInfoClick", this, &TMainForm::BtnInfoClick)
      .Handler("BtnBack3Click", this, &TMainForm::BtnBack3Click)
      .Handler("FxBitBtn1Click", this, &TMainForm::FxBitBtn1Click)
      .Handler("FxBitBtn1MouseMove", this, &TMainForm::FxBitBtn1MouseMove)
      .Handler("Memo2Click", this, &TMainForm::Memo2Click)
      .Handler("FlButton4Click", this, &TMainForm::FlButton4Click)
      .Handler("FlButton5Click", this, &TMainForm::FlButton5Click)
      .Handler("FxLabel8Click", this, &TMainForm::FxLabel8Click)
      .Handler("FxLabel2Click", this, &TMainForm::FxLabel2Click)
      .Handler("Timer2Timer", this, &TMainForm::Timer2Timer);
  return b;
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
    PassEdit1->Font().SetName(kPasswordFontName);
    PassEdit1->SetPasswordChar(kPasswordMaskChar);
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

// ---- handlers whose behaviour the screen logic brings; bound by name already ----------------

void TMainForm::BtnNOClick(TObject*) {
  // Screen flow, the no answer (fade-out and end) - the screen logic follows.
}

void TMainForm::BtnClose2Click(TObject*) {
  // Screen flow, close from the password screen - the screen logic follows.
}

void TMainForm::BtnCloseClick(TObject*) {
  // Screen flow, close from the editor (protect the file, fade-out) - the screen logic follows.
}

void TMainForm::BtnMinClick(TObject*) {
  // Screen flow, minimise - the screen logic follows.
}

void TMainForm::ImageTitleMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  // Screen flow, dragging the window by the editor's title - the screen logic follows.
}

void TMainForm::Image1MouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  // Screen flow, dragging the window by the reference screen - the screen logic follows.
}

void TMainForm::Timer3Timer(TObject*) {
  // Screen flow, the answer underline's growth - the screen logic follows.
}

void TMainForm::BtnYESEnter(TObject*) {
  // Screen flow, the underline under the yes answer - the screen logic follows.
}

void TMainForm::BtnNOEnter(TObject*) {
  // Screen flow, the underline under the no answer - the screen logic follows.
}

void TMainForm::BtnYESMouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the underline follows the pointer to yes - the screen logic follows.
}

void TMainForm::BtnNOMouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the underline follows the pointer to no - the screen logic follows.
}

void TMainForm::QuestionPanelMouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the underline restarts under the focused answer - the screen logic follows.
}

void TMainForm::MainPanelMouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the editor text - the screen logic follows.
}

void TMainForm::Memo1MouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the editor text - the screen logic follows.
}

void TMainForm::BtnInfoMouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the editor text - the screen logic follows.
}

void TMainForm::BtnMinMouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the editor text - the screen logic follows.
}

void TMainForm::BtnCloseMouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the editor text - the screen logic follows.
}

void TMainForm::FlButton1MouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the editor text - the screen logic follows.
}

void TMainForm::FlButton2MouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the editor text - the screen logic follows.
}

void TMainForm::FlButton3MouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the editor text - the screen logic follows.
}

void TMainForm::FlButton6MouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the editor text - the screen logic follows.
}

void TMainForm::SkImgCheckBox1MouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the editor text - the screen logic follows.
}

void TMainForm::SkImgCheckBox2MouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the editor text - the screen logic follows.
}

void TMainForm::SkImgCheckBox3MouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the editor text - the screen logic follows.
}

void TMainForm::Memo2MouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the reference text - the screen logic follows.
}

void TMainForm::Image1MouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the reference text - the screen logic follows.
}

void TMainForm::FlButton4MouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the reference text - the screen logic follows.
}

void TMainForm::FlButton5MouseMove(TObject*, TShiftState, int, int) {
  // Screen flow, the focus follows the pointer to the reference text - the screen logic follows.
}

void TMainForm::BtnYESClick(TObject*) {
  // Lock screen, the yes answer opens the password screen - the screen logic follows.
}

void TMainForm::Timer1Timer(TObject*) {
  // Lock screen, the layout indicator and the paste button's state - the screen logic follows.
}

void TMainForm::PassEdit1Change(TObject*) {
  // Lock screen, checking the password - the screen logic follows.
}

void TMainForm::PassEdit1KeyDown(TObject*, WORD&, TShiftState) {
  // Lock screen, the pen writing - the screen logic follows.
}

void TMainForm::PassEdit1KeyUp(TObject*, WORD&, TShiftState) {
  // Lock screen, the pen lifted - the screen logic follows.
}

void TMainForm::SkImgCheckBox1Click(TObject*) {
  // Editor screen, stay on top - the screen logic follows.
}

void TMainForm::SkImgCheckBox2Click(TObject*) {
  // Editor screen, write mode - the screen logic follows.
}

void TMainForm::SkImgCheckBox3Click(TObject*) {
  // Editor screen, auto-update - the screen logic follows.
}

void TMainForm::Memo1Change(TObject*) {
  // Editor screen, the save button follows changes - the screen logic follows.
}

void TMainForm::FlButton1Click(TObject*) {
  // Editor screen, save - the screen logic follows.
}

void TMainForm::FlButton2Click(TObject*) {
  // Editor screen, to the start of the text - the screen logic follows.
}

void TMainForm::FlButton3Click(TObject*) {
  // Editor screen, to the end of the text - the screen logic follows.
}

void TMainForm::FlButton6Click(TObject*) {
  // Editor screen, replace the text by the clipboard's - the screen logic follows.
}

void TMainForm::BtnInfoClick(TObject*) {
  // Reference screen, opening it - the screen logic follows.
}

void TMainForm::BtnBack3Click(TObject*) {
  // Reference screen, back to the editor - the screen logic follows.
}

void TMainForm::FxBitBtn1Click(TObject*) {
  // Reference screen, copy all - the screen logic follows.
}

void TMainForm::FxBitBtn1MouseMove(TObject*, TShiftState, int, int) {
  // Reference screen, the copy button's state - the screen logic follows.
}

void TMainForm::Memo2Click(TObject*) {
  // Reference screen, clicking the text - the screen logic follows.
}

void TMainForm::FlButton4Click(TObject*) {
  // Reference screen, to the start of the text - the screen logic follows.
}

void TMainForm::FlButton5Click(TObject*) {
  // Reference screen, to the end of the text - the screen logic follows.
}

void TMainForm::FxLabel8Click(TObject*) {
  // Reference screen, opening the maker's web site - the screen logic follows.
}

void TMainForm::FxLabel2Click(TObject*) {
  // Reference screen, the maker label - the screen logic follows.
}

}  // namespace vornada
