// Controls: the base of everything placed on a form (`TControl`), windowless controls painted by
// their parent (`TGraphicControl`), controls with a window of their own (`TWinControl`) and
// custom-drawn windowed controls (`TCustomControl`).
//
// Messages. Every control has a virtual `WndProc(TMessage&)`; a subclass handles what it needs
// and passes the rest to its base, which ends in `DefaultHandler` (the window class's own
// procedure for windowed controls). `Perform` sends a message straight to `WndProc`. Besides
// the window messages the framework sends its own notifications (the `CM_` values, from
// 0xB000) and reflects the notifications a parent gets from a child window back to the child
// (the `CN_` values, 0xBC00 + the window message).
//
// Ownership: a windowed control frees its child controls when it is freed (as the component
// owner also would; whichever runs first takes the child off both lists). A control's window is
// destroyed with the control.
#pragma once

#include <windows.h>

#include <atomic>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Bevels.h"
#include "Classes.h"
#include "Graphics.h"
#include "SizeConstraints.h"
#include "WinHandles.h"

namespace vornada {

// The framework's own notifications.
enum : UINT {
  CM_BASE = 0xB000,
  CM_ACTIVATE = CM_BASE + 0,
  CM_DEACTIVATE = CM_BASE + 1,
  CM_DIALOGKEY = CM_BASE + 5,
  CM_DIALOGCHAR = CM_BASE + 6,
  CM_FOCUSCHANGED = CM_BASE + 7,
  CM_PARENTFONTCHANGED = CM_BASE + 8,
  CM_PARENTCOLORCHANGED = CM_BASE + 9,
  CM_HITTEST = CM_BASE + 10,
  CM_VISIBLECHANGED = CM_BASE + 11,
  CM_ENABLEDCHANGED = CM_BASE + 12,
  CM_COLORCHANGED = CM_BASE + 13,
  CM_FONTCHANGED = CM_BASE + 14,
  CM_CURSORCHANGED = CM_BASE + 15,
  CM_CTL3DCHANGED = CM_BASE + 16,
  CM_TEXTCHANGED = CM_BASE + 18,
  CM_MOUSEENTER = CM_BASE + 19,
  CM_MOUSELEAVE = CM_BASE + 20,
  CM_SHOWINGCHANGED = CM_BASE + 25,
  CM_ENTER = CM_BASE + 26,
  CM_EXIT = CM_BASE + 27,
  CM_WANTSPECIALKEY = CM_BASE + 30,
  CM_RELEASE = CM_BASE + 33,
  CM_TABSTOPCHANGED = CM_BASE + 40,
  CM_INVALIDATE = CM_BASE + 52,
  CM_BIDIMODECHANGED = CM_BASE + 60,
  CN_BASE = 0xBC00,
  CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT,
  CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC,
  CN_COMMAND = CN_BASE + WM_COMMAND,
  CN_KEYDOWN = CN_BASE + WM_KEYDOWN,
  CN_KEYUP = CN_BASE + WM_KEYUP,
  CN_CHAR = CN_BASE + WM_CHAR,
  CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN,
  CN_SYSCHAR = CN_BASE + WM_SYSCHAR,
  CN_DRAWITEM = CN_BASE + WM_DRAWITEM,
};

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
// Horizontal placement of text in a control.
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
// Reading order and alignment of a control's text: left to right; right to left (reading and
// alignment); right-to-left reading with unchanged alignment; right-to-left reading only.
enum class TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftFlag : unsigned {
  ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64
};
using TShiftState = unsigned;
enum class TCursor { crDefault, crArrow, crIBeam, crHandPoint, crSizeAll, crCross, crNo };

using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, wchar_t& key)>;
// A context menu is asked for at `mouse_pos` (client coordinates; (-1, -1) when it came from the
// keyboard); a handler that shows its own sets `handled`.
using TContextPopupEvent = std::function<void(TObject* sender, POINT mouse_pos, bool& handled)>;

