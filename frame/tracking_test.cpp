// Background tracking seen from outside, on the model host: a small control that
// uses the shared mechanism as it stands, without any control's own differences.
#include "frame/tracking.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "frame/glaze_module.h"
#include "frame/members.h"
#include "hosts/model/model_test_base.h"
#include "hosts/model/property_bag.h"

namespace vitrelle {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Probe : public TrackedControl {
 public:
  explicit Probe(Surface& surface) : TrackedControl(surface) {}

  std::string_view ClassName() const override { return "Probe"; }
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override {
    static constexpr MemberBinding<Probe> kMembers[] = {
        {"BackStyle", [](Probe& p) { return Variant::Long(p.back_style_); },
         [](Probe& p, const Variant& v) {
           p.back_style_ = v.ToLong();
           if (p.back_style_ == kBackStyleTransparent) p.Refresh();
         }},
        {"Refresh", nullptr, nullptr, [](Probe& p) { p.Refresh(); }},
    };
    return InvokeMember<Probe>(*this, kMembers, member, kind, args);
  }
  void ReadProperties(PropertyBag& bag) override {
    back_style_ = bag.ReadProperty("BackStyle", Variant::Long(0)).ToLong();
    TakeParent();
  }
  void GotFocus(Part*) override { focus_draws.push_back(!GlazeModule::CaptureInProgress()); }

  std::vector<bool> focus_draws;  // one entry per focus gain: whether it would draw

 protected:
  int32_t BackStyleValue() const override { return back_style_; }

 private:
  int32_t back_style_ = kBackStyleTransparent;
};

class TrackingTest : public model::testing::ModelTest {
 protected:
  static void SetUpTestSuite() {
    model::RegisterControlClass("Probe", [](Surface& s) -> std::unique_ptr<Control> {
      return std::make_unique<Probe>(s);
    });
  }
  void TearDown() override { GlazeModule::SetCaptureInProgress(false); }

