// The main window's design description as the program carries it: every control of the four
// screens with its class, parent, bounds and design values, every event bound to the handler of
// that name, the tab order of each screen, the reference text in Memo2, and clear failures for
// broken copies of the description.
//
// The expected values are the window's design values, typed here from the design tables; the
// description is read once into a plain recording form (same text, root class renamed) whose
// handlers log their own names, so each event shows which handler it calls; the real window
// (created as the program creates it) shows that its own bindings reach every event.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DesignReader.h"
#include "DesignText.h"
#include "Forms.h"
#include "GifImage.h"
#include "PngGraphic.h"
#include "Startup.h"
#include "TestSupport.h"
#include "Unit1.h"

namespace vornada {
namespace {

constexpr BYTE kRussianCharset = 204;  // RUSSIAN_CHARSET
constexpr int kAny = -1;               // a size the control sets itself (from its text or font)

std::string DescriptionText() {
  HRSRC info = ::FindResourceW(nullptr, L"MAINFORM", MAKEINTRESOURCEW(10));
  if (info == nullptr) return {};
  const char* data = static_cast<const char*>(::LockResource(::LoadResource(nullptr, info)));
  return std::string(data, ::SizeofResource(nullptr, info));
}

// The same description for a form of class TForm.
std::string ForPlainForm(std::string text) {
  const std::string root = "object MainForm: TMainForm";
  const size_t at = text.find(root);
  if (at == 0) text.replace(0, root.size(), "object MainForm: TForm");
  return text;
}

// ---- events: fire one by name, tell whether a handler is assigned ----------------------------

enum class EventKind { Notify, MouseDown, MouseMove, Key };

EventKind KindOf(const std::string& event) {
  if (event == "OnMouseDown") return EventKind::MouseDown;
  if (event == "OnMouseMove") return EventKind::MouseMove;
  if (event == "OnKeyDown" || event == "OnKeyUp") return EventKind::Key;
  return EventKind::Notify;
}

// Every event the window's controls could carry, for the check that no other is bound.
const char* const kEventNames[] = {"OnClick",   "OnMouseDown", "OnMouseMove", "OnEnter", "OnChange",
                                   "OnKeyDown", "OnKeyUp",     "OnTimer",     "OnCreate", "OnShow"};

// Calls the component's event `event` when a handler is assigned; false when none is (or the
// component has no such event).
bool Fire(TComponent* c, const std::string& event) {
  WORD key = 'A';
  if (event == "OnClick") {
    if (auto* box = dynamic_cast<TSkImgCheckBox*>(c)) {
      if (!box->OnClick) return false;
      box->OnClick(c);
      return true;
    }
    if (auto* control = dynamic_cast<TControl*>(c); control && control->OnClick) {
      control->OnClick(c);
      return true;
    }
    return false;
  }
  if (event == "OnMouseDown") {
    auto* control = dynamic_cast<TControl*>(c);
    if (!control || !control->OnMouseDown) return false;
    control->OnMouseDown(c, TMouseButton::mbLeft, 0, 1, 1);
    return true;
  }
  if (event == "OnMouseMove") {
    auto* control = dynamic_cast<TControl*>(c);
    if (!control || !control->OnMouseMove) return false;
    control->OnMouseMove(c, 0, 1, 1);
    return true;
  }
  if (event == "OnEnter" || event == "OnKeyDown" || event == "OnKeyUp") {
    auto* control = dynamic_cast<TWinControl*>(c);
    if (!control) return false;
    if (event == "OnEnter" && control->OnEnter) {
      control->OnEnter(c);
      return true;
    }
    if (event == "OnKeyDown" && control->OnKeyDown) {
      control->OnKeyDown(c, key, 0);
      return true;
    }
    if (event == "OnKeyUp" && control->OnKeyUp) {
      control->OnKeyUp(c, key, 0);
      return true;
    }
    return false;
  }
  if (event == "OnChange") {
    if (auto* edit = dynamic_cast<TFlEdit*>(c)) {
      if (!edit->OnChange) return false;
      edit->OnChange(c);
      return true;
    }
    if (auto* edit = dynamic_cast<TCustomEdit*>(c); edit && edit->OnChange) {
      edit->OnChange(c);
      return true;
    }
    return false;
  }
  if (event == "OnTimer") {
    auto* timer = dynamic_cast<TTimer*>(c);
    if (!timer || !timer->OnTimer()) return false;
    timer->OnTimer()(c);
    return true;
  }
  if (event == "OnCreate" || event == "OnShow") {
    auto* form = dynamic_cast<TCustomForm*>(c);
    if (!form) return false;
    const TNotifyEvent& e = event == "OnCreate" ? form->OnCreate : form->OnShow;
    if (!e) return false;
    e(c);
    return true;
  }
  return false;
}

// ---- the design table ----------------------------------------------------------------------

using Events = std::vector<std::pair<std::string, std::string>>;  // event, handler

struct FontRule {
  const wchar_t* name;
  int height;
  TFontStyles style;
  TColor color;
  int charset;  // -1: not fixed by the design
};

struct ControlRule {
  const char* name;
  const char* class_name;
  const char* parent;
  int left, top, width, height;  // kAny where the control sizes itself
  Events events;
  std::function<void(TComponent&)> values;  // the design values beyond class, place and events
};

template <class T>
T& As(TComponent& c) {
  return dynamic_cast<T&>(c);
}

void ExpectFont(TFont& font, const FontRule& rule) {
  EXPECT_EQ(font.Name(), rule.name);
  EXPECT_EQ(font.Height(), rule.height);
  EXPECT_EQ(font.Style(), rule.style);
  EXPECT_EQ(font.Color(), rule.color);
  if (rule.charset >= 0) {
    EXPECT_EQ(font.Charset(), rule.charset);
  }
}

void ExpectPicture(TGraphic* graphic, const char* class_name, int width, int height) {
  ASSERT_NE(graphic, nullptr) << "no picture";
  EXPECT_STREQ(graphic->ClassName(), class_name);
  EXPECT_EQ(graphic->Width(), width);
  EXPECT_EQ(graphic->Height(), height);
}

void ExpectSkin(TBitmap* skin, int width, int height) {
  ASSERT_NE(skin, nullptr);
  EXPECT_EQ(skin->Width(), width);
  EXPECT_EQ(skin->Height(), height);
}

// The caption buttons: a 181 x 29 skin, 45 x 29 at the given place.
ControlRule CaptionButton(const char* name, const char* parent, int left, Events events) {
  return {name, "TSkImgBtn", parent, left, 2, 45, 29, std::move(events),
          [](TComponent& c) { ExpectSkin(As<TSkImgBtn>(c).Skin(), 181, 29); }};
}

ControlRule Switch(const char* name, int left, bool checked, Events events) {
  return {name, "TSkImgCheckBox", "MainPanel", left, 30, 52, 10, std::move(events),
          [checked](TComponent& c) {
            auto& box = As<TSkImgCheckBox>(c);
            EXPECT_EQ(box.Checked(), checked);
            ExpectSkin(box.Skin(), 369, 10);
          }};
}

// An arrow button beside a memo: 38 x 30, a 24 x 24 PNG glyph, the hand cursor.
ControlRule ArrowButton(const char* name, const char* parent, int top, Events events) {
  return {name, "TFlButton", parent, 566, top, 38, 30, std::move(events), [](TComponent& c) {
            auto& b = As<TFlButton>(c);
            EXPECT_EQ(b.Cursor(), TCursor::crHandPoint);
            EXPECT_TRUE(b.Enabled());
            EXPECT_TRUE(b.Visible());
            ExpectPicture(b.Glyph().Graphic(), "TPngGraphic", 24, 24);
          }};
}

ControlRule Separator(const char* name, const char* parent) {
  return {name, "TFxSeparator", parent, 583, 88, 5, 375, {}, [](TComponent& c) {
            auto& s = As<TFxSeparator>(c);
            EXPECT_EQ(s.Orientation(), TOrientation::orVertical);
            EXPECT_TRUE(s.ShowGradient());
            EXPECT_EQ(s.HighlightColor(), static_cast<TColor>(14671839));
            EXPECT_EQ(s.Color(), clWhite);
          }};
}

// A label whose text the design gives; "drags" labels carry the title's mouse-down handler.
ControlRule Label(const char* name, const char* parent, int left, int top, int width, int height,
                  std::wstring caption, FontRule font, Events events,
                  std::function<void(TFxLabel&)> more = nullptr) {
  return {name, "TFxLabel", parent, left, top, width, height, std::move(events),
          [caption, font, more](TComponent& c) {
            auto& l = As<TFxLabel>(c);
            EXPECT_EQ(l.Caption(), caption);
            ExpectFont(l.Font(), font);
            if (more) more(l);
          }};
}

const Events kDrags = {{"OnMouseDown", "ImageTitleMouseDown"}};
const FontRule kSmallFonts = {L"Small Fonts", -9, 0, clBlack, kRussianCharset};

std::vector<ControlRule> DesignTable() {
  std::vector<ControlRule> t;
  auto panel = [&](const char* name, TAlign align, int height, TColor border, TColor color,
                   bool enabled, Events events) {
    t.push_back({name, "TFlPanel", "MainForm", 0, 0, 620, height, std::move(events),
                 [=](TComponent& c) {
                   auto& p = As<TFlPanel>(c);
                   EXPECT_EQ(p.Align(), align);
                   EXPECT_EQ(p.BorderColor(), border);
                   EXPECT_EQ(p.BorderWidth(), 3);
                   EXPECT_EQ(p.CornersOffset(), 1);
                   EXPECT_EQ(p.Color(), color);
                   EXPECT_EQ(p.Enabled(), enabled);
                   EXPECT_FALSE(p.TabStop());
                   ExpectFont(p.Font(), {L"MS Sans Serif", -11, 0, clBlack, -1});
                 }});
  };
  // The panels, in creation order. A panel without its own colour shows the window's white.
  panel("MainPanel", TAlign::alClient, 527, 8404992, clWhite, false,
        {{"OnMouseDown", "ImageTitleMouseDown"}, {"OnMouseMove", "MainPanelMouseMove"}});
  panel("QuestionPanel", TAlign::alTop, 0, 11579647, 15921919, true,
        {{"OnMouseMove", "QuestionPanelMouseMove"}});
  panel("InfoPanel", TAlign::alTop, 0, 52736, clWhite, false, {});
  panel("PassPanel", TAlign::alTop, 0, 16763283, 16774388, false, {});

  // The editor screen.
  t.push_back({"ImageTitle", "TImage", "MainPanel", 40, 13, 24, 31, kDrags, [](TComponent& c) {
                 auto& i = As<TImage>(c);
                 EXPECT_TRUE(i.AutoSize());
                 EXPECT_EQ(i.Cursor(), TCursor::crSizeAll);
                 ExpectPicture(i.Picture().Graphic(), "TPngGraphic", 24, 31);
               }});
  t.push_back(Label("LblTitle", "MainPanel", 70, 15, kAny, kAny, L"Редактор\rhosts файла",
                    {L"Tahoma", -11, fsBold, 12615680, kRussianCharset}, kDrags));
  t.push_back(Label("FxLabel6", "MainPanel", 147, 14, kAny, kAny, L"поверх окон", kSmallFonts, kDrags));
  t.push_back(Label("FxLabel3", "MainPanel", 212, 14, kAny, kAny, L"запись файла", kSmallFonts, kDrags));
  t.push_back(Label("FxLabel1", "MainPanel", 280, 14, kAny, kAny, L"авто обновл", kSmallFonts, kDrags));
  t.push_back(Label("BuffLabel1", "MainPanel", 186, 73, 193, 24, L"",
                    {L"Small Fonts", -9, 0, 12615680, kRussianCharset}, kDrags, [](TFxLabel& l) {
                      EXPECT_EQ(l.Alignment(), TAlignment::taRightJustify);
                      EXPECT_FALSE(l.AutoSize());
                      EXPECT_TRUE(l.WordWrap());
                    }));
  t.push_back(Label("FxLabel9", "MainPanel", 41, 503, kAny, kAny,
                    L"Программа для редактирования защищенного атрибутами системного файла "
                    L"переадресации hosts ...",
                    {L"Tahoma", -11, 0, 14079702, kRussianCharset}, kDrags));
  t.push_back(Switch("SkImgCheckBox1", 148, true,
                     {{"OnClick", "SkImgCheckBox1Click"}, {"OnMouseMove", "SkImgCheckBox1MouseMove"}}));
  t.push_back(Switch("SkImgCheckBox2", 213, false,
                     {{"OnClick", "SkImgCheckBox2Click"}, {"OnMouseMove", "SkImgCheckBox2MouseMove"}}));
  t.push_back(Switch("SkImgCheckBox3", 281, false,
                     {{"OnClick", "SkImgCheckBox3Click"}, {"OnMouseMove", "SkImgCheckBox3MouseMove"}}));
  t.push_back({"FlButton1", "TFlButton", "MainPanel", 340, 14, 94, 30,
               {{"OnClick", "FlButton1Click"}, {"OnMouseMove", "FlButton1MouseMove"}},
               [](TComponent& c) {
                 auto& b = As<TFlButton>(c);
                 EXPECT_EQ(b.Caption(), L"Сохранить");
                 EXPECT_EQ(b.Cursor(), TCursor::crHandPoint);
                 EXPECT_FALSE(b.Enabled());
                 EXPECT_FALSE(b.Visible());
                 ExpectPicture(b.Glyph().Graphic(), "TBitmap", 22, 22);
               }});
  t.push_back({"FlButton6", "TFlButton", "MainPanel", 442, 14, 31, 22,
               {{"OnClick", "FlButton6Click"}, {"OnMouseMove", "FlButton6MouseMove"}},
               [](TComponent& c) {
                 auto& b = As<TFlButton>(c);
                 EXPECT_EQ(b.Caption(), L"");
                 EXPECT_EQ(b.Cursor(), TCursor::crHandPoint);
                 EXPECT_FALSE(b.Enabled());
                 EXPECT_FALSE(b.Visible());
                 ExpectPicture(b.Glyph().Graphic(), "TBitmap", 16, 16);
               }});
  t.push_back(CaptionButton("BtnInfo", "MainPanel", 482,
                            {{"OnClick", "BtnInfoClick"}, {"OnMouseMove", "BtnInfoMouseMove"}}));
  t.push_back(CaptionButton("BtnMin", "MainPanel", 528,
                            {{"OnClick", "BtnMinClick"}, {"OnMouseMove", "BtnMinMouseMove"}}));
  t.push_back(CaptionButton("BtnClose", "MainPanel", 573,
                            {{"OnClick", "BtnCloseClick"}, {"OnMouseMove", "BtnCloseMouseMove"}}));
  t.push_back({"Memo1", "TMemo", "MainPanel", 40, 56, 521, 439,
               {{"OnChange", "Memo1Change"}, {"OnMouseMove", "Memo1MouseMove"}}, [](TComponent& c) {
                 auto& m = As<TMemo>(c);
                 EXPECT_EQ(m.BorderStyle(), TBorderStyle::bsNone);
                 EXPECT_EQ(m.Color(), static_cast<TColor>(15921906));
                 EXPECT_TRUE(m.ReadOnly());
                 EXPECT_EQ(m.ScrollBars(), TScrollStyle::ssVertical);
               }});
  t.push_back(ArrowButton("FlButton2", "MainPanel", 56,
                          {{"OnClick", "FlButton2Click"}, {"OnMouseMove", "FlButton2MouseMove"}}));
  t.push_back(ArrowButton("FlButton3", "MainPanel", 465,
                          {{"OnClick", "FlButton3Click"}, {"OnMouseMove", "FlButton3MouseMove"}}));
  t.push_back(Separator("FxSeparator1", "MainPanel"));

  // The question screen.
  t.push_back(Label("FxLabel4", "QuestionPanel", 33, 45, kAny, kAny,
                    L"Программа запущена от имени администратора!?",
                    {L"MS Sans Serif", -13, 0, clBlack, kRussianCharset}, {}));
  t.push_back({"Image2", "TImage", "QuestionPanel", 217, 97, 61, 2, {}, [](TComponent& c) {
                 ExpectPicture(As<TImage>(c).Picture().Graphic(), "TBitmap", 61, 2);
               }});
  auto answer = [&](const char* name, int left, Events events) {
    t.push_back({name, "TSkImgBtn", "QuestionPanel", left, 69, 61, 28, std::move(events),
                 [](TComponent& c) {
                   auto& b = As<TSkImgBtn>(c);
                   EXPECT_TRUE(b.FocusRect());
                   EXPECT_TRUE(b.FadeUponLoad());
                   ExpectSkin(b.Skin(), 245, 28);
                 }});
  };
  answer("BtnYES", 217,
         {{"OnClick", "BtnYESClick"}, {"OnMouseMove", "BtnYESMouseMove"}, {"OnEnter", "BtnYESEnter"}});
  answer("BtnNO", 297,
         {{"OnClick", "BtnNOClick"}, {"OnMouseMove", "BtnNOMouseMove"}, {"OnEnter", "BtnNOEnter"}});

  // The password screen.
  const FontRule prompt_font = {L"MS Sans Serif", -13, 0, clBlack, kRussianCharset};
  t.push_back(Label("FxLabel5", "PassPanel", 54, 37, kAny, kAny, L"Введите пароль:", prompt_font, {},
                    [](TFxLabel& l) { EXPECT_TRUE(l.AutoSize()); }));
  t.push_back({"PenImage1", "TImage", "PassPanel", 164, 37, 18, 18, {}, [](TComponent& c) {
                 auto& i = As<TImage>(c);
                 EXPECT_EQ(i.Picture().Graphic(), nullptr);
                 EXPECT_TRUE(i.Transparent());
                 EXPECT_EQ(i.Constraints().MinWidth(), 18);
                 EXPECT_EQ(i.Constraints().MaxWidth(), 18);
                 EXPECT_EQ(i.Constraints().MinHeight(), 18);
                 EXPECT_EQ(i.Constraints().MaxHeight(), 18);
               }});
  t.push_back({"GifAnimator2", "TGifAnimator", "PassPanel", 258, 33, 24, 24, {}, [](TComponent& c) {
                 auto& a = As<TGifAnimator>(c);
                 EXPECT_TRUE(a.AsyncDrawing());
                 EXPECT_FALSE(a.Visible());
                 ExpectPicture(a.Image(), "TGIFImage", 24, 24);
                 EXPECT_GT(a.Image()->FrameCount(), 1) << "an animation";
               }});
  t.push_back({"Image3", "TImage", "PassPanel", 299, 37, 16, 16, {}, [](TComponent& c) {
                 auto& i = As<TImage>(c);
                 EXPECT_TRUE(i.AutoSize());
                 ExpectPicture(i.Picture().Graphic(), "TPngGraphic", 16, 16);
               }});
  t.push_back(Label("lang", "PassPanel", 320, 37, kAny, kAny, L"", prompt_font, {},
                    [](TFxLabel& l) { EXPECT_TRUE(l.AutoSize()); }));
  t.push_back(CaptionButton("BtnClose2", "PassPanel", 358, {{"OnClick", "BtnClose2Click"}}));
  // The field's height follows its font; face and mask character come at creation.
  t.push_back({"PassEdit1", "TFlEdit", "PassPanel", 55, 59, 289, kAny,
               {{"OnChange", "PassEdit1Change"}, {"OnKeyDown", "PassEdit1KeyDown"},
                {"OnKeyUp", "PassEdit1KeyUp"}},
               [](TComponent& c) {
                 TFont& f = As<TFlEdit>(c).Font();
                 EXPECT_EQ(f.Height(), -19);
                 EXPECT_EQ(f.Style(), fsBold);
                 EXPECT_EQ(f.Color(), clBlack);
               }});

  // The reference screen.
  t.push_back({"Image1", "TImage", "InfoPanel", kAny, kAny, kAny, kAny,
               {{"OnMouseDown", "Image1MouseDown"}, {"OnMouseMove", "Image1MouseMove"}},
               [](TComponent& c) {
                 auto& i = As<TImage>(c);
                 EXPECT_EQ(i.Align(), TAlign::alClient);
                 EXPECT_TRUE(i.Stretch());
                 EXPECT_EQ(i.Picture().Graphic(), nullptr);
               }});
  t.push_back({"FxBitBtn1", "TFxBitBtn", "InfoPanel", 40, 28, 137, kAny,
               {{"OnClick", "FxBitBtn1Click"}, {"OnMouseMove", "FxBitBtn1MouseMove"}},
               [](TComponent& c) {
                 auto& b = As<TFxBitBtn>(c);
                 EXPECT_EQ(b.Caption(), L"Скопировать все?!");
                 EXPECT_EQ(b.Cursor(), TCursor::crHandPoint);
                 EXPECT_EQ(b.Glyph().Width(), 16);
                 EXPECT_EQ(b.Glyph().Height(), 16);
               }});
  t.push_back({"Memo2", "TMemo", "InfoPanel", 40, 56, 521, 439,
               {{"OnClick", "Memo2Click"}, {"OnMouseMove", "Memo2MouseMove"}}, [](TComponent& c) {
                 auto& m = As<TMemo>(c);
                 EXPECT_EQ(m.BevelKind(), TBevelKind::bkFlat);
                 EXPECT_EQ(m.BevelOuter(), TBevelCut::bvNone);
                 EXPECT_EQ(m.BorderStyle(), TBorderStyle::bsNone);
                 EXPECT_EQ(m.Color(), static_cast<TColor>(15138790));
                 EXPECT_FALSE(m.ReadOnly());
                 EXPECT_EQ(m.ScrollBars(), TScrollStyle::ssVertical);
               }});
  t.push_back(ArrowButton("FlButton4", "InfoPanel", 56,
                          {{"OnClick", "FlButton4Click"}, {"OnMouseMove", "FlButton4MouseMove"}}));
  t.push_back(ArrowButton("FlButton5", "InfoPanel", 465,
                          {{"OnClick", "FlButton5Click"}, {"OnMouseMove", "FlButton5MouseMove"}}));
  t.push_back(Separator("FxSeparator2", "InfoPanel"));
  t.push_back(Label("FxLabel8", "InfoPanel", 474, 500, kAny, kAny, L"example.com",
                    {L"MS Sans Serif", -11, fsBold, 16752253, -1}, {{"OnClick", "FxLabel8Click"}},
                    [](TFxLabel& l) {
                      EXPECT_TRUE(l.Transparent());
                      EXPECT_EQ(l.Cursor(), TCursor::crHandPoint);
                    }));
  t.push_back(Label("FxLabel2", "InfoPanel", 296, 301, kAny, kAny, L"Morvanetics    2023",
                    {L"MS Sans Serif", -11, 0, clWhite, -1}, {{"OnClick", "FxLabel2Click"}},
                    [](TFxLabel& l) {
                      EXPECT_TRUE(l.Transparent());
                      EXPECT_EQ(l.ShadowColor(), static_cast<TColor>(14079702));
                      EXPECT_EQ(l.ShadowDepth(), 1);
                      EXPECT_EQ(l.Cursor(), TCursor::crHandPoint);
                    }));
  t.push_back(CaptionButton("BtnBack3", "InfoPanel", 482, {{"OnClick", "BtnBack3Click"}}));
  t.push_back(CaptionButton("BtnMin3", "InfoPanel", 528,
                            {{"OnClick", "BtnMinClick"}, {"OnMouseMove", "BtnMinMouseMove"}}));
  t.push_back(CaptionButton("BtnClose3", "InfoPanel", 573,
                            {{"OnClick", "BtnCloseClick"}, {"OnMouseMove", "BtnCloseMouseMove"}}));

  // Components without a window of their own.
  t.push_back({"SkImgForm1", "TSkImgForm", "MainForm", 0, 0, 25, 25, {}, nullptr});
  auto timer = [&](const char* name, UINT interval, bool enabled, const char* handler) {
    t.push_back({name, "TTimer", nullptr, kAny, kAny, kAny, kAny, {{"OnTimer", handler}},
                 [=](TComponent& c) {
                   EXPECT_EQ(As<TTimer>(c).Interval(), interval);
                   EXPECT_EQ(As<TTimer>(c).Enabled(), enabled);
                 }});
  };
  timer("ShowTimer", 10, false, "ShowTimerTimer");
  timer("CloseTimer", 10, false, "CloseTimerTimer");
  timer("Timer1", 10, true, "Timer1Timer");
  timer("Timer2", 1000, false, "Timer2Timer");
  timer("Timer3", 1, false, "Timer3Timer");
  t.push_back({"TypeImageList1", "TImageList", nullptr, kAny, kAny, kAny, kAny, {}, [](TComponent& c) {
                 auto& l = As<TImageList>(c);
                 EXPECT_EQ(l.Width(), 18);
                 EXPECT_EQ(l.Height(), 18);
                 EXPECT_EQ(l.BkColor(), clFuchsia);
                 EXPECT_EQ(l.Count(), 2);
               }});
  return t;
}

// ---- the description read into a recording form --------------------------------------------

class DesignedForm {
 public:
  DesignedForm() : form_(std::make_unique<TForm>(nullptr)) {}

