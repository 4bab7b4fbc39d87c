#include "frame/server.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "frame/registry.h"

namespace vitrelle {
namespace {

constexpr std::string_view kModule = "C:\\Program Files\\Vitrelle\\Vitrelle.ocx";

std::string StringValue(const Registry& reg, std::string_view key, std::string_view name = "") {
  auto v = reg.GetValue(key, name);
  if (!v) return "<missing>";
  const auto* s = std::get_if<std::string>(&*v);
  return s ? *s : "<dword>";
}

// A registry that already holds what a real machine would: other servers, the
// CLSID root with a value of its own, and a ProgID of the same vendor prefix.
InMemoryRegistry SeededRegistry() {
  InMemoryRegistry reg;
  reg.SetString("CLSID", "", "");
  reg.SetString("CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32", "", "other.dll");
  reg.SetString("Vitrelle.Other", "", "Not one of ours");
  reg.SetString("Vitrelle.Other\\CLSID", "", "{00000000-1111-2222-3333-444444444444}");
  reg.SetDword("Interface", "Count", 7);
  return reg;
}

// ---------------------------------------------------------------------------
// InMemoryRegistry

TEST(InMemoryRegistryTest, KeysAndValuesIgnoreCaseAndTreesGoWhole) {
  InMemoryRegistry reg;
  ASSERT_TRUE(reg.SetString("A\\B\\C", "Name", "x"));
  ASSERT_TRUE(reg.SetDword("A\\Bee", "", 5));
  EXPECT_TRUE(reg.KeyExists("a\\b"));
  EXPECT_EQ(StringValue(reg, "a\\B\\c", "NAME"), "x");
  EXPECT_EQ(reg.SubKeys("A"), (std::vector<std::string>{"B", "Bee"}));
  ASSERT_TRUE(reg.DeleteTree("a\\b"));
  EXPECT_FALSE(reg.KeyExists("A\\B\\C"));
  EXPECT_TRUE(reg.KeyExists("A\\Bee")) << "a sibling sharing the prefix survives";
  EXPECT_TRUE(reg.DeleteTree("A\\Nothing"));
  EXPECT_FALSE(reg.DeleteTree("")) << "the whole hive is never removed";
}

// ---------------------------------------------------------------------------
// Registration

// The Wine suite reads back what regsvr32 wrote for each value a container acts on
// (the module, threading, ProgID, type library, misc status, bitmap, categories);
// here, that nothing else is written.
TEST(RegisterServerTest, WritesEachClassEntriesAndNothingElse) {
  InMemoryRegistry reg;
  ASSERT_EQ(RegisterServer(reg, kModule), hr::kOk);
  for (const ClassInfo& c : Classes()) {
    SCOPED_TRACE(std::string(c.name));
    const std::string key = ClassKey(c);
    const bool control = c.kind == ClassKind::kControl;
    std::vector<std::string> expected_subkeys = {"InprocServer32", "ProgID", "TypeLib", "Version"};
    if (control) expected_subkeys = {"Control", "Implemented Categories", "InprocServer32", "MiscStatus", "ProgID",
                                     "ToolboxBitmap32", "TypeLib", "Version"};
    EXPECT_EQ(reg.SubKeys(key), expected_subkeys);
    EXPECT_EQ(StringValue(reg, key), c.description);
    EXPECT_EQ(StringValue(reg, key + "\\Version"), "4.0");
    if (control) {
      EXPECT_EQ(StringValue(reg, key + "\\MiscStatus"), "0");
      EXPECT_EQ(reg.SubKeys(key + "\\Implemented Categories"), std::vector<std::string>{std::string(kCatidControl)});
    }
    EXPECT_EQ(StringValue(reg, c.prog_id), c.description);
    EXPECT_EQ(reg.SubKeys(c.prog_id), std::vector<std::string>{"CLSID"});
    EXPECT_EQ(Guid::Parse(StringValue(reg, std::string(c.prog_id) + "\\CLSID")), c.clsid);
  }
}

// Ends with everything registered and then unregistered: the registry is as it was.
// A list naming an unknown class writes nothing at all.
TEST(RegisterServerTest, RegistersAndUnregistersJustTheNamedClasses) {
  InMemoryRegistry reg = SeededRegistry();
  const std::string before = reg.Dump();
  const std::vector<std::string_view> unknown = {"GlazeCheck", "GlazeButton"};
  EXPECT_EQ(RegisterServer(reg, kModule, unknown), hr::kInvalidArg);
  EXPECT_EQ(UnregisterServer(reg, unknown), hr::kInvalidArg);
  EXPECT_EQ(reg.Dump(), before);
  const std::vector<std::string_view> some = {"GlazeSlider", "EnumClass"};
  ASSERT_EQ(RegisterServer(reg, kModule, some), hr::kOk);
  for (const ClassInfo& c : Classes()) {
    const bool named = c.name == "GlazeSlider" || c.name == "EnumClass";
    EXPECT_EQ(reg.KeyExists(ClassKey(c)), named) << c.name;
    EXPECT_EQ(reg.KeyExists(c.prog_id), named) << c.name;
  }
  ASSERT_EQ(RegisterServer(reg, kModule), hr::kOk);
  ASSERT_EQ(UnregisterServer(reg, some), hr::kOk);
  EXPECT_TRUE(reg.KeyExists(ClassKey(*FindClass("GlazeCheck"))));
  EXPECT_FALSE(reg.KeyExists(ClassKey(*FindClass("GlazeSlider"))));
  ASSERT_EQ(UnregisterServer(reg), hr::kOk);
  EXPECT_EQ(reg.Dump(), before);
}

// Re-registering replaces stale entries; a ProgID another server took over since
// survives unregistration.
TEST(RegisterServerTest, ReregistrationReplacesStaleEntriesAndUnregistrationLeavesOthers) {
  InMemoryRegistry reg;
  const ClassInfo& check = *FindClass("GlazeCheck");
  reg.SetString(ClassKey(check) + "\\Insertable", "", "");
  reg.SetString(ClassKey(check) + "\\InprocServer32", "", "D:\\old\\Vitrelle.ocx");
  reg.SetString(std::string(check.prog_id) + "\\CurVer", "", "Vitrelle.GlazeCheck.3");
  ASSERT_EQ(RegisterServer(reg, kModule), hr::kOk);
  EXPECT_FALSE(reg.KeyExists(ClassKey(check) + "\\Insertable"));
  EXPECT_FALSE(reg.KeyExists(std::string(check.prog_id) + "\\CurVer"));
  EXPECT_EQ(StringValue(reg, ClassKey(check) + "\\InprocServer32"), kModule);

  const std::string other = "{00000000-1111-2222-3333-444444444444}";
  reg.SetString("Vitrelle.GlazeFrame\\CLSID", "", other);
  ASSERT_EQ(UnregisterServer(reg), hr::kOk);
  EXPECT_EQ(StringValue(reg, "Vitrelle.GlazeFrame\\CLSID"), other);
  EXPECT_FALSE(reg.KeyExists(ClassKey(*FindClass("GlazeFrame"))));
}

// Refuses every write from the n-th on, as a registry would that runs out of room
// or access part way through.
class FailingRegistry : public InMemoryRegistry {
 public:
  explicit FailingRegistry(int writes_allowed) : writes_left_(writes_allowed) {}

