#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hosts/model/model_test_base.h"
#include "hosts/model/property_bag.h"

namespace vitrelle::model::testing {
namespace {

using ::testing::ElementsAre;

class RuntimeTest : public ModelTest {};

TEST_F(RuntimeTest, TimerFiresAtItsIntervalNotBefore) {
  std::vector<int64_t> ticks;
  TimerId id = runtime_.AddTimer([&] { ticks.push_back(runtime_.Now()); });
  runtime_.StartTimer(id, 50);
  runtime_.Advance(49);
  EXPECT_TRUE(ticks.empty());
  runtime_.Advance(1);
  EXPECT_THAT(ticks, ElementsAre(50));
  runtime_.Advance(120);  // keeps ticking until stopped
  EXPECT_THAT(ticks, ElementsAre(50, 100, 150));
  EXPECT_EQ(runtime_.Now(), 170);
  runtime_.StopTimer(id);
  runtime_.Advance(500);
  EXPECT_EQ(ticks.size(), 3u);
}

TEST_F(RuntimeTest, TimersFireInTimeOrderAndTiesInEnablingOrder) {
  std::vector<std::string> order;
  TimerId a = runtime_.AddTimer([&] { order.push_back("a@" + std::to_string(runtime_.Now())); });
  TimerId b = runtime_.AddTimer([&] { order.push_back("b@" + std::to_string(runtime_.Now())); });
  TimerId c = runtime_.AddTimer([&] { order.push_back("c@" + std::to_string(runtime_.Now())); });
  runtime_.StartTimer(c, 100);
  runtime_.StartTimer(b, 50);
  runtime_.StartTimer(a, 50);
  runtime_.Advance(100);
  EXPECT_THAT(order, ElementsAre("b@50", "a@50", "c@100", "b@100", "a@100"));
}

TEST_F(RuntimeTest, TimerEnabledInsideATickCountsFromThatTick) {
  std::vector<int64_t> second_ticks;
  TimerId second = runtime_.AddTimer([&] {
    second_ticks.push_back(runtime_.Now());
    runtime_.StopTimer(second);
  });
  TimerId first = runtime_.AddTimer([&] {
    runtime_.StopTimer(first);
    runtime_.StartTimer(second, 100);
  });
  runtime_.StartTimer(first, 50);
  runtime_.Advance(1000);
  EXPECT_THAT(second_ticks, ElementsAre(150));
}

TEST_F(RuntimeTest, DoEventsRunsEverythingPendingAndMayBeReentered) {
  std::vector<std::string> order;
  runtime_.Post([&] {
    order.push_back("outer");
    runtime_.Post([&] { order.push_back("posted by outer"); });
    runtime_.DoEvents();  // runs what outer posted before it goes on
    order.push_back("outer done");
  });
  runtime_.Post([&] { order.push_back("second"); });
  runtime_.DoEvents();
  EXPECT_THAT(order, ElementsAre("outer", "second", "posted by outer", "outer done"));
  EXPECT_FALSE(runtime_.HasPendingMessages());
}

TEST_F(RuntimeTest, DoEventsInsideATickRunsTheTicksDueAtThatMomentOnly) {
  std::vector<std::string> order;
  TimerId later = runtime_.AddTimer([&] { order.push_back("later@" + std::to_string(runtime_.Now())); });
  TimerId same = runtime_.AddTimer([&] {
    runtime_.StopTimer(same);
    order.push_back("same@" + std::to_string(runtime_.Now()));
  });
  TimerId first = runtime_.AddTimer([&] {
    runtime_.StopTimer(first);
    order.push_back("first");
    runtime_.DoEvents();
    order.push_back("first done");
  });
  runtime_.StartTimer(first, 50);
  runtime_.StartTimer(same, 50);
  runtime_.StartTimer(later, 60);
  runtime_.Advance(50);
  EXPECT_THAT(order, ElementsAre("first", "same@50", "first done"));
  EXPECT_EQ(runtime_.Now(), 50);
}

TEST_F(RuntimeTest, EachNewFontIsADefaultFontOfItsOwn) {
  FontPtr font = runtime_.NewFont();
  EXPECT_EQ(font->Name(), "MS Sans Serif");
  EXPECT_EQ(font->Size(), 8.25f);
  font->SetBold(true);
  EXPECT_FALSE(runtime_.NewFont()->Bold());
}

// ---------------------------------------------------------------------------
// Property bags

TEST(PropertyBagTest, AbsentKeysGiveTheDefaultKeysIgnoreCaseAndTheDefaultKeepsAnEarlierValue) {
  ModelPropertyBag bag;
  EXPECT_EQ(bag.ReadProperty("Caption", Variant::String("dflt")).ToString(), "dflt");
  bag.WriteProperty("Caption", Variant::String("Hi"), Variant::String(""));
  EXPECT_EQ(bag.ReadProperty("CAPTION", Variant::String("dflt")).ToString(), "Hi");
  bag.WriteProperty("caption", Variant::String("Again"), Variant::String(""));
  EXPECT_EQ(bag.Entries().size(), 1u);
  bag.WriteProperty("Caption", Variant::String(""), Variant::String(""));
  EXPECT_EQ(bag.ReadProperty("Caption", Variant()).ToString(), "Again");
}

struct DefaultRow {
  Variant value;
  Variant default_value;
  bool stored;
};

class PropertyBagDefaults : public ::testing::TestWithParam<DefaultRow> {};

TEST_P(PropertyBagDefaults, ValueEqualToItsDefaultIsNotStored) {
  ModelPropertyBag bag;
  bag.WriteProperty("Key", GetParam().value, GetParam().default_value);
  EXPECT_EQ(bag.Has("Key"), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PropertyBagDefaults,
    ::testing::Values(DefaultRow{Variant::Integer(1), Variant::Integer(1), false},
                      DefaultRow{Variant::Integer(1), Variant::Long(1), false},  // numbers by value
                      DefaultRow{Variant::Boolean(true), Variant::Integer(-1), false},
                      DefaultRow{Variant::Single(1.5f), Variant::Double(1.5), false},
                      DefaultRow{Variant::String("a"), Variant::String("A"), true},  // strings exactly
                      DefaultRow{Variant::Integer(0), Variant::Integer(1), true},
                      DefaultRow{Variant::OfPicture(nullptr), Variant::OfPicture(nullptr), false}));

}  // namespace
}  // namespace vitrelle::model::testing