  // Every handler the table names, plus the window's own two, each logging its name.
  TDesignBindings Bindings(const std::vector<ControlRule>& table) {
    TDesignBindings b;
    std::map<std::string, EventKind> handlers = {{"FormCreate", EventKind::Notify},
                                                 {"FormShow", EventKind::Notify}};
    for (const ControlRule& r : table)
      for (const auto& [event, handler] : r.events) handlers[handler] = KindOf(event);
    for (const auto& [name, kind] : handlers) {
      const std::string n = name;
      switch (kind) {
        case EventKind::Notify:
          b.Handler(n, TNotifyEvent([this, n](TObject*) { calls_.push_back(n); }));
          break;
        case EventKind::MouseDown:
          b.Handler(n, TMouseEvent([this, n](TObject*, TMouseButton, TShiftState, int, int) {
                      calls_.push_back(n);
                    }));
          break;
        case EventKind::MouseMove:
          b.Handler(n, TMouseMoveEvent([this, n](TObject*, TShiftState, int, int) { calls_.push_back(n); }));
          break;
        case EventKind::Key:
          b.Handler(n, TKeyEvent([this, n](TObject*, WORD&, TShiftState) { calls_.push_back(n); }));
          break;
      }
    }
    return b;
  }

  TForm& Form() { return *form_; }
  std::vector<std::string> TakeCalls() { return std::exchange(calls_, {}); }

