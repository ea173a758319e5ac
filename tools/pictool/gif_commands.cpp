// pictool's GIF commands.
//   info FILE          version, logical screen, loop extension, and per frame: origin, size,
//                      delay, disposal, transparent colour, local map, interlacing, damage
//   frames FILE DIR    every frame's decoded bitmap as DIR/frame-NNN.pam (8-bit RGBA; pixels
//                      of the frame's transparent colour get alpha 0, all others 255)
//   compose FILE DIR   the logical screen as the animator composes it for each frame index, as
//                      DIR/screen-NNN.pam (alpha 0 where it shows the key colour); the system
//                      window colour is taken as white
//   resave FILE OUT    load and save
//   bench FILE [N]     read and decode every frame N times (default 11) from memory; the last
//                      line is the median time
// Bad input prints the picture's error message to stderr and exits with status 1.
#include "gif_commands.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "gif/GifCompose.h"
#include "gif/GifPicture.h"

namespace vornada::pictool {
namespace {

using namespace vornada::gif;

std::string ColorText(Color c) {
  if (c == clNone) return "none";
  char text[16];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", RedOf(c), GreenOf(c), BlueOf(c));
  return text;
}

int Fail(const GifError& e) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", e.what());
  return 1;
}

// Reads the file (decoding frame 0, as loading a picture does); false after printing the
// picture's message.
bool Load(GifPicture& picture, const CommandLine& line) {
  try {
    picture.Load(line.bytes);
    return true;
  } catch (const GifError& e) {
    Fail(e);
    return false;
  }
}

std::string FramePath(const std::string& dir, const char* prefix, size_t index) {
  char name[32];
  std::snprintf(name, sizeof name, "%s-%03zu.pam", prefix, index);
  return (std::filesystem::path(dir) / name).string();
}

bool MakeDirectory(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir, ec)) {
    std::fprintf(stderr, "pictool: cannot create %s\n", dir.c_str());
    return false;
  }
  return true;
}

int Info(const CommandLine& line) {
  GifPicture picture;
  if (!Load(picture, line)) return 1;
  const char* version = picture.Version() == 2 ? "89a" : picture.Version() == 1 ? "87a" : "none";
  std::printf("version: %s\n", version);
  std::printf("screen: %ux%u background=%s\n", picture.LogicalWidth(), picture.LogicalHeight(),
              ColorText(picture.BackgroundColor()).c_str());
  if (picture.LoopFlag()) {
    std::printf("loop: yes count=%u\n", picture.LoopCount());
  } else {
    std::printf("loop: no\n");
  }
  std::printf("frames: %zu\n", picture.FrameCount());
  for (size_t i = 0; i < picture.FrameCount(); ++i) {
    try {
      picture.FrameBitmapAt(i);  // damage shows when a frame is decoded
    } catch (const GifError& e) {
      return Fail(e);
    }
    const GifFrame& f = picture.Frame(i);
    std::printf(
        "frame %zu: origin=%d,%d size=%ux%u delay=%u disposal=%u transparent=%s local-map=%s "
        "interlaced=%s damaged=%s\n",
        i, f.Origin().x, f.Origin().y, f.Width(), f.Height(), f.DelayMs(), f.DisposeMode(),
        ColorText(f.TransColor()).c_str(), f.HasLocalMap() ? "yes" : "no",
        f.Interlaced() ? "yes" : "no", f.Damaged() ? "yes" : "no");
  }
  return 0;
}

