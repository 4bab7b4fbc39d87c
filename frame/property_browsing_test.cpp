#include "frame/property_browsing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vitrelle {
namespace {

std::vector<std::string> Displays(std::string_view iface, std::string_view member) {
  std::vector<std::string> out;
  for (const PredefinedValue& v : PredefinedValues(*FindMember(iface, member))) out.push_back(v.display);
  return out;
}

struct EnumCase {
  const char* iface;
  const char* member;
  std::vector<std::string> displays;
};

class PredefinedValuesTest : public ::testing::TestWithParam<EnumCase> {};

TEST_P(PredefinedValuesTest, ListTheEnumerationInOrderWithValueAndExactName) {
  EXPECT_EQ(Displays(GetParam().iface, GetParam().member), GetParam().displays);
}

INSTANTIATE_TEST_SUITE_P(
    Members, PredefinedValuesTest,
    // The exact names, not their identifiers in the type library.
    ::testing::Values(EnumCase{"_GlazeCheck", "Appearance", {"0 - Flat", "1 - 3D"}},
                      EnumCase{"_GlazeFrame", "BorderStyle", {"0 - None", "1 - Fixed Single"}},
                      EnumCase{"_GlazeFrame", "CaptionAlignment", {"0 - vtAlignLeft", "1 - vtAlignRight", "2 - vtAlignCenter"}},
                      // Members of other types offer nothing to choose from.
                      EnumCase{"_GlazeCheck", "value", {}}, EnumCase{"_GlazeCheck", "Refresh", {}}));

TEST(PredefinedValuesTest, TheMousePointerEndsWithTheCustomPointer) {
  const auto values = PredefinedValues(*FindMember("_GlazeSlider", "MousePointer"));
  ASSERT_EQ(values.size(), 17u);
  EXPECT_EQ(values.front().display, "0 - vtPointerDefault");
  EXPECT_EQ(values.back().value, 99);
}

TEST(DisplayStringTest, NamesKnownValuesAndNothingElse) {
  const Member& appearance = *FindMember("_GlazeFrame", "Appearance");
  EXPECT_EQ(DisplayString(appearance, 1), "1 - 3D");
  EXPECT_EQ(DisplayString(appearance, 2), std::nullopt);
  EXPECT_EQ(DisplayString(appearance, -1), std::nullopt);
}

TEST(StockPagesTest, EachClassNamesThePagesItsMembersNeed) {
  EXPECT_EQ(PageFor(*FindMember("_GlazeCheck", "Font")), StockPage::kFont);
  EXPECT_EQ(PageFor(*FindMember("_GlazeCheck", "ForeColor")), StockPage::kColor);
  EXPECT_EQ(PageFor(*FindMember("_GlazeCheck", "MouseIcon")), StockPage::kPicture);
  EXPECT_EQ(PageFor(*FindMember("_GlazeCheck", "FontName")), std::nullopt);
  using P = std::vector<StockPage>;
  EXPECT_EQ(PagesFor(*FindInterface("_GlazeCheck")), (P{StockPage::kFont, StockPage::kColor, StockPage::kPicture}));
  // The slider has colours and a mouse icon but no font.
  EXPECT_EQ(PagesFor(*FindInterface("_GlazeSlider")), (P{StockPage::kColor, StockPage::kPicture}));
  EXPECT_EQ(PagesFor(*FindInterface("_EnumClass")), P{});
}

}  // namespace
}  // namespace vitrelle
