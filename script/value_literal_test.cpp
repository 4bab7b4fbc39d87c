#include "script/value_literal.h"

#include <gtest/gtest.h>

namespace vitrelle::script {
namespace {

struct ValueCase {
  const char* text;
  VarType type;
  const char* literal;  // what the value writes back as
};

class ValueLiteralTest : public testing::TestWithParam<ValueCase> {};

TEST_P(ValueLiteralTest, ParsesToTheKindTheHostWouldType) {
  const auto& c = GetParam();
  std::string error;
  const auto v = ParseValueLiteral(c.text, error);
  ASSERT_TRUE(v) << error;
  EXPECT_FALSE(v->picture_path);
  EXPECT_EQ(v->value.type(), c.type);
  EXPECT_EQ(v->value.ToLiteral(), c.literal);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ValueLiteralTest,
    testing::Values(ValueCase{"12", VarType::kInteger, "12"}, ValueCase{"-7", VarType::kInteger, "-7"},
                    ValueCase{"+3", VarType::kInteger, "3"}, ValueCase{"32767", VarType::kInteger, "32767"},
                    ValueCase{"32768", VarType::kLong, "32768"}, ValueCase{"-32769", VarType::kLong, "-32769"},
                    ValueCase{"2147483648", VarType::kDouble, "2147483648.0"},
                    ValueCase{"0x00C0E0FF", VarType::kLong, "12640511"}, ValueCase{"0xff", VarType::kLong, "255"},
                    ValueCase{"0XFFFF", VarType::kLong, "65535"},
                    ValueCase{"0x80000005", VarType::kLong, "-2147483643"},
                    ValueCase{"1.5", VarType::kDouble, "1.5"}, ValueCase{"-2.0", VarType::kDouble, "-2.0"},
                    ValueCase{"1.5E+20", VarType::kDouble, "1.5E+20"},
                    ValueCase{"2e-3", VarType::kDouble, "0.002"}, ValueCase{"True", VarType::kBoolean, "True"},
                    ValueCase{"false", VarType::kBoolean, "False"},
                    ValueCase{"\"say \"\"hi\"\"\"", VarType::kString, "\"say \"\"hi\"\"\""},
                    ValueCase{"\"\"", VarType::kString, "\"\""},
                    ValueCase{"\" x \"\"\"\"\"", VarType::kString, "\" x \"\"\"\"\""},  // inner quotes and blanks
                    ValueCase{"  \"a # b = c\"  ", VarType::kString, "\"a # b = c\""},
                    ValueCase{"Nothing", VarType::kObject, "Nothing"}));

struct PictureCase {
  const char* text;
  const char* path;
};

class PictureLiteralTest : public testing::TestWithParam<PictureCase> {};

TEST_P(PictureLiteralTest, NamesThePathWithoutOpeningIt) {
  std::string error;
  const auto v = ParseValueLiteral(GetParam().text, error);
  ASSERT_TRUE(v) << error;
  ASSERT_TRUE(v->picture_path);
  EXPECT_EQ(*v->picture_path, GetParam().path);
  EXPECT_TRUE(v->value.IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Pictures, PictureLiteralTest,
                         testing::Values(PictureCase{"picture(\"x.png\")", "x.png"},
                                         PictureCase{"Picture ( \"art/my \"\"best\"\".png\" ) ", "art/my \"best\".png"},
                                         PictureCase{"PICTURE(\"/abs/b.png\")", "/abs/b.png"}));

struct BadValueCase {
  const char* text;
  const char* message;  // part of the reason
};

class BadValueLiteralTest : public testing::TestWithParam<BadValueCase> {};

TEST_P(BadValueLiteralTest, SaysWhatIsWrong) {
  std::string error;
  EXPECT_FALSE(ParseValueLiteral(GetParam().text, error));
  EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BadValueLiteralTest,
    testing::Values(BadValueCase{"", "expected a value"}, BadValueCase{"   ", "expected a value"},
                    BadValueCase{"\"abc", "no closing quote"}, BadValueCase{"\"a\"\"", "no closing quote"},
                    BadValueCase{"\"a\" b", "unexpected text after the string"},
                    BadValueCase{"0x", "hexadecimal digits"}, BadValueCase{"0x1G", "not a hexadecimal"},
                    BadValueCase{"0x100000000", "32 bits"}, BadValueCase{"-0x10", "not a value"},
                    BadValueCase{"1.", "not a value"}, BadValueCase{".5", "not a value"},
                    BadValueCase{"1e", "not a value"}, BadValueCase{"1,5", "not a value"},
                    BadValueCase{"Tru", "not a value"}, BadValueCase{"&HFF", "not a value"},
                    BadValueCase{"picture(x.png)", "double quotes"}, BadValueCase{"picture", "picture(\"path\")"},
                    BadValueCase{"picture(\"\")", "empty"}, BadValueCase{"picture(\"a.png\"", "expected )"},
                    BadValueCase{"picture(\"a.png\") x", "expected )"}));

// What a form is saved with must read back as the same value.
class RoundTripTest : public testing::TestWithParam<Variant> {};

TEST_P(RoundTripTest, ToLiteralReadsBack) {
  std::string error;
  const auto v = ParseValueLiteral(GetParam().ToLiteral(), error);
  ASSERT_TRUE(v) << GetParam().ToLiteral() << ": " << error;
  // A Single is written with its seven digits, so it reads back exactly once narrowed again.
  if (GetParam().type() == VarType::kSingle) {
    EXPECT_EQ(v->value.ToSingle(), GetParam().ToSingle());
  } else {
    EXPECT_TRUE(v->value == GetParam()) << GetParam().ToLiteral() << " read back as " << v->value.ToLiteral();
  }
  EXPECT_EQ(v->value.ToLiteral(), GetParam().ToLiteral());
}

INSTANTIATE_TEST_SUITE_P(Values, RoundTripTest,
                         testing::Values(Variant::Boolean(true), Variant::Integer(-32768), Variant::Long(-2147483643),
                                         Variant::Single(1.0f), Variant::Single(214.2857f), Variant::Double(-0.25),
                                         Variant::Double(1.5e20), Variant::Double(1e-7),
                                         Variant::String("He said \"\"no\"\""), Variant::OfPicture(nullptr)));

}  // namespace
}  // namespace vitrelle::script
