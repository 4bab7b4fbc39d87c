// GlazeCheck on the model host: real label measurement, forms, activation, the
// virtual clock and the screen's pixels.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hosts/model/form_file.h"
#include "hosts/model/library_classes.h"
#include "hosts/model/model_test_base.h"
#include "hosts/model/parts.h"

namespace vitrelle {
namespace {

using model::testing::ModelTest;

class CheckOnModel : public ModelTest {
 protected:
  CheckOnModel() { model::RegisterLibraryClasses(); }

  // Loads a saved control (the only way a control tracks its form) from `bag`.
  model::LibrarySite& Load(std::string name, model::ModelPropertyBag bag, float left, float top) {
    form_->AddControl({.class_name = "GlazeCheck", .name = name, .left = left, .top = top}, &bag);
    return form_->GetLibrary(name);
  }
  RectPart& PartOf(std::string_view control, std::string_view part) {
    return dynamic_cast<RectPart&>(form_->GetLibrary(control).GetSurface().FindPart(part)->AsPart());
  }
};

// ---------------------------------------------------------------------------
// Vertical layout with the host's own text measurement (a one-line caption in
// DejaVu Sans at 8.25 points is 195 twips high, in the standard font 180).

TEST_F(CheckOnModel, CentresGlyphAndCaption) {
  struct Row {
    const char* name;
    float height;
    float font_size;        // 0: the standard size
    const char* font_name;  // empty: the standard face
    float expected_height, glyph_top, caption_top;
  };
  for (const Row& r : {Row{"DesignSize", 915, 0, "DejaVu Sans", 915, 360, 345},
                       Row{"DesignSizeStandardFont", 915, 0, "", 915, 360, 352},
                       Row{"TooLowGrowsTo255", 100, 0, "DejaVu Sans", 255, 30, 30},
                       Row{"HalfTwipGlyphTop", 916, 0, "DejaVu Sans", 916, 360.5f, 346},
                       Row{"CaptionTallerThanRoom", 255, 14, "", 255, 30, 0}}) {
    SCOPED_TRACE(r.name);
    NewForm();
    Add("GlazeCheck", "Check1");
    DispatchPtr check = form_->Extender("Check1");
    if (*r.font_name) check->Let("FontName", Variant::String(r.font_name));
    if (r.font_size > 0) check->Let("FontSize", Variant::Single(r.font_size));
    check->Let("Height", Variant::Single(r.height));
    EXPECT_EQ(check->Get("Height").ToSingle(), r.expected_height);
    EXPECT_EQ(PartOf("Check1", "Check1").Top(), r.glyph_top);
    EXPECT_EQ(PartOf("Check1", "lblCaption").Top(), r.caption_top);
  }
}

// ---------------------------------------------------------------------------
// What the form shows, and what it saves.

TEST_F(CheckOnModel, OpaqueShowsItsColourAndTransparentShowsTheForm) {
  NewForm();
  form_->SetBackColor(Rgb(0, 128, 255));
  Load("Clear", {}, 240, 240);
  model::ModelPropertyBag opaque;
  opaque.Put("BackStyle", Variant::Long(1));
  opaque.Put("BackColor", Variant::Long(Rgb(255, 0, 0)));
  Load("Solid", opaque, 240, 1500);
  form_->Show();
  runtime_.Advance(100);
  const model::Bitmap shown = form_->Snapshot();
  // Near the bottom right corner of each control, clear of the glyph and the caption.
  EXPECT_EQ(shown.At((240 + 1600) / 15, (240 + 880) / 15), Rgb(0, 128, 255));
  EXPECT_EQ(shown.At((240 + 1600) / 15, (1500 + 880) / 15), Rgb(255, 0, 0));
}

TEST_F(CheckOnModel, SavedFormKeepsOnlyWhatDiffersFromTheDefaults) {
  const std::string text =
      "Begin Form Form1\n"
      "   Begin GlazeCheck Check1\n"
      "      Caption = \"Check1\"\n"
      "      value = 1\n"
      "      Alignment = 1\n"
      "      BackStyle = 1\n"
      "      ForeColor = 0x000000FF\n"
      "      FontSize = 12.0\n"
      "   End\n"
      "End\n";
  form_ = model::LoadFormText(runtime_, text, "saved.vfm", false);
  const std::string saved = model::FormText(*form_, "saved.vfm");
  // The caption is the control's name, the default; the font name differs from the
  // empty default whatever it is.
  EXPECT_THAT(saved, ::testing::HasSubstr("      TabIndex = 0\n"
                                          "      value = 1\n"
                                          "      Alignment = 1\n"
                                          "      BackStyle = 1\n"
                                          "      ForeColor = 0x000000FF\n"
                                          "      FontSize = 12\n"
                                          "      FontName = \"MS Sans Serif\"\n"
                                          "   End\n"));
  form_->Unload();
  form_ = model::LoadFormText(runtime_, saved, "saved.vfm", false);
  EXPECT_EQ(model::FormText(*form_, "saved.vfm"), saved);
}

}  // namespace
}  // namespace vitrelle