// Control style flags (what the control is) and state flags (what it is doing).
enum ControlStyle : unsigned {
  csAcceptsControls = 1u << 0,
  csCaptureMouse = 1u << 1,
  csClickEvents = 1u << 3,
  csFramed = 1u << 4,
  csSetCaption = 1u << 5,
  csOpaque = 1u << 6,
  csDoubleClicks = 1u << 7,
  csFixedWidth = 1u << 8,
  csFixedHeight = 1u << 9,
  csNoDesignVisible = 1u << 10,
  csReplicatable = 1u << 11,
  csNoStdEvents = 1u << 12,
  csDisplayDragImage = 1u << 13,
  csReflector = 1u << 14,
  csActionClient = 1u << 15,
  csMenuEvents = 1u << 16,
  csParentBackground = 1u << 17,
};
enum ControlStateFlag : unsigned {
  csLButtonDown = 1u << 0,
  csClicked = 1u << 1,
  csPalette = 1u << 2,
  csReadingState = 1u << 3,
  csAlignmentNeeded = 1u << 4,
  csFocusing = 1u << 5,
  csCreating = 1u << 6,
  csPaintCopy = 1u << 7,
  csCustomPaint = 1u << 8,
  csDestroyingHandle = 1u << 9,
  csDocking = 1u << 10,
};

TShiftState KeysToShiftState(WPARAM keys);
TShiftState KeyDataToShiftState(LPARAM key_data);

class TWinControl;
class TCustomForm;

class TControl : public TComponent {
 public:
  VORNADA_CLASS_NAME(TControl)
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  virtual RECT ClientRect() const { return {0, 0, width_, height_}; }
  int ClientWidth() const { const RECT r = ClientRect(); return r.right - r.left; }
  int ClientHeight() const { const RECT r = ClientRect(); return r.bottom - r.top; }
  virtual void SetClientSize(int width, int height);
  // Limits on the size; SetBounds brings every new size within them, and a change of the limits
  // applies them to the current size.
  TSizeConstraints& Constraints() { return constraints_; }
  POINT ClientToScreen(POINT p) const;
  POINT ScreenToClient(POINT p) const;

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Visible here and in every parent up to the form.
  bool IsShowing() const;

  TFont& Font() { return font_; }
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool value);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool value);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor) { cursor_ = cursor; }
  // Reading order: the control's own, or its parent's while ParentBiDiMode is set (the
  // default). Setting BiDiMode clears ParentBiDiMode.
  TBiDiMode BiDiMode() const;
  void SetBiDiMode(TBiDiMode value);
  bool ParentBiDiMode() const { return parent_bidi_mode_; }
  void SetParentBiDiMode(bool value);
  // Right-to-left alignment mirrors left and right alignment; right-to-left reading draws text
  // with the platform's right-to-left reading order.
  bool UseRightToLeftAlignment() const { return BiDiMode() == TBiDiMode::bdRightToLeft; }
  bool UseRightToLeftReading() const { return BiDiMode() != TBiDiMode::bdLeftToRight; }
  // DrawText flags for this control's reading order: DT_LEFT and DT_RIGHT swapped for
  // right-to-left alignment, DT_RTLREADING added for right-to-left reading.
  UINT DrawTextBiDiModeFlags(UINT flags) const;
  // The alignment as drawn: left and right swapped for right-to-left alignment.
  TAlignment DrawnAlignment(TAlignment alignment) const;
  const std::wstring& Caption() const { return text_; }
  void SetCaption(const std::wstring& text) { SetText(text); }
  virtual std::wstring Text() const { return text_; }
  virtual void SetText(const std::wstring& text);
  // DT_RTLREADING when UseRightToLeftReading, else 0 (for DrawText).
  UINT DrawTextBiDiModeFlagsReadingOnly() const {
    return UseRightToLeftReading() ? DT_RTLREADING : 0u;
  }

  unsigned ControlStyleFlags() const { return control_style_; }
  void SetControlStyle(unsigned style) { control_style_ = style; }
  unsigned ControlStateFlags() const { return control_state_; }
  void SetControlState(unsigned state) { control_state_ = state; }
  bool HasStyle(unsigned flag) const { return (control_style_ & flag) != 0; }
  bool InState(unsigned flag) const { return (control_state_ & flag) != 0; }

  // Sends a message straight to this control's message handling.
  LRESULT Perform(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);
  virtual void WndProc(TMessage& message);
  virtual void DefaultHandler(TMessage& message);

  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }
  void BringToFront();
  void SendToBack();

  // The control that has the mouse captured (windowless controls capture through their parent).
  bool MouseCapture() const;
  void SetMouseCapture(bool value);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnResize;
  TContextPopupEvent OnContextPopup;

 protected:
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void Resize();
  virtual void DoContextPopup(POINT mouse_pos, bool& handled);
  virtual void VisibleChanging() {}
  // Asks whether the control may take the given size; may change it.
  virtual bool CanAutoSize(int& new_width, int& new_height);
  virtual bool CanResize(int& new_width, int& new_height);
  virtual void AdjustSize();
  void RequestAlign();
  void InvalidateControl(bool is_visible, bool is_opaque);
  // The parent (or this) window and the rectangle this control covers in it.
  HWND ParentWindowHandle() const;

  // Keeps `text` as the control's text without any notification (a windowed control keeps its
  // window's text here while it has no window).
  void StoreText(std::wstring text) { text_ = std::move(text); }

  // Colour and font notifications travel down from the parent.
  void ParentColorChanged();
  void ParentFontChanged();

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  unsigned control_style_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  unsigned control_state_ = 0;

 private:
  friend class TWinControl;
  void HandleMouseButton(TMessage& m, TMouseButton button, bool down, bool dbl);
  TAlign align_ = TAlign::alNone;
  bool visible_ = true;
  bool enabled_ = true;
  TFont font_;
  TSizeConstraints constraints_;
  bool parent_font_ = true;
  TColor color_ = clBtnFace;
  bool parent_color_ = true;
  TCursor cursor_ = TCursor::crDefault;
  TBiDiMode bidi_mode_ = TBiDiMode::bdLeftToRight;
  bool parent_bidi_mode_ = true;
  std::wstring text_;
  bool updating_font_ = false;
};

