// Each control declares its published members once, as a table in the interface's
// slot order: the name, the getter and setter, the name the change is reported
// under, and how the property is saved with its form (key, default, the place in
// the control's read and write orders). Late-bound dispatch, ReadProperties and
// WriteProperties and the COM adapter all read the one table; a test holds every
// table against the type model's interfaces.
//
// The setters a table names do the work only. The table's assignment reports the
// change after a setter returns, so no setter can forget its report or spell it
// differently from the declaration; code inside a control that assigns a property
// "through its setter" goes through the table too (TrackedControl::Assign).
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "frame/color_variant.h"
#include "frame/errors.h"
#include "frame/host.h"
#include "frame/members.h"
#include "frame/type_model.h"
#include "frame/variant.h"

namespace vitrelle {

// Defaults that a control takes from its container when it is saved or loaded.
enum class AmbientDefault { kNone, kDisplayName, kFont, kFontSize, kFontName };

// How one property is saved with its form. A property without a key is not saved.
struct Persisted {
  std::string_view key = {};
  std::string_view write_key = {};  // when writing spells the key otherwise; bags match without case
  Variant default_value = {};       // what the bag stores nothing for, and returns for an absent key
  AmbientDefault ambient = AmbientDefault::kNone;  // the default comes from the container instead
  // Places in the control's read and write orders, from 1. 0 for a key the control
  // reads (or writes) in steps of its own, around other work.
  int read_order = 0;
  int write_order = 0;
};

// The type-independent half of a declaration: what hosts and tests may read of
// any control.
struct Declaration {
  std::string_view name;  // as the dispatch interface spells it
  // The kind of value the getter gives and the setter takes: kInteger, kLong (every
  // 32-bit enumeration too), kBoolean, kSingle, kString, kOleColor, kFont, kPicture,
  // kObject; kVoid for a method.
  ValueType carries = ValueType::kVoid;
  bool readable = false;
  bool assignable = false;
  std::string_view changed = {};  // reported to the host after every assignment
  Persisted persisted = {};

  bool IsMethod() const { return carries == ValueType::kVoid; }
  bool IsPersisted() const { return !persisted.key.empty(); }
  std::string_view WriteKey() const { return persisted.write_key.empty() ? persisted.key : persisted.write_key; }
};

template <class C>
struct Property : Declaration {
  Variant (*get)(C&) = nullptr;
  // False when the setter refused the value and changed nothing: nothing is reported.
  bool (*put)(C&, const Variant&) = nullptr;
  void (*call)(C&) = nullptr;
  // Loads a saved value otherwise than through the setter (a key whose saved value
  // means something else than an assignment would). Null: through the setter.
  void (*restore)(C&, const Variant&) = nullptr;
  Variant (*with_args)(C&, std::span<Variant>) = nullptr;  // none of the controls' members takes arguments

