// The main window `TMainForm`: its four screens (flat panels) and every control on them, its
// timers and image list, the window's creation and show handlers, the fade timers, the
// hosts-file loading, saving and periodic reload, and the handlers of the controls' events.
//
// The window's design is read from its design description (resource MAINFORM, the text
// app/design/MainForm.dfm) when the window is created: every component below is created,
// placed and set up from it, and its events are bound to the handlers below by name. The window
// owns every control through the component tree; the members are non-owning references.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ClipboardWatch_win.h"
#include "DesignReader.h"
#include "ExtCtrls.h"
#include "FlButton.h"
#include "FlEdit.h"
#include "FlPanel.h"
#include "Forms.h"
#include "FxBckgnd.h"
#include "FxButton.h"
#include "FxLabel.h"
#include "GifAnimator.h"
#include "HostsEncoding.h"
#include "ImgList.h"
#include "SkImgBtn.h"
#include "SkImgCheckBox.h"
#include "SkImgForm.h"
#include "StdCtrls.h"

namespace vornada {

inline constexpr wchar_t kApplicationTitle[] = L"Vornada-Ver-1.1";
inline constexpr char kApplicationTitleAnsi[] = "Vornada-Ver-1.1";
inline constexpr char kInstanceMarkerName[] = "Vornada";
inline constexpr DWORD kInstanceMarkerSize = 1024;
// The password field's face and mask character (a filled round dot in that face).
inline constexpr wchar_t kPasswordFontName[] = L"Wingdings";
inline constexpr wchar_t kPasswordMaskChar = 108;

class TMainForm : public TForm {
 public:
  VORNADA_CLASS_NAME(TMainForm)
  explicit TMainForm(TComponent* owner);

  // The form's skin control (borderless style and activation hooks), under the panels.
  TSkImgForm* SkImgForm1 = nullptr;
  // Screens.
  TFlPanel* MainPanel = nullptr;
  TFlPanel* QuestionPanel = nullptr;
  TFlPanel* InfoPanel = nullptr;
  TFlPanel* PassPanel = nullptr;
  // Editor screen.
  TImage* ImageTitle = nullptr;
  TFxLabel* LblTitle = nullptr;
  TFxLabel* FxLabel6 = nullptr;
  TFxLabel* FxLabel3 = nullptr;
  TFxLabel* FxLabel1 = nullptr;
  TFxLabel* BuffLabel1 = nullptr;
  TFxLabel* FxLabel9 = nullptr;
  TSkImgCheckBox* SkImgCheckBox1 = nullptr;
  TSkImgCheckBox* SkImgCheckBox2 = nullptr;
  TSkImgCheckBox* SkImgCheckBox3 = nullptr;
  TFlButton* FlButton1 = nullptr;
  TFlButton* FlButton6 = nullptr;
  TSkImgBtn* BtnInfo = nullptr;
  TSkImgBtn* BtnMin = nullptr;
  TSkImgBtn* BtnClose = nullptr;
  TMemo* Memo1 = nullptr;
  TFlButton* FlButton2 = nullptr;
  TFlButton* FlButton3 = nullptr;
  TFxSeparator* FxSeparator1 = nullptr;
  // Question screen.
  TFxLabel* FxLabel4 = nullptr;
  TImage* Image2 = nullptr;
  TSkImgBtn* BtnYES = nullptr;
  TSkImgBtn* BtnNO = nullptr;
  // Reference screen.
  TImage* Image1 = nullptr;
  TFxBitBtn* FxBitBtn1 = nullptr;
  TMemo* Memo2 = nullptr;
  TFlButton* FlButton4 = nullptr;
  TFlButton* FlButton5 = nullptr;
  TFxSeparator* FxSeparator2 = nullptr;
  TFxLabel* FxLabel8 = nullptr;
  TFxLabel* FxLabel2 = nullptr;
  TSkImgBtn* BtnBack3 = nullptr;
  TSkImgBtn* BtnMin3 = nullptr;
  TSkImgBtn* BtnClose3 = nullptr;
  // Password screen.
  TFxLabel* FxLabel5 = nullptr;
  TImage* PenImage1 = nullptr;
  TGifAnimator* GifAnimator2 = nullptr;
  TImage* Image3 = nullptr;
  TFxLabel* lang = nullptr;
  TSkImgBtn* BtnClose2 = nullptr;
  TFlEdit* PassEdit1 = nullptr;
  // Components without a window.
  TTimer* ShowTimer = nullptr;
  TTimer* CloseTimer = nullptr;
  TTimer* Timer1 = nullptr;
  TTimer* Timer2 = nullptr;
  TTimer* Timer3 = nullptr;
  TImageList* TypeImageList1 = nullptr;

