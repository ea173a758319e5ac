// Drawing: colours, fonts, pens, brushes, the canvas over a GDI device context, the picture
// base `TGraphic`, bitmaps over DIB sections (or device-dependent bitmaps), the picture holder
// `TPicture` with its registry of picture classes and its stored form, and the shared image
// base of reference-counted picture data.
//
// Ownership: a canvas owns the GDI font, pen and brush it creates and never leaves one selected
// in a device context it gives up; a bitmap owns its GDI bitmap, palette and memory device
// context; a picture holder owns its graphic.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "Lock.h"
#include "WinHandles.h"

namespace vornada {

// ---- colours ---------------------------------------------------------------------------------

using TColor = int32_t;  // 0x00BBGGRR, or 0xFF0000nn for system colour nn

constexpr TColor kSystemColorFlag = static_cast<TColor>(0xFF000000);
constexpr TColor SysColor(int index) { return kSystemColorFlag | index; }

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000,
                 clOlive = 0x008080, clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000,
                 clGray = 0x808080, clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00,
                 clYellow = 0x00FFFF, clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
                 clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR), clBackground = SysColor(COLOR_BACKGROUND),
                 clActiveCaption = SysColor(COLOR_ACTIVECAPTION),
                 clInactiveCaption = SysColor(COLOR_INACTIVECAPTION), clMenu = SysColor(COLOR_MENU),
                 clWindow = SysColor(COLOR_WINDOW), clWindowFrame = SysColor(COLOR_WINDOWFRAME),
                 clMenuText = SysColor(COLOR_MENUTEXT), clWindowText = SysColor(COLOR_WINDOWTEXT),
                 clCaptionText = SysColor(COLOR_CAPTIONTEXT),
                 clActiveBorder = SysColor(COLOR_ACTIVEBORDER),
                 clInactiveBorder = SysColor(COLOR_INACTIVEBORDER),
                 clAppWorkSpace = SysColor(COLOR_APPWORKSPACE), clHighlight = SysColor(COLOR_HIGHLIGHT),
                 clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT), clBtnFace = SysColor(COLOR_BTNFACE),
                 clBtnShadow = SysColor(COLOR_BTNSHADOW), clGrayText = SysColor(COLOR_GRAYTEXT),
                 clBtnText = SysColor(COLOR_BTNTEXT),
                 clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT),
                 clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT), cl3DDkShadow = SysColor(COLOR_3DDKSHADOW),
                 cl3DLight = SysColor(COLOR_3DLIGHT), clInfoText = SysColor(COLOR_INFOTEXT),
                 clInfoBk = SysColor(COLOR_INFOBK);

// Resolves a system colour to its RGB value; other values pass unchanged.
TColor ColorToRGB(TColor color);
inline BYTE GetRValue32(TColor c) { return static_cast<BYTE>(c & 0xFF); }
inline BYTE GetGValue32(TColor c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
inline BYTE GetBValue32(TColor c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

// ---- fonts, pens, brushes --------------------------------------------------------------------

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// Base of the GDI tool objects: a change notification and an owner-side lock hook.
class TGraphicsObject : public TPersistent {
 public:
  VORNADA_CLASS_NAME(TGraphicsObject)
  TNotifyEvent OnChange;

 protected:
  void Changed();
};

class TFont : public TGraphicsObject {
 public:
  VORNADA_CLASS_NAME(TFont)
  TFont();
  ~TFont() override;
  void Assign(TPersistent* source) override;

  const std::wstring& Name() const { return name_; }
  void SetName(const std::wstring& name);
  int Height() const { return height_; }
  void SetHeight(int height);
  int Size() const;  // points at the screen's 96 pixels per inch
  void SetSize(int points);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  BYTE Charset() const { return charset_; }
  void SetCharset(BYTE charset);
  // The GDI font, created on first use and kept until a property changes.
  HFONT Handle();

 private:
  void Modified();
  std::wstring name_ = L"MS Sans Serif";
  int height_ = -11;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
  BYTE charset_ = DEFAULT_CHARSET;
  win::UniqueFont handle_;
};

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum class TPenMode { pmCopy, pmNot, pmXor, pmMask, pmMerge, pmNotXor };

class TPen : public TGraphicsObject {
 public:
  VORNADA_CLASS_NAME(TPen)
  void Assign(TPersistent* source) override;
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Width() const { return width_; }
  void SetWidth(int width);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode mode);
  HPEN Handle();

 private:
  void Modified();
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = TPenStyle::psSolid;
  TPenMode mode_ = TPenMode::pmCopy;
  win::UniquePen handle_;
};

enum class TBrushStyle { bsSolid, bsClear };

class TBrush : public TGraphicsObject {
 public:
  VORNADA_CLASS_NAME(TBrush)
  void Assign(TPersistent* source) override;
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);
  HBRUSH Handle();

 private:
  void Modified();
  TColor color_ = clWhite;
  TBrushStyle style_ = TBrushStyle::bsSolid;
  win::UniqueBrush handle_;
};

