// The effect label (see FxLabel.h).
#include "FxLabel.h"

#include <algorithm>
#include <cstring>

#include "AccelChars.h"
#include "ScopeExit.h"

namespace vornada {

// ---- the shared blinking list ----------------------------------------------------------------

namespace {
TFxBlinkingControlsList* g_blinking_list = nullptr;
}  // namespace

TFxBlinkingControlsList* TFxBlinkingControlsList::Instance() { return g_blinking_list; }

TFxBlinkingControlsList::TFxBlinkingControlsList() {
  timer_.SetEnabled(false);
  timer_.SetInterval(interval_off_);
  timer_.SetOnTimer([this](TObject*) { Tick(); });
  next_change_ = ::GetTickCount64() + interval_off_;
}

void TFxBlinkingControlsList::Add(TControl* control) {
  if (g_blinking_list == nullptr) g_blinking_list = new TFxBlinkingControlsList();
  g_blinking_list->controls_.push_back(control);
  g_blinking_list->UpdateTimer();
}

void TFxBlinkingControlsList::Remove(TControl* control) {
  TFxBlinkingControlsList* list = g_blinking_list;
  if (list == nullptr) return;
  std::erase(list->controls_, control);
  if (!list->controls_.empty()) {
    list->UpdateTimer();
    return;
  }
  g_blinking_list = nullptr;
  // A label freed by a handler during a tick: the list goes once the tick is over.
  if (list->ticking_) list->free_after_tick_ = true;
  else delete list;
}

void TFxBlinkingControlsList::BlinkingChanged() {
  if (g_blinking_list != nullptr) g_blinking_list->UpdateTimer();
}

bool TFxBlinkingControlsList::AnyBlinks() const {
  return std::any_of(controls_.begin(), controls_.end(),
                     [](TControl* c) { return c->Perform(kFxBlinkQueryMessage) == 1; });
}

void TFxBlinkingControlsList::CatchUp(uint64_t now) {
  if (now < next_change_) return;
  // Whole on-and-off periods leave the phase as it is.
  const uint64_t period = uint64_t{interval_on_} + interval_off_;
  if (period == 0) {
    next_change_ = now;
    return;
  }
  next_change_ += (now - next_change_) / period * period;
  while (next_change_ <= now) {
    blink_phase_ = !blink_phase_;
    next_change_ += blink_phase_ ? interval_on_ : interval_off_;
  }
}

void TFxBlinkingControlsList::UpdateTimer() {
  if (ticking_) return;  // the tick decides when it is over
  const bool run = AnyBlinks();
  if (run == timer_.Enabled()) return;
  if (!run) {
    timer_.SetEnabled(false);  // the clock keeps counting in next_change_
    return;
  }
  const uint64_t now = ::GetTickCount64();
  CatchUp(now);
  timer_.SetInterval(static_cast<UINT>(next_change_ - now));
  timer_.SetEnabled(true);
}

void TFxBlinkingControlsList::Tick() {
  blink_phase_ = !blink_phase_;
  const UINT length = blink_phase_ ? interval_on_ : interval_off_;
  next_change_ = ::GetTickCount64() + length;
  timer_.SetInterval(length);
  ticking_ = true;
  bool any = false;
  // Also when a label's handling fails: the list goes if its last label went meanwhile.
  ScopeExit done([this, &any] {
    ticking_ = false;
    if (free_after_tick_) {
      delete this;
    } else if (!any) {
      UpdateTimer();
    }
  });
  const std::vector<TControl*> controls = controls_;
  for (TControl* c : controls) {
    // A control freed by an earlier one's handling is no longer on the list.
    if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) continue;
    if (c->Perform(kFxBlinkQueryMessage) == 1) {
      any = true;
      c->Perform(kFxBlinkPhaseMessage, blink_phase_ ? 1 : 0);
    }
  }
  if (any) any = AnyBlinks();  // a handler may have stopped the last blinking label
}

// ---- TFxLabel --------------------------------------------------------------------------------

