// Tests of size constraints on controls (SetBounds, alignment, changed limits, the window's own
// size) and of the image control as the main window uses it: a fixed 18 x 18 transparent image
// that later receives bitmaps of other sizes, a client-aligned stretched drag surface, pictures
// that size their image, and an underline whose image grows over its bitmap.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "PngGraphic.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

struct Limits {
  int min_w, max_w, min_h, max_h;
};

void Apply(TControl& c, const Limits& l) {
  c.Constraints().SetMinWidth(l.min_w);
  c.Constraints().SetMaxWidth(l.max_w);
  c.Constraints().SetMinHeight(l.min_h);
  c.Constraints().SetMaxHeight(l.max_h);
}

struct BoundsCase {
  const char* name;
  bool windowed;
  Limits limits;
  RECT asked;   // left, top, width, height
  RECT result;  // left, top, width, height
};

class ConstrainedBounds : public ::testing::TestWithParam<BoundsCase> {};

TEST_P(ConstrainedBounds, SetBoundsKeepsTheSizeWithinTheLimits) {
  const BoundsCase& c = GetParam();
  auto panel = std::make_unique<TPanel>(nullptr);
  panel->SetBounds(0, 0, 300, 200);
  panel->SetParent(&testing::StageForm());
  TControl* control = c.windowed ? static_cast<TControl*>(new TPanel(panel.get()))
                                 : static_cast<TControl*>(new TImage(panel.get()));
  control->SetParent(panel.get());
  Apply(*control, c.limits);
  control->SetBounds(c.asked.left, c.asked.top, c.asked.right, c.asked.bottom);
  EXPECT_EQ(control->Left(), c.result.left);
  EXPECT_EQ(control->Top(), c.result.top);
  EXPECT_EQ(control->Width(), c.result.right);
  EXPECT_EQ(control->Height(), c.result.bottom);
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    RECT r{};
    ::GetWindowRect(win->Handle(), &r);
    EXPECT_EQ(r.right - r.left, c.result.right) << "the window has the constrained size";
    EXPECT_EQ(r.bottom - r.top, c.result.bottom);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConstrainedBounds,
    ::testing::Values(
        BoundsCase{"fixed_18_from_larger", false, {18, 18, 18, 18}, {164, 37, 105, 105}, {164, 37, 18, 18}},
        BoundsCase{"fixed_18_from_zero", false, {18, 18, 18, 18}, {1, 2, 0, 0}, {1, 2, 18, 18}},
        BoundsCase{"only_maximum_width", false, {0, 40, 0, 0}, {0, 0, 90, 7}, {0, 0, 40, 7}},
        BoundsCase{"only_minimum_height", true, {0, 0, 30, 0}, {5, 5, 50, 10}, {5, 5, 50, 30}},
        BoundsCase{"windowed_fixed", true, {20, 20, 10, 10}, {3, 4, 200, 1}, {3, 4, 20, 10}},
        BoundsCase{"within_limits_untouched", true, {10, 100, 10, 100}, {0, 0, 50, 60}, {0, 0, 50, 60}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Constraints, AlignmentRespectsTheLimits) {
  auto panel = std::make_unique<TPanel>(nullptr);
  panel->SetBounds(0, 0, 100, 80);
  panel->SetBevelOuter(TBevelCut::bvNone);
  auto* image = new TImage(panel.get());
  image->Constraints().SetMaxWidth(40);
  image->SetParent(panel.get());
  image->SetAlign(TAlign::alClient);
  EXPECT_EQ(image->Width(), 40);
  EXPECT_EQ(image->Height(), 80);
  auto* top = new TPanel(panel.get());
  top->Constraints().SetMinHeight(25);
  top->SetParent(panel.get());
  top->SetBounds(0, 0, 10, 0);
  top->SetAlign(TAlign::alTop);
  EXPECT_EQ(top->Height(), 25) << "height 0 asked, the minimum given";
  EXPECT_EQ(top->Width(), 100);
  EXPECT_EQ(image->Top(), 25) << "the client area below the top panel";
  EXPECT_EQ(image->Height(), 55);
}

TEST(Constraints, NewLimitsApplyToTheCurrentSize) {
  TImage image(nullptr);
  image.SetBounds(10, 20, 105, 105);
  int resizes = 0;
  image.OnResize = [&](TObject*) { ++resizes; };
  image.Constraints().SetMaxWidth(18);
  EXPECT_EQ(image.Width(), 18);
  EXPECT_EQ(image.Height(), 105);
  image.Constraints().SetMaxHeight(18);
  EXPECT_EQ(image.Height(), 18);
  EXPECT_EQ(image.Left(), 10) << "the place stays";
  EXPECT_EQ(image.Top(), 20);
  EXPECT_EQ(resizes, 2);
  image.Constraints().SetMaxWidth(0);  // loosening a limit does not grow the control back
  EXPECT_EQ(image.Width(), 18);
  EXPECT_EQ(resizes, 2);
}

// ---- the image control as the window uses it ---------------------------------------------------

constexpr COLORREF kPanelColour = RGB(244, 244, 255);

std::unique_ptr<TPanel> MakePanel(int width, int height) {
  auto panel = std::make_unique<TPanel>(nullptr);
  panel->SetBounds(0, 0, width, height);
  panel->SetBevelOuter(TBevelCut::bvNone);
  panel->SetColor(static_cast<TColor>(kPanelColour));
  return panel;
}

TEST(WindowImages, FixedTransparentImageKeysOutItsBitmapsLowerLeftColour) {
  auto panel = MakePanel(40, 30);
  auto* pen = new TImage(panel.get());
  pen->SetBounds(5, 5, 18, 18);
  Apply(*pen, {18, 18, 18, 18});
  pen->SetTransparent(true);
  pen->SetParent(panel.get());
  panel->SetParent(&testing::StageForm());

  testing::Rendering empty = testing::RenderControl(*panel);
  for (uint32_t p : empty.pixels) ASSERT_EQ(p, kPanelColour) << "an empty image draws nothing";

  // An 18 x 18 fuchsia bitmap with a black 4 x 4 square at (7, 7): the fuchsia of its lower-left
  // pixel is keyed out.
  TBitmap* b = pen->Picture().Bitmap();
  testing::MakeFilled32(*b, 18, 18, clFuchsia);
  b->Canvas().Brush().SetColor(clBlack);
  b->Canvas().FillRect({7, 7, 11, 11});
  testing::Rendering drawn = testing::RenderControl(*panel);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool square = x >= 12 && x < 16 && y >= 12 && y < 16;
      ASSERT_EQ(drawn.At(x, y), square ? RGB(0, 0, 0) : kPanelColour) << x << "," << y;
    }

  // A larger bitmap does not resize the image; only its top-left 18 x 18 shows.
  testing::MakeFilled32(*b, 30, 30, clBlack);
  b->Canvas().SetPixel(0, 29, clFuchsia);
  EXPECT_EQ(pen->Width(), 18);
  EXPECT_EQ(pen->Height(), 18);
  testing::Rendering large = testing::RenderControl(*panel);
  EXPECT_EQ(large.At(5 + 17, 5 + 17), RGB(0, 0, 0));
  EXPECT_EQ(large.At(5 + 18, 5 + 5), kPanelColour) << "clipped to the image";
  EXPECT_EQ(large.At(5 + 5, 5 + 18), kPanelColour);
  pen->SetBounds(5, 5, 200, 200);
  EXPECT_EQ(pen->Width(), 18) << "fixed by its constraints";
}

TEST(WindowImages, ClientAlignedStretchedImageFillsItsPanel) {
  auto panel = MakePanel(60, 40);
  auto* surface = new TImage(panel.get());
  surface->SetParent(panel.get());
  surface->SetAlign(TAlign::alClient);
  surface->SetStretch(true);
  panel->SetParent(&testing::StageForm());
  EXPECT_EQ(surface->BoundsRect().right, 60);
  EXPECT_EQ(surface->BoundsRect().bottom, 40);
  testing::Rendering empty = testing::RenderControl(*panel);
  for (uint32_t p : empty.pixels) ASSERT_EQ(p, kPanelColour) << "no picture: the panel shows";
  panel->SetBounds(0, 0, 80, 50);
  EXPECT_EQ(surface->Width(), 80) << "follows its panel";
  EXPECT_EQ(surface->Height(), 50);
  // A 2 x 2 picture covers the whole surface, each pixel a quarter of it.
  TBitmap* b = surface->Picture().Bitmap();
  testing::MakeFilled32(*b, 2, 2, clRed);
  b->Canvas().SetPixel(1, 1, clBlue);
  testing::Rendering stretched = testing::RenderControl(*panel);
  EXPECT_EQ(stretched.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(stretched.At(39, 24), RGB(255, 0, 0));
  EXPECT_EQ(stretched.At(40, 25), RGB(0, 0, 255));
  EXPECT_EQ(stretched.At(79, 49), RGB(0, 0, 255));
}

TEST(WindowImages, AutoSizedImagesTakeTheirPicturesSize) {
  PngGraphicRegistered();
  bool ok = false;
  const std::vector<uint8_t> png =
      testing::ReadFileBytes(testing::SourcePath("pictures/tests/data/png/rgba8.png"), &ok);
  ASSERT_TRUE(ok);
  const int width = (png[16] << 24) | (png[17] << 16) | (png[18] << 8) | png[19];
  const int height = (png[20] << 24) | (png[21] << 16) | (png[22] << 8) | png[23];
  // The stored form a description holds: length byte, class name, the PNG file.
  std::vector<uint8_t> stored = {11};
  for (char c : std::string("TPngGraphic")) stored.push_back(static_cast<uint8_t>(c));
  stored.insert(stored.end(), png.begin(), png.end());

  for (bool auto_size_first : {true, false}) {
    SCOPED_TRACE(auto_size_first ? "AutoSize before the picture" : "AutoSize after the picture");
    TImage image(nullptr);
    image.SetBounds(40, 13, 16, 16);
    if (auto_size_first) image.SetAutoSize(true);
    TBytesStream stream(stored.data(), static_cast<int64_t>(stored.size()));
    image.Picture().ReadData(stream);
    if (!auto_size_first) {
      EXPECT_EQ(image.Width(), 16) << "no auto-size yet";
      image.SetAutoSize(true);
    }
    EXPECT_EQ(image.Width(), width);
    EXPECT_EQ(image.Height(), height);
    EXPECT_EQ(image.Left(), 40);
    EXPECT_EQ(image.Top(), 13);
  }
}

TEST(WindowImages, UnderlineShowsTheLeftPartOfItsBitmapAsItGrows) {
  auto panel = MakePanel(100, 10);
  auto* underline = new TImage(panel.get());
  underline->SetParent(panel.get());
  // 61 x 2, each column its own colour.
  TBitmap* b = underline->Picture().Bitmap();
  testing::MakeFilled32(*b, 61, 2, clBlack);
  for (int x = 0; x < 61; ++x)
    for (int y = 0; y < 2; ++y) b->Canvas().SetPixel(x, y, static_cast<TColor>(RGB(x * 4, 100 + y, 7)));
  panel->SetParent(&testing::StageForm());
  for (int width : {0, 1, 30, 61}) {
    SCOPED_TRACE(width);
    underline->SetBounds(17, 5, width, 2);
    testing::Rendering r = testing::RenderControl(*panel);
    for (int x = 0; x < 100; ++x)
      for (int y = 4; y < 8; ++y) {
        const bool inside = x >= 17 && x < 17 + width && y >= 5 && y < 7;
        const COLORREF expected = inside ? RGB((x - 17) * 4, 100 + (y - 5), 7) : kPanelColour;
        ASSERT_EQ(r.At(x, y), expected) << x << "," << y;
      }
  }
}

}  // namespace
}  // namespace vornada
