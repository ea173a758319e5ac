// The picture's operations besides loading and saving: transparency mode and key colour,
// resizing, pixel access, palette changes, deep copies and conversion from bitmaps.
#include <gtest/gtest.h>

#include <cstring>

#include "PngTestSupport.h"
#include "png/PngBlend.h"
#include "png/PngRows.h"

namespace vornada::png::test {
namespace {

TEST(PngTransparency, ModeAndKeyColourPerForm) {
  struct Case {
    const char* file;
    TPNGAlphaKind kind;
    int key_x, key_y;  // a pixel showing the key colour, or -1
  };
  const Case cases[] = {
      {"gray8.png", akOpaque, -1, -1},     {"rgb8.png", akOpaque, -1, -1},
      {"pal4.png", akOpaque, -1, -1},      {"gray8_trns.png", akKeyColour, 3, 3},
      {"rgb8_trns.png", akKeyColour, 5, 2}, {"gray2_trns.png", akKeyColour, -1, -1},
      {"pal4_key.png", akKeyColour, -1, -1}, {"pal4_partial.png", akBlended, -1, -1},
      {"pal8_trns.png", akBlended, -1, -1}, {"rgba8.png", akBlended, -1, -1},
      {"ga8.png", akBlended, -1, -1},      {"rgba16.png", akBlended, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    PngPicture picture;
    LoadFixture(picture, FixturePath(c.file));
    EXPECT_EQ(picture.AlphaKind(), c.kind);
    EXPECT_EQ(picture.Transparent(), c.kind != akOpaque);
    if (c.key_x >= 0) {
      EXPECT_EQ(picture.KeyColour(), picture.GetPixelColor(c.key_x, c.key_y));
    }
  }
}

TEST(PngTransparency, PaletteKeyIsTheEntryWithAlphaZero) {
  PngPicture picture;
  LoadFixture(picture, FixturePath("pal4_key.png"));  // tRNS 255, 255, 0
  const RgbQuad entry = picture.Header()->Info().colours[2];
  EXPECT_EQ(picture.KeyColour(), MakeColour(entry.red, entry.green, entry.blue));
  EXPECT_TRUE(picture.Chunks().Find<TPngChunktRNS>()->SingleColour());
}

TEST(PngTransparency, GrayKeyOfTwoBitImageIsItsRampLevel) {
  PngPicture picture;
  LoadFixture(picture, FixturePath("gray2_trns.png"));  // key sample 2 of 0..3
  EXPECT_EQ(picture.KeyColour(), MakeColour(170, 170, 170));
}

TEST(PngTransparency, PaletteWithOnePartlyTransparentEntryIsBlended) {
  // One entry below 255 that is not 0: keying it would make it fully transparent.
  PngPicture picture;
  LoadFixture(picture, FixturePath("pal4_partial.png"));
  EXPECT_FALSE(picture.Chunks().Find<TPngChunktRNS>()->SingleColour());
  EXPECT_EQ(picture.AlphaKind(), akBlended);
}

TEST(PngResize, KeepsTopLeftFillsZeroAndOpaqueAlpha) {
  for (const char* name : {"gray1.png", "pal4.png", "gray8.png", "rgb8.png", "rgba8.png", "ga8.png"}) {
    SCOPED_TRACE(name);
    PngPicture original, picture;
    LoadFixture(original, FixturePath(name));
    LoadFixture(picture, FixturePath(name));
    const std::vector<uint8_t> before = ExportRgba(original);
    const uint32_t w = original.Width(), h = original.Height();

    picture.Resize(w + 9, h + 5);
    EXPECT_EQ(picture.Width(), w + 9);
    EXPECT_EQ(picture.Header()->Stride(), DibStride(picture.Header()->BitCount(), w + 9));
    std::vector<uint8_t> grown = ExportRgba(picture);
    const bool has_alpha = picture.Header()->HasAlpha();
    const RgbQuad entry0 = picture.Header()->Info().colours[0];
    const uint32_t zero_colour = picture.Header()->ColourType() == 3
                                     ? MakeColour(entry0.red, entry0.green, entry0.blue)
                                     : 0u;
    for (uint32_t y = 0; y < h + 5; ++y)
      for (uint32_t x = 0; x < w + 9; ++x) {
        const uint8_t* p = &grown[(y * (w + 9) + x) * 4];
        if (x < w && y < h) {
          ASSERT_EQ(0, std::memcmp(p, &before[(y * w + x) * 4], 4)) << x << "," << y;
        } else {
          // Zero: black, or palette entry 0.
          EXPECT_EQ(picture.GetPixelColor(x, y), zero_colour) << x << "," << y;
          if (has_alpha) {
            EXPECT_EQ(p[3], 255);
          }
        }
      }

    picture.Resize(1, 1);
    std::vector<uint8_t> one = ExportRgba(picture);
    EXPECT_EQ(one, std::vector<uint8_t>(before.begin(), before.begin() + 4));
  }
}

TEST(PngResize, SizeBelowOneAndMissingHeaderFail) {
  PngPicture picture;
  try {
    picture.SetWidth(5);
    FAIL();
  } catch (const PngError& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::HeaderNotPresent);
  }
  LoadFixture(picture, FixturePath("gray8.png"));
  for (auto [w, h] : {std::pair{0u, 5u}, std::pair{5u, 0u}}) {
    try {
      picture.Resize(w, h);
      FAIL();
    } catch (const PngError& e) {
      EXPECT_EQ(e.Kind(), ErrorKind::InvalidNewSize);
      EXPECT_STREQ(e.what(), "The new size provided for image resizing is invalid.");
    }
  }
  EXPECT_EQ(picture.Width(), 37u);
  int changes = 0;
  picture.OnChange = [&] { ++changes; };
  picture.SetHeight(4);
  picture.SetWidth(3);
  EXPECT_EQ(picture.Height(), 4u);
  EXPECT_EQ(picture.Width(), 3u);
  EXPECT_EQ(changes, 2);
  // The resized image saves and loads.
  PngPicture again;
  ASSERT_TRUE(LoadBytes(again, SaveBytes(picture)).ok);
  EXPECT_EQ(ExportRgba(again), ExportRgba(picture));
}

TEST(PngPixels, ReadAndWritePerForm) {
  PngPicture rgb;
  LoadFixture(rgb, FixturePath("rgb8.png"));
  rgb.SetPixelColor(4, 7, MakeColour(1, 2, 3));
  EXPECT_EQ(rgb.GetPixelColor(4, 7), MakeColour(1, 2, 3));
  EXPECT_EQ(rgb.Header()->StoreRow(7)[12], 3);  // stored blue, green, red
  EXPECT_EQ(rgb.Header()->StoreRow(7)[14], 1);
  // Outside: reads 0, writes nothing.
  const std::vector<uint8_t> before = ExportRgba(rgb);
  EXPECT_EQ(rgb.GetPixelColor(-1, 0), 0u);
  EXPECT_EQ(rgb.GetPixelColor(37, 0), 0u);
  EXPECT_EQ(rgb.GetPixelColor(0, 23), 0u);
  rgb.SetPixelColor(37, 0, 0xFFFFFF);
  rgb.SetPixelColor(0, -1, 0xFFFFFF);
  EXPECT_EQ(ExportRgba(rgb), before);

  PngPicture ga;
  LoadFixture(ga, FixturePath("ga8.png"));
  ga.SetPixelColor(2, 2, MakeColour(90, 10, 10));
  EXPECT_EQ(ga.GetPixelColor(2, 2), MakeColour(90, 90, 90));

  PngPicture pal;
  LoadFixture(pal, FixturePath("pal4.png"));
  const RgbQuad* colours = pal.Header()->Info().colours;
  const RgbQuad e = colours[9];
  pal.SetPixelColor(0, 0, MakeColour(e.red, e.green, static_cast<uint8_t>(e.blue ^ 1)));
  EXPECT_EQ(pal.GetPixelColor(0, 0), MakeColour(e.red, e.green, e.blue));

  PngPicture gray;
  LoadFixture(gray, FixturePath("gray1.png"));
  gray.SetPixelColor(5, 5, MakeColour(200, 190, 220));
  EXPECT_EQ(gray.GetPixelColor(5, 5), MakeColour(255, 255, 255));
  gray.SetPixelColor(5, 5, MakeColour(20, 90, 10));
  EXPECT_EQ(gray.GetPixelColor(5, 5), 0u);

  PngPicture empty;
  EXPECT_THROW(empty.GetPixelColor(0, 0), PngError);
  EXPECT_THROW(empty.SetPixelColor(0, 0, 0), PngError);
}

TEST(PngPixels, NearestPaletteIndexUsesSquaredDistanceAndFirstOnTies) {
  const RgbQuad entries[] = {{10, 10, 10, 0}, {25, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
  // Black: entry 0 is at 300 (squared), entry 1 at 625, though its summed distance is lower.
  EXPECT_EQ(NearestPaletteIndex(entries, 2, 0), 0u);
  EXPECT_EQ(NearestPaletteIndex(entries, 4, 0), 2u);  // exact match, first of the two
  EXPECT_EQ(NearestPaletteIndex(entries, 4, MakeColour(0, 0, 30)), 1u);  // blue 25 nearest
  EXPECT_EQ(NearestPaletteIndex(entries, 0, 0), 0u);
}

TEST(PngPalette, SetPaletteReplacesColoursOfPaletteImagesOnly) {
  PngPicture pal;
  LoadFixture(pal, FixturePath("pal2.png"));
  int changes = 0;
  pal.OnChange = [&] { ++changes; };
  const RgbQuad entries[3] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
  pal.SetPalette(entries, 3);
  EXPECT_EQ(pal.Header()->PaletteCount(), 3u);
  EXPECT_EQ(pal.Header()->Info().colours[3].red, 0);
  EXPECT_EQ(changes, 1);
  const uint32_t index = ReadStorePixel(4, pal.Header()->StoreRow(0), 0);
  if (index < 3) {
    EXPECT_EQ(pal.GetPixelColor(0, 0), MakeColour(entries[index].red, entries[index].green, entries[index].blue));
  }

  PngPicture rgb;
  LoadFixture(rgb, FixturePath("rgb8.png"));
  const std::vector<uint8_t> before = ExportRgba(rgb);
  rgb.SetPalette(entries, 3);
  EXPECT_EQ(ExportRgba(rgb), before);
  EXPECT_EQ(rgb.Header()->PaletteCount(), 0u);

  PngPicture empty;
  EXPECT_THROW(empty.SetPalette(entries, 3), PngError);
}

TEST(PngCopy, DeepCopyIsIndependentAndSavesTheSame) {
  PngPicture source;
  LoadFixture(source, FixturePath("gamma50000.png"));
  source.SetRowFilters(kAllFilters);
  source.SetDeflateLevel(3);
  source.SetIdatLimit(70000);
  source.SetSaveInterlace(1);
  PngPicture copy;
  int changes = 0;
  copy.OnChange = [&] { ++changes; };
  copy.Assign(source);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(copy.RowFilters(), kAllFilters);
  EXPECT_EQ(copy.DeflateLevel(), 3);
  EXPECT_EQ(copy.IdatLimit(), 70000u);
  EXPECT_EQ(copy.SaveInterlace(), 1);
  EXPECT_EQ(copy.DecodeGamma(), source.DecodeGamma());
  EXPECT_EQ(copy.EncodeGamma(), source.EncodeGamma());
  ASSERT_EQ(copy.Chunks().Count(), source.Chunks().Count());
  for (int i = 0; i < copy.Chunks().Count(); ++i) {
    EXPECT_EQ(copy.Chunks().Item(i)->ClassName(), source.Chunks().Item(i)->ClassName());
    EXPECT_NE(copy.Chunks().Item(i), source.Chunks().Item(i));
  }
  EXPECT_NE(copy.Header()->Bits(), source.Header()->Bits());
  EXPECT_EQ(ExportRgba(copy), ExportRgba(source));
  EXPECT_EQ(SaveBytes(copy), SaveBytes(source));

  copy.SetPixelColor(0, 0, MakeColour(1, 2, 3));
  EXPECT_NE(source.GetPixelColor(0, 0), MakeColour(1, 2, 3));

  PngPicture alpha_source;
  LoadFixture(alpha_source, FixturePath("pal8_trns.png"));
  copy.Assign(alpha_source);
  EXPECT_EQ(copy.AlphaKind(), akBlended);
  EXPECT_EQ(ExportRgba(copy), ExportRgba(alpha_source));
  copy.Assign(copy);
  EXPECT_EQ(ExportRgba(copy), ExportRgba(alpha_source));
}

TEST(PngCopy, HeaderPaletteAndGammaChunksOnlyTakeTheirOwnClass) {
  PngPicture picture;
  LoadFixture(picture, FixturePath("gamma50000.png"));
  TPngChunk generic(picture);
  for (TPngChunk* chunk : std::initializer_list<TPngChunk*>{
           picture.Header(), picture.Chunks().Find<TPngChunkgAMA>()}) {
    try {
      chunk->Assign(generic);
      FAIL() << chunk->TypeString();
    } catch (const PngError& e) {
      EXPECT_EQ(e.Kind(), ErrorKind::Error);
      EXPECT_STREQ(e.what(), "The chunks must be compatible to be assigned.");
    }
  }
  TPngChunkPLTE palette(picture);
  EXPECT_THROW(palette.Assign(generic), PngError);
  // The generic chunk takes anything: type and data.
  generic.Assign(*picture.Chunks().Find<TPngChunkgAMA>());
  EXPECT_EQ(generic.TypeString(), "gAMA");
  EXPECT_EQ(generic.Data(), (std::vector<uint8_t>{0, 0, 0xC3, 0x50}));
}

TEST(PngChunkClasses, TypeNamesComeFromClassNamesAndTheRegistry) {
  PngPicture picture;
  EXPECT_EQ(TPngChunkIHDR(picture).TypeString(), "IHDR");
  EXPECT_EQ(TPngChunktRNS(picture).TypeString(), "tRNS");
  EXPECT_EQ(TPngChunk(picture).ChunkTypeName(), "");
  std::vector<std::string> order;
  for (const auto& entry : ChunkClassRegistry()) order.emplace_back(entry.typeName);
  EXPECT_EQ(order, (std::vector<std::string>{"IEND", "IHDR", "IDAT", "PLTE", "gAMA", "tRNS", "pHYs", "tIME"}));
  EXPECT_EQ(FindChunkClass(MakeChunkType("tEXt")), nullptr);
  EXPECT_EQ(FindChunkClass(MakeChunkType("trns")), nullptr);  // case matters
  EXPECT_EQ(FindChunkClass(MakeChunkType("pHYs"))->create(picture)->ClassName(), "TPngChunkpHYs");
  EXPECT_EQ(picture.Chunks().Item(0), nullptr);
  EXPECT_EQ(picture.Chunks().Item(-1), nullptr);
}

// Rows of a bitmap in memory (bottom-up unless said otherwise).
struct TestBitmap {
  std::vector<uint8_t> bits;
  BitmapSource source;
};

TestBitmap MakeBitmap(uint32_t bpp, int32_t width, int32_t height,
                      uint8_t (*pixel_byte)(uint32_t x, uint32_t y, uint32_t byte)) {
  TestBitmap b;
  const uint32_t h = static_cast<uint32_t>(height < 0 ? -height : height);
  const size_t stride = static_cast<size_t>(DibStride(bpp, static_cast<uint32_t>(width)));
  b.bits.assign(stride * h, 0);
  for (uint32_t row = 0; row < h; ++row)
    for (size_t i = 0; i < stride; ++i) b.bits[row * stride + i] = pixel_byte(static_cast<uint32_t>(i), row, 0);
  b.source.bitsPerPixel = bpp;
  b.source.width = width;
  b.source.height = height;
  b.source.bits = b.bits.data();
  return b;
}

TEST(PngFromBitmap, TwentyFourBitsBecomeRgbWithoutPalette) {
  TestBitmap b = MakeBitmap(24, 5, 3, [](uint32_t i, uint32_t row, uint32_t) {
    return static_cast<uint8_t>(i * 10 + row);
  });
  PngPicture picture;
  picture.AssignFromBitmap(b.source);
  EXPECT_EQ(picture.Header()->ColourType(), 2);
  EXPECT_EQ(picture.Header()->BitDepth(), 8);
  EXPECT_EQ(picture.Chunks().Find<TPngChunkPLTE>(), nullptr);
  EXPECT_EQ(picture.AlphaKind(), akOpaque);
  // Memory row 0 is the bottom image row; pixel 1 starts at byte 3 (blue, green, red).
  EXPECT_EQ(picture.GetPixelColor(1, 2), MakeColour(50, 40, 30));
  EXPECT_EQ(picture.GetPixelColor(1, 0), MakeColour(52, 42, 32));
  std::vector<std::string> types;
  for (const auto& c : picture.Chunks()) types.push_back(c->TypeString());
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  PngPicture again;
  ASSERT_TRUE(LoadBytes(again, SaveBytes(picture)).ok);
  EXPECT_EQ(ExportRgba(again), ExportRgba(picture));
}

TEST(PngFromBitmap, TransparentPaletteBitmapKeysItsFirstEntryOfTheKeyColour) {
  TestBitmap b = MakeBitmap(8, 4, -2, [](uint32_t i, uint32_t row, uint32_t) {
    return static_cast<uint8_t>((i + row) % 8);
  });
  std::vector<RgbQuad> colours(8);
  for (uint8_t i = 0; i < 8; ++i) colours[i] = RgbQuad{static_cast<uint8_t>(i * 30), 7, 9, 0};
  colours[7] = colours[5];  // a second entry of the same colour
  b.source.colours = colours.data();
  b.source.colourCount = 8;
  b.source.transparent = true;
  b.source.transparentColour = MakeColour(9, 7, 150);  // entry 5
  PngPicture picture;
  picture.AssignFromBitmap(b.source);
  auto* trns = picture.Chunks().Find<TPngChunktRNS>();
  ASSERT_NE(trns, nullptr);
  EXPECT_EQ(trns->Data(), (std::vector<uint8_t>{255, 255, 255, 255, 255, 0}));
  EXPECT_EQ(picture.AlphaKind(), akKeyColour);
  EXPECT_EQ(picture.KeyColour(), MakeColour(9, 7, 150));
  EXPECT_EQ(picture.Header()->PaletteCount(), 256u);
  EXPECT_EQ(picture.GetPixelColor(1, 0), MakeColour(9, 7, 30));  // top-down: row 0 first
  std::vector<std::string> types;
  for (const auto& c : picture.Chunks()) types.push_back(c->TypeString());
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "PLTE", "tRNS", "IDAT", "IEND"}));
  PngPicture again;
  ASSERT_TRUE(LoadBytes(again, SaveBytes(picture)).ok);
  EXPECT_EQ(ExportRgba(again), ExportRgba(picture));
  EXPECT_EQ(again.Chunks().Find<TPngChunkPLTE>()->EntryCount(), 256u);

