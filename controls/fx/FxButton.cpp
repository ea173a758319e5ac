// The bitmap button (see FxButton.h).
#include "FxButton.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>

#include "AccelChars.h"
#include "Forms.h"
#include "KeyboardCues.h"
#include "Labels.h"
#include "ScopeExit.h"
#include "Themes.h"

namespace vornada {

namespace {
template <typename T>
bool Store(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

RECT ToRect(const FxRect& r) { return {r.left, r.top, r.right, r.bottom}; }
FxRect ToFx(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

void FillSolid(HDC dc, const RECT& r, TColor color) { FillSolidRect(dc, r, ResolveRgb(color)); }
}  // namespace

// ---- TFxCustomButton -------------------------------------------------------------------------

TFxCustomButton::TFxCustomButton(TComponent* owner) : TCustomControl(owner) {
  control_style_ = csCaptureMouse | csSetCaption | csDoubleClicks | csReplicatable | csReflector;
  SetTabStop(true);
  SetBounds(0, 0, 115, 17);
}

TFxCustomButton::~TFxCustomButton() { Destroying(); }

void TFxCustomButton::SetAlignmentVertical(TAlignmentVertical v) { if (Store(alignment_vertical_, v)) Invalidate(); }
void TFxCustomButton::SetHotTrackColor(TColor v) { if (Store(hot_track_color_, v)) Invalidate(); }
void TFxCustomButton::SetHotTrackColorType(TFxHotTrackColorType v) { if (Store(hot_track_color_type_, v)) Invalidate(); }
void TFxCustomButton::SetHighlightColor(TColor v) { if (Store(highlight_color_, v)) Invalidate(); }
void TFxCustomButton::SetLightTextStyle(bool v) { if (Store(light_text_style_, v)) Invalidate(); }
void TFxCustomButton::SetTextStyle(TTextStyle v) { if (Store(text_style_, v)) Invalidate(); }
void TFxCustomButton::SetTextHighlightColor(TColor v) { if (Store(text_highlight_color_, v)) Invalidate(); }
void TFxCustomButton::SetTextShadowColor(TColor v) { if (Store(text_shadow_color_, v)) Invalidate(); }
void TFxCustomButton::SetTextShadowDepth(int v) { if (Store(text_shadow_depth_, v)) Invalidate(); }
void TFxCustomButton::SetThemeAware(bool v) { if (Store(theme_aware_, v)) Invalidate(); }
void TFxCustomButton::SetTransparent(bool v) { if (Store(transparent_, v)) Invalidate(); }

void TFxCustomButton::SetHotTrack(bool value) {
  if (Store(hot_track_, value)) Invalidate();
  SetTransparent(value);
  if (HandleAllocated()) ::InvalidateRect(hwnd_, nullptr, TRUE);
}

bool TFxCustomButton::UsingThemes() const { return theme_aware_ && ThemeServices().ThemesEnabled(); }

ButtonFaceMode TFxCustomButton::FaceMode() const {
  if (hot_track_) return ButtonFaceMode::kHotTrack;
  return UsingThemes() ? ButtonFaceMode::kThemed : ButtonFaceMode::kClassic;
}

void TFxCustomButton::RepaintNow() {
  Invalidate();
  Update();
}

void TFxCustomButton::CreateWnd() {
  TCustomControl::CreateWnd();
  // Cues start hidden or shown according to the last input (Windows 2000 and later).
  if (HandleAllocated())
    ::SendMessageW(hwnd_, WM_UPDATEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

void TFxCustomButton::DrawCaptionText(TCanvas& canvas, const std::wstring& caption, RECT r, UINT flags) {
  std::wstring text = caption;
  if (HandleAllocated() && !AccelCuesShown(hwnd_)) {
    // Without accelerator cues the marks are taken out, and what remains is drawn as it reads.
    text = StripAccelChars(caption);
    flags |= DT_NOPREFIX;
  }
  RECT calc = r;
  canvas.DrawText(text, calc, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_CENTER | DT_VCENTER |
                                  (flags & DT_NOPREFIX));
  r = ToRect(PlaceCaptionVertically(ToFx(r), alignment_vertical_, calc.bottom - calc.top));
  if (UseRightToLeftReading()) flags |= DT_RTLREADING;
  const RgbColor disabled = DisabledCaptionColor(ResolveRgb(Color()), ResolveRgb(clGrayText),
                                                 ResolveRgb(cl3DDkShadow));
  for (const TextCopy& copy : ButtonTextCopies(text_style_, light_text_style_, text_shadow_depth_,
                                               (flags & DT_RIGHT) != 0, Enabled())) {
    RECT rr = r;
    ::OffsetRect(&rr, copy.dx, copy.dy);
    switch (copy.color) {
      case TextCopyColor::kHighlight: canvas.Font().SetColor(text_highlight_color_); break;
      case TextCopyColor::kShadow: canvas.Font().SetColor(text_shadow_color_); break;
      case TextCopyColor::kDisabled: canvas.Font().SetColor(ToTColor(disabled)); break;
      default: canvas.Font().SetColor(Font().Color()); break;
    }
    canvas.DrawText(text, rr, flags);
  }
}

void TFxCustomButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft && Enabled()) {
    if (!Focused()) ::SetFocus(Handle());
    if (Focused()) {
      pressed_look_ = true;
      mouse_tracking_ = true;
      Invalidate();
    }
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TFxCustomButton::MouseMove(TShiftState shift, int x, int y) {
  if (mouse_tracking_) {
    const RECT r = ClientRect();
    const bool inside = x >= 0 && x < r.right && y >= 0 && y < r.bottom;
    if (inside != pressed_look_) {
      pressed_look_ = inside;
      Invalidate();
    }
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TFxCustomButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (mouse_tracking_) {
    mouse_tracking_ = false;
    pressed_look_ = false;
    const RECT r = ClientRect();
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) DoButtonClick();
    Invalidate();
  }
  TCustomControl::MouseUp(button, shift, x, y);
}

void TFxCustomButton::KeyDown(WORD& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == VK_SPACE && (shift & ssAlt) == 0) {
    space_pending_ = true;
    pressed_look_ = true;
    Invalidate();
  }
}

void TFxCustomButton::KeyUp(WORD& key, TShiftState shift) {
  TCustomControl::KeyUp(key, shift);
  if (key == VK_SPACE) {
    pressed_look_ = false;
    if (space_pending_) DoButtonClick();
    Invalidate();
  }
}

void TFxCustomButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SETFOCUS:
      TCustomControl::WndProc(m);
      RepaintNow();
      return;
    case WM_KILLFOCUS:
      TCustomControl::WndProc(m);
      space_pending_ = false;
      pressed_look_ = false;
      Invalidate();
      RepaintNow();
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
      const bool own = m.LParam == 0;
      if (own && !IsDesigning()) mouse_inside_ = m.Msg == CM_MOUSEENTER;
      TCustomControl::WndProc(m);
      if (!own || IsDesigning()) return;
      if (m.Msg == CM_MOUSEENTER && OnMouseEnter) OnMouseEnter(this);
      if (m.Msg == CM_MOUSELEAVE && OnMouseLeave) OnMouseLeave(this);
      if ((hot_track_ || UsingThemes()) && HandleAllocated()) ::InvalidateRect(hwnd_, nullptr, FALSE);
      return;
    }
    case CM_TEXTCHANGED:
      TCustomControl::WndProc(m);
      RepaintNow();
      return;
    case CM_ENABLEDCHANGED:
      if (!Enabled()) {
        if (TCustomForm* form = GetParentForm(this)) form->DefocusControl(this);
      }
      TCustomControl::WndProc(m);
      Invalidate();
      return;
    case WM_UPDATEUISTATE:
      TCustomControl::WndProc(m);
      Invalidate();
      return;
    case WM_THEMECHANGED:
      ThemeServices().ThemeChanged();
      TCustomControl::WndProc(m);
      Invalidate();
      return;
    default:
      TCustomControl::WndProc(m);
  }
}

// ---- TFxButton -------------------------------------------------------------------------------

TFxButton::TFxButton(TComponent* owner) : TFxCustomButton(owner) {
  SetParentColor(false);
  SetColor(clBtnFace);
  SetBounds(0, 0, 75, 25);
}

void TFxButton::SetAlignment(TAlignment v) { if (Store(alignment_, v)) Invalidate(); }
void TFxButton::SetFrameColor(TColor v) { if (Store(frame_color_, v)) Invalidate(); }
void TFxButton::SetShowDownPattern(bool v) { if (Store(show_down_pattern_, v)) Invalidate(); }
void TFxButton::SetShowFocusRect(bool v) { if (Store(show_focus_rect_, v)) Invalidate(); }

void TFxButton::SetDefault(bool value) {
  if (!Store(default_, value)) return;
  if (!HandleAllocated()) return;
  if (TCustomForm* form = GetParentForm(this))
    form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->ActiveControl()));
}

