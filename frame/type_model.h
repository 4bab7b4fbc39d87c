// What a host sees of the library from outside, as data: the library, its classes,
// their dispatch and event interfaces, members in slot order, DISPIDs, flags, help
// strings, enumerations, registry facts and GUIDs. The IDL, registration, the model
// host's late-bound dispatch and the `vitrelle` listings all read this one table.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "frame/guid.h"

namespace vitrelle {

// ---------------------------------------------------------------------------
// Types that members and event parameters carry.

enum class ValueType {
  kVoid,  // methods
  kInteger,
  kLong,
  kSingle,
  kBoolean,
  kString,
  kOleColor,
  kFont,
  kPicture,
  kObject,
  kEnum,          // one of the library's enumerations, named by TypeRef::enum_name
  kMousePointer,  // the host's mouse-pointer enumeration
  kAlignment,     // the host's text-alignment enumeration
};

struct TypeRef {
  ValueType kind = ValueType::kVoid;
  std::string_view enum_name = {};  // for kEnum only

  friend constexpr bool operator==(const TypeRef&, const TypeRef&) = default;
};

constexpr TypeRef TypeOf(ValueType kind) { return TypeRef{kind, {}}; }
constexpr TypeRef EnumType(std::string_view name) { return TypeRef{ValueType::kEnum, name}; }

// The names under which the type library declares the host's two enumerations.
inline constexpr std::string_view kMousePointerEnumName = "MousePointerConstants";
inline constexpr std::string_view kAlignmentEnumName = "AlignmentConstants";

// "Integer", "OLE_COLOR", "BackStyleConstants", "MousePointerConstants", ...
std::string_view TypeName(const TypeRef& type);

// ---------------------------------------------------------------------------
// Default (dual) interfaces.

enum class MemberKind {
  kGet,     // read-only property
  kGetLet,  // property assigned by value
  kGetSet,  // property assigned an object reference
  kMethod,  // no arguments, nothing returned
};

// The standard About-box DISPID; every control's DisplayAboutBox has it.
inline constexpr int32_t kDispidAboutBox = -552;

struct Member {
  std::string_view name;
  int32_t dispid = 0;
  MemberKind kind = MemberKind::kMethod;
  TypeRef type;  // kVoid for methods
  bool non_browsable = false;
  bool hidden = false;
  std::string_view help = {};  // empty when the member has none
};

struct Interface {
  std::string_view name;
  Guid id;
  std::vector<Member> members;  // slot order
};

// ---------------------------------------------------------------------------
// Event (source) interfaces.

struct Param {
  std::string_view name;
  TypeRef type;
  bool by_ref = false;
};

struct Event {
  std::string_view name;
  int32_t dispid = 0;
  std::vector<Param> params;
};

struct EventInterface {
  std::string_view name;
  Guid id;
  std::vector<Event> events;  // slot order
};

// ---------------------------------------------------------------------------
// Enumerations. Member names are exact, digits and spaces included ("3D",
// "Fixed Single"); the IDL writer maps them to identifiers where it must.

struct EnumMember {
  std::string_view name;
  int32_t value = 0;
};

struct Enumeration {
  std::string_view name;
  Guid id;
  std::vector<EnumMember> members;
};

// ---------------------------------------------------------------------------
// Classes and the library.

enum class ClassKind {
  kControl,    // a form control: registered with Control, MiscStatus and a toolbox bitmap
  kCreatable,  // a plain creatable object
};

struct ClassInfo {
  std::string_view name;
  ClassKind kind = ClassKind::kControl;
  bool container = false;  // holds other controls (the frame)
  Guid clsid;
  std::string_view default_interface;
  std::string_view event_interface;  // empty when the class raises no events
  std::string_view prog_id;
  std::string_view description;  // what the registry shows for the class
  uint32_t misc_status = 0;      // OLE miscellaneous status bits; controls only
  int toolbox_bitmap = 0;        // resource id of the toolbox bitmap; controls only
};

// The miscellaneous status bit of a control that is never activated for input:
// containers give it no focus of its own.
inline constexpr uint32_t kOleMiscNoUiActivate = 0x4000;

// The component categories a control may implement: every control registers the
// first; none registers the two safety categories.
inline constexpr std::string_view kCatidControl = "{40FC6ED4-2438-11CF-A3DB-080036F12502}";
inline constexpr std::string_view kCatidSafeForScripting = "{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
inline constexpr std::string_view kCatidSafeForInitializing = "{7DD95802-9882-11CF-9FA9-00AA006C42C4}";


struct LibraryInfo {
  std::string_view name;
  std::string_view help;
  uint16_t major_version = 0;
  uint16_t minor_version = 0;
  uint32_t lcid = 0;
  Guid id;
  std::string_view file_name;
  std::string_view file_version;  // also the product version
};

const LibraryInfo& Library();
std::span<const ClassInfo> Classes();             // in registration order
std::span<const Interface> Interfaces();          // every default interface, _EnumClass included
std::span<const EventInterface> EventInterfaces();
std::span<const Enumeration> Enumerations();      // the library's own six
// The host's mouse-pointer and alignment enumerations, as the type library
// declares them for its members to refer to.
std::span<const Enumeration> HostEnumerations();

// The library version as text ("4.0"), as registry entries and listings show it.
std::string_view LibraryVersionText();

// Lookups. Names and ProgIDs match without regard to case, as the host and the
// registry match them. Null when there is no such item.
const ClassInfo* FindClass(std::string_view name);
const ClassInfo* FindClassByProgId(std::string_view prog_id);
const ClassInfo* FindClassById(const Guid& clsid);
const Interface* FindInterface(std::string_view name);
const EventInterface* FindEventInterface(std::string_view name);
// The library's enumerations and the host's two.
const Enumeration* FindEnumeration(std::string_view name);
const Member* FindMember(const Interface& iface, std::string_view name);
const Member* FindMember(std::string_view interface_name, std::string_view name);
const Event* FindEvent(const EventInterface& iface, std::string_view name);

}  // namespace vitrelle
