// The design reader: builds a form's components from its design description (the text form of
// DesignText.h), through a registry of component classes and their properties.
//
// Reading. `ReadDesign(form, text, bindings)` parses the text; the root object describes the
// form itself (its class name must be the form's). For every nested `object Name: TClass` the
// reader creates a TClass through the registry, owned by the form, named Name, with csLoading
// (and csReading) set; a control gets the enclosing object as its parent (which must be a
// windowed control; the form for objects at the top level). Then the object's properties are
// set in written order, and its own nested objects are read. Properties left at their default
// are not written in a description, so the reader never touches them. Once the whole text is
// read, the form's fields named in the bindings receive their components, and `Loaded()` runs
// on the form and then on every created component in creation order.
//
// A bad description (syntax error, unknown class, unknown property, a value of the wrong kind
// or out of range, an unknown handler or one of the wrong type, a picture that cannot be read,
// a missing or mistyped field component) fails with an EDesignError whose message names the
// line, the component and the property. Nothing is left half-built: the components created so
// far are freed again. `ReadDesignResource` reads a description stored as an RCDATA resource.
//
// Registering a class (once, at start-up, before any description is read):
//
//   RegisterDesignClass<TFlPanel>("TCustomControl")   // created by name; TCustomControl's
//       .Color("BorderColor", &TFlPanel::SetBorderColor)        // properties (and its bases')
//       .Integer("BorderWidth", &TFlPanel::SetBorderWidth, 0, 100)     // apply as well
//       .Enum<TCaptionAlignment>("CaptionAlignment", &TFlPanel::SetCaptionAlignment,
//                                {{"caLeft", caLeft}, {"caCenter", caCenter}})
//       .Object<TBitmap>("Skin", &TSkImgBtn::Skin)       // nested: Skin.Data = {...}
//       .Reference<TCustomImageList>("Images", &TFxBitBtn::SetImages)  // Images = ImageList1
//       .Event("OnMouseEnter", &TControl::OnMouseEnter);  // a TNotifyEvent member (or setter)
//
//   RegisterDesignProperties<TFxCommon>("TPersistent")   // not created by name: a base class,
//                                                         // or the class of an object property
//
// Setters and getters are member pointers (of the class or of a base) or callables taking the
// object first. Value kinds: Integer (range-checked), Boolean (True / False), Enum (named
// values), Set (named flags, [a, b]), Color (clXxx names or numbers), Charset (XXX_CHARSET names
// or numbers), String (8-bit bytes, code page 1251), Text (wide text from code page 1251),
// Object (a nested persistent whose class is registered: `Font.Name`), Reference (another
// component of the form by name, or nil; set once the whole description is read, so the named
// component may come later in it), Custom (any function of the design value), Event (the form's
// handler by name; a member of event type E or TEventProperty<E>, or a setter). A class registered again replaces the
// earlier registration; names of classes, properties, values and handlers are not case-sensitive.
// A new event type is named once with RegisterDesignEventType<T>("TMyEvent") for messages.
//
// The form publishes its handlers and its component fields through TDesignBindings:
//
//   TDesignBindings b;
//   b.Handler("BtnYESClick", this, &TMainForm::BtnYESClick)   // type from the method
//    .Field("BtnYES", BtnYES);                                 // TSkImgBtn*& member
//   ReadDesignResource(*this, L"MAINFORM", b);
//
// `RegisterFrameworkDesignClasses()` registers the framework's own classes (forms, panels, memos,
// labels, images, image lists, timers, fonts, size constraints, pictures, bitmaps, string lists).
// An image list stores its images as `Bitmap = {...}`: the bitmap stored form (4-byte length,
// then a bitmap file) of one strip of the images side by side, each Width x Height, the strip's
// lower-left colour transparent; Width and Height come before it.
#pragma once

#include <windows.h>

#include <any>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <typeindex>
#include <type_traits>
#include <utility>
#include <vector>

#include "Classes.h"
#include "DesignText.h"
#include "EventProperty.h"
#include "Graphics.h"

