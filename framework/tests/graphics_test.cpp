// Tests of the drawing classes under Wine: canvas drawing checked pixel by pixel in 32-bit
// bitmaps, the device-context objects a canvas must give back, bitmap sizes, pixel formats, scan
// lines and colour tables, bitmap files of every supported depth in and out (and malformed ones
// refused), colour-keyed stretching, and the picture holder's stored form and registry.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BmpFixtures.h"
#include "Classes_win.h"
#include "Graphics.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

using testing::MakeFilled32;
using testing::PictureOf;
using testing::PixelOf;

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255),
                   kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0),
                   kYellow = RGB(255, 255, 0), kKey = RGB(255, 0, 255);
const std::map<COLORREF, char> kLegend = {{kRed, 'R'},   {kGreen, 'G'}, {kBlue, 'B'},
                                          {kWhite, 'W'}, {kBlack, '.'}, {kYellow, 'Y'},
                                          {kKey, 'K'}};

using Rows = std::vector<std::string>;

// Every pixel's colour, row by row, read through the bitmap's canvas.
std::vector<COLORREF> PixelsOf(TBitmap& b) {
  std::vector<COLORREF> out;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) out.push_back(static_cast<COLORREF>(b.Canvas().Pixel(x, y)));
  return out;
}

// ---- canvas drawing ---------------------------------------------------------------------------

TEST(Canvas, FillRectAndRectangleCoverExactlyTheirPixels) {
  TBitmap b;
  MakeFilled32(b, 7, 6, clBlack);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clRed);
  c.FillRect({1, 1, 3, 3});  // right and bottom edges are outside
  c.Pen().SetColor(clBlue);
  c.Brush().SetColor(clLime);
  c.Rectangle(3, 2, 7, 6);
  EXPECT_EQ(PictureOf(b, kLegend), (Rows{".......",
                                         ".RR....",
                                         ".RRBBBB",
                                         "...BGGB",
                                         "...BGGB",
                                         "...BBBB"}));
}

TEST(Canvas, LinesFrameRectAndPixels) {
  TBitmap b;
  MakeFilled32(b, 6, 4, clWhite);
  TCanvas& c = b.Canvas();
  c.Pen().SetColor(clRed);
  c.MoveTo(0, 0);
  c.LineTo(4, 0);  // the end point is not drawn
  c.Brush().SetColor(clBlue);
  c.FrameRect({2, 1, 6, 4});
  c.SetPixel(0, 3, clYellow);
  c.SetPixel(1, 3, clBtnFace);  // a system colour is resolved before drawing
  EXPECT_EQ(c.Pixel(0, 3), static_cast<TColor>(kYellow));
  EXPECT_EQ(c.Pixel(1, 3), static_cast<TColor>(::GetSysColor(COLOR_BTNFACE)));
  b.Canvas().SetPixel(1, 3, clWhite);
  EXPECT_EQ(PictureOf(b, kLegend), (Rows{"RRRRWW",
                                         "WWBBBB",
                                         "WWBWWB",
                                         "YWBBBB"}));
}

TEST(Canvas, TextBackgroundFollowsTheBrushStyle) {
  TBitmap b;
  MakeFilled32(b, 40, 20, clWhite);
  TCanvas& c = b.Canvas();
  c.Font().SetColor(clRed);
  c.Brush().SetColor(clYellow);
  c.TextOut(0, 0, L"  ");  // blanks: only the background is drawn
  EXPECT_EQ(PixelOf(b, 1, 1), kYellow);
  const SIZE extent = c.TextExtent(L"  ");
  ASSERT_GT(extent.cx, 2);
  EXPECT_EQ(PixelOf(b, extent.cx + 1, 1), kWhite);

  MakeFilled32(b, 40, 20, clWhite);
  c.Brush().SetStyle(TBrushStyle::bsClear);
  c.TextOut(0, 0, L"  ");
  EXPECT_EQ(PixelOf(b, 1, 1), kWhite) << "a clear brush leaves the background alone";
}

TEST(Canvas, XorPenAndFocusRectangleUndoThemselves) {
  TBitmap b;
  MakeFilled32(b, 8, 8, clBlue);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clRed);
  c.FillRect({0, 0, 4, 8});
  const Rows before = PictureOf(b, kLegend);
  c.Pen().SetMode(TPenMode::pmXor);
  c.Pen().SetColor(clWhite);
  c.MoveTo(0, 3);
  c.LineTo(8, 3);
  EXPECT_NE(PictureOf(b, kLegend), before);
  c.MoveTo(0, 3);
  c.LineTo(8, 3);
  EXPECT_EQ(PictureOf(b, kLegend), before);
  c.DrawFocusRect({1, 1, 7, 7});
  EXPECT_NE(PictureOf(b, kLegend), before);
  c.DrawFocusRect({1, 1, 7, 7});
  EXPECT_EQ(PictureOf(b, kLegend), before);
}

// A device context of our own with a bitmap in it, and the objects it started with.
struct OwnDc {
  OwnDc() {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, 16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    dc.reset(::CreateCompatibleDC(nullptr));
    old_bitmap = ::SelectObject(dc.get(), bitmap.get());
    font = ::GetCurrentObject(dc.get(), OBJ_FONT);
    pen = ::GetCurrentObject(dc.get(), OBJ_PEN);
    brush = ::GetCurrentObject(dc.get(), OBJ_BRUSH);
  }
  ~OwnDc() { ::SelectObject(dc.get(), old_bitmap); }
  void ExpectOriginalObjects(const char* when) const {
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_FONT), font) << when;
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_PEN), pen) << when;
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BRUSH), brush) << when;
  }
  win::UniqueBitmap bitmap;
  win::UniqueMemoryDc dc;
  HGDIOBJ old_bitmap = nullptr, font = nullptr, pen = nullptr, brush = nullptr;
};

TEST(Canvas, GivesBackTheContextsOwnObjectsWhenItLetsGo) {
  OwnDc own;
  {
    TCanvas canvas;
    canvas.SetHandle(own.dc.get());
    canvas.Font().SetName(L"Tahoma");
    canvas.TextOut(0, 0, L"x");
    canvas.Rectangle(0, 0, 5, 5);
    EXPECT_EQ(::GetCurrentObject(own.dc.get(), OBJ_FONT), canvas.Font().Handle());
    EXPECT_EQ(::GetCurrentObject(own.dc.get(), OBJ_PEN), canvas.Pen().Handle());
    EXPECT_EQ(::GetCurrentObject(own.dc.get(), OBJ_BRUSH), canvas.Brush().Handle());
    canvas.SetHandle(nullptr);
    own.ExpectOriginalObjects("after SetHandle(nullptr)");

    canvas.SetHandle(own.dc.get());
    canvas.LineTo(3, 3);
    canvas.FillRect({0, 0, 2, 2});
    OwnDc other;
    canvas.SetHandle(other.dc.get());  // moving to another context
    own.ExpectOriginalObjects("after moving to another context");
    canvas.TextOut(0, 0, L"y");
    canvas.SetHandle(own.dc.get());
    other.ExpectOriginalObjects("after moving back");
    canvas.TextOut(0, 0, L"z");
    canvas.Rectangle(0, 0, 3, 3);
  }  // destroyed while still attached
  own.ExpectOriginalObjects("after the canvas was destroyed");
}

TEST(Canvas, ChangedToolLeavesTheContextBeforeItIsDeleted) {
  OwnDc own;
  TCanvas canvas;
  canvas.SetHandle(own.dc.get());
  canvas.TextOut(0, 0, L"x");
  canvas.Rectangle(0, 0, 4, 4);
  const HGDIOBJ old_font = canvas.Font().Handle();
  const HGDIOBJ old_pen = canvas.Pen().Handle();
  canvas.Font().SetHeight(-20);
  canvas.Pen().SetWidth(3);
  // The context holds its own objects again, and the replaced ones are gone, not leaked.
  EXPECT_EQ(::GetCurrentObject(own.dc.get(), OBJ_FONT), own.font);
  EXPECT_EQ(::GetCurrentObject(own.dc.get(), OBJ_PEN), own.pen);
  EXPECT_EQ(::GetObjectType(old_font), 0u);
  EXPECT_EQ(::GetObjectType(old_pen), 0u);
  canvas.TextOut(0, 0, L"x");
  LOGFONTW lf{};
  ASSERT_NE(::GetObjectW(::GetCurrentObject(own.dc.get(), OBJ_FONT), sizeof(lf), &lf), 0);
  EXPECT_EQ(lf.lfHeight, -20);
  canvas.SetHandle(nullptr);
  own.ExpectOriginalObjects("after letting go");
}

