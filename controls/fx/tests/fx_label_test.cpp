// The effect label under Wine: defaults, the text styles drawn copy by copy (compared with the
// same text drawn by the platform at the places and in the colours the rules give), sizing,
// the synchronous repaint of a caption change, the colour rules (font, loading, hover, blink),
// the shared blinking list with its timing and messages, angles and rotation, frames and the
// frame controller.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>

#include "FxLabel.h"
#include "FxTestSupport.h"
#include "Text.h"

namespace vornada {
namespace {

using testing::ReferencePicture;
using testing::Rendering;
using testing::Rgb;

constexpr COLORREF kInk = RGB(0, 0, 0), kPaper = RGB(255, 255, 255), kShadow = RGB(200, 0, 0),
                   kHighlight = RGB(0, 0, 200);

std::unique_ptr<TFxLabel> NewLabel() {
  auto label = std::make_unique<TFxLabel>(nullptr);
  label->SetParent(&testing::StagePanel());
  label->Font().SetName(L"MS Sans Serif");
  label->Font().SetHeight(-13);
  label->Font().SetColor(clBlack);
  label->SetColor(clWhite);
  label->SetShadowColor(static_cast<TColor>(kShadow));
  label->SetHighlightColor(static_cast<TColor>(kHighlight));
  return label;
}

// A label of fixed size with its text rectangle at (3, 3, 57, 21).
std::unique_ptr<TFxLabel> FixedLabel(const std::wstring& caption) {
  auto label = NewLabel();
  label->SetAutoSize(false);
  label->SetBounds(10, 10, 60, 24);
  label->SetTextMargin(3);
  label->SetCaption(caption);
  return label;
}

TEST(FxLabelDefaults, AsANewLabelHasThem) {
  TFxLabel label(nullptr);
  EXPECT_EQ(label.TextStyle(), TTextStyle::tsNormal);
  EXPECT_FALSE(label.LightTextStyle());
  EXPECT_EQ(label.HighlightColor(), clBtnHighlight);
  EXPECT_EQ(label.ShadowColor(), clBtnShadow);
  EXPECT_EQ(label.ShadowDepth(), 2);
  EXPECT_EQ(label.TextMargin(), 0);
  EXPECT_EQ(label.Layout(), TTextLayout::tlTop);
  EXPECT_EQ(label.CondenseCaption(), TFxCondenseCaption::ccNone);
  EXPECT_EQ(label.Rotation(), TRotation::roNone);
  EXPECT_EQ(label.Angle(), 0);
  EXPECT_EQ(label.CenterPoint(), TCenterPoint::cpCenter);
  EXPECT_FALSE(label.Blinking());
  EXPECT_EQ(label.BlinkColor(), clHighlight);
  EXPECT_EQ(label.BlinkIntervalOn(), 500);
  EXPECT_EQ(label.BlinkIntervalOff(), 500);
  EXPECT_FALSE(label.FlyByEnabled());
  EXPECT_EQ(label.FlyByColor(), clHighlight);
  EXPECT_EQ(label.BorderOuter(), TFrameStyleEx::fsNone);
  EXPECT_EQ(label.BorderInner(), TFrameStyleEx::fsNone);
  EXPECT_EQ(label.BorderSides(), TSides::All());
  EXPECT_EQ(label.BorderWidth(), 0);
  EXPECT_EQ(label.BevelWidth(), 1);
  EXPECT_EQ(label.BorderColor(), clBtnFace);
  EXPECT_EQ(label.BorderHighlight(), clBtnHighlight);
  EXPECT_EQ(label.BorderShadow(), clBtnShadow);
  EXPECT_EQ(label.FlatColor(), clBtnShadow);
  EXPECT_EQ(label.FlatColorAdjustment(), 30);
  EXPECT_EQ(label.FrameController(), nullptr);
  EXPECT_EQ(label.FrameControllerNotifications(), kAllFrameControllerNotifications);
  EXPECT_EQ(label.Color(), clBtnFace);
  EXPECT_TRUE(label.ParentColor());
  EXPECT_TRUE(label.ParentFont());
  EXPECT_FALSE(label.Transparent());
  EXPECT_TRUE(label.AutoSize());
  EXPECT_TRUE(label.ShowAccelChar());
  EXPECT_FALSE(label.WordWrap());
  EXPECT_EQ(label.Alignment(), TAlignment::taLeftJustify);
  EXPECT_EQ(label.CurrentColor(), label.Font().Color());
}

// ---- text styles -----------------------------------------------------------------------------

struct StyleCase {
  TTextStyle style;
  bool light;
  bool enabled;
  // The copies as the rules give them: (dx, dy, colour).
  std::vector<std::tuple<int, int, COLORREF>> copies;
};
class FxLabelStyles : public ::testing::TestWithParam<StyleCase> {};
TEST_P(FxLabelStyles, CopiesAtTheirOffsetsInTheirColours) {
  auto label = FixedLabel(L"Ab&c");
  label->SetTextStyle(GetParam().style);
  label->SetLightTextStyle(GetParam().light);
  label->SetShadowDepth(3);
  label->SetEnabled(GetParam().enabled);
  ReferencePicture want(60, 24, kPaper);
  for (auto [dx, dy, color] : GetParam().copies)
    want.Text(label->Font(), L"Ab&c", {3 + dx, 3 + dy, 57 + dx, 21 + dy}, DT_LEFT | DT_EXPANDTABS, color);
  const Rendering got = testing::RenderControl(*label);
  EXPECT_EQ(testing::Differences(got, want.Pixels()), "");
}
const COLORREF kGrey = ::GetSysColor(COLOR_GRAYTEXT);
INSTANTIATE_TEST_SUITE_P(
    Styles, FxLabelStyles,
    ::testing::Values(
        StyleCase{TTextStyle::tsNormal, false, true, {{0, 0, kInk}}},
        StyleCase{TTextStyle::tsRaised, false, true, {{1, 1, kShadow}, {-1, -1, kHighlight}, {0, 0, kInk}}},
        StyleCase{TTextStyle::tsRaised, true, true, {{-1, -1, kHighlight}, {0, 0, kInk}}},
        StyleCase{TTextStyle::tsRecessed, false, true, {{1, 1, kHighlight}, {-1, -1, kShadow}, {0, 0, kInk}}},
        StyleCase{TTextStyle::tsRecessed, true, true, {{1, 1, kHighlight}, {0, 0, kInk}}},
        StyleCase{TTextStyle::tsShadow, false, true, {{3, 3, kShadow}, {0, 0, kInk}}},
        // Disabled: the caption once in grey, whatever the style.
        StyleCase{TTextStyle::tsRaised, false, false, {{0, 0, kGrey}}},
        StyleCase{TTextStyle::tsShadow, false, false, {{0, 0, kGrey}}}));

TEST(FxLabelShadow, RightAlignedMovesTheTextLeftAndKeepsTheShadowInPlace) {
  auto normal = FixedLabel(L"Right");
  normal->SetAlignment(TAlignment::taRightJustify);
  auto shadow = FixedLabel(L"Right");
  shadow->SetAlignment(TAlignment::taRightJustify);
  shadow->SetTextStyle(TTextStyle::tsShadow);
  // The normal label's text is where DrawText puts it right-aligned in (3, 3, 57, 21).
  ReferencePicture plain(60, 24, kPaper);
  plain.Text(normal->Font(), L"Right", {3, 3, 57, 21}, DT_RIGHT | DT_EXPANDTABS, kInk);
  EXPECT_EQ(testing::Differences(testing::RenderControl(*normal), plain.Pixels()), "");
  // The shadow label: its shadow exactly at the normal place two pixels down, its text two
  // pixels left of the normal place.
  ReferencePicture want(60, 24, kPaper);
  want.Text(shadow->Font(), L"Right", {3, 5, 57, 23}, DT_RIGHT | DT_EXPANDTABS, kShadow);
  want.Text(shadow->Font(), L"Right", {1, 3, 55, 21}, DT_RIGHT | DT_EXPANDTABS, kInk);
  EXPECT_EQ(testing::Differences(testing::RenderControl(*shadow), want.Pixels()), "");
  // Bottom layout moves shadow and text up by the depth.
  shadow->SetLayout(TTextLayout::tlBottom);
  const int h = testing::MeasureText(shadow->Font(), L"Right").cy;
  const int dy = 18 - h - 2;
  ReferencePicture bottom(60, 24, kPaper);
  bottom.Text(shadow->Font(), L"Right", {3, 3 + dy + 2, 57, 21 + dy + 2}, DT_RIGHT | DT_EXPANDTABS, kShadow);
  bottom.Text(shadow->Font(), L"Right", {1, 3 + dy, 55, 21 + dy}, DT_RIGHT | DT_EXPANDTABS, kInk);
  EXPECT_EQ(testing::Differences(testing::RenderControl(*shadow), bottom.Pixels()), "");
}

TEST(FxLabelText, CentredLayoutCondensedCaptionAndNoAccelMarks) {
  auto label = FixedLabel(L"A rather long caption here");
  label->SetLayout(TTextLayout::tlCenter);
  label->SetCondenseCaption(TFxCondenseCaption::ccAtEnd);
  label->SetShowAccelChar(false);
  const int h = testing::MeasureText(label->Font(), L"A rather long caption here").cy;
  const int dy = (18 - h) / 2;
  ReferencePicture want(60, 24, kPaper);
  want.Text(label->Font(), L"A rather long caption here", {3, 3 + dy, 57, 21 + dy},
            DT_LEFT | DT_EXPANDTABS | DT_END_ELLIPSIS | DT_NOPREFIX, kInk);
  EXPECT_EQ(testing::Differences(testing::RenderControl(*label), want.Pixels()), "");
  // Condensing turns sizing off.
  auto sized = NewLabel();
  ASSERT_TRUE(sized->AutoSize());
  sized->SetCondenseCaption(TFxCondenseCaption::ccWithinPath);
  EXPECT_FALSE(sized->AutoSize());
}

TEST(FxLabelText, TransparentLabelsLeaveTheBackground) {
  auto label = FixedLabel(L"See");
  label->SetTransparent(true);
  ReferencePicture want(60, 24, RGB(7, 8, 9));
  want.Text(label->Font(), L"See", {3, 3, 57, 21}, DT_LEFT | DT_EXPANDTABS, kInk);
  EXPECT_EQ(testing::Differences(testing::RenderControl(*label, RGB(7, 8, 9)), want.Pixels()), "");
}

// ---- sizing ----------------------------------------------------------------------------------

TEST(FxLabelSize, AnEmptyCaptionIsOneBlankWideAndOneLineHigh) {
  auto lang = NewLabel();
  lang->SetBounds(320, 37, 3, 16);
  lang->SetCaption(L"eng");
  lang->SetCaption(L"");
  const SIZE blank = testing::TextExtentOf(lang->Font(), L" ");
  EXPECT_EQ(lang->Width(), blank.cx);
  EXPECT_EQ(lang->Height(), blank.cy);
  EXPECT_EQ(lang->Height(), testing::TextExtentOf(lang->Font(), L"eng").cy);
  // The window's indicator: 3 pixels wide in its 13-pixel sans-serif font.
  EXPECT_EQ(lang->Width(), 3);
}

TEST(FxLabelSize, ACaptionWithACarriageReturnIsTwoLines) {
  auto title = NewLabel();
  title->Font().SetName(L"Tahoma");
  title->Font().SetHeight(-11);
  title->Font().SetStyle(fsBold);
  title->Font().SetCharset(RUSSIAN_CHARSET);
  const std::wstring first = win::WideString(Utf16FromUtf8("Редактор"));
  const std::wstring second = win::WideString(Utf16FromUtf8("hosts файла"));
  title->SetCaption(first + L"\r" + second);
  const SIZE a = testing::TextExtentOf(title->Font(), first), b = testing::TextExtentOf(title->Font(), second);
  EXPECT_EQ(title->Width(), std::max(a.cx, b.cx));
  EXPECT_EQ(title->Height(), a.cy + b.cy);
  // And it draws the two lines.
  ReferencePicture want(title->Width(), title->Height(), kPaper);
  want.Text(title->Font(), first, {0, 0, title->Width(), a.cy}, DT_LEFT, kInk);
  want.Text(title->Font(), second, {0, a.cy, title->Width(), title->Height()}, DT_LEFT, kInk);
  EXPECT_EQ(testing::Differences(testing::RenderControl(*title), want.Pixels()), "");
}

TEST(FxLabelSize, EdgesKeptByAlignmentAndRoomForEffectsAndFrames) {
  auto label = NewLabel();
  label->SetBounds(200, 10, 10, 10);
  label->SetAlignment(TAlignment::taRightJustify);
  label->SetCaption(L"Grow");
  const int right = label->Left() + label->Width();
  label->SetCaption(L"Grow a lot more");
  EXPECT_EQ(label->Left() + label->Width(), right);
  label->SetCaption(L"G");
  EXPECT_EQ(label->Left() + label->Width(), right);
  auto left = NewLabel();
  left->SetBounds(50, 10, 10, 10);
  left->SetCaption(L"Grow a lot more");
  EXPECT_EQ(left->Left(), 50);
  // A drop shadow, a margin and frames are added to the caption's size.
  const SIZE text = testing::TextExtentOf(left->Font(), L"Grow a lot more");
  left->SetTextStyle(TTextStyle::tsShadow);
  left->SetTextMargin(2);
  left->SetBorderOuter(TFrameStyleEx::fsRaised);  // re-sizes: 2 per side
  left->SetBorderWidth(1);
  EXPECT_EQ(left->Width(), text.cx + 2 + 4 + 4 + 2);
  EXPECT_EQ(left->Height(), text.cy + 2 + 4 + 4 + 2);
}

TEST(FxLabelSize, AWordWrappedLabelKeepsItsSizeWhenSizedAgain) {
  auto label = NewLabel();
  label->SetAutoSize(false);
  label->SetBounds(0, 0, 80, 10);
  label->SetWordWrap(true);
  label->SetTextStyle(TTextStyle::tsShadow);
  label->SetTextMargin(3);
  label->SetCaption(L"several words that wrap onto lines");
  label->SetAutoSize(true);
  const int width = label->Width(), height = label->Height();
  // Measured at 80 less the shadow (2) and the margins (2 x 3): the widest line plus those 8.
  const SIZE wrapped = [&] {
    win::ScopedGetDC screen(nullptr);
    win::ScopedSelectObject select(screen, label->Font().Handle());
    RECT r{0, 0, 72, 0};
    ::DrawTextW(screen, L"several words that wrap onto lines", -1, &r, DT_CALCRECT | DT_WORDBREAK);
    return SIZE{r.right, r.bottom};
  }();
  EXPECT_EQ(width, wrapped.cx + 8);
  EXPECT_EQ(height, wrapped.cy + 8);
  // Each font change sizes the label again; its size stays.
  for (TColor c : {clRed, clBlue, clGreen}) label->Font().SetColor(c);
  EXPECT_EQ(label->Width(), width);
  EXPECT_EQ(label->Height(), height);
}

// ---- caption changes -------------------------------------------------------------------------

class CountingLabel : public TFxLabel {
 public:
  using TFxLabel::TFxLabel;
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    TFxLabel::Paint();
  }
};

TEST(FxLabelCaption, AChangeIsOnTheScreenBeforeTheSetterReturns) {
  auto label = std::make_unique<CountingLabel>(nullptr);
  label->SetParent(&testing::StagePanel());
  label->SetBounds(20, 20, 10, 10);
  label->Font().SetColor(clYellow);
  testing::PumpMessages(20);
  const int before = label->paints;
  label->SetCaption(L"Done!");
  EXPECT_EQ(label->paints, before + 1);
  // Read back from the window without letting any message run: the new text is there.
  const Rendering screen = [&] {
    win::ScopedGetDC dc(testing::StagePanel().Handle());
    Rendering r;
    r.width = label->Width();
    r.height = label->Height();
    r.pixels = testing::PixelsOf(dc, label->Left(), label->Top(), r.width, r.height);
    return r;
  }();
  EXPECT_GT(testing::CountColor(screen, RGB(255, 255, 0)), 5);
  // The same text again: nothing.
  label->SetCaption(L"Done!");
  EXPECT_EQ(label->paints, before + 1);
}

// ---- colours ---------------------------------------------------------------------------------

TEST(FxLabelColours, TheCurrentColourFollowsTheFontUnlessBlinkingOrLoading) {
  auto label = NewLabel();
  label->Font().SetColor(clRed);
  EXPECT_EQ(label->CurrentColor(), clRed);
  EXPECT_EQ(label->FontColor(), clRed);
  label->SetBlinking(true);
  label->Font().SetColor(clBlue);
  EXPECT_EQ(label->CurrentColor(), clRed);
  EXPECT_EQ(label->FontColor(), clRed);
  label->SetBlinking(false);
  label->Font().SetColor(clLime);
  EXPECT_EQ(label->CurrentColor(), clLime);
  auto loaded = NewLabel();
  testing::LoadAsDesigned(*loaded, [&] {
    loaded->Font().SetColor(46641);
    EXPECT_NE(loaded->CurrentColor(), 46641);
  });
  EXPECT_EQ(loaded->CurrentColor(), 46641);
  EXPECT_EQ(loaded->FontColor(), 46641);
  // The caption is drawn in the current colour.
  loaded->SetCaption(L"Ok");
  EXPECT_GT(testing::CountColor(testing::RenderControl(*loaded), MakeRgb(49, 182, 0)), 3);
}

TEST(FxLabelColours, FlyByColourWhileThePointerIsOver) {
  auto label = NewLabel();
  label->SetBounds(60, 60, 10, 10);
  label->SetCaption(L"Hover me");
  label->Font().SetColor(clBlack);
  label->SetFlyByColor(clRed);
  label->SetFlyByEnabled(true);
  TColor colour_at_enter = clNone;
  int leaves = 0;
  label->OnMouseEnter = [&](TObject*) { colour_at_enter = label->Font().Color(); };
  label->OnMouseLeave = [&](TObject*) { ++leaves; };
  HWND panel = testing::StagePanel().Handle();
  testing::MoveRealPointer(panel, 300, 250);
  testing::MoveRealPointer(panel, 65, 65);
  ASSERT_TRUE(testing::PumpUntil([&] { return colour_at_enter != clNone; }, 2000));
  EXPECT_EQ(colour_at_enter, clRed);  // the hover colour is set before OnMouseEnter
  EXPECT_EQ(label->CurrentColor(), clRed);
  testing::MoveRealPointer(panel, 300, 250);
  ASSERT_TRUE(testing::PumpUntil([&] { return leaves == 1; }, 2000));
  EXPECT_EQ(label->Font().Color(), clBlack);
  EXPECT_EQ(label->CurrentColor(), clBlack);
  // Turning the hover colour off while it is not showing leaves the font colour alone.
  label->Font().SetColor(clBlue);
  label->SetFlyByEnabled(false);
  EXPECT_EQ(label->Font().Color(), clBlue);
  // Turning it off while it shows takes it back.
  label->SetFlyByEnabled(true);
  testing::MoveRealPointer(panel, 65, 65);
  ASSERT_TRUE(testing::PumpUntil([&] { return label->Font().Color() == clRed; }, 2000));
  label->SetFlyByEnabled(false);
  EXPECT_EQ(label->Font().Color(), clBlue);
  testing::MoveRealPointer(panel, 300, 250);
}

// ---- blinking --------------------------------------------------------------------------------

class BlinkLog : public TFxLabel {
 public:
  using TFxLabel::TFxLabel;
  struct Entry {
    UINT msg;
    WPARAM phase;
    double ms;
  };
  std::vector<Entry> log;
  std::chrono::steady_clock::time_point start;
  void WndProc(TMessage& m) override {
    if (m.Msg == kFxBlinkQueryMessage || m.Msg == kFxBlinkPhaseMessage)
      log.push_back({m.Msg, m.WParam,
                     std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count()});
    TFxLabel::WndProc(m);
  }
  std::vector<Entry> Phases() const {
    std::vector<Entry> out;
    for (const auto& e : log)
      if (e.msg == kFxBlinkPhaseMessage) out.push_back(e);
    return out;
  }
};

TEST(FxLabelBlinking, TheSharedListLivesWithTheLabels) {
  ASSERT_EQ(TFxBlinkingControlsList::Instance(), nullptr) << "a label of another test is alive";
  {
    TFxLabel a(nullptr), b(nullptr);
    auto* list = TFxBlinkingControlsList::Instance();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Count(), 2);
    EXPECT_FALSE(list->Timer().Enabled()) << "no label blinks";
    EXPECT_EQ(list->Timer().Interval(), 500u);
    a.SetBlinkIntervalOn(120);
    EXPECT_EQ(b.BlinkIntervalOn(), 120);  // shared by every label
  }
  EXPECT_EQ(TFxBlinkingControlsList::Instance(), nullptr);
  // A new list starts from the defaults again.
  TFxLabel c(nullptr);
  EXPECT_EQ(c.BlinkIntervalOn(), 500);
}