TFxLabel::TFxLabel(TComponent* owner) : TLabel(owner) {
  control_style_ |= csOpaque;
  SetColor(clBtnFace);
  SetParentColor(true);
  current_color_ = font_color_ = saved_font_color_ = Font().Color();
  TFxBlinkingControlsList::Add(this);
  constructing_ = false;
}

TFxLabel::~TFxLabel() {
  Destroying();
  TFxBlinkingControlsList::Remove(this);
  if (frame_controller_ != nullptr) {
    frame_controller_->UnregisterClient(this);
    RemoveFreeNotification(frame_controller_);
  }
}

uint16_t TFxLabel::BlinkIntervalOff() const {
  const auto* list = TFxBlinkingControlsList::Instance();
  return list != nullptr ? list->IntervalOff() : 500;
}

void TFxLabel::SetBlinkIntervalOff(uint16_t value) {
  if (auto* list = TFxBlinkingControlsList::Instance()) list->SetIntervalOff(value);
}

uint16_t TFxLabel::BlinkIntervalOn() const {
  const auto* list = TFxBlinkingControlsList::Instance();
  return list != nullptr ? list->IntervalOn() : 500;
}

void TFxLabel::SetBlinkIntervalOn(uint16_t value) {
  if (auto* list = TFxBlinkingControlsList::Instance()) list->SetIntervalOn(value);
}

namespace {
template <typename T>
bool Store(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}
}  // namespace

void TFxLabel::SetTextStyle(TTextStyle v) { if (Store(text_style_, v)) Invalidate(); }
void TFxLabel::SetLightTextStyle(bool v) { if (Store(light_text_style_, v)) Invalidate(); }
void TFxLabel::SetHighlightColor(TColor v) { if (Store(highlight_color_, v)) Invalidate(); }
void TFxLabel::SetShadowColor(TColor v) { if (Store(shadow_color_, v)) Invalidate(); }
void TFxLabel::SetShadowDepth(int v) { if (Store(shadow_depth_, v)) Invalidate(); }
void TFxLabel::SetTextMargin(int v) { if (Store(text_margin_, v)) Invalidate(); }
void TFxLabel::SetCenterPoint(TCenterPoint v) { if (Store(center_point_, v)) Invalidate(); }
void TFxLabel::SetBlinkColor(TColor v) { if (Store(blink_color_, v)) Invalidate(); }
void TFxLabel::SetFlyByColor(TColor v) { if (Store(fly_by_color_, v)) Invalidate(); }
void TFxLabel::SetBorderColor(TColor v) { if (Store(border_color_, v)) Invalidate(); }
void TFxLabel::SetBorderHighlight(TColor v) { if (Store(border_highlight_, v)) Invalidate(); }
void TFxLabel::SetBorderShadow(TColor v) { if (Store(border_shadow_, v)) Invalidate(); }
void TFxLabel::SetFlatColor(TColor v) { if (Store(flat_color_, v)) Invalidate(); }
void TFxLabel::SetFlatColorAdjustment(int v) { if (Store(flat_color_adjustment_, v)) Invalidate(); }

// Frame geometry changes size an auto-sized label again; the label is also repainted, so that a
// label of fixed size shows its new frames.
void TFxLabel::FrameChanged() {
  AdjustBounds();
  Invalidate();
}
void TFxLabel::SetBevelWidth(int v) { if (Store(frames_.bevel_width, v)) FrameChanged(); }
void TFxLabel::SetBorderSides(TSides v) { if (Store(frames_.sides, v)) FrameChanged(); }
void TFxLabel::SetBorderInner(TFrameStyleEx v) { if (Store(frames_.inner, v)) FrameChanged(); }
void TFxLabel::SetBorderOuter(TFrameStyleEx v) { if (Store(frames_.outer, v)) FrameChanged(); }
void TFxLabel::SetBorderWidth(int v) { if (Store(frames_.border_width, v)) FrameChanged(); }

void TFxLabel::SwitchToTrueTypeFont() {
  if (!IsTrueTypeFont(Font())) Font().SetName(L"Verdana");
}

