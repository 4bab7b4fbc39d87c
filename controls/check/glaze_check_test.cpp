#include "controls/check/glaze_check.h"

#include <gtest/gtest.h>

#include "controls/check/recording_surface.h"
#include "hosts/model/model_test_base.h"

namespace vitrelle {
namespace {

using testing_support::Record;
using Fixture = testing_support::CheckFixture;
using model::testing::ErrorOf;

// The glyph and caption placement a layout at 1680 x 915 writes.
const char* const kTop1 = "Check1.Top=360";
const char* const kTop2 = "lblCaption.Top=345";

struct SetterCase {
  const char* member;
  Variant value;
  int error;        // the run-time error the assignment raises, 0 for none
  Record expected;  // every change, in order
};

void PrintTo(const SetterCase& c, std::ostream* os) { *os << c.member << " = " << c.value.ToLiteral(); }

class SetterTest : public testing::TestWithParam<SetterCase> {};

TEST_P(SetterTest, WritesPartsInOrderThenReportsTheChange) {
  const SetterCase& c = GetParam();
  Fixture f;
  EXPECT_EQ(ErrorOf([&] { f.Let(c.member, c.value); }), c.error);
  EXPECT_EQ(f.surface.record, c.expected);
}

// What the parts refuse, and a value set again, are the errors and toggle scripts'.
INSTANTIATE_TEST_SUITE_P(
    Properties, SetterTest,
    testing::Values(
        SetterCase{"value", Variant::Long(70000), err::kOverflow, {}},
        SetterCase{"Enabled", Variant::Boolean(false), 0,
                   {"Enabled=0", "Check1.Enabled=0", "lblCaption.Enabled=0", "PropertyChanged(Enabled)"}},
        SetterCase{"Caption", Variant::String("Go"), 0,
                   {"lblCaption.Caption=Go", kTop1, kTop2, "PropertyChanged(Caption)"}},
        SetterCase{"BackStyle", Variant::Long(1), 0, {"lblCaption.BackStyle=1", "PropertyChanged(BackStyle)"}},
        SetterCase{"Appearance", Variant::Long(0), 0,
                   {"Appearance=0", "Check1.Appearance=0", "PropertyChanged(Appearance)"}},
        SetterCase{"Alignment", Variant::Long(1), 0,
                   {"Check1.Left=1485", "lblCaption.Left=30", "PropertyChanged(Alignment)"}},
        SetterCase{"Alignment", Variant::Long(0), 0,
                   {"Check1.Left=0", "lblCaption.Left=270", "PropertyChanged(Alignment)"}},
        // The glyph keeps its own colours.
        SetterCase{"BackColor", Variant::Long(255), 0,
                   {"BackColor=255", "lblCaption.BackColor=255", "PropertyChanged(BackColor)"}},
        SetterCase{"ForeColor", Variant::Double(2147483656.0), 0,
                   {"ForeColor=2147483656", "lblCaption.ForeColor=2147483656", "PropertyChanged(ForeColor)"}},
        SetterCase{"FontUnderline", Variant::Boolean(true), 0,
                   {"SurfaceFont.Underline=1", "lblCaption.FontUnderline=1", "PropertyChanged(FontUnderline)"}},
        // Only the surface has it.
        SetterCase{"FontTransparent", Variant::Boolean(false), 0,
                   {"FontTransparent=0", "PropertyChanged(FontTransparent)"}},
        SetterCase{"FontStrikethru", Variant::Boolean(true), 0,
                   {"SurfaceFont.Strikethrough=1", "lblCaption.FontStrikethrough=1",
                    "PropertyChanged(FontStrikethru)"}},
        SetterCase{"FontSize", Variant::Single(12), 0,
                   {"SurfaceFont.Size=12", "LabelFont.Size=12", "lblCaption.FontSize=12", kTop1, kTop2,
                    "PropertyChanged(FontSize)"}},
        // Refused by both fonts, and still laid out and reported.
        SetterCase{"FontSize", Variant::Single(0), 0, {kTop1, kTop2, "PropertyChanged(FontSize)"}},
        SetterCase{"FontName", Variant::String("Arial"), 0,
                   {"SurfaceFont.Name=Arial", "LabelFont.Name=Arial", "lblCaption.FontName=Arial", kTop1, kTop2,
                    "PropertyChanged(FontName)"}},
        SetterCase{"FontName", Variant::String(""), 0, {kTop1, kTop2, "PropertyChanged(FontName)"}},
        SetterCase{"FontItalic", Variant::Boolean(true), 0,
                   {"SurfaceFont.Italic=1", "lblCaption.FontItalic=1", "PropertyChanged(FontItalic)"}},
        SetterCase{"FontBold", Variant::Boolean(true), 0,
                   {"SurfaceFont.Bold=1", "lblCaption.FontBold=1", kTop1, kTop2, "PropertyChanged(FontBold)"}},
        // Over the caption and the glyph, never the bare surface.
        SetterCase{"MousePointer", Variant::Long(2), 0,
                   {"lblCaption.MousePointer=2", "Check1.MousePointer=2", "PropertyChanged(MousePointer)"}},
        SetterCase{"MouseIcon", Variant::OfPicture(nullptr), 0,
                   {"lblCaption.MouseIcon=Nothing", "Check1.MouseIcon=Nothing", "PropertyChanged(MouseIcon)"}},
        SetterCase{"Tag", Variant::String("x"), err::kNotSupported, {}}));

TEST(GlazeCheckTest, FontIsOneObjectForSurfaceAndCaption) {
  Fixture f;
  auto font = std::make_shared<testing_support::RecordingFont>(f.surface.record, "MyFont");
  f.surface.record.clear();
  f.Let("Font", Variant::OfFont(font));
  EXPECT_EQ(f.surface.record, (Record{"Font=MyFont", "lblCaption.Font=MyFont", kTop1, kTop2, "PropertyChanged(Font)"}));
  EXPECT_EQ(f.Get("Font"), Variant::OfFont(font));
  EXPECT_EQ(f.surface.label().GetFont(), font);
}

TEST(GlazeCheckTest, InitPropertiesTakesTheDisplayNameAndACopyOfTheAmbientFont) {
  Fixture f;
  f.check.InitProperties();
  EXPECT_EQ(f.surface.record,
            (Record{"lblCaption.Caption=GlazeCheck1", kTop1, kTop2, "PropertyChanged(Caption)", "Check1.Value=0",
                    "PropertyChanged(Value)", "Font=AmbientFont'", "lblCaption.MousePointer=0",
                    "Check1.MousePointer=0", "PropertyChanged(MousePointer)"}));
}

}  // namespace
}  // namespace vitrelle
