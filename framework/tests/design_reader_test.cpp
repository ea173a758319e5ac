// Tests of the design reader with the framework's classes: components created with their class,
// owner, parent, bounds and values; properties a description leaves out keep their defaults;
// events bound to the form's handlers; pictures read through their stored forms (bitmap and
// PNG); the after-loading step in creation order once everything is read; the form's fields;
// every kind of bad description failing with its line, component and property and leaving the
// form as it was; and a description read from the program's resources.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DesignReader.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "PngGraphic.h"
#include "StdCtrls.h"
#include "WinTestSupport.h"

namespace vornada {
namespace {

std::string ClassOf(const TObject* o) { return o != nullptr ? o->ClassName() : "nil"; }

// Every after-loading step, in the order they ran, with what each could see.
std::vector<std::string>* g_loaded_log = nullptr;

// An image that logs its after-loading step: whether it was still loading, and whether the
// component read last already existed (the whole description was read before any step ran).
class TLoggingImage : public TImage {
 public:
  VORNADA_CLASS_NAME(TLoggingImage)
  using TImage::TImage;
  void Loaded() override {
    const bool was_loading = IsLoading();
    const bool reading = (ComponentState() & csReading) != 0;
    TImage::Loaded();
    if (g_loaded_log != nullptr)
      g_loaded_log->push_back(Name() + (was_loading ? " loading" : " NOT loading") +
                              (reading ? " reading" : "") +
                              (Owner()->FindComponent("Last") != nullptr ? " sees Last" : "") +
                              (IsLoading() ? " still loading" : ""));
  }
};

// A control with a bitmap property, as skinned controls and bitmap buttons have.
class TGlyphHolder : public TGraphicControl {
 public:
  VORNADA_CLASS_NAME(TGlyphHolder)
  using TGraphicControl::TGraphicControl;
  TBitmap& Glyph() { return glyph_; }

 private:
  TBitmap glyph_;
};

// A panel that notes how its window was made: the bounds and the count of windows made.
class TCreationPanel : public TPanel {
 public:
  VORNADA_CLASS_NAME(TCreationPanel)
  using TPanel::TPanel;
  int windows_made = 0;
  RECT made_with{};

 protected:
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_CREATE) {
      const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(m.LParam);
      ++windows_made;
      made_with = RECT{cs->x, cs->y, cs->x + cs->cx, cs->y + cs->cy};
    }
    TPanel::WndProc(m);
  }
};

// The form the descriptions are read into, with its published handlers and fields.
class TDesignTestForm : public TForm {
 public:
  VORNADA_CLASS_NAME(TDesignTestForm)
  using TForm::TForm;

  std::vector<std::string> log;
  TPanel* Panel1 = nullptr;
  TMemo* Memo1 = nullptr;

  void Loaded() override {
    TForm::Loaded();
    if (g_loaded_log != nullptr) g_loaded_log->push_back(Name() + " (form)");
  }

