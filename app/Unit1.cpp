// The main window: the handlers and fields its design binds, creation and show, the fades, the
// hosts file, and the four screens at work (screen flow, the access lock, the editor and the
// reference screen), with closing by the system and the end of the session.
#include "Unit1.h"

#include <shellapi.h>

#include <cwchar>
#include <iterator>

#include "AccessCheck_win.h"
#include "Clipbrd.h"
#include "DesignReader.h"
#include "HostsEncoding_win.h"
#include "HostsFile_win.h"
#include "KeyboardLayout_win.h"
#include "SystemLibrary.h"
#include "WinUtil.h"

namespace vornada {

int32_t UnderlineStep = 0;
HKL LastLayoutHandle = nullptr;
TMainForm* MainForm = nullptr;

namespace {
constexpr BYTE kFadeStep = 15;
// The system's move loop, started as by a drag of the caption (SC_MOVE + HTCAPTION).
constexpr WPARAM kMoveByCaption = 0xF012;
// The answer underline: its full width and its left under each answer.
constexpr int kUnderlineWidth = 61;
constexpr int kUnderlineLeftYes = 217;
constexpr int kUnderlineLeftNo = 297;
// The pen icon's images in TypeImageList1, and how long the lifted pen shows.
constexpr int kPenWriting = 0;
constexpr int kPenLifted = 1;
constexpr DWORD kPenLiftedPauseMs = 100;
// The accepted password's message and pause.
constexpr TColor kAcceptedMessageColor = 46641;  // red 49, green 182, blue 0
constexpr wchar_t kAcceptedMessage[] = L"Пароль подошёл успешно!!!";
constexpr DWORD kAcceptedPauseMs = 2000;
// The window's size on the editor and reference screens.
constexpr int kEditorWidth = 620;
constexpr int kEditorHeight = 555;
// The editor memo's colour in write mode and otherwise.
constexpr TColor kMemoWritableColor = 15662579;  // red 243, green 253, blue 238
constexpr TColor kMemoReadOnlyColor = 15921906;  // red 242, green 242, blue 242
// The question before the text is replaced by the clipboard's.
constexpr wchar_t kReplaceCaption[] = L"Внимание!!!";
constexpr wchar_t kReplaceQuestion[] =
    L"Вы действительно хотите очистить и\r\nзатем вставить текст из буфера обмена?";
// What the editor says when the hosts file cannot be read as text or the text cannot be saved.
constexpr wchar_t kHostsNotReadable[] =
    L"Файл hosts не удалось прочитать как текст: в нём есть нулевые символы или неизвестная "
    L"кодировка.\r\nСохранение в этот файл отключено, чтобы не потерять его содержимое.";
constexpr wchar_t kHostsNotRead[] =
    L"Текст файла hosts не был прочитан, поэтому сохранение отменено: иначе содержимое файла "
    L"было бы потеряно.";
constexpr wchar_t kHostsLineNotWritable[] =
    L"Строка %d содержит символ, который нельзя записать в кодировке файла hosts.\r\nФайл не "
    L"сохранён.";
constexpr wchar_t kHostsSaveFailed[] = L"Не удалось сохранить файл hosts:\r\n";
// The reference screen's copy button: its place, and its width and caption in its two states.
constexpr int kCopyButtonLeft = 40;
constexpr int kCopyButtonReadyWidth = 137;
constexpr int kCopyButtonCopiedWidth = 153;
constexpr wchar_t kCopyButtonReady[] = L"Скопировать все?!";
constexpr wchar_t kCopyButtonCopied[] = L"Скопировано в буфер!";
// The maker's web address, opened by the link label.
constexpr char kMakerAddress[] = "https://example.com/";
}  // namespace

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {
  MainForm = this;
  // The window's design (its design values, screens, controls, timers and image list, and which
  // handler serves which event) is the description compiled into the program as MAINFORM.
  ReadDesignResource(*this, L"MAINFORM", DesignBindings());
  // Closing by the system and the end of the session (not part of the design).
  OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
  OnEndSession = [this](TObject* sender) { FormEndSession(sender); };
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
  // A close under way wins: the fade-in would cancel the fade-out step for step.
  if (Closing()) {
    ShowTimer->SetEnabled(false);
    return;
  }
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
    // Write mode may have been switched on during the fade-out: the file is left protected.
    if (protect_hosts_at_end_) hosts::SetHostsAttributes(hosts::HostsProtectedAttr);
    CloseTimer->SetEnabled(false);
    Application()->Terminate();
  }
}

