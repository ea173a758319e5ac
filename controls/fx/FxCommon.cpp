// The effect controls' shared unit (see FxCommon.h).
#include "FxCommon.h"

#include <algorithm>

namespace vornada {

RgbColor ResolveRgb(TColor color) { return static_cast<RgbColor>(ColorToRGB(color)) & 0xFFFFFF; }

TColor LightenColor(TColor color, int amount) { return ToTColor(LightenRgb(ResolveRgb(color), amount)); }
TColor DarkenColor(TColor color, int amount) { return ToTColor(DarkenRgb(ResolveRgb(color), amount)); }
TColor MixColors(TColor a, TColor b, int weight) {
  return ToTColor(MixRgb(ResolveRgb(a), ResolveRgb(b), weight));
}
TColor OppositeHueColor(TColor color, int lightness) {
  return ToTColor(OppositeHueRgb(ResolveRgb(color), lightness));
}
bool ColorsNearlyEqual(TColor a, TColor b) { return RgbNearlyEqual(ResolveRgb(a), ResolveRgb(b)); }

namespace {
bool ScreenShowsFullColor() {
  win::ScopedGetDC screen(nullptr);
  return ::GetDeviceCaps(screen, NUMCOLORS) == -1;
}
bool g_full_color_display = ScreenShowsFullColor();
}  // namespace

bool FullColorDisplay() { return g_full_color_display; }
void SetFullColorDisplay(bool value) { g_full_color_display = value; }

bool IsTrueTypeFont(TFont& font) {
  win::ScopedGetDC screen(nullptr);
  win::ScopedSelectObject select(screen, font.Handle());
  TEXTMETRICW metrics{};
  if (!::GetTextMetricsW(screen, &metrics)) return false;
  return (metrics.tmPitchAndFamily & TMPF_TRUETYPE) != 0;
}

FrameColors ResolveFrameColors(const TFxFrameSettings& settings) {
  FrameColors c;
  c.face = ResolveRgb(settings.border_color);
  c.highlight = ResolveRgb(settings.border_highlight);
  c.shadow = ResolveRgb(settings.border_shadow);
  c.flat = ResolveRgb(settings.flat_color);
  c.flat_adjustment = settings.flat_color_adjustment;
  return c;
}

void FillSolidRect(HDC dc, const RECT& r, RgbColor color) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  win::UniqueBrush brush(::CreateSolidBrush(static_cast<COLORREF>(color)));
  ::FillRect(dc, &r, brush.get());
}

void DrawFrameRings(TCanvas& canvas, RECT& r, const std::vector<FrameRing>& rings, TSides sides) {
  HDC dc = canvas.Handle();
  for (const FrameRing& ring : rings) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    const int cut = ring.cut_corners ? 1 : 0;
    if (sides.Contains(TSide::sdLeft))
      FillSolidRect(dc, {r.left, r.top + cut, r.left + 1, r.bottom - cut}, ring.first);
    if (sides.Contains(TSide::sdTop))
      FillSolidRect(dc, {r.left + cut, r.top, r.right - cut, r.top + 1}, ring.first);
    if (sides.Contains(TSide::sdRight))
      FillSolidRect(dc, {r.right - 1, r.top + cut, r.right, r.bottom - cut}, ring.second);
    if (sides.Contains(TSide::sdBottom))
      FillSolidRect(dc, {r.left + cut, r.bottom - 1, r.right - cut, r.bottom}, ring.second);
    const FxRect inner = DeflateSides({r.left, r.top, r.right, r.bottom}, sides, 1);
    r = {inner.left, inner.top, inner.right, inner.bottom};
  }
}

RECT DrawFrames(TCanvas& canvas, RECT r, const TFxFrameSettings& settings, bool fill_gap) {
  const FrameColors colors = ResolveFrameColors(settings);
  const LabelFrames& f = settings.frames;
  DrawFrameRings(canvas, r, FrameRings(f.outer, f.bevel_width, colors), f.sides);
  if (f.border_width > 0) {
    const RECT outside = r;
    const int bw = f.border_width;
    r = {r.left + bw, r.top + bw, r.right - bw, r.bottom - bw};
    if (fill_gap) {
      HDC dc = canvas.Handle();
      // The band between `outside` and `r`, as four strips.
      const LONG inner_top = std::min(r.top, outside.bottom), inner_bottom = std::max(r.bottom, inner_top);
      FillSolidRect(dc, {outside.left, outside.top, outside.right, inner_top}, colors.face);
      FillSolidRect(dc, {outside.left, inner_bottom, outside.right, outside.bottom}, colors.face);
      FillSolidRect(dc, {outside.left, inner_top, std::min(r.left, outside.right), inner_bottom}, colors.face);
      FillSolidRect(dc, {std::max(r.right, outside.left), inner_top, outside.right, inner_bottom}, colors.face);
    }
  }
  DrawFrameRings(canvas, r, FrameRings(f.inner, f.bevel_width, colors), f.sides);
  return r;
}

// ---- frame controller ------------------------------------------------------------------------

TFxFrameController::TFxFrameController(TComponent* owner) : TComponent(owner) {}

TFxFrameController::~TFxFrameController() {
  Destroying();
  clients_.clear();
}

template <typename T>
void TFxFrameController::Set(T& field, const T& value) {
  if (field == value) return;
  field = value;
  // A copy: a client may unregister while it updates.
  const auto clients = clients_;
  for (IFxFrameControllerClient* c : clients) c->UpdateFromFrameController();
}

void TFxFrameController::SetBorderOuter(TFrameStyleEx v) { Set(settings_.frames.outer, v); }
void TFxFrameController::SetBorderInner(TFrameStyleEx v) { Set(settings_.frames.inner, v); }
void TFxFrameController::SetBorderSides(TSides v) { Set(settings_.frames.sides, v); }
void TFxFrameController::SetBorderWidth(int v) { Set(settings_.frames.border_width, v); }
void TFxFrameController::SetBevelWidth(int v) { Set(settings_.frames.bevel_width, v); }
void TFxFrameController::SetBorderColor(TColor v) { Set(settings_.border_color, v); }
void TFxFrameController::SetBorderHighlight(TColor v) { Set(settings_.border_highlight, v); }
void TFxFrameController::SetBorderShadow(TColor v) { Set(settings_.border_shadow, v); }
void TFxFrameController::SetFlatColor(TColor v) { Set(settings_.flat_color, v); }
void TFxFrameController::SetFlatColorAdjustment(int v) { Set(settings_.flat_color_adjustment, v); }

void TFxFrameController::RegisterClient(IFxFrameControllerClient* client) {
  if (client != nullptr && std::find(clients_.begin(), clients_.end(), client) == clients_.end())
    clients_.push_back(client);
}

void TFxFrameController::UnregisterClient(IFxFrameControllerClient* client) {
  std::erase(clients_, client);
}

}  // namespace vornada