TEST(FxLabelBlinking, PhasesFollowTheTimerAndOnlyBlinkingLabelsHearThem) {
  ASSERT_EQ(TFxBlinkingControlsList::Instance(), nullptr) << "a label of another test is alive";
  const auto start = std::chrono::steady_clock::now();
  auto blinking = std::make_unique<BlinkLog>(nullptr);
  auto still = std::make_unique<BlinkLog>(nullptr);
  blinking->start = still->start = start;
  for (BlinkLog* l : {blinking.get(), still.get()}) {
    l->SetParent(&testing::StagePanel());
    l->SetCaption(L"Blink");
    l->Font().SetColor(clBlack);
    l->SetBlinkColor(clRed);
  }
  blinking->SetBlinking(true);
  // The first tick still comes after the interval the list was made with (500 ms); the new
  // lengths apply from then on.
  blinking->SetBlinkIntervalOff(60);
  blinking->SetBlinkIntervalOn(100);
  ASSERT_TRUE(testing::PumpUntil([&] { return blinking->Phases().size() >= 3; }, 3000));
  const auto phases = blinking->Phases();
  EXPECT_EQ(phases[0].phase, 0u);  // the normal phase first
  EXPECT_EQ(phases[1].phase, 1u);
  EXPECT_EQ(phases[2].phase, 0u);
  EXPECT_GE(phases[0].ms, 470);
  EXPECT_LT(phases[0].ms, 1500);
  EXPECT_GE(phases[1].ms - phases[0].ms, 45);   // the normal phase lasts IntervalOff
  EXPECT_LT(phases[1].ms - phases[0].ms, 400);
  EXPECT_GE(phases[2].ms - phases[1].ms, 85);   // the blink phase lasts IntervalOn
  EXPECT_LT(phases[2].ms - phases[1].ms, 500);
  // The other label was asked each time but never told a phase.
  EXPECT_TRUE(still->Phases().empty());
  int queries = 0;
  for (const auto& e : still->log) queries += e.msg == kFxBlinkQueryMessage;
  EXPECT_GE(queries, 3);
  // In the blink phase the caption is the blink colour, in the normal phase the font colour.
  ASSERT_TRUE(testing::PumpUntil([&] { return TFxBlinkingControlsList::Instance()->InBlinkPhase(); }, 2000));
  EXPECT_EQ(blinking->CurrentColor(), clRed);
  EXPECT_EQ(still->CurrentColor(), clBlack);
  // Blinking off: the normal colour at once, painted.
  blinking->SetBlinking(false);
  EXPECT_EQ(blinking->CurrentColor(), clBlack);
}