namespace vornada {

// ---- the registry -----------------------------------------------------------------------------

struct TDesignNameLess {
  bool operator()(std::string_view a, std::string_view b) const;
  using is_transparent = void;
};

struct TDesignPropertyInfo {
  enum class Kind { Value, Object, Event, Reference };
  Kind kind = Kind::Value;
  // Value: sets the property from a design value (throws EDesignError(0, ...) for a bad value).
  std::function<void(TPersistent&, const TDesignValue&)> set;
  // Object: the nested persistent and the registered class its properties are looked up in.
  std::function<TPersistent*(TPersistent&)> object;
  std::string object_class;
  // Event: the handler type it takes, and how a handler of that type is stored.
  std::type_index event_type = typeid(void);
  std::function<void(TPersistent&, const std::any&)> bind;
  // Reference: the class the component must be, and how it is set (nullptr for nil).
  std::string reference_class;
  std::function<bool(TComponent*)> accepts;
  std::function<void(TPersistent&, TComponent*)> assign;
};

struct TDesignClassInfo {
  std::string name;
  std::string parent;  // registered name of the base whose properties apply as well ("" none)
  // Creates an instance owned by `owner`; empty for classes that are not created by name.
  std::function<TComponent*(TComponent* owner)> create;
  std::function<bool(const TPersistent*)> is_instance;
  std::map<std::string, TDesignPropertyInfo, TDesignNameLess> properties;
};

// The registered class of this name, or nullptr.
const TDesignClassInfo* FindDesignClass(std::string_view name);
// A property of a registered class or of one of its bases (the most derived registration wins).
const TDesignPropertyInfo* FindDesignProperty(const TDesignClassInfo& info, std::string_view name);
// The name messages use for an event type ("TNotifyEvent"); "an unnamed event type" otherwise.
std::string DesignEventTypeName(std::type_index type);

namespace design_detail {
TDesignClassInfo& AddClass(std::string name, std::string parent);
void AddEventTypeName(std::type_index type, std::string name);
[[noreturn]] void BadValue(std::string what);
int64_t ToInteger(const TDesignValue& v, int64_t min, int64_t max);
bool ToBoolean(const TDesignValue& v);
int64_t ToNamed(const TDesignValue& v, const std::vector<std::pair<std::string, int64_t>>& names,
                bool allow_number, int64_t min, int64_t max);
unsigned ToSet(const TDesignValue& v, const std::vector<std::pair<std::string, unsigned>>& names);
TColor ToColor(const TDesignValue& v);
const std::string& ToString(const TDesignValue& v);
std::wstring ToText(const TDesignValue& v);
}  // namespace design_detail

// Builds the property table of one class; returned by the Register functions.
template <class C>
class TDesignClassBuilder {
 public:
  explicit TDesignClassBuilder(TDesignClassInfo& info) : info_(info) {}

  template <class V = int, class F>
  TDesignClassBuilder& Integer(std::string name, F setter, V min = std::numeric_limits<V>::lowest(),
                               V max = std::numeric_limits<V>::max()) {
    return Value(std::move(name), [setter, min, max](C& c, const TDesignValue& v) {
      std::invoke(setter, c, static_cast<V>(design_detail::ToInteger(
                                 v, static_cast<int64_t>(min), static_cast<int64_t>(max))));
    });
  }

  template <class F>
  TDesignClassBuilder& Boolean(std::string name, F setter) {
    return Value(std::move(name), [setter](C& c, const TDesignValue& v) {
      std::invoke(setter, c, design_detail::ToBoolean(v));
    });
  }

  template <class E, class F>
  TDesignClassBuilder& Enum(std::string name, F setter,
                            std::vector<std::pair<std::string, E>> names) {
    std::vector<std::pair<std::string, int64_t>> table;
    for (auto& [n, e] : names) table.emplace_back(n, static_cast<int64_t>(e));
    return Value(std::move(name), [setter, table](C& c, const TDesignValue& v) {
      std::invoke(setter, c, static_cast<E>(design_detail::ToNamed(v, table, false, 0, 0)));
    });
  }

  template <class F>
  TDesignClassBuilder& Set(std::string name, F setter,
                           std::vector<std::pair<std::string, unsigned>> members) {
    return Value(std::move(name), [setter, members](C& c, const TDesignValue& v) {
      std::invoke(setter, c, design_detail::ToSet(v, members));
    });
  }

  template <class F>
  TDesignClassBuilder& Color(std::string name, F setter) {
    return Value(std::move(name), [setter](C& c, const TDesignValue& v) {
      std::invoke(setter, c, design_detail::ToColor(v));
    });
  }

  template <class F>
  TDesignClassBuilder& Charset(std::string name, F setter);

  template <class F>
  TDesignClassBuilder& String(std::string name, F setter) {
    return Value(std::move(name), [setter](C& c, const TDesignValue& v) {
      std::invoke(setter, c, design_detail::ToString(v));
    });
  }

