#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "frame/errors.h"
#include "hosts/model/host_controls.h"
#include "hosts/model/model_test_base.h"
#include "hosts/model/parts.h"

namespace vitrelle::model::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class FormTest : public ModelTest {};

TEST_F(FormTest, NewControlGetsInitPropertiesAndShowComesWithTheForm) {
  NewForm();
  Add("TestCheck", "Check1");
  EXPECT_THAT(Test("Check1").calls, ElementsAre("Initialize", "InitProperties", "Change lblCaption", "Resize"));
  EXPECT_EQ(Test("Check1").caption().Caption(), "Check1");  // the ambient display name
  form_->Show();
  EXPECT_THAT(Test("Check1").calls,
              ElementsAre("Initialize", "InitProperties", "Change lblCaption", "Resize", "Show", "GotFocus Check1"));
}

TEST_F(FormTest, LoadedControlReadsItsBagAndHearsEachActivation) {
  NewForm();
  ModelPropertyBag bag;
  bag.Put("Caption", Variant::String("Loaded"));
  ControlSpec spec{.class_name = "TestCheck", .name = "Check1"};
  form_->AddControl(spec, &bag);
  TestControl& check = Test("Check1");
  EXPECT_EQ(check.caption().Caption(), "Loaded");
  form_->Show();
  form_->Deactivate();
  form_->Activate();
  form_->Activate();  // already active: nothing
  EXPECT_THAT(check.calls, ElementsAre("Initialize", "ReadProperties", "Change lblCaption", "Resize", "Show",
                                       "ParentActivate", "GotFocus Check1", "ParentActivate"));
}

TEST_F(FormTest, DesignTimeFormNeverActivates) {
  NewForm(/*user_mode=*/false);
  ModelPropertyBag bag;
  form_->AddControl({.class_name = "TestCheck", .name = "Check1"}, &bag);
  form_->Show();
  EXPECT_THAT(Test("Check1").calls, ::testing::Not(::testing::Contains("ParentActivate")));
  EXPECT_FALSE(form_->GetLibrary("Check1").GetSurface().AmbientUserMode());
}

TEST_F(FormTest, ListenToActivateRefusesWhatIsNotAForm) {
  NewForm();
  Site& check = Add("TestCheck", "Check1");
  Surface& surface = form_->GetLibrary("Check1").GetSurface();
  EXPECT_EQ(ErrorOf([&] { surface.ListenToActivate(check.shared_from_this()); }), err::kTypeMismatch);
  EXPECT_EQ(ErrorOf([&] { surface.ListenToActivate(surface.Parent()); }), 0);
}

TEST_F(FormTest, UnknownClassAndTakenNamesAreRefused) {
  NewForm();
  Add("TestCheck", "Check1");
  EXPECT_THROW(Add("NoSuchControl", "X"), std::invalid_argument);
  EXPECT_THROW(Add("TestCheck", "check1"), std::invalid_argument);
  Add("OptionButton", "Option1", 0, 0, nullptr, 0);
  Add("OptionButton", "Option1", 0, 400, nullptr, 1);
  EXPECT_THROW(Add("OptionButton", "Option1", 0, 800, nullptr, 1), std::invalid_argument);
  EXPECT_THROW(Add("CheckBox", "Option1", 0, 800, nullptr, 2), std::invalid_argument);
  EXPECT_EQ(form_->Controls().size(), 3u);
}

// ---------------------------------------------------------------------------
// The extender

// Every kind of access to the extender's members, the form's and its Controls
// collection's, by row, through late binding as code reaches them. Arguments are
// `arg` (Integer 0 unless given); the form has Check1 and Option1(1).
struct AccessRow {
  const char* target;  // "Form1", "Controls", "Check1" or "Option1"
  const char* member;
  InvokeKind kind;
  int arg_count;
  int error;  // 0: no error
  Variant arg = Variant::Integer(0);
};

class MemberAccess : public ModelTest, public ::testing::WithParamInterface<AccessRow> {};

