// Leak test of the flat controls under Wine: thousands of repaints, resizes and state changes of
// a flat panel, flat buttons (with a bitmap and a PNG glyph) and a flat edit leave the number of
// live GDI objects (counted by the framework's handle owners) where it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "FlButton.h"
#include "FlEdit.h"
#include "FlPanel.h"
#include "FlatTestSupport.h"
#include "PngGraphic.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::LiveGdiObjects;
using testing::PumpMessages;
using testing::StageForm;

TEST(FlatControlsLeak, NoGdiObjectGrowthOverRepaintsResizesAndStateChanges) {
  auto host = std::make_unique<TFlPanel>(nullptr);
  host->SetBounds(0, 0, 200, 150);
  host->SetCaption(L"&Screen");
  host->SetParent(&StageForm());
  auto* bitmap_button = new TFlButton(host.get());
  bitmap_button->SetCaption(L"&Save");
  bitmap_button->SetBounds(20, 20, 90, 30);
  bitmap_button->SetParent(host.get());
  auto* png_button = new TFlButton(host.get());
  png_button->SetCaption(L"Go to the very end of the text");
  png_button->SetBounds(20, 60, 90, 30);
  png_button->SetParent(host.get());
  auto* edit = new TFlEdit(host.get());
  edit->SetBounds(20, 120, 150, 21);
  edit->SetParent(host.get());

  TBitmap glyph;
  testing::MakeFilled32(glyph, 16, 16, RGB(255, 0, 255));
  glyph.Canvas().Brush().SetColor(RGB(0, 0, 255));
  glyph.Canvas().FillRect(RECT{4, 4, 12, 12});
  bitmap_button->SetGlyph(&glyph);
  ASSERT_TRUE(PngGraphicRegistered());
  std::vector<uint32_t> rgba(100, 0x80FF8000u);
  const std::vector<uint8_t> file = testing::EncodeRgbaPng(10, 10, rgba);
  TMemoryStream stream;
  stream.WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
  stream.SetPosition(0);
  TPngGraphic png;
  png.LoadFromStream(stream);
  png_button->SetGlyph(&png);
  ::SetForegroundWindow(StageForm().Handle());
  PumpMessages(20);

  // The buttons and the edit paint through their windows every time, the (larger, slower)
  // panel every fourth time.
  auto repaint_all = [&](bool with_panel) {
    for (TWinControl* c : std::vector<TWinControl*>{host.get(), bitmap_button, png_button, edit}) {
      if (c == host.get() && !with_panel) continue;
      c->Invalidate();
      c->Update();
    }
    testing::RenderControl(*bitmap_button);
    testing::RenderControl(*png_button);
    PumpMessages(0);
  };
  auto round = [&](int i) {
    // Sizes, states and looks change; every control paints through its window each time.
    bitmap_button->SetBounds(20, 20, 80 + i % 17, 25 + i % 9);
    png_button->SetBounds(20, 60, 90 - i % 13, 30 - i % 7);
    if (i % 10 == 0) host->SetBounds(0, 0, 200 - i % 7, 150 - i % 3);
    bitmap_button->Perform(i % 2 ? CM_MOUSEENTER : CM_MOUSELEAVE);
    bitmap_button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    if (i % 3 == 0 && png_button->CanFocus()) png_button->SetFocus();
    bitmap_button->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    bitmap_button->SetDefault(i % 4 == 0);
    png_button->SetEnabled(i % 5 != 0);
    edit->SetEnabled(i % 6 != 0);
    edit->SetEnabledBorderWidth(1 + i % 3);
    edit->SetColor(i % 2 ? clWhite : static_cast<TColor>(RGB(240, 250, 200)));
    edit->SetText(std::wstring(static_cast<size_t>(i % 7), L'x'));
    if (i % 50 == 0) edit->SetPasswordChar(i % 100 == 0 ? L'*' : 0);
    host->SetBorderWidth(1 + i % 4);
    repaint_all(i % 4 == 0);
  };
  // One fixed state for both counts: which bitmaps hold a drawing context, which brushes
  // exist, depends on the state last painted.
  auto settle = [&] {
    bitmap_button->SetBounds(20, 20, 90, 30);
    png_button->SetBounds(20, 60, 90, 30);
    host->SetBounds(0, 0, 200, 150);
    bitmap_button->Perform(CM_MOUSELEAVE);
    bitmap_button->SetDefault(false);
    png_button->SetEnabled(true);
    edit->SetEnabled(true);
    edit->SetEnabledBorderWidth(1);
    edit->SetColor(clWhite);
    edit->SetText(L"");
    edit->SetPasswordChar(0);
    host->SetBorderWidth(1);
    edit->SetFocus();
    repaint_all(true);
    FreeControlDeviceContexts();
  };
  for (int i = 0; i < 20; ++i) round(i);  // warm up: every lazily made object exists once
  settle();
  const long start = LiveGdiObjects();
  // Each round resizes two buttons, changes about ten states and paints five times (three
  // windows and two renderings), the panel too every fourth round: 2100 repaints in all.
  constexpr int kRounds = 400;
  for (int i = 20; i < 20 + kRounds; ++i) round(i);
  if (::GetCapture() != nullptr) ::ReleaseCapture();
  settle();
  const long end = LiveGdiObjects();
  std::printf("live GDI objects: %ld before, %ld after %d rounds\n", start, end, kRounds);
  EXPECT_LE(end, start) << "no growth over " << kRounds << " rounds";
}

}  // namespace
}  // namespace vornada
