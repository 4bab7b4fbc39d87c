// The option mark: its pictures, which one the fields choose, its round window on
// the model host's screen, and what it hands on to its owner.
#include "controls/radio/radio_button.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/color.h"
#include "hosts/model/control_registry.h"
#include "hosts/model/form.h"
#include "hosts/model/model_test_base.h"

namespace vitrelle {
namespace {

using Look = RadioButton::Look;
using ::testing::ElementsAre;
constexpr int kSide = RadioButton::kPictureSide;

OleColor PixelOf(Look look, int x, int y) { return RadioButton::Pixels(look)[y * kSide + x]; }

// ---------------------------------------------------------------------------
// The pictures. Each set picture is its cleared twin plus a round dot in the
// centre; anything else that differs is a slip in the table.

TEST(RadioPictures, TwinsDifferOnlyInTheCentreDot) {
  struct Twin {
    Look set, cleared;
    int dot;          // the dot's side in pixels
    OleColor centre;  // the dot's colour
  };
  for (const Twin& c : {Twin{Look::kTrue3D, Look::kFalse3D, 3, Rgb(0, 0, 0)},
                        Twin{Look::kTrueFlat, Look::kFalseFlat, 5, Rgb(0, 0, 0)},
                        Twin{Look::kTrue3DDisabled, Look::kFalse3DDisabled, 3, Rgb(128, 128, 128)},
                        Twin{Look::kTrueFlatDisabled, Look::kFalseFlatDisabled, 5, Rgb(128, 128, 128)}}) {
    SCOPED_TRACE(static_cast<int>(c.set));
    const int first = (kSide - c.dot) / 2, last = first + c.dot - 1;
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        if (x >= first && x <= last && y >= first && y <= last) continue;  // in the dot
        EXPECT_EQ(PixelOf(c.set, x, y), PixelOf(c.cleared, x, y)) << x << "," << y;
      }
    }
    EXPECT_EQ(PixelOf(c.set, 6, 6), c.centre);
    // The dot is round: its corners are softer than its centre, and its edge
    // midpoints are the centre's colour.
    EXPECT_NE(PixelOf(c.set, first, first), c.centre);
    EXPECT_EQ(PixelOf(c.set, first, 6), c.centre);
    EXPECT_EQ(PixelOf(c.set, 6, last), c.centre);
  }
}

TEST(RadioPictures, ThreeDLooksAreLitFromTheUpperLeftAndFlatOnesHaveARing) {
  // Sunken: dark above and to the left of the disc, white below and to the right.
  EXPECT_EQ(PixelOf(Look::kFalse3D, 3, 3), Rgb(70, 70, 70));
  EXPECT_EQ(PixelOf(Look::kFalse3D, 11, 11), Rgb(255, 255, 255));
  EXPECT_EQ(PixelOf(Look::kFalse3D, 6, 6), Rgb(255, 255, 255));
  EXPECT_EQ(PixelOf(Look::kFalse3DDisabled, 6, 6), Rgb(192, 192, 192));
  // Flat: a disc nine pixels across inside a black ring.
  int white_across = 0;
  for (int x = 0; x < kSide; ++x) white_across += PixelOf(Look::kFalseFlat, x, 6) == Rgb(255, 255, 255);
  EXPECT_EQ(white_across, 9);
  EXPECT_EQ(PixelOf(Look::kFalseFlat, 1, 6), Rgb(0, 0, 0));
  EXPECT_EQ(PixelOf(Look::kFalseFlatDisabled, 1, 6), Rgb(128, 128, 128));
}

// ---------------------------------------------------------------------------
// On the model host, inside a small owner that logs what the mark raises.

class MarkOwner : public Control {
 public:
  static constexpr OleColor kColor = Rgb(10, 200, 30);
  explicit MarkOwner(Surface& surface) : glyph_(surface.AddUserControl("RadioButton1", &MakeRadioButton)) {
    surface.SetBackColor(kColor);
  }
  std::string_view ClassName() const override { return "MarkOwner"; }
  Variant Invoke(std::string_view, InvokeKind, std::span<Variant>) override { Raise(err::kNotSupported); }
  void PartEvent(UserControlPart& part, std::string_view event, std::span<Variant> args) override {
    std::string line = part.Name() + " " + std::string(event);
    for (const Variant& a : args) line += " " + a.ToString();
    events.push_back(line);
  }
  UserControlPart& glyph() { return glyph_; }
  RadioButton& mark() { return dynamic_cast<RadioButton&>(glyph_.Object()); }
  std::vector<std::string> events;

 private:
  UserControlPart& glyph_;
};

class MarkOnModel : public model::testing::ModelTest {
 protected:
  MarkOnModel() {
    model::RegisterControlClass("MarkOwner", [](Surface& s) { return std::make_unique<MarkOwner>(s); });
    NewForm();
    Add("MarkOwner", "Owner1", kLeft, kTop);
    form_->Show();
    runtime_.Advance(100);
  }
  ~MarkOnModel() override { model::UnregisterControlClass("MarkOwner"); }

  MarkOwner& owner() { return dynamic_cast<MarkOwner&>(form_->GetLibrary("Owner1").Object()); }
  RadioButton& mark() { return owner().mark(); }
  void Let(std::string_view member, Variant v) {
    Variant args[1] = {std::move(v)};
    mark().Invoke(member, InvokeKind::kLet, args);
    runtime_.DoEvents();
  }
  // A pixel of the mark's picture as the screen shows it.
  OleColor Shown(int x, int y) { return screen_.PixelAt(kLeft / 15 + x, kTop / 15 + y); }

