// Tests of the GIF animator under Wine: the GDI composition checked against the portable
// composer for every frame of every fixture (exact colours and key colour areas, frame by frame
// and by jumps), the reuse and rebuild of the cached composition, placement (top-left, centred,
// stretched), transparency on and off, the parent's background and siblings under a
// transparent picture, auto-size, frame delays, looping and stopping, invisibility, the bitmap
// drawing lock, painting from a foreign thread, one OnStop when a stop meets the end of a run,
// and under stress: no deadlock between ticks and painting on the user-interface thread,
// properties changed while ticks run (no failure, events on the user-interface thread, every
// paint double-buffered), and no tick after an animator is destroyed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "../gif/GifTestSupport.h"
#include "GifAnimator.h"
#include "GifWinTestSupport.h"
#include "gif/GifCompose.h"

namespace vornada {
namespace {

using gif::test::Encode;
using gif::test::GifBytes;
using gif::test::MakeMap;
using gifwin_test::FixtureBytes;
using gifwin_test::LoadGif;
using testing::PixelsOf;
using testing::PumpMessages;
using testing::PumpUntil;
using testing::StagePanel;

constexpr gif::Color kRed = gif::MakeColor(255, 0, 0);
constexpr gif::Color kGreen = gif::MakeColor(0, 255, 0);
constexpr gif::Color kBlue = gif::MakeColor(0, 0, 255);
constexpr gif::Color kYellow = gif::MakeColor(255, 255, 0);
constexpr uint32_t kPanel = 0x1E140A;  // RGB(10, 20, 30), the stage panel's colour

// The animator with its protected operations opened for the tests, recording what it paints.
class TestAnimator : public TGifAnimator {
 public:
  using TGifAnimator::AdvanceFrame;
  using TGifAnimator::CanAutoSize;
  using TGifAnimator::ComposeFrame;
  using TGifAnimator::Timer;
  explicit TestAnimator(TComponent* owner) : TGifAnimator(owner) {}

  using TImageControl::Painting;

  std::mutex mutex;
  std::vector<int> painted;  // FrameIndex at every PaintImage
  HDC snapshot_target = nullptr;  // the device context a snapshot paints into, while it does
  int unbuffered_paints = 0;  // paints that drew straight into the snapshot's context
  // Animators numbered by a test: a paint of an animator whose number is below
  // `destroyed_below` happened after it was destroyed.
  int id = -1;
  DWORD slow_paint_ms = 0;
  static inline std::atomic<int> destroyed_below{0};
  static inline std::atomic<int> late_paints{0};
  struct ForeignPaint {
    DWORD thread;
    POINT origin;
    RECT clip;
  };
  std::vector<ForeignPaint> foreign_paints;

  // What the control paints, through its own WM_PAINT handling, into a bitmap of its size.
  std::vector<uint32_t> Snapshot() {
    win::ScopedGetDC screen(nullptr);
    win::UniqueMemoryDc dc(::CreateCompatibleDC(screen));
    win::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen, Width(), Height()));
    win::ScopedSelectObject select(dc.get(), bitmap.get());
    {
      std::lock_guard<std::mutex> lock(mutex);
      snapshot_target = dc.get();
    }
    Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc.get()), 0);
    {
      std::lock_guard<std::mutex> lock(mutex);
      snapshot_target = nullptr;
    }
    return PixelsOf(dc.get(), 0, 0, Width(), Height());
  }

  void WndProc(TMessage& m) override {
    if (m.Msg == WM_PAINT && m.WParam != 0 && ::GetCurrentThreadId() != MainThreadID() &&
        ::GetObjectType(reinterpret_cast<HDC>(m.WParam)) == OBJ_DC) {
      const HDC dc = reinterpret_cast<HDC>(m.WParam);
      ForeignPaint p{::GetCurrentThreadId(), {}, {}};
      ::GetViewportOrgEx(dc, &p.origin);
      ::GetClipBox(dc, &p.clip);
      std::lock_guard<std::mutex> lock(mutex);
      foreign_paints.push_back(p);
    }
    TGifAnimator::WndProc(m);
  }

 protected:
  void PaintImage() override {
    {
      std::lock_guard<std::mutex> lock(mutex);
      painted.push_back(FrameIndex());
      // A double-buffered paint draws into its own bitmap, never into the target it was given.
      if (snapshot_target != nullptr && Canvas().Handle() == snapshot_target) ++unbuffered_paints;
    }
    TGifAnimator::PaintImage();
    if (id >= 0) {
      ::Sleep(slow_paint_ms);  // a tick that takes its time
      if (id < destroyed_below.load()) ++late_paints;
    }
  }
};

std::unique_ptr<TestAnimator> NewAnimator(int left = 10, int top = 10) {
  auto animator = std::make_unique<TestAnimator>(nullptr);
  animator->SetParent(&StagePanel());
  animator->SetLeft(left);
  animator->SetTop(top);
  return animator;
}