// The blink timer runs only while a label blinks, and the phases keep the rhythm that starts
// when the list is made: changes every 500 ms, the first into the normal phase, so the blink
// phase begins 1000, 2000, ... ms after the first label was made.
TEST(FxLabelBlinking, TheTimerRunsOnlyWhileALabelBlinksAndThePhasesKeepTheirRhythm) {
  ASSERT_EQ(TFxBlinkingControlsList::Instance(), nullptr) << "a label of another test is alive";
  testing::PumpMessages(20);
  const auto start = std::chrono::steady_clock::now();
  auto label = std::make_unique<BlinkLog>(nullptr);
  label->start = start;
  label->SetParent(&testing::StagePanel());
  label->SetCaption(L"Blink");
  label->Font().SetColor(clBlack);
  label->SetBlinkColor(clRed);
  EXPECT_EQ(testing::PumpCountingTimerMessages(700), 0) << "no label blinks yet";
  label->SetBlinking(true);
  ASSERT_TRUE(testing::PumpUntil([&] { return label->Phases().size() >= 2; }, 3000));
  auto phases = label->Phases();
  EXPECT_EQ(phases[0].phase, 1u) << "the change at 1000 ms enters the blink phase";
  EXPECT_GE(phases[0].ms, 950);
  EXPECT_LT(phases[0].ms, 1400);
  EXPECT_EQ(phases[1].phase, 0u);
  EXPECT_GE(phases[1].ms - phases[0].ms, 450);
  EXPECT_LT(phases[1].ms - phases[0].ms, 900);
  EXPECT_EQ(label->CurrentColor(), clBlack);
  // Stopped: the normal colour, and no timer any more.
  ASSERT_TRUE(testing::PumpUntil([&] { return label->Phases().size() >= 3; }, 2000));
  EXPECT_EQ(label->CurrentColor(), clRed);
  label->SetBlinking(false);
  EXPECT_EQ(label->CurrentColor(), clBlack);
  EXPECT_EQ(testing::PumpCountingTimerMessages(700), 0) << "blinking stopped";
  // Started again: it blinks on, in phases that still change on the 500 ms rhythm.
  const size_t told = label->Phases().size();
  label->SetBlinking(true);
  ASSERT_TRUE(testing::PumpUntil([&] { return label->Phases().size() >= told + 2; }, 3000));
  phases = label->Phases();
  for (size_t i = told; i < told + 2; ++i) {
    const double since_change = std::fmod(phases[i].ms, 500.0);
    EXPECT_TRUE(since_change < 150 || since_change > 480) << "phase change at " << phases[i].ms;
    EXPECT_EQ(phases[i].phase, static_cast<WPARAM>(static_cast<int>((phases[i].ms + 100) / 500) % 2 == 0))
        << "blink phase on even multiples of 500 ms, at " << phases[i].ms;
  }
}

