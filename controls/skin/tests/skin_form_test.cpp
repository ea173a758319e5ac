// Tests of the image form skin under Wine: the owner must be a form, which becomes borderless and
// centred on the desktop; after loading the form has the skin's shape (fully transparent and
// fully opaque skins too) and the width of its rightmost opaque column; the picture with caption
// and icon; the darker picture and gray caption while the form is inactive, with the activation
// events; minimise and restore events; a later skin or transparent colour; the pointer events;
// and dragging the window with a real mouse press through the system's move loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "SkImgForm.h"
#include "SkinTestSupport.h"

namespace vornada {
namespace {

using testing::RunsOf;
using testing::kMarker;
using testing::LoadAsDesigned;
using testing::PumpMessages;
using testing::PumpUntil;
using testing::RenderControl;
using testing::Rendering;
using testing::StageForm;
using testing::StagePanel;
using testing::WindowRegionRuns;

constexpr int kSkinW = 40, kSkinH = 24;

// A skin shaped as a rounded tab: opaque except the corners cut diagonally, and its last 6
// columns all transparent (so the form is 34 wide). Colours vary with x and y.
bool TabOpaque(int x, int y) {
  if (x >= kSkinW - 6) return false;
  const int corner = 4;
  if (x + y < corner) return false;
  if ((kSkinW - 7 - x) + y < corner) return false;
  return true;
}
TColor TabColour(int x, int y) {
  if (!TabOpaque(x, y)) return kMarker;
  return (30 + 2 * x) | ((60 + 3 * y) << 8) | ((200 - x) << 16);
}
void MakeTabSkin(TBitmap& skin) {
  skin.SetPixelFormat(TPixelFormat::pf24bit);
  skin.SetSize(kSkinW, kSkinH);
  for (int y = 0; y < kSkinH; ++y) {
    auto* row = static_cast<uint8_t*>(skin.ScanLine(y));
    for (int x = 0; x < kSkinW; ++x) {
      const TColor c = TabColour(x, y);
      row[x * 3 + 0] = static_cast<uint8_t>(c >> 16);
      row[x * 3 + 1] = static_cast<uint8_t>(c >> 8);
      row[x * 3 + 2] = static_cast<uint8_t>(c);
    }
  }
}

uint32_t Darker(TColor c) {
  auto down = [](int v) { return static_cast<uint32_t>(std::max(v - 51, 0)); };
  return down(c & 0xFF) | (down((c >> 8) & 0xFF) << 8) | (down((c >> 16) & 0xFF) << 16);
}

// A form (not shown unless a test shows it) carrying a form skin.
struct SkinnedForm {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TSkImgForm* skin = nullptr;
  explicit SkinnedForm(const std::function<void(TSkImgForm&)>& assign = nullptr) {
    form->SetBounds(500, 300, 120, 90);
    skin = new TSkImgForm(form.get());
    LoadAsDesigned(*skin, [&] {
      skin->SetParent(form.get());
      if (assign) assign(*skin);
    });
  }
};

// Gives the screen an active control, as a running program has.
void FocusSomething() {
  static TPanel* holder = [] {
    auto* p = new TPanel(&StageForm());
    p->SetParent(&StagePanel());
    p->SetBounds(380, 5, 10, 10);
    return p;
  }();
  holder->SetFocus();
  PumpMessages(10);
}

TEST(FormSkinOwner, MustBeAForm) {
  TPanel panel(nullptr);
  for (TComponent* owner : {static_cast<TComponent*>(nullptr), static_cast<TComponent*>(&panel)}) {
    try {
      TSkImgForm skin(owner);
      ADD_FAILURE() << "created without a form";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Error: FForm could not be created");
    }
  }
  EXPECT_EQ(panel.ComponentCount(), 0) << "the failed control left its owner";
}

TEST(FormSkinOwner, TheFormBecomesBorderlessAndCentredOnTheDesktop) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBounds(0, 0, 320, 240);
  ASSERT_EQ(form->BorderStyle(), TFormBorderStyle::bsSizeable);
  auto* skin = new TSkImgForm(form.get());
  EXPECT_EQ(skin->Form(), form.get());
  EXPECT_EQ(form->BorderStyle(), TFormBorderStyle::bsNone);
  EXPECT_EQ(form->Position(), TPosition::poDesktopCenter);
  EXPECT_TRUE(form->ScreenSnap());
  EXPECT_EQ(skin->Width(), 271);
  EXPECT_EQ(skin->Height(), 188);
  EXPECT_TRUE(skin->Active());
  EXPECT_EQ(skin->TransparentColor(), 16711935);
  EXPECT_EQ(skin->CaptionX(), 7);
  EXPECT_EQ(skin->CaptionY(), 4);
  EXPECT_EQ(skin->IconSize(), 16);
  EXPECT_TRUE(skin->WordWrap());
  EXPECT_FALSE(skin->DesignTimeApply());
  form->Show();
  PumpMessages(20);
  const RECT desktop = Screen()->DesktopRect();
  EXPECT_EQ(form->Left(), desktop.left + (desktop.right - desktop.left - 320) / 2);
  EXPECT_EQ(form->Top(), desktop.top + (desktop.bottom - desktop.top - 240) / 2);
  RECT r{};
  ::GetWindowRect(form->Handle(), &r);
  RECT client{};
  ::GetClientRect(form->Handle(), &client);
  EXPECT_EQ(r.right - r.left, client.right) << "no border";
  // Out of the middle of the screen, where other tests' windows go.
  form->SetBounds(410, 900, 40, 40);
  testing::KeepUntilExit(std::move(form));
}

TEST(FormSkinLoading, TheFormTakesTheSkinsShapeAndSize) {
  TBitmap bitmap;
  MakeTabSkin(bitmap);
  SkinnedForm f([&](TSkImgForm& s) { s.SetSkin(&bitmap); });
  EXPECT_EQ(f.skin->Left(), 0);
  EXPECT_EQ(f.form->Width(), kSkinW - 6) << "rightmost opaque column + 1";
  EXPECT_EQ(f.form->Height(), kSkinH);
  EXPECT_EQ(WindowRegionRuns(f.form->Handle()), RunsOf(kSkinW, kSkinH, TabOpaque));
  const Rendering r = RenderControl(*f.skin);
  ASSERT_EQ(r.width, kSkinW);
  for (int y = 0; y < kSkinH; ++y)
    for (int x = 0; x < kSkinW; ++x) ASSERT_EQ(r.At(x, y), static_cast<uint32_t>(TabColour(x, y)));
}

TEST(FormSkinLoading, FullyTransparentAndFullyOpaqueSkins) {
  TBitmap clear;
  testing::MakeFilled32(clear, 10, 6, kMarker);
  SkinnedForm invisible([&](TSkImgForm& s) { s.SetSkin(&clear); });
  bool has_region = false;
  EXPECT_TRUE(WindowRegionRuns(invisible.form->Handle(), &has_region).empty());
  EXPECT_TRUE(has_region);
  EXPECT_EQ(invisible.form->Width(), 0);

  TBitmap solid;
  testing::MakeFilled32(solid, 10, 6, clTeal);
  SkinnedForm full([&](TSkImgForm& s) { s.SetSkin(&solid); });
  EXPECT_EQ(WindowRegionRuns(full.form->Handle()), RunsOf(10, 6, [](int, int) { return true; }));
  EXPECT_EQ(full.form->Width(), 10);
}

TEST(FormSkinLoading, WithoutASkinNothingIsShapedOrPainted) {
  SkinnedForm f;
  bool has_region = true;
  WindowRegionRuns(f.form->Handle(), &has_region);
  EXPECT_FALSE(has_region);
  const Rendering r = RenderControl(*f.skin, RGB(1, 2, 3));
  for (uint32_t v : r.pixels) ASSERT_EQ(v, 0x030201u);
  // Activation still switches the font colour: gray while inactive, then the saved one (black
  // at the first activation).
  FocusSomething();
  f.skin->Font().SetColor(clNavy);
  ::SendMessageW(f.form->Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(f.skin->Font().Color(), 8421504);
  ::SendMessageW(f.form->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(f.skin->Font().Color(), clNavy);
  f.skin->SetActive(true);  // applied although nothing changes: the saved colour again
  EXPECT_EQ(f.skin->Font().Color(), clNavy);
}

TEST(FormSkinLoading, FirstActivationMakesTheCaptionBlack) {
  SkinnedForm f;
  FocusSomething();
  ::SendMessageW(f.form->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(f.skin->Font().Color(), clBlack);
}

TEST(FormSkinActivation, InactiveFormShowsTheSkin51LevelsDarker) {
  TBitmap bitmap;
  MakeTabSkin(bitmap);
  SkinnedForm f([&](TSkImgForm& s) { s.SetSkin(&bitmap); });
  std::vector<std::string> seen;
  f.skin->OnActivate = [&](TObject* s) { seen.push_back(s == f.skin ? "activate" : "?"); };
  f.skin->OnDeactivate = [&](TObject* s) { seen.push_back(s == f.skin ? "deactivate" : "?"); };
  FocusSomething();
  ::SendMessageW(f.form->Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_FALSE(f.skin->Active());
  Rendering r = RenderControl(*f.skin);
  for (int y = 0; y < kSkinH; ++y)
    for (int x = 0; x < kSkinW; ++x) ASSERT_EQ(r.At(x, y), Darker(TabColour(x, y))) << x << "," << y;
  ::SendMessageW(f.form->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_TRUE(f.skin->Active());
  r = RenderControl(*f.skin);
  EXPECT_EQ(r.At(10, 10), static_cast<uint32_t>(TabColour(10, 10)));
  // The activation sent to a hidden form may bring a second, real one: repeats count once.
  seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"deactivate", "activate"}));

  // A new caption while inactive brings back the plain skin until the next activation change.
  ::SendMessageW(f.form->Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  f.skin->SetCaption(L"x");
  r = RenderControl(*f.skin);
  EXPECT_EQ(r.At(30, 20), static_cast<uint32_t>(TabColour(30, 20)));
}

// Columns of the rendering holding the colour.
std::vector<int> ColumnsWith(const Rendering& r, uint32_t colour) {
  std::vector<int> columns;
  for (int x = 0; x < r.width; ++x)
    for (int y = 0; y < r.height; ++y)
      if (r.At(x, y) == colour) {
        columns.push_back(x);
        break;
      }
  return columns;
}

TEST(FormSkinPicture, CaptionAtCaptionXAndAfterTheIcon) {
  TBitmap bitmap;
  testing::MakeFilled32(bitmap, 200, 30, clTeal);
  SkinnedForm f([&](TSkImgForm& s) {
    s.SetSkin(&bitmap);
    s.Font().SetColor(clYellow);
    s.SetCaption(L"Wide");
  });
  std::vector<int> text = ColumnsWith(RenderControl(*f.skin), 0x00FFFF);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.front(), 7) << "CaptionX";

  // A 16 x 16 red icon: drawn at (CaptionX, CaptionY), the caption after it.
  TBitmap colour;
  testing::MakeFilled32(colour, 16, 16, clRed);
  std::vector<uint8_t> mask_bits(16 * 2, 0);
  win::UniqueBitmap mask(::CreateBitmap(16, 16, 1, 1, mask_bits.data()));
  ICONINFO info{TRUE, 0, 0, mask.get(), colour.Handle()};
  TIcon icon;
  icon.SetHandle(::CreateIconIndirect(&info));
  f.skin->SetIcon(&icon);
  EXPECT_EQ(f.skin->IconSize(), 16);
  const Rendering r = RenderControl(*f.skin);
  EXPECT_EQ(r.At(7, 4), 0x0000FFu);
  EXPECT_EQ(r.At(22, 19), 0x0000FFu);
  EXPECT_EQ(r.At(23, 20), static_cast<uint32_t>(clTeal));
  text = ColumnsWith(r, 0x00FFFF);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.front(), 7 + 16 + 2);
}

TEST(FormSkinPicture, LongCaptionStartsAtSixAndEndsAtTheRightEdge) {
  TBitmap bitmap;
  testing::MakeFilled32(bitmap, 60, 30, clTeal);
  SkinnedForm f([&](TSkImgForm& s) {
    s.SetSkin(&bitmap);
    s.Font().SetColor(clYellow);
    s.SetCaption(L"WWWWWWWWWWWWWWWWWW");
  });
  std::vector<int> text = ColumnsWith(RenderControl(*f.skin), 0x00FFFF);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.front(), 6) << "the ellipsis rectangle starts at 6";
  EXPECT_LE(text.back(), 59);
  f.skin->SetWordWrap(false);
  text = ColumnsWith(RenderControl(*f.skin), 0x00FFFF);
  EXPECT_EQ(text.front(), 7) << "unwrapped: CaptionX";
  EXPECT_EQ(text.back(), 59) << "and cut by the picture's edge only";
}

TEST(FormSkinLater, ANewSkinSizesButDoesNotReshapeUntilTheColourChanges) {
  SkinnedForm f;
  TBitmap bitmap;
  MakeTabSkin(bitmap);
  f.skin->SetSkin(&bitmap);
  EXPECT_EQ(f.form->Width(), kSkinW);
  EXPECT_EQ(f.form->Height(), kSkinH);
  EXPECT_EQ(f.skin->Width(), kSkinW);
  bool has_region = true;
  WindowRegionRuns(f.form->Handle(), &has_region);
  EXPECT_FALSE(has_region) << "no region yet";
  // The tab's colour at (10, 10) becomes the transparent colour: that pixel is cut out.
  f.skin->SetTransparentColor(TabColour(10, 10));
  const std::vector<testing::RegionRun> runs = WindowRegionRuns(f.form->Handle(), &has_region);
  EXPECT_TRUE(has_region);
  EXPECT_EQ(runs, RunsOf(kSkinW, kSkinH, [](int x, int y) { return !(x == 10 && y == 10); }));
}

TEST(FormSkinLater, ColourChangeWithoutASkinOnlyStoresIt) {
  SkinnedForm f;
  f.skin->SetTransparentColor(clLime);
  EXPECT_EQ(f.skin->TransparentColor(), clLime);
  bool has_region = true;
  WindowRegionRuns(f.form->Handle(), &has_region);
  EXPECT_FALSE(has_region);
}

TEST(FormSkinEvents, PointerEventsOfTheControlItself) {
  SkinnedForm f;
  std::vector<std::string> seen;
  f.skin->OnMouseEnter = [&](TObject* s) { seen.push_back(s == f.skin ? "enter" : "?"); };
  f.skin->OnMouseLeave = [&](TObject* s) { seen.push_back(s == f.skin ? "leave" : "?"); };
  f.skin->Perform(CM_MOUSEENTER, 0, 0);
  f.skin->Perform(CM_MOUSEENTER, 0, 1234);
  f.skin->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"enter", "leave"}));
}