TEST(Canvas, BitmapCanvasKeepsNoObjectSelectedOnceFreed) {
  TBitmap b;
  MakeFilled32(b, 4, 4, clWhite);
  b.Canvas().TextOut(0, 0, L"a");
  const HDC dc = b.Canvas().Handle();
  const HGDIOBJ font = b.Canvas().Font().Handle();
  ASSERT_EQ(::GetCurrentObject(dc, OBJ_FONT), font);
  b.Canvas().FreeContext();
  EXPECT_FALSE(b.Canvas().HandleAllocated());
  // The font can be deleted now: it is selected nowhere.
  b.Canvas().Font().SetHeight(-30);
  EXPECT_EQ(::GetObjectType(font), 0u);
}

TEST(Font, GdiFontFollowsTheProperties) {
  TFont font;
  EXPECT_EQ(font.Name(), L"MS Sans Serif");
  EXPECT_EQ(font.Height(), -11);
  EXPECT_EQ(font.Size(), 8);
  LOGFONTW lf{};
  ASSERT_NE(::GetObjectW(font.Handle(), sizeof(lf), &lf), 0);
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"MS Sans Serif");
  EXPECT_EQ(lf.lfHeight, -11);
  EXPECT_EQ(lf.lfWeight, FW_NORMAL);
  int changes = 0;
  font.OnChange = [&](TObject*) { ++changes; };
  font.SetStyle(fsBold | fsItalic | fsUnderline | fsStrikeOut);
  font.SetName(L"Wingdings");
  font.SetSize(12);
  font.SetCharset(SYMBOL_CHARSET);
  font.SetColor(clRed);
  font.SetColor(clRed);  // unchanged: no notification
  EXPECT_EQ(changes, 5);
  EXPECT_EQ(font.Height(), -16);
  EXPECT_EQ(font.Size(), 12);
  ASSERT_NE(::GetObjectW(font.Handle(), sizeof(lf), &lf), 0);
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"Wingdings");
  EXPECT_EQ(lf.lfHeight, -16);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_TRUE(lf.lfItalic && lf.lfUnderline && lf.lfStrikeOut);
  EXPECT_EQ(lf.lfCharSet, SYMBOL_CHARSET);
  TFont copy;
  copy.Assign(&font);
  EXPECT_EQ(copy.Name(), L"Wingdings");
  EXPECT_EQ(copy.Color(), clRed);
  EXPECT_EQ(copy.Style(), font.Style());
  TPen pen;
  EXPECT_THROW(copy.Assign(&pen), EConvertError);
}

// ---- bitmaps ----------------------------------------------------------------------------------

struct FormatCase {
  const char* name;
  TPixelFormat format;
  int bpp;
  int stride_for_width_10;
  size_t colors;
  friend void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }
};

class BitmapFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(BitmapFormat, SizeStrideAndColourTable) {
  const auto& c = GetParam();
  TBitmap b;
  EXPECT_TRUE(b.Empty());
  b.SetPixelFormat(c.format);
  b.SetSize(10, 3);
  EXPECT_FALSE(b.Empty());
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(b.Height(), 3);
  EXPECT_EQ(b.PixelFormat(), c.format);
  EXPECT_EQ(b.BitsPerPixel(), c.bpp);
  EXPECT_EQ(b.HandleType(), TBitmapHandleType::bmDIB);
  EXPECT_EQ(b.Stride(), c.stride_for_width_10);
  const auto table = b.ColorTable();
  EXPECT_EQ(table.size(), c.colors);
  if (c.colors >= 2) {
    EXPECT_EQ(RGB(table[0].rgbRed, table[0].rgbGreen, table[0].rgbBlue), kBlack);
    const RGBQUAD last = table[c.colors == 2 ? 1 : 15];
    EXPECT_EQ(RGB(last.rgbRed, last.rgbGreen, last.rgbBlue), kWhite);
  }
  EXPECT_EQ(b.Monochrome(), c.bpp == 1);
  // A new bitmap is black.
  EXPECT_EQ(b.Canvas().Pixel(9, 2), static_cast<TColor>(kBlack));
}

INSTANTIATE_TEST_SUITE_P(
    Table, BitmapFormat,
    ::testing::Values(FormatCase{"pf1bit", TPixelFormat::pf1bit, 1, 4, 2},
                      FormatCase{"pf4bit", TPixelFormat::pf4bit, 4, 8, 16},
                      FormatCase{"pf8bit", TPixelFormat::pf8bit, 8, 12, 256},
                      FormatCase{"pf16bit", TPixelFormat::pf16bit, 16, 20, 0},
                      FormatCase{"pf24bit", TPixelFormat::pf24bit, 24, 32, 0},
                      FormatCase{"pf32bit", TPixelFormat::pf32bit, 32, 40, 0}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(Bitmap, ScanLineZeroIsTheTopRow) {
  TBitmap b;
  MakeFilled32(b, 3, 4, clBlack);
  auto* top = static_cast<uint8_t*>(b.ScanLine(0));
  top[2] = 255;  // red of pixel (0, 0)
  auto* bottom = static_cast<uint8_t*>(b.ScanLine(3));
  bottom[4 * 2 + 0] = 255;  // blue of pixel (2, 3)
  EXPECT_EQ(b.Canvas().Pixel(0, 0), static_cast<TColor>(kRed));
  EXPECT_EQ(b.Canvas().Pixel(2, 3), static_cast<TColor>(kBlue));
  EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(1)) - static_cast<uint8_t*>(b.ScanLine(0)),
            -b.Stride());
  EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);
  EXPECT_THROW(b.ScanLine(4), EInvalidGraphicOperation);
}

TEST(Bitmap, DeviceBitmapBecomesADibForScanLines) {
  TBitmap b;
  b.SetSize(5, 5);  // no pixel format asked for: a device bitmap
  EXPECT_EQ(b.HandleType(), TBitmapHandleType::bmDDB);
  b.Canvas().Brush().SetColor(clRed);
  b.Canvas().FillRect({0, 0, 5, 5});
  ASSERT_NE(b.ScanLine(0), nullptr);
  EXPECT_EQ(b.HandleType(), TBitmapHandleType::bmDIB);
  EXPECT_EQ(b.Canvas().Pixel(4, 4), static_cast<TColor>(kRed));
}

TEST(Bitmap, ResizingKeepsThePictureWhereOldAndNewOverlap) {
  TBitmap b;
  MakeFilled32(b, 3, 2, clRed);
  b.SetSize(4, 3);
  EXPECT_EQ(PictureOf(b, kLegend), (Rows{"RRR.", "RRR.", "...."}));
  b.SetSize(2, 1);
  EXPECT_EQ(PictureOf(b, kLegend), (Rows{"RR"}));
  b.SetSize(0, 0);
  EXPECT_TRUE(b.Empty());
  EXPECT_THROW(b.SetSize(-1, 4), EInvalidGraphic);
}

TEST(Bitmap, ImpossibleSizeFailsAndKeepsThePicture) {
  TBitmap b;
  MakeFilled32(b, 2, 2, clBlue);
  // 40000 x 40000 x 4 bytes is more than any DIB section may hold.
  EXPECT_THROW(b.SetSize(40000, 40000), EOutOfResources);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(PixelOf(b, 1, 1), kBlue);
}

TEST(Bitmap, ColourTableCanBeReplaced) {
  TBitmap b;
  b.SetPixelFormat(TPixelFormat::pf8bit);
  b.SetSize(2, 1);
  static_cast<uint8_t*>(b.ScanLine(0))[0] = 0;
  static_cast<uint8_t*>(b.ScanLine(0))[1] = 1;
  std::vector<RGBQUAD> table(256, RGBQUAD{0, 0, 0, 0});
  table[0] = {0, 255, 0, 0};   // green
  table[1] = {255, 0, 255, 0};  // fuchsia (blue, green, red order)
  b.SetColorTable(table);
  EXPECT_EQ(b.Canvas().Pixel(0, 0), static_cast<TColor>(kGreen));
  EXPECT_EQ(b.Canvas().Pixel(1, 0), static_cast<TColor>(kKey));
  const auto back = b.ColorTable();
  ASSERT_EQ(back.size(), 256u);
  EXPECT_EQ(back[1].rgbRed, 255);
  EXPECT_EQ(back[1].rgbGreen, 0);
}