void TMainForm::LoadHostsFile() {
  std::string raw = hosts::ReadWholeFile(hosts::ExpandEnvPath(hosts::HostsFilePath));
  // A reload of unchanged bytes needs no decoding: the text they gave last time is kept.
  if (!hosts_form_ || raw != hosts_raw_) {
    std::optional<hosts::DecodedHostsText> decoded = hosts::DecodeHostsBytes(raw, ::GetACP());
    if (!decoded) {
      hosts_form_.reset();
      throw hosts::EHostsText(win::Utf8FromWide(kHostsNotReadable));
    }
    const std::u16string shown = hosts::NormaliseLineBreaks(
        std::u16string(decoded->text.begin(), decoded->text.end()));
    hosts_form_.reset();
    hosts_shown_.assign(shown.begin(), shown.end());
    hosts_raw_ = std::move(raw);
    if (hosts_shown_ != Memo1->Text()) Memo1->SetText(hosts_shown_);
    hosts_form_ = decoded->form;
    return;
  }
  if (hosts_shown_ != Memo1->Text()) Memo1->SetText(hosts_shown_);
}

void TMainForm::SaveHostsFile() {
  const std::wstring path = hosts::ExpandEnvPath(hosts::HostsFilePath);
  // A file that is not there yet has no text to lose.
  const bool missing = ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
                       (::GetLastError() == ERROR_FILE_NOT_FOUND ||
                        ::GetLastError() == ERROR_PATH_NOT_FOUND);
  if (!hosts_form_ && !missing) throw hosts::EHostsText(win::Utf8FromWide(kHostsNotRead));
  const hosts::EncodedHostsText encoded =
      hosts::EncodeHostsText(Memo1->Text(), hosts_form_.value_or(hosts::TextForm::kAnsi),
                             ::GetACP());
  if (encoded.bad_line != 0) {
    wchar_t text[256];
    ::swprintf(text, std::size(text), kHostsLineNotWritable, encoded.bad_line);
    throw hosts::EHostsText(win::Utf8FromWide(text));
  }
  hosts::ReplaceFileContents(path, encoded.bytes);
}

void TMainForm::ShowHostsMessage(const std::wstring& text) {
  ::MessageBoxW(Handle(), text.c_str(), kReplaceCaption, MB_OK | MB_ICONERROR);
}

void TMainForm::Timer2Timer(TObject*) {
  try {
    LoadHostsFile();
  } catch (const std::exception&) {
    // A file that cannot be read leaves the memo as it was.
  }
}

// ---- screen flow: closing, minimising, dragging ----------------------------------------------

void TMainForm::BtnNOClick(TObject*) { StartClosing(false); }

void TMainForm::BtnClose2Click(TObject*) { StartClosing(false); }

void TMainForm::BtnCloseClick(TObject*) {
  hosts::SetHostsAttributes(hosts::HostsProtectedAttr);
  StartClosing(true);
}

void TMainForm::StartClosing(bool protect_hosts) {
  if (protect_hosts) protect_hosts_at_end_ = true;
  ShowTimer->SetEnabled(false);
  CloseTimer->SetEnabled(true);
}

bool TMainForm::Closing() const { return CloseTimer->Enabled(); }

void TMainForm::BtnMinClick(TObject*) {
  Memo1->SetFocus();
  Application()->Minimize();
}

