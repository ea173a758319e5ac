// Helpers shared by pictool's format commands: whole-file reading and writing, PAM output and
// timing. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vornada::pictool {

// One command line: `pictool COMMAND FILE [ARGS...]`, with FILE already read.
struct CommandLine {
  std::string command;
  std::string file;
  std::vector<std::string> args;  // after FILE
  std::vector<uint8_t> bytes;     // FILE's content
};

// False (and a message on stderr) when the file cannot be read or written.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// An 8-bit RGBA PAM (P7, TUPLTYPE RGB_ALPHA) of width x height pixels, top row first.
std::vector<uint8_t> MakeRgbaPam(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba);

// The run count of `bench FILE [N]`: N (1 to 100000) or 11 when absent; false for anything
// else on the command line.
bool ParseBenchRuns(const CommandLine& line, long& runs);

// Median of a list of durations in milliseconds.
double MedianMs(std::vector<double> times);

// Milliseconds since an arbitrary start (steady clock).
double NowMs();

}  // namespace vornada::pictool