  // A saved probe, loaded as a form file loads it: at run time it tracks the form.
  model::Site& Load(std::string name, int32_t back_style, int tab_index) {
    model::ControlSpec spec{.class_name = "Probe", .name = std::move(name), .left = 300, .top = 300, .width = 1680,
                            .height = 285, .tab_index = tab_index};
    model::ModelPropertyBag bag;
    bag.Put("BackStyle", Variant::Long(back_style));
    return form_->AddControl(spec, &bag);
  }
  Probe& ProbeOf(std::string_view name) { return dynamic_cast<Probe&>(form_->GetLibrary(name).Object()); }
  DispatchPtr X(std::string_view name) { return form_->Extender(name); }
  void ShowAndSettle() {
    form_->Show();
    runtime_.Advance(500);
  }
  std::vector<std::string> Lines(std::string_view kind) {
    std::vector<std::string> out;
    for (auto& line : TakeLog())
      if (line.find(kind) != std::string::npos) out.push_back(line);
    return out;
  }
  std::vector<std::string> Captures() { return Lines(" capture "); }
  // Probe1 transparent or not, the other control opaque; the user moves the focus
  // to the other control 60 ms after the form shows, before the focus would return.
  void ShowAndMoveOn(int32_t back_style, int tab_index) {
    Load("Probe1", back_style, tab_index);
    Load("Other", kBackStyleOpaque, tab_index == 0 ? 1 : 0);
    form_->Show();
    runtime_.Advance(60);
    form_->FocusOn(&form_->GetSite("Other"));
  }
};

// The first activation's two copies and the later ones' single delayed copy, on the
// form and inside a frame, and no copy at design time, are pinned by the check box's
// and the frame's scripts.

TEST_F(TrackingTest, OnlyATransparentFirstControlAsksForTheFocusAfter150ms) {
  struct Row {
    const char* name;
    int32_t back_style;
    int tab_index;
    bool asks;
  };
  for (const Row& r : {Row{"TransparentFirst", kBackStyleTransparent, 0, true},
                       Row{"TransparentSecond", kBackStyleTransparent, 1, false},
                       Row{"OpaqueFirst", kBackStyleOpaque, 0, false}}) {
    SCOPED_TRACE(r.name);
    NewForm();
    ShowAndMoveOn(r.back_style, r.tab_index);
    TakeLog();
    runtime_.Advance(500);
    EXPECT_EQ(Lines(" focus "), r.asks ? std::vector<std::string>{"@150 focus Probe1"} : std::vector<std::string>{});
  }
}

TEST_F(TrackingTest, TheFocusReturnInsideAnotherControlsCaptureStillDraws) {
  NewForm();
  // Another control is in the middle of its capture at 150 ms, when the focus
  // returns: enabled first, its tick runs first, and the return's tick runs inside
  // the DoEvents it makes.
  bool outer_kept_its_mark = false;
  const model::TimerId outer = runtime_.AddTimer([&] {
    GlazeModule::SetCaptureInProgress(true);
    runtime_.DoEvents();
    outer_kept_its_mark = GlazeModule::CaptureInProgress();
    GlazeModule::SetCaptureInProgress(false);
  });
  runtime_.StartTimer(outer, 150);
  ShowAndMoveOn(kBackStyleTransparent, 0);
  ProbeOf("Probe1").focus_draws.clear();
  runtime_.Advance(100);
  runtime_.RemoveTimer(outer);
  EXPECT_THAT(ProbeOf("Probe1").focus_draws, ElementsAre(true));
  EXPECT_TRUE(outer_kept_its_mark);
}

TEST_F(TrackingTest, TheCopyHoldsTheFormsPixelsUnderTheControlNotTheControl) {
  NewForm();
  // A pattern with a distinct colour per pixel catches any offset or scaling.
  model::Bitmap tile(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) tile.Set(x, y, Rgb(static_cast<uint8_t>(x * 16), static_cast<uint8_t>(y * 16), 77));
  form_->SetPattern(screen_.MakePicture(tile));
  auto& site = Load("Probe1", kBackStyleOpaque, 1);
  X("Probe1")->Let("Width", Variant::Double(1687.5));  // 112.5 pixels: rounds to 112
  form_->Show();
  runtime_.DoEvents();
  X("Probe1")->Let("BackStyle", Variant::Long(kBackStyleTransparent));

  auto& lib = dynamic_cast<model::LibrarySite&>(site);
  const PicturePtr copy = lib.GetSurface().GetPicture();
  ASSERT_TRUE(copy);
  const auto pixels = screen_.PictureBitmap(*copy);
  ASSERT_TRUE(pixels);
  EXPECT_EQ(pixels->Width(), 112);
  EXPECT_EQ(pixels->Height(), 19);
  const int left = 300 / 15, top = 300 / 15;
  int mismatches = 0;
  for (int y = 0; y < pixels->Height(); ++y)
    for (int x = 0; x < pixels->Width(); ++x) mismatches += pixels->At(x, y) != tile.At((left + x) % 16, (top + y) % 16);
  EXPECT_EQ(mismatches, 0);
  EXPECT_TRUE(X("Probe1")->Get("Visible").ToBoolean());
}

TEST_F(TrackingTest, EachCopyReplacesTheLastWithoutLeaking) {
  NewForm();
  Load("Probe1", kBackStyleTransparent, 1);
  ShowAndSettle();
  const size_t live = screen_.LiveGdiObjects();
  for (int i = 0; i < 5; ++i) X("Probe1")->Call("Refresh");
  EXPECT_EQ(screen_.LiveGdiObjects(), live);
}

TEST_F(TrackingTest, OpaqueRefreshNeitherCopiesNorHides) {
  NewForm();
  Load("Probe1", kBackStyleOpaque, 1);
  ShowAndSettle();
  TakeLog();
  bool hidden_meanwhile = false;
  runtime_.Post([&] { hidden_meanwhile = !X("Probe1")->Get("Visible").ToBoolean(); });
  X("Probe1")->Call("Refresh");
  runtime_.DoEvents();
  EXPECT_FALSE(hidden_meanwhile);
  EXPECT_THAT(Captures(), IsEmpty());
}

TEST_F(TrackingTest, AFocusGainDuringACaptureDrawsNothing) {
  NewForm();
  Load("Probe1", kBackStyleTransparent, 1);
  Load("Probe2", kBackStyleOpaque, 2);
  ShowAndSettle();
  ProbeOf("Probe2").focus_draws.clear();
  runtime_.Post([&] { form_->FocusOn(&form_->GetSite("Probe2")); });
  X("Probe1")->Call("Refresh");
  form_->FocusOn(&form_->GetSite("Probe1"));
  form_->FocusOn(&form_->GetSite("Probe2"));
  EXPECT_THAT(ProbeOf("Probe2").focus_draws, ElementsAre(false, true));
}

TEST_F(TrackingTest, AnActivationInsideACaptureStartsNoSecondCopy) {
  NewForm();
  Load("Probe1", kBackStyleTransparent, 1);
  // Arrives in the first DoEvents of the activation's own capture.
  runtime_.Post([&] {
    form_->Deactivate();
    form_->Activate();
  });
  ShowAndSettle();
  EXPECT_THAT(Captures(), ElementsAre("@0 capture Probe1 112x19", "@50 capture Probe1 112x19"));
}

TEST_F(TrackingTest, ACaptureInsideAnotherLeavesTheOuterOneMarked) {
  NewForm();
  Load("Probe1", kBackStyleTransparent, 1);
  Load("Probe2", kBackStyleTransparent, 2);
  ShowAndSettle();
  bool marked_after_inner = false;
  // Both run in the first DoEvents of Probe1's capture: Probe2 captures inside it.
  runtime_.Post([&] { X("Probe2")->Call("Refresh"); });
  runtime_.Post([&] { marked_after_inner = GlazeModule::CaptureInProgress(); });
  X("Probe1")->Call("Refresh");
  EXPECT_TRUE(marked_after_inner);
  EXPECT_FALSE(GlazeModule::CaptureInProgress());
}

TEST_F(TrackingTest, AnErrorInsideACaptureShowsTheControlAgainAndClearsTheFlag) {
  NewForm();
  Load("Probe1", kBackStyleOpaque, 1);
  ShowAndSettle();
  runtime_.Post([] { Raise(err::kInvalidProcedureCall); });
  EXPECT_EQ(model::testing::ErrorOf([&] { X("Probe1")->Let("BackStyle", Variant::Long(kBackStyleTransparent)); }),
            err::kInvalidProcedureCall);
  EXPECT_FALSE(GlazeModule::CaptureInProgress());
  EXPECT_TRUE(X("Probe1")->Get("Visible").ToBoolean());
}

TEST_F(TrackingTest, AnErrorInTheActivationHandlerIsContained) {
  NewForm();
  Load("Probe1", kBackStyleTransparent, 1);
  runtime_.Post([] { Raise(err::kInvalidProcedureCall); });
  EXPECT_NO_THROW(form_->Show());
  runtime_.Advance(500);
  EXPECT_FALSE(GlazeModule::CaptureInProgress());
  EXPECT_TRUE(X("Probe1")->Get("Visible").ToBoolean());
  EXPECT_THAT(Captures(), IsEmpty());
  // The failed copy was never applied, so the next activation takes it at once.
  form_->Deactivate();
  runtime_.AdvanceTo(1000);
  form_->Activate();
  runtime_.Advance(500);
  EXPECT_THAT(Captures(), ElementsAre("@1000 capture Probe1 112x19", "@1050 capture Probe1 112x19"));
}

TEST_F(TrackingTest, AControlCreatedWithoutLoadingNeverTracks) {
  NewForm();
  Add("Probe", "Probe1", 300, 300);
  ShowAndSettle();
  EXPECT_THAT(Captures(), IsEmpty());
  X("Probe1")->Call("Refresh");
  EXPECT_EQ(Captures().size(), 1u);
}

}  // namespace
}  // namespace vitrelle