void TMainForm::StartWindowMove() {
  ::ReleaseCapture();
  ::SendMessageW(Handle(), WM_SYSCOMMAND, kMoveByCaption, 0);
}

void TMainForm::ImageTitleMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  StartWindowMove();
  Memo1->SetFocus();
}

void TMainForm::Image1MouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  StartWindowMove();
}

// Closing by the system (Alt+F4, the taskbar's close) does what the shown screen's close button
// does: from the editor and reference screens the hosts file is protected first; every way ends
// through the fade-out.
void TMainForm::FormClose(TObject* sender, TCloseAction& action) {
  action = TCloseAction::caNone;
  if (EditorReached()) {
    BtnCloseClick(sender);
  } else {
    BtnNOClick(sender);
  }
}

// The end of the Windows session ends the program without its fade-out: the hosts file is
// protected first when the editor was reached, as the close buttons do.
void TMainForm::FormEndSession(TObject*) {
  if (EditorReached()) hosts::SetHostsAttributes(hosts::HostsProtectedAttr);
}

bool TMainForm::EditorReached() const { return MainPanel->Enabled(); }

// ---- screen flow: the answer underline ------------------------------------------------------

void TMainForm::Timer3Timer(TObject*) {
  ++UnderlineStep;
  Image2->SetWidth(UnderlineStep);
  if (Image2->Width() == kUnderlineWidth) {
    UnderlineStep = 0;
    Timer3->SetEnabled(false);
  }
}

void TMainForm::RestartUnderlineIfFocused(TWinControl* answer, int left) {
  if (!answer->Focused()) return;
  Image2->SetWidth(0);
  Image2->SetLeft(left);
  Timer3->SetEnabled(true);
}

void TMainForm::BtnYESEnter(TObject*) { RestartUnderlineIfFocused(BtnYES, kUnderlineLeftYes); }

void TMainForm::BtnNOEnter(TObject*) { RestartUnderlineIfFocused(BtnNO, kUnderlineLeftNo); }

void TMainForm::BtnYESMouseMove(TObject*, TShiftState, int, int) {
  Image2->SetLeft(kUnderlineLeftYes);
}

void TMainForm::BtnNOMouseMove(TObject*, TShiftState, int, int) {
  Image2->SetLeft(kUnderlineLeftNo);
}

void TMainForm::QuestionPanelMouseMove(TObject*, TShiftState, int, int) {
  RestartUnderlineIfFocused(BtnYES, kUnderlineLeftYes);
  RestartUnderlineIfFocused(BtnNO, kUnderlineLeftNo);
}

// ---- screen flow: the focus follows the mouse -----------------------------------------------

void TMainForm::MainPanelMouseMove(TObject*, TShiftState, int, int) { Memo1->SetFocus(); }
void TMainForm::Memo1MouseMove(TObject*, TShiftState, int, int) { Memo1->SetFocus(); }
void TMainForm::BtnInfoMouseMove(TObject*, TShiftState, int, int) { Memo1->SetFocus(); }
void TMainForm::BtnMinMouseMove(TObject*, TShiftState, int, int) { Memo1->SetFocus(); }
void TMainForm::BtnCloseMouseMove(TObject*, TShiftState, int, int) { Memo1->SetFocus(); }
void TMainForm::FlButton1MouseMove(TObject*, TShiftState, int, int) { Memo1->SetFocus(); }
void TMainForm::FlButton2MouseMove(TObject*, TShiftState, int, int) { Memo1->SetFocus(); }
void TMainForm::FlButton3MouseMove(TObject*, TShiftState, int, int) { Memo1->SetFocus(); }
void TMainForm::FlButton6MouseMove(TObject*, TShiftState, int, int) { Memo1->SetFocus(); }
void TMainForm::SkImgCheckBox1MouseMove(TObject*, TShiftState, int, int) { Memo1->SetFocus(); }
void TMainForm::SkImgCheckBox2MouseMove(TObject*, TShiftState, int, int) { Memo1->SetFocus(); }
void TMainForm::SkImgCheckBox3MouseMove(TObject*, TShiftState, int, int) { Memo1->SetFocus(); }
void TMainForm::Memo2MouseMove(TObject*, TShiftState, int, int) { Memo2->SetFocus(); }
void TMainForm::Image1MouseMove(TObject*, TShiftState, int, int) { Memo2->SetFocus(); }
void TMainForm::FlButton4MouseMove(TObject*, TShiftState, int, int) { Memo2->SetFocus(); }
void TMainForm::FlButton5MouseMove(TObject*, TShiftState, int, int) { Memo2->SetFocus(); }

