// The design reader: the class registry, value conversions, and reading a parsed description
// into a form (creating, naming, parenting and setting up each component, binding events and
// fields, and the after-loading step).
#include "DesignReader.h"

#include <algorithm>
#include <typeinfo>

#include "Controls.h"
#include "Text.h"

namespace vornada {

// ---- registry ---------------------------------------------------------------------------------

namespace {

struct Registry {
  std::map<std::string, TDesignClassInfo, TDesignNameLess> classes;
  std::map<std::type_index, std::string> event_names;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool TDesignNameLess::operator()(std::string_view a, std::string_view b) const {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char x = Lower(a[i]), y = Lower(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  return a.size() < b.size();
}

const TDesignClassInfo* FindDesignClass(std::string_view name) {
  const auto& classes = TheRegistry().classes;
  auto it = classes.find(name);
  return it == classes.end() ? nullptr : &it->second;
}

const TDesignPropertyInfo* FindDesignProperty(const TDesignClassInfo& info, std::string_view name) {
  const TDesignClassInfo* c = &info;
  // The chain is walked at most as deep as there are classes, so a loop of bases cannot hang.
  for (size_t guard = TheRegistry().classes.size() + 1; c != nullptr && guard > 0; --guard) {
    auto it = c->properties.find(name);
    if (it != c->properties.end()) return &it->second;
    c = c->parent.empty() ? nullptr : FindDesignClass(c->parent);
  }
  return nullptr;
}

std::string DesignEventTypeName(std::type_index type) {
  const auto& names = TheRegistry().event_names;
  auto it = names.find(type);
  return it == names.end() ? std::string("an unnamed event type") : it->second;
}

namespace design_detail {

TDesignClassInfo& AddClass(std::string name, std::string parent) {
  TDesignClassInfo& info = TheRegistry().classes[name];
  info = TDesignClassInfo{};
  info.name = std::move(name);
  info.parent = std::move(parent);
  return info;
}

void AddEventTypeName(std::type_index type, std::string name) {
  TheRegistry().event_names[type] = std::move(name);
}

void BadValue(std::string what) { throw EDesignError(0, "", "", std::move(what)); }

namespace {
void ExpectKind(const TDesignValue& v, TDesignValueKind kind) {
  if (v.kind != kind)
    BadValue(std::string(DescribeDesignValueKind(kind)) + " expected, found " +
             DescribeDesignValueKind(v.kind));
}
}  // namespace

int64_t ToInteger(const TDesignValue& v, int64_t min, int64_t max) {
  ExpectKind(v, TDesignValueKind::Integer);
  if (v.integer < min || v.integer > max)
    BadValue("value " + std::to_string(v.integer) + " is outside " + std::to_string(min) + ".." +
             std::to_string(max));
  return v.integer;
}

bool ToBoolean(const TDesignValue& v) {
  if (v.kind == TDesignValueKind::Identifier) {
    if (SameDesignName(v.text, "True")) return true;
    if (SameDesignName(v.text, "False")) return false;
    BadValue("True or False expected, found '" + v.text + "'");
  }
  BadValue(std::string("True or False expected, found ") + DescribeDesignValueKind(v.kind));
}

int64_t ToNamed(const TDesignValue& v, const std::vector<std::pair<std::string, int64_t>>& names,
                bool allow_number, int64_t min, int64_t max) {
  if (allow_number && v.kind == TDesignValueKind::Integer) return ToInteger(v, min, max);
  std::string choices;
  for (const auto& [name, value] : names) choices += (choices.empty() ? "" : ", ") + name;
  if (v.kind != TDesignValueKind::Identifier)
    BadValue(std::string("one of ") + choices + " expected, found " + DescribeDesignValueKind(v.kind));
  for (const auto& [name, value] : names)
    if (SameDesignName(name, v.text)) return value;
  BadValue("unknown value '" + v.text + "'; expected one of " + choices);
}

unsigned ToSet(const TDesignValue& v, const std::vector<std::pair<std::string, unsigned>>& names) {
  ExpectKind(v, TDesignValueKind::Set);
  unsigned flags = 0;
  for (const std::string& member : v.names) {
    auto it = std::find_if(names.begin(), names.end(),
                           [&](const auto& entry) { return SameDesignName(entry.first, member); });
    if (it == names.end()) {
      std::string choices;
      for (const auto& [name, flag] : names) choices += (choices.empty() ? "" : ", ") + name;
      BadValue("unknown set member '" + member + "'; expected members of [" + choices + "]");
    }
    flags |= it->second;
  }
  return flags;
}

TColor ToColor(const TDesignValue& v) {
  if (v.kind == TDesignValueKind::Identifier) {
    TColor c = 0;
    if (!DesignColorFromName(v.text, c)) BadValue("unknown colour '" + v.text + "'");
    return c;
  }
  if (v.kind != TDesignValueKind::Integer)
    BadValue(std::string("a colour name or number expected, found ") + DescribeDesignValueKind(v.kind));
  // Written as a signed or an unsigned 32-bit value ($FF00000F and -16777201 are the same).
  const int64_t n = ToInteger(v, INT32_MIN, UINT32_MAX);
  return static_cast<TColor>(static_cast<uint32_t>(n));
}

const std::string& ToString(const TDesignValue& v) {
  ExpectKind(v, TDesignValueKind::String);
  return v.text;
}

std::wstring ToText(const TDesignValue& v) {
  const std::u16string wide = WideFrom1251(ToString(v));
  return std::wstring(wide.begin(), wide.end());
}

}  // namespace design_detail

// ---- names of colours and character sets -------------------------------------------------------

bool DesignColorFromName(std::string_view name, TColor& color) {
  static const std::pair<const char*, TColor> kColors[] = {
      {"clBlack", clBlack}, {"clMaroon", clMaroon}, {"clGreen", clGreen}, {"clOlive", clOlive},
      {"clNavy", clNavy}, {"clPurple", clPurple}, {"clTeal", clTeal}, {"clGray", clGray},
      {"clSilver", clSilver}, {"clRed", clRed}, {"clLime", clLime}, {"clYellow", clYellow},
      {"clBlue", clBlue}, {"clFuchsia", clFuchsia}, {"clAqua", clAqua}, {"clWhite", clWhite},
      {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF},
      {"clMedGray", 0xA4A0A0}, {"clNone", clNone}, {"clDefault", clDefault},
      {"clScrollBar", clScrollBar}, {"clBackground", clBackground},
      {"clActiveCaption", clActiveCaption}, {"clInactiveCaption", clInactiveCaption},
      {"clMenu", clMenu}, {"clWindow", clWindow}, {"clWindowFrame", clWindowFrame},
      {"clMenuText", clMenuText}, {"clWindowText", clWindowText},
      {"clCaptionText", clCaptionText}, {"clActiveBorder", clActiveBorder},
      {"clInactiveBorder", clInactiveBorder}, {"clAppWorkSpace", clAppWorkSpace},
      {"clHighlight", clHighlight}, {"clHighlightText", clHighlightText},
      {"clBtnFace", clBtnFace}, {"clBtnShadow", clBtnShadow}, {"clGrayText", clGrayText},
      {"clBtnText", clBtnText}, {"clInactiveCaptionText", clInactiveCaptionText},
      {"clBtnHighlight", clBtnHighlight}, {"cl3DDkShadow", cl3DDkShadow},
      {"cl3DLight", cl3DLight}, {"clInfoText", clInfoText}, {"clInfoBk", clInfoBk},
  };
  for (const auto& [n, c] : kColors)
    if (SameDesignName(n, name)) {
      color = c;
      return true;
    }
  return false;
}

bool DesignCharsetFromName(std::string_view name, int& charset) {
  static const std::pair<const char*, int> kCharsets[] = {
      {"ANSI_CHARSET", ANSI_CHARSET}, {"DEFAULT_CHARSET", DEFAULT_CHARSET},
      {"SYMBOL_CHARSET", SYMBOL_CHARSET}, {"MAC_CHARSET", MAC_CHARSET},
      {"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET}, {"HANGEUL_CHARSET", HANGEUL_CHARSET},
      {"JOHAB_CHARSET", JOHAB_CHARSET}, {"GB2312_CHARSET", GB2312_CHARSET},
      {"CHINESEBIG5_CHARSET", CHINESEBIG5_CHARSET}, {"GREEK_CHARSET", GREEK_CHARSET},
      {"TURKISH_CHARSET", TURKISH_CHARSET}, {"VIETNAMESE_CHARSET", VIETNAMESE_CHARSET},
      {"HEBREW_CHARSET", HEBREW_CHARSET}, {"ARABIC_CHARSET", ARABIC_CHARSET},
      {"BALTIC_CHARSET", BALTIC_CHARSET}, {"RUSSIAN_CHARSET", RUSSIAN_CHARSET},
      {"THAI_CHARSET", THAI_CHARSET}, {"EASTEUROPE_CHARSET", EASTEUROPE_CHARSET},
      {"OEM_CHARSET", OEM_CHARSET},
  };
  for (const auto& [n, c] : kCharsets)
    if (SameDesignName(n, name)) {
      charset = c;
      return true;
    }
  return false;
}

// ---- bindings ---------------------------------------------------------------------------------

const TDesignBindings::HandlerEntry* TDesignBindings::FindHandler(std::string_view name) const {
  auto it = handlers_.find(name);
  return it == handlers_.end() ? nullptr : &it->second;
}

// ---- reading ----------------------------------------------------------------------------------

namespace {

// The registered class that describes an object the reader did not create (the form): the
// class of its own name when registered, else the most derived registered class it is an
// instance of.
const TDesignClassInfo* ClassDescribing(const TPersistent& object) {
  if (const TDesignClassInfo* own = FindDesignClass(object.ClassName())) return own;
  const TDesignClassInfo* best = nullptr;
  size_t best_depth = 0;
  const auto& classes = TheRegistry().classes;
  for (const auto& [name, info] : classes) {
    if (!info.is_instance || !info.is_instance(&object)) continue;
    size_t depth = 0;
    for (const TDesignClassInfo* c = &info; c != nullptr && depth <= classes.size();
         c = c->parent.empty() ? nullptr : FindDesignClass(c->parent))
      ++depth;
    if (depth > best_depth) {
      best = &info;
      best_depth = depth;
    }
  }
  return best;
}

class Reader {
 public:
  Reader(TComponent& root, const TDesignBindings& bindings) : root_(root), bindings_(bindings) {}

  void Read(const TDesignObject& tree) {
    if (!SameDesignName(tree.class_name, root_.ClassName()))
      throw EDesignError(tree.line, tree.name, "",
                         "the description is for a " + tree.class_name + ", the form is a " +
                             root_.ClassName());
    const TDesignClassInfo* info = ClassDescribing(root_);
    if (info == nullptr)
      throw EDesignError(tree.line, tree.name, "",
                         std::string("no registered class describes a ") + root_.ClassName());
    const unsigned old_state = root_.ComponentState() & (csLoading | csReading);
    const std::string old_name = root_.Name();
    root_.SetComponentStateFlag(csLoading | csReading, true);
    try {
      root_.SetName(tree.name);
      ReadProperties(root_, tree, *info);
      for (const TDesignObject& child : tree.children) ReadComponent(child, &root_);
      ResolveReferences();
      BindFields(tree);
      root_.SetComponentStateFlag(csReading, false);
      for (TComponent* c : created_) c->SetComponentStateFlag(csReading, false);
      // Controls placed on a parent with a window got none while they were read; they get
      // theirs now, made once with all their properties, before any after-loading step.
      if (auto* form = dynamic_cast<TWinControl*>(&root_)) form->CreateMissingChildHandles();
      RunLoaded(root_, tree.name, tree.line);
      for (size_t i = 0; i < created_.size(); ++i)
        RunLoaded(*created_[i], created_[i]->Name(), created_lines_[i]);
    } catch (...) {
      // Nothing half-built stays: the components created so far go, newest first.
      if (fields_bound_)
        for (const auto& [name, field] : bindings_.Fields()) field.assign(nullptr);
      for (auto it = created_.rbegin(); it != created_.rend(); ++it) delete *it;
      created_.clear();
      root_.SetComponentStateFlag(csLoading | csReading, false);
      root_.SetComponentStateFlag(old_state, true);
      root_.SetName(old_name);
      throw;
    }
  }

 private:
  [[noreturn]] static void Fail(int line, const std::string& component, const std::string& property,
                                const std::string& what) {
    throw EDesignError(line, component, property, what);
  }

  void ReadComponent(const TDesignObject& object, TComponent* enclosing) {
    const TDesignClassInfo* info = FindDesignClass(object.class_name);
    if (info == nullptr) Fail(object.line, object.name, "", "unknown class '" + object.class_name + "'");
    if (!info->create)
      Fail(object.line, object.name, "", "class " + info->name + " is not created from descriptions");
    if (root_.FindComponent(object.name) != nullptr || SameDesignName(object.name, root_.Name()))
      Fail(object.line, object.name, "", "a component named '" + object.name + "' already exists");
    TControl* as_control = nullptr;
    TWinControl* parent = nullptr;
    TComponent* component = info->create(&root_);
    created_.push_back(component);
    created_lines_.push_back(object.line);
    component->SetName(object.name);
    component->SetComponentStateFlag(csLoading | csReading, true);
    as_control = dynamic_cast<TControl*>(component);
    if (as_control != nullptr) {
      parent = dynamic_cast<TWinControl*>(enclosing);
      if (parent == nullptr)
        Fail(object.line, object.name, "",
             "a " + info->name + " needs a windowed control around it; '" + enclosing->Name() +
                 "' (" + enclosing->ClassName() + ") cannot hold controls");
      try {
        as_control->SetParent(parent);
      } catch (const std::exception& e) {
        Fail(object.line, object.name, "", std::string("it cannot be placed: ") + e.what());
      }
    }
    ReadProperties(*component, object, *info);
    for (const TDesignObject& child : object.children) ReadComponent(child, component);
  }

  void ReadProperties(TPersistent& target, const TDesignObject& object, const TDesignClassInfo& info) {
    for (const TDesignProperty& p : object.properties) SetProperty(target, object.name, info, p);
  }

  void SetProperty(TPersistent& start, const std::string& component, const TDesignClassInfo& start_info,
                   const TDesignProperty& p) {
    TPersistent* target = &start;
    const TDesignClassInfo* info = &start_info;
    size_t begin = 0;
    for (;;) {
      const size_t dot = p.name.find('.', begin);
      const std::string part = p.name.substr(begin, dot == std::string::npos ? std::string::npos : dot - begin);
      const TDesignPropertyInfo* prop = FindDesignProperty(*info, part);
      if (prop == nullptr)
        Fail(p.line, component, p.name, "unknown property '" + part + "' of " + info->name);
      if (dot != std::string::npos) {
        if (prop->kind != TDesignPropertyInfo::Kind::Object)
          Fail(p.line, component, p.name, "'" + part + "' of " + info->name + " has no nested properties");
        const TDesignClassInfo* sub = FindDesignClass(prop->object_class);
        if (sub == nullptr)
          Fail(p.line, component, p.name, "class " + prop->object_class + " of '" + part + "' is not registered");
        target = prop->object(*target);
        if (target == nullptr) Fail(p.line, component, p.name, "'" + part + "' is not there");
        info = sub;
        begin = dot + 1;
        continue;
      }
      switch (prop->kind) {
        case TDesignPropertyInfo::Kind::Object:
          Fail(p.line, component, p.name,
               "'" + part + "' is an object; set its properties (" + p.name + ".Name = ...)");
        case TDesignPropertyInfo::Kind::Event:
          BindEvent(*target, component, p, *prop);
          return;
        case TDesignPropertyInfo::Kind::Reference:
          if (p.value.kind != TDesignValueKind::Identifier)
            Fail(p.line, component, p.name,
                 std::string("a component name expected, found ") + DescribeDesignValueKind(p.value.kind));
          references_.push_back(PendingReference{target, component, &p, prop});
          return;
        case TDesignPropertyInfo::Kind::Value:
          try {
            prop->set(*target, p.value);
          } catch (const EDesignError& e) {
            Fail(p.line, component, p.name, e.What());
          } catch (const Exception& e) {
            Fail(p.line, component, p.name, std::string(e.ClassName()) + ": " + e.Message());
          } catch (const std::exception& e) {
            Fail(p.line, component, p.name, e.what());
          }
          return;
      }
    }
  }

  void BindEvent(TPersistent& target, const std::string& component, const TDesignProperty& p,
                 const TDesignPropertyInfo& prop) {
    if (p.value.kind != TDesignValueKind::Identifier)
      Fail(p.line, component, p.name,
           std::string("a handler name expected, found ") + DescribeDesignValueKind(p.value.kind));
    const TDesignBindings::HandlerEntry* handler = bindings_.FindHandler(p.value.text);
    if (handler == nullptr)
      Fail(p.line, component, p.name, "unknown handler '" + p.value.text + "'");
    if (handler->type != prop.event_type)
      Fail(p.line, component, p.name,
           "handler '" + p.value.text + "' is a " + DesignEventTypeName(handler->type) +
               ", the event needs a " + DesignEventTypeName(prop.event_type));
    prop.bind(target, handler->handler);
  }

  // References name components anywhere in the description: they are set once all exist.
  void ResolveReferences() {
    for (const PendingReference& r : references_) {
      const std::string& name = r.property->value.text;
      TComponent* named = nullptr;
      if (!SameDesignName(name, "nil")) {
        named = SameDesignName(name, root_.Name()) ? &root_ : root_.FindComponent(name);
        if (named == nullptr)
          Fail(r.property->line, r.component, r.property->name, "no component named '" + name + "'");
        if (!r.info->accepts(named))
          Fail(r.property->line, r.component, r.property->name,
               "'" + name + "' is a " + named->ClassName() + ", the property needs a " +
                   r.info->reference_class);
      }
      try {
        r.info->assign(*r.target, named);
      } catch (const Exception& e) {
        Fail(r.property->line, r.component, r.property->name, std::string(e.ClassName()) + ": " + e.Message());
      } catch (const std::exception& e) {
        Fail(r.property->line, r.component, r.property->name, e.what());
      }
    }
    references_.clear();
  }

  void BindFields(const TDesignObject& tree) {
    const auto& fields = bindings_.Fields();
    for (const auto& [name, field] : fields) {
      TComponent* c = root_.FindComponent(name);
      if (c == nullptr)
        Fail(tree.line, tree.name, "", "the form's field '" + name + "' has no component in the description");
      if (!field.accepts(c))
        Fail(LineOf(c), name, "",
             std::string("the form's field needs a ") + field.class_name + ", the component is a " +
                 c->ClassName());
    }
    fields_bound_ = true;
    for (const auto& [name, field] : fields) field.assign(root_.FindComponent(name));
  }

  int LineOf(const TComponent* c) const {
    for (size_t i = 0; i < created_.size(); ++i)
      if (created_[i] == c) return created_lines_[i];
    return 0;
  }

  static void RunLoaded(TComponent& c, const std::string& name, int line) {
    try {
      c.Loaded();
    } catch (const EDesignError&) {
      throw;
    } catch (const Exception& e) {
      Fail(line, name, "", std::string("its after-loading step failed: ") + e.ClassName() + ": " + e.Message());
    } catch (const std::exception& e) {
      Fail(line, name, "", std::string("its after-loading step failed: ") + e.what());
    }
  }

  struct PendingReference {
    TPersistent* target;
    std::string component;
    const TDesignProperty* property;
    const TDesignPropertyInfo* info;
  };

  TComponent& root_;
  const TDesignBindings& bindings_;
  std::vector<PendingReference> references_;
  std::vector<TComponent*> created_;
  std::vector<int> created_lines_;
  bool fields_bound_ = false;
};

}  // namespace

void ReadDesign(TComponent& root, std::string_view text, const TDesignBindings& bindings) {
  const TDesignObject tree = ParseDesignText(text);
  Reader(root, bindings).Read(tree);
}

void ReadDesignResource(TComponent& root, const wchar_t* name, const TDesignBindings& bindings,
                        HMODULE module) {
  if (module == nullptr) module = ::GetModuleHandleW(nullptr);
  // Resource memory belongs to the loaded module for its whole life: nothing to free here.
  HRSRC info = ::FindResourceW(module, name, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL loaded = info != nullptr ? ::LoadResource(module, info) : nullptr;
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) {
    const std::u16string wide(reinterpret_cast<const char16_t*>(name));
    throw EDesignError(0, "", "", "the program holds no design description resource '" +
                                      Utf8FromUtf16(wide) + "'");
  }
  const DWORD size = ::SizeofResource(module, info);
  ReadDesign(root, std::string_view(static_cast<const char*>(data), size), bindings);
}

}  // namespace vornada