// ---- canvas ----------------------------------------------------------------------------------

class TGraphic;
class TBitmap;

// Drawing surface over a device context that someone else owns. The canvas selects its own
// font, pen and brush into the context when a drawing call needs them, and puts the context's
// original objects back whenever it lets go of the context.
class TCanvas : public TPersistent {
 public:
  VORNADA_CLASS_NAME(TCanvas)
  TCanvas();
  ~TCanvas() override;

  HDC Handle();  // asks CreateHandle for a context when there is none
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return dc_ != nullptr; }

  TFont& Font() { return font_; }
  TPen& Pen() { return pen_; }
  TBrush& Brush() { return brush_; }
  DWORD CopyMode() const { return copy_mode_; }
  void SetCopyMode(DWORD rop) { copy_mode_ = rop; }

  void FillRect(const RECT& r);
  void FrameRect(const RECT& r);
  void Rectangle(int x1, int y1, int x2, int y2);
  void RoundRect(int x1, int y1, int x2, int y2, int w, int h);
  void Ellipse(int x1, int y1, int x2, int y2);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void TextOut(int x, int y, const std::wstring& text);
  void TextRect(const RECT& r, int x, int y, const std::wstring& text);
  // The platform's DrawText (DT_ flags) in the canvas font and its colour, over the brush's
  // colour unless the brush is clear; returns the text's height. With DT_CALCRECT `r` receives
  // the measured rectangle and nothing is drawn.
  int DrawText(const std::wstring& text, RECT& r, UINT flags);
  SIZE TextExtent(const std::wstring& text);
  int TextWidth(const std::wstring& text) { return TextExtent(text).cx; }
  int TextHeight(const std::wstring& text) { return TextExtent(text).cy; }
  void DrawFocusRect(const RECT& r);
  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const RECT& r, TGraphic* graphic);
  void CopyRect(const RECT& dest, TCanvas& source, const RECT& src);
  TColor Pixel(int x, int y);
  void SetPixel(int x, int y, TColor color);
  RECT ClipRect();

  // A recursive lock held while another thread may draw on the same canvas (ScopedLock on
  // CanvasLock() holds it for a scope).
  void Lock() { lock_.Enter(); }
  void Unlock() { lock_.Leave(); }
  bool TryLock() { return lock_.TryEnter(); }
  int LockCount() const { return lock_.HoldCount(); }
  vornada::Lock& CanvasLock() { return lock_; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void CreateHandle() {}
  // Puts the context's own objects back and forgets the context.
  void DeselectHandles();
  void Changing();
  void Changed();

 private:
  enum : unsigned { kFontValid = 1, kPenValid = 2, kBrushValid = 4 };
  void RequireFont();
  void RequirePen();
  void RequireBrush();

  HDC dc_ = nullptr;
  unsigned valid_ = 0;
  HGDIOBJ original_font_ = nullptr, original_pen_ = nullptr, original_brush_ = nullptr;
  TFont font_;
  TPen pen_;
  TBrush brush_;
  DWORD copy_mode_ = SRCCOPY;
  vornada::Lock lock_;
};

// Holds a canvas's lock for a scope: the tree's ScopedLock on the canvas's lock, under the name
// the picture classes use.
class ScopedCanvasLock : public ScopedLock {
 public:
  explicit ScopedCanvasLock(TCanvas& canvas) : ScopedLock(canvas.CanvasLock()) {}
};

// ---- pictures --------------------------------------------------------------------------------

