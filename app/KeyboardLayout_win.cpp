// Keyboard-layout switching and the active layout's indicator text.
#include "KeyboardLayout_win.h"

#include "Forms.h"
#include "KeyboardLayout.h"
#include "WinHandles.h"

namespace vornada {

namespace {
KeyboardLayoutLoader g_layout_loader = &::LoadKeyboardLayoutW;
}  // namespace

KeyboardLayoutLoader SetKeyboardLayoutLoader(KeyboardLayoutLoader loader) {
  const KeyboardLayoutLoader previous = g_layout_loader;
  g_layout_loader = loader != nullptr ? loader : &::LoadKeyboardLayoutW;
  return previous;
}

HKL SwitchKeyboardLayout(const wchar_t* name, std::u16string_view failure_text) {
  const HKL layout = g_layout_loader(name, KLF_ACTIVATE);
  if (layout == nullptr) {
    Application()->MessageBox(win::WideString(failure_text), Application()->Title(), MB_OK);
  }
  return layout;
}

std::wstring ActiveLayoutIndicatorText() {
  const HKL layout = ::GetKeyboardLayout(0);
  return win::WideString(LayoutIndicatorText(LayoutLanguage(reinterpret_cast<uintptr_t>(layout))));
}

}  // namespace vornada
