// Visual styles under Wine (which has them active): the wrapper draws what the platform draws,
// and a child drawing its parent's background gets the parent's own painting, windowless
// children included (the framework answers WM_PRINTCLIENT).
#include <gtest/gtest.h>

#include <windows.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <memory>

#include "ExtCtrls.h"
#include "Themes.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

std::vector<uint32_t> Drawn(const std::function<void(HDC)>& draw, int w, int h) {
  TBitmap target;
  testing::MakeFilled32(target, w, h, RGB(1, 2, 3));
  {
    ScopedCanvasLock lock(target.Canvas());
    draw(target.Canvas().Handle());
  }
  return testing::PixelsOf(target);
}

TEST(Themes, DrawsThePlatformsPushButtonParts) {
  if (!ThemeServices().ThemesEnabled()) GTEST_SKIP() << "no visual styles on this desktop";
  const RECT r{0, 0, 40, 25};
  for (int state : {PBS_NORMAL, PBS_HOT, PBS_PRESSED, PBS_DISABLED, PBS_DEFAULTED}) {
    const auto ours = Drawn([&](HDC dc) {
      EXPECT_TRUE(ThemeServices().DrawElement(dc, L"BUTTON", BP_PUSHBUTTON, state, r));
    }, 40, 25);
    HTHEME theme = ::OpenThemeData(nullptr, L"BUTTON");
    ASSERT_NE(theme, nullptr);
    const auto platform = Drawn([&](HDC dc) { ::DrawThemeBackground(theme, dc, BP_PUSHBUTTON, state, &r, nullptr); }, 40, 25);
    ::CloseThemeData(theme);
    EXPECT_EQ(ours, platform) << state;
  }
  // The states differ (the part is drawn, not a blank).
  const auto normal = Drawn([&](HDC dc) { ThemeServices().DrawElement(dc, L"BUTTON", BP_PUSHBUTTON, PBS_NORMAL, r); }, 40, 25);
  const auto pressed = Drawn([&](HDC dc) { ThemeServices().DrawElement(dc, L"BUTTON", BP_PUSHBUTTON, PBS_PRESSED, r); }, 40, 25);
  EXPECT_NE(normal, pressed);
  ThemeServices().ThemeChanged();
  EXPECT_NE(ThemeServices().Theme(L"BUTTON"), nullptr);
  EXPECT_EQ(ThemeServices().Theme(L"NO SUCH CLASS"), nullptr);
}

TEST(Themes, AParentsBackgroundIncludesItsWindowlessChildren) {
  auto panel = std::make_unique<TPanel>(nullptr);
  panel->SetParent(&testing::StageForm());
  panel->SetBevelOuter(TBevelCut::bvNone);
  panel->SetParentColor(false);
  panel->SetColor(RGB(0, 128, 0));
  panel->SetBounds(0, 0, 60, 40);
  // A windowless child: a red image at (10, 10)..(20, 20).
  auto image = std::make_unique<TImage>(nullptr);
  image->SetParent(panel.get());
  image->SetBounds(10, 10, 10, 10);
  testing::MakeFilled32(*image->Picture().Bitmap(), 10, 10, clRed);
  // A windowed child at (5, 5) covering the image.
  auto child = std::make_unique<TPanel>(nullptr);
  child->SetParent(panel.get());
  child->SetBounds(5, 5, 30, 30);
  testing::PumpMessages(10);
  TBitmap target;
  testing::MakeFilled32(target, 30, 30, RGB(1, 2, 3));
  {
    ScopedCanvasLock lock(target.Canvas());
    ThemeServices().DrawParentBackground(child->Handle(), target.Canvas().Handle(), nullptr);
  }
  // In the child's coordinates the panel's colour, with the image at (5, 5)..(15, 15).
  EXPECT_EQ(testing::PixelOf(target, 0, 0), RGB(0, 128, 0));
  EXPECT_EQ(testing::PixelOf(target, 5, 5), RGB(255, 0, 0));
  EXPECT_EQ(testing::PixelOf(target, 14, 14), RGB(255, 0, 0));
  EXPECT_EQ(testing::PixelOf(target, 15, 15), RGB(0, 128, 0));
  EXPECT_EQ(testing::PixelOf(target, 29, 29), RGB(0, 128, 0));
}

}  // namespace
}  // namespace vornada