void TFxButton::SetAllowAllUp(bool value) {
  if (!Store(allow_all_up_, value)) return;
  UpdateExclusive();
}

void TFxButton::SetGroupIndex(int value) {
  if (!Store(group_index_, value)) return;
  if (value == 0 && down_state_ != 0) {
    down_state_ = 0;
    Invalidate();
  }
  UpdateExclusive();
}

void TFxButton::SetDown(bool value) {
  if (group_index_ == 0) value = false;  // only a grouped button latches
  if (value == Down()) return;
  if (Down() && !allow_all_up_) return;  // the group keeps one button down
  down_state_ = value ? 3 : 0;
  Invalidate();
  UpdateExclusive();
}

void TFxButton::UpdateExclusive() {
  if (group_index_ == 0 || Parent() == nullptr) return;
  for (int i = 0; i < Parent()->ControlCount(); ++i)
    if (auto* other = dynamic_cast<TFxButton*>(Parent()->Controls(i)); other != nullptr && other != this)
      other->GroupButtonChanged(this);
}

void TFxButton::GroupButtonChanged(TFxButton* sender) {
  if (sender->group_index_ != group_index_) return;
  if (sender->Down() && Down()) {
    down_state_ = 0;
    Invalidate();
  }
  allow_all_up_ = sender->allow_all_up_;
}

