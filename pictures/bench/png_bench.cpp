// PNG decoding and encoding speed of the core against libpng and libspng, in one run.
//
// Six images are generated here, deterministic and photo-like (smooth gradients, soft shapes
// and noise), 2000 x 2000 pixels (400 x 400 with VORNADA_BENCH_SMOKE set): 8-bit RGBA, 8-bit
// RGB, the RGB image Adam7-interlaced, and an 8-bit palette image; and two small 312 x 442
// 8-bit RGBA pictures, one photo-like, one drawing-like (posterised), where the fixed cost of
// each picture (allocations, first touch of fresh pages) weighs most. Each is compressed once by
// libpng with its default settings; that file is what the three decoders read. Decoders write
// the image in its own sample form (no colour conversion): ours into its picture (BGR store and
// alpha plane), libpng and libspng into a buffer of PNG rows. Encoders write at zlib level 7:
// ours with the default filter set {Sub} and with all five filters, libpng and libspng with
// their default filter choice (all filters, chosen per row). After the run a table gives our
// CPU time as a ratio to each library's (below 1: faster), the decoding ratio to the faster of
// the two libraries for each size against its goal, and the encoded sizes.
#include <benchmark/benchmark.h>
#include <png.h>
#include <spng.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "png/PngPicture.h"

namespace {

using vornada::png::MemorySource;
using vornada::png::PngPicture;
using vornada::png::VectorSink;

struct TestImage {
  std::string name;
  uint32_t width = 0, height = 0;
  int colour_type = 0;  // 2, 3 or 6
  int interlace = 0;
  std::vector<uint8_t> rows;      // PNG samples, rows of width * channels bytes
  std::vector<uint8_t> palette;   // RGB triples for colour type 3
  std::vector<uint8_t> png;       // libpng's default encoding
  int Channels() const { return colour_type == 6 ? 4 : colour_type == 2 ? 3 : 1; }
  size_t RowBytes() const { return size_t{width} * Channels(); }
};

// ---- deterministic photo-like content ----

struct Noise {
  uint32_t state;
  int Next(int amplitude) {  // uniform in [-amplitude, amplitude]
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<int>(state % (2 * amplitude + 1)) - amplitude;
  }
};

uint8_t Clamp(double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Colour of pixel (x, y): gradients, a few soft discs and bars, sensor-like noise.
void PhotoPixel(uint32_t x, uint32_t y, uint32_t w, uint32_t h, Noise& noise, double rgb[3],
                double& alpha) {
  const double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
  rgb[0] = 90 + 80 * std::sin(u * 3.1 + v * 1.7) + 40 * v;
  rgb[1] = 110 + 70 * std::cos(u * 2.3 - v * 2.9);
  rgb[2] = 140 + 60 * std::sin(v * 4.1) - 50 * u;
  alpha = 255 * (0.35 + 0.65 * v);
  static const double discs[][6] = {
      // centre x, centre y, radius, r, g, b
      {0.3, 0.35, 0.18, 230, 190, 60}, {0.7, 0.3, 0.12, 40, 90, 200}, {0.55, 0.7, 0.22, 200, 60, 80},
      {0.15, 0.8, 0.1, 250, 250, 240}, {0.85, 0.8, 0.08, 20, 30, 20},
  };
  for (const auto& d : discs) {
    const double dist = std::hypot(u - d[0], v - d[1]) / d[2];
    if (dist < 1.2) {
      const double k = dist < 0.9 ? 1.0 : (1.2 - dist) / 0.3;  // soft edge
      for (int c = 0; c < 3; ++c) rgb[c] = rgb[c] * (1 - k) + d[3 + c] * k;
      alpha = alpha * (1 - k) + 255 * k;
    }
  }
  if (u > 0.1 && u < 0.9 && v > 0.52 && v < 0.56) {  // a bar with hard edges
    rgb[0] = 30, rgb[1] = 30, rgb[2] = 35;
    alpha = 255;
  }
  for (int c = 0; c < 3; ++c) rgb[c] += noise.Next(3);
}

// `drawing`: the colours and alpha posterised to steps of 32, without noise, as a control's
// picture often is (long runs, compressed far more than a photo).
TestImage MakeImage(const std::string& name, uint32_t width, uint32_t height, int colour_type,
                    int interlace, bool drawing = false) {
  TestImage image;
  image.name = name;
  image.width = width;
  image.height = height;
  image.colour_type = colour_type;
  image.interlace = interlace;
  image.rows.resize(image.RowBytes() * height);
  Noise noise{0x9E3779B9u ^ static_cast<uint32_t>(colour_type * 7919 + interlace)};
  if (colour_type == 3) {
    // A 6 x 7 x 6 colour cube: the photo posterised to 252 entries.
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 7; ++g)
        for (int b = 0; b < 6; ++b)
          image.palette.insert(image.palette.end(), {static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 42.5),
                                                     static_cast<uint8_t>(b * 51)});
  }
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = &image.rows[y * image.RowBytes()];
    for (uint32_t x = 0; x < width; ++x) {
      double rgb[3], alpha;
      PhotoPixel(x, y, width, height, noise, rgb, alpha);
      if (drawing) {
        for (int c = 0; c < 3; ++c) rgb[c] = std::floor(Clamp(rgb[c]) / 32) * 32;
        alpha = std::floor(Clamp(alpha) / 32) * 32;
      }
      if (colour_type == 3) {
        const int r = static_cast<int>(std::lround(Clamp(rgb[0]) / 51.0));
        const int g = static_cast<int>(std::lround(Clamp(rgb[1]) / 42.5));
        const int b = static_cast<int>(std::lround(Clamp(rgb[2]) / 51.0));
        row[x] = static_cast<uint8_t>((r * 7 + g) * 6 + b);
        continue;
      }
      uint8_t* p = row + x * image.Channels();
      for (int c = 0; c < 3; ++c) p[c] = Clamp(rgb[c]);
      if (colour_type == 6) p[3] = Clamp(alpha);
    }
  }
  return image;
}