void TFxLabel::SetAngle(int value) {
  const int angle = NormalizeAngle(value);
  if (angle == angle_) return;
  angle_ = angle;
  if (angle != 0 && !IsLoading()) SwitchToTrueTypeFont();
  if (angle != 0 && rotation_ == TRotation::roNone) rotation_ = TRotation::roFlat;
  AdjustBounds();
  Repaint();
}

void TFxLabel::SetRotation(TRotation value) {
  if (rotation_ == value) return;
  rotation_ = value;
  if (value != TRotation::roNone && !IsLoading()) SwitchToTrueTypeFont();
  if (value == TRotation::roNone) angle_ = 0;
  if (value == TRotation::roFlat) {
    angle_ = 0;
    center_point_ = TCenterPoint::cpCenter;
  }
  Invalidate();
}

void TFxLabel::SetBlinking(bool value) {
  if (blinking_ == value) return;
  blinking_ = value;
  TFxBlinkingControlsList::BlinkingChanged();
  if (!value) {
    blink_phase_ = false;
    current_color_ = font_color_;
    Repaint();
  }
}

void TFxLabel::SetCondenseCaption(TFxCondenseCaption value) {
  if (condense_caption_ == value) return;
  condense_caption_ = value;
  if (value != TFxCondenseCaption::ccNone) SetAutoSize(false);
  Invalidate();
}

void TFxLabel::SetFlyByEnabled(bool value) {
  if (fly_by_enabled_ == value) return;
  fly_by_enabled_ = value;
  // Only a hover colour that is showing is taken back.
  if (!value && fly_by_shown_) {
    fly_by_shown_ = false;
    Font().SetColor(saved_font_color_);
  }
  Invalidate();
}

void TFxLabel::SetFrameController(TFxFrameController* value) {
  if (frame_controller_ == value) return;
  if (frame_controller_ != nullptr) {
    frame_controller_->UnregisterClient(this);
    RemoveFreeNotification(frame_controller_);
  }
  frame_controller_ = value;
  if (value != nullptr) {
    value->RegisterClient(this);
    FreeNotification(value);
    UpdateFromFrameController();
  }
}

void TFxLabel::SetFrameControllerNotifications(TFrameControllerNotifications value) {
  if (notifications_ == value) return;
  notifications_ = value;
  UpdateFromFrameController();
}

void TFxLabel::UpdateFromFrameController() {
  TFxFrameController* c = frame_controller_;
  if (c == nullptr) return;
  auto wants = [this](TFrameControllerNotification n) { return (notifications_ & NotificationBit(n)) != 0; };
  using N = TFrameControllerNotification;
  if (wants(N::fcnBorderOuter)) SetBorderOuter(c->BorderOuter());
  if (wants(N::fcnBorderInner)) SetBorderInner(c->BorderInner());
  if (wants(N::fcnBorderSides)) SetBorderSides(c->BorderSides());
  if (wants(N::fcnBorderWidth)) SetBorderWidth(c->BorderWidth());
  if (wants(N::fcnBevelWidth)) SetBevelWidth(c->BevelWidth());
  if (wants(N::fcnBorderColor)) SetBorderColor(c->BorderColor());
  if (wants(N::fcnBorderHighlight)) SetBorderHighlight(c->BorderHighlight());
  if (wants(N::fcnBorderShadow)) SetBorderShadow(c->BorderShadow());
  if (wants(N::fcnFlatColor)) SetFlatColor(c->FlatColor());
  if (wants(N::fcnFlatColorAdjustment)) SetFlatColorAdjustment(c->FlatColorAdjustment());
}

void TFxLabel::Notification(TComponent* component, TOperation operation) {
  TLabel::Notification(component, operation);
  if (operation == TOperation::opRemove && component == frame_controller_)
    frame_controller_ = nullptr;
}

void TFxLabel::ApplyBlinkPhase(bool blink_phase) {
  blink_phase_ = blink_phase;
  current_color_ = blink_phase ? blink_color_ : font_color_;
  Repaint();
}

TFxFrameSettings TFxLabel::FrameSettings() const {
  TFxFrameSettings settings;
  settings.frames = frames_;
  settings.border_color = border_color_;
  settings.border_highlight = border_highlight_;
  settings.border_shadow = border_shadow_;
  settings.flat_color = flat_color_;
  settings.flat_color_adjustment = flat_color_adjustment_;
  return settings;
}