TEST_P(MemberAccess, RaisesWhatTheHostRaises) {
  NewForm();
  const AccessRow& row = GetParam();
  Add("TestCheck", "Check1");
  Add("OptionButton", "Option1", 0, 400, nullptr, 1);
  const std::string_view target = row.target;
  DispatchPtr object = target == "Form1"      ? DispatchPtr(form_)
                       : target == "Controls" ? form_->Get("Controls").ToObject()
                                              : form_->GetSite(target, target == "Option1" ? 1 : -1).shared_from_this();
  std::vector<Variant> args(static_cast<size_t>(row.arg_count), row.arg);
  EXPECT_EQ(ErrorOf([&] { object->Invoke(row.member, row.kind, args); }), row.error)
      << row.target << "." << row.member << " with " << row.arg_count;
}

constexpr InvokeKind kGet = InvokeKind::kGet, kLet = InvokeKind::kLet, kSet = InvokeKind::kSet,
                     kCall = InvokeKind::kCall;

const AccessRow kAccessRows[] = {
    {"Check1", "Index", kGet, 0, err::kObjectNotArray}, {"Option1", "Index", kGet, 0, 0},
    {"Check1", "NoSuchMember", kGet, 0, err::kNotSupported}, {"Check1", "visible", kGet, 0, 0},
    {"Check1", "CAPTION", kGet, 0, 0}, {"Check1", "TabIndex", kGet, 0, 0}, {"Check1", "Container", kGet, 0, 0},
    {"Check1", "Name", kLet, 1, err::kPropertyReadOnly}, {"Check1", "Container", kSet, 1, err::kPropertyReadOnly},
    {"Check1", "Index", kLet, 1, err::kPropertyReadOnly}, {"Check1", "SetFocus", kLet, 1, err::kNotSupported},
    {"Check1", "Move", kCall, 0, err::kWrongArguments}, {"Check1", "Move", kCall, 5, err::kWrongArguments},
    {"Check1", "Move", kLet, 1, err::kNotSupported}, {"Check1", "Left", kGet, 1, err::kWrongArguments},
    {"Check1", "Tag", kLet, 1, 0},
    {"Check1", "Value", kLet, 1, 0},  // the control's own, behind the extender
    {"Check1", "NoSuchMember", kLet, 1, err::kNotSupported},
    {"Check1", "Width", kLet, 1, err::kInvalidPropertyValue, Variant::Single(-15)},
    {"Check1", "Height", kLet, 1, 0, Variant::Single(0)},
    {"Check1", "TabIndex", kLet, 1, err::kInvalidPropertyValue, Variant::Integer(-1)},
    {"Form1", "Name", kLet, 1, err::kPropertyReadOnly}, {"Form1", "Controls", kLet, 1, err::kPropertyReadOnly},
    {"Form1", "hWnd", kLet, 1, err::kPropertyReadOnly},
    {"Form1", "ActiveControl", kGet, 0, err::kObjectNotSet},  // not shown: no focus
    {"Form1", "Show", kLet, 1, err::kNotSupported}, {"Form1", "Refresh", kCall, 1, err::kWrongArguments},
    {"Form1", "Controls", kGet, 1, 0}, {"Form1", "check1", kGet, 0, 0},
    {"Form1", "Option1", kGet, 0, err::kWrongArguments},  // an array needs an index
    {"Form1", "Option1", kGet, 1, err::kControlArrayElementMissing},
    {"Form1", "NoSuchMember", kGet, 0, err::kNotSupported},
    {"Form1", "BackColor", kLet, 1, err::kInvalidPropertyValue, Variant::Long(0x01000000)},
    {"Form1", "Width", kLet, 1, err::kInvalidPropertyValue, Variant::Single(-1)},
    {"Controls", "Item", kGet, 1, err::kControlNotFound, Variant::String("Nope")},
    {"Controls", "Item", kGet, 1, 0, Variant::String("check1")},
    {"Controls", "Item", kGet, 1, err::kSubscriptOutOfRange, Variant::Integer(2)},
    {"Controls", "Item", kGet, 1, err::kSubscriptOutOfRange, Variant::Integer(-1)},
};

