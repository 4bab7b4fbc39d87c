#include "frame/type_model.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "frame/guid.h"

namespace vitrelle {
namespace {

// ---------------------------------------------------------------------------
// Guid

TEST(GuidTest, FormatsUpperCaseWithBracesAndParsesBack) {
  constexpr Guid g = GuidLiteral("{0e146289-a583-4210-bd29-b013b4647d73}");
  EXPECT_EQ(g.data1, 0x0E146289u);
  EXPECT_EQ(g.data2, 0xA583);
  EXPECT_EQ(g.data3, 0x4210);
  EXPECT_EQ(g.data4[0], 0xBD);
  EXPECT_EQ(g.data4[7], 0x73);
  EXPECT_EQ(g.ToString(), "{0E146289-A583-4210-BD29-B013B4647D73}");
  EXPECT_EQ(g.ToBareString(), "0E146289-A583-4210-BD29-B013B4647D73");
  EXPECT_EQ(Guid::Parse(g.ToString()), g);
  EXPECT_EQ(Guid::Parse(g.ToBareString()), g);
}

TEST(GuidTest, RefusesAnythingButTheCanonicalShape) {
  const char* rows[] = {
      "",
      "{0E146289-A583-4210-BD29-B013B4647D73",    // no closing brace
      "0E146289-A583-4210-BD29-B013B4647D73}",    // no opening brace
      "(0E146289-A583-4210-BD29-B013B4647D73)",   // wrong brackets
      "{0E146289-A583-4210-BD29-B013B4647D7G}",   // not hex
      "{0E146289A583-4210-BD29-B013B4647D73-}",   // dash out of place
      "{0E146289-A583-4210-BD29-B013B4647D7}",    // one digit short
      " 0E146289-A583-4210-BD29-B013B4647D73 ",   // padded
      "{0E146289-A583-4210-BD29-B013B4647D73}x",  // trailing text
  };
  for (const char* text : rows) EXPECT_FALSE(Guid::Parse(text)) << text;
}

// ---------------------------------------------------------------------------
// Consistency of the tables

std::vector<Guid> AllIds() {
  std::vector<Guid> ids{Library().id};
  for (const auto& c : Classes()) ids.push_back(c.clsid);
  for (const auto& i : Interfaces()) ids.push_back(i.id);
  for (const auto& i : EventInterfaces()) ids.push_back(i.id);
  for (const auto& e : Enumerations()) ids.push_back(e.id);
  for (const auto& e : HostEnumerations()) ids.push_back(e.id);
  return ids;
}

TEST(TypeModelTest, EveryIdentifierIsSetAndDistinct) {
  const auto ids = AllIds();
  std::set<Guid> seen;
  for (const Guid& g : ids) {
    EXPECT_FALSE(g.IsNull());
    EXPECT_TRUE(seen.insert(g).second) << "duplicate " << g.ToString();
  }
}

TEST(TypeModelTest, DispidsAreUniqueWithinEachInterface) {
  for (const Interface& iface : Interfaces()) {
    std::set<int32_t> dispids;
    std::set<std::string> names;
    for (const Member& m : iface.members) {
      EXPECT_TRUE(dispids.insert(m.dispid).second) << iface.name << "." << m.name;
      EXPECT_TRUE(names.insert(std::string(m.name)).second) << iface.name << "." << m.name;
    }
  }
  for (const EventInterface& iface : EventInterfaces()) {
    std::set<int32_t> dispids;
    for (const Event& e : iface.events) EXPECT_TRUE(dispids.insert(e.dispid).second) << iface.name << "." << e.name;
  }
}

TEST(TypeModelTest, MemberKindsAndTypesAgree) {
  for (const Interface& iface : Interfaces()) {
    for (const Member& m : iface.members) {
      SCOPED_TRACE(std::string(iface.name) + "." + std::string(m.name));
      EXPECT_EQ(m.kind == MemberKind::kMethod, m.type.kind == ValueType::kVoid);
      // Only object references are assigned with Set.
      const bool reference = m.type.kind == ValueType::kFont || m.type.kind == ValueType::kPicture ||
                             m.type.kind == ValueType::kObject;
      if (m.kind == MemberKind::kGetSet) {
        EXPECT_TRUE(reference);
      }
      if (m.kind == MemberKind::kGetLet) {
        EXPECT_FALSE(reference);
      }
      if (m.type.kind == ValueType::kEnum) {
        EXPECT_NE(FindEnumeration(m.type.enum_name), nullptr);
      }
    }
  }
}

TEST(TypeModelTest, ClassesReferToTheirInterfacesAndRegistryFacts) {
  std::set<int> bitmaps;
  for (const ClassInfo& c : Classes()) {
    SCOPED_TRACE(std::string(c.name));
    EXPECT_NE(FindInterface(c.default_interface), nullptr);
    EXPECT_EQ(c.prog_id, std::string(Library().name) + "." + std::string(c.name));
    if (c.kind == ClassKind::kControl) {
      ASSERT_NE(FindEventInterface(c.event_interface), nullptr);
      EXPECT_TRUE(bitmaps.insert(c.toolbox_bitmap).second);
      // The simple-frame bit is what lets a host put controls inside one.
      constexpr uint32_t kSimpleFrame = 0x10000;
      EXPECT_EQ((c.misc_status & kSimpleFrame) != 0, c.container);
    } else {
      EXPECT_TRUE(c.event_interface.empty());
      EXPECT_TRUE(FindInterface(c.default_interface)->members.empty());
    }
  }
}

// The option button's interface is the check box's with two differences; anything
// else that differs is a slip in one of them.
TEST(TypeModelTest, RadioInterfaceDiffersFromCheckOnlyInValueTypeAndRefreshDispid) {
  const Interface* check = FindInterface("_GlazeCheck");
  const Interface* radio = FindInterface("_GlazeRadio");
  ASSERT_NE(check, nullptr);
  ASSERT_NE(radio, nullptr);
  ASSERT_EQ(check->members.size(), radio->members.size());
  std::vector<std::string> differences;
  for (size_t i = 0; i < check->members.size(); ++i) {
    const Member& c = check->members[i];
    const Member& r = radio->members[i];
    ASSERT_EQ(c.name, r.name) << "slot " << i;
    if (c.dispid != r.dispid) differences.push_back(std::string(c.name) + " dispid");
    if (c.type != r.type) differences.push_back(std::string(c.name) + " type");
    if (c.kind != r.kind || c.non_browsable != r.non_browsable || c.hidden != r.hidden || c.help != r.help)
      differences.push_back(std::string(c.name) + " other");
  }
  EXPECT_EQ(differences, (std::vector<std::string>{"value type", "Refresh dispid"}));
  EXPECT_EQ(FindMember(*radio, "value")->type.kind, ValueType::kBoolean);
  EXPECT_EQ(FindMember(*radio, "Refresh")->dispid, 0x6003003b);
}

// Key and mouse events carry what the host's part reported, by reference; the
// slider's value events report by value.
TEST(TypeModelTest, EventParametersPassByReferenceExceptTheSliderValue) {
  const EventInterface* check = FindEventInterface("__GlazeCheck");
  ASSERT_NE(check, nullptr);
  for (const EventInterface& iface : EventInterfaces()) {
    for (const Event& e : iface.events) {
      SCOPED_TRACE(std::string(iface.name) + "." + std::string(e.name));
      if (iface.name == "__GlazeSlider" && (e.name == "Scroll" || e.name == "Changed" || e.name == "Click")) {
        ASSERT_EQ(e.params.size(), 1u);
        EXPECT_EQ(e.params[0].name, "SliderValue");
        EXPECT_EQ(e.params[0].type.kind, ValueType::kLong);
        EXPECT_FALSE(e.params[0].by_ref);
        continue;
      }
      for (const Param& p : e.params) EXPECT_TRUE(p.by_ref) << p.name;
      // Every other event has the parameters of the check box's event of that name.
      if (const Event* same = FindEvent(*check, e.name)) {
        ASSERT_EQ(e.params.size(), same->params.size());
        for (size_t i = 0; i < e.params.size(); ++i) {
          EXPECT_EQ(e.params[i].name, same->params[i].name);
          EXPECT_EQ(e.params[i].type, same->params[i].type);
        }
      } else {
        EXPECT_EQ(e.name, "DblClick");
        EXPECT_TRUE(e.params.empty());
      }
    }
  }
}

TEST(TypeModelTest, LookupsIgnoreCase) {
  const ClassInfo* check = FindClass("glazecheck");
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(check->name, "GlazeCheck");
  EXPECT_EQ(FindClassByProgId("VITRELLE.GLAZECHECK"), check);
  EXPECT_EQ(FindClassById(check->clsid), check);
  EXPECT_EQ(FindInterface("_glazeslider"), FindInterface("_GlazeSlider"));
  const Member* value = FindMember("_GlazeCheck", "Value");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->name, "value");
  EXPECT_EQ(FindEnumeration("mousepointerconstants"), &HostEnumerations()[0]);

  EXPECT_EQ(FindClass("GlazeButton"), nullptr);
  EXPECT_EQ(FindClassByProgId("GlazeCheck"), nullptr);
  EXPECT_EQ(FindClassById(Library().id), nullptr);
  EXPECT_EQ(FindMember("_GlazeCheck", "Max"), nullptr);
  EXPECT_EQ(FindMember("_GlazeButton", "value"), nullptr);
}

}  // namespace
}  // namespace vitrelle
