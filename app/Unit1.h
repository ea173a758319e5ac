// The main window `TMainForm`: its four screens (panels), its timers, the editor memo, the
// window's creation and show handlers, the fade timers, and the hosts-file loading, saving and
// periodic reload.
//
// The window's design is read from its design description (resource MAINFORM, the text
// app/design/MainForm.dfm) when the window is created. The window owns every control on it
// through the component tree; the members below are non-owning references to them.
#pragma once

#include <windows.h>

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

namespace vornada {

inline constexpr wchar_t kApplicationTitle[] = L"Vornada-Ver-1.1";
inline constexpr char kApplicationTitleAnsi[] = "Vornada-Ver-1.1";
inline constexpr char kInstanceMarkerName[] = "Vornada";
inline constexpr DWORD kInstanceMarkerSize = 1024;

class TMainForm : public TForm {
 public:
  VORNADA_CLASS_NAME(TMainForm)
  explicit TMainForm(TComponent* owner);

  // Screens.
  TPanel* MainPanel = nullptr;
  TPanel* QuestionPanel = nullptr;
  TPanel* InfoPanel = nullptr;
  TPanel* PassPanel = nullptr;
  // Editor.
  TMemo* Memo1 = nullptr;
  // Components without a window.
  TTimer* ShowTimer = nullptr;
  TTimer* CloseTimer = nullptr;
  TTimer* Timer1 = nullptr;
  TTimer* Timer2 = nullptr;
  TTimer* Timer3 = nullptr;

  // Handlers.
  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void ShowTimerTimer(TObject* sender);
  void CloseTimerTimer(TObject* sender);
  void Timer2Timer(TObject* sender);

  // Hosts file.
  void LoadHostsFile();
  void SaveHostsFile();
};

// Brings `window` to the foreground even when another program owns the foreground.
bool ForceForeground(HWND window);

// Step counter of the answer underline; 0 at start.
extern int32_t UnderlineStep;
// Result of the last keyboard-layout switch.
extern HKL LastLayoutHandle;

extern TMainForm* MainForm;

}  // namespace vornada