// ---- the lock screens -----------------------------------------------------------------------

void TMainForm::SwitchLayoutToEnglish() {
  LastLayoutHandle = SwitchKeyboardLayout(kLayoutNameEnglish, kEnglishLayoutFailure);
}

void TMainForm::SwitchLayoutToRussian() {
  LastLayoutHandle = SwitchKeyboardLayout(kLayoutNameRussian, kRussianLayoutFailure);
}

void TMainForm::BtnYESClick(TObject*) {
  try {
    SwitchLayoutToEnglish();
    QuestionPanel->SetAlign(TAlign::alTop);
    QuestionPanel->SetHeight(0);
    QuestionPanel->SetEnabled(false);
    PassPanel->SetEnabled(true);
    PassPanel->SetAlign(TAlign::alClient);
    SetAlphaBlendValue(0);
    ShowTimer->SetEnabled(true);
    PassEdit1->SetFocus();
  } catch (const std::exception&) {
  }
}

void TMainForm::Timer1Timer(TObject*) {
  const std::wstring indicator = ActiveLayoutIndicatorText();
  if (lang->Caption() != indicator) lang->SetCaption(indicator);
  try {
    // The clipboard is read only when it changed since the last read: reading opens it, and
    // while this program holds it open other programs cannot copy or paste.
    if (const std::optional<bool> holds_text = clipboard_watch_.Poll())
      FlButton6->SetEnabled(*holds_text);
  } catch (const std::exception&) {
    // Held by another program: the next tick tries again.
  }
}

void TMainForm::ShowPenImage(int index) {
  PenImage1->Picture().SetGraphic(static_cast<TGraphic*>(nullptr));
  TBitmap* bitmap = PenImage1->Picture().Bitmap();
  bitmap->SetSize(PenImage1->Width(), PenImage1->Height());
  TypeImageList1->Draw(bitmap->Canvas(), 0, 0, index);
  PenImage1->Repaint();
}

void TMainForm::PassEdit1KeyDown(TObject*, WORD&, TShiftState) {
  try {
    ShowPenImage(kPenWriting);
  } catch (const std::exception&) {
  }
}

void TMainForm::PassEdit1KeyUp(TObject*, WORD&, TShiftState) {
  try {
    ShowPenImage(kPenLifted);
    Application()->ShowPaintingNow();
    ::Sleep(kPenLiftedPauseMs);
    PenImage1->Picture().SetGraphic(static_cast<TGraphic*>(nullptr));
  } catch (const std::exception&) {
  }
}