INSTANTIATE_TEST_SUITE_P(Rows, MemberAccess, ::testing::ValuesIn(kAccessRows));

TEST_F(FormTest, ExtentMembersMoveOneSideOrSeveralAndKeepTheRest) {
  NewForm();
  Site& site = Add("CommandButton", "Command1", 100, 200);
  auto extent = [&] { return std::vector<float>{site.Left(), site.Top(), site.Width(), site.Height()}; };
  const float w = site.Width(), h = site.Height();
  site.Let("Top", Variant::Single(300));
  EXPECT_EQ(extent(), (std::vector<float>{100, 300, w, h}));
  Variant two[] = {Variant::Single(10), Variant::Single(20)};
  site.Invoke("Move", InvokeKind::kCall, two);
  EXPECT_EQ(extent(), (std::vector<float>{10, 20, w, h}));
  Variant four[] = {Variant::Single(1), Variant::Single(2), Variant::Single(3), Variant::Single(4)};
  site.Invoke("move", InvokeKind::kGet, four);
  EXPECT_EQ(extent(), (std::vector<float>{1, 2, 3, 4}));
  EXPECT_EQ(ErrorOf([&] { site.Let("Height", Variant::Single(-1)); }), err::kInvalidPropertyValue);
  EXPECT_EQ(extent(), (std::vector<float>{1, 2, 3, 4}));
  // The form's ScaleWidth and ScaleHeight are its Width and Height: the client area.
  form_->Let("ScaleWidth", Variant::Single(3000));
  form_->Let("Height", Variant::Single(2000));
  EXPECT_EQ(form_->Get("Width").ToSingle(), 3000.0f);
  EXPECT_EQ(form_->Get("ScaleHeight").ToSingle(), 2000.0f);
  EXPECT_EQ(screen_.ClientScreenRect(form_->Window()).Width(), TwipsToPixels(3000));
}

struct ColorRow {
  const char* name;
  Variant value;
  int error;  // 0: taken
  OleColor stored;
};

class ColorAssignments : public ModelTest, public ::testing::WithParamInterface<ColorRow> {};

