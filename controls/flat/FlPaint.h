// Painting helpers shared by the flat controls (Win32).
#pragma once

#include "Graphics.h"

namespace vornada::flat {

// Gives `canvas` the look of `font`. The canvas keeps the GDI font it made when only the colour
// differs or nothing does: making a font is the dearest step of a repaint.
inline void UseFont(TCanvas& canvas, TFont& font) {
  TFont& own = canvas.Font();
  if (own.Name() != font.Name() || own.Height() != font.Height() || own.Style() != font.Style() ||
      own.Charset() != font.Charset()) {
    own.Assign(&font);
    return;
  }
  own.SetColor(font.Color());
}

}  // namespace vornada::flat