TEST(FormSkinEvents, MinimiseAndRestoreOfTheApplication) {
  SkinnedForm f;
  std::vector<std::string> seen;
  f.skin->OnMinimize = [&](TObject* s) { seen.push_back(s == f.skin ? "minimise" : "?"); };
  f.skin->OnRestore = [&](TObject* s) { seen.push_back(s == f.skin ? "restore" : "?"); };
  StageForm();
  ::ShowWindow(Application()->Handle(), SW_SHOWNA);
  PumpMessages(10);
  Application()->Minimize();
  PumpMessages(20);
  Application()->Restore();
  PumpMessages(20);
  EXPECT_EQ(seen, (std::vector<std::string>{"minimise", "restore"}));
}

TEST(FormSkinDrag, ARealPressDragsTheWindowWithTheSystemMoveLoop) {
  TBitmap bitmap;
  testing::MakeFilled32(bitmap, 60, 40, clTeal);
  auto owned = std::make_unique<SkinnedForm>([&](TSkImgForm& s) { s.SetSkin(&bitmap); });
  SkinnedForm& f = *owned;
  std::vector<std::string> seen;
  f.skin->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { seen.push_back("down"); };
  f.skin->OnClick = [&](TObject* s) { seen.push_back(s == nullptr ? "click" : "click?"); };
  f.form->Show();
  f.form->SetBounds(600, 500, 60, 40);
  ::SetForegroundWindow(f.form->Handle());
  PumpMessages(30);
  const POINT start{620, 520};  // inside the skin
  std::atomic<bool> done{false};
  std::thread mover([&] {
    testing::SendRealMouse(start.x, start.y, 0);
    ::Sleep(50);
    testing::SendRealMouse(start.x, start.y, MOUSEEVENTF_LEFTDOWN);
    ::Sleep(150);
    for (int i = 1; i <= 5; ++i) {
      testing::SendRealMouse(start.x + 6 * i, start.y + 4 * i, 0);
      ::Sleep(30);
    }
    ::Sleep(100);
    testing::SendRealMouse(start.x + 30, start.y + 20, MOUSEEVENTF_LEFTUP);
    ::Sleep(100);
    done = true;
  });
  PumpUntil([&] { return done.load(); }, 5000);
  mover.join();
  PumpMessages(50);
  EXPECT_EQ(seen, (std::vector<std::string>{"down", "click"}))
      << "the press ends at once with a release at the form's (0, 0)";
  RECT r{};
  ::GetWindowRect(f.form->Handle(), &r);
  EXPECT_EQ(r.left, 630) << "moved with the pointer";
  EXPECT_EQ(r.top, 520);
  f.form->SetBounds(470, 900, 60, 40);
  testing::KeepUntilExit(std::move(f.form));
}

}  // namespace
}  // namespace vornada