void TFxButton::CreateWnd() {
  TFxCustomButton::CreateWnd();
  active_button_ = default_;
}

void TFxButton::Click() {
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modal_result_);
  TFxCustomButton::Click();
}

void TFxButton::DoButtonClick() {
  if (group_index_ != 0) SetDown(!Down());
  else Invalidate();
  in_click_ = true;
  ScopeExit done([this] { in_click_ = false; });
  Click();
}

void TFxButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_FOCUSCHANGED: {
      auto* focused = reinterpret_cast<TControl*>(m.LParam);
      const bool active = dynamic_cast<TFxCustomButton*>(focused) != nullptr ? focused == this : default_;
      if (active != active_button_) {
        active_button_ = active;
        RepaintNow();
      }
      TFxCustomButton::WndProc(m);
      return;
    }
    case CM_DIALOGKEY: {
      const bool enter = m.WParam == VK_RETURN && active_button_;
      const bool escape = m.WParam == VK_ESCAPE && cancel_;
      if ((enter || escape) && KeyDataToShiftState(m.LParam) == 0 && CanFocus()) {
        Click();
        m.Result = 1;
        return;
      }
      TFxCustomButton::WndProc(m);
      return;
    }
    case CM_DIALOGCHAR:
      if (IsAccel(m.WParam, Caption()) && CanFocus()) {
        Click();
        m.Result = 1;
        return;
      }
      TFxCustomButton::WndProc(m);
      return;
    case CM_COLORCHANGED:
      TFxCustomButton::WndProc(m);
      down_pattern_.reset();
      return;
    default:
      TFxCustomButton::WndProc(m);
  }
}