// Canvas of a control: during painting it draws on the context it is handed; outside painting
// it takes a window device context (for windowless controls the parent's, moved and clipped to
// the control), released again at idle time or when the control goes away.
class TControlCanvas : public TCanvas {
 public:
  VORNADA_CLASS_NAME(TControlCanvas)
  explicit TControlCanvas(TControl& control);
  ~TControlCanvas() override;
  void FreeContext();
  // It holds a window device context taken outside painting (readable from any thread).
  bool HoldsContext() const { return holds_context_.load(std::memory_order_acquire); }

 protected:
  void CreateHandle() override;

 private:
  TControl& control_;
  win::UniqueWindowDc window_dc_;
  std::atomic<bool> holds_context_{false};
};

// Releases the window device contexts that control canvases took outside painting.
void FreeControlDeviceContexts();

// A windowless control: it draws on its parent's surface through its own canvas.
class TGraphicControl : public TControl {
 public:
  VORNADA_CLASS_NAME(TGraphicControl)
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;
  TControlCanvas& Canvas() { return canvas_; }
  void WndProc(TMessage& message) override;

 protected:
  virtual void Paint() {}

 private:
  TControlCanvas canvas_{*this};
};

// Creation parameters of a control's window.
struct TCreateParams {
  std::wstring caption;
  DWORD style = 0;
  DWORD ex_style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;
  std::wstring win_class_name;      // the registered class our window uses
  std::wstring subclass_of;         // a system class (for example L"EDIT") this window wraps
  UINT class_style = CS_DBLCLKS;
};

