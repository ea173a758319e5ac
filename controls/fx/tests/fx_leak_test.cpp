// The effect controls hold no GDI objects beyond their lifetime: thousands of repaints, caption
// changes, blink phases and resizes of labels, separators and buttons in every face leave the
// count of live GDI objects (kept by the framework's handle owners) where it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "FxBckgnd.h"
#include "FxButton.h"
#include "FxLabel.h"
#include "FxTestSupport.h"

namespace vornada {
namespace {

TEST(FxLeaks, RepaintsCaptionsBlinksAndResizesKeepTheGdiObjectCount) {
  TPanel& stage = testing::StagePanel();
  auto label = std::make_unique<TFxLabel>(nullptr);
  label->SetParent(&stage);
  label->SetBounds(5, 5, 10, 10);
  label->SetTextStyle(TTextStyle::tsRaised);
  label->SetBorderOuter(TFrameStyleEx::fsButtonUp);
  label->SetBorderInner(TFrameStyleEx::fsFlatRounded);
  label->SetBorderWidth(1);
  label->SetBlinking(true);
  auto turned = std::make_unique<TFxLabel>(nullptr);
  turned->SetParent(&stage);
  turned->Font().SetName(L"Tahoma");
  turned->SetCaption(L"Turned");
  turned->SetAngle(45);
  auto separator = std::make_unique<TFxSeparator>(nullptr);
  separator->SetParent(&stage);
  separator->SetBounds(200, 10, 5, 200);
  separator->SetOrientation(TOrientation::orVertical);
  auto classic = std::make_unique<TFxBitBtn>(nullptr);
  classic->SetParent(&stage);
  classic->SetBounds(10, 200, 137, 25);
  classic->SetThemeAware(false);
  TBitmap glyph;
  testing::MakeFilled32(glyph, 32, 16, clFuchsia);
  classic->SetGlyph(&glyph);
  auto themed = std::make_unique<TFxBitBtn>(nullptr);
  themed->SetParent(&stage);
  themed->SetBounds(10, 230, 137, 25);
  themed->SetGlyph(&glyph);
  auto hot = std::make_unique<TFxButton>(nullptr);
  hot->SetParent(&stage);
  hot->SetBounds(160, 230, 100, 25);
  hot->SetHotTrack(true);
  hot->SetGroupIndex(3);
  hot->SetDown(true);
  TImageList images(nullptr, 16, 16);
  images.AddMasked(glyph, clFuchsia);
  themed->SetImages(&images);
  themed->SetImageIndex(0);

  auto round = [&](int i) {
    label->SetCaption(i % 2 ? L"One caption" : L"Another, longer caption");
    label->Perform(kFxBlinkPhaseMessage, i % 2, 0);
    label->SetBounds(5, 5 + i % 3, label->Width(), label->Height());
    turned->SetCaption(i % 2 ? L"Turned" : L"Turned again");
    separator->SetBounds(200, 10, 5 + i % 4, 200 - i % 7);
    separator->Repaint();
    classic->SetCaption(i % 2 ? L"Copy all" : L"Copied!");
    classic->SetEnabled(i % 5 != 0);
    themed->SetCaption(i % 2 ? L"&Save" : L"&Load");
    themed->Perform(i % 2 ? CM_MOUSEENTER : CM_MOUSELEAVE, 0, 0);
    themed->Repaint();
    hot->Perform(i % 2 ? CM_MOUSEENTER : CM_MOUSELEAVE, 0, 0);
    hot->SetColor(i % 2 ? clBtnFace : clSilver);
    hot->Repaint();
    // The same painting into bitmaps (cheaper than on the screen under Wine).
    for (TControl* c : std::initializer_list<TControl*>{label.get(), turned.get(), separator.get(),
                                                        classic.get(), themed.get(), hot.get()})
      testing::RenderControl(*c);
    testing::PumpMessages(0);
  };
  for (int i = 0; i < 5; ++i) round(i);
  const long before = testing::LiveGdiObjects();
  constexpr int kRounds = 150;
  for (int i = 0; i < kRounds; ++i) round(i);
  testing::PumpMessages(20);
  const long after = testing::LiveGdiObjects();
  std::printf("live GDI objects: %ld before, %ld after %d rounds (%d repaints on the screen, %d "
              "into bitmaps, %d caption changes)\n",
              before, after, kRounds, kRounds * 7, kRounds * 6, kRounds * 4);
  EXPECT_EQ(after, before);
  // Everything freed: back to what the stage itself holds.
  label.reset();
  turned.reset();
  separator.reset();
  classic.reset();
  themed.reset();
  hot.reset();
  testing::PumpMessages(20);
  EXPECT_LE(testing::LiveGdiObjects(), before);
}

}  // namespace
}  // namespace vornada
