#include "frame/type_model.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "frame/members.h"

namespace vitrelle {
namespace {

constexpr auto kGet = MemberKind::kGet;
constexpr auto kGetLet = MemberKind::kGetLet;
constexpr auto kGetSet = MemberKind::kGetSet;
constexpr auto kMethod = MemberKind::kMethod;

constexpr TypeRef kInteger = TypeOf(ValueType::kInteger);
constexpr TypeRef kLong = TypeOf(ValueType::kLong);
constexpr TypeRef kSingle = TypeOf(ValueType::kSingle);
constexpr TypeRef kBoolean = TypeOf(ValueType::kBoolean);
constexpr TypeRef kString = TypeOf(ValueType::kString);
constexpr TypeRef kOleColor = TypeOf(ValueType::kOleColor);
constexpr TypeRef kFont = TypeOf(ValueType::kFont);
constexpr TypeRef kPicture = TypeOf(ValueType::kPicture);
constexpr TypeRef kObject = TypeOf(ValueType::kObject);
constexpr TypeRef kMousePointer = TypeOf(ValueType::kMousePointer);
constexpr TypeRef kAlignment = TypeOf(ValueType::kAlignment);
constexpr TypeRef kVoid = TypeOf(ValueType::kVoid);

// Help strings that several interfaces share word for word.
constexpr std::string_view kHelpEnabled =
    "Returns/sets a value that determines whether an object can respond to user-generated events.";
constexpr std::string_view kHelpCaption =
    "Returns/sets the text displayed in an object's title bar or below an object's icon.";
constexpr std::string_view kHelpBackStyle = "Indicates whether an object's background is transparent or opaque.";
constexpr std::string_view kHelpAppearance = "Returns/sets whether or not an object is painted with 3D effects.";
constexpr std::string_view kHelpBackColor =
    "Returns/sets the background color used to display text and graphics in an object.";
constexpr std::string_view kHelpForeColor =
    "Returns/sets the foreground color used to display text and graphics in an object.";
constexpr std::string_view kHelpFont = "Returns/sets a Font object.";
constexpr std::string_view kHelpMouseIcon = "Sets a custom mouse icon.";
constexpr std::string_view kHelpMousePointer =
    "Returns/sets the type of mouse pointer displayed when over part of an object.";
constexpr std::string_view kHelpBorderStyle = "Returns/sets the border style for an object.";

enum Flags { kNoFlags = 0, kNonBrowsable = 1, kHidden = 2 };

Member Prop(std::string_view name, uint32_t dispid, MemberKind kind, TypeRef type, std::string_view help = {},
            Flags flags = kNoFlags) {
  return Member{name,  static_cast<int32_t>(dispid), kind, type, (flags & kNonBrowsable) != 0,
                (flags & kHidden) != 0, help};
}

Member Method(std::string_view name, int32_t dispid, Flags flags = kNoFlags) {
  return Member{name, dispid, kMethod, kVoid, (flags & kNonBrowsable) != 0, (flags & kHidden) != 0, {}};
}

// The font attribute properties, which the check box and the frame declare with
// the same DISPIDs in the same order.
void AppendFontAttributes(std::vector<Member>& m) {
  m.push_back(Prop("FontUnderline", 0x68030009, kGetLet, kBoolean, {}, kNonBrowsable));
  m.push_back(Prop("FontTransparent", 0x68030008, kGetLet, kBoolean, {}, kNonBrowsable));
  m.push_back(Prop("FontStrikethru", 0x68030007, kGetLet, kBoolean, {}, kNonBrowsable));
  m.push_back(Prop("FontSize", 0x68030006, kGetLet, kSingle, {}, kNonBrowsable));
  m.push_back(Prop("FontName", 0x68030005, kGetLet, kString, {}, kNonBrowsable));
  m.push_back(Prop("FontItalic", 0x68030004, kGetLet, kBoolean, {}, kNonBrowsable));
  m.push_back(Prop("FontBold", 0x68030003, kGetLet, kBoolean, {}, kNonBrowsable));
}

std::vector<Member> CheckMembers() {
  std::vector<Member> m;
  m.push_back(Prop("value", 0x68030013, kGetLet, kInteger));
  m.push_back(Prop("hwnd", 0x68030012, kGet, kLong, {}, kNonBrowsable));
  m.push_back(Prop("Enabled", 0x68030011, kGetLet, kBoolean, kHelpEnabled));
  m.push_back(Prop("Caption", 0x68030010, kGetLet, kString, kHelpCaption));
  m.push_back(Prop("BackStyle", 0x6803000f, kGetLet, EnumType("BackStyleConstants"), kHelpBackStyle));
  m.push_back(Prop("Appearance", 0x6803000e, kGetLet, EnumType("AppearanceConstants"), kHelpAppearance));
  m.push_back(Prop("Alignment", 0x6803000d, kGetLet, EnumType("AlignConstants"),
                   "Returns/sets the alignment of a GlazeCheck or GlazeRadio object."));
  m.push_back(Prop("BackColor", 0x6803000c, kGetLet, kOleColor, kHelpBackColor));
  m.push_back(Prop("ForeColor", 0x6803000b, kGetLet, kOleColor, kHelpForeColor));
  m.push_back(Prop("Font", 0x6803000a, kGetSet, kFont, kHelpFont));
  AppendFontAttributes(m);
  m.push_back(Prop("MouseIcon", 0x68030002, kGetSet, kPicture, kHelpMouseIcon));
  m.push_back(Prop("MousePointer", 0x68030001, kGetLet, kMousePointer, kHelpMousePointer));
  m.push_back(Method("Refresh", 0x60030036));
  m.push_back(Method("DisplayAboutBox", kDispidAboutBox, kHidden));
  return m;
}

Member& MemberOf(std::vector<Member>& members, std::string_view name) {
  auto it = std::find_if(members.begin(), members.end(), [&](const Member& m) { return m.name == name; });
  if (it == members.end()) throw std::logic_error("type model: no member to adjust");
  return *it;
}

// The option button is the check box with a Boolean value and its own Refresh
// DISPID; deriving it keeps the two from drifting apart.
std::vector<Member> RadioMembers() {
  std::vector<Member> m = CheckMembers();
  MemberOf(m, "value").type = kBoolean;
  MemberOf(m, "Refresh").dispid = 0x6003003b;
  return m;
}

std::vector<Member> FrameMembers() {
  std::vector<Member> m;
  m.push_back(Prop("hwnd", 0x68030014, kGet, kLong));
  m.push_back(Prop("Enabled", 0x68030013, kGetLet, kBoolean, kHelpEnabled));
  m.push_back(Prop("Controls", 0x68030012, kGet, kObject));
  m.push_back(Prop("BackColor", 0x68030011, kGetLet, kOleColor, kHelpBackColor));
  m.push_back(Prop("ForeColor", 0x68030010, kGetLet, kOleColor, kHelpForeColor));
  m.push_back(Prop("BackStyle", 0x6803000f, kGetLet, EnumType("BackStyleConstants"), kHelpBackStyle));
  m.push_back(Prop("CaptionAlignment", 0x6803000e, kGetLet, kAlignment,
                   "Returns/sets the alignment of text at the top."));
  m.push_back(Prop("BorderStyle", 0x6803000d, kGetLet, EnumType("BorderStyles"), kHelpBorderStyle));
  m.push_back(Prop("Caption", 0x6803000c, kGetLet, kString, kHelpCaption));
  m.push_back(Prop("Appearance", 0x6803000b, kGetLet, EnumType("AppearanceConstants"), kHelpAppearance));
  m.push_back(Prop("Font", 0x6803000a, kGetSet, kFont, kHelpFont));
  AppendFontAttributes(m);
  m.push_back(Prop("MouseIcon", 0x68030002, kGetSet, kPicture, kHelpMouseIcon));
  m.push_back(Prop("MousePointer", 0x68030001, kGetLet, kMousePointer, kHelpMousePointer));
  m.push_back(Method("Refresh", 0x60030023));
  m.push_back(Method("DisplayAboutBox", kDispidAboutBox, kHidden));
  return m;
}

std::vector<Member> SliderMembers() {
  std::vector<Member> m;
  m.push_back(Prop("value", 0x68030010, kGetLet, kLong, "Returns/sets the value of an object."));
  m.push_back(Prop("Max", 0x6803000f, kGetLet, kLong, "Returns/sets the maximum value of a control."));
  m.push_back(Prop("Min", 0x6803000e, kGetLet, kLong, "Returns/sets the minimum value of a control."));
  m.push_back(Prop("SmallChange", 0x6803000d, kGetLet, kLong,
                   "Returns/sets the increment value when the left or right arrow key is pressed."));
  m.push_back(Prop("LargeChange", 0x6803000c, kGetLet, kLong,
                   "Returns/sets the increment value when the PageDown or PageUp key is pressed."));
  m.push_back(Prop("SliderShape", 0x6803000b, kGetLet, EnumType("SliderShape"),
                   "Returns/sets the shape used for the slider bar."));
  m.push_back(Prop("Orientation", 0x6803000a, kGetLet, EnumType("OrientationType"),
                   "Returns/sets the orientation of a Slider control, horizontal or vertical."));
  m.push_back(Prop("hwnd", 0x68030009, kGet, kLong));
  m.push_back(Prop("Enabled", 0x68030008, kGetLet, kBoolean));
  m.push_back(Prop("BackStyle", 0x68030007, kGetLet, EnumType("BackStyleConstants"), kHelpBackStyle));
  m.push_back(Prop("BorderStyle", 0x68030006, kGetLet, EnumType("BorderStyles"), kHelpBorderStyle));
  m.push_back(Prop("BackColor", 0x68030005, kGetLet, kOleColor, kHelpBackColor));
  m.push_back(Prop("SliderColor", 0x68030004, kGetLet, kOleColor, "Returns/sets the color used for the slider bar."));
  m.push_back(Prop("Scrolling", 0x68030003, kGet, kBoolean, {}, kNonBrowsable));
  m.push_back(Prop("MouseIcon", 0x68030002, kGetSet, kPicture, kHelpMouseIcon));
  m.push_back(Prop("MousePointer", 0x68030001, kGetLet, kMousePointer, kHelpMousePointer));
  m.push_back(Method("Refresh", 0x6003002b));
  m.push_back(Method("DisplayAboutBox", kDispidAboutBox, kHidden));
  return m;
}

// Events with the parameters the host's own parts report, all by reference: a
// handler may change them and the change goes back to the part.
Event HostEvent(std::string_view name, int32_t dispid) {
  if (name == "KeyDown" || name == "KeyUp")
    return {name, dispid, {{"KeyCode", kInteger, true}, {"Shift", kInteger, true}}};
  if (name == "KeyPress") return {name, dispid, {{"KeyAscii", kInteger, true}}};
  if (name == "MouseDown" || name == "MouseMove" || name == "MouseUp")
    return {name,
            dispid,
            {{"Button", kInteger, true}, {"Shift", kInteger, true}, {"X", kSingle, true}, {"Y", kSingle, true}}};
  if (name == "Click" || name == "DblClick") return {name, dispid, {}};
  throw std::logic_error("type model: unknown host event");
}

// The slider's own events hand the new value over by value: it is a report, not
// something a handler can veto.
Event SliderValueEvent(std::string_view name, int32_t dispid) {
  return {name, dispid, {{"SliderValue", kLong, false}}};
}

struct Model {
  LibraryInfo library;
  std::vector<ClassInfo> classes;
  std::vector<Interface> interfaces;
  std::vector<EventInterface> event_interfaces;
  std::vector<Enumeration> enumerations;
  std::vector<Enumeration> host_enumerations;
};

// Recompose on resize, can't link inside, inside-out, activate when visible, set
// client site first.
constexpr uint32_t kControlMiscStatus = 0x20191;
// The above plus simple frame and no UI activation: the frame holds other controls.
constexpr uint32_t kContainerMiscStatus = 0x34191;

Model BuildModel() {
  Model m;
  m.library = LibraryInfo{"Vitrelle",
                          "Vitrelle ActiveX Control",
                          4,
                          0,
                          0,
                          GuidLiteral("{E8C7AB75-AA3E-4561-ABE9-78F23EC4574D}"),
                          "Vitrelle.ocx",
                          "1.4.0.0"};

  m.classes = {
      {"GlazeCheck", ClassKind::kControl, false, GuidLiteral("{91E1E996-26AC-443B-A0E2-473E6A9058E1}"),
       "_GlazeCheck", "__GlazeCheck", "Vitrelle.GlazeCheck", "GlazeCheck", kControlMiscStatus, 30003},
      {"GlazeFrame", ClassKind::kControl, true, GuidLiteral("{F5E4FBCC-3680-4FD3-BD4F-9A0E5C6AC843}"),
       "_GlazeFrame", "__GlazeFrame", "Vitrelle.GlazeFrame", "GlazeFrame", kContainerMiscStatus, 30002},
      {"GlazeRadio", ClassKind::kControl, false, GuidLiteral("{46B4EB02-D3A4-4129-B4D6-FEE70DFC958F}"),
       "_GlazeRadio", "__GlazeRadio", "Vitrelle.GlazeRadio", "GlazeRadio", kControlMiscStatus, 30000},
      {"GlazeSlider", ClassKind::kControl, false, GuidLiteral("{3D13398D-60D7-484C-8057-A12FC721881D}"),
       "_GlazeSlider", "__GlazeSlider", "Vitrelle.GlazeSlider", "GlazeSlider", kControlMiscStatus, 30001},
      {"EnumClass", ClassKind::kCreatable, false, GuidLiteral("{505F7F59-5AC0-475F-842F-B8E908D056BE}"),
       "_EnumClass", {}, "Vitrelle.EnumClass", "EnumClass", 0, 0},
  };

  m.interfaces = {
      {"_GlazeCheck", GuidLiteral("{0E146289-A583-4210-BD29-B013B4647D73}"), CheckMembers()},
      {"_GlazeFrame", GuidLiteral("{A607B2D8-0D5A-432E-918D-96123D12BCAA}"), FrameMembers()},
      {"_GlazeRadio", GuidLiteral("{E9003288-09A5-4118-B34D-8B0211418E7C}"), RadioMembers()},
      {"_GlazeSlider", GuidLiteral("{9AC38DF7-7331-4304-9EBA-287A8B919AEB}"), SliderMembers()},
      // Exists only so that EnumClass has a default interface; it publishes nothing.
      {"_EnumClass", GuidLiteral("{0F86689B-C9B2-4F90-8250-4065F80171CB}"), {}},
  };

  m.event_interfaces = {
      {"__GlazeCheck",
       GuidLiteral("{222D5623-A8F7-47F0-95C1-8CBEAF04A2ED}"),
       {HostEvent("Click", 1), HostEvent("KeyDown", 2), HostEvent("KeyPress", 3), HostEvent("KeyUp", 4),
        HostEvent("MouseDown", 5), HostEvent("MouseMove", 6), HostEvent("MouseUp", 7)}},
      {"__GlazeFrame",
       GuidLiteral("{CA072E01-68D5-464C-A8A7-7FC6013BBDD3}"),
       {HostEvent("Click", 1), HostEvent("DblClick", 2), HostEvent("MouseDown", 3), HostEvent("MouseMove", 4),
        HostEvent("MouseUp", 5)}},
      {"__GlazeRadio",
       GuidLiteral("{D47D1E9F-CFCE-4F7F-8338-9E34B7F8FCF4}"),
       {HostEvent("Click", 1), HostEvent("DblClick", 2), HostEvent("KeyDown", 3), HostEvent("KeyPress", 4),
        HostEvent("KeyUp", 5), HostEvent("MouseDown", 6), HostEvent("MouseMove", 7), HostEvent("MouseUp", 8)}},
      {"__GlazeSlider",
       GuidLiteral("{26ACB149-3F8D-4ACB-A86C-3D02F4B0C071}"),
       {SliderValueEvent("Scroll", 1), SliderValueEvent("Changed", 2), SliderValueEvent("Click", 3),
        HostEvent("DblClick", 4), HostEvent("KeyDown", 5), HostEvent("KeyPress", 6), HostEvent("KeyUp", 7),
        HostEvent("MouseDown", 8), HostEvent("MouseMove", 9), HostEvent("MouseUp", 10)}},
  };

  m.enumerations = {
      {"BackStyleConstants", GuidLiteral("{7B30ED44-5A72-4B2C-8FC5-57D8E51F459C}"),
       {{"Transparent", 0}, {"Opaque", 1}}},
      {"AppearanceConstants", GuidLiteral("{B0DAFBDC-6796-43EA-9CA9-C501A7E6DC57}"), {{"Flat", 0}, {"3D", 1}}},
      {"BorderStyles", GuidLiteral("{A555E9AB-4922-4434-AE0C-4BD48BB6D930}"), {{"None", 0}, {"Fixed Single", 1}}},
      {"AlignConstants", GuidLiteral("{E36C83D3-30D2-47E4-BA2E-10ABAF0F91FD}"),
       {{"Left Justify", 0}, {"Right Justify", 1}}},
      {"SliderShape", GuidLiteral("{3A3A19EA-58ED-4DA7-A679-A83ABEA89613}"), {{"Rectangle", 0}, {"Oval", 1}}},
      {"OrientationType", GuidLiteral("{334B5035-62C6-4208-B4D4-E17FDD942994}"),
       {{"ccOrientationHorizontal", 0}, {"ccOrientationVertical", 1}}},
  };

  m.host_enumerations = {
      {kMousePointerEnumName,
       GuidLiteral("{B81BBDAF-E03E-4D77-A488-F6A1EA3938C3}"),
       {{"vtPointerDefault", 0},
        {"vtPointerArrow", 1},
        {"vtPointerCrosshair", 2},
        {"vtPointerIBeam", 3},
        {"vtPointerIcon", 4},
        {"vtPointerSize", 5},
        {"vtPointerSizeNESW", 6},
        {"vtPointerSizeNS", 7},
        {"vtPointerSizeNWSE", 8},
        {"vtPointerSizeWE", 9},
        {"vtPointerUpArrow", 10},
        {"vtPointerHourglass", 11},
        {"vtPointerNoDrop", 12},
        {"vtPointerArrowHourglass", 13},
        {"vtPointerArrowQuestion", 14},
        {"vtPointerSizeAll", 15},
        {"vtPointerCustom", 99}}},
      {kAlignmentEnumName,
       GuidLiteral("{BEE4FE17-CD6D-446A-80F9-809AE5F9B713}"),
       {{"vtAlignLeft", 0}, {"vtAlignRight", 1}, {"vtAlignCenter", 2}}},
  };
  return m;
}

const Model& TheModel() {
  static const Model model = BuildModel();
  return model;
}

template <class T, class Key>
const T* FindIn(std::span<const T> items, Key&& matches) {
  auto it = std::find_if(items.begin(), items.end(), std::forward<Key>(matches));
  return it == items.end() ? nullptr : &*it;
}

}  // namespace

std::string_view TypeName(const TypeRef& type) {
  switch (type.kind) {
    case ValueType::kVoid: return "void";
    case ValueType::kInteger: return "Integer";
    case ValueType::kLong: return "Long";
    case ValueType::kSingle: return "Single";
    case ValueType::kBoolean: return "Boolean";
    case ValueType::kString: return "String";
    case ValueType::kOleColor: return "OLE_COLOR";
    case ValueType::kFont: return "Font";
    case ValueType::kPicture: return "Picture";
    case ValueType::kObject: return "Object";
    case ValueType::kEnum: return type.enum_name;
    case ValueType::kMousePointer: return kMousePointerEnumName;
    case ValueType::kAlignment: return kAlignmentEnumName;
  }
  return "?";
}

const LibraryInfo& Library() { return TheModel().library; }
std::span<const ClassInfo> Classes() { return TheModel().classes; }
std::span<const Interface> Interfaces() { return TheModel().interfaces; }
std::span<const EventInterface> EventInterfaces() { return TheModel().event_interfaces; }
std::span<const Enumeration> Enumerations() { return TheModel().enumerations; }
std::span<const Enumeration> HostEnumerations() { return TheModel().host_enumerations; }

std::string_view LibraryVersionText() {
  static const std::string text =
      std::to_string(Library().major_version) + "." + std::to_string(Library().minor_version);
  return text;
}

const ClassInfo* FindClass(std::string_view name) {
  return FindIn(Classes(), [&](const ClassInfo& c) { return NamesEqual(c.name, name); });
}

const ClassInfo* FindClassByProgId(std::string_view prog_id) {
  return FindIn(Classes(), [&](const ClassInfo& c) { return NamesEqual(c.prog_id, prog_id); });
}

const ClassInfo* FindClassById(const Guid& clsid) {
  return FindIn(Classes(), [&](const ClassInfo& c) { return c.clsid == clsid; });
}

const Interface* FindInterface(std::string_view name) {
  return FindIn(Interfaces(), [&](const Interface& i) { return NamesEqual(i.name, name); });
}

const EventInterface* FindEventInterface(std::string_view name) {
  return FindIn(EventInterfaces(), [&](const EventInterface& i) { return NamesEqual(i.name, name); });
}

const Enumeration* FindEnumeration(std::string_view name) {
  auto named = [&](const Enumeration& e) { return NamesEqual(e.name, name); };
  if (const Enumeration* e = FindIn(Enumerations(), named)) return e;
  return FindIn(HostEnumerations(), named);
}

const Member* FindMember(const Interface& iface, std::string_view name) {
  return FindIn(std::span<const Member>(iface.members), [&](const Member& m) { return NamesEqual(m.name, name); });
}

const Member* FindMember(std::string_view interface_name, std::string_view name) {
  const Interface* iface = FindInterface(interface_name);
  return iface ? FindMember(*iface, name) : nullptr;
}

const Event* FindEvent(const EventInterface& iface, std::string_view name) {
  return FindIn(std::span<const Event>(iface.events), [&](const Event& e) { return NamesEqual(e.name, name); });
}

}  // namespace vitrelle
