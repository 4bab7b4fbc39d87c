// The declaration machinery on a probe shaped like the controls to come: keys read
// and written in different orders, defaults from the container, a key restored
// otherwise than through its setter, and a setter that may refuse.
#include "frame/properties.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hosts/model/control_registry.h"
#include "hosts/model/model_test_base.h"

namespace vitrelle {
namespace {

class Probe : public Control {
 public:
  explicit Probe(Surface& surface) : surface_(surface) {}
  std::string_view ClassName() const override { return "Probe"; }
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override {
    return InvokeProperty(*this, Table(), member, kind, args);
  }
  void ReadProperties(PropertyBag& bag) override { ReadInOrder(*this, Table(), bag, surface_); }
  void WriteProperties(PropertyBag& bag) override { WriteInOrder(*this, Table(), bag, surface_); }
  void ReportChange(std::string_view property) { surface_.PropertyChanged(property); }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string_view text) { caption_ = text; }
  float Size() const { return size_; }
  void SetSize(float points) { size_ = points; }
  int32_t Level() const { return level_; }
  bool SetLevel(int32_t level) {
    if (level < 0) return false;
    level_ = level;
    return true;
  }
  std::string Face() const { return face_; }
  void SetFace(std::string_view face) { face_ = face; }
  int16_t Count() const { return 3; }
  void Poke() { ++pokes; }

  std::string restored;
  int pokes = 0;

 private:
  static std::span<const Property<Probe>> Table() {
    using D = Declare<Probe>;
    static const std::vector<Property<Probe>> kTable = [] {
      std::vector<Property<Probe>> t;
      t.push_back(D::Saved<&Probe::Caption, &Probe::SetCaption>(
          "Caption", Persisted{.ambient = AmbientDefault::kDisplayName, .read_order = 1, .write_order = 3}));
      t.push_back(D::Saved<&Probe::Size, &Probe::SetSize>(
          "Size", Persisted{.ambient = AmbientDefault::kFontSize, .read_order = 2, .write_order = 1}));
      t.push_back(D::Prop<&Probe::Level, &Probe::SetLevel>(
          "Level", "LevelChanged",
          Persisted{.key = "Lvl", .write_key = "LVL", .default_value = Variant::Long(5), .read_order = 3,
                    .write_order = 2}));
      // Loaded into a field of its own, like a saved font whose name is all a
      // control takes from it.
      Property<Probe> face = D::Saved<&Probe::Face, &Probe::SetFace>(
          "Face", Persisted{.ambient = AmbientDefault::kFontName, .read_order = 4, .write_order = 4});
      face.restore = [](Probe& p, const Variant& v) { p.restored = v.ToString(); };
      t.push_back(face);
      t.push_back(D::Prop<&Probe::Count>("Count"));
      t.push_back(D::Method<&Probe::Poke>("Poke"));
      return t;
    }();
    return kTable;
  }

  Surface& surface_;
  std::string caption_ = "x";
  float size_ = 0;
  int32_t level_ = 5;
  std::string face_;
};

// What a bag was asked, in order, as "read Key=default" and "write Key=value/default".
class ListingBag : public PropertyBag {
 public:
  Variant ReadProperty(std::string_view key, const Variant& default_value) override {
    asked.push_back("read " + std::string(key) + "=" + default_value.ToLiteral());
    for (const auto& [k, v] : stored) {
      if (NamesEqual(k, key)) return v;
    }
    return default_value;
  }
  void WriteProperty(std::string_view key, const Variant& value, const Variant& default_value) override {
    asked.push_back("write " + std::string(key) + "=" + value.ToLiteral() + "/" + default_value.ToLiteral());
  }
  std::vector<std::pair<std::string, Variant>> stored;
  std::vector<std::string> asked;
};

using Lines = std::vector<std::string>;

class PropertiesTest : public model::testing::ModelTest {
 protected:
  PropertiesTest() {
    model::RegisterControlClass("Probe", [](Surface& s) -> std::unique_ptr<Control> {
      return std::make_unique<Probe>(s);
    });
    NewForm(false);
    Add("Probe", "Probe1");
    TakeLog();
  }
  ~PropertiesTest() override { model::UnregisterControlClass("Probe"); }