TEST(FxLabelBlinking, ALabelFreedByItsOwnPhaseTakesTheListWithIt) {
  ASSERT_EQ(TFxBlinkingControlsList::Instance(), nullptr) << "a label of another test is alive";
  class SelfFreeing : public TFxLabel {
   public:
    using TFxLabel::TFxLabel;
    void ApplyBlinkPhase(bool) override { delete this; }
  };
  auto* label = new SelfFreeing(nullptr);
  label->SetBlinking(true);
  // The first tick tells it the normal phase; it goes, the last label, and the list after it.
  EXPECT_TRUE(testing::PumpUntil([] { return TFxBlinkingControlsList::Instance() == nullptr; }, 3000));
  TFxLabel next(nullptr);
  EXPECT_NE(TFxBlinkingControlsList::Instance(), nullptr);
}

// ---- angles and rotation ---------------------------------------------------------------------

TEST(FxLabelAngle, NormalisedAndSwitchingToATurnableFont) {
  auto label = NewLabel();
  ASSERT_FALSE(IsTrueTypeFont(label->Font()));  // MS Sans Serif is a bitmap font
  label->SetAngle(-90);
  EXPECT_EQ(label->Angle(), 270);
  EXPECT_EQ(label->Rotation(), TRotation::roFlat);
  EXPECT_EQ(label->Font().Name(), L"Verdana");
  label->SetAngle(450);
  EXPECT_EQ(label->Angle(), 90);
  // roFlat and roNone reset the angle; roCurve keeps it and the pivot.
  label->SetRotation(TRotation::roCurve);
  label->SetAngle(30);
  label->SetCenterPoint(TCenterPoint::cpLowerLeft);
  label->SetRotation(TRotation::roFlat);
  EXPECT_EQ(label->Angle(), 0);
  EXPECT_EQ(label->CenterPoint(), TCenterPoint::cpCenter);
  label->SetAngle(45);
  label->SetRotation(TRotation::roNone);
  EXPECT_EQ(label->Angle(), 0);
}