 private:
  std::unique_ptr<TForm> form_;
  std::vector<std::string> calls_;
};

class MainFormDesignTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RunUnitStartup();
    table_ = new std::vector<ControlRule>(DesignTable());
    designed_ = new DesignedForm;
    ReadDesign(designed_->Form(), ForPlainForm(DescriptionText()), designed_->Bindings(*table_));
    Application()->SetTitle(kApplicationTitle);
    Application()->CreateForm<TMainForm>();
  }
  static void TearDownTestSuite() {
    delete designed_;
    delete table_;
  }
  static std::vector<ControlRule>* table_;
  static DesignedForm* designed_;
};
std::vector<ControlRule>* MainFormDesignTest::table_ = nullptr;
DesignedForm* MainFormDesignTest::designed_ = nullptr;

// Every control of the four screens with its class, parent, place, design values and the
// handler each of its events calls; nothing else is in the description.
TEST_F(MainFormDesignTest, EveryControlHasItsClassParentBoundsValuesAndHandlers) {
  TForm& form = designed_->Form();
  EXPECT_EQ(form.ComponentCount(), static_cast<int>(table_->size()))
      << "the description holds components the design does not";
  EXPECT_EQ(MainForm->ComponentCount(), static_cast<int>(table_->size()));
  for (const ControlRule& r : *table_) {
    SCOPED_TRACE(r.name);
    TComponent* c = form.FindComponent(r.name);
    ASSERT_NE(c, nullptr) << "missing";
    EXPECT_STREQ(c->ClassName(), r.class_name);
    if (auto* control = dynamic_cast<TControl*>(c)) {
      ASSERT_NE(r.parent, nullptr) << "a control where the design has a component without a window";
      ASSERT_NE(control->Parent(), nullptr);
      EXPECT_EQ(control->Parent()->Name(), r.parent);
      if (r.left != kAny) {
        EXPECT_EQ(control->Left(), r.left);
      }
      if (r.top != kAny) {
        EXPECT_EQ(control->Top(), r.top);
      }
      if (r.width != kAny) {
        EXPECT_EQ(control->Width(), r.width);
      }
      if (r.height != kAny) {
        EXPECT_EQ(control->Height(), r.height);
      }
    } else {
      EXPECT_EQ(r.parent, nullptr) << "a component without a window where the design has a control";
    }
    if (r.values) r.values(*c);

    // Each listed event calls its handler; no other event has one.
    std::map<std::string, std::string> expected(r.events.begin(), r.events.end());
    designed_->TakeCalls();
    for (const char* event : kEventNames) {
      SCOPED_TRACE(event);
      const auto it = expected.find(event);
      const bool fired = Fire(c, event);
      EXPECT_EQ(fired, it != expected.end());
      const std::vector<std::string> calls = designed_->TakeCalls();
      if (it != expected.end()) {
        EXPECT_EQ(calls, std::vector<std::string>{it->second});
      }
    }
    // The program's own window binds a handler to the same events.
    TComponent* real = MainForm->FindComponent(r.name);
    ASSERT_NE(real, nullptr);
    for (const auto& [event, handler] : r.events) {
      if (event == "OnTimer") {
        EXPECT_TRUE(As<TTimer>(*real).OnTimer()) << event;
        continue;
      }
      if (event == "OnClick" && dynamic_cast<TSkImgCheckBox*>(real)) {
        EXPECT_TRUE(As<TSkImgCheckBox>(*real).OnClick) << event;
        continue;
      }
      if (event == "OnChange" && dynamic_cast<TFlEdit*>(real)) {
        EXPECT_TRUE(As<TFlEdit>(*real).OnChange) << event;
        continue;
      }
      auto* control = dynamic_cast<TControl*>(real);
      ASSERT_NE(control, nullptr);
      if (event == "OnClick") {
        EXPECT_TRUE(control->OnClick) << event;
      }
      if (event == "OnMouseDown") {
        EXPECT_TRUE(control->OnMouseDown) << event;
      }
      if (event == "OnMouseMove") {
        EXPECT_TRUE(control->OnMouseMove) << event;
      }
      if (event == "OnEnter") {
        EXPECT_TRUE(As<TWinControl>(*real).OnEnter) << event;
      }
      if (event == "OnKeyDown") {
        EXPECT_TRUE(As<TWinControl>(*real).OnKeyDown) << event;
      }
      if (event == "OnKeyUp") {
        EXPECT_TRUE(As<TWinControl>(*real).OnKeyUp) << event;
      }
      if (event == "OnChange") {
        EXPECT_TRUE(As<TCustomEdit>(*real).OnChange) << event;
      }
    }
  }
}