  Probe& P() { return dynamic_cast<Probe&>(form_->GetLibrary("Probe1").Object()); }
  Lines Changes() {
    Lines out;
    for (const std::string& line : TakeLog()) {
      if (const auto at = line.find(" changed "); at != std::string::npos) out.push_back(line.substr(at + 9));
    }
    return out;
  }
  int ErrorOf(std::string_view member, InvokeKind kind, int arg_count) {
    std::vector<Variant> args(static_cast<size_t>(arg_count), Variant::Long(1));
    return model::testing::ErrorOf([&] { P().Invoke(member, kind, args); });
  }
};

TEST_F(PropertiesTest, WritesInWriteOrderWithTheContainersDefaults) {
  ListingBag bag;
  P().WriteProperties(bag);
  ASSERT_EQ(bag.asked.size(), 4u);
  EXPECT_EQ(bag.asked[0].substr(0, 11), "write Size=");
  EXPECT_EQ(bag.asked[1], "write LVL=5/5") << "written under its own spelling";
  EXPECT_EQ(bag.asked[2], "write Caption=\"x\"/\"Probe1\"");
  EXPECT_EQ(bag.asked[3].substr(0, 11), "write Face=");
}

TEST_F(PropertiesTest, ReadsInReadOrderThroughTheSettersOrTheRestoreStep) {
  ListingBag bag;
  bag.stored = {{"face", Variant::String("Serif")}, {"lvl", Variant::Long(-2)}, {"CAPTION", Variant::String("c")}};
  P().ReadProperties(bag);
  ASSERT_EQ(bag.asked.size(), 4u);
  EXPECT_EQ(bag.asked[0], "read Caption=\"Probe1\"");
  EXPECT_EQ(bag.asked[1].substr(0, 10), "read Size=");
  EXPECT_EQ(bag.asked[2], "read Lvl=5");
  EXPECT_EQ(bag.asked[3].substr(0, 10), "read Face=");
  EXPECT_EQ(P().Caption(), "c");
  EXPECT_EQ(P().Level(), 5) << "the setter refused -2";
  EXPECT_EQ(P().restored, "Serif");
  EXPECT_EQ(P().Face(), "") << "restored past the setter";
  // The refused level and the restored face report nothing.
  EXPECT_EQ(Changes(), (Lines{"Probe1.Caption", "Probe1.Size"}));
}

TEST_F(PropertiesTest, AnAssignmentReportsItsChangeNameUnlessTheSetterRefused) {
  Variant two[1] = {Variant::Long(2)};
  P().Invoke("level", InvokeKind::kLet, two);
  Variant minus[1] = {Variant::Long(-1)};
  P().Invoke("Level", InvokeKind::kLet, minus);
  EXPECT_EQ(Changes(), (Lines{"Probe1.LevelChanged"}));
  EXPECT_EQ(P().Invoke("LEVEL", InvokeKind::kGet, {}), Variant::Long(2));
}

TEST_F(PropertiesTest, KeepsTheLateBoundRules) {
  EXPECT_EQ(ErrorOf("Count", InvokeKind::kLet, 1), err::kPropertyReadOnly);
  EXPECT_EQ(ErrorOf("Level", InvokeKind::kLet, 2), err::kWrongArguments);
  EXPECT_EQ(ErrorOf("Missing", InvokeKind::kGet, 0), err::kNotSupported);
  EXPECT_EQ(ErrorOf("Poke", InvokeKind::kLet, 1), err::kNotSupported);
  EXPECT_EQ(ErrorOf("Poke", InvokeKind::kCall, 0), 0);
  EXPECT_EQ(P().pokes, 1);
  EXPECT_EQ(Changes(), Lines{});
}

// What an accessor's declaration carries, whether it is assignable and the name its
// change is reported under are checked for every control's table against the
// published interfaces (controls/declarations_test.cpp).

}  // namespace
}  // namespace vitrelle