LabelEffects TFxLabel::Effects() const {
  LabelEffects e;
  e.rotation = rotation_;
  e.angle = angle_;
  e.style = text_style_;
  e.shadow_depth = shadow_depth_;
  e.text_margin = text_margin_;
  return e;
}

void TFxLabel::DeflateRectForBorders(RECT& r) {
  const FxRect d = vornada::DeflateRectForBorders({r.left, r.top, r.right, r.bottom}, frames_);
  r = {d.left, d.top, d.right, d.bottom};
}

void TFxLabel::InflateBoundsForEffects(RECT& r) {
  int w = 0, h = 0;
  vornada::InflateBoundsForEffects(r.right - r.left, r.bottom - r.top, frames_, Effects(), w, h);
  r.right = r.left + w;
  r.bottom = r.top + h;
}

void TFxLabel::AdjustBounds() {
  if (IsReading() || !AutoSize()) return;
  RECT r = ClientRect();
  DeflateRectForBorders(r);
  ::OffsetRect(&r, -r.left, -r.top);
  const bool flat_rotated = rotation_ == TRotation::roFlat;
  // A word-wrapped caption is measured at the width that is left once frames, margins and the
  // shadow are added back, so that sizing the label again keeps its size.
  if (WordWrap() && !flat_rotated)
    r.right = std::max(0, Width() - HorizontalEffectsRoom(frames_, Effects()));
  UINT flags = DT_EXPANDTABS | DT_CALCRECT;
  if (flat_rotated) flags |= DT_SINGLELINE;
  else if (WordWrap()) flags |= DT_WORDBREAK;
  if (condense_caption_ == TFxCondenseCaption::ccAtEnd) flags |= DT_END_ELLIPSIS;
  if (condense_caption_ == TFxCondenseCaption::ccWithinPath) flags |= DT_PATH_ELLIPSIS;
  MeasureOnScreen(r, flags);
  ::OffsetRect(&r, -r.left, -r.top);
  InflateBoundsForEffects(r);
  int x = Left();
  if (DrawnAlignment(Alignment()) == TAlignment::taRightJustify) x += Width() - r.right;
  SetBounds(x, Top(), r.right, r.bottom);
}

UINT TFxLabel::TextFlags() const {
  static constexpr UINT kAlignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  UINT flags = kAlignments[static_cast<int>(DrawnAlignment(Alignment()))] | DT_EXPANDTABS;
  if (UseRightToLeftReading()) flags |= DT_RTLREADING;
  if (WordWrap()) flags |= DT_WORDBREAK;
  if (!ShowAccelChar()) flags |= DT_NOPREFIX;
  if (condense_caption_ == TFxCondenseCaption::ccAtEnd) flags |= DT_END_ELLIPSIS;
  if (condense_caption_ == TFxCondenseCaption::ccWithinPath) flags |= DT_PATH_ELLIPSIS;
  return flags;
}

TColor TFxLabel::CopyColor(TextCopyColor color) const {
  switch (color) {
    case TextCopyColor::kHighlight: return highlight_color_;
    case TextCopyColor::kShadow: return shadow_color_;
    case TextCopyColor::kDisabled: return clGrayText;
    default: return current_color_;
  }
}

void TFxLabel::Paint() {
  TCanvas& canvas = Canvas();
  const RECT client = ClientRect();
  const bool has_frames = frames_.outer != TFrameStyleEx::fsNone || frames_.inner != TFrameStyleEx::fsNone;
  if (!Transparent()) {
    // The whole area first: an opaque label also owns the pixels its frames leave out (the
    // corners of rounded frames).
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(client);
  }
  DrawFrames(canvas, client, FrameSettings(), !Transparent() || has_frames);
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  if (rotation_ == TRotation::roCurve) DrawCurvedCaption();
  else DrawCaption();
}