void TMainForm::PassEdit1Change(TObject*) {
  // Once the editor was reached the field is put away; what reaches it then opens nothing.
  if (EditorReached()) return;
  if (!access::IsAcceptedAccessText(PassEdit1->Text())) return;
  try {
    PenImage1->Picture().SetGraphic(static_cast<TGraphic*>(nullptr));
    PenImage1->Repaint();
    GifAnimator2->SetVisible(true);
    GifAnimator2->Repaint();
    GifAnimator2->SetAnimate(true);
    FxLabel5->Font().SetColor(kAcceptedMessageColor);
    FxLabel5->Font().SetStyle(fsBold);
    FxLabel5->SetCaption(kAcceptedMessage);
    // The message is on the screen during the pause.
    Application()->ShowPaintingNow();
    ::Sleep(kAcceptedPauseMs);
    PassPanel->SetAlign(TAlign::alNone);
    PassPanel->SetHeight(0);
    PassPanel->SetEnabled(false);
    QuestionPanel->SetAlign(TAlign::alNone);
    QuestionPanel->SetHeight(0);
    QuestionPanel->SetEnabled(false);
    SetAlphaBlendValue(0);
    ::SetWindowLongW(Application()->Handle(), GWL_EXSTYLE, WS_EX_APPWINDOW);
    ShowTimer->SetEnabled(true);
    SetHeight(kEditorHeight);
    SetWidth(kEditorWidth);
    MainPanel->SetEnabled(true);
    InfoPanel->SetEnabled(true);
    LoadHostsFile();
  } catch (const hosts::EHostsText& e) {
    ShowHostsMessage(win::WideFromUtf8(e.Message()));
  } catch (const std::exception&) {
  }
  if (!EditorReached()) return;
  // The editor shows: the animation's thread would go on painting the put-away password screen,
  // and the keys belong to the editor, not to the hidden password field.
  try {
    GifAnimator2->SetAnimate(false);
    Memo1->SetFocus();
  } catch (const std::exception&) {
  }
}

// ---- the editor screen ----------------------------------------------------------------------

void TMainForm::SkImgCheckBox1Click(TObject*) {
  try {
    SetFormStyle(SkImgCheckBox1->Checked() ? TFormStyle::fsStayOnTop : TFormStyle::fsNormal);
    Memo1->SetFocus();
  } catch (const std::exception&) {
    Memo1->SetFocus();
  }
  Memo1->SetFocus();
}

void TMainForm::SkImgCheckBox2Click(TObject*) {
  try {
    if (SkImgCheckBox2->Checked()) {
      FlButton1->SetVisible(true);
      FlButton6->SetVisible(true);
      SkImgCheckBox3->SetChecked(false);
      Timer2->SetEnabled(false);
      hosts::SetHostsAttributes(hosts::HostsWritableAttr);
      Memo1->SetColor(kMemoWritableColor);
      Memo1->SetReadOnly(false);
      Memo1->SetFocus();
    } else {
      FlButton1->SetVisible(false);
      FlButton6->SetVisible(false);
      hosts::SetHostsAttributes(hosts::HostsProtectedAttr);
      Memo1->SetColor(kMemoReadOnlyColor);
      Memo1->SetReadOnly(true);
      Memo1->SetFocus();
    }
  } catch (const std::exception&) {
    Memo1->SetFocus();
  }
  Memo1->SetFocus();
}

void TMainForm::SkImgCheckBox3Click(TObject*) {
  try {
    if (SkImgCheckBox3->Checked()) {
      Timer2->SetEnabled(true);
      SkImgCheckBox2->SetChecked(false);
      Memo1->SetColor(kMemoReadOnlyColor);
      Memo1->SetReadOnly(true);
      Memo1->SetFocus();
    } else {
      Timer2->SetEnabled(false);
      Memo1->SetFocus();
    }
  } catch (const std::exception&) {
    Memo1->SetFocus();
  }
  Memo1->SetFocus();
}

void TMainForm::Memo1Change(TObject*) { FlButton1->SetEnabled(true); }

void TMainForm::FlButton1Click(TObject*) {
  // A failed save says why; the button stays enabled and the memo keeps the text.
  try {
    SaveHostsFile();
  } catch (const std::exception& e) {
    ShowHostsMessage(kHostsSaveFailed + win::WideFromUtf8(e.what()));
    Memo1->SetFocus();
    return;
  }
  FlButton1->SetEnabled(false);
  Memo1->SetFocus();
}

void TMainForm::FlButton2Click(TObject*) {
  Memo1->SetFocus();
  Memo1->SetSelStart(0);
  Memo1->SetSelLength(0);
}

void TMainForm::FlButton3Click(TObject*) {
  Memo1->SetFocus();
  Memo1->SetSelStart(static_cast<int>(Memo1->Text().size()));
  Memo1->SetSelLength(0);
}