int Frames(const CommandLine& line) {
  if (line.args.size() != 1) return 2;
  GifPicture picture;
  if (!Load(picture, line)) return 1;
  if (!MakeDirectory(line.args[0])) return 1;
  for (size_t i = 0; i < picture.FrameCount(); ++i) {
    const FrameBitmap* bitmap;
    try {
      bitmap = &picture.FrameBitmapAt(i);
    } catch (const GifError& e) {
      return Fail(e);
    }
    const Color trans = picture.Frame(i).TransColor();
    std::vector<uint8_t> rgba;
    rgba.reserve(size_t{bitmap->Width()} * bitmap->Height() * 4);
    for (uint32_t y = 0; y < bitmap->Height(); ++y) {
      for (uint32_t x = 0; x < bitmap->Width(); ++x) {
        const Color c = bitmap->ColorAt(x, y);
        rgba.insert(rgba.end(), {RedOf(c), GreenOf(c), BlueOf(c),
                                 static_cast<uint8_t>(trans != clNone && c == trans ? 0 : 255)});
      }
    }
    if (!WriteWholeFile(FramePath(line.args[0], "frame", i),
                        MakeRgbaPam(bitmap->Width(), bitmap->Height(), rgba))) {
      return 1;
    }
  }
  return 0;
}

int Compose(const CommandLine& line) {
  if (line.args.size() != 1) return 2;
  GifPicture picture;
  if (!Load(picture, line)) return 1;
  if (!MakeDirectory(line.args[0])) return 1;
  Composition cache;
  for (size_t i = 0; i < picture.FrameCount(); ++i) {
    try {
      if (!ComposeFrame(picture, static_cast<int>(i), cache)) {
        std::fprintf(stderr, "pictool: the logical screen is empty; nothing to compose\n");
        return 0;
      }
    } catch (const GifError& e) {
      return Fail(e);
    }
    std::vector<uint8_t> rgba;
    rgba.reserve(cache.pixels.size() * 4);
    for (const Color c : cache.pixels) {
      rgba.insert(rgba.end(), {RedOf(c), GreenOf(c), BlueOf(c),
                               static_cast<uint8_t>(cache.key != clNone && c == cache.key ? 0 : 255)});
    }
    if (!WriteWholeFile(FramePath(line.args[0], "screen", i),
                        MakeRgbaPam(cache.width, cache.height, rgba))) {
      return 1;
    }
  }
  return 0;
}

int Resave(const CommandLine& line) {
  if (line.args.size() != 1) return 2;
  GifPicture picture;
  if (!Load(picture, line)) return 1;
  std::vector<uint8_t> gif;
  try {
    gif = picture.Save();
  } catch (const GifError& e) {
    return Fail(e);
  }
  return WriteWholeFile(line.args[0], gif) ? 0 : 1;
}

int Bench(const CommandLine& line) {
  long runs = 0;
  if (!ParseBenchRuns(line, runs)) return 2;
  std::vector<double> times;
  for (long i = 0; i < runs; ++i) {
    GifPicture picture;
    const double start = NowMs();
    try {
      picture.Load(line.bytes, false);
      for (size_t k = 0; k < picture.FrameCount(); ++k) picture.FrameBitmapAt(k);
    } catch (const GifError& e) {
      return Fail(e);
    }
    times.push_back(NowMs() - start);
    if (i == 0) {
      std::printf("%s: %ux%u, %zu frames, %zu bytes, %ld runs\n", line.file.c_str(),
                  picture.LogicalWidth(), picture.LogicalHeight(), picture.FrameCount(),
                  line.bytes.size(), runs);
    }
  }
  std::printf("median: %.3f ms\n", MedianMs(times));
  return 0;
}

}  // namespace

bool GifSniff(const uint8_t* data, size_t size) {
  auto upper = [](uint8_t c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; };
  return size >= 3 && upper(data[0]) == 'G' && upper(data[1]) == 'I' && upper(data[2]) == 'F';
}

int RunGifCommand(const CommandLine& line) {
  if (line.command == "info") return line.args.empty() ? Info(line) : 2;
  if (line.command == "frames") return Frames(line);
  if (line.command == "compose") return Compose(line);
  if (line.command == "resave") return Resave(line);
  if (line.command == "bench") return Bench(line);
  return 2;
}

}  // namespace vornada::pictool