ButtonGeometryInput TFxButton::Geometry() const {
  ButtonGeometryInput b;
  const RECT c = ClientRect();
  b.width = c.right;
  b.height = c.bottom;
  b.mode = FaceMode();
  b.pressed_look = pressed_look_;
  b.down = down_state_ == 3;
  b.grouped = group_index_ != 0;
  return b;
}

RECT TFxButton::GetCaptionRect() { return ToRect(ButtonCaptionRect(Geometry())); }

void TFxButton::DrawContent(TCanvas& canvas) {
  static constexpr UINT kAlignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  const UINT flags = DT_WORDBREAK | DT_EXPANDTABS | kAlignments[static_cast<int>(DrawnAlignment(alignment_))];
  DrawCaptionText(canvas, Caption(), GetCaptionRect(), flags);
}

void TFxButton::BuildDownPattern() {
  TBitmap pattern;
  pattern.SetPixelFormat(TPixelFormat::pf24bit);
  pattern.SetSize(8, 8);
  const RgbColor face = ResolveRgb(Color());
  {
    ScopedCanvasLock lock(pattern.Canvas());
    HDC dc = pattern.Canvas().Handle();
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) ::SetPixel(dc, x, y, static_cast<COLORREF>(DownPatternPixel(face, x, y)));
  }
  pattern.Canvas().FreeContext();
  down_pattern_.reset(::CreatePatternBrush(pattern.Handle()));
  down_pattern_color_ = Color();
}

void TFxButton::DrawTransparentBackground(const RECT&) {
  if (Parent() == nullptr) return;
  HDC dc = Canvas().Handle();
  win::ScopedSaveDC saved(dc);
  POINT origin{};
  ::GetViewportOrgEx(dc, &origin);
  ::SetViewportOrgEx(dc, origin.x - Left(), origin.y - Top(), nullptr);
  ::IntersectClipRect(dc, 0, 0, Parent()->ClientWidth(), Parent()->ClientHeight());
  Parent()->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  Parent()->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
}

void TFxButton::DrawThemedFace(TCanvas& canvas, RECT& r) {
  ThemedStateInput s;
  s.enabled = Enabled();
  s.pressed = IsPressed(Geometry());
  s.mouse_inside = mouse_inside_;
  s.grouped = group_index_ != 0;
  s.active = active_button_;
  s.focused = Focused();
  s.pressed_look = pressed_look_;
  const int state = ThemedPushButtonState(s);
  HDC dc = canvas.Handle();
  if (ThemeServices().IsPartiallyTransparent(L"BUTTON", BP_PUSHBUTTON, state))
    ThemeServices().DrawParentBackground(Handle(), dc, &r);
  if (!ThemeServices().DrawElement(dc, L"BUTTON", BP_PUSHBUTTON, state, r)) DrawClassicFace(canvas, r);
}

void TFxButton::DrawClassicFace(TCanvas& canvas, RECT& r) {
  const bool grouped = group_index_ != 0;
  const bool pressed = IsPressed(Geometry());
  if (!grouped && (((active_button_ || Focused()) && !pressed_look_) || in_click_)) {
    DrawFrameRings(canvas, r, {{ResolveRgb(clWindowFrame), ResolveRgb(clWindowFrame)}}, TSides::All());
  }
  const bool system_face = ResolveRgb(Color()) == ResolveRgb(clBtnFace);
  if (!grouped) {
    const ClassicColors sys{ResolveRgb(clBtnHighlight), ResolveRgb(cl3DDkShadow), ResolveRgb(cl3DLight),
                            ResolveRgb(clBtnShadow), ResolveRgb(clBtnText)};
    DrawFrameRings(canvas, r, ClassicBevelRings(pressed, system_face, ResolveRgb(Color()), sys), TSides::All());
  } else {
    TFxFrameSettings settings;
    if (!system_face) {
      settings.border_color = Color();
      settings.border_highlight = LightenColor(Color(), 100);
      settings.border_shadow = DarkenColor(Color(), 50);
    }
    DrawFrameRings(canvas, r,
                   FrameRings(pressed ? TFrameStyleEx::fsLowered : TFrameStyleEx::fsButtonUp, 1,
                              ResolveFrameColors(settings)),
                   TSides::All());
  }
  FillSolid(canvas.Handle(), r, Color());
}

