// pictool's PNG commands.
//   info FILE           the chunks in order with the parsed fields of the known ones, then the
//                       transparency mode
//   decode FILE OUT.pam the image as the picture holds it, as 8-bit RGBA
//   resave FILE OUT.png load and save
//   bench FILE [N]      N loads from memory (default 11); the last line is the median time
// Bad input prints the picture's error message to stderr and exits with status 1.
#include "png_commands.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "png/PngBlend.h"
#include "png/PngPicture.h"

namespace vornada::pictool {
namespace {

using namespace vornada::png;

const char* AlphaKindName(TPNGAlphaKind kind) {
  switch (kind) {
    case akOpaque: return "akOpaque";
    case akKeyColour: return "akKeyColour";
    default: return "akBlended";
  }
}

void PrintChunk(const TPngChunk& chunk) {
  std::printf("%s", chunk.TypeString().c_str());
  if (const auto* idat = dynamic_cast<const TPngChunkIDAT*>(&chunk)) {
    // One object stands for the whole image data, however many chunks carried it.
    std::printf(" %llu chunks=%u\n", static_cast<unsigned long long>(idat->CompressedBytes()),
                idat->ChunkCount());
    return;
  }
  std::printf(" %u", chunk.DataSize());
  if (const auto* ihdr = dynamic_cast<const TPngChunkIHDR*>(&chunk)) {
    if (ihdr->Store() != nullptr) {
      const PngHeader& h = ihdr->Header();
      std::printf(" width=%u height=%u bit-depth=%u colour-type=%u compression=%u filter=%u interlace=%u",
                  h.width, h.height, h.bitDepth, h.colourType, h.compressionMethod, h.filterMethod,
                  h.interlaceMethod);
    }
  } else if (const auto* plte = dynamic_cast<const TPngChunkPLTE*>(&chunk)) {
    std::printf(" entries=%u", plte->EntryCount());
  } else if (const auto* gama = dynamic_cast<const TPngChunkgAMA*>(&chunk)) {
    std::printf(" gamma=%u", gama->Value());
  } else if (const auto* trns = dynamic_cast<const TPngChunktRNS*>(&chunk)) {
    const TPngChunkIHDR* header = chunk.Owner().Header();
    const uint8_t colour_type = header ? header->ColourType() : 3;
    const auto& bytes = trns->Data();
    if (colour_type == 0 && bytes.size() >= 2) {
      std::printf(" key-gray=%u", bytes[0] << 8 | bytes[1]);
    } else if (colour_type == 2 && bytes.size() >= 6) {
      std::printf(" key-rgb=%u,%u,%u", bytes[0] << 8 | bytes[1], bytes[2] << 8 | bytes[3],
                  bytes[4] << 8 | bytes[5]);
    } else {
      std::printf(" alpha=");
      for (size_t i = 0; i < bytes.size(); ++i) std::printf(i ? ",%u" : "%u", bytes[i]);
    }
  } else if (const auto* phys = dynamic_cast<const TPngChunkpHYs*>(&chunk)) {
    if (phys->Parsed()) std::printf(" x=%u y=%u unit=%u", phys->PixelsPerUnitX, phys->PixelsPerUnitY, phys->Unit);
  } else if (const auto* time = dynamic_cast<const TPngChunktIME*>(&chunk)) {
    if (time->Parsed())
      std::printf(" %04u-%02u-%02u %02u:%02u:%02u", time->Year, time->Month, time->Day, time->Hour,
                  time->Minute, time->Second);
  }
  std::printf("\n");
}

int Fail(const PngError& e) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", e.what());
  return 1;
}

// Loads the file; on failure prints the picture's message and returns false.
bool Load(PngPicture& picture, const CommandLine& line) {
  MemorySource source(line.bytes.data(), line.bytes.size());
  try {
    picture.LoadFromStream(source);
    return true;
  } catch (const PngError& e) {
    Fail(e);
    return false;
  }
}

int Info(const CommandLine& line) {
  PngPicture picture;
  MemorySource source(line.bytes.data(), line.bytes.size());
  std::string error;
  try {
    picture.LoadFromStream(source);
  } catch (const PngError& e) {
    error = e.what();
  }
  // The chunks read before an error stay in the picture: they are listed too.
  for (const auto& chunk : picture.Chunks()) PrintChunk(*chunk);
  if (!error.empty()) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::printf("transparency: %s", AlphaKindName(picture.AlphaKind()));
  if (picture.AlphaKind() == akKeyColour) {
    const uint32_t key = picture.KeyColour();
    std::printf(" key=#%02X%02X%02X", RedOf(key), GreenOf(key), BlueOf(key));
  }
  std::printf("\n");
  return 0;
}


int Decode(const CommandLine& line) {
  if (line.args.size() != 1) return 2;
  PngPicture picture;
  if (!Load(picture, line)) return 1;
  std::vector<uint8_t> rgba;
  try {
    rgba = ExportRgba(picture);
  } catch (const PngError& e) {
    return Fail(e);
  }
  std::vector<uint8_t> pam = MakeRgbaPam(picture.Width(), picture.Height(), rgba);
  return WriteWholeFile(line.args[0], pam) ? 0 : 1;
}

int Resave(const CommandLine& line) {
  if (line.args.size() != 1) return 2;
  PngPicture picture;
  if (!Load(picture, line)) return 1;
  std::vector<uint8_t> png;
  VectorSink sink(png);
  try {
    picture.SaveToStream(sink);
  } catch (const PngError& e) {
    return Fail(e);
  }
  return WriteWholeFile(line.args[0], png) ? 0 : 1;
}

int Bench(const CommandLine& line) {
  long runs = 0;
  if (!ParseBenchRuns(line, runs)) return 2;
  std::vector<double> times;
  for (long i = 0; i < runs; ++i) {
    PngPicture picture;  // loading decodes every pixel into the picture's store
    const double start = NowMs();
    const bool ok = Load(picture, line);
    times.push_back(NowMs() - start);
    if (!ok) return 1;
    if (i == 0) std::printf("%s: %u x %u, %zu bytes, %ld loads\n", line.file.c_str(), picture.Width(), picture.Height(), line.bytes.size(), runs);
  }
  std::printf("median: %.3f ms\n", MedianMs(times));
  return 0;
}

}  // namespace

bool PngSniff(const uint8_t* data, size_t size) {
  static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  return size >= 8 && std::memcmp(data, kSignature, 8) == 0;
}

int RunPngCommand(const CommandLine& line) {
  if (line.command == "info") return line.args.empty() ? Info(line) : 2;
  if (line.command == "decode") return Decode(line);
  if (line.command == "resave") return Resave(line);
  if (line.command == "bench") return Bench(line);
  return 2;
}

}  // namespace vornada::pictool