// ---- libpng ----

struct PngReadBuffer {
  const uint8_t* data;
  size_t size, pos;
};

void LibpngRead(png_structp png, png_bytep out, png_size_t n) {
  auto* b = static_cast<PngReadBuffer*>(png_get_io_ptr(png));
  if (b->pos + n > b->size) png_error(png, "read past the end");
  std::memcpy(out, b->data + b->pos, n);
  b->pos += n;
}

void LibpngWrite(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

void LibpngFlush(png_structp) {}

// Encodes with libpng; level < 0: libpng's default level.
std::vector<uint8_t> LibpngEncode(const TestImage& image, int level) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fprintf(stderr, "libpng encoding failed\n");
    std::abort();
  }
  png_set_write_fn(png, &out, LibpngWrite, LibpngFlush);
  if (level >= 0) png_set_compression_level(png, level);
  png_set_IHDR(png, info, image.width, image.height, 8, image.colour_type, image.interlace,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (image.colour_type == 3) {
    std::vector<png_color> colours(image.palette.size() / 3);
    for (size_t i = 0; i < colours.size(); ++i)
      colours[i] = png_color{image.palette[3 * i], image.palette[3 * i + 1], image.palette[3 * i + 2]};
    png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
  }
  png_write_info(png, info);
  std::vector<png_bytep> rows(image.height);
  for (uint32_t y = 0; y < image.height; ++y)
    rows[y] = const_cast<png_bytep>(&image.rows[y * image.RowBytes()]);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

void LibpngDecode(const std::vector<uint8_t>& file, std::vector<uint8_t>& pixels) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  PngReadBuffer buffer{file.data(), file.size(), 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fprintf(stderr, "libpng decoding failed\n");
    std::abort();
  }
  png_set_read_fn(png, &buffer, LibpngRead);
  png_read_info(png, info);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t row_bytes = png_get_rowbytes(png, info);
  const uint32_t height = png_get_image_height(png, info);
  pixels.resize(row_bytes * height);
  std::vector<png_bytep> rows(height);
  for (uint32_t y = 0; y < height; ++y) rows[y] = &pixels[y * row_bytes];
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
}

// ---- libspng ----

void SpngDecode(const std::vector<uint8_t>& file, std::vector<uint8_t>& pixels) {
  spng_ctx* ctx = spng_ctx_new(0);
  spng_set_png_buffer(ctx, file.data(), file.size());
  size_t size = 0;
  if (spng_decoded_image_size(ctx, SPNG_FMT_PNG, &size) != 0) std::abort();
  pixels.resize(size);
  if (spng_decode_image(ctx, pixels.data(), size, SPNG_FMT_PNG, 0) != 0) std::abort();
  spng_ctx_free(ctx);
}