void TFxButton::DrawHotTrackFace(TCanvas& canvas, RECT& r) {
  const TColor parent_color = Parent() != nullptr ? Parent()->Color() : clBtnFace;
  HDC dc = canvas.Handle();
  if (!Enabled()) {
    const TColor inner = ResolveRgb(Color()) == ResolveRgb(clBtnFace) ? LightenColor(clBtnShadow, 30)
                                                                      : DarkenColor(Color(), 80);
    DrawFrameRings(canvas, r, {{ResolveRgb(parent_color), ResolveRgb(parent_color), true},
                               {ResolveRgb(inner), ResolveRgb(inner), true}},
                   TSides::All());
    FillSolid(dc, r, Color());
    return;
  }
  DrawFrameRings(canvas, r,
                 {{ResolveRgb(DarkenColor(parent_color, 20)), ResolveRgb(LightenColor(parent_color, 20)), true},
                  {ResolveRgb(frame_color_), ResolveRgb(frame_color_), true}},
                 TSides::All());
  const bool pressed = IsPressed(Geometry());
  if (pressed) {
    FillSolid(dc, r, DarkenColor(Color(), 10));
  } else {
    FillSolid(dc, {r.left, r.bottom - 2, r.right, r.bottom - 1}, DarkenColor(Color(), 20));
    FillSolid(dc, {r.left, r.bottom - 1, r.right, r.bottom}, DarkenColor(Color(), 30));
    const RECT above{r.left, r.top, r.right, r.bottom - 2};
    if (FullColorDisplay()) {
      if (above.bottom > above.top)
        DrawGradient(canvas, above, TGradientDirection::gdHorizontalEnd, LightenColor(Color(), 30),
                     DarkenColor(Color(), 10), 1);
    } else {
      FillSolid(dc, above, Color());
    }
  }
  if (!FullColorDisplay()) return;
  HotTrackRing ring{};
  bool draw_ring = false;
  if (mouse_inside_) {
    ring = HotTrackHighlight(HotTrackColorType(), ResolveRgb(HotTrackColor()));
    draw_ring = true;
  } else if (group_index_ == 0 && (active_button_ || Focused()) && !pressed) {
    ring = FocusHighlight(ResolveRgb(Color()), ResolveRgb(HighlightColor()), ResolveRgb(clBtnFace));
    draw_ring = true;
  }
  if (!draw_ring || r.right <= r.left || r.bottom <= r.top) return;
  win::ScopedSaveDC saved(dc);
  ::IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
  ::ExcludeClipRect(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2);
  DrawGradient(canvas, r, TGradientDirection::gdHorizontalEnd, ToTColor(ring.top), ToTColor(ring.bottom), 1);
}

void TFxButton::Paint() {
  TCanvas& canvas = Canvas();
  const ButtonGeometryInput geo = Geometry();
  const FxRect focus = ButtonFocusRect(geo);
  RECT r = ClientRect();
  if (Transparent()) DrawTransparentBackground(r);
  switch (geo.mode) {
    case ButtonFaceMode::kThemed: DrawThemedFace(canvas, r); break;
    case ButtonFaceMode::kClassic: DrawClassicFace(canvas, r); break;
    case ButtonFaceMode::kHotTrack: DrawHotTrackFace(canvas, r); break;
  }
  if (group_index_ != 0 && down_state_ == 3 && show_down_pattern_) {
    if (!down_pattern_ || down_pattern_color_ != Color()) BuildDownPattern();
    HDC dc = canvas.Handle();
    // The pattern lines up with the button's own pixels.
    POINT origin{};
    ::GetViewportOrgEx(dc, &origin);
    ::SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
    ::FillRect(dc, &r, down_pattern_.get());
  }
  canvas.Font().Assign(&Font());
  canvas.Brush().SetStyle(TBrushStyle::bsSolid);
  canvas.Brush().SetColor(Color());
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  DrawContent(canvas);
  if (HandleAllocated() && FocusCuesShown(hwnd_) && Focused() && show_focus_rect_) {
    HDC dc = canvas.Handle();
    for (const FxPoint& p : FocusBorderDots(focus)) ::SetPixel(dc, p.x, p.y, RGB(0, 0, 0));
  }
}