// The window's own design values and handlers.
TEST_F(MainFormDesignTest, WindowHasItsDesignValuesAndHandlers) {
  TForm& f = designed_->Form();
  EXPECT_EQ(f.ClientWidth(), 620);
  EXPECT_EQ(f.ClientHeight(), 527);
  EXPECT_EQ(f.Color(), clWhite);
  EXPECT_EQ(f.AlphaBlendValue(), 0);
  EXPECT_EQ(f.Caption(), L"");
  ExpectFont(f.Font(), {L"MS Sans Serif", -11, 0, clWindowText, -1});
  designed_->TakeCalls();
  EXPECT_TRUE(Fire(&f, "OnCreate"));
  EXPECT_TRUE(Fire(&f, "OnShow"));
  EXPECT_EQ(designed_->TakeCalls(), (std::vector<std::string>{"FormCreate", "FormShow"}));
}

// Keyboard focus order: the panels, then each panel's controls in the design's order.
TEST_F(MainFormDesignTest, TabOrderFollowsTheDesignOnEveryScreen) {
  const std::vector<std::string> expected = {
      "MainPanel", "BtnInfo", "BtnMin", "BtnClose", "SkImgCheckBox1", "Memo1", "SkImgCheckBox2",
      "FlButton1", "FlButton2", "FlButton3", "SkImgCheckBox3", "FlButton6",
      "QuestionPanel", "BtnYES", "BtnNO",
      "InfoPanel", "Memo2", "FxBitBtn1", "BtnBack3", "BtnMin3", "BtnClose3", "FlButton4", "FlButton5",
      "PassPanel", "BtnClose2", "PassEdit1"};
  for (TForm* form : {&designed_->Form(), static_cast<TForm*>(MainForm)}) {
    SCOPED_TRACE(form == MainForm ? "the program's window" : "the description");
    std::vector<TWinControl*> list;
    form->GetTabOrderList(list);
    std::vector<std::string> names;
    for (TWinControl* c : list) names.push_back(c->Name());
    EXPECT_EQ(names, expected);
  }
}