TEST(Bitmap, AssignMakesAnIndependentCopyOfTheSameFormat) {
  TBitmap source;
  source.SetPixelFormat(TPixelFormat::pf8bit);
  source.SetSize(3, 2);
  std::vector<RGBQUAD> table(256, RGBQUAD{0, 0, 0, 0});
  table[7] = {10, 20, 30, 0};
  source.SetColorTable(table);
  static_cast<uint8_t*>(source.ScanLine(1))[2] = 7;
  TBitmap copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.Width(), 3);
  EXPECT_EQ(copy.Height(), 2);
  EXPECT_EQ(copy.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(copy.Canvas().Pixel(2, 1), static_cast<TColor>(RGB(30, 20, 10)));
  static_cast<uint8_t*>(source.ScanLine(1))[2] = 0;
  EXPECT_EQ(copy.Canvas().Pixel(2, 1), static_cast<TColor>(RGB(30, 20, 10)))
      << "the copy has pixels of its own";
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
  EXPECT_EQ(copy.Width(), 0);
}

TEST(Bitmap, TakesATopDownPalettedSectionWithItsColours) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info{};
  info.header = {sizeof(BITMAPINFOHEADER), 4, -2, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
  info.colors[1] = {0, 0, 200, 0};    // dark red
  info.colors[2] = {200, 100, 0, 0};  // a blue no standard table holds
  void* bits = nullptr;
  HBITMAP section = ::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                                       DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  auto* rows = static_cast<uint8_t*>(bits);
  rows[0] = 1;      // top row, first pixel (rows run top-down in this section)
  rows[4 + 3] = 2;  // bottom row, last pixel
  ::GdiFlush();
  TBitmap b;
  b.SetHandle(section);
  EXPECT_EQ(b.Width(), 4);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(b.Canvas().Pixel(0, 0), static_cast<TColor>(RGB(200, 0, 0)));
  EXPECT_EQ(b.Canvas().Pixel(3, 1), static_cast<TColor>(RGB(0, 100, 200)));
  EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(0))[0], 1) << "indices are kept, not re-matched";
}

TEST(Bitmap, MonochromeBitmapDrawsBlackAndWhiteWhateverTheTargetsTextColours) {
  // A device monochrome bitmap: bit 1 white, bit 0 black; pattern 1010.
  const uint16_t row = 0xA000;
  const uint8_t bits[2] = {static_cast<uint8_t>(row >> 8), 0};
  TBitmap mono;
  mono.SetHandle(::CreateBitmap(4, 1, 1, 1, bits));
  ASSERT_TRUE(mono.Monochrome());
  TBitmap target;
  MakeFilled32(target, 4, 1, clBlue);
  target.Canvas().Font().SetColor(clRed);
  target.Canvas().Brush().SetColor(clYellow);
  target.Canvas().TextOut(10, 10, L"x");  // leaves red text on yellow in the context
  target.Canvas().Draw(0, 0, &mono);
  EXPECT_EQ(PictureOf(target, kLegend), (Rows{"W.W."}));
}

TEST(Bitmap, DrawStretchesIntoTheRectangle) {
  TBitmap source;
  MakeFilled32(source, 2, 1, clRed);
  source.Canvas().SetPixel(1, 0, clBlue);
  TBitmap target;
  MakeFilled32(target, 6, 3, clWhite);
  target.Canvas().StretchDraw({1, 1, 5, 3}, &source);
  EXPECT_EQ(PictureOf(target, kLegend), (Rows{"WWWWWW", "WRRBBW", "WRRBBW"}));
  target.Canvas().Draw(4, 0, &source);
  EXPECT_EQ(PictureOf(target, kLegend), (Rows{"WWWWRB", "WRRBBW", "WRRBBW"}));
}

TEST(Bitmap, PixelFormatAndHandleTypeChangesKeepTheColours) {
  TBitmap b;
  b.SetPixelFormat(TPixelFormat::pf8bit);
  b.SetSize(3, 1);
  std::vector<RGBQUAD> table(256, RGBQUAD{0, 0, 0, 0});
  table[1] = {10, 20, 30, 0};
  table[2] = {200, 150, 100, 0};
  b.SetColorTable(table);
  static_cast<uint8_t*>(b.ScanLine(0))[0] = 1;
  static_cast<uint8_t*>(b.ScanLine(0))[1] = 2;
  const std::vector<COLORREF> before = PixelsOf(b);
  ASSERT_EQ(before[0], RGB(30, 20, 10));
  b.SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_EQ(b.BitsPerPixel(), 24);
  EXPECT_EQ(PixelsOf(b), before);
  b.SetPixelFormat(TPixelFormat::pf32bit);
  EXPECT_EQ(PixelsOf(b), before);
  b.SetHandleType(TBitmapHandleType::bmDDB);
  EXPECT_EQ(b.HandleType(), TBitmapHandleType::bmDDB);
  EXPECT_EQ(PixelsOf(b), before);
  b.SetHandleType(TBitmapHandleType::bmDIB);
  EXPECT_EQ(b.HandleType(), TBitmapHandleType::bmDIB);
  EXPECT_EQ(PixelsOf(b), before);
}

TEST(Bitmap, EqualsComparesClassAndPixels) {
  TBitmap a, b;
  EXPECT_TRUE(a.Equals(&b)) << "both empty";
  MakeFilled32(a, 2, 2, clRed);
  EXPECT_FALSE(a.Equals(&b));
  MakeFilled32(b, 2, 2, clRed);
  EXPECT_TRUE(a.Equals(&b));
  b.Canvas().SetPixel(1, 1, clBlue);
  EXPECT_FALSE(a.Equals(&b));
  EXPECT_FALSE(a.Equals(nullptr));
}

TEST(Bitmap, DrawWrapperSurroundsEveryBitmapDraw) {
  static int wrapped = 0;
  TBitmap::SetDrawWrapper([](TBitmap&, const std::function<void()>& draw) {
    ++wrapped;
    draw();
  });
  TBitmap source, target;
  MakeFilled32(source, 2, 2, clRed);
  MakeFilled32(target, 2, 2, clWhite);
  target.Canvas().Draw(0, 0, &source);
  TBitmap::SetDrawWrapper(nullptr);
  target.Canvas().Draw(0, 0, &source);
  EXPECT_EQ(wrapped, 1);
  EXPECT_EQ(PixelOf(target, 1, 1), kRed) << "the wrapper's draw() did the drawing";
}

TEST(Canvas, CopyRectStretchesBetweenCanvases) {
  TBitmap source, target;
  MakeFilled32(source, 2, 1, clRed);
  source.Canvas().SetPixel(1, 0, clBlue);
  MakeFilled32(target, 5, 2, clWhite);
  target.Canvas().CopyRect({1, 0, 5, 2}, source.Canvas(), {0, 0, 2, 1});
  EXPECT_EQ(PictureOf(target, kLegend), (Rows{"WRRBB", "WRRBB"}));
}

TEST(Canvas, TextRectKeepsTheTextInsideItsRectangle) {
  TBitmap b;
  MakeFilled32(b, 60, 20, clWhite);
  b.Canvas().Font().SetColor(clBlack);
  b.Canvas().Brush().SetColor(clYellow);
  b.Canvas().TextRect({10, 0, 20, 20}, 0, 0, L"WWWWWWWWWW");
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 10; ++x) ASSERT_EQ(PixelOf(b, x, y), kWhite) << x << "," << y;
    for (int x = 20; x < 60; ++x) ASSERT_EQ(PixelOf(b, x, y), kWhite) << x << "," << y;
  }
  int inked = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 10; x < 20; ++x) inked += PixelOf(b, x, y) == kBlack;
  EXPECT_GT(inked, 0) << "the part of the text inside the rectangle is drawn";
}

TEST(Canvas, LockKeepsOtherThreadsOut) {
  TCanvas canvas;
  canvas.Lock();
  canvas.Lock();  // recursive
  EXPECT_EQ(canvas.LockCount(), 2);
  bool other_got_it = true;
  std::thread([&] { other_got_it = canvas.TryLock(); }).join();
  EXPECT_FALSE(other_got_it);
  canvas.Unlock();
  canvas.Unlock();
  std::thread([&] {
    other_got_it = canvas.TryLock();
    if (other_got_it) canvas.Unlock();
  }).join();
  EXPECT_TRUE(other_got_it);
  EXPECT_EQ(canvas.LockCount(), 0);
}

