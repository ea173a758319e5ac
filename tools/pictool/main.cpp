// pictool: a command-line tool for the picture codecs, built natively and as a Windows exe.
//
//   pictool info FILE            what the file holds (chunks or blocks, parsed fields)
//   pictool decode FILE OUT.pam  the image as the picture holds it, as 8-bit RGBA PAM
//   pictool resave FILE OUT      load and save again
//   pictool bench FILE [N]       load N times from memory; the last line is the median time
//   pictool frames FILE DIR      (GIF) every frame's bitmap as DIR/frame-NNN.pam
//   pictool compose FILE DIR     (GIF) the animator's screen for each frame as DIR/screen-NNN.pam
// A format may offer more commands of its own; a command the file's format does not know
// prints this usage.
//
// Exit status: 0 done, 1 bad input, a picture beyond its memory budget, any other failure or a
// file that cannot be read or written (the picture's own message, or what failed, on stderr),
// 2 wrong command line.
//
// Format dispatch: FILE's first bytes are offered to each entry of kFormats in order and the
// first entry whose sniff function accepts them runs the command. A file no entry accepts goes
// to kFormats[0] (PNG), whose loader reports it as an invalid PNG. To add a format, write
// NAME_commands.h/.cpp with `bool NameSniff(const uint8_t*, size_t)` and
// `int RunNameCommand(const CommandLine&)`, include the header below and add one line to
// kFormats.
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "gif_commands.h"
#include "png_commands.h"
#include "tool_common.h"

namespace {

using namespace vornada::pictool;

struct FormatEntry {
  const char* name;
  bool (*sniff)(const uint8_t* data, size_t size);
  int (*run)(const CommandLine& line);
};

const FormatEntry kFormats[] = {
    {"PNG", PngSniff, RunPngCommand},  // first entry: also takes files no entry recognises
    {"GIF", GifSniff, RunGifCommand},
};

int Usage() {
  std::fprintf(stderr,
               "usage: pictool info FILE\n"
               "       pictool decode FILE OUT.pam\n"
               "       pictool resave FILE OUT\n"
               "       pictool bench FILE [N]\n"
               "       pictool frames FILE.gif DIR\n"
               "       pictool compose FILE.gif DIR\n");
  return 2;
}

// Runs the command; the formats report their pictures' own errors themselves.
int Run(int argc, char** argv) {
  CommandLine line;
  line.command = argv[1];
  line.file = argv[2];
  for (int i = 3; i < argc; ++i) line.args.emplace_back(argv[i]);
  if (!ReadWholeFile(line.file, line.bytes)) return 1;

  const FormatEntry* format = &kFormats[0];
  for (const auto& entry : kFormats) {
    if (entry.sniff(line.bytes.data(), line.bytes.size())) {
      format = &entry;
      break;
    }
  }
  const int status = format->run(line);
  if (status == 2) return Usage();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  // Whatever else fails ends the run with a message, never with an uncaught exception.
  try {
    return Run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    std::fprintf(stderr, "pictool: out of memory\n");
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "pictool: %s\n", e.what());
  } catch (...) {
    std::fflush(stdout);
    std::fprintf(stderr, "pictool: unexpected failure\n");
  }
  return 1;
}