  // No entry of the key colour: entry 0 becomes the transparent one.
  b.source.transparentColour = MakeColour(1, 1, 1);
  picture.AssignFromBitmap(b.source);
  EXPECT_EQ(picture.Chunks().Find<TPngChunktRNS>()->Data(), (std::vector<uint8_t>{0}));
}

TEST(PngFromBitmap, EveryBitmapDepth) {
  for (uint32_t bpp : {1u, 4u, 16u, 32u}) {
    SCOPED_TRACE(bpp);
    TestBitmap b = MakeBitmap(bpp, 9, 4, [](uint32_t i, uint32_t row, uint32_t) {
      return static_cast<uint8_t>(0x35 * (i + 1) + row * 17);
    });
    RgbQuad colours[16];
    for (uint8_t i = 0; i < 16; ++i) colours[i] = RgbQuad{static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i), 3, 0};
    b.source.colours = colours;
    b.source.colourCount = 16;
    PngPicture picture;
    picture.AssignFromBitmap(b.source);
    const auto& header = picture.Header()->Header();
    EXPECT_EQ(header.colourType, bpp < 16 ? 3 : bpp == 32 ? 6 : 2);
    EXPECT_EQ(header.bitDepth, bpp < 16 ? bpp : 8u);
    // Pixel (0, bottom row) from memory row 0, byte 0 = 0x35.
    const uint32_t colour = picture.GetPixelColor(0, 3);
    if (bpp == 1) {
      EXPECT_EQ(colour, MakeColour(3, 255, 0));  // 0x35: first bit 0 -> entry 0
    }
    if (bpp == 4) {
      EXPECT_EQ(colour, MakeColour(3, 252, 48));  // high nibble 3
    }
    if (bpp == 16) {
      // 0x6A35: blue 0x15, green 0x11, red 0x1A, widened by bit replication.
      EXPECT_EQ(colour, MakeColour(0xD6, 0x8C, 0xAD));
    }
    if (bpp == 32) {
      EXPECT_EQ(colour, MakeColour(0x9F, 0x6A, 0x35));
      EXPECT_EQ(picture.Header()->AlphaRow(3)[0], 0xD4);  // the fourth byte is alpha
    }
    PngPicture again;
    ASSERT_TRUE(LoadBytes(again, SaveBytes(picture)).ok);
    EXPECT_EQ(ExportRgba(again), ExportRgba(picture));
  }
}