// The reference text is the design content of Memo2, byte for byte the generated text.
TEST_F(MainFormDesignTest, ReferenceTextIsTheContentOfItsMemo) {
  bool ok = false;
  const std::vector<uint8_t> file =
      testing::ReadFileBytes(testing::SourcePath("app/design/reference.txt"), &ok);
  ASSERT_TRUE(ok);
  const std::string expected(file.begin(), file.end());
  for (TForm* form : {&designed_->Form(), static_cast<TForm*>(MainForm)}) {
    auto* memo = dynamic_cast<TMemo*>(form->FindComponent("Memo2"));
    ASSERT_NE(memo, nullptr);
    const std::string& text = memo->AnsiText();
    const size_t differs = std::mismatch(text.begin(), text.end(), expected.begin(), expected.end()).first -
                           text.begin();
    EXPECT_TRUE(text == expected) << "the memo holds " << text.size() << " bytes, the reference text "
                                  << expected.size() << "; they differ from byte " << differs;
    EXPECT_EQ(memo->Lines().Count(), 654);
  }
}

// The password field after creation: the symbol face and its round-dot mask, the design's
// height and weight kept.
TEST_F(MainFormDesignTest, PasswordFieldTakesTheSymbolFaceAndMaskAtCreation) {
  TFont& f = MainForm->PassEdit1->Font();
  EXPECT_EQ(f.Name(), L"Wingdings");
  EXPECT_EQ(f.Height(), -19);
  EXPECT_EQ(f.Style(), fsBold);
  EXPECT_EQ(MainForm->PassEdit1->PasswordChar(), static_cast<wchar_t>(108));
}