// `count` frames of 2 x 2, each one colour of red, green, blue, yellow in turn, with the given
// delay fields (in 1/100 s).
std::vector<uint8_t> ColourFramesGif(const std::vector<uint16_t>& delays) {
  GifBytes gif;
  gif.Screen(2, 2, MakeMap({kRed, kGreen, kBlue, kYellow}));
  for (size_t i = 0; i < delays.size(); ++i) {
    const auto c = static_cast<uint8_t>(i % 4);
    gif.Control(delays[i], 1).Image(0, 0, 2, 2, Encode(8, 2, 2, {c, c, c, c}));
  }
  return gif.Trailer().Bytes();
}

// 4 x 2 frames of one colour index each (of red, green, blue, yellow), disposal 1, with the
// transparent index given per frame (-1: none).
std::vector<uint8_t> UniformGif(const std::vector<std::pair<uint8_t, int>>& frames) {
  GifBytes gif;
  gif.Screen(4, 2, MakeMap({kRed, kGreen, kBlue, kYellow}));
  for (const auto& [index, trans] : frames)
    gif.Control(0, 1, trans).Image(0, 0, 4, 2, Encode(8, 4, 2, std::vector<uint8_t>(8, index)));
  return gif.Trailer().Bytes();
}

// The portable composer's answer for `picture` (a separate core picture of the same bytes).
gif::ComposeOptions PortableOptions() {
  gif::ComposeOptions options;
  options.window_color = static_cast<gif::Color>(ColorToRGB(clWindow));
  return options;
}

// ---- composition -----------------------------------------------------------------------------

TEST(GifAnimatorCompose, EveryFrameOfEveryFixtureMatchesThePortableComposer) {
  std::vector<std::string> names = gifwin_test::ReadableCoreFixtures();
  names.push_back("window/strip50x8");
  names.push_back("window/spinner24");
  int compared = 0;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> bytes = FixtureBytes(name);
    std::unique_ptr<TestAnimator> animator = NewAnimator();
    std::unique_ptr<TGIFImage> image = LoadGif(bytes);
    animator->SetImage(image.get());
    gif::GifPicture core;
    core.Load(bytes, false);
    gif::Composition portable;
    const int count = animator->Image()->FrameCount();
    // In order (each composition advanced from the previous), then by jumps backwards.
    std::vector<int> order;
    for (int i = 0; i < count; ++i) order.push_back(i);
    for (int i = count - 1; i >= 0; i -= 2) order.push_back(i);
    for (const int index : order) {
      SCOPED_TRACE("frame " + std::to_string(index));
      ASSERT_TRUE(gif::ComposeFrame(core, index, portable, PortableOptions()));
      TColor key = 0;
      TBitmap* bitmap = animator->ComposeFrame(index, key);
      ASSERT_NE(bitmap, nullptr);
      ASSERT_EQ(bitmap->Width(), static_cast<int>(portable.width));
      ASSERT_EQ(bitmap->Height(), static_cast<int>(portable.height));
      EXPECT_EQ(key, portable.key == gif::clNone ? clNone : static_cast<TColor>(portable.key));
      const std::vector<uint32_t> got = PixelsOf(*bitmap);
      ASSERT_EQ(got, portable.pixels);
      ++compared;
    }
  }
  EXPECT_GT(compared, 150);
}

TEST(GifAnimatorCompose, NextFrameReusesTheCompositionUnlessDisposalThreeCameBefore) {
  // disposal.gif: frame 2 restores the previous screen (disposal 3).
  std::unique_ptr<TestAnimator> animator = NewAnimator();
  animator->SetImage(LoadGif(FixtureBytes("disposal")).get());
  TColor key;
  TBitmap* first = animator->ComposeFrame(0, key);
  EXPECT_EQ(animator->ComposeFrame(1, key), first) << "frame 1 advances the composition";
  EXPECT_EQ(animator->ComposeFrame(2, key), first);
  TBitmap* rebuilt = animator->ComposeFrame(3, key);
  // The cache was freed and made again; the new bitmap may reuse the old address, so the
  // rebuild shows in what was drawn: frame 2's blue row is gone again.
  gif::GifPicture core;
  core.Load(FixtureBytes("disposal"), false);
  gif::Composition portable;
  gif::ComposeFrame(core, 3, portable, PortableOptions());
  EXPECT_EQ(PixelsOf(*rebuilt), portable.pixels);
  EXPECT_NE(PixelsOf(*rebuilt)[0], kBlue) << "disposal 3 restored what frame 2 covered";
  // A jump back (not the next frame) rebuilds too.
  gif::Composition jumped;
  gif::ComposeFrame(core, 1, jumped, PortableOptions());
  EXPECT_EQ(PixelsOf(*animator->ComposeFrame(1, key)), jumped.pixels);
}