enum class TProgressStage { psStarting, psRunning, psEnding };
using TProgressEvent = std::function<void(TObject* sender, TProgressStage stage, BYTE percent,
                                          bool redraw_now, const RECT& r, const std::string& msg)>;

// The picture base: a picture draws itself into a rectangle of a canvas, tells its size and
// transparency, loads from and saves to streams, reads and writes its stored form inside a
// window description, and moves through the clipboard. It raises OnChange after every change.
class TGraphic : public TPersistent {
 public:
  VORNADA_CLASS_NAME(TGraphic)
  virtual void Draw(TCanvas& canvas, const RECT& r) = 0;
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int value) = 0;
  virtual void SetHeight(int value) = 0;
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);
  virtual HPALETTE Palette() const { return nullptr; }
  virtual void SetPalette(HPALETTE) {}
  bool PaletteModified() const { return palette_modified_; }
  void SetPaletteModified(bool value) { palette_modified_ = value; }
  virtual bool Equals(TGraphic* other);

  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  void LoadFromFile(const std::wstring& file_name);
  void SaveToFile(const std::wstring& file_name);
  // The stored form inside a window description; by default exactly the stream form.
  virtual void ReadData(TStream& stream) { LoadFromStream(stream); }
  virtual void WriteData(TStream& stream) { SaveToStream(stream); }

  virtual void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) = 0;
  virtual void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) = 0;

  // A picture class that converts itself into a bitmap its own way does it here and returns
  // true; TBitmap::Assign asks this first and otherwise (the default, false) draws the picture
  // onto a bitmap of its size.
  virtual bool CopyToBitmap(TBitmap& bitmap) {
    (void)bitmap;
    return false;
  }

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

 protected:
  virtual void Changed(TObject* sender);
  void Progress(TObject* sender, TProgressStage stage, BYTE percent, bool redraw_now,
                const RECT& r, const std::string& msg);

 private:
  bool transparent_ = false;
  bool palette_modified_ = false;
};

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };
enum class TBitmapHandleType { bmDIB, bmDDB };
enum class TTransparentMode { tmAuto, tmFixed };

class TBitmap;

// Canvas of a bitmap: a memory device context with the bitmap selected while the canvas is in
// use.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }
  void FreeContext();

 protected:
  void CreateHandle() override;

 private:
  TBitmap& bitmap_;
  win::UniqueMemoryDc dc_;
  HGDIOBJ old_bitmap_ = nullptr;
  HPALETTE old_palette_ = nullptr;
};

// A bitmap over a DIB section (or a device-dependent bitmap after SetHandleType(bmDDB)).
class TBitmap : public TGraphic {
 public:
  VORNADA_CLASS_NAME(TBitmap)
  TBitmap();
  ~TBitmap() override;

