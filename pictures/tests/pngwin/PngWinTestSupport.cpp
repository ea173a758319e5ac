// Helpers of the tests of the PNG picture class under Wine (see PngWinTestSupport.h).
#include "PngWinTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

#include "Classes.h"
#include "SysUtils.h"
#include "WinHandles.h"

namespace vornada::pngwin_test {

std::unique_ptr<TPngGraphic> LoadGraphic(const std::vector<uint8_t>& bytes) {
  auto graphic = std::make_unique<TPngGraphic>();
  TBytesStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  try {
    graphic->LoadFromStream(stream);
  } catch (const Exception& e) {
    ADD_FAILURE() << e.ClassName() << ": " << e.Message();
  }
  return graphic;
}

std::vector<uint8_t> SaveGraphic(TPngGraphic& graphic) {
  TMemoryStream stream;
  graphic.SaveToStream(stream);
  return std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
}

void ExpectSameImage(const png::PngPicture& expected, const png::PngPicture& actual) {
  ASSERT_EQ(expected.Empty(), actual.Empty());
  std::vector<std::string> expected_types, actual_types;
  for (const auto& c : expected.Chunks()) expected_types.push_back(c->TypeString());
  for (const auto& c : actual.Chunks()) actual_types.push_back(c->TypeString());
  EXPECT_EQ(actual_types, expected_types);
  const png::TPngChunkIHDR* e = expected.Header();
  const png::TPngChunkIHDR* a = actual.Header();
  ASSERT_EQ(e == nullptr, a == nullptr);
  if (e == nullptr) return;
  EXPECT_EQ(a->Width(), e->Width());
  EXPECT_EQ(a->Height(), e->Height());
  EXPECT_EQ(a->BitDepth(), e->BitDepth());
  EXPECT_EQ(a->ColourType(), e->ColourType());
  EXPECT_EQ(a->Header().interlaceMethod, e->Header().interlaceMethod);
  EXPECT_EQ(a->BitCount(), e->BitCount());
  ASSERT_EQ(a->Stride(), e->Stride());
  const size_t store_bytes = static_cast<size_t>(e->Stride() * e->Height());
  ::GdiFlush();
  EXPECT_EQ(std::memcmp(a->Bits(), e->Bits(), store_bytes), 0) << "pixel store differs";
  ASSERT_EQ(a->HasAlpha(), e->HasAlpha());
  if (e->HasAlpha()) {
    const size_t alpha_bytes = size_t{e->Width()} * e->Height();
    EXPECT_EQ(std::memcmp(a->AlphaPlane(), e->AlphaPlane(), alpha_bytes), 0) << "alpha differs";
  }
  EXPECT_EQ(a->HasPalette(), e->HasPalette());
  ASSERT_EQ(a->PaletteCount(), e->PaletteCount());
  for (uint32_t i = 0; i < e->PaletteCount(); ++i) {
    const png::RgbQuad& pe = e->Info().colours[i];
    const png::RgbQuad& pa = a->Info().colours[i];
    EXPECT_TRUE(pa.red == pe.red && pa.green == pe.green && pa.blue == pe.blue)
        << "palette entry " << i;
  }
  EXPECT_EQ(actual.AlphaKind(), expected.AlphaKind());
  EXPECT_EQ(actual.KeyColour(), expected.KeyColour());
  const uint8_t* et = expected.AlphaTable();
  const uint8_t* at = actual.AlphaTable();
  ASSERT_EQ(et == nullptr, at == nullptr);
  if (et != nullptr) {
    EXPECT_EQ(std::memcmp(at, et, 256), 0);
  }
}

void ExpectGdiMirrorsCore(TPngGraphic& graphic) {
  const png::TPngChunkIHDR* header = graphic.Core().Header();
  ASSERT_NE(header, nullptr);
  if (!header->HasPalette()) {
    EXPECT_EQ(graphic.Palette(), nullptr);
    return;
  }
  HDC dc = graphic.Canvas().Handle();
  RGBQUAD table[256] = {};
  const UINT entries = 1u << header->BitCount();
  ASSERT_EQ(::GetDIBColorTable(dc, 0, entries, table), entries);
  for (UINT i = 0; i < entries; ++i) {
    const png::RgbQuad& c = header->Info().colours[i];
    EXPECT_TRUE(table[i].rgbRed == c.red && table[i].rgbGreen == c.green &&
                table[i].rgbBlue == c.blue)
        << "colour table entry " << i;
  }
  HPALETTE palette = graphic.Palette();
  ASSERT_NE(palette, nullptr);
  PALETTEENTRY read[256] = {};
  const UINT count = ::GetPaletteEntries(palette, 0, 256, read);
  EXPECT_EQ(count, std::max<UINT>(header->PaletteCount(), 1));
  for (UINT i = 0; i < header->PaletteCount() && i < count; ++i) {
    const png::RgbQuad& c = header->Info().colours[i];
    EXPECT_TRUE(read[i].peRed == c.red && read[i].peGreen == c.green && read[i].peBlue == c.blue)
        << "palette entry " << i;
  }
}

ImageHandles HandlesOf(TPngGraphic& graphic) {
  ImageHandles handles;
  handles.dc = graphic.Canvas().Handle();
  handles.dib = static_cast<HBITMAP>(::GetCurrentObject(handles.dc, OBJ_BITMAP));
  handles.palette = graphic.Palette();
  return handles;
}

bool Alive(const ImageHandles& h) {
  return ::GetObjectType(h.dc) == OBJ_MEMDC && ::GetObjectType(h.dib) == OBJ_BITMAP &&
         (h.palette == nullptr || ::GetObjectType(h.palette) == OBJ_PAL);
}

bool Released(const ImageHandles& h) {
  return ::GetObjectType(h.dc) == 0 && ::GetObjectType(h.dib) == 0 &&
         (h.palette == nullptr || ::GetObjectType(h.palette) == 0);
}

}  // namespace vornada::pngwin_test