TEST(GifAnimatorCompose, IndexIsLimitedToTheFrameList) {
  std::unique_ptr<TestAnimator> animator = NewAnimator();
  TColor key = 0;
  EXPECT_EQ(animator->ComposeFrame(0, key), nullptr) << "no frames, no composition";
  EXPECT_EQ(key, clNone);
  animator->SetImage(LoadGif(ColourFramesGif({0, 0, 0})).get());
  EXPECT_EQ(PixelsOf(*animator->ComposeFrame(99, key))[0], kBlue) << "the last frame";
  EXPECT_EQ(PixelsOf(*animator->ComposeFrame(-5, key))[0], kRed) << "the first frame";
}

// ---- painting --------------------------------------------------------------------------------

// 4 x 2 frames: R G B Y / Y B G R, yellow transparent.
std::vector<uint8_t> KeyedGif(int frames = 1) {
  GifBytes gif;
  gif.Screen(4, 2, MakeMap({kRed, kGreen, kBlue, kYellow}));
  for (int i = 0; i < frames; ++i)
    gif.Control(0, 0, 3).Image(0, 0, 4, 2, Encode(8, 4, 2, {0, 1, 2, 3, 3, 2, 1, 0}));
  return gif.Trailer().Bytes();
}

TEST(GifAnimatorPaint, PlacementTopLeftCentredAndStretched) {
  struct Case {
    const char* what;
    bool center, stretch;
    int width, height;
    // Expected colour at a few points; the rest is the control's (the panel's) colour.
    std::vector<std::tuple<int, int, uint32_t>> points;
  };
  const uint32_t P = kPanel;
  const std::vector<Case> cases = {
      {"top-left", false, false, 10, 6, {{0, 0, kRed}, {3, 0, P}, {2, 1, kGreen}, {4, 0, P}, {0, 2, P}}},
      {"centred", true, false, 10, 6, {{3, 2, kRed}, {6, 3, kRed}, {5, 2, kBlue}, {2, 2, P}, {7, 3, P}}},
      {"centred in a smaller control (division towards zero)", true, false, 1, 1, {{0, 0, kGreen}}},
      {"stretched", false, true, 8, 4, {{0, 0, kRed}, {1, 1, kRed}, {2, 0, kGreen}, {6, 0, P}, {7, 3, kRed}}},
      {"stretched wins over centred", true, true, 8, 4, {{0, 0, kRed}, {1, 1, kRed}, {7, 3, kRed}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<TestAnimator> animator = NewAnimator();
    animator->SetAutoSize(false);
    animator->SetImage(LoadGif(KeyedGif()).get());
    animator->SetBounds(10, 10, c.width, c.height);
    animator->SetCenter(c.center);
    animator->SetStretch(c.stretch);
    const std::vector<uint32_t> got = animator->Snapshot();
    for (const auto& [x, y, want] : c.points)
      EXPECT_EQ(got[static_cast<size_t>(y * c.width + x)], want) << "at " << x << "," << y;
  }
}

TEST(GifAnimatorPaint, TransparentShowsWhatLiesBelowOpaqueShowsTheKeyColour) {
  // A sibling painted green before the animator, overlapping its left half.
  class Block : public TGraphicControl {
   public:
    using TGraphicControl::TGraphicControl;
    uint32_t colour = kGreen;
   protected:
    void Paint() override {
      Canvas().Brush().SetColor(static_cast<TColor>(colour));
      Canvas().FillRect(ClientRect());
    }
  };
  Block below(nullptr);
  below.SetParent(&StagePanel());
  below.SetBounds(100, 100, 2, 2);
  std::unique_ptr<TestAnimator> animator = NewAnimator(100, 100);
  Block above(nullptr);  // after the animator: not part of its background
  above.colour = kBlue;
  above.SetParent(&StagePanel());
  above.SetBounds(102, 100, 2, 2);
  animator->SetImage(LoadGif(KeyedGif(2)).get());
  ASSERT_EQ(animator->Width(), 4);
  const std::vector<uint32_t> keyed = animator->Snapshot();
  // R G B Y / Y B G R with Y left out: sibling green under x < 2, panel colour elsewhere.
  EXPECT_EQ(keyed, (std::vector<uint32_t>{kRed, kGreen, kBlue, kPanel, kGreen, kBlue, kGreen, kRed}));

  TColor key;
  animator->ComposeFrame(0, key);
  EXPECT_EQ(key, static_cast<TColor>(kYellow));
  // Switched off while the cached composition (made for keyed drawing) is advanced.
  animator->SetTransparent(false);
  animator->SetFrameIndex(1);
  const std::vector<uint32_t> opaque = {kRed, kGreen, kBlue, kYellow, kYellow, kBlue, kGreen, kRed};
  EXPECT_EQ(animator->Snapshot(), opaque) << "the key colour areas show";
  animator->SetFrameIndex(0);
  EXPECT_EQ(animator->Snapshot(), opaque);
  animator->SetTransparent(true);
  EXPECT_EQ(animator->Snapshot(), keyed);
}

TEST(GifAnimatorPaint, OnAFormTheFormsColourShowsUnderTheKeyColour) {
  TForm& form = testing::StageForm();
  form.SetColor(static_cast<TColor>(kGreen));
  auto animator = std::make_unique<TestAnimator>(nullptr);
  animator->SetParent(&form);
  animator->SetImage(LoadGif(KeyedGif()).get());
  EXPECT_EQ(animator->Snapshot(),
            (std::vector<uint32_t>{kRed, kGreen, kBlue, kGreen, kGreen, kBlue, kGreen, kRed}));
  std::thread painter([&] { animator->PaintNow(); });
  painter.join();
  EXPECT_EQ(animator->foreign_paints.size(), 1u);
}

TEST(GifAnimatorPaint, PaintNowFromAnotherThreadPaintsIntoTheParentWindow) {
  std::unique_ptr<TestAnimator> animator = NewAnimator(33, 44);
  animator->SetImage(LoadGif(KeyedGif()).get());
  std::thread painter([&] { animator->PaintNow(); });
  painter.join();
  std::lock_guard<std::mutex> lock(animator->mutex);
  ASSERT_EQ(animator->foreign_paints.size(), 1u);
  const auto& p = animator->foreign_paints[0];
  EXPECT_NE(p.thread, ::GetCurrentThreadId());
  EXPECT_EQ(p.origin.x, 33);
  EXPECT_EQ(p.origin.y, 44);
  EXPECT_EQ(p.clip.left, 0);
  EXPECT_EQ(p.clip.top, 0);
  EXPECT_EQ(p.clip.right, 4) << "clipped to the control";
  EXPECT_EQ(p.clip.bottom, 2);
  EXPECT_EQ(animator->painted.size(), 1u);
}

// ---- properties --------------------------------------------------------------------------------

TEST(GifAnimatorProperties, AutoSizeTakesTheLogicalScreen) {
  std::unique_ptr<TestAnimator> animator = NewAnimator();
  EXPECT_TRUE(animator->AutoSize());
  EXPECT_EQ(animator->Width(), 105) << "the size before any picture";
  animator->SetImage(LoadGif(FixtureBytes("window/strip50x8")).get());
  EXPECT_EQ(animator->Width(), 50);
  EXPECT_EQ(animator->Height(), 8);
  animator->SetImage(LoadGif(FixtureBytes("window/spinner24")).get());
  EXPECT_EQ(animator->Width(), 24);
  EXPECT_EQ(animator->Height(), 24);
  animator->SetAutoSize(false);
  animator->SetImage(LoadGif(FixtureBytes("window/strip50x8")).get());
  EXPECT_EQ(animator->Width(), 24) << "AutoSize off";
  animator->SetAutoSize(true);
  EXPECT_EQ(animator->Width(), 50);
  // Aligned controls take only the size along their free side.
  struct Case {
    TAlign align;
    int width, height;
  };
  for (const Case& c : {Case{TAlign::alNone, 50, 8}, Case{TAlign::alLeft, 50, 1},
                        Case{TAlign::alTop, 1, 8}, Case{TAlign::alClient, 1, 1}}) {
    animator->SetAlign(c.align);
    int width = 1, height = 1;
    EXPECT_TRUE(animator->CanAutoSize(width, height));
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
  }
  animator->SetAlign(TAlign::alNone);
  animator->SetBounds(10, 10, 50, 8);
  // While the window description is read the stored size stays.
  animator->SetComponentStateFlag(csLoading, true);
  animator->SetImage(LoadGif(FixtureBytes("window/spinner24")).get());
  animator->SetComponentStateFlag(csLoading, false);
  EXPECT_EQ(animator->Width(), 50);
}

TEST(GifAnimatorProperties, ImageIsCopiedAndItsChangeResetsTheFrame) {
  std::unique_ptr<TestAnimator> animator = NewAnimator();
  int changes = 0;
  animator->OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, animator.get());
    ++changes;
  };
  std::unique_ptr<TGIFImage> image = LoadGif(ColourFramesGif({30, 70, 0}));
  image->SetCurrentFrame(1);
  animator->SetImage(image.get());
  EXPECT_EQ(changes, 1);
  EXPECT_NE(animator->Image(), image.get());
  EXPECT_TRUE(animator->Image()->Equals(image.get())) << "a copy sharing the data";
  EXPECT_EQ(animator->FrameIndex(), 1) << "the picture's current frame";
  EXPECT_EQ(animator->Timer().Interval(), 700u);
  // The cached composition belongs to the old picture: a new picture starts afresh (frame 1
  // of the new one is transparent, so a stale composition would show through it).
  animator->SetImage(LoadGif(UniformGif({{0, -1}, {0, -1}})).get());
  TColor key;
  EXPECT_EQ(PixelsOf(*animator->ComposeFrame(0, key))[0], kRed);
  animator->SetImage(LoadGif(UniformGif({{2, -1}, {3, 3}})).get());
  EXPECT_EQ(animator->FrameIndex(), 0);
  EXPECT_EQ(PixelsOf(*animator->ComposeFrame(1, key)), std::vector<uint32_t>(8, kBlue));
  EXPECT_EQ(changes, 3);
}