class TWinControl : public TControl {
 public:
  VORNADA_CLASS_NAME(TWinControl)
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  HWND Handle();  // creates the window when it does not exist yet
  bool HandleAllocated() const { return hwnd_ != nullptr; }
  void HandleNeeded() { Handle(); }
  // While this control has its window: makes the windows that the controls inside it (at any
  // depth) do not have yet, each in its place among its siblings.
  void CreateMissingChildHandles();
  void SetParent(TWinControl* parent) override;
  void SetBounds(int left, int top, int width, int height) override;
  RECT ClientRect() const override;

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }
  TControl* ControlAtPos(POINT p, bool allow_disabled) const;

  // Focus and tab order.
  bool Focused() const;
  virtual bool CanFocus() const;
  void SetFocus();
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool value);
  // The position in the parent's tab order. While the control is being read from a design
  // description the value is kept, and the parent puts its children in the order of their kept
  // values once everything is read (its Loaded), so that the description may list them in any
  // order; out-of-range values leave a child where it is.
  int TabOrder() const;
  void SetTabOrder(int value);
  void GetTabOrderList(std::vector<TWinControl*>& list);
  TWinControl* FindNextControl(TWinControl* current, bool go_forward, bool check_tab_stop,
                               bool check_parent);
  void SelectNext(TWinControl* current, bool go_forward, bool check_tab_stop);
  // Whether any part of the control can be seen inside its form: some of its rectangle lies
  // inside every parent's client area up to the form, and no windowed sibling stacked above one
  // of those parents covers it. A screen put away by a size of 0, or lying under another screen,
  // shows none of its controls; the keyboard's focus moves (Tab, arrows) pass over them.
  bool HasVisibleArea() const;

  // A bevel outside the client area (Bevels.h); the defaults draw nothing (BevelKind bkNone).
  TBevelKind BevelKind() const { return bevel_.kind; }
  void SetBevelKind(TBevelKind value);
  TBevelCut BevelInner() const { return bevel_.inner; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return bevel_.outer; }
  void SetBevelOuter(TBevelCut value);
  TBevelEdges BevelEdges() const { return bevel_.edges; }
  void SetBevelEdges(TBevelEdges value);
  int BevelWidth() const { return bevel_.width; }
  void SetBevelWidth(int value);

  void Loaded() override;

  bool DoubleBuffered() const { return double_buffered_; }
  void SetDoubleBuffered(bool value) { double_buffered_ = value; }
  // Disables alignment until the matching EnableAlign, then aligns once.
  void DisableAlign() { ++align_disabled_; }
  void EnableAlign();
  void Realign() { AlignControls(nullptr); }

  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;

  // Paints the windowless children over `dc` (this control's client coordinates), from the
  // first child up to (not including) `first` when given.
  void PaintControls(HDC dc, TControl* first);
  void PaintHandler(HDC dc, const RECT* update);

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

 protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void DestroyWnd();
  virtual void PaintWindow(HDC dc);
  virtual void AlignControls(TControl* control);
  virtual void DoEnter();
  virtual void DoExit();
  virtual bool DoKeyDown(WORD& key, TShiftState shift);
  virtual bool DoKeyUp(WORD& key, TShiftState shift);
  virtual bool DoKeyPress(wchar_t& key);
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void KeyPress(wchar_t& key);
  // A child window's notification (WM_COMMAND, WM_CTLCOLOR...) reflected back as CN_ message.
  bool ReflectToChild(TMessage& message);
  void UpdateWindowBounds();
  void BroadcastMessage(TMessage& message);
  void CreateChildHandles();
  // The sibling window this control's window goes right below (HWND_TOP when none).
  HWND WindowAboveInStackingOrder() const;

  HWND hwnd_ = nullptr;
  WNDPROC default_proc_ = nullptr;  // the wrapped system class's procedure, or DefWindowProc
  win::UniqueBrush color_brush_;    // background brush for WM_CTLCOLOR answers

 private:
  friend class TControl;
  friend class TGraphicControl;
  friend class TApplication;
  friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
  friend bool HandleUiStateMessage(TWinControl& control, TMessage& message);
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  bool IsControlMouseMsg(TMessage& message);
  void HandleKeyMessage(TMessage& message);
  void HandleDialogChar(TMessage& message);
  void HandleContextMenu(TMessage& message);
  void DoAlign(TAlign align, RECT& rect, TControl* control);
  void FixupTabOrder();
  void SetBevel(const TWindowBevel& bevel);

  std::vector<TControl*> controls_;       // every child, in creation (stacking) order
  std::vector<TWinControl*> tab_list_;    // windowed children in tab order
  bool tab_stop_ = false;
  int loaded_tab_order_ = -1;  // TabOrder read from a description, until the parent's Loaded
  TWindowBevel bevel_;
  bool double_buffered_ = false;
  int align_disabled_ = 0;
  bool aligning_ = false;
  unsigned ui_state_ = 0;  // keyboard cues hidden: UISF_HIDEFOCUS, UISF_HIDEACCEL
};

class TCustomControl : public TWinControl {
 public:
  VORNADA_CLASS_NAME(TCustomControl)
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;
  TControlCanvas& Canvas() { return canvas_; }

 protected:
  void PaintWindow(HDC dc) override;
  virtual void Paint() {}

 private:
  TControlCanvas canvas_{*this};
};

// True when `char_code` (a character message's code) is the accelerator of `caption` (the
// character after its last single "&"), compared without regard to letter case.
bool IsAccel(WPARAM char_code, const std::wstring& caption);

// The control that holds the mouse capture, also when it is windowless.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);
// The windowed control that owns a window of this process, if any.
TWinControl* FindControl(HWND hwnd);
// The control under a screen point, windowless ones included.
TControl* FindDragTarget(POINT screen_pos, bool allow_disabled);
// The form a control sits on.
TCustomForm* GetParentForm(const TControl* control);
// The window procedure every framework window runs through.
LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

}  // namespace vornada