// The form and the host's controls take a colour as the library's controls do.
TEST_P(ColorAssignments, FormAndHostControlsTakeColoursAsTheControlsDo) {
  NewForm();
  const ColorRow& row = GetParam();
  Site& label = Add("Label", "Label1");
  for (Dispatch* target : {static_cast<Dispatch*>(form_.get()), static_cast<Dispatch*>(&label)}) {
    EXPECT_EQ(ErrorOf([&] { target->Let("BackColor", row.value); }), row.error) << row.name;
    if (row.error != 0) continue;
    EXPECT_EQ(static_cast<OleColor>(target->Get("BackColor").ToLong()), row.stored) << row.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ColorAssignments,
    ::testing::Values(ColorRow{"rgb", Variant::Long(0x00C0E0FF), 0, 0x00C0E0FFu},
                      ColorRow{"system, signed", Variant::Long(static_cast<int32_t>(0x8000000Fu)), 0, 0x8000000Fu},
                      ColorRow{"system, unsigned", Variant::Double(2147483663.0), 0, 0x8000000Fu},
                      ColorRow{"rgb as a double", Variant::Double(255.0), 0, 0x000000FFu},
                      ColorRow{"no such system colour", Variant::Double(2147483903.0), err::kInvalidPropertyValue, 0},
                      ColorRow{"past 32 bits", Variant::Double(4294967296.0), err::kOverflow, 0}));

// Code that walks a form's controls tells focusable ones by whether TabStop can be
// read at all: the label and the frame have none, as on the platform.
TEST_F(FormTest, OnlyControlsThatTakeTheFocusHaveATabStop) {
  NewForm();
  for (const char* cls : {"Label", "Frame"}) {
    Site& site = Add(cls, std::string(cls) + "1");
    EXPECT_EQ(ErrorOf([&] { site.Get("TabStop"); }), err::kNotSupported) << cls;
    EXPECT_EQ(ErrorOf([&] { site.Let("TabStop", Variant::Boolean(false)); }), err::kNotSupported) << cls;
    EXPECT_EQ(ErrorOf([&] { site.Get("TabIndex"); }), 0) << cls;
  }
  for (const char* cls : {"OptionButton", "TextBox", "PictureBox", "TestCheck"}) {
    Site& site = Add(cls, std::string(cls) + "1");
    EXPECT_TRUE(site.Get("TabStop").ToBoolean()) << cls;
  }
}

TEST_F(FormTest, ExtenderReachesTheControlsOwnMembersAfterItsOwnAndNamesItsContainer) {
  NewForm();
  Site& frame = Add("Frame", "Frame1", 100, 100);
  Site& option = Add("OptionButton", "Option1", 100, 100, &frame);
  Site& glaze_frame = Add("TestFrame", "GFrame1", 3000, 100);
  Site& inner = Add("TestCheck", "Check1", 120, 240, &glaze_frame);
  inner.Let("caption", Variant::String("Hello"));
  EXPECT_EQ(Test("Check1").caption().Caption(), "Hello");
  EXPECT_THAT(TakeLog(), ::testing::Contains(HasSubstr("changed Check1.Caption")));
  EXPECT_EQ(inner.Get("Left").ToSingle(), 120.0f);
  inner.Let("Width", Variant::Single(2400));
  EXPECT_EQ(form_->GetLibrary("Check1").GetSurface().Width(), 2400.0f);
  EXPECT_EQ(Test("Check1").calls.back(), "Resize");
  EXPECT_TRUE(inner.IsA("TestCheck"));
  EXPECT_FALSE(inner.IsA("OptionButton"));
  EXPECT_TRUE(option.IsA("OptionButton"));

  EXPECT_TRUE(option.Get("Container").ToObject()->IsA("Frame"));
  EXPECT_TRUE(inner.Get("Container").ToObject()->IsA("TestFrame"));
  EXPECT_TRUE(inner.Get("Container").ToObject()->IsA("TestContainer"));
  EXPECT_TRUE(frame.Get("Container").ToObject()->IsA("Form"));
  EXPECT_TRUE(inner.Get("Parent").ToObject()->IsA("Form"));
  EXPECT_THROW(Add("TestCheck", "Check2", 0, 0, &option), std::invalid_argument);
  // The Controls collection lists contained controls too, in creation order.
  const DispatchPtr controls = form_->Get("Controls").ToObject();
  EXPECT_EQ(controls->Get("Count").ToLong(), 4);
  Variant args[] = {Variant::Integer(3)};
  EXPECT_EQ(controls->Invoke("Item", InvokeKind::kGet, args).ToObject()->Get("Name").ToString(), "Check1");
}

// ---------------------------------------------------------------------------
// Tab order and focus

TEST_F(FormTest, AssigningATabIndexRenumbersTheOthers) {
  NewForm();
  Site& a = Add("CommandButton", "A");
  Site& b = Add("CommandButton", "B");
  Site& c = Add("CommandButton", "C");
  c.Let("TabIndex", Variant::Integer(0));
  EXPECT_EQ(c.TabIndex(), 0);
  EXPECT_EQ(a.TabIndex(), 1);
  EXPECT_EQ(b.TabIndex(), 2);
  a.Let("TabIndex", Variant::Integer(99));  // past the end: last
  EXPECT_EQ(c.TabIndex(), 0);
  EXPECT_EQ(b.TabIndex(), 1);
  EXPECT_EQ(a.TabIndex(), 2);
  EXPECT_EQ(ErrorOf([&] { a.Let("TabIndex", Variant::Integer(-1)); }), err::kInvalidPropertyValue);
}

TEST_F(FormTest, TabAndSetFocusSkipOrRefuseWhatCannotTakeTheFocus) {
  NewForm();
  Add("CommandButton", "First");
  Site& label = Add("Label", "Label1");
  Add("CommandButton", "NoStop").SetTabStop(false);
  Site& hidden = Add("CommandButton", "Hidden");
  hidden.SetVisible(false);
  Add("CommandButton", "Disabled").SetEnabled(false);
  Add("TestCheck", "Check1");
  Site& frame = Add("TestFrame", "GFrame1");
  Add("TestPlain", "Plain1");
  form_->Show();
  EXPECT_EQ(form_->FocusSite()->Name(), "First");
  form_->Tab(false);
  EXPECT_EQ(form_->FocusSite()->Name(), "Check1");
  EXPECT_EQ(form_->FocusPart(), &Test("Check1").check());
  form_->Tab(false);
  EXPECT_EQ(form_->FocusSite()->Name(), "Plain1");
  form_->Tab(false);
  EXPECT_EQ(form_->FocusSite()->Name(), "First");
  form_->Press(9, 1);  // Shift+Tab
  EXPECT_EQ(form_->FocusSite()->Name(), "Plain1");
  EXPECT_THAT(TakeLog(), ElementsAre("@0 focus First", "@0 focus Check1", "@0 focus Plain1", "@0 focus First",
                                     "@0 focus Plain1"));
  EXPECT_THAT(Test("Check1").calls, ::testing::IsSupersetOf({"GotFocus Check1", "LostFocus Check1"}));
  for (Site* s : {&hidden, &label, &frame}) EXPECT_EQ(ErrorOf([&] { s->Call("SetFocus"); }), err::kCantMoveFocus);

  // Hiding the control with the focus moves the focus on.
  form_->GetSite("Check1").SetFocus();
  form_->GetSite("Check1").Let("Visible", Variant::Boolean(false));
  EXPECT_EQ(form_->FocusSite()->Name(), "Plain1");
  EXPECT_EQ(Test("Check1").calls.back(), "LostFocus Check1");
}

// ---------------------------------------------------------------------------
// Input and events

// A script's pointer lands where a real one would: on whole pixels of the window
// beneath. The caption is windowless and starts between two pixels (352 twips is
// 23.47 pixels, drawn from pixel 23); the check box part is a window of its own.
struct PointerCase {
  const char* part;
  float x, y;
  float heard_x, heard_y;
};

class PointerTest : public FormTest, public ::testing::WithParamInterface<PointerCase> {};

TEST_P(PointerTest, LandsOnWholePixelsOfTheWindowBeneath) {
  NewForm();
  Add("TestCheck", "Check1");
  Test("Check1").caption().SetLeft(330);
  Test("Check1").caption().SetTop(352);
  form_->Show();
  const PointerCase& c = GetParam();
  auto [x, y] = form_->GetLibrary("Check1").PointerPoint(c.part, c.x, c.y);
  EXPECT_FLOAT_EQ(x, c.heard_x);
  EXPECT_FLOAT_EQ(y, c.heard_y);
}

// A click on the caption at (15, 30) and a move at (1600, 880) over the control are
// pinned by the check box's input script.
INSTANTIATE_TEST_SUITE_P(Points, PointerTest,
                         ::testing::Values(PointerCase{"", 7.5f, 22.5f, 15, 30},  // a half goes up
                                           PointerCase{"", 7.4f, 0, 0, 0}, PointerCase{"lblCaption", 450, 90, 450, 83},
                                           PointerCase{"lblCaption", 0, 0, 0, -7},
                                           PointerCase{"Check1", 97.5f, 97.5f, 105, 105}));

TEST_F(FormTest, EventHandlersSeeAndChangeByRefArguments) {
  NewForm();
  Add("TestCheck", "Check1", 0, 0, nullptr, 2);
  std::vector<Variant> seen;
  form_->OnEvent("check1(2)", "Changed", [&](std::span<Variant> args) {
    seen.assign(args.begin(), args.end());
    args[0] = Variant::Integer(7);
  });
  Variant args[] = {Variant::Integer(1)};
  form_->GetLibrary("Check1", 2).GetSurface().RaiseEvent("Changed", args);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].ToInteger(), 1);
  EXPECT_EQ(args[0].ToInteger(), 7);
  EXPECT_THAT(TakeLog(), ElementsAre("@0 event Check1(2).Changed(1)"));
}