TEST(FxLabelAngle, LoadingDefersTheFontSwitchToLoaded) {
  auto label = NewLabel();
  testing::LoadAsDesigned(*label, [&] {
    label->SetAngle(90);
    EXPECT_EQ(label->Font().Name(), L"MS Sans Serif");
  });
  EXPECT_EQ(label->Font().Name(), L"Verdana");
  EXPECT_EQ(label->Rotation(), TRotation::roFlat);
  // A font that cannot be turned takes the angle back to 0.
  label->Font().SetName(L"Tahoma");
  ASSERT_TRUE(IsTrueTypeFont(label->Font()));
  label->SetAngle(90);
  label->Font().SetName(L"MS Sans Serif");
  EXPECT_EQ(label->Angle(), 0);
}

TEST(FxLabelAngle, AFlatTurnedCaptionStandsUpright) {
  auto label = NewLabel();
  label->Font().SetName(L"Tahoma");
  label->SetCaption(L"Vertical text");
  const SIZE text = testing::TextExtentOf(label->Font(), L"Vertical text");
  label->SetAngle(90);
  // Sized to the turned caption: as wide as it is high, as high as it is wide.
  EXPECT_EQ(label->Width(), text.cy);
  EXPECT_EQ(label->Height(), text.cx);
  const Rendering r = testing::RenderControl(*label);
  const RECT ink = testing::InkBounds(r, MakeRgb(255, 255, 255));
  EXPECT_GT(ink.bottom - ink.top, 3 * (ink.right - ink.left));
  EXPECT_GT(testing::CountColor(r, MakeRgb(0, 0, 0)), 10);
}