TEST(GifAnimatorProperties, FrameDelaysAreLimitedAndOutOfRangeIndexesIgnored) {
  struct Case {
    uint16_t field;
    uint32_t interval;
  };
  const std::vector<Case> cases = {{0, 50},      {4, 50},       {5, 50},      {6, 60},
                                   {123, 1230},  {999, 9990},   {1000, 10000}, {1001, 10000},
                                   {6553, 10000}, {65535, 10000}};
  std::vector<uint16_t> fields;
  for (const Case& c : cases) fields.push_back(c.field);
  std::unique_ptr<TestAnimator> animator = NewAnimator();
  animator->SetImage(LoadGif(ColourFramesGif(fields)).get());
  std::vector<int> changed;
  animator->OnFrameChanged = [&](TObject*) { changed.push_back(animator->FrameIndex()); };
  EXPECT_EQ(animator->Timer().Interval(), 50u);
  for (size_t i = cases.size(); i-- > 0;) {
    animator->SetFrameIndex(static_cast<int>(i));
    EXPECT_EQ(animator->Timer().Interval(), cases[i].interval) << "delay field " << cases[i].field;
  }
  const size_t heard = changed.size();
  EXPECT_EQ(heard, cases.size());
  animator->SetFrameIndex(0);
  EXPECT_EQ(changed.size(), heard) << "setting the index it already has changes nothing";
  for (const int bad : {static_cast<int>(cases.size()), -1, 1000}) {
    animator->SetFrameIndex(bad);
    EXPECT_EQ(animator->FrameIndex(), 0);
  }
  EXPECT_EQ(changed.size(), heard);
}