TEST(PngFromBitmap, ThirtyTwoBitsWithoutAlphaAreOpaqueAndTheKeyIsCutOut) {
  TestBitmap b = MakeBitmap(32, 3, 1, [](uint32_t i, uint32_t, uint32_t) {
    return static_cast<uint8_t>(i % 4 == 3 ? 0 : 10 * (i / 4 + 1));  // fourth bytes zero
  });
  b.source.transparent = true;
  b.source.transparentColour = MakeColour(20, 20, 20);  // pixel 1
  PngPicture picture;
  picture.AssignFromBitmap(b.source);
  const uint8_t* alpha = picture.Header()->AlphaRow(0);
  EXPECT_EQ(alpha[0], 255);
  EXPECT_EQ(alpha[1], 0);
  EXPECT_EQ(alpha[2], 255);
  EXPECT_EQ(picture.Chunks().Find<TPngChunktRNS>(), nullptr);

  TestBitmap rgb = MakeBitmap(24, 2, 1, [](uint32_t i, uint32_t, uint32_t) {
    return static_cast<uint8_t>(i < 3 ? 0x40 + i : 0);
  });
  rgb.source.transparent = true;
  rgb.source.transparentColour = MakeColour(0x42, 0x41, 0x40);
  picture.AssignFromBitmap(rgb.source);
  EXPECT_EQ(picture.Chunks().Find<TPngChunktRNS>()->Data(),
            (std::vector<uint8_t>{0, 0x42, 0, 0x41, 0, 0x40}));
  EXPECT_EQ(picture.AlphaKind(), akKeyColour);
  EXPECT_EQ(ExportRgba(picture)[3], 0);
  EXPECT_EQ(ExportRgba(picture)[7], 255);
}

}  // namespace
}  // namespace vornada::png::test