TEST(FxLabelAngle, CurvedCaptionsAndTheirEtchedDisabledLook) {
  auto label = NewLabel();
  label->Font().SetName(L"Tahoma");
  label->SetAutoSize(false);
  label->SetBounds(0, 0, 100, 100);
  label->SetRotation(TRotation::roCurve);
  label->SetAngle(150);
  label->SetCaption(L"Around");
  Rendering r = testing::RenderControl(*label);
  const RECT ink = testing::InkBounds(r, MakeRgb(255, 255, 255));
  EXPECT_GT(testing::CountColor(r, MakeRgb(0, 0, 0)), 10);
  // Starting at 150 degrees and going clockwise over the top, the caption stays in the upper
  // half.
  EXPECT_LT(ink.bottom, 60);
  label->SetEnabled(false);
  r = testing::RenderControl(*label);
  EXPECT_GT(testing::CountColor(r, Rgb(clBtnShadow)), 10);
  EXPECT_GT(testing::CountColor(r, Rgb(clBtnHighlight)), 0);
  EXPECT_EQ(testing::CountColor(r, MakeRgb(0, 0, 0)), 0);
}

// ---- frames ----------------------------------------------------------------------------------

const FrameColors kFrameColours{MakeRgb(180, 170, 160), MakeRgb(250, 250, 240), MakeRgb(90, 80, 70),
                                MakeRgb(0, 100, 200), 30};