TEST(GifAnimatorProperties, AsyncDrawingInstallsTheBitmapDrawingLockOnce) {
  std::unique_ptr<TestAnimator> first = NewAnimator();
  first->SetAsyncDrawing(true);
  EXPECT_FALSE(first->Timer().SyncEvent());
  const TBitmap::DrawWrapper installed = TBitmap::CurrentDrawWrapper();
  ASSERT_NE(installed, nullptr);
  // Someone else's wrapper in place: switching AsyncDrawing on again does not install ours.
  static const TBitmap::DrawWrapper other = [](TBitmap&, const std::function<void()>& draw) { draw(); };
  TBitmap::SetDrawWrapper(other);
  std::unique_ptr<TestAnimator> second = NewAnimator();
  second->SetAsyncDrawing(true);
  first->SetAsyncDrawing(false);
  EXPECT_TRUE(first->Timer().SyncEvent());
  first->SetAsyncDrawing(true);
  EXPECT_EQ(TBitmap::CurrentDrawWrapper(), other);
  TBitmap::SetDrawWrapper(installed);

  // The installed lock: drawing a bitmap waits while another thread holds its canvas.
  TBitmap bitmap;
  testing::MakeFilled32(bitmap, 2, 2, clRed);
  TBitmap target;
  testing::MakeFilled32(target, 2, 2, clBlack);
  std::atomic<bool> locked{false};
  std::thread holder([&] {
    ScopedCanvasLock lock(bitmap.Canvas());
    locked = true;
    ::Sleep(150);
  });
  while (!locked.load()) ::Sleep(1);
  const DWORD start = ::GetTickCount();
  target.Canvas().Draw(0, 0, &bitmap);
  const DWORD waited = ::GetTickCount() - start;
  holder.join();
  EXPECT_GE(waited, 100u);
  EXPECT_EQ(PixelsOf(target)[0], kRed);
}

// ---- animation -----------------------------------------------------------------------------------

TEST(GifAnimatorAnimate, OneFrameNeverStartsTheTimer) {
  std::unique_ptr<TestAnimator> animator = NewAnimator();
  animator->SetImage(LoadGif(ColourFramesGif({0})).get());
  int started = 0, frames = 0;
  animator->OnStart = [&](TObject*) { ++started; };
  animator->OnFrameChanged = [&](TObject*) { ++frames; };
  animator->SetAnimate(true);
  EXPECT_EQ(started, 1);
  EXPECT_TRUE(animator->Animate());
  EXPECT_EQ(animator->Timer().Interval(), 0u);
  EXPECT_FALSE(animator->Timer().ThreadRunning());
  PumpMessages(200);
  EXPECT_EQ(frames, 0);
  EXPECT_EQ(animator->FrameIndex(), 0);
}

