// Visual styles: a thin wrapper over the platform's theme functions (uxtheme) for controls that
// draw their faces themselves. It tells whether visual styles are in use, draws a part of a
// theme class ("BUTTON" and so on) in a given state, and draws a window's parent behind a part
// that is partly transparent. Theme data are opened per class on first use and kept until the
// theme changes (a control that hears WM_THEMECHANGED calls ThemeChanged). The theme library is
// loaded at the first use; where it is missing, visual styles count as off.
#pragma once

#include <windows.h>
#include <uxtheme.h>

#include <map>
#include <string>

#include "WinHandles.h"

namespace vornada {

namespace win {
// Closes theme data (uxtheme's CloseThemeData, found at its first use).
void CloseThemeHandle(HTHEME theme);
struct ThemeDataTraits {
  using Handle = HTHEME;
  static constexpr bool kCountsGdi = false;
  static Handle Invalid() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { CloseThemeHandle(h); }
};
using UniqueThemeData = UniqueHandle<ThemeDataTraits>;
}  // namespace win

class TThemeServices {
 public:
  // Visual styles are active and apply to this program.
  bool ThemesEnabled() const;
  // The theme data of a class (null when there is none or styles are off).
  HTHEME Theme(const std::wstring& class_name);
  // Draws `part` in `state` of the class into `r` of `dc`; false when nothing could be drawn.
  bool DrawElement(HDC dc, const std::wstring& class_name, int part, int state, const RECT& r,
                   const RECT* clip = nullptr);
  bool IsPartiallyTransparent(const std::wstring& class_name, int part, int state);
  // Draws what the parent of `window` shows behind `r` (client coordinates of `window`) into
  // `dc`.
  void DrawParentBackground(HWND window, HDC dc, const RECT* r);
  // Forgets the theme data; they are opened again on next use.
  void ThemeChanged();

 private:
  std::map<std::wstring, win::UniqueThemeData> themes_;
};

// The one instance of the user-interface thread.
TThemeServices& ThemeServices();

}  // namespace vornada
