#include "frame/idl.h"

#include <cctype>
#include <cstdio>

#include "frame/type_model.h"

namespace vitrelle {
namespace {

std::string IdlType(const TypeRef& type) {
  switch (type.kind) {
    case ValueType::kVoid: return "void";
    case ValueType::kInteger: return "short";
    case ValueType::kLong: return "long";
    case ValueType::kSingle: return "float";
    case ValueType::kBoolean: return "VARIANT_BOOL";
    case ValueType::kString: return "BSTR";
    case ValueType::kOleColor: return "OLE_COLOR";
    case ValueType::kFont: return "IFontDisp*";
    case ValueType::kPicture: return "IPictureDisp*";
    case ValueType::kObject: return "IDispatch*";
    case ValueType::kEnum:
    case ValueType::kMousePointer:
    case ValueType::kAlignment: return std::string(TypeName(type));
  }
  return "void";
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

std::string Attributes(const Member& m, std::string_view accessor) {
  std::string a = "[id(" + DispidText(m.dispid) + ")";
  if (!accessor.empty()) a += ", " + std::string(accessor);
  if (m.non_browsable) a += ", nonbrowsable";
  if (m.hidden) a += ", hidden";
  if (!m.help.empty()) a += ", helpstring(" + Quoted(m.help) + ")";
  return a + "]";
}

void AppendEnumeration(std::string& out, const Enumeration& e) {
  out += "    typedef [uuid(" + e.id.ToBareString() + ")]\n";
  out += "    enum " + std::string(e.name) + " {\n";
  for (size_t i = 0; i < e.members.size(); ++i) {
    const EnumMember& m = e.members[i];
    out += "        " + IdlIdentifier(m.name) + " = " + std::to_string(m.value);
    out += i + 1 < e.members.size() ? ",\n" : "\n";
  }
  out += "    } " + std::string(e.name) + ";\n\n";
}

void AppendInterface(std::string& out, const Interface& iface) {
  out += "    [\n";
  out += "        uuid(" + iface.id.ToBareString() + "),\n";
  out += "        hidden,\n        dual,\n        nonextensible,\n        oleautomation\n";
  out += "    ]\n";
  out += "    interface " + std::string(iface.name) + " : IDispatch {\n";
  for (const Member& m : iface.members) {
    const std::string name(m.name);
    const std::string type = IdlType(m.type);
    switch (m.kind) {
      case MemberKind::kMethod:
        out += "        " + Attributes(m, {}) + "\n        HRESULT " + name + "();\n";
        break;
      case MemberKind::kGet:
      case MemberKind::kGetLet:
      case MemberKind::kGetSet:
        out += "        " + Attributes(m, "propget") + "\n        HRESULT " + name + "([out, retval] " + type +
               "* result);\n";
        if (m.kind != MemberKind::kGet) {
          const char* put = m.kind == MemberKind::kGetSet ? "propputref" : "propput";
          out += "        " + Attributes(m, put) + "\n        HRESULT " + name + "([in] " + type + " rhs);\n";
        }
        break;
    }
  }
  out += "    };\n\n";
}

void AppendEventInterface(std::string& out, const EventInterface& iface) {
  // widl refuses nonextensible on a dispinterface; a pure dispinterface is not
  // extended through its vtable anyway.
  out += "    [\n        uuid(" + iface.id.ToBareString() + "),\n        hidden\n    ]\n";
  out += "    dispinterface " + std::string(iface.name) + " {\n";
  out += "        properties:\n        methods:\n";
  for (const Event& e : iface.events) {
    out += "            [id(" + std::to_string(e.dispid) + ")] void " + std::string(e.name) + "(";
    for (size_t i = 0; i < e.params.size(); ++i) {
      const Param& p = e.params[i];
      if (i) out += ", ";
      out += p.by_ref ? "[in, out] " + IdlType(p.type) + "* " : "[in] " + IdlType(p.type) + " ";
      out += std::string(p.name);
    }
    out += ");\n";
  }
  out += "    };\n\n";
}

void AppendClass(std::string& out, const ClassInfo& c) {
  out += "    [\n        uuid(" + c.clsid.ToBareString() + ")";
  if (c.kind == ClassKind::kControl) out += ",\n        control";
  out += "\n    ]\n";
  out += "    coclass " + std::string(c.name) + " {\n";
  out += "        [default] interface " + std::string(c.default_interface) + ";\n";
  if (!c.event_interface.empty())
    out += "        [default, source] dispinterface " + std::string(c.event_interface) + ";\n";
  out += "    };\n\n";
}

// How a reader names a member's type: the platform's names, and the names that
// stdole2.tlb gives the font, picture and colour types the members refer to.
std::string ListedType(const TypeRef& type) {
  switch (type.kind) {
    case ValueType::kFont: return "Font*";
    case ValueType::kPicture: return "Picture*";
    case ValueType::kObject: return "IDispatch";
    default: return IdlType(type);
  }
}

std::string ListedMember(const Member& m, std::string_view accessor) {
  std::string a = "  " + Attributes(m, accessor) + " HRESULT " + std::string(m.name) + "(";
  if (accessor == "propget") a += "[out, retval] " + ListedType(m.type) + "* result";
  if (accessor == "propput" || accessor == "propputref") a += "[in] " + ListedType(m.type);
  return a + ")\n";
}

}  // namespace

std::string TypeLibraryListing(bool win64) {
  const LibraryInfo& lib = Library();
  std::string out = "library " + std::string(lib.name) + " " + lib.id.ToString() + " version " +
                    std::string(LibraryVersionText()) + " lcid " + std::to_string(lib.lcid) +
                    (win64 ? " win64" : " win32") + " flags 0 helpstring(" + Quoted(lib.help) + ")\n";
  auto enumeration = [&](const Enumeration& e) {
    out += "enum " + std::string(e.name) + " " + e.id.ToString() + "\n";
    for (const EnumMember& m : e.members)
      out += "  " + Quoted(m.name) + " = " + std::to_string(m.value) + " (long)\n";
  };
  for (const Enumeration& e : HostEnumerations()) enumeration(e);
  for (const Enumeration& e : Enumerations()) enumeration(e);
  for (const Interface& i : Interfaces()) {
    out += "interface " + std::string(i.name) + " " + i.id.ToString() +
           " [hidden, dual, nonextensible, oleautomation] : IDispatch\n";
    for (const Member& m : i.members) {
      switch (m.kind) {
        case MemberKind::kMethod: out += ListedMember(m, {}); break;
        case MemberKind::kGet: out += ListedMember(m, "propget"); break;
        case MemberKind::kGetLet: out += ListedMember(m, "propget") + ListedMember(m, "propput"); break;
        case MemberKind::kGetSet: out += ListedMember(m, "propget") + ListedMember(m, "propputref"); break;
      }
    }
  }
  for (const EventInterface& i : EventInterfaces()) {
    out += "dispinterface " + std::string(i.name) + " " + i.id.ToString() + " [hidden, nonextensible] : IDispatch\n";
    for (const Event& e : i.events) {
      out += "  [id(" + DispidText(e.dispid) + ")] void " + std::string(e.name) + "(";
      for (size_t p = 0; p < e.params.size(); ++p) {
        const Param& param = e.params[p];
        if (p) out += ", ";
        out += param.by_ref ? "[in, out] " + ListedType(param.type) + "* " : "[in] " + ListedType(param.type) + " ";
        out += std::string(param.name);
      }
      out += ")\n";
    }
  }
  for (const ClassInfo& c : Classes()) {
    out += "coclass " + std::string(c.name) + " " + c.clsid.ToString() +
           (c.kind == ClassKind::kControl ? " [cancreate, control]\n" : " [cancreate]\n");
    out += "  [default] " + std::string(c.default_interface) + "\n";
    if (!c.event_interface.empty()) out += "  [default, source] " + std::string(c.event_interface) + "\n";
  }
  return out;
}

std::string DispidText(int32_t id) {
  char buf[16];
  // The standard negative DISPIDs read better as the number they are known by.
  if (id < 0)
    std::snprintf(buf, sizeof buf, "%d", static_cast<int>(id));
  else
    std::snprintf(buf, sizeof buf, "0x%08x", static_cast<unsigned>(id));
  return buf;
}

std::string IdlIdentifier(std::string_view name) {
  std::string id;
  if (!name.empty() && std::isdigit(static_cast<unsigned char>(name.front()))) id += '_';
  for (char c : name) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return id;
}

std::string GenerateIdl() {
  const LibraryInfo& lib = Library();
  std::string out;
  out += "// " + std::string(lib.name) + " type library, " + std::string(lib.file_name) + " " +
         std::string(lib.file_version) + ". Generated from the type model; do not edit.\n\n";
  out += "import \"oaidl.idl\";\nimport \"ocidl.idl\";\n\n";
  out += "[\n";
  out += "    uuid(" + lib.id.ToBareString() + "),\n";
  out += "    version(" + std::string(LibraryVersionText()) + "),\n";
  out += "    lcid(" + std::to_string(lib.lcid) + "),\n";
  out += "    helpstring(" + Quoted(lib.help) + ")\n";
  out += "]\n";
  out += "library " + std::string(lib.name) + "\n{\n";
  out += "    importlib(\"stdole2.tlb\");\n\n";

  // The host's enumerations come first: the library's own interfaces refer to them.
  for (const Enumeration& e : HostEnumerations()) AppendEnumeration(out, e);
  for (const Enumeration& e : Enumerations()) AppendEnumeration(out, e);
  for (const Interface& i : Interfaces()) AppendInterface(out, i);
  for (const EventInterface& i : EventInterfaces()) AppendEventInterface(out, i);
  for (const ClassInfo& c : Classes()) AppendClass(out, c);

  out += "};\n";
  return out;
}

}  // namespace vitrelle
