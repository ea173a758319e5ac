// The PNG picture class under Wine: the clipboard round trip (the picture goes as a bitmap of
// its size and comes back as a picture converted from that bitmap) and unsupported formats.
#include <gtest/gtest.h>

#include "../png/PngTestSupport.h"
#include "Clipbrd.h"
#include "Graphics.h"
#include "PngGraphic.h"
#include "PngWinTestSupport.h"
#include "png/PngBlend.h"

namespace vornada {
namespace {

using namespace pngwin_test;
using namespace testing;
using png::test::FixturePath;
using png::test::RequireFileBytes;

// Puts `graphic` on the clipboard and reads it back into a new picture.
std::unique_ptr<TPngGraphic> ThroughTheClipboard(TPngGraphic& graphic) {
  Clipboard()->Assign(&graphic);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  auto pasted = std::make_unique<TPngGraphic>();
  Clipboard()->Open();
  HANDLE data = ::GetClipboardData(CF_BITMAP);
  HPALETTE palette = static_cast<HPALETTE>(::GetClipboardData(CF_PALETTE));
  try {
    pasted->LoadFromClipboardFormat(CF_BITMAP, data, palette);
  } catch (...) {
    Clipboard()->Close();
    throw;
  }
  Clipboard()->Close();
  return pasted;
}

TEST(PngGraphicClipboard, OpaqueImageComesBackWithItsPixels) {
  for (const char* name : {"rgb8.png", "pal8.png", "gray4.png"}) {
    SCOPED_TRACE(name);
    std::unique_ptr<TPngGraphic> graphic = LoadGraphic(RequireFileBytes(FixturePath(name)));
    std::unique_ptr<TPngGraphic> pasted = ThroughTheClipboard(*graphic);
    ASSERT_EQ(pasted->Width(), graphic->Width());
    ASSERT_EQ(pasted->Height(), graphic->Height());
    EXPECT_FALSE(pasted->Transparent() && pasted->AlphaKind() == akKeyColour);
    int mismatches = 0;
    for (int y = 0; y < graphic->Height(); ++y)
      for (int x = 0; x < graphic->Width(); ++x)
        mismatches += pasted->GetPixelColor(x, y) != graphic->GetPixelColor(x, y);
    EXPECT_EQ(mismatches, 0);
    // Without transparency: every pixel shows fully.
    const std::vector<uint8_t> rgba = png::ExportRgba(pasted->Core());
    for (size_t i = 3; i < rgba.size(); i += 4) ASSERT_EQ(rgba[i], 255) << i / 4;
  }
}

TEST(PngGraphicClipboard, TransparentImageGoesDrawnOntoBlack) {
  std::unique_ptr<TPngGraphic> graphic = LoadGraphic(RequireFileBytes(FixturePath("pal4_key.png")));
  ASSERT_EQ(graphic->AlphaKind(), akKeyColour);
  std::unique_ptr<TPngGraphic> pasted = ThroughTheClipboard(*graphic);
  EXPECT_NE(pasted->AlphaKind(), akKeyColour);
  const uint32_t key = static_cast<uint32_t>(graphic->KeyColour());
  int mismatches = 0;
  for (int y = 0; y < graphic->Height(); ++y)
    for (int x = 0; x < graphic->Width(); ++x) {
      const uint32_t shown = static_cast<uint32_t>(graphic->GetPixelColor(x, y));
      mismatches +=
          static_cast<uint32_t>(pasted->GetPixelColor(x, y)) != (shown == key ? 0u : shown);
    }
  EXPECT_EQ(mismatches, 0);
}

TEST(PngGraphicClipboard, EmptyPictureAndForeignFormats) {
  TPngGraphic empty;
  UINT format = 0;
  HANDLE data = reinterpret_cast<HANDLE>(1);
  HPALETTE palette = reinterpret_cast<HPALETTE>(1);
  empty.SaveToClipboardFormat(format, data, palette);
  EXPECT_EQ(format, static_cast<UINT>(CF_BITMAP));
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(palette, nullptr);

  std::unique_ptr<TPngGraphic> graphic = LoadGraphic(RequireFileBytes(FixturePath("rgb8.png")));
  const Failure f = FailureOf([&] { graphic->LoadFromClipboardFormat(CF_TEXT, nullptr, nullptr); });
  EXPECT_EQ(f.class_name, "EInvalidGraphic");
  EXPECT_EQ(f.message, "Unsupported clipboard format");
  EXPECT_EQ(graphic->Width(), 37);  // unchanged
}

}  // namespace
}  // namespace vornada
