// The PNG picture class under Wine: conversion from framework bitmaps of every depth (with
// their transparency), copies into bitmaps, copies between pictures, failing conversions,
// pixel access, resizing, the palette and the picture's own canvas.
#include <gtest/gtest.h>

#include <cstring>

#include "../png/PngTestSupport.h"
#include "Classes.h"
#include "Graphics.h"
#include "PngGraphic.h"
#include "PngWinTestSupport.h"
#include "WinHandles.h"
#include "png/PngBlend.h"
#include "png/PngRows.h"

namespace vornada {
namespace {

using namespace pngwin_test;
using namespace testing;
using png::test::FixturePath;
using png::test::RequireFileBytes;
using png::test::WalkChunks;

std::unique_ptr<TPngGraphic> LoadFixtureGraphic(const char* name) {
  return LoadGraphic(RequireFileBytes(FixturePath(name)));
}

std::vector<std::string> ChunkTypes(const TPngGraphic& graphic) {
  std::vector<std::string> types;
  for (const auto& c : graphic.Core().Chunks()) types.push_back(c->TypeString());
  return types;
}

const png::test::RawChunk* FindRawChunk(const std::vector<png::test::RawChunk>& chunks,
                                        const char* type) {
  for (const auto& c : chunks)
    if (c.type == type) return &c;
  return nullptr;
}

// Colours of the picture's pixels, rows top-down, as the picture reports them.
std::vector<uint32_t> PictureColours(TPngGraphic& graphic) {
  std::vector<uint32_t> colours;
  for (int y = 0; y < graphic.Height(); ++y)
    for (int x = 0; x < graphic.Width(); ++x)
      colours.push_back(static_cast<uint32_t>(graphic.GetPixelColor(x, y)));
  return colours;
}

// ---- from bitmaps ----------------------------------------------------------------------------

TEST(PngGraphicFromBitmap, TwentyFourBitBitmapBecomesRgbWithoutPalette) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  bitmap.SetSize(5, 3);
  for (int y = 0; y < 3; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap.ScanLine(y));
    for (int i = 0; i < 15; ++i) row[i] = static_cast<uint8_t>(17 * i + 80 * y);
  }
  TPngGraphic graphic;
  int changes = 0;
  graphic.OnChange = [&](TObject*) { ++changes; };
  graphic.Assign(&bitmap);
  EXPECT_EQ(changes, 1);
  const png::TPngChunkIHDR* header = graphic.Core().Header();
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->ColourType(), 2);
  EXPECT_EQ(header->BitDepth(), 8);
  EXPECT_EQ(ChunkTypes(graphic), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  EXPECT_EQ(graphic.AlphaKind(), akOpaque);
  EXPECT_EQ(PictureColours(graphic), PixelsOf(bitmap));
  const auto saved = WalkChunks(SaveGraphic(graphic));
  EXPECT_EQ(FindRawChunk(saved, "PLTE"), nullptr);
  EXPECT_EQ(FindRawChunk(saved, "tRNS"), nullptr);
}

TEST(PngGraphicFromBitmap, TransparentEightBitBitmapKeysItsEntryFive) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf8bit);
  bitmap.SetSize(6, 2);
  std::vector<RGBQUAD> table(256);
  for (int i = 0; i < 256; ++i)
    table[static_cast<size_t>(i)] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 77, 0};
  table[5] = {30, 20, 10, 0};  // red 10, green 20, blue 30
  bitmap.SetColorTable(table);
  for (int y = 0; y < 2; ++y) {
    auto* row = static_cast<uint8_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < 6; ++x) row[x] = static_cast<uint8_t>(x == y + 2 ? 5 : 40 * x + y);
  }
  bitmap.SetTransparentColor(static_cast<TColor>(RGB(10, 20, 30)));
  bitmap.SetTransparent(true);

  TPngGraphic graphic;
  graphic.Assign(&bitmap);
  const png::TPngChunkIHDR* header = graphic.Core().Header();
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->ColourType(), 3);
  EXPECT_EQ(header->BitDepth(), 8);
  EXPECT_EQ(ChunkTypes(graphic),
            (std::vector<std::string>{"IHDR", "PLTE", "tRNS", "IDAT", "IEND"}));
  EXPECT_EQ(graphic.AlphaKind(), akKeyColour);
  EXPECT_EQ(graphic.KeyColour(), static_cast<TColor>(RGB(10, 20, 30)));
  EXPECT_TRUE(graphic.Transparent());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(png::ReadStorePixel(8, header->StoreRow(static_cast<uint32_t>(y)),
                                    static_cast<uint32_t>(x)),
                static_cast<const uint8_t*>(bitmap.ScanLine(y))[x]);
  ExpectGdiMirrorsCore(graphic);

  const auto saved = WalkChunks(SaveGraphic(graphic));
  const png::test::RawChunk* trns = FindRawChunk(saved, "tRNS");
  ASSERT_NE(trns, nullptr);
  EXPECT_EQ(trns->data, (std::vector<uint8_t>{255, 255, 255, 255, 255, 0}));
  const png::test::RawChunk* plte = FindRawChunk(saved, "PLTE");
  ASSERT_NE(plte, nullptr);
  ASSERT_EQ(plte->data.size(), 768u);
  EXPECT_EQ(std::vector<uint8_t>(plte->data.begin() + 15, plte->data.begin() + 18),
            (std::vector<uint8_t>{10, 20, 30}));
}

