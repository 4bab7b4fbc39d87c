// The stream record read and written with the model host's fonts and pictures: the
// bytes a saved control is made of, values that come back as they went, and records
// no writer produces refused whole.
#include "frame/property_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "hosts/model/runtime.h"
#include "hosts/model/screen.h"
#include "hosts/model/stream_objects.h"

namespace vitrelle {
namespace {

using Bytes = std::vector<uint8_t>;

void Append(Bytes& out, std::initializer_list<uint8_t> bytes) { out.insert(out.end(), bytes); }
void AppendU32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void AppendText(Bytes& out, std::string_view text) {
  AppendU32(out, static_cast<uint32_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}
Bytes Header(uint32_t count) {
  Bytes out = {'G', 'T', 'B', 'V'};
  AppendU32(out, count);
  return out;
}

class PropertyStreamTest : public ::testing::Test {
 protected:
  Bytes Write(const StreamEntries& entries) {
    MemorySink sink;
    EXPECT_TRUE(WritePropertyStream(entries, objects_, sink));
    return sink.Bytes();
  }
  StreamStatus Read(const Bytes& bytes, StreamEntries& entries) {
    MemorySource source(bytes.data(), bytes.size());
    return ReadPropertyStream(source, objects_, entries);
  }

  model::Screen screen_{64, 64};
  model::ModelRuntime runtime_{screen_};
  model::ModelStreamObjects objects_{runtime_};
};

// Saved forms outlive the code that saved them: the layout is pinned byte for byte.
// Reading takes that record and nothing the container stored after it.
TEST_F(PropertyStreamTest, WritesTheRecordByteForByteAndReadsItUpToItsEnd) {
  Bytes expected = Header(3);
  AppendText(expected, "Value");
  Append(expected, {2, 0xFE, 0xFF});  // Integer -2
  AppendText(expected, "BackColor");
  Append(expected, {3, 0x05, 0x00, 0x00, 0x80});  // Long 0x80000005
  AppendText(expected, "Caption");
  Append(expected, {6});
  AppendText(expected, "say \"hi\"");
  EXPECT_EQ(Write({{"Value", Variant::Integer(-2)},
                   {"BackColor", Variant::Long(static_cast<int32_t>(0x80000005u))},
                   {"Caption", Variant::String("say \"hi\"")}}),
            expected);
  Append(expected, {0xAA, 0xBB});
  MemorySource source(expected.data(), expected.size());
  StreamEntries read;
  EXPECT_EQ(ReadPropertyStream(source, objects_, read), StreamStatus::kOk);
  EXPECT_EQ(read.size(), 3u);
  EXPECT_EQ(source.Remaining(), 2u);
}

struct ValueRow {
  const char* name;
  Variant value;
};

class PropertyStreamValueTest : public PropertyStreamTest, public ::testing::WithParamInterface<ValueRow> {};

TEST_P(PropertyStreamValueTest, ComesBackWithItsTypeAndValue) {
  const Variant& value = GetParam().value;
  StreamEntries read;
  ASSERT_EQ(Read(Write({{"Key", value}}), read), StreamStatus::kOk);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].first, "Key");
  EXPECT_EQ(read[0].second.type(), value.type());
  if (value.type() == VarType::kDouble && std::isnan(value.ToDouble())) {
    EXPECT_TRUE(std::isnan(read[0].second.ToDouble()));
  } else {
    EXPECT_TRUE(read[0].second == value) << read[0].second.ToLiteral();
    if (value.type() == VarType::kString) {
      EXPECT_EQ(read[0].second.ToString(), value.ToString());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, PropertyStreamValueTest,
    ::testing::Values(ValueRow{"Empty", Variant()}, ValueRow{"True", Variant::Boolean(true)},
                      ValueRow{"False", Variant::Boolean(false)},
                      ValueRow{"IntegerMin", Variant::Integer(-32768)}, ValueRow{"LongMax", Variant::Long(2147483647)},
                      ValueRow{"Single", Variant::Single(-1.5f)}, ValueRow{"Double", Variant::Double(1e300)},
                      ValueRow{"NaN", Variant::Double(std::nan(""))}, ValueRow{"EmptyString", Variant::String("")},
                      ValueRow{"NulAndUtf8", Variant::String(std::string("a\0\xC3\xA9", 4))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PropertyStreamTest, FontsAndPicturesComeBackThroughThePlatform) {
  FontPtr font = runtime_.NewFont();
  font->SetName("Arial");
  font->SetSize(12);
  font->SetItalic(true);
  font->SetStrikethrough(true);
  const OleColor pixels[] = {0x000000FF, 0x00FF0000};
  PicturePtr picture = runtime_.NewPicture(2, 1, pixels);

  StreamEntries read;
  ASSERT_EQ(Read(Write({{"Font", Variant::OfFont(font)},
                        {"Picture", Variant::OfPicture(picture)},
                        {"MouseIcon", Variant::OfPicture(nullptr)}}),
                 read),
            StreamStatus::kOk);
  ASSERT_EQ(read.size(), 3u);
  const FontPtr back = read[0].second.ToFont();
  ASSERT_TRUE(back);
  EXPECT_NE(back, font) << "a new object, not the saved one";
  EXPECT_EQ(back->Name(), "Arial");
  EXPECT_EQ(back->Size(), 12);
  EXPECT_EQ(std::tuple(back->Bold(), back->Italic(), back->Underline(), back->Strikethrough()),
            std::tuple(false, true, false, true));
  const auto bitmap = screen_.PictureBitmap(*read[1].second.ToPicture());
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->Pixels(), std::vector<OleColor>(std::begin(pixels), std::end(pixels)));
  EXPECT_TRUE(read[2].second.IsNothing());
}

TEST_F(PropertyStreamTest, EveryShortenedRecordIsShortAndYieldsNothing) {
  FontPtr font = runtime_.NewFont();
  const Bytes whole = Write({{"Caption", Variant::String("Options")}, {"Font", Variant::OfFont(font)}});
  for (size_t n = 0; n < whole.size(); ++n) {
    StreamEntries read = {{"stale", Variant::Integer(1)}};
    EXPECT_EQ(Read(Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(n)), read), StreamStatus::kShort)
        << n << " bytes";
    EXPECT_TRUE(read.empty()) << n << " bytes";
  }
}

struct CorruptRow {
  const char* name;
  Bytes bytes;
};

Bytes OneEntry(std::initializer_list<uint8_t> value) {
  Bytes out = Header(1);
  AppendText(out, "Key");
  Append(out, value);
  return out;
}

Bytes FontEntry(std::string_view name, uint32_t size_bits, uint8_t flags) {
  Bytes out = OneEntry({7});
  AppendText(out, name);
  AppendU32(out, size_bits);
  out.push_back(flags);
  return out;
}

Bytes TooLongText() {
  Bytes out = Header(1);
  AppendU32(out, kMaxStreamText + 1);
  return out;
}

class PropertyStreamCorruptTest : public PropertyStreamTest, public ::testing::WithParamInterface<CorruptRow> {};

TEST_P(PropertyStreamCorruptTest, IsRefusedWhole) {
  StreamEntries read;
  EXPECT_EQ(Read(GetParam().bytes, read), StreamStatus::kCorrupt);
  EXPECT_TRUE(read.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Records, PropertyStreamCorruptTest,
    ::testing::Values(CorruptRow{"WrongMagic", {'G', 'T', 'B', 'W', 0, 0, 0, 0}},
                      CorruptRow{"UnknownTag", OneEntry({9})},
                      CorruptRow{"KeyLongerThanAnyProperty", TooLongText()},
                      CorruptRow{"FontSizeZero", FontEntry("Arial", 0, 0)},
                      CorruptRow{"FontSizeNaN", FontEntry("Arial", 0x7FC00000u, 0)},
                      CorruptRow{"FontSizeAboveLimit", FontEntry("Arial", 0x45200000u /* 2560 */, 0)},
                      CorruptRow{"FontWithoutName", FontEntry("", 0x41000000u /* 8 */, 0)},
                      CorruptRow{"FontFlagNoWriterSets", FontEntry("Arial", 0x41000000u, 0x10)},
                      CorruptRow{"PicturePresentByteTwo", OneEntry({8, 2})},
                      CorruptRow{"PictureOfNoPixels", OneEntry({8, 1, 0, 0, 1, 0})},
                      CorruptRow{"PictureWiderThanThePlatformMakes", OneEntry({8, 1, 0x01, 0x10, 1, 0})}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vitrelle