// ---- TFxBitBtn -------------------------------------------------------------------------------

TFxBitBtn::TFxBitBtn(TComponent* owner) : TFxButton(owner) {
  glyph_.OnChange = [this](TObject*) { GlyphChanged(); };
}

TFxBitBtn::~TFxBitBtn() {
  Destroying();
  glyph_.OnChange = nullptr;
  if (images_ != nullptr) {
    images_->RemoveChangeListener(images_listener_);
    RemoveFreeNotification(images_);
  }
}

void TFxBitBtn::GlyphChanged() {
  num_glyphs_ = NumGlyphsFor(glyph_.Width(), glyph_.Height(), num_glyphs_);
  Invalidate();
}

void TFxBitBtn::SetGlyph(TGraphic* value) {
  glyph_.Assign(value);
  modified_glyph_ = true;
}

TBitBtnKind TFxBitBtn::Kind() const {
  if (kind_ == TBitBtnKind::bkCustom) return kind_;
  const StockKind stock = StockKindOf(kind_);
  if (Default() != stock.is_default || Cancel() != stock.is_cancel ||
      ModalResult() != stock.modal_result || modified_glyph_)
    return TBitBtnKind::bkCustom;
  return kind_;
}

void TFxBitBtn::SetKind(TBitBtnKind value) {
  if (value == kind_) return;
  if (value != TBitBtnKind::bkCustom) {
    const StockKind stock = StockKindOf(value);
    SetDefault(stock.is_default);
    SetCancel(stock.is_cancel);
    if (!IsLoading() || Caption().empty()) SetCaption(stock.caption);
    SetModalResult(stock.modal_result);
    // The stock picture: its lower-left pixel (background) is the transparent colour.
    const RgbColor background = MakeRgb(128, 128, 0);
    const std::vector<RgbColor> pixels = StockGlyphPixels(value, background);
    TBitmap picture;
    picture.SetPixelFormat(TPixelFormat::pf32bit);
    picture.SetSize(2 * kStockGlyphSize, kStockGlyphSize);
    {
      ScopedCanvasLock lock(picture.Canvas());
      HDC dc = picture.Canvas().Handle();
      for (int y = 0; y < kStockGlyphSize; ++y)
        for (int x = 0; x < 2 * kStockGlyphSize; ++x)
          ::SetPixel(dc, x, y, static_cast<COLORREF>(pixels[static_cast<size_t>(y * 2 * kStockGlyphSize + x)]));
    }
    glyph_.Assign(&picture);
    SetNumGlyphs(2);
    modified_glyph_ = false;
  }
  kind_ = value;
  Invalidate();
}

void TFxBitBtn::SetLayout(TButtonLayout v) { if (Store(layout_, v)) Invalidate(); }
void TFxBitBtn::SetSpacing(int v) { if (Store(spacing_, v)) Invalidate(); }

void TFxBitBtn::SetMargin(int value) {
  if (value < -1) return;
  if (Store(margin_, value)) Invalidate();
}

void TFxBitBtn::SetNumGlyphs(int value) {
  value = std::clamp(value, 1, 4);
  if (Store(num_glyphs_, value)) Invalidate();
}

void TFxBitBtn::SetImageIndex(int v) { if (Store(image_index_, v)) Invalidate(); }
void TFxBitBtn::SetDisabledIndex(int v) { if (Store(disabled_index_, v)) Invalidate(); }