// ---- broken copies of the description --------------------------------------------------------

struct Breakage {
  const char* label;
  const char* after;     // the edit is made at the first `find` after this text
  const char* find;
  const char* replace;
  const char* component;
  const char* property;
  const char* message;   // a part of the failure's text
};

const Breakage kBreakages[] = {
    {"unknown_class", "", "object BtnYES: TSkImgBtn", "object BtnYES: TSkImgButton", "BtnYES", "",
     "unknown class 'TSkImgButton'"},
    {"unknown_property", "object FxSeparator1:", "ShowGradient = True", "ShowGradiant = True",
     "FxSeparator1", "ShowGradiant", "unknown property 'ShowGradiant'"},
    {"unknown_handler", "object BtnNO:", "OnClick = BtnNOClick", "OnClick = BtnNoClik", "BtnNO",
     "OnClick", "unknown handler 'BtnNoClik'"},
    {"handler_of_the_wrong_type", "object Memo1:", "OnMouseMove = Memo1MouseMove",
     "OnMouseMove = Memo1Change", "Memo1", "OnMouseMove", "TNotifyEvent"},
    // The skin's bitmap file header starts with "BM" (42 4D) after the 4-byte length.
    {"broken_skin", "object BtnInfo:", "424D", "0000", "BtnInfo", "Skin.Data", "broken"},
    // The PNG signature after the holder's class name (89 50 4E 47).
    {"broken_png", "object ImageTitle:", "89504E47", "00504E47", "ImageTitle", "Picture.Data",
     "broken picture"},
    // The GIF signature "GIF8" (47 49 46 38) after the 4-byte length.
    {"broken_gif", "object GifAnimator2:", "47494638", "00000000", "GifAnimator2", "Image.Data",
     "broken"},
    {"broken_image_strip", "object TypeImageList1:", "424D", "0000", "TypeImageList1", "Bitmap",
     "broken"},
};