TEST_F(FormTest, OptionButtonsClearTheirSiblingsInTheSameContainerOnly) {
  NewForm();
  Site& frame = Add("Frame", "Frame1", 0, 1500);
  auto& a = dynamic_cast<HostControl&>(Add("OptionButton", "OptA"));
  auto& b = dynamic_cast<HostControl&>(Add("OptionButton", "OptB", 0, 400));
  auto& c = dynamic_cast<HostControl&>(Add("OptionButton", "OptC", 0, 0, &frame));
  c.Let("Value", Variant::Boolean(true));
  a.Let("Value", Variant::Boolean(true));
  form_->Show();
  b.Click({}, 10, 10, false);
  EXPECT_FALSE(a.Get("Value").ToBoolean());
  EXPECT_TRUE(b.Get("Value").ToBoolean());
  EXPECT_TRUE(c.Get("Value").ToBoolean());
  EXPECT_THAT(TakeLog(), ::testing::IsSupersetOf({"@0 event OptB.Click()"}));
}

// ---------------------------------------------------------------------------
// Pixels

TEST_F(FormTest, TransparentLabelShowsWhatItsContainerPaintsAroundItsText) {
  constexpr OleColor kRed = Rgb(255, 0, 0), kGreen = Rgb(0, 255, 0), kBlue = Rgb(0, 0, 255);
  NewForm();
  form_->SetBackColor(kRed);
  Site& picture = Add("PictureBox", "Picture1", 3000, 0);
  picture.Let("Width", Variant::Single(3000));
  picture.Let("Height", Variant::Single(1500));
  picture.Let("BackColor", Variant::Long(kGreen));
  Site& clear = Add("Label", "Clear", 0, 0);
  Site& solid = Add("Label", "Solid", 0, 600);
  Site& inside = Add("Label", "Inside", 120, 120, &picture);
  clear.Let("BackStyle", Variant::Integer(0));
  inside.Let("BackStyle", Variant::Integer(0));
  solid.Let("BackColor", Variant::Long(kBlue));
  form_->Show();
  runtime_.DoEvents();
  // The bottom right corner lies away from the caption drawn at the top left.
  auto corner = [&](Site& s) {
    Rect r = screen_.ScreenRect(s.Window());
    return screen_.PixelAt(r.right - 1, r.bottom - 1);
  };
  EXPECT_EQ(corner(clear), kRed);
  EXPECT_EQ(corner(solid), kBlue);
  EXPECT_EQ(corner(inside), kGreen);
  // The caption is drawn over the form's colour, and none of the window's erase shows.
  Bitmap pixels = screen_.Snapshot(screen_.ScreenRect(clear.Window()));
  size_t red = 0, white = 0;
  for (OleColor c : pixels.Pixels()) {
    red += c == kRed;
    white += c == Rgb(255, 255, 255);
  }
  EXPECT_EQ(white, 0u);
  EXPECT_GT(red, pixels.Pixels().size() / 2);
  EXPECT_LT(red, pixels.Pixels().size());

  // The form changing colour repaints what shows through; the opaque label keeps its own.
  form_->Let("BackColor", Variant::Double(2147483663.0));
  runtime_.DoEvents();
  EXPECT_EQ(corner(clear), Resolve(kColorButtonFace));
  EXPECT_EQ(corner(solid), kBlue);
  // A transparent label's own BackColor shows once it is opaque again.
  clear.Let("BackColor", Variant::Long(kBlue));
  runtime_.DoEvents();
  EXPECT_EQ(corner(clear), Resolve(kColorButtonFace));
  clear.Let("BackStyle", Variant::Integer(1));
  runtime_.DoEvents();
  EXPECT_EQ(corner(clear), kBlue);
}

}  // namespace
}  // namespace vitrelle::model::testing