  template <class F>
  TDesignClassBuilder& Text(std::string name, F setter) {
    return Value(std::move(name), [setter](C& c, const TDesignValue& v) {
      std::invoke(setter, c, design_detail::ToText(v));
    });
  }

  template <class F>
  TDesignClassBuilder& Custom(std::string name, F fn) {
    return Value(std::move(name), [fn](C& c, const TDesignValue& v) { std::invoke(fn, c, v); });
  }

  // A nested persistent of registered class S, reached through `getter` (returning S& or S*).
  template <class S, class F>
  TDesignClassBuilder& Object(std::string name, F getter) {
    TDesignPropertyInfo p;
    p.kind = TDesignPropertyInfo::Kind::Object;
    p.object_class = S::StaticClassName();
    p.object = [getter](TPersistent& target) -> TPersistent* {
      C& c = dynamic_cast<C&>(target);
      if constexpr (std::is_pointer_v<std::invoke_result_t<F, C&>>) {
        return static_cast<S*>(std::invoke(getter, c));
      } else {
        return static_cast<S*>(&std::invoke(getter, c));
      }
    };
    info_.properties[std::move(name)] = std::move(p);
    return *this;
  }

  // A reference to another component of the form, of class T (or nil): `setter` takes a T*.
  template <class T, class F>
  TDesignClassBuilder& Reference(std::string name, F setter) {
    TDesignPropertyInfo p;
    p.kind = TDesignPropertyInfo::Kind::Reference;
    p.reference_class = T::StaticClassName();
    p.accepts = [](TComponent* c) { return dynamic_cast<T*>(c) != nullptr; };
    p.assign = [setter](TPersistent& target, TComponent* c) {
      std::invoke(setter, dynamic_cast<C&>(target), dynamic_cast<T*>(c));
    };
    info_.properties[std::move(name)] = std::move(p);
    return *this;
  }

  // An event stored in a member of event type E (a std::function).
  template <class E, class B>
    requires(!std::is_function_v<E>)
  TDesignClassBuilder& Event(std::string name, E B::*member) {
    return AddEvent<E>(std::move(name), [member](C& c, E handler) { c.*member = std::move(handler); });
  }
  // An event stored in a member whose assignments its owner may refuse (TEventProperty<E>).
  template <class E, class B>
  TDesignClassBuilder& Event(std::string name, TEventProperty<E> B::*member) {
    return AddEvent<E>(std::move(name), [member](C& c, E handler) { c.*member = std::move(handler); });
  }
  // An event stored in a member that takes handlers of type H by assignment without being an H
  // itself (a handler guarded by its owner's lock): `.Event<TNotifyEvent>("OnX", &T::OnX)`.
  template <class H, class M, class B>
    requires(!std::is_same_v<H, M> && std::is_assignable_v<M&, H>)
  TDesignClassBuilder& Event(std::string name, M B::*member) {
    return AddEvent<H>(std::move(name), [member](C& c, H handler) { c.*member = std::move(handler); });
  }
  // An event stored through a setter taking the handler.
  template <class E, class B>
  TDesignClassBuilder& Event(std::string name, void (B::*setter)(E)) {
    using Handler = std::remove_cvref_t<E>;
    return AddEvent<Handler>(std::move(name),
                             [setter](C& c, Handler handler) { (c.*setter)(std::move(handler)); });
  }

 private:
  template <class F>
  TDesignClassBuilder& Value(std::string name, F fn) {
    TDesignPropertyInfo p;
    p.kind = TDesignPropertyInfo::Kind::Value;
    p.set = [fn](TPersistent& target, const TDesignValue& v) { fn(dynamic_cast<C&>(target), v); };
    info_.properties[std::move(name)] = std::move(p);
    return *this;
  }

  template <class E, class F>
  TDesignClassBuilder& AddEvent(std::string name, F store) {
    TDesignPropertyInfo p;
    p.kind = TDesignPropertyInfo::Kind::Event;
    p.event_type = typeid(E);
    p.bind = [store](TPersistent& target, const std::any& handler) {
      store(dynamic_cast<C&>(target), std::any_cast<const E&>(handler));
    };
    info_.properties[std::move(name)] = std::move(p);
    return *this;
  }