class BrokenDescriptionTest : public MainFormDesignTest,
                              public ::testing::WithParamInterface<Breakage> {};

TEST_P(BrokenDescriptionTest, FailsNamingItsComponentAndProperty) {
  const Breakage& b = GetParam();
  std::string text = ForPlainForm(DescriptionText());
  const size_t from = text.find(b.after);
  ASSERT_NE(from, std::string::npos);
  const size_t at = text.find(b.find, from);
  ASSERT_NE(at, std::string::npos);
  text.replace(at, std::string(b.find).size(), b.replace);
  // The line the reader must name: the property's (or the object's) own line, or for binary
  // data the line where the value starts.
  const size_t line_start = text.rfind('\n', text.rfind(b.property[0] ? b.property : "object", at)) + 1;
  const int line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + line_start, '\n'));

  DesignedForm target;
  try {
    ReadDesign(target.Form(), text, target.Bindings(*table_));
    FAIL() << "read without complaint";
  } catch (const EDesignError& e) {
    EXPECT_EQ(e.ComponentName(), b.component) << e.Message();
    EXPECT_EQ(e.PropertyName(), b.property) << e.Message();
    EXPECT_EQ(e.Line(), line) << e.Message();
    EXPECT_NE(e.Message().find(b.message), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find(b.component), std::string::npos) << e.Message();
  }
  EXPECT_EQ(target.Form().ComponentCount(), 0) << "nothing left half-built";
}

INSTANTIATE_TEST_SUITE_P(Table, BrokenDescriptionTest, ::testing::ValuesIn(kBreakages),
                         [](const auto& test) { return std::string(test.param.label); });

}  // namespace
}  // namespace vornada