TEST(GifAnimatorAnimate, WithoutLoopStopsAfterWrappingToTheFirstFrame) {
  for (const bool async : {false, true}) {
    SCOPED_TRACE(async ? "AsyncDrawing" : "ticks on the user-interface thread");
    std::unique_ptr<TestAnimator> animator = NewAnimator();
    animator->SetImage(LoadGif(ColourFramesGif({0, 0, 0})).get());
    animator->SetAsyncDrawing(async);
    animator->SetLoop(false);
    std::vector<int> frames;
    std::vector<DWORD> threads;
    int stops = 0;
    animator->OnFrameChanged = [&](TObject*) {
      frames.push_back(animator->FrameIndex());
      threads.push_back(::GetCurrentThreadId());
    };
    animator->OnStop = [&](TObject*) { ++stops; };
    animator->SetAnimate(true);
    PumpMessages(3000, [&] { return stops > 0; });
    ASSERT_EQ(stops, 1);
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 0}));
    for (DWORD t : threads) EXPECT_EQ(t, ::GetCurrentThreadId()) << "events on the user-interface thread";
    EXPECT_FALSE(animator->Animate());
    EXPECT_EQ(animator->FrameIndex(), 0);
    EXPECT_FALSE(animator->Timer().ThreadRunning());
    {
      std::lock_guard<std::mutex> lock(animator->mutex);
      ASSERT_FALSE(animator->painted.empty());
      EXPECT_EQ(animator->painted.back(), 0) << "frame 0 was painted before the stop";
      if (async) {
        EXPECT_FALSE(animator->foreign_paints.empty()) << "painted from the timer thread";
      }
    }
    PumpMessages(150);
    EXPECT_EQ(frames.size(), 3u) << "no ticks after the stop";
  }
}

TEST(GifAnimatorAnimate, StoppingWhileAWrappingTickHandsItsStopOverFiresOnStopOnce) {
  // AsyncDrawing without Loop: the tick that wraps to frame 0 hands the stop to this thread and
  // waits for it. This thread is busy meanwhile and then stops the animation itself, serving
  // the waiting stop while it waits for that tick.
  for (int iteration = 0; iteration < 4; ++iteration) {
    SCOPED_TRACE(iteration);
    std::unique_ptr<TestAnimator> animator = NewAnimator();
    animator->SetImage(LoadGif(ColourFramesGif({0, 0})).get());
    animator->SetAsyncDrawing(true);
    animator->SetLoop(false);
    int stops = 0;
    std::vector<DWORD> threads;
    animator->OnStop = [&](TObject*) {
      ++stops;
      threads.push_back(::GetCurrentThreadId());
    };
    animator->SetAnimate(true);
    ::Sleep(300);  // two ticks of 50 ms wrap to frame 0 long before
    EXPECT_EQ(animator->FrameIndex(), 0);
    animator->SetAnimate(false);
    PumpMessages(100);
    EXPECT_EQ(stops, 1);
    for (DWORD t : threads) EXPECT_EQ(t, ::GetCurrentThreadId());
    EXPECT_FALSE(animator->Animate());
    EXPECT_FALSE(animator->Timer().ThreadRunning());
  }
}

TEST(GifAnimatorAnimate, FramesFollowTheirOwnDelays) {
  // Frames of 50 and 300 ms, advanced on the timer thread: each frame's delay is set from
  // inside the tick that shows it and must govern the next wait.
  std::unique_ptr<TestAnimator> animator = NewAnimator();
  animator->SetImage(LoadGif(ColourFramesGif({5, 30})).get());
  animator->SetAsyncDrawing(true);
  std::mutex mutex;
  std::vector<std::pair<int, DWORD>> shown;  // frame index, time
  animator->OnFrameChanged = [&](TObject*) {
    std::lock_guard<std::mutex> lock(mutex);
    shown.emplace_back(animator->FrameIndex(), ::GetTickCount());
  };
  animator->SetAnimate(true);
  PumpMessages(4000, [&] {
    std::lock_guard<std::mutex> lock(mutex);
    return shown.size() >= 7;
  });
  animator->SetAnimate(false);
  std::lock_guard<std::mutex> lock(mutex);
  ASSERT_GE(shown.size(), 7u) << "the animation keeps going";
  for (size_t i = 1; i + 1 < shown.size(); ++i) {
    const DWORD gap = shown[i + 1].second - shown[i].second;
    if (shown[i].first == 1) {
      EXPECT_GE(gap, 270u) << "frame 1 stays 300 ms";
      EXPECT_LT(gap, 1200u);
    } else {
      EXPECT_LT(gap, 250u) << "frame 0 stays 50 ms";
    }
  }
}