void TFxLabel::DrawCaption() {
  RECT t = ClientRect();
  DeflateRectForBorders(t);
  ::InflateRect(&t, -text_margin_, -text_margin_);
  if (rotation_ == TRotation::roFlat) {
    DrawRotatedCaption(t);
    return;
  }
  TCanvas& canvas = Canvas();
  const std::wstring text = GetLabelText();
  const UINT flags = TextFlags();
  canvas.Font().Assign(&Font());
  RECT placed = t;
  if (Layout() != TTextLayout::tlTop) {
    RECT calc = t;
    canvas.DrawText(text, calc, flags | DT_CALCRECT);
    const TextPlacement placement =
        Layout() == TTextLayout::tlBottom ? TextPlacement::kBottom : TextPlacement::kCenter;
    ::OffsetRect(&placed, 0, VerticalTextOffset(placement, t.bottom - t.top, calc.bottom - calc.top));
  }
  if (text_style_ == TTextStyle::tsShadow) {
    if (flags & DT_RIGHT) ::OffsetRect(&placed, -shadow_depth_, 0);
    if (Layout() == TTextLayout::tlBottom) ::OffsetRect(&placed, 0, -shadow_depth_);
  }
  for (const TextCopy& copy : LabelTextCopies(text_style_, light_text_style_, shadow_depth_, Enabled())) {
    RECT r = placed;
    ::OffsetRect(&r, copy.dx, copy.dy);
    canvas.Font().SetColor(CopyColor(copy.color));
    canvas.DrawText(text, r, flags);
  }
}

namespace {

// The caption as one line: line breaks removed, accelerator marks taken out when they apply.
std::wstring OneLineText(const std::wstring& caption, bool show_accel_char) {
  std::wstring text = show_accel_char ? StripAccelChars(caption) : caption;
  std::erase_if(text, [](wchar_t c) { return c == L'\r' || c == L'\n'; });
  return text;
}

// The label's font turned by `tenths` of a degree.
win::UniqueFont TurnedFont(TFont& font, int tenths) {
  LOGFONTW lf{};
  lf.lfHeight = font.Height();
  lf.lfEscapement = tenths;
  lf.lfOrientation = tenths;
  lf.lfWeight = (font.Style() & fsBold) ? 700 : 400;
  lf.lfItalic = (font.Style() & fsItalic) ? 1 : 0;
  lf.lfUnderline = (font.Style() & fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = (font.Style() & fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = font.Charset();
  lf.lfOutPrecision = OUT_TT_PRECIS;
  lf.lfClipPrecision = CLIP_LH_ANGLES;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH;
  wcsncpy(lf.lfFaceName, font.Name().c_str(), LF_FACESIZE - 1);
  return win::UniqueFont(::CreateFontIndirectW(&lf));
}

SIZE TextSize(HDC dc, TFont& font, const std::wstring& text) {
  win::ScopedSelectObject select(dc, font.Handle());
  SIZE s{0, 0};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &s);
  return s;
}

void TextAt(HDC dc, HFONT font, int x, int y, const std::wstring& text, TColor color) {
  win::ScopedSelectObject select(dc, font);
  const COLORREF old_color = ::SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(color)));
  const int old_mode = ::SetBkMode(dc, TRANSPARENT);
  const UINT old_align = ::SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  ::TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
  ::SetTextAlign(dc, old_align);
  ::SetBkMode(dc, old_mode);
  ::SetTextColor(dc, old_color);
}

}  // namespace

void TFxLabel::DrawRotatedCaption(const RECT& t) {
  TCanvas& canvas = Canvas();
  HDC dc = canvas.Handle();
  const std::wstring text = OneLineText(GetLabelText(), ShowAccelChar());
  const SIZE size = TextSize(dc, Font(), text);
  int x = 0, y = 0;
  RotatedTextOrigin((t.left + t.right) / 2.0, (t.top + t.bottom) / 2.0, size.cx, size.cy, angle_, x, y);
  win::UniqueFont turned = TurnedFont(Font(), angle_ * 10);
  std::vector<TextCopy> copies = LabelTextCopies(text_style_, light_text_style_, shadow_depth_, Enabled());
  if (text_style_ == TTextStyle::tsShadow && Enabled()) {
    // Turned, the shadow and the text share the depth: half of it each way.
    const int half = shadow_depth_ / 2;
    copies = {{half, half, TextCopyColor::kShadow}, {-half, -half, TextCopyColor::kMain}};
  }
  for (const TextCopy& copy : copies)
    TextAt(dc, turned.get(), x + copy.dx, y + copy.dy, text, CopyColor(copy.color));
}