  bool CreateKey(std::string_view key) override { return Allow() && InMemoryRegistry::CreateKey(key); }
  bool SetString(std::string_view key, std::string_view name, std::string_view data) override {
    return Allow() && InMemoryRegistry::SetString(key, name, data);
  }
  bool SetDword(std::string_view key, std::string_view name, uint32_t data) override {
    return Allow() && InMemoryRegistry::SetDword(key, name, data);
  }

 private:
  bool Allow() { return writes_left_-- > 0; }
  int writes_left_;
};

TEST(RegisterServerTest, RefusedWriteAtAnyPointRollsBackEverything) {
  for (int allowed = 0;; ++allowed) {
    FailingRegistry reg(allowed);
    reg.InMemoryRegistry::SetString("CLSID\\{00000000-1111-2222-3333-444444444444}", "", "other");
    const std::string before = reg.Dump();
    const HResult result = RegisterServer(reg, kModule);
    if (result == hr::kOk) {
      EXPECT_GT(allowed, 20) << "registration cannot take this few writes";
      break;
    }
    EXPECT_EQ(result, hr::kSelfRegClass) << allowed;
    EXPECT_EQ(reg.Dump(), before) << "after " << allowed << " writes";
  }
}

// ---------------------------------------------------------------------------
// Factory and unload bookkeeping

// A stand-in for a control: answers to its class name and counts its lifetimes.
class FakeControl : public Dispatch {
 public:
  explicit FakeControl(std::string name, int* alive) : name_(std::move(name)), alive_(alive) { ++*alive_; }
  ~FakeControl() override { --*alive_; }
  Variant Invoke(std::string_view, InvokeKind, std::span<Variant>) override { return Variant::Long(1); }
  bool IsA(std::string_view type_name) const override { return type_name == name_; }

 private:
  std::string name_;
  int* alive_;
};

class ServerModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.SetCreator("GlazeCheck", [this] { return std::make_shared<FakeControl>("GlazeCheck", &alive_); }));
  }
  ServerModule module_;
  int alive_ = 0;
};

TEST_F(ServerModuleTest, CreatesRegisteredControlsByClsidAndProgId) {
  DispatchPtr by_id, by_prog_id;
  ASSERT_EQ(module_.CreateObject(FindClass("GlazeCheck")->clsid, by_id), hr::kOk);
  ASSERT_EQ(module_.CreateObject("vitrelle.glazecheck", by_prog_id), hr::kOk);
  ASSERT_TRUE(by_id && by_prog_id);
  EXPECT_NE(by_id, by_prog_id);
  EXPECT_TRUE(by_id->IsA("GlazeCheck"));
  EXPECT_EQ(alive_, 2);
}