std::unique_ptr<TFxLabel> FramedLabel() {
  auto label = NewLabel();
  label->SetAutoSize(false);
  label->SetBounds(0, 0, 30, 20);
  label->SetBorderColor(static_cast<TColor>(kFrameColours.face));
  label->SetBorderHighlight(static_cast<TColor>(kFrameColours.highlight));
  label->SetBorderShadow(static_cast<TColor>(kFrameColours.shadow));
  label->SetFlatColor(static_cast<TColor>(kFrameColours.flat));
  label->SetBevelWidth(3);
  return label;
}

int Lightness(RgbColor c) { return RgbToHsl(c).l; }

class FxLabelFrames : public ::testing::TestWithParam<int> {};
TEST_P(FxLabelFrames, EachStyleDrawsItsRingsAroundTheBackground) {
  const auto style = static_cast<TFrameStyleEx>(GetParam());
  auto label = FramedLabel();
  label->SetBorderOuter(style);
  const Rendering r = testing::RenderControl(*label);
  const auto rings = FrameRings(style, 3, kFrameColours);
  ASSERT_EQ(static_cast<int>(rings.size()), FrameWidth(style, 3));
  for (int i = 0; i < static_cast<int>(rings.size()); ++i) {
    const FrameRing& ring = rings[static_cast<size_t>(i)];
    const int l = i, t = i, rt = 29 - i, b = 19 - i;
    EXPECT_EQ(r.At(l, 10), ring.first) << "left, ring " << i;
    EXPECT_EQ(r.At(15, t), ring.first) << "top, ring " << i;
    EXPECT_EQ(r.At(rt, 10), ring.second) << "right, ring " << i;
    EXPECT_EQ(r.At(15, b), ring.second) << "bottom, ring " << i;
    if (!ring.cut_corners) {
      EXPECT_EQ(r.At(l, t), ring.first) << "top-left corner, ring " << i;
      EXPECT_EQ(r.At(rt, t), ring.second) << "top-right corner (right line last), ring " << i;
      EXPECT_EQ(r.At(l, b), ring.second) << "bottom-left corner (bottom line last), ring " << i;
    }
  }
  // Inside the frame: the label's colour.
  const int w = FrameWidth(style, 3);
  EXPECT_EQ(r.At(w, 10), MakeRgb(255, 255, 255));
  EXPECT_EQ(r.At(29 - w, 19 - w), MakeRgb(255, 255, 255));
  // Drawn as the name says: raised edges are light above and left, lowered ones dark.
  switch (style) {
    case TFrameStyleEx::fsRaised:
    case TFrameStyleEx::fsButtonUp:
    case TFrameStyleEx::fsPopup:
    case TFrameStyleEx::fsBump:
      EXPECT_GT(Lightness(r.At(0, 10)), Lightness(r.At(29, 10)));
      EXPECT_GT(Lightness(r.At(15, 0)), Lightness(r.At(15, 19)));
      break;
    case TFrameStyleEx::fsLowered:
    case TFrameStyleEx::fsStatus:
    case TFrameStyleEx::fsGroove:
      EXPECT_LT(Lightness(r.At(0, 10)), Lightness(r.At(29, 10)));
      EXPECT_LT(Lightness(r.At(15, 0)), Lightness(r.At(15, 19)));
      break;
    case TFrameStyleEx::fsButtonDown:
      // Pressed: dark all round, the outer ring darkest.
      EXPECT_EQ(r.At(0, 10), r.At(29, 10));
      EXPECT_LT(Lightness(r.At(0, 10)), Lightness(r.At(1, 10)));
      break;
    case TFrameStyleEx::fsFlatRounded:
      // Rounded: the corner pixel is left to the background, the inner ring's corner is drawn.
      EXPECT_EQ(r.At(0, 0), MakeRgb(255, 255, 255));
      EXPECT_EQ(r.At(1, 1), LightenRgb(kFrameColours.flat, 30));
      break;
    case TFrameStyleEx::fsFlat:
    case TFrameStyleEx::fsFlatBold:
      EXPECT_EQ(r.At(0, 0), LightenRgb(kFrameColours.flat, 30));
      EXPECT_EQ(r.At(29, 19), LightenRgb(kFrameColours.flat, 30));
      break;
    default:
      break;
  }
}
INSTANTIATE_TEST_SUITE_P(EveryStyle, FxLabelFrames, ::testing::Range(1, 12));

