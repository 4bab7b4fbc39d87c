// Every control's property table against the interface the type library
// publishes for its class: the table is what dispatch, persistence and the COM
// server act on, the type model is what clients were told. One row per class.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "controls/library.h"
#include "frame/properties.h"
#include "frame/type_model.h"
#include "hosts/model/library_classes.h"
#include "hosts/model/model_test_base.h"

namespace vitrelle {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

// The kinds of value the type library's types are carried as in C++.
bool Carries(ValueType carried, const TypeRef& published) {
  switch (published.kind) {
    case ValueType::kEnum:
    case ValueType::kMousePointer:
    case ValueType::kAlignment:
      // Enumerations are 32-bit integers in the type library.
      return carried == ValueType::kLong;
    default: return carried == published.kind;
  }
}

class Declarations : public model::testing::ModelTest, public ::testing::WithParamInterface<std::string_view> {
 protected:
  Declarations() { model::RegisterLibraryClasses(); }

  const ClassInfo& Class() const { return *FindClass(GetParam()); }
  const Interface& Published() const { return *FindInterface(Class().default_interface); }

  // A live control of the class on a form, or null for a class not built yet.
  Control* Make() {
    if (!FindLibraryControl(Class().name)) return nullptr;
    NewForm(false);
    Add(std::string(Class().name), "Probe");
    TakeLog();
    return &form_->GetLibrary("Probe").Object();
  }

  std::vector<std::string> ChangesLogged() {
    std::vector<std::string> out;
    for (const std::string& line : TakeLog()) {
      const auto at = line.find(" changed ");
      if (at != std::string::npos) out.push_back(line.substr(at + 9));
    }
    return out;
  }
};

TEST_P(Declarations, NameEveryPublishedMemberInSlotOrderWithItsKind) {
  Control* control = Make();
  if (Class().kind == ClassKind::kCreatable) {
    EXPECT_TRUE(Published().members.empty()) << "a creatable class publishes nothing to declare";
    return;
  }
  if (!control) GTEST_SKIP() << Class().name << " is not built yet";
  const auto declared = control->Declarations();
  ASSERT_EQ(declared.size(), Published().members.size());
  for (size_t i = 0; i < declared.size(); ++i) {
    const Declaration& d = *declared[i];
    const Member& m = Published().members[i];
    SCOPED_TRACE(std::string(m.name));
    EXPECT_EQ(d.name, m.name) << "slot " << i + 1;
    EXPECT_EQ(d.IsMethod(), m.kind == MemberKind::kMethod);
    if (d.IsMethod()) continue;
    EXPECT_TRUE(d.readable);
    EXPECT_EQ(d.assignable, m.kind != MemberKind::kGet) << "read-only as published";
    EXPECT_TRUE(Carries(d.carries, m.type)) << "published as " << TypeName(m.type);
  }
}

TEST_P(Declarations, SaveEachKeyOnceInOneReadAndOneWriteOrder) {
  Control* control = Make();
  if (!control) GTEST_SKIP() << Class().name << " declares nothing";
  std::set<std::string> keys;
  std::vector<int> reads, writes;
  for (const Declaration* d : control->Declarations()) {
    if (!d->IsPersisted()) continue;
    SCOPED_TRACE(std::string(d->name));
    EXPECT_TRUE(d->assignable) << "a saved value is loaded through its setter";
    EXPECT_TRUE(keys.insert(Lower(d->persisted.key)).second) << "key " << d->persisted.key << " twice";
    EXPECT_TRUE(NamesEqual(d->WriteKey(), d->persisted.key)) << "bags match keys without case only";
    EXPECT_TRUE(d->persisted.ambient != AmbientDefault::kNone || !d->persisted.default_value.IsEmpty());
    if (d->persisted.read_order) reads.push_back(d->persisted.read_order);
    writes.push_back(d->persisted.write_order);
  }
  // Places run 1, 2, 3, ... without a gap or a repeat; a control that reads in
  // steps of its own gives no read places at all.
  const auto places = [](std::vector<int> v) {
    std::sort(v.begin(), v.end());
    for (size_t i = 0; i < v.size(); ++i) {
      if (v[i] != static_cast<int>(i) + 1) return false;
    }
    return true;
  };
  EXPECT_TRUE(places(writes));
  EXPECT_TRUE(reads.empty() || (reads.size() == writes.size() && places(reads)));
}

// Every property reads, and takes back what it read, with one report of its change.
// The COM server finds the DISPID of a change through the declaration that reports
// it; a container's property browser matches it by name.
TEST_P(Declarations, AssignWhatTheyReadAndReportItOnceUnderTheirOwnName) {
  Control* control = Make();
  if (!control) GTEST_SKIP() << Class().name << " declares nothing";
  std::set<std::string> seen;
  for (const Declaration* d : control->Declarations()) {
    SCOPED_TRACE(std::string(d->name));
    if (d->IsMethod()) {
      EXPECT_NO_THROW(control->Invoke(d->name, InvokeKind::kCall, {}));
      continue;
    }
    Variant value[1];
    ASSERT_NO_THROW(value[0] = control->Invoke(d->name, InvokeKind::kGet, {}));
    if (!d->assignable) {
      EXPECT_THROW(control->Invoke(d->name, InvokeKind::kLet, value), RuntimeError);
      continue;
    }
    EXPECT_TRUE(NamesEqual(d->changed, d->name)) << "reported as " << d->changed;
    EXPECT_TRUE(seen.insert(Lower(d->changed)).second) << "two members report " << d->changed;
    EXPECT_EQ(DeclarationOfChange(control->Declarations(), d->changed), d);
    TakeLog();
    const InvokeKind kind = value[0].IsReference() ? InvokeKind::kSet : InvokeKind::kLet;
    ASSERT_NO_THROW(control->Invoke(d->name, kind, value));
    EXPECT_EQ(ChangesLogged(), (std::vector<std::string>{"Probe." + std::string(d->changed)}));
  }
}

// The host's pointer enumeration is 32 bits wide and every surface holds it in 16:
// each control narrows it by the one rule, so a value past 16 bits overflows alike
// however it comes, and the pointer keeps its old value.
TEST_P(Declarations, NarrowTheMousePointerByOneRule) {
  Control* control = Make();
  if (!control) GTEST_SKIP() << Class().name << " declares nothing";
  for (const Variant& wide : {Variant::Long(70000), Variant::Double(-40000.0), Variant::String("32768")}) {
    Variant value[1] = {wide};
    EXPECT_EQ(model::testing::ErrorOf([&] { control->Invoke("MousePointer", InvokeKind::kLet, value); }),
              err::kOverflow)
        << wide.ToLiteral();
  }
  EXPECT_EQ(control->Invoke("MousePointer", InvokeKind::kGet, {}), Variant::Long(0));
  Variant crosshair[1] = {Variant::Double(2.0)};
  control->Invoke("MousePointer", InvokeKind::kLet, crosshair);
  EXPECT_EQ(control->Invoke("MousePointer", InvokeKind::kGet, {}), Variant::Long(2));
}

std::vector<std::string_view> ClassNames() {
  std::vector<std::string_view> names;
  for (const ClassInfo& c : Classes()) names.push_back(c.name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(EveryClass, Declarations, ::testing::ValuesIn(ClassNames()),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace vitrelle