void TFxBitBtn::SetImages(TCustomImageList* value) {
  if (images_ == value) return;
  if (images_ != nullptr) {
    images_->RemoveChangeListener(images_listener_);
    RemoveFreeNotification(images_);
  }
  images_ = value;
  images_listener_ = 0;
  if (value != nullptr) {
    images_listener_ = value->AddChangeListener([this] { Invalidate(); });
    FreeNotification(value);
  }
  Invalidate();
}

void TFxBitBtn::Notification(TComponent* component, TOperation operation) {
  TFxButton::Notification(component, operation);
  if (operation == TOperation::opRemove && component == images_) {
    images_ = nullptr;
    images_listener_ = 0;
    Invalidate();
  }
}

bool TFxBitBtn::UsesImageList() const {
  return kind_ == TBitBtnKind::bkCustom && images_ != nullptr && image_index_ != -1;
}

bool TFxBitBtn::HasGlyph() const { return UsesImageList() || !glyph_.Empty(); }

SIZE TFxBitBtn::GetGlyphSize() {
  if (UsesImageList()) return {images_->Width(), images_->Height()};
  return {glyph_.Width() / std::max(num_glyphs_, 1), glyph_.Height()};
}

GlyphLayoutInput TFxBitBtn::GlyphLayout() {
  GlyphLayoutInput g;
  g.layout = layout_;
  g.right_to_left = UseRightToLeftAlignment();
  g.margin = margin_;
  g.spacing = spacing_;
  const SIZE size = GetGlyphSize();
  g.glyph_width = size.cx;
  g.glyph_height = size.cy;
  g.has_glyph = HasGlyph();
  if (margin_ == -1) {
    // The caption's height as the caption painter measures it.
    win::ScopedGetDC screen(nullptr);
    TCanvas canvas;
    canvas.SetHandle(screen);
    canvas.Font().Assign(&Font());
    RECT calc = ToRect(ButtonCaptionRect(Geometry()));
    canvas.DrawText(Caption(), calc, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_CENTER | DT_VCENTER);
    g.caption_height = calc.bottom - calc.top;
    canvas.SetHandle(nullptr);
  }
  return g;
}

RECT TFxBitBtn::GetCaptionRect() { return ToRect(BitBtnCaptionRect(Geometry(), GlyphLayout())); }

RECT TFxBitBtn::GetGlyphRect() { return ToRect(BitBtnGlyphRect(Geometry(), GlyphLayout())); }

void TFxBitBtn::DrawContent(TCanvas& canvas) {
  TFxButton::DrawContent(canvas);
  if (UsesImageList()) DrawImageListGlyph(canvas, GetGlyphRect());
  else if (!glyph_.Empty()) DrawBitmapGlyph(canvas, GetGlyphRect());
}

void TFxBitBtn::DrawImageListGlyph(TCanvas& canvas, const RECT& r) {
  if (images_ == nullptr) return;
  if (disabled_index_ == -1) {
    if (image_index_ != -1) images_->Draw(canvas, r.left, r.top, image_index_, Enabled());
  } else if (Enabled()) {
    if (image_index_ != -1) images_->Draw(canvas, r.left, r.top, image_index_, true);
  } else {
    images_->Draw(canvas, r.left, r.top, disabled_index_, true);
  }
}

void TFxBitBtn::DrawBitmapGlyph(TCanvas& canvas, const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  const int cell = GlyphCell(num_glyphs_, DownState() == 3, pressed_look_, Enabled());
  const RECT source{cell * w, 0, (cell + 1) * w, h};
  const TColor transparent = glyph_.TransparentColor();
  TBitmap work;
  work.SetPixelFormat(TPixelFormat::pf32bit);
  work.SetSize(w, h);
  ScopedCanvasLock lock(work.Canvas());
  HDC work_dc = work.Canvas().Handle();
  HDC dc = canvas.Handle();
  ::BitBlt(work_dc, 0, 0, w, h, dc, r.left, r.top, SRCCOPY);
  DrawTransparentCell(work.Canvas(), glyph_, RECT{0, 0, w, h}, source, transparent);
  ::BitBlt(dc, r.left, r.top, w, h, work_dc, 0, 0, SRCCOPY);
}

}  // namespace vornada