TEST(GifAnimatorAnimate, AsyncDrawingKeepsPlayingWhileTheUserInterfaceThreadIsBusy) {
  for (const bool async : {true, false}) {
    SCOPED_TRACE(async ? "AsyncDrawing" : "ticks on the user-interface thread");
    std::unique_ptr<TestAnimator> animator = NewAnimator();
    animator->SetImage(LoadGif(ColourFramesGif({0, 0, 0, 0})).get());
    animator->SetAsyncDrawing(async);
    animator->SetAnimate(true);
    PumpMessages(30);
    size_t painted_before;
    {
      std::lock_guard<std::mutex> lock(animator->mutex);
      painted_before = animator->foreign_paints.size();
    }
    const int index_before = animator->FrameIndex();
    ::Sleep(400);  // busy: no messages served
    size_t painted_after;
    {
      std::lock_guard<std::mutex> lock(animator->mutex);
      painted_after = animator->foreign_paints.size();
    }
    if (async) {
      EXPECT_GE(painted_after, painted_before + 4) << "frames painted from the timer thread";
    } else {
      EXPECT_EQ(painted_after, painted_before);
      EXPECT_EQ(animator->FrameIndex(), index_before) << "ticks wait for this thread";
    }
    animator->SetAnimate(false);
  }
}

TEST(GifAnimatorAnimate, InvisibleAnimatorKeepsItsTimerButDoesNotAdvance) {
  std::unique_ptr<TestAnimator> animator = NewAnimator();
  animator->SetImage(LoadGif(ColourFramesGif({0, 0, 0})).get());
  animator->SetVisible(false);
  int frames = 0;
  animator->OnFrameChanged = [&](TObject*) { ++frames; };
  animator->SetAnimate(true);
  EXPECT_TRUE(animator->Timer().ThreadRunning());
  PumpMessages(300);
  EXPECT_EQ(frames, 0);
  EXPECT_EQ(animator->FrameIndex(), 0);
  animator->SetVisible(true);
  PumpMessages(2000, [&] { return frames >= 2; });
  EXPECT_GE(frames, 2);
}

// ---- stress ------------------------------------------------------------------------------------

TEST(GifAnimatorStress, TicksWaitingForTheUserInterfaceNeverDeadlockWithItsPainting) {
  // The animator animates on its timer thread; a second thread drives hundreds of extra ticks
  // back to back. Every tick hands OnFrameChanged to this thread and paints; this thread keeps
  // painting the animator (its canvas lock) and the handler changes a property (the state lock)
  // and repaints. A tick that held a lock while waiting for this thread would hang here.
  testing::Watchdog watchdog("ticks against painting", std::chrono::milliseconds(8000));
  std::unique_ptr<TestAnimator> animator = NewAnimator();
  animator->SetImage(LoadGif(FixtureBytes("window/spinner24")).get());
  animator->SetAsyncDrawing(true);
  std::atomic<int> heard{0};
  std::atomic<bool> wrong_thread{false};
  animator->OnFrameChanged = [&](TObject*) {
    if (::GetCurrentThreadId() != MainThreadID()) wrong_thread = true;
    ++heard;
    animator->SetStretch(!animator->Stretch());
  };
  animator->SetAnimate(true);
  constexpr int kExtraTicks = 500;
  std::atomic<int> driven{0};
  std::thread driver([&] {
    for (int i = 0; i < kExtraTicks; ++i) {
      animator->AdvanceFrame(nullptr);
      ++driven;
    }
  });
  while (driven.load() < kExtraTicks) {
    animator->Snapshot();
    Application()->ProcessMessages();
    watchdog.Kick();
  }
  driver.join();
  animator->SetAnimate(false);
  EXPECT_GE(heard.load(), kExtraTicks);
  EXPECT_FALSE(wrong_thread.load());
}