void TMainForm::FlButton6Click(TObject*) {
  const int answer = ::MessageBoxW(Handle(), kReplaceQuestion,
                                   kReplaceCaption,
                                   MB_YESNO | MB_ICONINFORMATION);
  if (answer == IDYES) {
    // The clipboard's text replaces the memo's whole text whether or not the memo takes typing
    // (a paste into a read-only memo would only have emptied it); without text on the
    // clipboard, or with text the memo cannot hold, nothing changes.
    const std::wstring pasted = Clipboard()->AsText();
    if (!pasted.empty()) {
      const std::u16string text =
          hosts::NormaliseLineBreaks(std::u16string(pasted.begin(), pasted.end()));
      Memo1->SetText(std::wstring(text.begin(), text.end()));
    }
    Memo1->SetFocus();
    if (!pasted.empty()) Clipboard()->Clear();
  } else {
    Memo1->SetFocus();
  }
}

// ---- the reference screen -------------------------------------------------------------------

void TMainForm::ResetCopyButton() {
  FxBitBtn1->SetLeft(kCopyButtonLeft);
  FxBitBtn1->SetWidth(kCopyButtonReadyWidth);
  FxBitBtn1->SetEnabled(true);
  FxBitBtn1->SetCaption(kCopyButtonReady);
}

void TMainForm::BtnInfoClick(TObject*) {
  InfoPanel->SetAlign(TAlign::alClient);
  Memo2->SetFocus();
  Memo2->SetSelLength(0);
}

void TMainForm::BtnBack3Click(TObject*) {
  try {
    InfoPanel->SetAlign(TAlign::alTop);
    InfoPanel->SetHeight(0);
    ResetCopyButton();
    Memo2->SetSelLength(0);
  } catch (const std::exception&) {
  }
}

void TMainForm::FxBitBtn1Click(TObject*) {
  try {
    SwitchLayoutToRussian();
    Memo2->SelectAll();
    // Put on the clipboard directly: the edit window's own copy reports no failure, and the
    // button must show the copied state only after a copy that worked.
    Clipboard()->SetAsText(Memo2->Text());
    FxBitBtn1->SetLeft(kCopyButtonLeft);
    FxBitBtn1->SetWidth(kCopyButtonCopiedWidth);
    FxBitBtn1->SetCaption(kCopyButtonCopied);
    FxBitBtn1->SetEnabled(false);
    FxBitBtn1->SetShowFocusRect(true);
    Memo2->SetFocus();
  } catch (const std::exception&) {
  }
}

void TMainForm::FxBitBtn1MouseMove(TObject*, TShiftState, int, int) {
  FxBitBtn1->SetShowFocusRect(false);
}

void TMainForm::Memo2Click(TObject*) {
  try {
    ResetCopyButton();
  } catch (const std::exception&) {
  }
}

void TMainForm::FlButton4Click(TObject*) {
  Memo2->SetFocus();
  Memo2->SetSelStart(0);
  Memo2->SetSelLength(0);
  ResetCopyButton();
}

void TMainForm::FlButton5Click(TObject*) {
  Memo2->SetFocus();
  Memo2->SetSelStart(static_cast<int>(Memo2->Text().size()));
  Memo2->SetSelLength(0);
  ResetCopyButton();
}

void TMainForm::FxLabel8Click(TObject*) {
  // The shell is loaded here, at the first use, not with the program.
  static const auto shell_execute =
      win::SystemFunction<decltype(::ShellExecuteA)>(L"shell32.dll", "ShellExecuteA");
  if (shell_execute != nullptr)
    shell_execute(Handle(), nullptr, kMakerAddress, nullptr, nullptr, SW_RESTORE);
  Memo2->SetFocus();
}

void TMainForm::FxLabel2Click(TObject*) {
  if (InfoPanel->OnClick) InfoPanel->OnClick(this);
}

}  // namespace vornada
