// Native only: our decoder against libpng, and our encoder's output read back by libpng.
//
// libpng decodes without colour transformations (sub-byte samples unpacked, Adam7 expanded);
// the test then applies the picture's storage conversions to libpng's samples: 16-bit samples
// keep their high byte, gray levels come from the 2^bit-count ramp, RGB and palette colours go
// through the gAMA decode table, alpha comes from the alpha channel, the tRNS alpha table
// (palette images) or the key colour (gray and RGB). The committed digest table that the
// portable tests use is checked here against these expectations; set
// VORNADA_WRITE_EXPECTED_RGBA=1 to rewrite it.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "PngTestSupport.h"
#include "png/PngBlend.h"

namespace vornada::png::test {
namespace {

struct Reference {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgba;
  std::string error;
};

struct MemoryReader {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (reader->pos + count > reader->size) png_error(png, "read past the end");
  std::memcpy(out, reader->data + reader->pos, count);
  reader->pos += count;
}

void OnError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  *error = message;
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

std::array<uint8_t, 256> DecodeTable(bool has_gamma, png_fixed_point gamma) {
  std::array<uint8_t, 256> table;
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i);
  if (!has_gamma || gamma == 0) return table;
  const double e = 1.0 / (gamma / 100000.0 * 2.2);
  for (int i = 1; i < 256; ++i) table[i] = static_cast<uint8_t>(std::nearbyint(255.0 * std::pow(i / 255.0, e)));
  return table;
}

Reference DecodeWithLibpng(const std::vector<uint8_t>& file) {
  Reference ref;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ref.error, OnError, OnWarning);
  png_infop info = png_create_info_struct(png);
  MemoryReader reader{file.data(), file.size(), 0};
  std::vector<std::vector<uint8_t>> rows;
  std::vector<png_bytep> pointers;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    if (ref.error.empty()) ref.error = "libpng error";
    return ref;
  }
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_read_info(png, info);
  png_uint_32 width, height;
  int depth, colour, interlace;
  png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
  if (depth < 8) png_set_packing(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t row_bytes = png_get_rowbytes(png, info);
  rows.assign(height, std::vector<uint8_t>(row_bytes));
  for (auto& r : rows) pointers.push_back(r.data());
  png_read_image(png, pointers.data());
  png_read_end(png, nullptr);

  png_fixed_point gamma = 0;
  const bool has_gamma = png_get_gAMA_fixed(png, info, &gamma) != 0;
  const auto decode = DecodeTable(has_gamma, gamma);
  png_colorp palette = nullptr;
  int palette_size = 0;
  png_get_PLTE(png, info, &palette, &palette_size);
  png_bytep trans_alpha = nullptr;
  int num_trans = 0;
  png_color_16p trans_colour = nullptr;
  const bool has_trns = png_get_tRNS(png, info, &trans_alpha, &num_trans, &trans_colour) != 0;

  const int channels = colour == 2 ? 3 : colour == 4 ? 2 : colour == 6 ? 4 : 1;
  const int step = depth == 16 ? 2 : 1;
  // The byte the store keeps of a sample, and the gray level a stored gray sample shows.
  auto sample = [&](const uint8_t* row, uint32_t x, int c) { return row[(x * channels + c) * step]; };
  auto gray_level = [&](unsigned v) -> uint8_t {
    switch (depth) {
      case 1: return decode[v * 255];
      case 2: return decode[v * 85];  // held as v * 5 of a 16-level ramp
      case 4: return decode[v * 17];
      default: return decode[v];
    }
  };
  auto key_byte = [&](uint16_t key) -> unsigned {
    if (depth == 16) return key >> 8;
    if (depth == 8) return key & 0xFF;
    return key & ((1u << depth) - 1);
  };

  ref.width = width;
  ref.height = height;
  ref.rgba.resize(size_t{width} * height * 4);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* out = &ref.rgba[(size_t{y} * width + x) * 4];
      const uint8_t* row = rows[y].data();
      uint8_t r = 0, g = 0, b = 0, a = 255;
      switch (colour) {
        case 0: {
          r = g = b = gray_level(sample(row, x, 0));
          if (has_trns) a = r == gray_level(key_byte(trans_colour->gray)) ? 0 : 255;
          break;
        }
        case 2: {
          r = decode[sample(row, x, 0)];
          g = decode[sample(row, x, 1)];
          b = decode[sample(row, x, 2)];
          if (has_trns)
            a = (r == decode[key_byte(trans_colour->red)] && g == decode[key_byte(trans_colour->green)] &&
                 b == decode[key_byte(trans_colour->blue)])
                    ? 0
                    : 255;
          break;
        }
        case 3: {
          const unsigned i = row[x];
          if (static_cast<int>(i) < palette_size) {
            r = decode[palette[i].red];
            g = decode[palette[i].green];
            b = decode[palette[i].blue];
          }
          if (has_trns && static_cast<int>(i) < num_trans) a = trans_alpha[i];
          break;
        }
        case 4:
          r = g = b = sample(row, x, 0);  // shown as stored, like the blend draws it
          a = sample(row, x, 1);
          break;
        default:
          r = decode[sample(row, x, 0)];
          g = decode[sample(row, x, 1)];
          b = decode[sample(row, x, 2)];
          a = sample(row, x, 3);
          break;
      }
      out[0] = r;
      out[1] = g;
      out[2] = b;
      out[3] = a;
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return ref;
}