TEST_F(ServerModuleTest, RefusesClassesItCannotCreate) {
  const Guid unknown = GuidLiteral("{00000000-1111-2222-3333-444444444444}");
  const Guid slider = FindClass("GlazeSlider")->clsid;  // a control without a creator
  DispatchPtr object = std::make_shared<FakeControl>("stale", &alive_);
  EXPECT_EQ(module_.CreateObject(unknown, object), hr::kClassNotAvailable);
  EXPECT_EQ(object, nullptr) << "a refusal clears the out parameter";
  EXPECT_EQ(module_.CreateObject(slider, object), hr::kClassNotAvailable);
  EXPECT_EQ(module_.CreateObject("Vitrelle.GlazeSlider", object), hr::kClassNotAvailable);
  EXPECT_EQ(module_.CreateObject("Vitrelle.GlazeButton", object), hr::kClassNotAvailable);
  EXPECT_EQ(module_.CreateObject(Library().id, object), hr::kClassNotAvailable);

  std::shared_ptr<ClassFactory> factory;
  EXPECT_EQ(module_.GetClassObject(unknown, factory), hr::kClassNotAvailable);
  EXPECT_EQ(module_.GetClassObject(slider, factory), hr::kClassNotAvailable);
  EXPECT_EQ(factory, nullptr);

  EXPECT_FALSE(module_.SetCreator("EnumClass", [] { return DispatchPtr(); }));
  EXPECT_FALSE(module_.SetCreator("GlazeButton", [] { return DispatchPtr(); }));
  EXPECT_EQ(module_.AvailableClasses(), (std::vector<std::string_view>{"GlazeCheck", "EnumClass"}));
  EXPECT_TRUE(module_.CanUnloadNow());
}

TEST_F(ServerModuleTest, FailingCreatorsReportFailureAndCountNothing) {
  const Guid radio = FindClass("GlazeRadio")->clsid;
  DispatchPtr object;
  module_.SetCreator("GlazeRadio", [] { return DispatchPtr(); });
  EXPECT_EQ(module_.CreateObject(radio, object), hr::kFail);
  module_.SetCreator("GlazeRadio", []() -> DispatchPtr { throw RuntimeError(err::kOutOfMemory); });
  EXPECT_EQ(module_.CreateObject(radio, object), hr::kFail);
  module_.SetCreator("GlazeRadio", []() -> DispatchPtr { throw std::bad_alloc(); });
  EXPECT_EQ(module_.CreateObject(radio, object), hr::kOutOfMemory);
  EXPECT_EQ(module_.ObjectCount(), 0);
  // Withdrawing a creator makes the class unavailable again, also to a factory
  // handed out before.
  std::shared_ptr<ClassFactory> factory;
  ASSERT_EQ(module_.GetClassObject(radio, factory), hr::kOk);
  module_.SetCreator("GlazeRadio", nullptr);
  EXPECT_EQ(factory->CreateInstance(object), hr::kClassNotAvailable);
}

// That EnumClass answers no member is the Wine suite's EnumClass script's.
TEST_F(ServerModuleTest, UnloadsOnlyWithoutObjectsAndLocks) {
  EXPECT_TRUE(module_.CanUnloadNow());
  DispatchPtr object;
  ASSERT_EQ(module_.CreateObject("Vitrelle.GlazeCheck", object), hr::kOk);
  DispatchPtr second_reference = object;
  EXPECT_EQ(module_.ObjectCount(), 1);
  EXPECT_FALSE(module_.CanUnloadNow());
  object.reset();
  EXPECT_FALSE(module_.CanUnloadNow()) << "one reference is still out";
  second_reference.reset();
  EXPECT_EQ(alive_, 0);
  EXPECT_TRUE(module_.CanUnloadNow());

  std::shared_ptr<ClassFactory> factory;
  ASSERT_EQ(module_.GetClassObject(FindClass("EnumClass")->clsid, factory), hr::kOk);
  EXPECT_TRUE(module_.CanUnloadNow()) << "a factory alone does not hold the module";
  ASSERT_EQ(factory->LockServer(true), hr::kOk);
  ASSERT_EQ(module_.LockServer(true), hr::kOk);
  EXPECT_EQ(module_.LockCount(), 2);
  ASSERT_EQ(factory->CreateInstance(object), hr::kOk);
  EXPECT_EQ(module_.ObjectCount(), 1);
  object.reset();
  EXPECT_FALSE(module_.CanUnloadNow());
  EXPECT_EQ(module_.LockServer(false), hr::kOk);
  EXPECT_FALSE(module_.CanUnloadNow());
  EXPECT_EQ(factory->LockServer(false), hr::kOk);
  EXPECT_TRUE(module_.CanUnloadNow());
  EXPECT_EQ(module_.LockServer(false), hr::kUnexpected);
  EXPECT_EQ(module_.LockCount(), 0);
}

TEST(ServerModuleLifetimeTest, ObjectMayOutliveTheModule) {
  DispatchPtr object;
  {
    ServerModule module;
    ASSERT_EQ(module.CreateObject("Vitrelle.EnumClass", object), hr::kOk);
  }
  object.reset();  // must not touch the module's freed state
}

}  // namespace
}  // namespace vitrelle