// ---- colour-keyed copies ----------------------------------------------------------------------

// Source: red, key, key, green / key, blue, blue, key.
void MakeKeyedSource(TBitmap& source) {
  MakeFilled32(source, 4, 2, clFuchsia);
  source.Canvas().SetPixel(0, 0, clRed);
  source.Canvas().SetPixel(3, 0, clLime);
  source.Canvas().SetPixel(1, 1, clBlue);
  source.Canvas().SetPixel(2, 1, clBlue);
}

struct KeyedCase {
  const char* name;
  RECT dest;
  RECT src;
  Rows expected;
  friend void PrintTo(const KeyedCase& c, std::ostream* os) { *os << c.name; }
};

class TransparentStretchCopy : public ::testing::TestWithParam<KeyedCase> {};

TEST_P(TransparentStretchCopy, LeavesKeyPixelsOfTheTargetAlone) {
  TBitmap source;
  MakeKeyedSource(source);
  TBitmap target;
  MakeFilled32(target, 8, 4, clWhite);
  TransparentStretch(target.Canvas().Handle(), GetParam().dest, source.Canvas().Handle(),
                     GetParam().src, kKey, nullptr);
  EXPECT_EQ(PictureOf(target, kLegend), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TransparentStretchCopy,
    ::testing::Values(
        KeyedCase{"same_size", {1, 1, 5, 3}, {0, 0, 4, 2},
                  {"WWWWWWWW", "WRWWGWWW", "WWBBWWWW", "WWWWWWWW"}},
        KeyedCase{"twice", {0, 0, 8, 4}, {0, 0, 4, 2},
                  {"RRWWWWGG", "RRWWWWGG", "WWBBBBWW", "WWBBBBWW"}},
        KeyedCase{"part_of_source", {6, 2, 8, 4}, {1, 0, 3, 2},
                  {"WWWWWWWW", "WWWWWWWW", "WWWWWWWW", "WWWWWWBB"}},
        KeyedCase{"empty_target", {3, 3, 3, 4}, {0, 0, 4, 2},
                  {"WWWWWWWW", "WWWWWWWW", "WWWWWWWW", "WWWWWWWW"}}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(Bitmap, TransparentDrawKeysOnTheBottomLeftPixelUnlessToldOtherwise) {
  TBitmap source;
  MakeKeyedSource(source);  // bottom-left is the key colour
  source.SetTransparent(true);
  EXPECT_EQ(source.TransparentColor() & 0xFFFFFF, static_cast<TColor>(kKey));
  TBitmap target;
  MakeFilled32(target, 8, 4, clWhite);
  target.Canvas().StretchDraw({0, 0, 8, 4}, &source);
  EXPECT_EQ(PictureOf(target, kLegend), (Rows{"RRWWWWGG", "RRWWWWGG", "WWBBBBWW", "WWBBBBWW"}));

  source.SetTransparentColor(clBlue);
  EXPECT_EQ(source.TransparentMode(), TTransparentMode::tmFixed);
  MakeFilled32(target, 8, 4, clWhite);
  target.Canvas().StretchDraw({0, 0, 8, 4}, &source);
  EXPECT_EQ(PictureOf(target, kLegend), (Rows{"RRKKKKGG", "RRKKKKGG", "KKWWWWKK", "KKWWWWKK"}));
}

// ---- bitmap files -----------------------------------------------------------------------------

// What a bitmap file is made of; BuildBmp writes it independently of the framework.
struct BmpLayout {
  int width = 5;
  int height = 3;  // negative: rows stored top-down
  int bpp = 24;
  DWORD compression = BI_RGB;
  DWORD header_size = 40;
  DWORD clr_used = 0;
  std::vector<RGBQUAD> palette;
  std::array<DWORD, 3> masks{};
  int gap = 0;  // bytes between the colour table and the rows
  std::function<uint32_t(int x, int y)> value;  // palette index or packed pixel value
};

void Put16(std::string& s, size_t at, uint16_t v) { std::memcpy(&s[at], &v, 2); }
void Put32(std::string& s, size_t at, uint32_t v) { std::memcpy(&s[at], &v, 4); }
uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v;
  std::memcpy(&v, &s[at], 4);
  return v;
}
uint16_t Get16(const std::string& s, size_t at) {
  uint16_t v;
  std::memcpy(&v, &s[at], 2);
  return v;
}

std::string BuildBmp(const BmpLayout& s) {
  const int h = std::abs(s.height);
  const bool bitfields = s.compression == BI_BITFIELDS;
  std::string head(14 + s.header_size, '\0');
  head[0] = 'B';
  head[1] = 'M';
  Put32(head, 14, s.header_size);
  Put32(head, 18, static_cast<uint32_t>(s.width));
  Put32(head, 22, static_cast<uint32_t>(s.height));
  Put16(head, 26, 1);
  Put16(head, 28, static_cast<uint16_t>(s.bpp));
  Put32(head, 30, s.compression);
  Put32(head, 46, s.clr_used);
  if (bitfields && s.header_size >= 52) {
    for (int i = 0; i < 3; ++i) Put32(head, 54 + 4 * static_cast<size_t>(i), s.masks[static_cast<size_t>(i)]);
  } else if (bitfields) {
    for (int i = 0; i < 3; ++i) {
      std::string m(4, '\0');
      Put32(m, 0, s.masks[static_cast<size_t>(i)]);
      head += m;
    }
  }
  for (const RGBQUAD& q : s.palette) {
    head.push_back(static_cast<char>(q.rgbBlue));
    head.push_back(static_cast<char>(q.rgbGreen));
    head.push_back(static_cast<char>(q.rgbRed));
    head.push_back(0);
  }
  head += std::string(static_cast<size_t>(s.gap), '\x5A');
  const size_t stride = ((static_cast<size_t>(s.width) * s.bpp + 31) / 32) * 4;
  std::string rows(stride * static_cast<size_t>(h), '\0');
  for (int r = 0; r < h; ++r) {
    const int y = s.height < 0 ? r : h - 1 - r;
    uint8_t* row = reinterpret_cast<uint8_t*>(&rows[stride * static_cast<size_t>(r)]);
    for (int x = 0; x < s.width; ++x) {
      const uint32_t v = s.value(x, y);
      switch (s.bpp) {
        case 1: row[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8)); break;
        case 4: row[x / 2] |= static_cast<uint8_t>((v & 15) << (x % 2 == 0 ? 4 : 0)); break;
        case 8: row[x] = static_cast<uint8_t>(v); break;
        case 16: std::memcpy(row + x * 2, &v, 2); break;
        case 24:
          row[x * 3 + 0] = static_cast<uint8_t>(v);
          row[x * 3 + 1] = static_cast<uint8_t>(v >> 8);
          row[x * 3 + 2] = static_cast<uint8_t>(v >> 16);
          break;
        case 32: std::memcpy(row + x * 4, &v, 4); break;
      }
    }
  }
  Put32(head, 10, static_cast<uint32_t>(head.size()));
  std::string file = head + rows;
  Put32(file, 2, static_cast<uint32_t>(file.size()));
  return file;
}

std::vector<RGBQUAD> TestPalette(size_t n) {
  std::vector<RGBQUAD> p(n);
  for (size_t i = 0; i < n; ++i)
    p[i] = {static_cast<BYTE>(255 - i * 29), static_cast<BYTE>(i * 97 + 31),
            static_cast<BYTE>(i * 53), 0};
  return p;
}

COLORREF PaletteColour(const std::vector<RGBQUAD>& p, uint32_t index) {
  return RGB(p[index].rgbRed, p[index].rgbGreen, p[index].rgbBlue);
}

// Colour of pixel (x, y) in the direct-colour test pictures.
COLORREF DirectColour(int x, int y) {
  return RGB(x * 35 + 10, y * 50 + 5, (x * y * 13 + 7) & 255);
}
uint32_t Packed888(int x, int y) {
  const COLORREF c = DirectColour(x, y);
  return (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) | GetBValue(c);
}

// The pixels of a bitmap file the framework wrote: BITMAPINFOHEADER, full colour table for
// paletted depths, uncompressed rows.
struct DecodedBmp {
  int width = 0, height = 0, bpp = 0;
  uint32_t off_bits = 0, size_field = 0, colors = 0;
  std::vector<COLORREF> pixels;
};

DecodedBmp DecodeWrittenBmp(const std::string& f) {
  DecodedBmp d;
  EXPECT_GE(f.size(), 54u);
  if (f.size() < 54) return d;
  EXPECT_EQ(f.substr(0, 2), "BM");
  d.size_field = Get32(f, 2);
  d.off_bits = Get32(f, 10);
  EXPECT_EQ(Get32(f, 14), 40u);
  d.width = static_cast<int>(Get32(f, 18));
  d.height = static_cast<int>(Get32(f, 22));
  EXPECT_EQ(Get16(f, 26), 1);
  d.bpp = Get16(f, 28);
  EXPECT_EQ(Get32(f, 30), static_cast<uint32_t>(BI_RGB));
  d.colors = Get32(f, 46);
  const size_t stride = ((static_cast<size_t>(d.width) * d.bpp + 31) / 32) * 4;
  EXPECT_EQ(f.size(), d.off_bits + stride * static_cast<size_t>(std::abs(d.height)));
  if (f.size() < d.off_bits + stride * static_cast<size_t>(std::abs(d.height))) return d;
  for (int y = 0; y < std::abs(d.height); ++y) {
    const int r = d.height < 0 ? y : std::abs(d.height) - 1 - y;
    const auto* row = reinterpret_cast<const uint8_t*>(&f[d.off_bits + stride * static_cast<size_t>(r)]);
    for (int x = 0; x < d.width; ++x) {
      uint32_t index = 0;
      switch (d.bpp) {
        case 1: index = (row[x / 8] >> (7 - x % 8)) & 1; break;
        case 4: index = (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 15; break;
        case 8: index = row[x]; break;
        case 24: d.pixels.push_back(RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3])); continue;
        case 32: d.pixels.push_back(RGB(row[x * 4 + 2], row[x * 4 + 1], row[x * 4])); continue;
        default: ADD_FAILURE() << "unexpected depth " << d.bpp; return d;
      }
      const size_t at = 54 + index * 4;
      d.pixels.push_back(RGB(static_cast<uint8_t>(f[at + 2]), static_cast<uint8_t>(f[at + 1]),
                             static_cast<uint8_t>(f[at])));
    }
  }
  return d;
}

