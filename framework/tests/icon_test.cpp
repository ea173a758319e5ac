// Tests of the icon picture under Wine: loading a file written by the test and drawing it with
// its mask, choosing among several sizes, saving the file's own bytes (and its stored form
// inside a description), saving an icon made by the system and reading it back, malformed files
// refused without losing the icon, copies, the fixed size, the clipboard refusal, the picture
// registry's "ico" class, and no GDI object left behind.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Icon.h"
#include "IconTestFiles.h"
#include "WinTestSupport.h"
#include "WinUtil.h"

namespace vornada {
namespace {

using testing::IconFileBytes;
using testing::IconImageSpec;
using testing::PixelsOf;

// A square icon: the left half opaque in `rgb` (0x00RRGGBB), the right half masked out (black
// and, with 32 bits, fully transparent in the colour image, as icons keep masked pixels).
IconImageSpec HalfMasked(int size, uint32_t rgb, int bits = 24) {
  IconImageSpec s;
  s.width = s.height = size;
  s.bits = bits;
  s.colour = [rgb, bits, size](int x, int) -> uint32_t {
    if (x >= size / 2) return 0;
    return bits == 32 ? (rgb | 0xFF000000u) : rgb;
  };
  s.masked = [size](int x, int) { return x >= size / 2; };
  return s;
}

void Load(TIcon& icon, const std::vector<uint8_t>& bytes) {
  TBytesStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  icon.LoadFromStream(stream);
}

// The icon drawn at its size onto a blue 0x00BBGGRR background.
std::vector<uint32_t> Drawn(TIcon& icon, int size) {
  TBitmap target;
  testing::MakeFilled32(target, size, size, clBlue);
  target.Canvas().Draw(0, 0, &icon);
  return PixelsOf(target);
}

void ExpectHalfMasked(const std::vector<uint32_t>& pixels, int size, uint32_t colour) {
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      ASSERT_EQ(pixels[static_cast<size_t>(y) * size + x], x < size / 2 ? colour : 0xFF0000u)
          << x << "," << y;
}

TEST(Icon, LoadsAFileAndDrawsItWithItsMask) {
  for (int bits : {24, 32}) {
    TIcon icon;
    Load(icon, IconFileBytes({HalfMasked(16, 0xFF0000, bits)}));  // red
    ASSERT_FALSE(icon.Empty());
    EXPECT_EQ(icon.Width(), 16);
    EXPECT_EQ(icon.Height(), 16);
    ExpectHalfMasked(Drawn(icon, 16), 16, 0x0000FF);
  }
}

TEST(Icon, PalettedImages) {
  IconImageSpec s;
  s.width = s.height = 8;
  s.bits = 4;
  s.palette = {0x000000, 0x00FF00};
  s.index = [](int x, int) { return x < 4 ? 1 : 0; };
  s.masked = [](int x, int) { return x >= 4; };
  TIcon icon;
  Load(icon, IconFileBytes({s}));
  ExpectHalfMasked(Drawn(icon, 8), 8, 0x00FF00);
}

TEST(Icon, TakesTheImageNearestTheWantedSize) {
  const std::vector<uint8_t> file =
      IconFileBytes({HalfMasked(16, 0xFF0000), HalfMasked(32, 0x00FF00), HalfMasked(48, 0x0000FF)});
  TIcon small;
  small.SetWidth(16);
  small.SetHeight(16);
  Load(small, file);
  EXPECT_EQ(small.Width(), 16);
  ExpectHalfMasked(Drawn(small, 16), 16, 0x0000FF);
  TIcon system_size;
  Load(system_size, file);
  EXPECT_EQ(system_size.Width(), ::GetSystemMetrics(SM_CXICON)) << "the system's icon size";
}

TEST(Icon, SavesTheBytesItWasReadFromAndItsStoredFormEndsWithTheFile) {
  const std::vector<uint8_t> file = IconFileBytes({HalfMasked(16, 0x123456), HalfMasked(32, 0x654321)});
  TIcon icon;
  Load(icon, file);
  TMemoryStream saved;
  icon.SaveToStream(saved);
  ASSERT_EQ(saved.Size(), static_cast<int64_t>(file.size()));
  EXPECT_EQ(std::vector<uint8_t>(saved.Memory(), saved.Memory() + saved.Size()), file);

  // Inside a description something follows the icon: reading stops at the icon's end.
  TMemoryStream description;
  icon.WriteData(description);
  const uint8_t after[3] = {0xAA, 0xBB, 0xCC};
  description.WriteBuffer(after, 3);
  description.SetPosition(0);
  TIcon read;
  read.ReadData(description);
  EXPECT_EQ(description.Position(), static_cast<int64_t>(file.size()));
  EXPECT_EQ(read.Width(), icon.Width());
}

TEST(Icon, AnIconMadeByTheSystemIsSavedAndReadBack) {
  TBitmap colour;
  testing::MakeFilled32(colour, 16, 16, clRed);
  colour.Canvas().Brush().SetColor(clBlack);
  colour.Canvas().FillRect(RECT{8, 0, 16, 16});
  std::vector<uint8_t> mask_bits(16 * 2, 0);
  for (int y = 0; y < 16; ++y) mask_bits[static_cast<size_t>(y) * 2 + 1] = 0xFF;  // right half
  win::UniqueBitmap mask(::CreateBitmap(16, 16, 1, 1, mask_bits.data()));
  ICONINFO info{TRUE, 0, 0, mask.get(), colour.Handle()};
  TIcon made;
  made.SetHandle(::CreateIconIndirect(&info));
  ASSERT_FALSE(made.Empty());
  ExpectHalfMasked(Drawn(made, 16), 16, 0x0000FF);
  TMemoryStream saved;
  made.SaveToStream(saved);
  saved.SetPosition(0);
  TIcon read;
  read.SetWidth(16);
  read.SetHeight(16);
  read.LoadFromStream(saved);
  EXPECT_EQ(read.Width(), 16);
  ExpectHalfMasked(Drawn(read, 16), 16, 0x0000FF);
}

struct BadFile {
  const char* name;
  std::function<void(std::vector<uint8_t>&)> damage;
  friend void PrintTo(const BadFile& b, std::ostream* os) { *os << b.name; }
};
class IconBadFile : public ::testing::TestWithParam<BadFile> {};
TEST_P(IconBadFile, IsRefusedAndTheIconKeepsItsPicture) {
  TIcon icon;
  Load(icon, IconFileBytes({HalfMasked(16, 0x00FF00)}));
  std::vector<uint8_t> bad = IconFileBytes({HalfMasked(16, 0xFF0000)});
  GetParam().damage(bad);
  try {
    Load(icon, bad);
    ADD_FAILURE() << "accepted";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(std::string(e.what()), "Invalid icon");
  }
  ExpectHalfMasked(Drawn(icon, 16), 16, 0x00FF00);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, IconBadFile,
    ::testing::Values(BadFile{"empty", [](auto& f) { f.clear(); }},
                      BadFile{"header_only", [](auto& f) { f.resize(6); }},
                      BadFile{"cut_in_the_image", [](auto& f) { f.resize(f.size() - 10); }},
                      BadFile{"cursor", [](auto& f) { f[2] = 2; }},
                      BadFile{"image_before_the_directory_end", [](auto& f) { f[6 + 12] = 8; }},
                      BadFile{"eleven_bits", [](auto& f) { f[6 + 16 + 14] = 11; }},
                      BadFile{"image_too_long", [](auto& f) { f[6 + 10] = 0x70; }}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(Icon, CopiesAreIndependent) {
  auto original = std::make_unique<TIcon>();
  Load(*original, IconFileBytes({HalfMasked(16, 0xFF0000)}));
  original->SetTransparent(true);
  TIcon copy;
  copy.Assign(original.get());
  EXPECT_TRUE(copy.Transparent());
  EXPECT_NE(copy.Handle(), original->Handle());
  original.reset();
  ExpectHalfMasked(Drawn(copy, 16), 16, 0x0000FF);
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
  TBitmap bitmap;
  EXPECT_THROW(copy.Assign(&bitmap), EConvertError);
}

TEST(Icon, ABitmapTakesTheIconDrawnOnWhite) {
  TIcon icon;
  Load(icon, IconFileBytes({HalfMasked(16, 0xFF0000)}));
  TBitmap bitmap;
  bitmap.Assign(&icon);
  ASSERT_EQ(bitmap.Width(), 16);
  const std::vector<uint32_t> pixels = PixelsOf(bitmap);
  EXPECT_EQ(pixels[0], 0x0000FFu);
  EXPECT_EQ(pixels[15], 0xFFFFFFu);
}

TEST(Icon, ItsSizeIsFixedAndTheClipboardRefused) {
  TIcon icon;
  Load(icon, IconFileBytes({HalfMasked(16, 0xFF0000)}));
  EXPECT_NO_THROW(icon.SetWidth(16));
  EXPECT_THROW(icon.SetWidth(20), EInvalidGraphicOperation);
  EXPECT_THROW(icon.SetHeight(8), EInvalidGraphicOperation);
  UINT format = 0;
  HANDLE data = nullptr;
  HPALETTE palette = nullptr;
  EXPECT_THROW(icon.SaveToClipboardFormat(format, data, palette), EInvalidGraphic);
  EXPECT_THROW(icon.LoadFromClipboardFormat(CF_BITMAP, nullptr, nullptr), EInvalidGraphic);
}

TEST(Icon, PicturesLoadIcoFilesAsIcons) {
  const TGraphicClassInfo* info = TPicture::FindExtension(L"ico");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->class_name, "TIcon");
  testing::ScratchFile file(L"ico");
  ASSERT_TRUE(testing::WriteFileBytes(win::Utf8FromWide(file.path()),
                                      IconFileBytes({HalfMasked(16, 0xFF0000)})));
  TPicture picture;
  picture.LoadFromFile(file.path());
  ASSERT_NE(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
  // The stored form names the class and reads back as an icon.
  TMemoryStream stored;
  picture.WriteData(stored);
  stored.SetPosition(0);
  TPicture read;
  read.ReadData(stored);
  EXPECT_NE(dynamic_cast<TIcon*>(read.Graphic()), nullptr);
}

TEST(Icon, NoGdiObjectLeftBehind) {
  const std::vector<uint8_t> file = IconFileBytes({HalfMasked(16, 0xFF0000), HalfMasked(32, 0x00FF00)});
  const long before = testing::LiveGdiObjects();
  for (int i = 0; i < 60; ++i) {
    TIcon icon;
    Load(icon, file);
    TIcon copy;
    copy.Assign(&icon);
    TMemoryStream saved;
    icon.SetHandle(::CopyIcon(copy.Handle()));  // now saved from the handle
    icon.SaveToStream(saved);
    Drawn(copy, 16);
  }
  EXPECT_EQ(testing::LiveGdiObjects(), before);
}

}  // namespace
}  // namespace vornada
