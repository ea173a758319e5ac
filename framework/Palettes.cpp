// Logical palettes (see Palettes.h).
#include "Palettes.h"

#include <algorithm>

namespace vornada {

namespace {

win::UniquePalette PaletteFromEntries(const PALETTEENTRY* entries, size_t count) {
  const size_t n = std::clamp<size_t>(count, 1, 256);
  std::vector<BYTE> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * n, 0);
  auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = static_cast<WORD>(n);
  if (count != 0) std::copy_n(entries, n, logical->palPalEntry);
  return win::UniquePalette(::CreatePalette(logical));
}

}  // namespace

win::UniquePalette PaletteFromColors(const RGBQUAD* colors, size_t count) {
  std::vector<PALETTEENTRY> entries(std::min<size_t>(count, 256));
  for (size_t i = 0; i < entries.size(); ++i)
    entries[i] = {colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 0};
  return PaletteFromEntries(entries.data(), entries.size());
}

std::vector<PALETTEENTRY> PaletteEntries(HPALETTE palette) {
  if (palette == nullptr) return {};
  WORD count = 0;
  if (::GetObjectW(palette, sizeof(count), &count) == 0) return {};
  std::vector<PALETTEENTRY> entries(std::min<WORD>(count, 256));
  const UINT got =
      ::GetPaletteEntries(palette, 0, static_cast<UINT>(entries.size()), entries.data());
  entries.resize(got);
  return entries;
}

win::UniquePalette CopyPalette(HPALETTE palette) {
  if (palette == nullptr) return win::UniquePalette();
  const std::vector<PALETTEENTRY> entries = PaletteEntries(palette);
  return PaletteFromEntries(entries.data(), entries.size());
}

win::UniquePalette HalftonePalette() {
  win::ScopedGetDC screen(nullptr);
  return win::UniquePalette(::CreateHalftonePalette(screen));
}

std::vector<RGBQUAD> HalftoneColors() {
  const win::UniquePalette halftone = HalftonePalette();
  std::vector<RGBQUAD> colors;
  for (const PALETTEENTRY& e : PaletteEntries(halftone.get()))
    colors.push_back({e.peBlue, e.peGreen, e.peRed, 0});
  return colors;
}

}  // namespace vornada
