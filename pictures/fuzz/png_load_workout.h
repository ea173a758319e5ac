// What the PNG fuzz target does with one input, shared with the regression test that replays
// saved crash inputs: load the bytes as a PNG picture and, when that succeeds, export its
// pixels, blend it onto a small buffer, touch pixels, save it, load the saved file again (which
// must succeed) and resize it. Any failure other than a PngError of the input itself aborts.
// The pictures keep their default memory budget: it is what bounds the memory an input can
// make them take.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "png/PngBlend.h"
#include "png/PngPicture.h"

namespace vornada::png {

// Returns true when the input loaded.
inline bool RunPngLoadWorkout(const uint8_t* data, size_t size) {
  PngPicture picture;
  MemorySource source(data, size);
  try {
    picture.LoadFromStream(source);
  } catch (const PngError&) {
    if (picture.MemoryUsed() > picture.MemoryLimit()) std::abort();
    return false;
  }
  if (source.Position() > size) std::abort();
  if (picture.MemoryUsed() > picture.MemoryLimit()) std::abort();

  try {
    std::vector<uint8_t> rgba = ExportRgba(picture);
    if (rgba.size() != static_cast<size_t>(picture.Width()) * picture.Height() * 4) std::abort();
  } catch (const PngError& e) {
    if (e.Kind() != ErrorKind::OutMemory) std::abort();  // a copy beyond the budget
  }
  (void)picture.AlphaKind();
  (void)picture.KeyColour();
  std::vector<uint8_t> work(7 * 5 * 4, 0x80);
  try {
    BlendOnto(picture, work.data(), 7, 5, 7 * 4);
  } catch (const PngError& e) {
    if (e.Kind() != ErrorKind::Error) std::abort();  // only a palette index beyond the palette
  }
  const uint32_t colour = picture.GetPixelColor(picture.Width() - 1, picture.Height() - 1);
  picture.SetPixelColor(0, 0, colour);
  picture.SetPixelColor(-1, 3, colour);

  std::vector<uint8_t> saved;
  VectorSink sink(saved);
  picture.SetRowFilters(0x1F);
  try {
    picture.SaveToStream(sink);
  } catch (const PngError& e) {
    if (e.Kind() != ErrorKind::OutMemory) std::abort();  // working memory beyond the budget
    return true;
  }
  PngPicture again;
  MemorySource saved_source(saved.data(), saved.size());
  try {
    again.LoadFromStream(saved_source);
  } catch (const PngError&) {
    std::abort();  // what the picture writes, it must read
  }
  if (again.Width() != picture.Width() || again.Height() != picture.Height()) std::abort();
  try {
    again.Resize(again.Width() / 2 + 1, again.Height() + 3);
  } catch (const PngError& e) {
    // The larger image may pass the budget or the largest size the loader reads.
    if (e.Kind() != ErrorKind::OutMemory && e.Kind() != ErrorKind::SizeExceeds) std::abort();
  }
  if (again.MemoryUsed() > again.MemoryLimit()) std::abort();
  return true;
}

}  // namespace vornada::png