std::vector<uint8_t> SpngEncode(const TestImage& image, int level) {
  spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
  spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
  spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, level);
  spng_ihdr ihdr{};
  ihdr.width = image.width;
  ihdr.height = image.height;
  ihdr.bit_depth = 8;
  ihdr.color_type = static_cast<uint8_t>(image.colour_type);
  ihdr.interlace_method = static_cast<uint8_t>(image.interlace);
  spng_set_ihdr(ctx, &ihdr);
  if (image.colour_type == 3) {
    spng_plte plte{};
    plte.n_entries = static_cast<uint32_t>(image.palette.size() / 3);
    for (uint32_t i = 0; i < plte.n_entries; ++i)
      plte.entries[i] = spng_plte_entry{image.palette[3 * i], image.palette[3 * i + 1], image.palette[3 * i + 2], 255};
    spng_set_plte(ctx, &plte);
  }
  int ret = spng_encode_image(ctx, image.rows.data(), image.rows.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
  if (ret != 0) {
    std::fprintf(stderr, "libspng encoding failed: %s\n", spng_strerror(ret));
    std::abort();
  }
  size_t size = 0;
  int error = 0;
  void* data = spng_get_png_buffer(ctx, &size, &error);
  std::vector<uint8_t> out(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
  std::free(data);
  spng_ctx_free(ctx);
  return out;
}

// ---- ours ----

void OurDecode(const std::vector<uint8_t>& file, PngPicture& picture) {
  MemorySource source(file.data(), file.size());
  picture.LoadFromStream(source);
}

std::vector<uint8_t> OurEncode(PngPicture& picture) {
  std::vector<uint8_t> out;
  VectorSink sink(out);
  picture.SaveToStream(sink);
  return out;
}

// ---- the run ----

std::vector<TestImage>& Images() {
  static std::vector<TestImage> images = [] {
    const uint32_t size = std::getenv("VORNADA_BENCH_SMOKE") ? 400 : 2000;
    std::vector<TestImage> list;
    list.push_back(MakeImage("rgba8", size, size, 6, 0));
    list.push_back(MakeImage("rgb8", size, size, 2, 0));
    list.push_back(MakeImage("rgb8-interlaced", size, size, 2, 1));
    list.push_back(MakeImage("palette8", size, size, 3, 0));
    list.push_back(MakeImage("rgba8-312x442", 312, 442, 6, 0));
    list.push_back(MakeImage("rgba8-drawing-312x442", 312, 442, 6, 0, true));
    for (auto& image : list) image.png = LibpngEncode(image, -1);
    return list;
  }();
  return images;
}

std::map<std::string, size_t>& EncodedSizes() {
  static std::map<std::string, size_t> sizes;
  return sizes;
}

constexpr int kLevel = 7;
constexpr double kDecodeGoal = 0.80;

void RegisterAll() {
  for (size_t i = 0; i < Images().size(); ++i) {
    const std::string name = Images()[i].name;
    benchmark::RegisterBenchmark(("decode/" + name + "/ours").c_str(), [i](benchmark::State& state) {
      const TestImage& image = Images()[i];
      for (auto _ : state) {
        PngPicture picture;
        OurDecode(image.png, picture);
        benchmark::DoNotOptimize(picture.Header()->Bits());
      }
    });
    // Every decoder gets fresh output memory per image, as ours does (its picture's store).
    benchmark::RegisterBenchmark(("decode/" + name + "/libpng").c_str(), [i](benchmark::State& state) {
      for (auto _ : state) {
        std::vector<uint8_t> pixels;
        LibpngDecode(Images()[i].png, pixels);
        benchmark::DoNotOptimize(pixels.data());
      }
    });
    benchmark::RegisterBenchmark(("decode/" + name + "/libspng").c_str(), [i](benchmark::State& state) {
      for (auto _ : state) {
        std::vector<uint8_t> pixels;
        SpngDecode(Images()[i].png, pixels);
        benchmark::DoNotOptimize(pixels.data());
      }
    });
    for (uint8_t filters : {uint8_t{vornada::png::FilterBit(vornada::png::kFilterSub)}, vornada::png::kAllFilters}) {
      const std::string variant = filters == vornada::png::kAllFilters ? "ours-all-filters" : "ours";
      benchmark::RegisterBenchmark(("encode/" + name + "/" + variant).c_str(), [i, filters, name, variant](benchmark::State& state) {
        PngPicture picture;
        OurDecode(Images()[i].png, picture);
        picture.SetDeflateLevel(kLevel);
        picture.SetRowFilters(filters);
        size_t size = 0;
        for (auto _ : state) size = OurEncode(picture).size();
        EncodedSizes()["encode/" + name + "/" + variant] = size;
        state.counters["bytes"] = static_cast<double>(size);
      });
    }
    benchmark::RegisterBenchmark(("encode/" + name + "/libpng").c_str(), [i, name](benchmark::State& state) {
      size_t size = 0;
      for (auto _ : state) size = LibpngEncode(Images()[i], kLevel).size();
      EncodedSizes()["encode/" + name + "/libpng"] = size;
      state.counters["bytes"] = static_cast<double>(size);
    });
    benchmark::RegisterBenchmark(("encode/" + name + "/libspng").c_str(), [i, name](benchmark::State& state) {
      size_t size = 0;
      for (auto _ : state) size = SpngEncode(Images()[i], kLevel).size();
      EncodedSizes()["encode/" + name + "/libspng"] = size;
      state.counters["bytes"] = static_cast<double>(size);
    });
  }
}

// Keeps every run's time while the console reporter prints: CPU time per iteration in ms
// (every benchmark is single-threaded; CPU time is far less disturbed than wall time when other
// work shares the machine), the median when there are repetitions.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs)
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
        times_[run.run_name.function_name] = run.GetAdjustedCPUTime() *
                                             benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
                                             benchmark::GetTimeUnitMultiplier(run.time_unit);
    ConsoleReporter::ReportRuns(runs);
  }
  const std::map<std::string, double>& Times() const { return times_; }

 private:
  std::map<std::string, double> times_;
};