TEST(FxLabelFramesLayout, SidesGapInnerFrameAndTheTextInside) {
  auto label = FramedLabel();
  label->SetBounds(0, 0, 40, 30);
  label->SetBorderOuter(TFrameStyleEx::fsFlat);
  label->SetBorderInner(TFrameStyleEx::fsFlatBold);
  label->SetBorderWidth(2);
  label->SetBorderSides({TSide::sdLeft, TSide::sdTop});
  label->SetCaption(L"x");
  const Rendering r = testing::RenderControl(*label);
  const RgbColor flat = LightenRgb(kFrameColours.flat, 30), face = kFrameColours.face;
  EXPECT_EQ(r.At(0, 15), flat);             // outer, left
  EXPECT_EQ(r.At(20, 0), flat);             // outer, top
  EXPECT_EQ(r.At(39, 15), face);            // no right frame: the gap's colour at the edge
  EXPECT_EQ(r.At(1, 15), face);             // the gap, 2 wide
  EXPECT_EQ(r.At(2, 15), face);
  EXPECT_EQ(r.At(3, 15), flat);             // inner frame, 2 wide
  EXPECT_EQ(r.At(4, 15), flat);
  EXPECT_EQ(r.At(5, 15), MakeRgb(255, 255, 255));
  // The text starts inside: gap 2 on every side, frames 1 + 2 on the left and top.
  const RECT ink = testing::InkBounds(
      [&] {
        Rendering inner = r;
        for (int y = 0; y < r.height; ++y)
          for (int x = 0; x < r.width; ++x)
            if (x < 5 || y < 5 || x >= 38 || y >= 28) inner.pixels[static_cast<size_t>(y * r.width + x)] = 0xFFFFFF;
        return inner;
      }(),
      MakeRgb(255, 255, 255));
  ReferencePicture want(40, 30, kPaper);
  want.Text(label->Font(), L"x", {5, 5, 38, 28}, DT_LEFT | DT_EXPANDTABS, kInk);
  EXPECT_EQ(testing::InkBounds(want.Pixels(), MakeRgb(255, 255, 255)).left, ink.left);
  EXPECT_EQ(testing::InkBounds(want.Pixels(), MakeRgb(255, 255, 255)).top, ink.top);
}

TEST(FxLabelFramesLayout, AFrameChangeRepaintsALabelOfFixedSize) {
  auto label = FramedLabel();
  label->SetBounds(20, 20, 30, 20);
  testing::PumpMessages(20);
  HWND panel = testing::StagePanel().Handle();
  ASSERT_FALSE(::GetUpdateRect(panel, nullptr, FALSE));
  label->SetBorderOuter(TFrameStyleEx::fsRaised);
  RECT update{};
  ASSERT_TRUE(::GetUpdateRect(panel, &update, FALSE));
  EXPECT_LE(update.left, 20);
  EXPECT_GE(update.right, 50);
  EXPECT_EQ(label->Width(), 30);  // not sized: AutoSize is off
}

TEST(FxLabelFramesLayout, AFrameControllerHandsOverItsSettings) {
  TFxFrameController* controller = new TFxFrameController(nullptr);
  auto label = FramedLabel();
  controller->SetBorderOuter(TFrameStyleEx::fsRaised);
  controller->SetBorderWidth(3);
  label->SetFrameControllerNotifications(kAllFrameControllerNotifications &
                                         ~NotificationBit(TFrameControllerNotification::fcnBorderWidth));
  label->SetFrameController(controller);
  EXPECT_EQ(controller->ClientCount(), 1);
  EXPECT_EQ(label->BorderOuter(), TFrameStyleEx::fsRaised);
  EXPECT_EQ(label->BorderWidth(), 0);  // not taken over
  EXPECT_EQ(label->BorderColor(), clBtnFace);  // the controller's default
  controller->SetBorderInner(TFrameStyleEx::fsStatus);
  EXPECT_EQ(label->BorderInner(), TFrameStyleEx::fsStatus);
  delete controller;
  EXPECT_EQ(label->FrameController(), nullptr);
  label->SetBorderInner(TFrameStyleEx::fsNone);  // no controller to hear of it
  // A label freed first leaves the controller.
  TFxFrameController second(nullptr);
  {
    auto other = FramedLabel();
    other->SetFrameController(&second);
    EXPECT_EQ(second.ClientCount(), 1);
  }
  EXPECT_EQ(second.ClientCount(), 0);
  second.SetBorderOuter(TFrameStyleEx::fsFlat);
}

}  // namespace
}  // namespace vornada