  // The member rules of members.h assign through these.
  bool Assignable() const { return put != nullptr; }
  void Assign(C& self, const Variant& value) const {
    if (put(self, value)) self.ReportChange(changed);
  }
};

// The host's mouse-pointer enumeration is published as 32 bits, and surfaces and
// parts hold it in 16: every MousePointer setter narrows it here, so that a value
// outside 16 bits fails the same way (overflow) on every control.
inline int16_t MousePointerValue(int32_t pointer) { return RoundToInteger(pointer); }

// A control's hwnd as its interface publishes it: window handles fit in 32 bits on
// every platform the server runs on.
inline int32_t WindowHandleValue(Handle window) { return static_cast<int32_t>(static_cast<uint32_t>(window)); }

// ---------------------------------------------------------------------------
// Values in and out of the C++ accessors. The accessor's type decides the
// conversion, so a property has one rule wherever it is set from.

namespace property_detail {

template <class T>
struct Carrier;
template <>
struct Carrier<int16_t> {
  static constexpr ValueType kType = ValueType::kInteger;
  static Variant Out(int16_t v) { return Variant::Integer(v); }
  static int16_t In(const Variant& v) { return v.ToInteger(); }
};
template <>
struct Carrier<int32_t> {
  static constexpr ValueType kType = ValueType::kLong;
  static Variant Out(int32_t v) { return Variant::Long(v); }
  static int32_t In(const Variant& v) { return v.ToLong(); }
};
template <>
struct Carrier<OleColor> {
  static constexpr ValueType kType = ValueType::kOleColor;
  static Variant Out(OleColor v) { return FromOleColor(v); }
  static OleColor In(const Variant& v) { return ToOleColor(v); }
};
template <>
struct Carrier<bool> {
  static constexpr ValueType kType = ValueType::kBoolean;
  static Variant Out(bool v) { return Variant::Boolean(v); }
  static bool In(const Variant& v) { return v.ToBoolean(); }
};
template <>
struct Carrier<float> {
  static constexpr ValueType kType = ValueType::kSingle;
  static Variant Out(float v) { return Variant::Single(v); }
  static float In(const Variant& v) { return v.ToSingle(); }
};
template <>
struct Carrier<std::string> {
  static constexpr ValueType kType = ValueType::kString;
  static Variant Out(std::string v) { return Variant::String(std::move(v)); }
  static std::string In(const Variant& v) { return v.ToString(); }
};
template <>
struct Carrier<std::string_view> : Carrier<std::string> {};
template <>
struct Carrier<FontPtr> {
  static constexpr ValueType kType = ValueType::kFont;
  static Variant Out(FontPtr v) { return Variant::OfFont(std::move(v)); }
  static FontPtr In(const Variant& v) { return v.ToFont(); }
};
template <>
struct Carrier<PicturePtr> {
  static constexpr ValueType kType = ValueType::kPicture;
  static Variant Out(PicturePtr v) { return Variant::OfPicture(std::move(v)); }
  static PicturePtr In(const Variant& v) { return v.ToPicture(); }
};
template <>
struct Carrier<DispatchPtr> {
  static constexpr ValueType kType = ValueType::kObject;
  static Variant Out(DispatchPtr v) { return Variant::Object(std::move(v)); }
  static DispatchPtr In(const Variant& v) { return v.ToObject(); }
};

template <class T>
using CarrierOf = Carrier<std::remove_cvref_t<T>>;

template <class M>
struct Accessor;
template <class K, class R>
struct Accessor<R (K::*)() const> {
  using Value = R;
};
template <class K, class R, class A>
struct Accessor<R (K::*)(A)> {
  using Value = A;
  using Result = R;
};

template <class C, auto Get>
Variant GetThunk(C& self) {
  return CarrierOf<typename Accessor<decltype(Get)>::Value>::Out((self.*Get)());
}

template <class C, auto Set>
bool PutThunk(C& self, const Variant& value) {
  using A = Accessor<decltype(Set)>;
  if constexpr (std::is_same_v<typename A::Result, bool>) {
    return (self.*Set)(CarrierOf<typename A::Value>::In(value));
  } else {
    (self.*Set)(CarrierOf<typename A::Value>::In(value));
    return true;
  }
}

template <class C, auto Call>
void CallThunk(C& self) {
  (self.*Call)();
}

}  // namespace property_detail

// Builders for a control's table, used as Declare<GlazeCheck>::Prop<&C::Value,
// &C::SetValue>("value", "Value", Saved(...)). A setter returns void, or bool when
// it may refuse a value (and then reports nothing).
template <class C>
struct Declare {
  template <auto Get, auto Set = nullptr>
  static Property<C> Prop(std::string_view name, std::string_view changed = {}, Persisted persisted = {}) {
    using Value = typename property_detail::Accessor<decltype(Get)>::Value;
    Property<C> p;
    p.name = name;
    p.carries = property_detail::CarrierOf<Value>::kType;
    p.readable = true;
    p.get = &property_detail::GetThunk<C, Get>;
    if constexpr (!std::is_same_v<decltype(Set), std::nullptr_t>) {
      static_assert(std::is_same_v<std::remove_cvref_t<typename property_detail::Accessor<decltype(Set)>::Value>,
                                   std::remove_cvref_t<Value>> ||
                        (std::is_same_v<std::remove_cvref_t<Value>, std::string> &&
                         std::is_same_v<typename property_detail::Accessor<decltype(Set)>::Value, std::string_view>),
                    "a getter and its setter carry one type");
      p.assignable = true;
      p.put = &property_detail::PutThunk<C, Set>;
      p.changed = changed.empty() ? name : changed;
    }
    p.persisted = std::move(persisted);
    return p;
  }