  void ButtonClick(TObject* sender) { log.push_back("click " + Named(sender)); }
  void ImageMouseMove(TObject* sender, TShiftState, int x, int y) {
    log.push_back("move " + Named(sender) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void ImageMouseDown(TObject* sender, TMouseButton, TShiftState, int x, int y) {
    log.push_back("down " + Named(sender) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void EditKeyDown(TObject* sender, WORD& key, TShiftState) {
    log.push_back("key " + Named(sender) + " " + std::to_string(key));
  }
  void TimerTick(TObject* sender) { log.push_back("tick " + Named(sender)); }
  void FormCreated(TObject* sender) { log.push_back("create " + Named(sender)); }

  TDesignBindings Bindings(bool with_fields) {
    TDesignBindings b;
    b.Handler("ButtonClick", this, &TDesignTestForm::ButtonClick)
        .Handler("ImageMouseMove", this, &TDesignTestForm::ImageMouseMove)
        .Handler("ImageMouseDown", this, &TDesignTestForm::ImageMouseDown)
        .Handler("EditKeyDown", this, &TDesignTestForm::EditKeyDown)
        .Handler("TimerTick", this, &TDesignTestForm::TimerTick)
        .Handler("FormCreated", this, &TDesignTestForm::FormCreated);
    if (with_fields) b.Field("Panel1", Panel1).Field("Memo1", Memo1);
    return b;
  }

 private:
  static std::string Named(TObject* o) {
    auto* c = dynamic_cast<TComponent*>(o);
    return c != nullptr ? c->Name() : "?";
  }
};

class DesignReaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterFrameworkDesignClasses();
    RegisterDesignClass<TLoggingImage>("TImage");
    RegisterDesignClass<TGlyphHolder>("TGraphicControl").Object<TBitmap>("Glyph", &TGlyphHolder::Glyph);
    RegisterDesignClass<TCreationPanel>("TPanel");
    PngGraphicRegistered();
  }
  void SetUp() override { form_ = std::make_unique<TDesignTestForm>(nullptr); }
  void TearDown() override { g_loaded_log = nullptr; }

  // Reads "object Form1: TDesignTestForm <body> end" into the form.
  void Read(const std::string& body, bool with_fields = false) {
    ReadDesign(*form_, "object Form1: TDesignTestForm\n" + body + "end\n", form_->Bindings(with_fields));
  }
  template <class T>
  T* Get(const char* name) {
    auto* c = form_->FindComponent(name);
    EXPECT_NE(c, nullptr) << name;
    auto* t = dynamic_cast<T*>(c);
    EXPECT_NE(t, nullptr) << name << " is a " << ClassOf(c);
    return t;
  }

  std::unique_ptr<TDesignTestForm> form_;
};

// ---- creation, parents, bounds --------------------------------------------------------------

TEST_F(DesignReaderTest, CreatesEachComponentWithItsClassOwnerParentAndBounds) {
  Read(
      "  Left = 10\n  ClientWidth = 300\n  ClientHeight = 200\n  Color = clWhite\n"
      "  object Panel1: TPanel\n"
      "    Left = 5\n    Top = 6\n    Width = 150\n    Height = 90\n"
      "    object Memo1: TMemo\n      Left = 1\n      Top = 2\n      Width = 100\n      Height = 50\n"
      "    end\n"
      "    object Timer1: TTimer\n    end\n"
      "    object Image1: TImage\n      Left = 3\n      Top = 4\n      Width = 18\n      Height = 19\n"
      "    end\n"
      "  end\n"
      "  object Image2: TImage\n  end\n");
  EXPECT_EQ(form_->Name(), "Form1");
  EXPECT_EQ(form_->Left(), 10);
  EXPECT_EQ(form_->ClientWidth(), 300);
  EXPECT_EQ(form_->ClientHeight(), 200);
  ASSERT_EQ(form_->ComponentCount(), 5);
  const char* order[] = {"Panel1", "Memo1", "Timer1", "Image1", "Image2"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(form_->Components(i)->Name(), order[i]) << "creation order";

  struct Placement {
    const char* name;
    const char* class_name;
    TWinControl* parent;
    RECT bounds;
  };
  TPanel* panel = Get<TPanel>("Panel1");
  ASSERT_NE(panel, nullptr);
  const Placement placements[] = {
      {"Panel1", "TPanel", form_.get(), {5, 6, 155, 96}},
      {"Memo1", "TMemo", panel, {1, 2, 101, 52}},
      {"Image1", "TImage", panel, {3, 4, 21, 23}},
      {"Image2", "TImage", form_.get(), {0, 0, 105, 105}},  // the class's own default bounds
  };
  for (const Placement& p : placements) {
    SCOPED_TRACE(p.name);
    auto* control = Get<TControl>(p.name);
    ASSERT_NE(control, nullptr);
    EXPECT_STREQ(control->ClassName(), p.class_name);
    EXPECT_EQ(control->Owner(), form_.get());
    EXPECT_EQ(control->Parent(), p.parent);
    const RECT r = control->BoundsRect();
    EXPECT_EQ(r.left, p.bounds.left);
    EXPECT_EQ(r.top, p.bounds.top);
    EXPECT_EQ(r.right, p.bounds.right);
    EXPECT_EQ(r.bottom, p.bounds.bottom);
    EXPECT_FALSE(control->IsLoading()) << "loading ends with the after-loading step";
  }
  auto* timer = Get<TTimer>("Timer1");
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->Owner(), form_.get()) << "a component without a window inside a panel";
  EXPECT_FALSE(form_->IsLoading());
}

// Onto a form that has its window already (as a form whose skin hooks it while it is read),
// each control's window is made once, with the bounds read for it, in its place among its
// siblings (a later one lies above an earlier one), and a memo's window holds its whole text.
TEST_F(DesignReaderTest, ControlsOnAFormWithAWindowGetTheirWindowsOnceWithTheirReadValues) {
  form_->HandleNeeded();
  std::string long_text;
  for (int i = 0; i < 800; ++i) long_text += " '" + std::string(60, static_cast<char>('a' + i % 26)) + "'\n";
  Read(
      "  object Back: TCreationPanel\n    Left = 4\n    Top = 5\n    Width = 200\n    Height = 100\n"
      "    object Inner: TCreationPanel\n      Left = 7\n      Top = 8\n      Width = 30\n"
      "      Height = 20\n    end\n"
      "    object Memo1: TMemo\n      Left = 40\n      Top = 8\n      Width = 150\n      Height = 80\n"
      "      Lines.Strings = (\n" + long_text + "      )\n    end\n"
      "  end\n"
      "  object Front: TCreationPanel\n    Left = 50\n    Top = 60\n    Width = 90\n    Height = 70\n"
      "  end\n");
  struct Case {
    const char* name;
    RECT bounds;
  };
  const Case cases[] = {{"Back", {4, 5, 204, 105}}, {"Inner", {7, 8, 37, 28}}, {"Front", {50, 60, 140, 130}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* panel = Get<TCreationPanel>(c.name);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->HandleAllocated());
    EXPECT_EQ(panel->windows_made, 1);
    EXPECT_EQ(panel->made_with.left, c.bounds.left);
    EXPECT_EQ(panel->made_with.top, c.bounds.top);
    EXPECT_EQ(panel->made_with.right, c.bounds.right);
    EXPECT_EQ(panel->made_with.bottom, c.bounds.bottom);
  }
  auto* back = Get<TCreationPanel>("Back");
  auto* front = Get<TCreationPanel>("Front");
  auto* memo = Get<TMemo>("Memo1");
  ASSERT_TRUE(back != nullptr && front != nullptr && memo != nullptr);
  EXPECT_EQ(::GetWindow(form_->Handle(), GW_CHILD), front->Handle()) << "the later sibling on top";
  EXPECT_EQ(::GetWindow(front->Handle(), GW_HWNDNEXT), back->Handle());
  EXPECT_EQ(::GetWindow(back->Handle(), GW_CHILD), memo->Handle()) << "the memo above the inner panel";
  ASSERT_TRUE(memo->HandleAllocated());
  std::wstring expected;
  for (int i = 0; i < 800; ++i) expected += std::wstring(60, static_cast<wchar_t>(L'a' + i % 26)) + L"\r\n";
  EXPECT_EQ(memo->Text().size(), expected.size()) << "more than the edit window's 30,000 typed characters";
  EXPECT_TRUE(memo->Text() == expected);
  EXPECT_FALSE(memo->Modified());
}

// ---- values, and defaults left alone -----------------------------------------------------------

struct ValueCase {
  const char* name;
  const char* class_name;                      // created by the description
  const char* properties;                      // written on it
  std::function<std::string(TComponent&)> probe;  // reads what the properties set
  std::string expected;
};

std::string Str(long long v) { return std::to_string(v); }
std::string Wide(const std::wstring& w) {
  std::string out;
  for (wchar_t c : w) {
    if (c < 128) {
      out += static_cast<char>(c);
    } else {
      out += '<';
      out += Str(c);
      out += '>';
    }
  }
  return out;
}
TControl& Ctl(TComponent& c) { return dynamic_cast<TControl&>(c); }

const ValueCase kValueCases[] = {
    {"align", "TPanel", "Align = alTop", [](TComponent& c) { return Str(static_cast<int>(Ctl(c).Align())); },
     Str(static_cast<int>(TAlign::alTop))},
    {"colour_by_name", "TPanel", "Color = clWhite", [](TComponent& c) { return Str(Ctl(c).Color()); },
     Str(0xFFFFFF)},
    {"colour_by_number", "TPanel", "Color = 15921919", [](TComponent& c) { return Str(Ctl(c).Color()); },
     Str(15921919)},
    {"system_colour_written_unsigned", "TPanel", "Color = $FF000005",
     [](TComponent& c) { return Str(Ctl(c).Color()); }, Str(static_cast<int32_t>(0xFF000005))},
    {"enabled", "TPanel", "Enabled = False", [](TComponent& c) { return Str(Ctl(c).Enabled()); }, "0"},
    {"visible", "TImage", "Visible = false", [](TComponent& c) { return Str(Ctl(c).Visible()); }, "0"},
    {"cursor", "TImage", "Cursor = crSizeAll",
     [](TComponent& c) { return Str(static_cast<int>(Ctl(c).Cursor())); },
     Str(static_cast<int>(TCursor::crSizeAll))},
    {"caption_with_codes", "TPanel", "Caption = #208#229#228'x'#13'y'",
     [](TComponent& c) { return Wide(Ctl(c).Caption()); },
     "<1056><1077><1076>x\ry"},  // Р е д in code page 1251
    {"font", "TPanel",
     "Font.Charset = RUSSIAN_CHARSET\n Font.Color = 12615680\n Font.Height = -11\n"
     " Font.Name = 'Tahoma'\n Font.Style = [fsBold, fsUnderline]",
     [](TComponent& c) {
       TFont& f = Ctl(c).Font();
       return Str(f.Charset()) + " " + Str(f.Color()) + " " + Str(f.Height()) + " " +
              Wide(f.Name()) + " " + Str(f.Style()) + " parent " + Str(Ctl(c).ParentFont());
     },
     "204 12615680 -11 Tahoma 5 parent 0"},
    {"charset_by_number", "TPanel", "Font.Charset = 2",
     [](TComponent& c) { return Str(Ctl(c).Font().Charset()); }, "2"},
    {"constraints", "TImage",
     "Constraints.MaxHeight = 18\n Constraints.MaxWidth = 18\n Constraints.MinHeight = 18\n"
     " Constraints.MinWidth = 18",
     [](TComponent& c) { return Str(Ctl(c).Width()) + "x" + Str(Ctl(c).Height()); }, "18x18"},
    {"bevels", "TPanel", "BevelOuter = bvNone\n BevelInner = bvLowered",
     [](TComponent& c) {
       auto& p = dynamic_cast<TPanel&>(c);
       return Str(static_cast<int>(p.BevelOuter())) + Str(static_cast<int>(p.BevelInner()));
     },
     Str(static_cast<int>(TBevelCut::bvNone)) + Str(static_cast<int>(TBevelCut::bvLowered))},
    {"tab_stop", "TPanel", "TabStop = True",
     [](TComponent& c) { return Str(dynamic_cast<TWinControl&>(c).TabStop()); }, "1"},
    {"memo", "TMemo", "BorderStyle = bsNone\n ReadOnly = True\n ScrollBars = ssVertical\n WordWrap = False",
     [](TComponent& c) {
       auto& m = dynamic_cast<TMemo&>(c);
       return Str(static_cast<int>(m.BorderStyle())) + Str(m.ReadOnly()) +
              Str(static_cast<int>(m.ScrollBars())) + Str(m.WordWrap());
     },
     Str(static_cast<int>(TBorderStyle::bsNone)) + "1" + Str(static_cast<int>(TScrollStyle::ssVertical)) + "0"},
    {"memo_lines", "TMemo", "Lines.Strings = (\n 'first'\n ''\n 'third'#9'tab')",
     [](TComponent& c) { return dynamic_cast<TMemo&>(c).AnsiText(); }, "first\r\n\r\nthird\ttab\r\n"},
    {"image_flags", "TImage", "Stretch = True\n Center = True\n Transparent = True",
     [](TComponent& c) {
       auto& i = dynamic_cast<TImage&>(c);
       return Str(i.Stretch()) + Str(i.Center()) + Str(i.Transparent());
     },
     "111"},
    {"timer", "TTimer", "Enabled = False\n Interval = 10",
     [](TComponent& c) {
       auto& t = dynamic_cast<TTimer&>(c);
       return Str(t.Enabled()) + " " + Str(t.Interval());
     },
     "0 10"},
};

class DesignValueTest : public DesignReaderTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(DesignValueTest, WrittenValueIsSetAndLeftOutValueKeepsItsDefault) {
  const ValueCase& c = GetParam();
  Read(std::string("  object Written: ") + c.class_name + "\n " + c.properties + "\n  end\n" +
       "  object Left_out: " + c.class_name + "\n  end\n");
  TComponent* written = form_->FindComponent("Written");
  TComponent* left_out = form_->FindComponent("Left_out");
  ASSERT_NE(written, nullptr);
  ASSERT_NE(left_out, nullptr);
  EXPECT_EQ(c.probe(*written), c.expected);
  // The reader leaves a property it does not read alone: the component shows exactly what one
  // made directly with the same owner and parent shows.
  const TDesignClassInfo* info = FindDesignClass(c.class_name);
  ASSERT_NE(info, nullptr);
  std::unique_ptr<TComponent> direct(info->create(nullptr));
  if (auto* control = dynamic_cast<TControl*>(direct.get())) control->SetParent(form_.get());
  EXPECT_EQ(c.probe(*left_out), c.probe(*direct));
  EXPECT_NE(c.probe(*direct), c.expected) << "the case would not show a change";
  if (auto* control = dynamic_cast<TControl*>(direct.get())) control->SetParent(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Table, DesignValueTest, ::testing::ValuesIn(kValueCases),
                         [](const auto& row) { return std::string(row.param.name); });

// ---- events -------------------------------------------------------------------------------------

TEST_F(DesignReaderTest, EventsCallTheFormsHandlersByName) {
  Read(
      "  OnCreate = FormCreated\n"
      "  object Panel1: TPanel\n    OnClick = ButtonClick\n    OnMouseDown = ImageMouseDown\n  end\n"
      "  object Image1: TImage\n    OnMouseMove = imagemousemove\n    OnClick = ButtonClick\n  end\n"
      "  object Memo1: TMemo\n    OnKeyDown = EditKeyDown\n  end\n"
      "  object Timer1: TTimer\n    Enabled = False\n    OnTimer = TimerTick\n  end\n");
  auto* panel = Get<TPanel>("Panel1");
  auto* image = Get<TImage>("Image1");
  auto* memo = Get<TMemo>("Memo1");
  auto* timer = Get<TTimer>("Timer1");
  ASSERT_TRUE(panel && image && memo && timer);
  ASSERT_TRUE(form_->OnCreate);
  form_->OnCreate(form_.get());
  ASSERT_TRUE(panel->OnClick && panel->OnMouseDown && image->OnMouseMove && image->OnClick &&
              memo->OnKeyDown && timer->OnTimer());
  panel->OnClick(panel);
  image->OnMouseMove(image, 0, 7, 8);
  image->OnClick(image);
  WORD key = VK_RETURN;
  memo->OnKeyDown(memo, key, 0);
  timer->SetEnabled(true);
  timer->Timer();
  // A real press on the panel's window reaches the bound handler through the message path.
  form_->SetBounds(0, 0, 50, 50);
  testing::PostMouse(panel->Handle(), WM_LBUTTONDOWN, 3, 4, MK_LBUTTON);
  testing::PostMouse(panel->Handle(), WM_LBUTTONUP, 3, 4);
  const std::vector<std::string> expected = {"create Form1", "click Panel1", "move Image1 7,8",
                                             "click Image1", "key Memo1 13",   "tick Timer1",
                                             "down Panel1 3,4", "click Panel1"};
  EXPECT_EQ(form_->log, expected);
  EXPECT_FALSE(image->OnMouseDown) << "an event the description leaves out stays unassigned";
}

// ---- pictures -------------------------------------------------------------------------------------

// A 24-bit bitmap file written by hand from the file format: 2 x 2, bottom-up rows padded to 4
// bytes; top row red, blue; bottom row fuchsia, green.
std::vector<uint8_t> TwoByTwoBitmapFile() {
  std::vector<uint8_t> f;
  auto u16 = [&](uint32_t v) { f.push_back(v & 0xFF); f.push_back((v >> 8) & 0xFF); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
  f.push_back('B');
  f.push_back('M');
  u32(14 + 40 + 16);
  u32(0);
  u32(14 + 40);
  u32(40);
  u32(2);
  u32(2);
  u16(1);
  u16(24);
  u32(0);
  u32(16);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  // bottom row first, pixels blue-green-red
  const uint8_t rows[] = {0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0, 0,   // fuchsia, green
                          0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0, 0};  // red, blue
  f.insert(f.end(), std::begin(rows), std::end(rows));
  return f;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
std::vector<uint8_t> Length32(size_t n) {
  return {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
          static_cast<uint8_t>(n >> 24)};
}
// The picture holder's stored form: a length byte, the class name, the graphic's own form.
std::vector<uint8_t> HolderForm(const std::string& class_name, const std::vector<uint8_t>& graphic) {
  return Concat({{static_cast<uint8_t>(class_name.size())}, Bytes(class_name), graphic});
}

std::vector<uint8_t> PngFixture() {
  bool ok = false;
  auto bytes = testing::ReadFileBytes(testing::SourcePath("pictures/tests/data/png/rgba8.png"), &ok);
  EXPECT_TRUE(ok);
  return bytes;
}

TEST_F(DesignReaderTest, PicturesAreReadThroughTheirStoredForms) {
  const std::vector<uint8_t> bmp = TwoByTwoBitmapFile();
  const std::vector<uint8_t> png = PngFixture();
  ASSERT_GT(png.size(), 24u);
  const int png_width = (png[16] << 24) | (png[17] << 16) | (png[18] << 8) | png[19];
  const int png_height = (png[20] << 24) | (png[21] << 16) | (png[22] << 8) | png[23];
  Read("  object Bitmap1: TImage\n    Picture.Data = " +
       FormatDesignBinary(HolderForm("TBitmap", Concat({Length32(bmp.size()), bmp})), 6) +
       "\n    Stretch = True\n  end\n"
       "  object Png1: TImage\n    AutoSize = True\n    Picture.Data = " +
       FormatDesignBinary(HolderForm("TPngGraphic", png), 6) + "\n    Transparent = True\n  end\n"
       "  object Glyph1: TGlyphHolder\n    Glyph.Data = " +
       FormatDesignBinary(Concat({Length32(bmp.size()), bmp}), 6) + "\n    Left = 7\n  end\n");
  auto* bitmap_image = Get<TImage>("Bitmap1");
  auto* png_image = Get<TImage>("Png1");
  ASSERT_TRUE(bitmap_image && png_image);

  auto* bitmap = dynamic_cast<TBitmap*>(bitmap_image->Picture().Graphic());
  ASSERT_NE(bitmap, nullptr) << ClassOf(bitmap_image->Picture().Graphic());
  ASSERT_EQ(bitmap->Width(), 2);
  ASSERT_EQ(bitmap->Height(), 2);
  const std::vector<uint32_t> pixels = testing::PixelsOf(*bitmap);
  const std::vector<uint32_t> expected = {RGB(255, 0, 0), RGB(0, 0, 255), RGB(255, 0, 255), RGB(0, 255, 0)};
  EXPECT_EQ(pixels, expected);
  EXPECT_TRUE(bitmap_image->Stretch()) << "the property after the picture is read too";

  TGraphic* graphic = png_image->Picture().Graphic();
  ASSERT_NE(graphic, nullptr);
  EXPECT_STREQ(graphic->ClassName(), "TPngGraphic");
  EXPECT_EQ(graphic->Width(), png_width);
  EXPECT_EQ(graphic->Height(), png_height);
  EXPECT_EQ(png_image->Width(), png_width) << "auto-sized to the picture";
  EXPECT_EQ(png_image->Height(), png_height);
  EXPECT_TRUE(png_image->Transparent()) << "the property after the PNG's IEND is read too";

  // A bitmap property holds the bitmap's own stored form: length and file, no class name.
  auto* holder = Get<TGlyphHolder>("Glyph1");
  ASSERT_NE(holder, nullptr);
  EXPECT_EQ(testing::PixelsOf(holder->Glyph()), expected);
  EXPECT_EQ(holder->Left(), 7);
}

// ---- after loading ---------------------------------------------------------------------------------

TEST_F(DesignReaderTest, AfterLoadingRunsOnceEverythingIsReadInCreationOrder) {
  std::vector<std::string> log;
  g_loaded_log = &log;
  Read(
      "  object First: TLoggingImage\n  end\n"
      "  object Panel1: TPanel\n"
      "    object Second: TLoggingImage\n    end\n"
      "  end\n"
      "  object Last: TLoggingImage\n  end\n");
  const std::vector<std::string> expected = {
      "Form1 (form)", "First loading sees Last", "Second loading sees Last", "Last loading sees Last"};
  EXPECT_EQ(log, expected);
  for (int i = 0; i < form_->ComponentCount(); ++i)
    EXPECT_EQ(form_->Components(i)->ComponentState() & (csLoading | csReading), 0u)
        << form_->Components(i)->Name();
}

TEST_F(DesignReaderTest, FieldsReceiveTheirComponents) {
  Read("  object Panel1: TPanel\n    object Memo1: TMemo\n    end\n  end\n", true);
  EXPECT_EQ(form_->Panel1, form_->FindComponent("Panel1"));
  EXPECT_EQ(form_->Memo1, form_->FindComponent("Memo1"));
  ASSERT_NE(form_->Memo1, nullptr);
  EXPECT_EQ(form_->Memo1->Parent(), form_->Panel1);
}

// ---- bad descriptions -------------------------------------------------------------------------------

struct BadCase {
  const char* name;
  std::string body;  // inside "object Form1: TDesignTestForm ... end" (the root is on line 1)
  int line;
  const char* component;
  const char* property;
  const char* what;  // a part of the failure text
  bool with_fields = false;
};

std::vector<BadCase> BadCases() {
  const std::vector<uint8_t> bmp = TwoByTwoBitmapFile();
  const std::vector<uint8_t> png = PngFixture();
  std::vector<uint8_t> cut_png(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2));
  std::vector<uint8_t> bad_signature = png;
  bad_signature[1] = 'X';
  auto picture = [](const std::vector<uint8_t>& stored) {
    return "  object Image1: TImage\n    Picture.Data = " + FormatDesignBinary(stored, 6) + "\n  end\n";
  };
  return {
      {"syntax", "  object Panel1: TPanel\n    Left = 1 2\n  end\n", 3, "Panel1", "", "property name"},
      {"unknown_class", "  object Panel1: TPanell\n  end\n", 2, "Panel1", "", "unknown class 'TPanell'"},
      {"class_not_created_by_name", "  object C1: TControl\n  end\n", 2, "C1", "", "not created"},
      {"duplicate_name", "  object Panel1: TPanel\n  end\n  object Panel1: TPanel\n  end\n", 4,
       "Panel1", "", "already exists"},
      {"control_inside_a_timer", "  object Timer1: TTimer\n    object Image1: TImage\n    end\n  end\n",
       3, "Image1", "", "cannot hold controls"},
      {"unknown_property", "  object Panel1: TPanel\n    Lefft = 1\n  end\n", 3, "Panel1", "Lefft",
       "unknown property 'Lefft' of TPanel"},
      {"unknown_property_of_the_form", "  Colour = clRed\n", 2, "Form1", "Colour", "unknown property"},
      {"unknown_nested_property", "  object Panel1: TPanel\n    Font.Nme = 'x'\n  end\n", 3, "Panel1",
       "Font.Nme", "unknown property 'Nme' of TFont"},
      {"nested_on_a_plain_value", "  object Panel1: TPanel\n    Left.X = 1\n  end\n", 3, "Panel1",
       "Left.X", "no nested properties"},
      {"object_property_given_a_value", "  object Panel1: TPanel\n    Font = 1\n  end\n", 3, "Panel1",
       "Font", "is an object"},
      {"string_for_an_integer", "  object Panel1: TPanel\n    Left = '1'\n  end\n", 3, "Panel1", "Left",
       "an integer expected, found a string"},
      {"out_of_range", "  AlphaBlendValue = 256\n", 2, "Form1", "AlphaBlendValue", "outside 0..255"},
      {"negative_width", "  object Panel1: TPanel\n    Width = -1\n  end\n", 3, "Panel1", "Width",
       "outside 0.."},
      {"unknown_enumeration_value", "  object Panel1: TPanel\n    Align = alMiddle\n  end\n", 3,
       "Panel1", "Align", "unknown value 'alMiddle'"},
      {"unknown_set_member", "  object Panel1: TPanel\n    Font.Style = [fsBold, fsHeavy]\n  end\n", 3,
       "Panel1", "Font.Style", "unknown set member 'fsHeavy'"},
      {"unknown_colour", "  Color = clPink\n", 2, "Form1", "Color", "unknown colour 'clPink'"},
      {"unknown_charset", "  Font.Charset = KLINGON_CHARSET\n", 2, "Form1", "Font.Charset",
       "unknown character set"},
      {"bad_boolean", "  object Panel1: TPanel\n    Visible = Yes\n  end\n", 3, "Panel1", "Visible",
       "True or False"},
      {"unknown_handler", "  object Panel1: TPanel\n    OnClick = PanelClick\n  end\n", 3, "Panel1",
       "OnClick", "unknown handler 'PanelClick'"},
      {"handler_of_the_wrong_type", "  object Panel1: TPanel\n    OnMouseMove = ButtonClick\n  end\n", 3,
       "Panel1", "OnMouseMove", "'ButtonClick' is a TNotifyEvent, the event needs a TMouseMoveEvent"},
      {"handler_given_as_string", "  object Timer1: TTimer\n    OnTimer = 'TimerTick'\n  end\n", 3,
       "Timer1", "OnTimer", "a handler name expected"},
      {"lines_with_a_number", "  object Memo1: TMemo\n    Lines.Strings = ('a' 5)\n  end\n", 3, "Memo1",
       "Lines.Strings", "only strings"},
      {"picture_of_an_unknown_class", picture(HolderForm("TJpegImage", {1, 2, 3})), 3, "Image1",
       "Picture.Data", "TJpegImage"},
      {"picture_cut_short",
       picture(HolderForm("TBitmap", Concat({Length32(bmp.size() + 10), bmp}))),
       3, "Image1", "Picture.Data", "broken picture"},
      {"picture_with_bytes_left_over",
       picture(Concat({HolderForm("TBitmap", Concat({Length32(bmp.size()), bmp})), {0, 0, 0}})), 3,
       "Image1", "Picture.Data", "3 bytes left over"},
      {"png_cut_short", picture(HolderForm("TPngGraphic", cut_png)), 3, "Image1", "Picture.Data",
       "broken picture"},
      {"png_with_a_bad_signature", picture(HolderForm("TPngGraphic", bad_signature)), 3, "Image1",
       "Picture.Data", "broken picture"},
      {"bitmap_given_a_holders_form",
       "  object Glyph1: TGlyphHolder\n    Glyph.Data = " +
           FormatDesignBinary(HolderForm("TBitmap", Concat({Length32(bmp.size()), bmp})), 6) + "\n  end\n",
       3, "Glyph1", "Glyph.Data", "broken picture"},
      {"picture_given_a_string", "  object Image1: TImage\n    Picture.Data = 'x'\n  end\n", 3, "Image1",
       "Picture.Data", "binary data expected"},
      {"missing_field_component", "  object Panel1: TPanel\n  end\n", 1, "Form1", "",
       "field 'Memo1' has no component", true},
      {"field_of_another_class", "  object Panel1: TMemo\n  end\n  object Memo1: TMemo\n  end\n", 2,
       "Panel1", "", "needs a TPanel, the component is a TMemo", true},
  };
}

class DesignBadDescriptionTest : public DesignReaderTest,
                                 public ::testing::WithParamInterface<BadCase> {};

TEST_P(DesignBadDescriptionTest, FailsNamingLineComponentAndPropertyAndLeavesTheFormAsItWas) {
  const BadCase& c = GetParam();
  form_->SetName("Before");
  try {
    Read(c.body, c.with_fields);
    FAIL() << "read without complaint";
  } catch (const EDesignError& e) {
    EXPECT_EQ(e.Line(), c.line) << e.Message();
    EXPECT_EQ(e.ComponentName(), c.component) << e.Message();
    EXPECT_EQ(e.PropertyName(), c.property) << e.Message();
    EXPECT_NE(e.Message().find(c.what), std::string::npos) << e.Message();
    if (*c.component != '\0') {
      EXPECT_NE(e.Message().find(std::string("component '") + c.component + "'"), std::string::npos);
    }
    if (*c.property != '\0') {
      EXPECT_NE(e.Message().find(std::string("property '") + c.property + "'"), std::string::npos);
    }
  }
  EXPECT_EQ(form_->ComponentCount(), 0) << "the components created before the failure are freed";
  EXPECT_EQ(form_->Panel1, nullptr);
  EXPECT_EQ(form_->Memo1, nullptr);
  EXPECT_EQ(form_->Name(), "Before");
  EXPECT_FALSE(form_->IsLoading());
}

INSTANTIATE_TEST_SUITE_P(Table, DesignBadDescriptionTest, ::testing::ValuesIn(BadCases()),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(DesignReaderTest, DescriptionOfAnotherFormClassIsRefused) {
  try {
    ReadDesign(*form_, "object MainForm: TMainForm\nend\n", form_->Bindings(false));
    FAIL();
  } catch (const EDesignError& e) {
    EXPECT_EQ(e.Line(), 1);
    EXPECT_NE(e.Message().find("for a TMainForm, the form is a TDesignTestForm"), std::string::npos)
        << e.Message();
  }
}

// ---- resources ----------------------------------------------------------------------------------

TEST_F(DesignReaderTest, DescriptionIsReadFromTheProgramsResources) {
  ReadDesignResource(*form_, L"DESIGN_READER_TEST", form_->Bindings(true));
  ASSERT_NE(form_->Panel1, nullptr);
  ASSERT_NE(form_->Memo1, nullptr);
  EXPECT_EQ(form_->Panel1->Color(), 15921919);
  EXPECT_EQ(form_->Memo1->AnsiText(), "127.0.0.1             localhost\r\n");
  try {
    ReadDesignResource(*form_, L"NO_SUCH_DESIGN", form_->Bindings(false));
    FAIL();
  } catch (const EDesignError& e) {
    EXPECT_NE(e.Message().find("NO_SUCH_DESIGN"), std::string::npos) << e.Message();
  }
}

}  // namespace
}  // namespace vornada