TEST(PngGraphicFromBitmap, TransparentRgbBitmapKeysItsColourInSixteenBitSamples) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  bitmap.SetSize(2, 2);
  bitmap.SetTransparentColor(static_cast<TColor>(RGB(0x42, 0x41, 0x40)));
  bitmap.SetTransparent(true);
  TPngGraphic graphic;
  graphic.Assign(&bitmap);
  const auto saved = WalkChunks(SaveGraphic(graphic));
  const png::test::RawChunk* trns = FindRawChunk(saved, "tRNS");
  ASSERT_NE(trns, nullptr);
  EXPECT_EQ(trns->data, (std::vector<uint8_t>{0, 0x42, 0, 0x41, 0, 0x40}));
  EXPECT_EQ(graphic.AlphaKind(), akKeyColour);
}

TEST(PngGraphicFromBitmap, ThirtyTwoBitBitmapBecomesRgbaWithAlphaFromTheFourthByte) {
  TBitmap bitmap;
  MakeBitmap32(bitmap, 7, 4, [](int x, int y) {
    return static_cast<uint32_t>((x * 30 + y) | (y * 60) << 8 | (200 - x) << 16 |
                                 (x * 37 + y * 5) << 24);
  });
  TPngGraphic graphic;
  graphic.Assign(&bitmap);
  const png::TPngChunkIHDR* header = graphic.Core().Header();
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->ColourType(), 6);
  EXPECT_EQ(header->BitDepth(), 8);
  EXPECT_EQ(graphic.AlphaKind(), akBlended);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x) {
      const uint32_t bytes = Bytes32(bitmap, x, y);
      EXPECT_EQ(static_cast<uint32_t>(graphic.GetPixelColor(x, y)), ColourOfBytes(bytes));
      EXPECT_EQ(header->AlphaRow(static_cast<uint32_t>(y))[x], bytes >> 24);
    }
}

TEST(PngGraphicFromBitmap, EveryDepthAndDeviceDependentBitmaps) {
  struct Case {
    const char* name;
    TPixelFormat format;  // pfDevice: a device-dependent bitmap
    uint8_t colour_type, bit_depth;
  };
  const Case cases[] = {
      {"1 bit", TPixelFormat::pf1bit, 3, 1},
      {"4 bits", TPixelFormat::pf4bit, 3, 4},
      {"16 bits", TPixelFormat::pf16bit, 2, 8},
      {"device", TPixelFormat::pfDevice, 6, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap;
    if (c.format != TPixelFormat::pfDevice) bitmap.SetPixelFormat(c.format);
    bitmap.SetSize(9, 5);
    if (c.format == TPixelFormat::pfDevice) {
      ASSERT_EQ(bitmap.HandleType(), TBitmapHandleType::bmDDB);
      ASSERT_EQ(bitmap.BitsPerPixel(), 32) << "the test screen is expected to be 32 bits deep";
    }
    const TColor colours[] = {clWhite, clRed, clNavy, static_cast<TColor>(RGB(0x10, 0x80, 0xF8))};
    for (int i = 0; i < 4; ++i) {
      bitmap.Canvas().Brush().SetColor(colours[i]);
      bitmap.Canvas().FillRect(RECT{i * 2, i, 9, 5});
    }
    TPngGraphic graphic;
    graphic.Assign(&bitmap);
    const png::TPngChunkIHDR* header = graphic.Core().Header();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->ColourType(), c.colour_type);
    EXPECT_EQ(header->BitDepth(), c.bit_depth);
    EXPECT_EQ(PictureColours(graphic), PixelsOf(bitmap));
    if (c.format == TPixelFormat::pfDevice) {
      // A device bitmap's fourth bytes are zero: it carries no alpha, so it stays opaque.
      for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 9; ++x) EXPECT_EQ(header->AlphaRow(y)[x], 255);
    }
    if (header->HasPalette()) ExpectGdiMirrorsCore(graphic);
  }
}