  // The same, persisted under the property's own name.
  template <auto Get, auto Set>
  static Property<C> Saved(std::string_view name, Persisted persisted) {
    if (persisted.key.empty()) persisted.key = name;
    return Prop<Get, Set>(name, {}, std::move(persisted));
  }

  template <auto Call>
  static Property<C> Method(std::string_view name) {
    Property<C> p;
    p.name = name;
    p.call = &property_detail::CallThunk<C, Call>;
    return p;
  }
};

// The places of a key read and written in one order (most controls).
struct Order {
  int place;
};
inline Persisted Key(std::string_view key, Variant default_value, Order order) {
  return Persisted{key, {}, std::move(default_value), AmbientDefault::kNone, order.place, order.place};
}
inline Persisted AmbientKey(std::string_view key, AmbientDefault ambient, Order order) {
  return Persisted{key, {}, {}, ambient, order.place, order.place};
}

// ---------------------------------------------------------------------------
// What every consumer does with a table.

template <class C>
const Property<C>* FindProperty(std::span<const Property<C>> table, std::string_view name) {
  for (const Property<C>& p : table) {
    if (NamesEqual(p.name, name)) return &p;
  }
  return nullptr;
}

template <class C>
const Property<C>& PersistedUnder(std::span<const Property<C>> table, std::string_view key) {
  for (const Property<C>& p : table) {
    if (p.IsPersisted() && NamesEqual(p.persisted.key, key)) return p;
  }
  Raise(err::kInvalidProcedureCall);  // a key missing from the table is a bug in the control
}

// Late-bound access by name, with the rules of members.h (438, 383, 450).
template <class C>
Variant InvokeProperty(C& self, std::span<const Property<C>> table, std::string_view member, InvokeKind kind,
                       std::span<Variant> args) {
  if (const Property<C>* p = FindProperty(table, member)) return InvokeBinding(self, *p, kind, args);
  Raise(err::kNotSupported);
}

// The default a key is saved and read with; the container's where the key says so.
Variant DefaultFor(const Persisted& persisted, const Surface& surface);

// Reads one key and loads it, through the setter (which reports) or the key's own
// restore step.
template <class C>
void LoadKey(C& self, const Property<C>& p, PropertyBag& bag, const Surface& surface) {
  const Variant value = bag.ReadProperty(p.persisted.key, DefaultFor(p.persisted, surface));
  if (p.restore) {
    p.restore(self, value);
  } else {
    p.Assign(self, value);
  }
}

template <class C>
void SaveKey(C& self, const Property<C>& p, PropertyBag& bag, const Surface& surface) {
  bag.WriteProperty(p.WriteKey(), p.get(self), DefaultFor(p.persisted, surface));
}

// The table's persisted properties in read (or write) order; keys with no place
// are left out.
template <class C>
std::vector<const Property<C>*> InOrder(std::span<const Property<C>> table, bool reading) {
  const auto place = [reading](const Property<C>* p) {
    return reading ? p->persisted.read_order : p->persisted.write_order;
  };
  std::vector<const Property<C>*> keys;
  for (const Property<C>& p : table) {
    if (p.IsPersisted() && place(&p) > 0) keys.push_back(&p);
  }
  std::stable_sort(keys.begin(), keys.end(), [&](auto* a, auto* b) { return place(a) < place(b); });
  return keys;
}

template <class C>
void ReadInOrder(C& self, std::span<const Property<C>> table, PropertyBag& bag, const Surface& surface) {
  for (const Property<C>* p : InOrder(table, true)) LoadKey(self, *p, bag, surface);
}

template <class C>
void WriteInOrder(C& self, std::span<const Property<C>> table, PropertyBag& bag, const Surface& surface) {
  for (const Property<C>* p : InOrder(table, false)) SaveKey(self, *p, bag, surface);
}

// A table's declarations as any host reads them, built once per control class.
template <class C>
std::span<const Declaration* const> DeclarationsOf(std::span<const Property<C>> table) {
  static const std::vector<const Declaration*> declarations = [&] {
    std::vector<const Declaration*> out;
    for (const Property<C>& p : table) out.push_back(&p);
    return out;
  }();
  return declarations;
}

// The member whose change a host hears under `changed` ("Value" for value); null
// when no declaration reports that name.
const Declaration* DeclarationOfChange(std::span<const Declaration* const> declarations, std::string_view changed);

}  // namespace vitrelle