  void Assign(TPersistent* source) override;
  void Draw(TCanvas& canvas, const RECT& r) override;
  bool Empty() const override { return !handle_ ; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int value) override { SetSize(value, height_); }
  void SetHeight(int value) override { SetSize(width_, value); }
  void SetSize(int width, int height);
  HPALETTE Palette() const override { return palette_.get(); }
  void SetPalette(HPALETTE palette) override;  // takes ownership
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // Stored form: a 4-byte length, then the bitmap file.
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) override;
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
  void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;

  TBitmapCanvas& Canvas();
  HBITMAP Handle() const { return handle_.get(); }
  // Takes ownership of `bitmap` (a DIB section or a device-dependent bitmap). A section whose
  // rows run top-down is replaced by a bottom-up copy of the same depth and colour table.
  void SetHandle(HBITMAP bitmap);
  HBITMAP ReleaseHandle();
  TBitmapHandleType HandleType() const { return handle_type_; }
  void SetHandleType(TBitmapHandleType type);
  TPixelFormat PixelFormat() const { return pixel_format_; }
  void SetPixelFormat(TPixelFormat format);
  int BitsPerPixel() const;
  bool Monochrome() const { return bits_per_pixel_ == 1 && monochrome_; }
  // Pointer to a row of the DIB section (row 0 at the top); DIB handles only.
  void* ScanLine(int row);
  int Stride() const;
  // Colour table of a paletted DIB section (the entry count in `count`).
  std::vector<RGBQUAD> ColorTable() const;
  void SetColorTable(const std::vector<RGBQUAD>& table);

  TColor TransparentColor();
  void SetTransparentColor(TColor color);
  TTransparentMode TransparentMode() const { return transparent_mode_; }
  void SetTransparentMode(TTransparentMode mode);

  // The whole process's bitmap drawing can be wrapped once (for example to lock each bitmap's
  // canvas while it is drawn from another thread); the wrapper calls `draw` to do the drawing.
  using DrawWrapper = void (*)(TBitmap& bitmap, const std::function<void()>& draw);
  static void SetDrawWrapper(DrawWrapper wrapper);
  static DrawWrapper CurrentDrawWrapper();

 protected:
  void Changed(TObject* sender) override;

 private:
  friend class TBitmapCanvas;
  void DrawUnwrapped(TCanvas& canvas, const RECT& r);
  void Recreate(int width, int height, int bpp, const std::vector<RGBQUAD>* table);
  void FreeImage();
  // Takes width, height and format from the handle. A section whose row order is not known
  // (one handed in from outside) is checked and turned bottom-up where needed.
  void UpdateInfoFromHandle(bool rows_known_bottom_up = false);
  void KeepRowsBottomUp(bool known_top_down);

  win::UniqueBitmap handle_;
  win::UniquePalette palette_;
  std::unique_ptr<TBitmapCanvas> canvas_;
  int width_ = 0;
  int height_ = 0;
  int bits_per_pixel_ = 0;
  bool monochrome_ = true;
  void* bits_ = nullptr;  // DIB section memory, bottom-up rows
  TBitmapHandleType handle_type_ = TBitmapHandleType::bmDIB;
  TPixelFormat pixel_format_ = TPixelFormat::pfDevice;
  TColor transparent_color_ = clDefault;
  TTransparentMode transparent_mode_ = TTransparentMode::tmAuto;
};

// Masked colour-key drawing: copies `src` of `source_dc` to `dest` of `dest_dc`, stretching,
// leaving every pixel whose colour equals `key` (an RGB value) untouched in the destination.
void TransparentStretch(HDC dest_dc, const RECT& dest, HDC source_dc, const RECT& src,
                        COLORREF key, HPALETTE palette);

// ---- picture holder and registry -------------------------------------------------------------

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TGraphicClassInfo {
  std::string class_name;  // stored-form name, for example "TBitmap"
  std::wstring extension;  // file extension without the dot
  std::wstring description;
  TGraphicFactory create;
  UINT clipboard_format = 0;
};

class TPicture : public TPersistent {
 public:
  VORNADA_CLASS_NAME(TPicture)
  TPicture();
  ~TPicture() override;

  TGraphic* Graphic() const { return graphic_.get(); }
  // Copies `graphic` into a new picture of the same class (nil empties the holder).
  void SetGraphic(TGraphic* graphic);
  // Takes `graphic` as is.
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  TBitmap* Bitmap();  // the graphic as a bitmap, replacing any other class by an empty bitmap
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }
  void Assign(TPersistent* source) override;

  void LoadFromFile(const std::wstring& file_name);
  void SaveToFile(const std::wstring& file_name);
  // The stored form: one length byte, the class name, the graphic's own stored form. Reading
  // frees a half-read graphic and lets the error propagate.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);

  static void RegisterFileFormat(TGraphicClassInfo info);
  static void RegisterClipboardFormat(UINT format, const std::string& class_name);
  static void UnregisterGraphicClass(const std::string& class_name);
  static const TGraphicClassInfo* FindClass(const std::string& class_name);
  static const TGraphicClassInfo* FindExtension(const std::wstring& extension);
  static bool SupportsClipboardFormat(UINT format);

  TNotifyEvent OnChange;

 private:
  void GraphicChanged(TObject* sender);
  void Attach(std::unique_ptr<TGraphic> graphic);
  std::unique_ptr<TGraphic> graphic_;
};

// Picture data shared by several pictures: freed when the last holder lets go.
class TSharedImage : public TObject {
 public:
  VORNADA_CLASS_NAME(TSharedImage)
  void Reference() { ++ref_count_; }
  void Release() {
    if (--ref_count_ == 0) delete this;
  }
  int RefCount() const { return ref_count_.load(); }

 protected:
  ~TSharedImage() override = default;

 private:
  std::atomic<int> ref_count_{0};
};

}  // namespace vornada