void LoadBytes(TBitmap& b, const std::string& bytes) {
  TBytesStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  b.LoadFromStream(stream);
}

std::string SaveBytes(TBitmap& b) {
  TMemoryStream out;
  b.SaveToStream(out);
  return std::string(reinterpret_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

struct FileCase {
  const char* name;
  BmpLayout layout;
  TPixelFormat format;  // what the loaded bitmap holds
  std::function<COLORREF(int x, int y)> colour;
  int tolerance = 0;  // per channel, for 5- and 6-bit channels widened to 8 bits
  friend void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }
};

BmpLayout Paletted(int bpp, int height, size_t colours = 0) {
  BmpLayout s;
  s.width = 7;
  s.height = height;
  s.bpp = bpp;
  const size_t n = colours != 0 ? colours : size_t{1} << bpp;
  s.palette = TestPalette(n);
  s.clr_used = colours != 0 ? static_cast<DWORD>(colours) : 0;
  s.value = [bpp, n](int x, int y) { return static_cast<uint32_t>((x + 3 * y) % (bpp == 1 ? 2 : static_cast<int>(n))); };
  return s;
}

std::function<COLORREF(int, int)> PaletteColours(int bpp, size_t colours = 0) {
  const size_t n = colours != 0 ? colours : size_t{1} << bpp;
  const auto p = TestPalette(n);
  return [p, n, bpp](int x, int y) {
    return PaletteColour(p, static_cast<uint32_t>((x + 3 * y) % (bpp == 1 ? 2 : static_cast<int>(n))));
  };
}

BmpLayout Direct(int bpp, int height, DWORD compression, std::array<DWORD, 3> masks,
               std::function<uint32_t(int, int)> value, DWORD header_size = 40) {
  BmpLayout s;
  s.width = 5;
  s.height = height;
  s.bpp = bpp;
  s.compression = compression;
  s.masks = masks;
  s.value = std::move(value);
  s.header_size = header_size;
  return s;
}

// 5-bit channels of the direct-colour test pictures.
uint32_t Packed555(int x, int y) {
  const COLORREF c = DirectColour(x, y);
  return ((GetRValue(c) >> 3) << 10) | ((GetGValue(c) >> 3) << 5) | (GetBValue(c) >> 3);
}
uint32_t Packed565(int x, int y) {
  const COLORREF c = DirectColour(x, y);
  return ((GetRValue(c) >> 3) << 11) | ((GetGValue(c) >> 2) << 5) | (GetBValue(c) >> 3);
}

std::vector<FileCase> FileCases() {
  std::vector<FileCase> cases;
  for (int bpp : {1, 4, 8}) {
    for (bool top_down : {false, true}) {
      FileCase c{"", Paletted(bpp, top_down ? -3 : 3),
                 bpp == 1 ? TPixelFormat::pf1bit : bpp == 4 ? TPixelFormat::pf4bit : TPixelFormat::pf8bit,
                 PaletteColours(bpp)};
      static const char* const kNames[3][2] = {{"bpp1", "bpp1_top_down"},
                                               {"bpp4", "bpp4_top_down"},
                                               {"bpp8", "bpp8_top_down"}};
      c.name = kNames[bpp == 1 ? 0 : bpp == 4 ? 1 : 2][top_down ? 1 : 0];
      cases.push_back(c);
    }
  }
  cases.push_back({"bpp8_short_colour_table", Paletted(8, 4, 5), TPixelFormat::pf8bit,
                   PaletteColours(8, 5)});
  {
    BmpLayout s = Paletted(4, 3);
    s.gap = 16;
    cases.push_back({"bpp4_gap_before_rows", s, TPixelFormat::pf4bit, PaletteColours(4)});
  }
  cases.push_back({"bpp24", Direct(24, 3, BI_RGB, {}, Packed888), TPixelFormat::pf24bit,
                   DirectColour});
  cases.push_back({"bpp24_top_down", Direct(24, -3, BI_RGB, {}, Packed888), TPixelFormat::pf24bit,
                   DirectColour});
  cases.push_back({"bpp24_v4_header", Direct(24, 3, BI_RGB, {}, Packed888, 108),
                   TPixelFormat::pf24bit, DirectColour});
  cases.push_back({"bpp32", Direct(32, 3, BI_RGB, {}, Packed888), TPixelFormat::pf32bit,
                   DirectColour});
  cases.push_back({"bpp32_top_down", Direct(32, -4, BI_RGB, {}, Packed888), TPixelFormat::pf32bit,
                   DirectColour});
  cases.push_back({"bpp32_bitfields", Direct(32, 3, BI_BITFIELDS, {0xFF0000, 0xFF00, 0xFF}, Packed888),
                   TPixelFormat::pf32bit, DirectColour});
  cases.push_back({"bpp32_bitfields_swapped",
                   Direct(32, 3, BI_BITFIELDS, {0xFF, 0xFF00, 0xFF0000},
                          [](int x, int y) { return static_cast<uint32_t>(DirectColour(x, y)); }),
                   TPixelFormat::pf32bit, DirectColour});
  cases.push_back({"bpp32_bitfields_v5_header",
                   Direct(32, -3, BI_BITFIELDS, {0xFF0000, 0xFF00, 0xFF}, Packed888, 124),
                   TPixelFormat::pf32bit, DirectColour});
  cases.push_back({"bpp16_555", Direct(16, 3, BI_RGB, {}, Packed555), TPixelFormat::pf32bit,
                   DirectColour, 8});
  cases.push_back({"bpp16_565_bitfields", Direct(16, -3, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F},
                                                 Packed565),
                   TPixelFormat::pf32bit, DirectColour, 8});
  return cases;
}

class BitmapFile : public ::testing::TestWithParam<FileCase> {};

void ExpectPixels(TBitmap& b, const FileCase& c, const char* when) {
  ASSERT_EQ(b.Width(), c.layout.width) << when;
  ASSERT_EQ(b.Height(), std::abs(c.layout.height)) << when;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const auto got = static_cast<COLORREF>(b.Canvas().Pixel(x, y));
      const COLORREF want = c.colour(x, y);
      EXPECT_NEAR(GetRValue(got), GetRValue(want), c.tolerance) << when << " at " << x << "," << y;
      EXPECT_NEAR(GetGValue(got), GetGValue(want), c.tolerance) << when << " at " << x << "," << y;
      EXPECT_NEAR(GetBValue(got), GetBValue(want), c.tolerance) << when << " at " << x << "," << y;
    }
}