TEST(PngGraphicFromBitmap, EmptyBitmapEmptiesThePicture) {
  std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic("rgb8.png");
  int changes = 0;
  graphic->OnChange = [&](TObject*) { ++changes; };
  TBitmap empty;
  graphic->Assign(&empty);
  EXPECT_TRUE(graphic->Empty());
  EXPECT_EQ(graphic->Width(), 0);
  EXPECT_EQ(changes, 1);
}

TEST(PngGraphicConversion, NilEmptiesAndForeignClassesFailWithTheConversionError) {
  std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic("pal4.png");
  int changes = 0;
  graphic->OnChange = [&](TObject*) { ++changes; };
  TFont font;
  Failure f = FailureOf([&] { graphic->Assign(&font); });
  EXPECT_EQ(f.class_name, "EConvertError");
  EXPECT_EQ(f.message, "Cannot assign a TFont to a TPngGraphic");
  EXPECT_EQ(graphic->Width(), 37);  // unchanged
  f = FailureOf([&] { font.Assign(graphic.get()); });
  EXPECT_EQ(f.class_name, "EConvertError");
  EXPECT_EQ(f.message, "Cannot assign a TPngGraphic to a TFont");
  EXPECT_EQ(changes, 0);

  const ImageHandles handles = HandlesOf(*graphic);
  ASSERT_TRUE(Alive(handles));
  graphic->Assign(nullptr);
  EXPECT_TRUE(Released(handles));
  EXPECT_TRUE(graphic->Empty());
  EXPECT_EQ(changes, 1);
  // The canvas let go of the image that is gone.
  EXPECT_FALSE(graphic->Canvas().HandleAllocated());
  f = FailureOf([&] { (void)graphic->Canvas().Handle(); });
  EXPECT_EQ(f.class_name, "EInvalidOperation");
}

// ---- into bitmaps ----------------------------------------------------------------------------

TEST(PngGraphicToBitmap, OpaqueImagesGiveADeviceDependentCopy) {
  for (const char* name : {"rgb8.png", "pal8.png", "gray2.png", "rgb16.png"}) {
    SCOPED_TRACE(name);
    std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic(name);
    TBitmap bitmap;
    bitmap.SetTransparent(true);  // left over from before: a copy of an opaque image is not
    bitmap.Assign(graphic.get());
    EXPECT_EQ(bitmap.HandleType(), TBitmapHandleType::bmDDB);
    EXPECT_EQ(bitmap.Width(), graphic->Width());
    EXPECT_EQ(bitmap.Height(), graphic->Height());
    EXPECT_FALSE(bitmap.Transparent());
    EXPECT_EQ(PixelsOf(bitmap), PictureColours(*graphic));
    if (graphic->Core().Header()->HasPalette()) {
      // The bitmap gets its own copy of the palette.
      ASSERT_NE(bitmap.Palette(), nullptr);
      EXPECT_NE(bitmap.Palette(), graphic->Palette());
      PALETTEENTRY a[256] = {}, b[256] = {};
      const UINT n = ::GetPaletteEntries(graphic->Palette(), 0, 256, a);
      ASSERT_EQ(::GetPaletteEntries(bitmap.Palette(), 0, 256, b), n);
      EXPECT_EQ(std::memcmp(a, b, n * sizeof(PALETTEENTRY)), 0);
    }
  }
}