  static constexpr float kLeft = 1500, kTop = 900;
};

// Each row from the opposite Enabled, so that enabling again restores the enabled picture.
TEST_F(MarkOnModel, TheLookFollowsTheFieldsAndShowsOnScreen) {
  struct Row {
    bool enabled, value;
    int32_t appearance;
    Look expected;
  };
  for (const Row& c : {Row{true, true, 0, Look::kTrueFlat}, Row{true, true, 1, Look::kTrue3D},
                       Row{true, false, 0, Look::kFalseFlat}, Row{true, false, 1, Look::kFalse3D},
                       Row{false, true, 0, Look::kTrueFlatDisabled}, Row{false, true, 1, Look::kTrue3DDisabled},
                       Row{false, false, 0, Look::kFalseFlatDisabled}, Row{false, false, 1, Look::kFalse3DDisabled},
                       // Only 0 is flat.
                       Row{true, true, 2, Look::kTrue3D}, Row{true, false, -1, Look::kFalse3D}}) {
    SCOPED_TRACE(testing::Message() << c.enabled << c.value << c.appearance);
    Let("Enabled", Variant::Boolean(!c.enabled));
    Let("Appearance", Variant::Long(c.appearance));
    Let("value", Variant::Boolean(c.value));
    Let("Enabled", Variant::Boolean(c.enabled));
    EXPECT_EQ(mark().CurrentLook(), c.expected);
    // Every pixel inside the circle is the chosen picture's.
    for (int y = 3; y <= 9; ++y) {
      for (int x = 3; x <= 9; ++x) EXPECT_EQ(Shown(x, y), PixelOf(c.expected, x, y)) << x << "," << y;
    }
  }
}

TEST_F(MarkOnModel, ANewMarkIsThreeDAndItsCornersShowTheOwnerBeneath) {
  EXPECT_EQ(mark().Appearance(), 1);
  EXPECT_EQ(mark().CurrentLook(), Look::kFalse3D);
  // The square picture's corners are grey or black; the round window hides them.
  for (auto [x, y] : {std::pair{0, 0}, {12, 0}, {0, 12}, {12, 12}, {1, 0}, {0, 1}}) {
    EXPECT_EQ(Shown(x, y), MarkOwner::kColor) << x << "," << y;
  }
  // The ring itself is inside.
  EXPECT_EQ(Shown(6, 0), PixelOf(Look::kFalse3D, 6, 0));
  EXPECT_EQ(Shown(0, 6), PixelOf(Look::kFalse3D, 0, 6));
  Let("Appearance", Variant::Long(0));
  EXPECT_EQ(Shown(0, 0), MarkOwner::kColor);
  EXPECT_EQ(Shown(6, 1), Rgb(0, 0, 0));
}

TEST_F(MarkOnModel, AClickIsReportedAndLeavesTheValueAlone) {
  model::Site& site = form_->GetLibrary("Owner1");
  owner().events.clear();
  site.Click("RadioButton1", 90, 90, false);
  runtime_.DoEvents();
  EXPECT_FALSE(mark().Value());
  EXPECT_THAT(owner().events, ElementsAre("RadioButton1 MouseDown 1 0 90 90", "RadioButton1 MouseUp 1 0 90 90",
                                          "RadioButton1 Click"));
  owner().events.clear();
  site.Click("RadioButton1", 90, 90, true);
  EXPECT_THAT(owner().events, ElementsAre("RadioButton1 MouseDown 1 0 90 90", "RadioButton1 MouseUp 1 0 90 90",
                                          "RadioButton1 Click", "RadioButton1 DblClick",
                                          "RadioButton1 MouseUp 1 0 90 90"));
}

TEST_F(MarkOnModel, ADisabledMarkTakesNoFocusAndNoClick) {
  Let("Enabled", Variant::Boolean(false));
  EXPECT_THROW(owner().glyph().SetFocus(), RuntimeError);
  owner().events.clear();
  form_->GetLibrary("Owner1").Click("RadioButton1", 90, 90, false);
  EXPECT_TRUE(owner().events.empty());
}

TEST_F(MarkOnModel, SavedStateRoundTripsAndAbsentKeysGiveTheDefaults) {
  Let("value", Variant::Boolean(true));
  Let("Appearance", Variant::Long(0));
  Let("Enabled", Variant::Boolean(false));
  model::ModelPropertyBag bag;
  mark().WriteProperties(bag);
  Let("value", Variant::Boolean(false));
  mark().ReadProperties(bag);
  EXPECT_EQ(mark().CurrentLook(), Look::kTrueFlatDisabled);
  model::ModelPropertyBag empty;
  mark().ReadProperties(empty);
  EXPECT_EQ(mark().CurrentLook(), Look::kFalse3D);
}

TEST_F(MarkOnModel, AMadePictureRefusesASizeItsPixelsDoNotFill) {
  const std::vector<OleColor> four(4, 0);
  EXPECT_NE(runtime_.NewPicture(2, 2, four), nullptr);
  for (auto [w, h] : {std::pair{3, 2}, {0, 4}, {-2, -2}, {4097, 1}})
    EXPECT_EQ(model::testing::ErrorOf([&] { runtime_.NewPicture(w, h, four); }), err::kInvalidPropertyValue)
        << w << "x" << h;
}

}  // namespace
}  // namespace vitrelle