// Valid suite files and fixtures, with the names the digest table uses.
std::vector<std::pair<std::string, std::string>> ValidFiles() {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& name : PngFilesIn(SuiteDir()))
    if (name[0] != 'x') files.emplace_back("suite/" + name, SuitePath(name));
  for (const auto& name : PngFilesIn(FixturePath("")))
    if (name.rfind("err_", 0) != 0 && name != "bad_crcs.png")
      files.emplace_back("fixtures/" + name, FixturePath(name));
  return files;
}

TEST(PngReference, EveryValidFileDecodesLikeLibpng) {
  int checked = 0;
  for (const auto& [name, path] : ValidFiles()) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes = RequireFileBytes(path);
    Reference ref = DecodeWithLibpng(bytes);
    ASSERT_TRUE(ref.error.empty()) << ref.error;
    PngPicture picture;
    LoadOutcome outcome = LoadBytes(picture, bytes);
    ASSERT_TRUE(outcome.ok) << outcome.message;
    ASSERT_EQ(picture.Width(), ref.width);
    ASSERT_EQ(picture.Height(), ref.height);
    std::vector<uint8_t> ours = ExportRgba(picture);
    for (size_t i = 0; i < ours.size(); ++i)
      ASSERT_EQ(int(ours[i]), int(ref.rgba[i])) << "pixel " << i / 4 << " byte " << i % 4;
    ++checked;
  }
  EXPECT_GT(checked, 190);
}

TEST(PngReference, DigestTableMatchesLibpng) {
  std::string table = "# name width height crc32 of the RGBA pixels (written by png_reference_test)\n";
  for (const auto& [name, path] : ValidFiles()) {
    Reference ref = DecodeWithLibpng(RequireFileBytes(path));
    ASSERT_TRUE(ref.error.empty()) << name << ": " << ref.error;
    char line[256];
    std::snprintf(line, sizeof line, "%s %u %u %08x\n", name.c_str(), ref.width, ref.height, Crc32(ref.rgba));
    table += line;
  }
  const std::string path = FixturePath("expected_rgba.txt");
  if (std::getenv("VORNADA_WRITE_EXPECTED_RGBA") != nullptr) {
    std::ofstream(path, std::ios::binary) << table;
  }
  std::vector<uint8_t> committed = RequireFileBytes(path);
  EXPECT_EQ(std::string(committed.begin(), committed.end()), table);
}

// Our output, read by libpng, shows the same pixels as the picture that wrote it.
void ExpectLibpngReadsTheSame(PngPicture& picture, const std::string& what) {
  SCOPED_TRACE(what);
  std::vector<uint8_t> saved = SaveBytes(picture);
  Reference ref = DecodeWithLibpng(saved);
  ASSERT_TRUE(ref.error.empty()) << ref.error;
  PngPicture reloaded;
  ASSERT_TRUE(LoadBytes(reloaded, saved).ok);
  EXPECT_EQ(ref.rgba, ExportRgba(reloaded));
  EXPECT_EQ(ref.rgba, ExportRgba(picture));
}

TEST(PngReference, LibpngReadsWhatWeWrite) {
  for (const auto& [name, path] : ValidFiles()) {
    PngPicture picture;
    LoadFixture(picture, path);
    ExpectLibpngReadsTheSame(picture, name + " as loaded");
    picture.SetRowFilters(kAllFilters);
    picture.SetSaveInterlace(1 - picture.SaveInterlace());
    picture.SetIdatLimit(65535);
    ExpectLibpngReadsTheSame(picture, name + " other interlace, all filters");
  }
}

TEST(PngReference, LibpngReadsConvertedAndResizedPictures) {
  PngPicture picture;
  LoadFixture(picture, FixturePath("pal4_key.png"));
  picture.Resize(50, 3);
  ExpectLibpngReadsTheSame(picture, "resized palette");
  LoadFixture(picture, FixturePath("rgba8_i.png"));
  picture.Resize(5, 40);
  ExpectLibpngReadsTheSame(picture, "resized interlaced RGBA");

  for (uint32_t bpp : {1u, 4u, 8u, 16u, 24u, 32u}) {
    const uint32_t width = 13, height = 7;
    std::vector<uint8_t> bits(DibStride(bpp, width) * height);
    for (size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<uint8_t>(i * 29 + 3);
    std::vector<RgbQuad> colours(256);
    for (size_t i = 0; i < colours.size(); ++i)
      colours[i] = RgbQuad{static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3), static_cast<uint8_t>(255 - i), 0};
    BitmapSource source;
    source.bitsPerPixel = bpp;
    source.width = width;
    source.height = static_cast<int32_t>(height);
    source.bits = bits.data();
    source.colours = colours.data();
    source.colourCount = 256;
    source.transparent = true;
    source.transparentColour = bpp <= 8 ? MakeColour(253, 6, 2) : MakeColour(3, 32, 61);
    picture.AssignFromBitmap(source);
    ExpectLibpngReadsTheSame(picture, "bitmap of " + std::to_string(bpp) + " bits");
  }
}

}  // namespace
}  // namespace vornada::png::test