  TDesignClassInfo& info_;
};

// A class created by name from descriptions: C(TComponent* owner) must exist.
template <class C>
TDesignClassBuilder<C> RegisterDesignClass(std::string parent) {
  static_assert(std::is_base_of_v<TComponent, C>, "only components are created by name");
  TDesignClassInfo& info = design_detail::AddClass(C::StaticClassName(), std::move(parent));
  info.create = [](TComponent* owner) -> TComponent* { return new C(owner); };
  info.is_instance = [](const TPersistent* p) { return dynamic_cast<const C*>(p) != nullptr; };
  return TDesignClassBuilder<C>(info);
}

// A class whose properties descriptions set, but which they never create by name.
template <class C>
TDesignClassBuilder<C> RegisterDesignProperties(std::string parent) {
  TDesignClassInfo& info = design_detail::AddClass(C::StaticClassName(), std::move(parent));
  info.is_instance = [](const TPersistent* p) { return dynamic_cast<const C*>(p) != nullptr; };
  return TDesignClassBuilder<C>(info);
}

// Names an event type for messages ("handler 'X' is a TMouseEvent, ...").
template <class E>
void RegisterDesignEventType(std::string name) {
  design_detail::AddEventTypeName(typeid(E), std::move(name));
}

// The framework's own classes; safe to call more than once.
void RegisterFrameworkDesignClasses();

// Colour names (clWhite, clBtnFace, ...): the colour of a name, false when it has none.
bool DesignColorFromName(std::string_view name, TColor& color);
// Character set names (RUSSIAN_CHARSET, ...).
bool DesignCharsetFromName(std::string_view name, int& charset);

template <class C>
template <class F>
TDesignClassBuilder<C>& TDesignClassBuilder<C>::Charset(std::string name, F setter) {
  return Value(std::move(name), [setter](C& c, const TDesignValue& v) {
    int64_t charset = 0;
    if (v.kind == TDesignValueKind::Identifier) {
      int named = 0;
      if (!DesignCharsetFromName(v.text, named))
        design_detail::BadValue("unknown character set '" + v.text + "'");
      charset = named;
    } else {
      charset = design_detail::ToInteger(v, 0, 255);
    }
    std::invoke(setter, c, static_cast<BYTE>(charset));
  });
}

// ---- the form's handlers and fields -----------------------------------------------------------

class TDesignBindings {
 public:
  struct HandlerEntry {
    std::any handler;  // a std::function<void(Args...)>
    std::type_index type = typeid(void);
  };
  struct FieldEntry {
    std::string class_name;
    std::function<bool(TComponent*)> accepts;
    std::function<void(TComponent*)> assign;
  };

  // A published handler: `method` of `object`. Its event type is std::function of the
  // method's parameters (void (TObject*) is a TNotifyEvent, and so on).
  template <class C, class... Args>
  TDesignBindings& Handler(std::string name, C* object, void (C::*method)(Args...)) {
    std::function<void(Args...)> fn = [object, method](Args... args) {
      (object->*method)(std::forward<Args>(args)...);
    };
    return Handler(std::move(name), std::move(fn));
  }
  template <class... Args>
  TDesignBindings& Handler(std::string name, std::function<void(Args...)> fn) {
    handlers_[std::move(name)] = HandlerEntry{std::any(std::move(fn)), typeid(std::function<void(Args...)>)};
    return *this;
  }

  // A field of the form that receives the component of this name once the description is
  // read; the component must be a T.
  template <class T>
  TDesignBindings& Field(std::string name, T*& field) {
    T** slot = &field;
    fields_[std::move(name)] = FieldEntry{
        T::StaticClassName(),
        [](TComponent* c) { return dynamic_cast<T*>(c) != nullptr; },
        [slot](TComponent* c) { *slot = dynamic_cast<T*>(c); }};
    return *this;
  }

  const HandlerEntry* FindHandler(std::string_view name) const;
  const std::map<std::string, FieldEntry, TDesignNameLess>& Fields() const { return fields_; }

 private:
  std::map<std::string, HandlerEntry, TDesignNameLess> handlers_;
  std::map<std::string, FieldEntry, TDesignNameLess> fields_;
};

// ---- reading -----------------------------------------------------------------------------------

// Reads a whole description into `root` (see the top of this file).
void ReadDesign(TComponent& root, std::string_view text, const TDesignBindings& bindings);

// Reads the description stored as RCDATA resource `name` of `module` (nullptr: the program).
// A missing resource fails with EDesignError naming it.
void ReadDesignResource(TComponent& root, const wchar_t* name, const TDesignBindings& bindings,
                        HMODULE module = nullptr);

}  // namespace vornada