TEST_P(BitmapFile, LoadsSavesAndLoadsAgain) {
  const auto& c = GetParam();
  TBitmap b;
  LoadBytes(b, BuildBmp(c.layout));
  EXPECT_EQ(b.PixelFormat(), c.format);
  ExpectPixels(b, c, "loaded");
  const std::vector<COLORREF> loaded = PixelsOf(b);

  const std::string saved = SaveBytes(b);
  const DecodedBmp d = DecodeWrittenBmp(saved);
  EXPECT_EQ(d.width, c.layout.width);
  EXPECT_EQ(d.height, std::abs(c.layout.height)) << "written bottom-up";
  EXPECT_EQ(d.bpp, b.BitsPerPixel());
  EXPECT_EQ(d.size_field, saved.size());
  EXPECT_EQ(d.off_bits, 54u + (d.bpp <= 8 ? (4u << d.bpp) : 0u));
  EXPECT_EQ(d.pixels, loaded);

  TBitmap again;
  LoadBytes(again, saved);
  EXPECT_EQ(again.PixelFormat(), b.PixelFormat());
  EXPECT_EQ(PixelsOf(again), loaded);
}

INSTANTIATE_TEST_SUITE_P(Table, BitmapFile, ::testing::ValuesIn(FileCases()),
                         [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(BitmapFile, FileOnDiskRoundTrips) {
  testing::ScratchFile file(L"bmp");
  TBitmap b;
  MakeFilled32(b, 3, 3, clRed);
  b.Canvas().SetPixel(2, 2, clBlue);
  b.SaveToFile(file.path());
  TBitmap back;
  back.LoadFromFile(file.path());
  EXPECT_EQ(PictureOf(back, kLegend), (Rows{"RRR", "RRR", "RRB"}));
  try {
    back.LoadFromFile(file.path() + L".missing");
    ADD_FAILURE() << "a missing file cannot load";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot open file \"", 0), 0u) << e.Message();
    EXPECT_NE(e.Message().find(".bmp.missing\". "), std::string::npos) << e.Message();
  }
  EXPECT_EQ(back.Width(), 3);
}

// Files that Pillow and ImageMagick wrote load into bitmaps that show the pixels the files were
// drawn with (GDI widens 5- and 6-bit channels its own way: within 8 levels), and the two files
// ImageMagick wrote in a form the reader refuses fail as invalid images.
TEST(BitmapFile, FilesWrittenByOtherProgramsLoadToTheirPixels) {
  const std::string dir = testing::SourcePath("framework/tests/data/bmp/");
  for (const testing::BmpFixture& f : testing::BmpFixtures()) {
    SCOPED_TRACE(f.file);
    bool ok = false;
    const std::vector<uint8_t> bytes = testing::ReadFileBytes(dir + f.file, &ok);
    ASSERT_TRUE(ok);
    TBitmap b;
    TBytesStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    b.LoadFromStream(stream);
    const TPixelFormat format = f.bit_count == 1   ? TPixelFormat::pf1bit
                                : f.bit_count == 4 ? TPixelFormat::pf4bit
                                : f.bit_count == 8 ? TPixelFormat::pf8bit
                                : f.bit_count == 24 ? TPixelFormat::pf24bit
                                                    : TPixelFormat::pf32bit;
    EXPECT_EQ(b.PixelFormat(), format);
    ASSERT_EQ(b.Width(), testing::bmp_fixture::kWidth);
    ASSERT_EQ(b.Height(), testing::bmp_fixture::kHeight);
    const int tolerance = f.bit_count == 16 ? 8 : 0;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) {
        const auto got = static_cast<COLORREF>(b.Canvas().Pixel(x, y));
        const testing::Rgb want = f.colour(x, y);
        EXPECT_NEAR(GetRValue(got), want.red, tolerance) << "at " << x << "," << y;
        EXPECT_NEAR(GetGValue(got), want.green, tolerance) << "at " << x << "," << y;
        EXPECT_NEAR(GetBValue(got), want.blue, tolerance) << "at " << x << "," << y;
      }
  }
  for (const char* refused : {"bad_im_bitfields_without_masks.bmp", "bad_im_os2_core_header.bmp"}) {
    SCOPED_TRACE(refused);
    const std::vector<uint8_t> bytes = testing::ReadFileBytes(dir + refused);
    ASSERT_FALSE(bytes.empty());
    TBitmap b;
    TBytesStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    try {
      b.LoadFromStream(stream);
      ADD_FAILURE() << "the file loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Invalid image");
    }
  }
}

// A valid 8-bit 4 x 3 file to corrupt: header 14 + 40, 256 colours, rows of 4 bytes.
std::string ValidSmallFile() { return BuildBmp(Paletted(8, 3)); }

struct CorruptCase {
  const char* name;
  std::function<void(std::string&)> corrupt;
  bool invalid_graphic;  // EInvalidGraphic, else EReadError
  friend void PrintTo(const CorruptCase& c, std::ostream* os) { *os << c.name; }
};

class CorruptBitmapFile : public ::testing::TestWithParam<CorruptCase> {};

TEST_P(CorruptBitmapFile, IsRefusedAndTheBitmapKeepsItsPicture) {
  std::string bytes = ValidSmallFile();
  GetParam().corrupt(bytes);
  TBitmap b;
  MakeFilled32(b, 2, 2, clLime);
  try {
    LoadBytes(b, bytes);
    ADD_FAILURE() << "the corrupt file loaded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_TRUE(GetParam().invalid_graphic) << "EInvalidGraphic: " << e.Message();
    EXPECT_EQ(e.Message(), "Invalid image");
  } catch (const EReadError& e) {
    EXPECT_FALSE(GetParam().invalid_graphic) << "EReadError: " << e.Message();
    EXPECT_EQ(e.Message(), "Stream read error");
  }
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(PixelOf(b, 1, 1), kGreen);
}

auto Set32(size_t at, uint32_t v) {
  return [at, v](std::string& s) { Put32(s, at, v); };
}
auto Set16(size_t at, uint16_t v) {
  return [at, v](std::string& s) { Put16(s, at, v); };
}
auto CutTo(size_t n) {
  return [n](std::string& s) { s.resize(std::min(n, s.size())); };
}