void PrintRatios(const RecordingReporter& reporter) {
  const auto& t = reporter.Times();
  auto time = [&](const std::string& key) {
    auto it = t.find(key);
    return it == t.end() ? 0.0 : it->second;
  };
  std::printf("\nOur CPU time as a ratio to each library's (below 1.00: ours is faster)\n");
  std::printf("%-26s %10s %10s %10s %12s %12s\n", "benchmark", "ours ms", "libpng ms", "libspng ms", "ours/libpng", "ours/libspng");
  for (const auto& image : Images()) {
    for (const char* op : {"decode", "encode"}) {
      for (const char* ours : {"ours", "ours-all-filters"}) {
        if (std::string(op) == "decode" && std::string(ours) != "ours") continue;
        const std::string base = std::string(op) + "/" + image.name + "/";
        const double o = time(base + ours), l = time(base + "libpng"), s = time(base + "libspng");
        if (o == 0 || l == 0 || s == 0) continue;
        std::printf("%-26s %10.2f %10.2f %10.2f %12.2f %12.2f\n", (base + ours).c_str(), o, l, s, o / l, o / s);
      }
    }
  }
  // Decoding against the faster of the two libraries, per size; small pictures (at most
  // 512 x 512 pixels) have the goal of at most 0.80.
  std::printf("\nDecoding, ours / best of libpng and libspng, per size (goal for small pictures <= %.2f)\n",
              kDecodeGoal);
  for (const auto& image : Images()) {
    const std::string base = "decode/" + image.name + "/";
    const double o = time(base + "ours"), l = time(base + "libpng"), s = time(base + "libspng");
    if (o == 0 || l == 0 || s == 0) continue;
    const double ratio = o / std::min(l, s);
    const bool small = uint64_t{image.width} * image.height <= 512 * 512;
    std::printf("%-20s %5ux%-5u %8.3f ms  ratio %.2f  %s\n", image.name.c_str(), image.width,
                image.height, o, ratio, !small ? "" : ratio <= kDecodeGoal ? "goal met" : "GOAL MISSED");
  }
  std::printf("\nEncoded sizes at level %d (bytes; ours as a ratio to libpng)\n", kLevel);
  for (const auto& image : Images()) {
    const std::string base = "encode/" + image.name + "/";
    const auto& sizes = EncodedSizes();
    if (!sizes.count(base + "libpng")) continue;
    const double l = static_cast<double>(sizes.at(base + "libpng"));
    std::printf("%-16s libpng %9zu  libspng %9zu  ours %9zu (%.3f)  ours-all-filters %9zu (%.3f)\n",
                image.name.c_str(), sizes.at(base + "libpng"), sizes.count(base + "libspng") ? sizes.at(base + "libspng") : 0,
                sizes.count(base + "ours") ? sizes.at(base + "ours") : 0,
                sizes.count(base + "ours") ? sizes.at(base + "ours") / l : 0.0,
                sizes.count(base + "ours-all-filters") ? sizes.at(base + "ours-all-filters") : 0,
                sizes.count(base + "ours-all-filters") ? sizes.at(base + "ours-all-filters") / l : 0.0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RegisterAll();
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter);
  benchmark::Shutdown();
  return 0;
}