  // Handlers: the window.
  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  // Handlers: screen flow, fades, dragging, focus following the mouse, the answer underline.
  void ShowTimerTimer(TObject* sender);
  void CloseTimerTimer(TObject* sender);
  void BtnNOClick(TObject* sender);
  void BtnClose2Click(TObject* sender);
  void BtnCloseClick(TObject* sender);
  void BtnMinClick(TObject* sender);
  void ImageTitleMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void Image1MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void Timer3Timer(TObject* sender);
  void BtnYESEnter(TObject* sender);
  void BtnNOEnter(TObject* sender);
  void BtnYESMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void BtnNOMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void QuestionPanelMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void MainPanelMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void Memo1MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void BtnInfoMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void BtnMinMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void BtnCloseMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void FlButton1MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void FlButton2MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void FlButton3MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void FlButton6MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void SkImgCheckBox1MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void SkImgCheckBox2MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void SkImgCheckBox3MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void Memo2MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void Image1MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void FlButton4MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void FlButton5MouseMove(TObject* sender, TShiftState shift, int x, int y);
  // Handlers: the lock screen.
  void BtnYESClick(TObject* sender);
  void Timer1Timer(TObject* sender);
  void PassEdit1Change(TObject* sender);
  void PassEdit1KeyDown(TObject* sender, WORD& key, TShiftState shift);
  void PassEdit1KeyUp(TObject* sender, WORD& key, TShiftState shift);
  // Handlers: the editor screen.
  void SkImgCheckBox1Click(TObject* sender);
  void SkImgCheckBox2Click(TObject* sender);
  void SkImgCheckBox3Click(TObject* sender);
  void Memo1Change(TObject* sender);
  void FlButton1Click(TObject* sender);
  void FlButton2Click(TObject* sender);
  void FlButton3Click(TObject* sender);
  void FlButton6Click(TObject* sender);
  // Handlers: the reference screen.
  void BtnInfoClick(TObject* sender);
  void BtnBack3Click(TObject* sender);
  void FxBitBtn1Click(TObject* sender);
  void FxBitBtn1MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void Memo2Click(TObject* sender);
  void FlButton4Click(TObject* sender);
  void FlButton5Click(TObject* sender);
  void FxLabel8Click(TObject* sender);
  void FxLabel2Click(TObject* sender);
  // Handlers: the hosts file.
  void Timer2Timer(TObject* sender);
  // Handlers: closing by the system (Alt+F4, the taskbar) and the end of the Windows session.
  void FormClose(TObject* sender, TCloseAction& action);
  void FormEndSession(TObject* sender);

  // Keyboard layout: US English for the password, Russian after a copy of the reference text;
  // the handle goes to LastLayoutHandle, a failure shows its message.
  void SwitchLayoutToEnglish();
  void SwitchLayoutToRussian();

  // Hosts file. A load that finds the file not readable as text raises EHostsText and leaves
  // the memo as it was; from then on, until a load reads the file, no save may write over it.
  // A save writes the memo's text in the form the file was read in, and refuses with EHostsText
  // (nothing written) when the file's text was not read or a character cannot be written in
  // that form.
  void LoadHostsFile();
  void SaveHostsFile();

 private:
  // The handlers and fields the design description binds by name.
  TDesignBindings DesignBindings();
  // True once the editor screen was reached (it and the reference screen are enabled).
  bool EditorReached() const;
  // Starts the closing fade-out. A close wins over a fade-in that is running or started later,
  // so the window always reaches opacity 0 and the program ends; with `protect_hosts` (a close
  // from the editor or reference screen) the hosts file is protected again at the end, whatever
  // was switched meanwhile.
  void StartClosing(bool protect_hosts);
  // A close is under way (the fade-out runs).
  bool Closing() const;
  // Releases the mouse and starts the system's move loop for the window.
  void StartWindowMove();
  // Restarts the underline's growth under `answer` when it has the focus.
  void RestartUnderlineIfFocused(TWinControl* answer, int left);
  // Draws image `index` of TypeImageList1 into the pen icon and repaints it at once.
  void ShowPenImage(int index);
  // The copy button of the reference screen back to its ready state.
  void ResetCopyButton();
  // A message about the hosts file in a message box owned by the window.
  void ShowHostsMessage(const std::wstring& text);

  // The form the hosts file's text was last read in; empty while its text was not read.
  std::optional<hosts::TextForm> hosts_form_;
  // The bytes of that read and the text they gave (line breaks as CR LF).
  std::string hosts_raw_;
  std::wstring hosts_shown_;

  // Whether the clipboard holds text, read only when the clipboard changed.
  TClipboardTextWatch clipboard_watch_;
  // The running close started on the editor or reference screen.
  bool protect_hosts_at_end_ = false;
};

// Brings `window` to the foreground even when another program owns the foreground.
bool ForceForeground(HWND window);

// Step counter of the answer underline; 0 at start.
extern int32_t UnderlineStep;
// Result of the last keyboard-layout switch.
extern HKL LastLayoutHandle;

extern TMainForm* MainForm;

}  // namespace vornada