TEST(PngGraphicToBitmap, KeyColourImagesMakeTheBitmapTransparentWithTheKey) {
  for (const char* name : {"pal4_key.png", "gray8_trns.png", "rgb8_trns.png", "gray2_trns.png"}) {
    SCOPED_TRACE(name);
    std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic(name);
    ASSERT_EQ(graphic->AlphaKind(), akKeyColour);
    TBitmap bitmap;
    bitmap.Assign(graphic.get());
    EXPECT_TRUE(bitmap.Transparent());
    EXPECT_EQ(bitmap.TransparentMode(), TTransparentMode::tmFixed);
    EXPECT_EQ(bitmap.TransparentColor() & 0xFFFFFF, graphic->KeyColour());
    EXPECT_EQ(PixelsOf(bitmap), PictureColours(*graphic));
  }
}

TEST(PngGraphicToBitmap, AlphaImagesGiveThirtyTwoBitsWithAlphaInTheFourthByte) {
  for (const char* name :
       {"ga8.png", "ga16.png", "rgba8.png", "rgba16.png", "icon_phys_itxt.png"}) {
    SCOPED_TRACE(name);
    std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic(name);
    TBitmap bitmap;
    bitmap.Assign(graphic.get());
    ASSERT_EQ(bitmap.HandleType(), TBitmapHandleType::bmDIB);
    ASSERT_EQ(bitmap.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_FALSE(bitmap.Transparent());
    const png::TPngChunkIHDR* header = graphic->Core().Header();
    int mismatches = 0;
    for (int y = 0; y < graphic->Height(); ++y)
      for (int x = 0; x < graphic->Width(); ++x) {
        const uint32_t bytes = Bytes32(bitmap, x, y);
        if (ColourOfBytes(bytes) != static_cast<uint32_t>(graphic->GetPixelColor(x, y)) ||
            (bytes >> 24) != header->AlphaRow(static_cast<uint32_t>(y))[x])
          ++mismatches;
      }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(PngGraphicToBitmap, PictureWithoutImageFailsWithTheConversionError) {
  TPngGraphic empty;
  TBitmap bitmap;
  bitmap.SetSize(2, 2);
  const Failure f = FailureOf([&] { bitmap.Assign(&empty); });
  EXPECT_EQ(f.class_name, "EConvertError");
  EXPECT_EQ(f.message, "Cannot assign a TPngGraphic to a TBitmap");
  EXPECT_EQ(bitmap.Width(), 2);
}

// ---- between pictures ------------------------------------------------------------------------

TEST(PngGraphicCopy, DeepCopyWithTheSavingSettings) {
  std::unique_ptr<TPngGraphic> source = LoadFixtureGraphic("pal8_trns.png");
  source->SetSaveInterlace(1);
  source->SetIdatLimit(100000);
  source->SetDeflateLevel(3);
  source->SetRowFilters(0x1F);
  TPngGraphic copy;
  int changes = 0;
  copy.OnChange = [&](TObject*) { ++changes; };
  copy.Assign(source.get());
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(copy.SaveInterlace(), 1);
  EXPECT_EQ(copy.IdatLimit(), 100000u);
  EXPECT_EQ(copy.DeflateLevel(), 3);
  EXPECT_EQ(copy.RowFilters(), 0x1F);
  ExpectSameImage(source->Core(), copy.Core());
  ExpectGdiMirrorsCore(copy);
  EXPECT_NE(copy.Palette(), source->Palette());
  EXPECT_EQ(SaveGraphic(copy), SaveGraphic(*source));

  // Independent: a pixel written into the copy stays there.
  const TColor before = source->GetPixelColor(3, 3);
  const TColor other = source->GetPixelColor(0, 0) == before ? source->GetPixelColor(1, 0)
                                                             : source->GetPixelColor(0, 0);
  ASSERT_NE(other, before);
  copy.SetPixelColor(3, 3, other);
  EXPECT_EQ(copy.GetPixelColor(3, 3), other);
  EXPECT_EQ(source->GetPixelColor(3, 3), before);

  // Copying onto itself changes nothing; the picture holder copies through the same path.
  copy.Assign(&copy);
  EXPECT_EQ(changes, 2);  // the pixel write
  TPicture holder;
  holder.SetGraphic(source.get());
  auto* held = dynamic_cast<TPngGraphic*>(holder.Graphic());
  ASSERT_NE(held, nullptr);
  ASSERT_NE(held, source.get());
  ExpectSameImage(source->Core(), held->Core());
}

// ---- pixels, resizing, palette, canvas -------------------------------------------------------

TEST(PngGraphicPixels, ReadAndWriteThroughTheClass) {
  std::unique_ptr<TPngGraphic> rgb = LoadFixtureGraphic("rgb8.png");
  int changes = 0;
  rgb->OnChange = [&](TObject*) { ++changes; };
  rgb->SetPixelColor(2, 1, static_cast<TColor>(RGB(1, 2, 3)));
  EXPECT_EQ(rgb->GetPixelColor(2, 1), static_cast<TColor>(RGB(1, 2, 3)));
  EXPECT_EQ(changes, 1);
  rgb->SetPixelColor(0, 0, clBtnFace);  // system colours are resolved
  EXPECT_EQ(rgb->GetPixelColor(0, 0), ColorToRGB(clBtnFace));
  // Outside the image: reads give 0, writes change nothing.
  const std::vector<uint32_t> before = PictureColours(*rgb);
  for (POINT p : {POINT{-1, 0}, POINT{0, -1}, POINT{37, 0}, POINT{0, 23}}) {
    EXPECT_EQ(rgb->GetPixelColor(p.x, p.y), 0);
    rgb->SetPixelColor(p.x, p.y, clWhite);
  }
  EXPECT_EQ(PictureColours(*rgb), before);

  // Palette images store the platform's nearest palette entry.
  std::unique_ptr<TPngGraphic> pal = LoadFixtureGraphic("pal4.png");
  const png::TPngChunkIHDR* header = pal->Core().Header();
  const png::RgbQuad entry7 = header->Info().colours[7];
  const COLORREF near7 = RGB(entry7.red ^ 1, entry7.green, entry7.blue ^ 1);
  const UINT expected = ::GetNearestPaletteIndex(pal->Palette(), near7);
  pal->SetPixelColor(4, 2, static_cast<TColor>(near7));
  EXPECT_EQ(png::ReadStorePixel(4, header->StoreRow(2), 4), expected);
  const png::RgbQuad chosen = header->Info().colours[expected];
  EXPECT_EQ(pal->GetPixelColor(4, 2),
            static_cast<TColor>(RGB(chosen.red, chosen.green, chosen.blue)));

  // Gray images: the nearest ramp level (16 levels of 17).
  std::unique_ptr<TPngGraphic> gray = LoadFixtureGraphic("gray4.png");
  gray->SetPixelColor(5, 5, static_cast<TColor>(RGB(100, 101, 99)));
  EXPECT_EQ(gray->GetPixelColor(5, 5), static_cast<TColor>(RGB(102, 102, 102)));

  // Gray + alpha: the red component; the alpha stays.
  std::unique_ptr<TPngGraphic> ga = LoadFixtureGraphic("ga8.png");
  const uint8_t alpha = ga->Core().Header()->AlphaRow(3)[6];
  ga->SetPixelColor(6, 3, static_cast<TColor>(RGB(77, 200, 10)));
  EXPECT_EQ(ga->GetPixelColor(6, 3), static_cast<TColor>(RGB(77, 77, 77)));
  EXPECT_EQ(ga->Core().Header()->AlphaRow(3)[6], alpha);
}

TEST(PngGraphicResize, KeepsTheTopLeftAndRebindsTheCanvas) {
  std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic("rgba8.png");
  const std::vector<uint32_t> before = PictureColours(*graphic);
  std::vector<uint8_t> alpha_before(graphic->Core().Header()->AlphaPlane(),
                                    graphic->Core().Header()->AlphaPlane() + 37 * 23);
  (void)graphic->Canvas().Handle();  // bound to the old image
  int changes = 0;
  graphic->OnChange = [&](TObject*) { ++changes; };
  graphic->SetWidth(40);
  graphic->SetHeight(20);
  EXPECT_EQ(changes, 2);
  ASSERT_EQ(graphic->Width(), 40);
  ASSERT_EQ(graphic->Height(), 20);
  const png::TPngChunkIHDR* header = graphic->Core().Header();
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) {
      SCOPED_TRACE(::testing::Message() << x << "," << y);
      const bool kept = x < 37;
      EXPECT_EQ(static_cast<uint32_t>(graphic->GetPixelColor(x, y)),
                kept ? before[static_cast<size_t>(y * 37 + x)] : 0u);
      EXPECT_EQ(header->AlphaRow(static_cast<uint32_t>(y))[x],
                kept ? alpha_before[static_cast<size_t>(y * 37 + x)] : 255);
    }
  // The canvas draws onto the resized image.
  graphic->Canvas().Brush().SetColor(static_cast<TColor>(RGB(9, 8, 7)));
  graphic->Canvas().FillRect(RECT{38, 18, 40, 20});
  EXPECT_EQ(graphic->GetPixelColor(39, 19), static_cast<TColor>(RGB(9, 8, 7)));
  ExpectGdiMirrorsCore(*graphic);

  // Sizes below 1 fail and change nothing.
  for (int bad : {0, -1}) {
    Failure f = FailureOf([&] { graphic->SetWidth(bad); });
    EXPECT_EQ(f.class_name, "EPngInvalidNewSize");
    EXPECT_EQ(f.message, "The new size provided for image resizing is invalid.");
    f = FailureOf([&] { graphic->SetHeight(bad); });
    EXPECT_EQ(f.class_name, "EPngInvalidNewSize");
  }
  EXPECT_EQ(graphic->Width(), 40);
  EXPECT_EQ(graphic->Height(), 20);

  // Beyond 65535, the largest size the loader reads, resizing fails as loading would, so the
  // picture never writes a file it cannot read back; 65535 itself is written and read back.
  for (const int too_large : {65536, 100000}) {
    Failure f = FailureOf([&] { graphic->SetWidth(too_large); });
    EXPECT_EQ(f.class_name, "EPngSizeExceeds");
    f = FailureOf([&] { graphic->SetHeight(too_large); });
    EXPECT_EQ(f.class_name, "EPngSizeExceeds");
  }
  EXPECT_EQ(graphic->Width(), 40);
  EXPECT_EQ(graphic->Height(), 20);
  {
    std::unique_ptr<TPngGraphic> wide = LoadFixtureGraphic("gray1.png");
    wide->SetWidth(65535);
    std::unique_ptr<TPngGraphic> again = LoadGraphic(SaveGraphic(*wide));
    EXPECT_EQ(again->Width(), 65535);
  }

  // A resize beyond the picture's memory budget fails as the picture's out-of-memory error.
  {
    std::unique_ptr<TPngGraphic> tight = LoadFixtureGraphic("rgb8.png");
    tight->SetMemoryLimit(tight->Core().MemoryUsed() + 16);
    EXPECT_EQ(FailureOf([&] { tight->SetWidth(tight->Width() + 1); }).class_name, "EPngOutMemory");
    // So does a copy into a bitmap: it needs room beside the picture.
    TBitmap bitmap;
    EXPECT_EQ(FailureOf([&] { bitmap.Assign(tight.get()); }).class_name, "EPngOutMemory");
    tight->SetMemoryLimit(uint64_t{512} << 20);
    bitmap.Assign(tight.get());
    EXPECT_EQ(bitmap.Width(), tight->Width());
  }

  // Each resize of a palette image releases the old image's GDI objects.
  std::unique_ptr<TPngGraphic> pal = LoadFixtureGraphic("pal8.png");
  for (int i = 1; i <= 3; ++i) {
    const ImageHandles old_handles = HandlesOf(*pal);
    ASSERT_TRUE(Alive(old_handles));
    pal->SetWidth(10 + i);
    EXPECT_TRUE(Released(old_handles));
    EXPECT_TRUE(Alive(HandlesOf(*pal)));
  }
  ExpectGdiMirrorsCore(*pal);
}

win::UniquePalette MakeTestPalette(int entries, BYTE seed) {
  std::vector<BYTE> buffer(sizeof(LOGPALETTE) +
                           sizeof(PALETTEENTRY) * static_cast<size_t>(entries));
  auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = static_cast<WORD>(entries);
  for (int i = 0; i < entries; ++i)
    logical->palPalEntry[i] = {static_cast<BYTE>(seed + i * 13), static_cast<BYTE>(i * 7),
                               static_cast<BYTE>(255 - i), 0};
  return win::UniquePalette(::CreatePalette(logical));
}

TEST(PngGraphicPalette, SetAndGet) {
  std::unique_ptr<TPngGraphic> pal = LoadFixtureGraphic("pal4.png");
  ExpectGdiMirrorsCore(*pal);
  HPALETTE old_palette = pal->Palette();
  ASSERT_NE(old_palette, nullptr);
  const uint32_t index = png::ReadStorePixel(4, pal->Core().Header()->StoreRow(1), 2);
  int changes = 0;
  pal->OnChange = [&](TObject*) { ++changes; };
  // The picture takes over a palette it installs.
  const HPALETTE fresh = MakeTestPalette(16, 40).release();
  pal->SetPalette(fresh);
  EXPECT_EQ(pal->Palette(), fresh);
  EXPECT_EQ(::GetObjectType(old_palette), 0u) << "the previous palette is deleted";
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(pal->PaletteModified());
  ExpectGdiMirrorsCore(*pal);
  const TColor expected = static_cast<TColor>(RGB(40 + index * 13, index * 7, 255 - index));
  EXPECT_EQ(pal->GetPixelColor(2, 1), expected);
  // Drawing shows the new colours.
  TBitmap target;
  MakeBitmap32(target, 37, 23, [](int, int) { return 0u; });
  pal->Draw(target.Canvas(), RECT{0, 0, 37, 23});
  EXPECT_EQ(ColourOfBytes(Bytes32(target, 2, 1)), static_cast<uint32_t>(expected));
  // Setting the palette it already has changes nothing.
  pal->SetPalette(fresh);
  EXPECT_EQ(changes, 1);

  // Gray images keep a gray ramp; RGB images have no palette and leave one they are given.
  std::unique_ptr<TPngGraphic> gray = LoadFixtureGraphic("gray8.png");
  ASSERT_NE(gray->Palette(), nullptr);
  PALETTEENTRY ramp[256] = {};
  ASSERT_EQ(::GetPaletteEntries(gray->Palette(), 0, 256, ramp), 256u);
  EXPECT_TRUE(ramp[100].peRed == 100 && ramp[100].peGreen == 100 && ramp[100].peBlue == 100);
  std::unique_ptr<TPngGraphic> rgb = LoadFixtureGraphic("rgb8.png");
  EXPECT_EQ(rgb->Palette(), nullptr);
  win::UniquePalette unused = MakeTestPalette(4, 1);
  rgb->SetPalette(unused.get());
  EXPECT_EQ(rgb->Palette(), nullptr);
  EXPECT_EQ(::GetObjectType(unused.get()), static_cast<DWORD>(OBJ_PAL)) << "left with the caller";
}

TEST(PngGraphicCanvas, DrawingOnTheCanvasChangesTheImage) {
  std::unique_ptr<TPngGraphic> graphic = LoadFixtureGraphic("pal8.png");
  int changes = 0;
  graphic->OnChange = [&](TObject*) { ++changes; };
  const png::RgbQuad c = graphic->Core().Header()->Info().colours[9];
  graphic->Canvas().Brush().SetColor(static_cast<TColor>(RGB(c.red, c.green, c.blue)));
  graphic->Canvas().FillRect(RECT{0, 0, 4, 3});
  EXPECT_GE(changes, 1);
  EXPECT_EQ(graphic->GetPixelColor(3, 2), static_cast<TColor>(RGB(c.red, c.green, c.blue)));
  const uint32_t stored = png::ReadStorePixel(8, graphic->Core().Header()->StoreRow(2), 3);
  const png::RgbQuad s = graphic->Core().Header()->Info().colours[stored];
  EXPECT_TRUE(s.red == c.red && s.green == c.green && s.blue == c.blue) << stored;
  // Saved and read back, the drawing is part of the image.
  std::unique_ptr<TPngGraphic> again = LoadGraphic(SaveGraphic(*graphic));
  EXPECT_EQ(again->GetPixelColor(3, 2), static_cast<TColor>(RGB(c.red, c.green, c.blue)));
}

}  // namespace
}  // namespace vornada