void TFxLabel::DrawCurvedCaption() {
  TCanvas& canvas = Canvas();
  HDC dc = canvas.Handle();
  const std::wstring text = OneLineText(GetLabelText(), ShowAccelChar());
  if (text.empty()) return;
  std::vector<int> widths;
  for (wchar_t ch : text) widths.push_back(TextSize(dc, Font(), std::wstring(1, ch)).cx);
  const SIZE w_size = TextSize(dc, Font(), L"w");
  const RECT client = ClientRect();
  const FxRect area = FxRect{client.left, client.top, client.right, client.bottom}.Deflate(
      frames_.border_width, frames_.border_width);
  const auto glyphs = CurveLayout(center_point_, area, widths, w_size.cy, angle_, w_size.cx + 2);
  std::vector<TextCopy> copies = LabelTextCopies(text_style_, light_text_style_, shadow_depth_, true);
  if (!Enabled()) {
    // Etched: a light copy one pixel down and right, the shadow colour in place.
    copies = {{1, 1, TextCopyColor::kHighlight}, {0, 0, TextCopyColor::kShadow}};
  }
  for (size_t i = 0; i < glyphs.size(); ++i) {
    win::UniqueFont turned = TurnedFont(Font(), glyphs[i].escapement);
    for (const TextCopy& copy : copies) {
      TColor color = CopyColor(copy.color);
      if (!Enabled()) color = copy.color == TextCopyColor::kHighlight ? clBtnHighlight : clBtnShadow;
      TextAt(dc, turned.get(), glyphs[i].x + copy.dx, glyphs[i].y + copy.dy, std::wstring(1, text[i]), color);
    }
  }
}

void TFxLabel::Loaded() {
  TLabel::Loaded();
  current_color_ = font_color_ = Font().Color();
  bool rotation_changed = false;
  if (angle_ != 0 && rotation_ == TRotation::roNone) {
    rotation_ = TRotation::roFlat;
    rotation_changed = true;
  }
  if (rotation_ != TRotation::roNone) SwitchToTrueTypeFont();
  if (rotation_changed) {
    AdjustBounds();
    Invalidate();
  }
}

void TFxLabel::WndProc(TMessage& m) {
  switch (m.Msg) {
    case kFxBlinkQueryMessage:
      m.Result = blinking_ ? 1 : 0;
      return;
    case kFxBlinkPhaseMessage:
      ApplyBlinkPhase(m.WParam == 1);
      return;
    case CM_FONTCHANGED:
      TLabel::WndProc(m);
      if (!IsLoading()) {
        if (!blinking_) current_color_ = font_color_ = Font().Color();
        // Only TrueType fonts can be turned.
        if (angle_ != 0 && !IsTrueTypeFont(Font())) SetAngle(0);
      }
      return;
    case CM_TEXTCHANGED:
      TLabel::WndProc(m);
      Repaint();
      return;
    case CM_PARENTCOLORCHANGED:
      if (constructing_) return;
      TLabel::WndProc(m);
      return;
    case CM_MOUSEENTER:
      if (m.LParam == 0 && !IsDesigning() && fly_by_enabled_ && !fly_by_shown_) {
        saved_font_color_ = Font().Color();
        fly_by_shown_ = true;
        Font().SetColor(fly_by_color_);
      }
      TLabel::WndProc(m);
      return;
    case CM_MOUSELEAVE:
      if (m.LParam == 0 && !IsDesigning() && fly_by_enabled_ && fly_by_shown_) {
        fly_by_shown_ = false;
        Font().SetColor(saved_font_color_);
      }
      TLabel::WndProc(m);
      return;
    default:
      TLabel::WndProc(m);
  }
}

}  // namespace vornada
