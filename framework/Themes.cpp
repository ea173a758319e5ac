// Visual styles through uxtheme (see Themes.h).
#include "Themes.h"

namespace vornada {

bool TThemeServices::ThemesEnabled() const {
  return ::IsThemeActive() != FALSE && ::IsAppThemed() != FALSE;
}

HTHEME TThemeServices::Theme(const std::wstring& class_name) {
  if (!ThemesEnabled()) return nullptr;
  auto it = themes_.find(class_name);
  if (it == themes_.end())
    it = themes_.emplace(class_name, win::UniqueThemeData(::OpenThemeData(nullptr, class_name.c_str())))
             .first;
  return it->second.get();
}

bool TThemeServices::DrawElement(HDC dc, const std::wstring& class_name, int part, int state,
                                 const RECT& r, const RECT* clip) {
  HTHEME theme = Theme(class_name);
  if (theme == nullptr) return false;
  return SUCCEEDED(::DrawThemeBackground(theme, dc, part, state, &r, clip));
}

bool TThemeServices::IsPartiallyTransparent(const std::wstring& class_name, int part, int state) {
  HTHEME theme = Theme(class_name);
  return theme != nullptr && ::IsThemeBackgroundPartiallyTransparent(theme, part, state) != FALSE;
}

void TThemeServices::DrawParentBackground(HWND window, HDC dc, const RECT* r) {
  RECT copy{};
  if (r != nullptr) copy = *r;
  ::DrawThemeParentBackground(window, dc, r != nullptr ? &copy : nullptr);
}

void TThemeServices::ThemeChanged() { themes_.clear(); }

TThemeServices& ThemeServices() {
  thread_local TThemeServices services;
  return services;
}

}  // namespace vornada