INSTANTIATE_TEST_SUITE_P(
    Table, CorruptBitmapFile,
    ::testing::Values(
        CorruptCase{"empty", CutTo(0), false},
        CorruptCase{"file_header_only", CutTo(14), false},
        CorruptCase{"info_header_cut", CutTo(30), false},
        CorruptCase{"bad_magic", [](std::string& s) { s[1] = 'N'; }, true},
        CorruptCase{"core_header", Set32(14, 12), true},
        CorruptCase{"header_size_2000", Set32(14, 2000), true},
        CorruptCase{"header_size_huge", Set32(14, 0xFFFFFFFF), true},
        CorruptCase{"zero_width", Set32(18, 0), true},
        CorruptCase{"negative_width", Set32(18, 0xFFFFFFFC), true},
        CorruptCase{"zero_height", Set32(22, 0), true},
        CorruptCase{"lowest_height", Set32(22, 0x80000000), true},
        CorruptCase{"two_planes", Set16(26, 2), true},
        CorruptCase{"depth_0", Set16(28, 0), true},
        CorruptCase{"depth_2", Set16(28, 2), true},
        CorruptCase{"depth_64", Set16(28, 64), true},
        CorruptCase{"rle8", Set32(30, BI_RLE8), true},
        CorruptCase{"rle4", Set32(30, BI_RLE4), true},
        CorruptCase{"jpeg", Set32(30, BI_JPEG), true},
        CorruptCase{"png", Set32(30, BI_PNG), true},
        CorruptCase{"compression_77", Set32(30, 77), true},
        CorruptCase{"bitfields_on_8_bits", Set32(30, BI_BITFIELDS), true},
        CorruptCase{"257_colours", Set32(46, 257), true},
        CorruptCase{"colours_huge", Set32(46, 0xFFFFFFFF), true},
        CorruptCase{"width_40000", Set32(18, 40000), true},
        CorruptCase{"height_40000", Set32(22, 40000), true},
        CorruptCase{"declared_32768_square", [](std::string& s) {
                      Put32(s, 18, 32768);
                      Put32(s, 22, 32768);
                    }, false},
        CorruptCase{"colour_table_cut", CutTo(14 + 40 + 100), false},
        CorruptCase{"rows_one_byte_short", [](std::string& s) { s.pop_back(); }, false},
        CorruptCase{"rows_missing", CutTo(14 + 40 + 1024), false},
        CorruptCase{"offset_huge", Set32(10, 0xFFFFFFF0), true},
        CorruptCase{"offset_zero", Set32(10, 0), true},
        CorruptCase{"offset_inside_colour_table", Set32(10, 14 + 40 + 512), true},
        CorruptCase{"offset_past_end", [](std::string& s) {
                      Put32(s, 10, static_cast<uint32_t>(s.size() + 10));
                    }, false}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST(CorruptBitmapFile, EveryTruncationFailsCleanly) {
  const std::string whole = ValidSmallFile();
  TBitmap b;
  for (size_t n = 0; n < whole.size(); ++n) {
    const std::string part = whole.substr(0, n);
    EXPECT_THROW(LoadBytes(b, part), EStreamError) << "cut to " << n << " bytes";
  }
  EXPECT_NO_THROW(LoadBytes(b, whole));
}

TEST(CorruptBitmapFile, RandomByteDamageNeverEscapesTheFrameworksErrors) {
  std::mt19937 random(1234);
  const std::string whole = BuildBmp(Paletted(4, 3));
  TBitmap b;
  int refused = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string damaged = whole;
    const int hits = 1 + static_cast<int>(random() % 4);
    for (int k = 0; k < hits; ++k) {
      const size_t at = random() % 64;  // the headers and the start of the colour table
      damaged[at] = static_cast<char>(random());
    }
    try {
      LoadBytes(b, damaged);
    } catch (const EInvalidGraphic&) {
      ++refused;
    } catch (const EStreamError&) {
      ++refused;
    } catch (const EOutOfResources&) {
      ++refused;
    }
  }
  EXPECT_GT(refused, 0);
}

// ---- picture holder ---------------------------------------------------------------------------

// A picture class of the test's own: its stored form is a 4-byte length and that many bytes.
class CountedGraphic : public TGraphic {
 public:
  VORNADA_CLASS_NAME(TCountedGraphic)
  static inline int live = 0;
  CountedGraphic() { ++live; }
  ~CountedGraphic() override { --live; }
  void Assign(TPersistent* source) override {
    if (auto* other = dynamic_cast<CountedGraphic*>(source)) {
      payload = other->payload;
      Changed(this);
      return;
    }
    TGraphic::Assign(source);
  }
  void Draw(TCanvas&, const RECT&) override {}
  bool Empty() const override { return payload.empty(); }
  int Width() const override { return static_cast<int>(payload.size()); }
  int Height() const override { return 1; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void LoadFromStream(TStream& stream) override { ReadData(stream); }
  void SaveToStream(TStream& stream) override { WriteData(stream); }
  void ReadData(TStream& stream) override {
    int32_t n = 0;
    stream.ReadBuffer(&n, 4);
    if (n < 0 || n > 1000) throw EReadError(std::string(msg::kReadError));
    payload.resize(static_cast<size_t>(n));
    stream.ReadBuffer(payload.data(), n);
  }
  void WriteData(TStream& stream) override {
    const auto n = static_cast<int32_t>(payload.size());
    stream.WriteBuffer(&n, 4);
    stream.WriteBuffer(payload.data(), n);
  }
  void LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) override {}
  void SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) override {}
  std::string payload;
};

class PictureHolder : public ::testing::Test {
 protected:
  void SetUp() override {
    TPicture::RegisterFileFormat({"TCountedGraphic", L"cnt", L"Counted test pictures",
                                  [] { return std::unique_ptr<TGraphic>(new CountedGraphic()); },
                                  0});
  }
  void TearDown() override {
    TPicture::UnregisterGraphicClass("TCountedGraphic");
    EXPECT_EQ(CountedGraphic::live, 0);
  }
};

std::string StoredForm(TPicture& picture) {
  TMemoryStream out;
  picture.WriteData(out);
  return std::string(reinterpret_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

void ReadStored(TPicture& picture, const std::string& bytes) {
  TBytesStream in(bytes.data(), static_cast<int64_t>(bytes.size()));
  picture.ReadData(in);
}

void MakeSmallBitmapPicture(TPicture& picture) {
  TBitmap* b = picture.Bitmap();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(3, 2);
  b->Canvas().Brush().SetColor(clRed);
  b->Canvas().FillRect({0, 0, 3, 2});
  b->Canvas().SetPixel(2, 1, clBlue);
}

TEST_F(PictureHolder, StoredFormIsLengthByteClassNameThenLengthAndBitmapFile) {
  TPicture picture;
  MakeSmallBitmapPicture(picture);
  const std::string stored = StoredForm(picture);
  ASSERT_GT(stored.size(), 12u + 54u);
  EXPECT_EQ(stored[0], 7);
  EXPECT_EQ(stored.substr(1, 7), "TBitmap");
  const uint32_t length = Get32(stored, 8);
  EXPECT_EQ(length, stored.size() - 12);
  const std::string file = stored.substr(12);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(Get32(file, 2), length) << "the file's own size field";
  EXPECT_EQ(file, SaveBytes(*picture.Bitmap())) << "the stored data is the bitmap file";
  const DecodedBmp d = DecodeWrittenBmp(file);
  EXPECT_EQ(d.bpp, 24);
  EXPECT_EQ(d.pixels, (std::vector<COLORREF>{kRed, kRed, kRed, kRed, kRed, kBlue}));
}

TEST_F(PictureHolder, StoredFormReadsBackAndStopsRightAfterItself) {
  TPicture picture;
  MakeSmallBitmapPicture(picture);
  const std::string stored = StoredForm(picture) + "NEXT";
  TBytesStream in(stored.data(), static_cast<int64_t>(stored.size()));
  TPicture back;
  int changes = 0;
  back.OnChange = [&](TObject*) { ++changes; };
  back.ReadData(in);
  EXPECT_EQ(in.Position(), static_cast<int64_t>(stored.size()) - 4);
  ASSERT_NE(back.Graphic(), nullptr);
  EXPECT_STREQ(back.Graphic()->ClassName(), "TBitmap");
  EXPECT_EQ(back.Width(), 3);
  EXPECT_EQ(back.Height(), 2);
  EXPECT_EQ(back.Bitmap()->Canvas().Pixel(2, 1), static_cast<TColor>(kBlue));
  EXPECT_EQ(back.Bitmap()->Canvas().Pixel(0, 0), static_cast<TColor>(kRed));
  EXPECT_GE(changes, 1);
  EXPECT_TRUE(back.Graphic()->Equals(picture.Graphic()));
}

TEST_F(PictureHolder, EmptyHolderAndEmptyBitmapHaveShortStoredForms) {
  TPicture empty;
  EXPECT_EQ(StoredForm(empty), std::string(1, '\0'));
  TPicture filled;
  MakeSmallBitmapPicture(filled);
  ReadStored(filled, std::string(1, '\0'));
  EXPECT_EQ(filled.Graphic(), nullptr);

  TPicture empty_bitmap;
  empty_bitmap.Bitmap();
  const std::string stored = StoredForm(empty_bitmap);
  EXPECT_EQ(stored, std::string("\x07TBitmap\0\0\0\0", 12));
  TPicture back;
  ReadStored(back, stored);
  ASSERT_NE(back.Graphic(), nullptr);
  EXPECT_TRUE(back.Graphic()->Empty());
}

TEST_F(PictureHolder, UnknownClassNameFailsAndKeepsThePicture) {
  TPicture picture;
  MakeSmallBitmapPicture(picture);
  try {
    ReadStored(picture, std::string("\x08TPngFake\x04\0\0\0abcd", 17));
    ADD_FAILURE() << "an unregistered class cannot be read";
  } catch (const EInvalidGraphic& e) {
    EXPECT_NE(e.Message().find("TPngFake"), std::string::npos) << e.Message();
  }
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Width(), 3);
}

struct TruncatedCase {
  const char* name;
  std::function<std::string(const std::string& whole)> make;
  friend void PrintTo(const TruncatedCase& c, std::ostream* os) { *os << c.name; }
};

class TruncatedStoredForm : public PictureHolder,
                            public ::testing::WithParamInterface<TruncatedCase> {};

TEST_P(TruncatedStoredForm, FailsWithAStreamErrorAndKeepsThePicture) {
  TPicture source;
  MakeSmallBitmapPicture(source);
  const std::string whole = StoredForm(source);
  TPicture picture;
  picture.Bitmap()->SetPixelFormat(TPixelFormat::pf32bit);
  picture.Bitmap()->SetSize(5, 5);
  const TGraphic* before = picture.Graphic();
  EXPECT_THROW(ReadStored(picture, GetParam().make(whole)), EStreamError);
  EXPECT_EQ(picture.Graphic(), before);
  EXPECT_EQ(picture.Width(), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TruncatedStoredForm,
    ::testing::Values(
        TruncatedCase{"nothing", [](const std::string&) { return std::string(); }},
        TruncatedCase{"inside_class_name", [](const std::string& w) { return w.substr(0, 5); }},
        TruncatedCase{"inside_length", [](const std::string& w) { return w.substr(0, 10); }},
        TruncatedCase{"inside_file_header", [](const std::string& w) { return w.substr(0, 20); }},
        TruncatedCase{"inside_rows", [](const std::string& w) { return w.substr(0, w.size() - 1); }},
        TruncatedCase{"length_beyond_data",
                      [](const std::string& w) {
                        std::string s = w;
                        Put32(s, 8, 0x7FFFFFFF);
                        return s;
                      }},
        TruncatedCase{"negative_length",
                      [](const std::string& w) {
                        std::string s = w;
                        Put32(s, 8, 0xFFFFFFF0);
                        return s;
                      }},
        TruncatedCase{"file_shorter_than_its_header_says",
                      [](const std::string& w) {
                        // The length field covers less than the bitmap file needs.
                        std::string s = w;
                        Put32(s, 8, static_cast<uint32_t>(w.size() - 12 - 3));
                        return s;
                      }}),
    [](const auto& table_row) { return std::string(table_row.param.name); });

TEST_F(PictureHolder, HalfReadGraphicIsFreed) {
  TPicture picture;
  MakeSmallBitmapPicture(picture);
  // Class name, then a payload length of 10 with only 3 bytes after it.
  std::string stored("\x0FTCountedGraphic", 16);
  stored += std::string("\x0A\0\0\0abc", 7);
  EXPECT_THROW(ReadStored(picture, stored), EReadError);
  EXPECT_EQ(CountedGraphic::live, 0) << "the half-read graphic leaked";
  EXPECT_STREQ(picture.Graphic()->ClassName(), "TBitmap");

  // And a complete one reads into the registered class.
  stored = std::string("\x0FTCountedGraphic", 16) + std::string("\x03\0\0\0xyz", 7);
  ReadStored(picture, stored);
  auto* counted = dynamic_cast<CountedGraphic*>(picture.Graphic());
  ASSERT_NE(counted, nullptr);
  EXPECT_EQ(counted->payload, "xyz");
  EXPECT_EQ(StoredForm(picture), stored);
  picture.SetGraphic(static_cast<TGraphic*>(nullptr));
}

TEST_F(PictureHolder, RegistryFindsClassesByNameExtensionAndClipboardFormat) {
  ASSERT_NE(TPicture::FindClass("TBitmap"), nullptr);
  EXPECT_EQ(TPicture::FindExtension(L"BMP"), TPicture::FindClass("TBitmap"));
  EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_BITMAP));
  EXPECT_NE(TPicture::FindClass("TCountedGraphic"), nullptr);
  EXPECT_EQ(TPicture::FindExtension(L"cnt"), TPicture::FindClass("TCountedGraphic"));
  const UINT format = ::RegisterClipboardFormatW(L"Vornada test picture");
  EXPECT_FALSE(TPicture::SupportsClipboardFormat(format));
  TPicture::RegisterClipboardFormat(format, "TCountedGraphic");
  EXPECT_TRUE(TPicture::SupportsClipboardFormat(format));
  TPicture::UnregisterGraphicClass("TCountedGraphic");
  EXPECT_EQ(TPicture::FindClass("TCountedGraphic"), nullptr);
  EXPECT_FALSE(TPicture::SupportsClipboardFormat(format));
  EXPECT_EQ(TPicture::FindClass("TNothing"), nullptr);
}

