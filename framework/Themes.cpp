// Visual styles through uxtheme (see Themes.h).
#include "Themes.h"

#include "SystemLibrary.h"

namespace vornada {

namespace {

// uxtheme's functions, found once.
struct ThemeFunctions {
  decltype(::IsThemeActive)* is_theme_active = nullptr;
  decltype(::IsAppThemed)* is_app_themed = nullptr;
  decltype(::OpenThemeData)* open_theme_data = nullptr;
  decltype(::CloseThemeData)* close_theme_data = nullptr;
  decltype(::DrawThemeBackground)* draw_theme_background = nullptr;
  decltype(::IsThemeBackgroundPartiallyTransparent)* is_partially_transparent = nullptr;
  decltype(::DrawThemeParentBackground)* draw_theme_parent_background = nullptr;

  ThemeFunctions() {
    constexpr wchar_t kLibrary[] = L"uxtheme.dll";
    using win::SystemFunction;
    is_theme_active = SystemFunction<decltype(::IsThemeActive)>(kLibrary, "IsThemeActive");
    is_app_themed = SystemFunction<decltype(::IsAppThemed)>(kLibrary, "IsAppThemed");
    open_theme_data = SystemFunction<decltype(::OpenThemeData)>(kLibrary, "OpenThemeData");
    close_theme_data = SystemFunction<decltype(::CloseThemeData)>(kLibrary, "CloseThemeData");
    draw_theme_background =
        SystemFunction<decltype(::DrawThemeBackground)>(kLibrary, "DrawThemeBackground");
    is_partially_transparent = SystemFunction<decltype(::IsThemeBackgroundPartiallyTransparent)>(
        kLibrary, "IsThemeBackgroundPartiallyTransparent");
    draw_theme_parent_background = SystemFunction<decltype(::DrawThemeParentBackground)>(
        kLibrary, "DrawThemeParentBackground");
  }
  // All there: styles can be used.
  bool Complete() const {
    return is_theme_active && is_app_themed && open_theme_data && close_theme_data &&
           draw_theme_background && is_partially_transparent && draw_theme_parent_background;
  }
};

const ThemeFunctions& Functions() {
  static const ThemeFunctions functions;
  return functions;
}

}  // namespace

namespace win {
void CloseThemeHandle(HTHEME theme) {
  if (Functions().close_theme_data != nullptr) Functions().close_theme_data(theme);
}
}  // namespace win

bool TThemeServices::ThemesEnabled() const {
  const ThemeFunctions& f = Functions();
  return f.Complete() && f.is_theme_active() != FALSE && f.is_app_themed() != FALSE;
}

HTHEME TThemeServices::Theme(const std::wstring& class_name) {
  if (!ThemesEnabled()) return nullptr;
  auto it = themes_.find(class_name);
  if (it == themes_.end())
    it = themes_
             .emplace(class_name,
                      win::UniqueThemeData(Functions().open_theme_data(nullptr, class_name.c_str())))
             .first;
  return it->second.get();
}

bool TThemeServices::DrawElement(HDC dc, const std::wstring& class_name, int part, int state,
                                 const RECT& r, const RECT* clip) {
  HTHEME theme = Theme(class_name);
  if (theme == nullptr) return false;
  return SUCCEEDED(Functions().draw_theme_background(theme, dc, part, state, &r, clip));
}

bool TThemeServices::IsPartiallyTransparent(const std::wstring& class_name, int part, int state) {
  HTHEME theme = Theme(class_name);
  return theme != nullptr &&
         Functions().is_partially_transparent(theme, part, state) != FALSE;
}

void TThemeServices::DrawParentBackground(HWND window, HDC dc, const RECT* r) {
  if (Functions().draw_theme_parent_background == nullptr) return;
  RECT copy{};
  if (r != nullptr) copy = *r;
  Functions().draw_theme_parent_background(window, dc, r != nullptr ? &copy : nullptr);
}

void TThemeServices::ThemeChanged() { themes_.clear(); }

TThemeServices& ThemeServices() {
  thread_local TThemeServices services;
  return services;
}

}  // namespace vornada