TEST(GifAnimatorStress, PropertiesChangedFromTheUserInterfaceWhileTicksRun) {
  // Ticks run back to back on a second thread while this thread changes every property the
  // ticks read (the picture and with it the frame count, the frame index, placement,
  // transparency, visibility, looping, the frame event) and paints the animator.
  testing::Watchdog watchdog("properties against ticks", std::chrono::milliseconds(8000));
  testing::ReportedFailures reported;
  std::unique_ptr<TestAnimator> animator = NewAnimator();
  const std::vector<uint8_t> three = ColourFramesGif({0, 0, 0});
  const std::vector<uint8_t> many = FixtureBytes("window/spinner24");
  animator->SetImage(LoadGif(many).get());
  animator->SetAsyncDrawing(true);
  std::atomic<int> heard{0};
  std::atomic<bool> wrong_thread{false};
  TNotifyEvent on_frame = [&](TObject*) {
    if (::GetCurrentThreadId() != MainThreadID()) wrong_thread = true;
    ++heard;
  };
  animator->OnFrameChanged = on_frame;
  animator->SetAnimate(true);
  std::atomic<bool> stop{false}, finished{false};
  std::atomic<int> ticks{0}, tick_failures{0};
  std::thread driver([&] {
    while (!stop) {
      try {
        animator->AdvanceFrame(nullptr);
      } catch (...) {
        ++tick_failures;
      }
      ++ticks;
    }
    finished = true;
  });
  std::mt19937 random(7);
  for (int step = 0; step < 400 || ticks < 400; ++step) {
    switch (random() % 9) {
      case 0: animator->SetImage(LoadGif(random() % 2 ? three : many).get()); break;
      case 1: animator->SetFrameIndex(static_cast<int>(random() % 50)); break;
      case 2: animator->SetCenter(!animator->Center()); break;
      case 3: animator->SetStretch(!animator->Stretch()); break;
      case 4: animator->SetTransparent(!animator->Transparent()); break;
      case 5: animator->SetVisible(!animator->Visible()); break;
      case 6: animator->OnFrameChanged = random() % 2 ? on_frame : TNotifyEvent(); break;
      case 7: animator->SetBounds(10 + static_cast<int>(random() % 5), 10, 24, 24); break;
      default: animator->Snapshot(); break;
    }
    Application()->ProcessMessages();
    watchdog.Kick();
  }
  stop = true;
  // The driver may be waiting for this thread to serve an event it handed over.
  PumpMessages(5000, [&] { return finished.load(); });
  driver.join();
  animator->SetAnimate(false);
  EXPECT_GT(heard.load(), 0);
  EXPECT_FALSE(wrong_thread.load()) << "OnFrameChanged off the user-interface thread";
  EXPECT_EQ(tick_failures.load(), 0);
  for (const std::string& message : reported.Messages()) ADD_FAILURE() << "a tick failed: " << message;
  EXPECT_EQ(animator->unbuffered_paints, 0) << "paints that went straight to their target";
  EXPECT_FALSE(animator->Painting()) << "this thread is not painting";
}

TEST(GifAnimatorStress, ChangeHandlerStoppingTheAnimationWhileATickWaits) {
  // A tick hands OnFrameChanged to this thread and waits; meanwhile this thread assigns a new
  // picture and the OnChange handler stops the animation, which waits for that tick. The tick
  // must not need the state lock that the assignment held.
  testing::Watchdog watchdog("stopping from OnChange", std::chrono::milliseconds(8000));
  std::unique_ptr<TestAnimator> animator = NewAnimator();
  const std::vector<uint8_t> bytes = ColourFramesGif({0, 0, 0});
  animator->SetImage(LoadGif(bytes).get());
  animator->SetAsyncDrawing(true);
  int frames = 0, stops = 0;
  animator->OnFrameChanged = [&](TObject*) { ++frames; };
  animator->OnChange = [&](TObject*) { animator->SetAnimate(false); };
  animator->OnStop = [&](TObject*) { ++stops; };
  for (int iteration = 0; iteration < 15; ++iteration) {
    animator->SetAnimate(true);
    PumpMessages(20);
    ::Sleep(70);  // a tick is now waiting for this thread
    animator->SetImage(LoadGif(bytes).get());
    EXPECT_FALSE(animator->Animate());
    watchdog.Kick();
  }
  EXPECT_EQ(stops, 15);
  EXPECT_GT(frames, 10);
}

TEST(GifAnimatorStress, DestroyingAnimatingAnimatorsLeavesNoTickBehind) {
  testing::Watchdog watchdog("destroying animators", std::chrono::milliseconds(8000));
  std::atomic<int> heard{0};
  const std::vector<uint8_t> bytes = ColourFramesGif({0, 0, 0, 0});
  TestAnimator::destroyed_below = 0;
  TestAnimator::late_paints = 0;
  for (int iteration = 0; iteration < 30; ++iteration) {
    auto animator = std::make_unique<TestAnimator>(&StagePanel());
    animator->id = iteration;
    animator->slow_paint_ms = iteration % 2 == 0 ? 20 : 2;
    animator->SetParent(&StagePanel());
    animator->SetImage(LoadGif(bytes).get());
    animator->SetAsyncDrawing(iteration % 2 == 0);
    animator->OnFrameChanged = [&](TObject*) { ++heard; };
    animator->SetAnimate(true);
    // Destroyed at varying moments after its first frame, often while a tick runs: the delays
    // count from that frame, so that a busy machine cannot leave an animator unticked.
    const int before = heard.load();
    PumpUntil([&] { return heard.load() > before; }, 2000);
    PumpMessages((iteration * 7) % 60);
    animator.reset();
    TestAnimator::destroyed_below = iteration + 1;
    PumpMessages(5);
    watchdog.Kick();
  }
  ::Sleep(60);
  PumpMessages(20);
  EXPECT_EQ(TestAnimator::late_paints.load(), 0) << "paints after an animator was destroyed";
  EXPECT_GE(heard.load(), 30) << "every animator did animate";
}

}  // namespace
}  // namespace vornada