TEST_F(PictureHolder, SetGraphicCopiesAndBitmapReplacesOtherClasses) {
  CountedGraphic source;
  source.payload = "abc";
  TPicture picture;
  picture.SetGraphic(&source);
  source.payload = "changed";
  auto* held = dynamic_cast<CountedGraphic*>(picture.Graphic());
  ASSERT_NE(held, nullptr);
  EXPECT_NE(held, &source);
  EXPECT_EQ(held->payload, "abc");
  EXPECT_EQ(CountedGraphic::live, 2);
  TBitmap* bitmap = picture.Bitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_TRUE(bitmap->Empty());
  EXPECT_EQ(CountedGraphic::live, 1);
}

TEST_F(PictureHolder, FilesByExtension) {
  TPicture picture;
  MakeSmallBitmapPicture(picture);
  testing::ScratchFile file(L"bmp");
  picture.SaveToFile(file.path());
  TPicture back;
  back.LoadFromFile(file.path());
  ASSERT_NE(back.Graphic(), nullptr);
  EXPECT_STREQ(back.Graphic()->ClassName(), "TBitmap");
  EXPECT_EQ(back.Bitmap()->Canvas().Pixel(2, 1), static_cast<TColor>(kBlue));
  try {
    back.LoadFromFile(L"C:\\nowhere\\picture.xyz");
    ADD_FAILURE() << "an unknown extension cannot load";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture file extension (.xyz)");
  }
  EXPECT_EQ(back.Width(), 3);
}

}  // namespace
}  // namespace vornada

// The handle owners count the GDI objects they hold: a leak test relies on the count going
// back exactly, also for handles moved between owners or given away.
TEST(GdiObjectCount, OwnersCountWhatTheyHold) {
  const long before = vornada::win::LiveGdiObjects();
  {
    vornada::win::UniqueBrush brush(::CreateSolidBrush(RGB(1, 2, 3)));
    EXPECT_EQ(vornada::win::LiveGdiObjects(), before + 1);
    vornada::win::UniqueBrush moved(std::move(brush));
    EXPECT_EQ(vornada::win::LiveGdiObjects(), before + 1);
    vornada::win::UniqueRegion given(::CreateRectRgn(0, 0, 1, 1));
    EXPECT_EQ(vornada::win::LiveGdiObjects(), before + 2);
    HRGN away = given.release();
    EXPECT_EQ(vornada::win::LiveGdiObjects(), before + 1);
    ::DeleteObject(away);
    vornada::win::ScopedGetDC screen(nullptr);
    EXPECT_EQ(vornada::win::LiveGdiObjects(), before + 2);
    vornada::TBitmap bitmap;
    bitmap.SetSize(4, 4);
    bitmap.Canvas().FillRect(RECT{0, 0, 4, 4});
    EXPECT_GT(vornada::win::LiveGdiObjects(), before + 2);
  }
  EXPECT_EQ(vornada::win::LiveGdiObjects(), before);
}

// A paletted bitmap's palette is counted while the bitmap holds it; the copies a bitmap hands to
// the clipboard leave the count (they are the clipboard's), and a bitmap that takes them in
// counts its own copies.
TEST(GdiObjectCount, PalettesAndClipboardCopiesKeepTheCountExact) {
  using vornada::win::LiveGdiObjects;
  const long before = LiveGdiObjects();
  {
    vornada::TBitmap paletted;
    vornada::LoadBytes(paletted, vornada::BuildBmp(vornada::Paletted(8, 3)));
    ASSERT_NE(paletted.Palette(), nullptr);
    EXPECT_EQ(LiveGdiObjects(), before + 2) << "the bitmap and its palette";
    UINT format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    paletted.SaveToClipboardFormat(format, data, palette);
    ASSERT_NE(data, nullptr);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(LiveGdiObjects(), before + 2) << "the clipboard copies are not ours";
    vornada::TBitmap taken;
    taken.LoadFromClipboardFormat(format, data, palette);
    EXPECT_EQ(LiveGdiObjects(), before + 4) << "the copies a bitmap takes in are its own";
    ::DeleteObject(data);
    ::DeleteObject(palette);
  }
  EXPECT_EQ(LiveGdiObjects(), before);
}
