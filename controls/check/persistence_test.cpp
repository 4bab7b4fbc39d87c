#include <gtest/gtest.h>

#include <algorithm>

#include "controls/check/glaze_check.h"
#include "controls/check/recording_surface.h"
#include "frame/members.h"
#include "hosts/model/model_test_base.h"

namespace vitrelle {
namespace {

using DesignCheck = testing_support::CheckFixture;

// A bag as the host keeps one: keys without regard to case, nothing stored for a
// value equal to its default. It also notes what was asked of it.
class MapBag : public PropertyBag {
 public:
  Variant ReadProperty(std::string_view key, const Variant& default_value) override {
    reads.push_back(std::string(key) + "|" + default_value.ToLiteral());
    const auto it = Find(key);
    return it == stored.end() ? default_value : it->second;
  }
  void WriteProperty(std::string_view key, const Variant& value, const Variant& default_value) override {
    writes.push_back(std::string(key) + "|" + value.ToLiteral() + "|" + default_value.ToLiteral());
    if (!(value == default_value)) stored.emplace_back(std::string(key), value);
  }
  std::vector<std::pair<std::string, Variant>>::iterator Find(std::string_view key) {
    return std::find_if(stored.begin(), stored.end(), [&](const auto& kv) { return NamesEqual(kv.first, key); });
  }
  std::vector<std::pair<std::string, Variant>> stored;
  std::vector<std::string> reads, writes;
};

TEST(GlazeCheckPersistenceTest, WritesSeventeenKeysInOrderWithTheirDefaults) {
  DesignCheck d;
  d.check.InitProperties();
  MapBag bag;
  d.check.WriteProperties(bag);
  EXPECT_EQ(bag.writes,
            (std::vector<std::string>{
                "Enabled|True|True", "Caption|\"GlazeCheck1\"|\"GlazeCheck1\"", "value|0|0", "Appearance|1|1",
                "Alignment|0|0", "BackStyle|0|0", "BackColor|-2147483633|-2147483633",
                "ForeColor|-2147483630|-2147483630", "FontUnderline|False|False", "FontTransparent|True|True",
                "FontStrikethru|False|False", "FontSize|8.25|0.0", "FontName|\"MS Sans Serif\"|\"\"",
                "FontItalic|False|False", "FontBold|False|False", "MouseIcon|Nothing|Nothing", "MousePointer|0|0"}));
  // A new control stores only what its font makes differ from the defaults.
  ASSERT_EQ(bag.stored.size(), 2u);
  EXPECT_EQ(bag.stored[0].first, "FontSize");
  EXPECT_EQ(bag.stored[1].first, "FontName");
}

// A saved control without keys: every setter gets its default, the caption the
// control's name, and a size of 0 that the fonts refuse is passed over.
TEST(GlazeCheckPersistenceTest, AnEmptyBagLoadsTheDefaults) {
  DesignCheck d;
  d.surface.display_name = "Check7";
  MapBag bag;
  d.check.ReadProperties(bag);
  EXPECT_EQ(bag.reads[1], "Caption|\"Check7\"");
  EXPECT_EQ(bag.reads[2], "Value|0");
  EXPECT_EQ(bag.reads[11], "FontSize|0.0");
  EXPECT_EQ(d.check.FontSize(), 8.25f);
  EXPECT_EQ(d.check.Caption(), "Check7");
}

TEST(GlazeCheckPersistenceTest, AValueOfTheWrongTypeFailsTheLoad) {
  DesignCheck d;
  MapBag bag;
  bag.stored.emplace_back("appearance", Variant::String("three-d"));
  EXPECT_EQ(model::testing::ErrorOf([&] { d.check.ReadProperties(bag); }), err::kTypeMismatch);
}

}  // namespace
}  // namespace vitrelle
