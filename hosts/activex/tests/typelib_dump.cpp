// Reads a type library back through the platform (LoadTypeLibEx, ITypeLib,
// ITypeInfo) and prints it as IDL-like lines: every type in library order, every
// member with its DISPID, accessor, flags, help string, parameters and their flags,
// every enumeration member with its value. The Wine suite compares the listing of
// the server's embedded library with the one the generator prints from the type
// model (`vitrelle_activex_gen typelib-listing`), so what a host's object browser
// reads is what the model says.
//
// usage: typelib_dump FILE   (a .tlb, or a module holding one as its resource 1)
#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Narrow(const wchar_t* s) {
  if (s == nullptr) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, s, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, s, -1, out.data(), n, nullptr, nullptr);
  return out;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

std::string GuidText(const GUID& g) {
  wchar_t buf[64];
  StringFromGUID2(g, buf, 64);
  return Narrow(buf);
}

std::string Dispid(MEMBERID id) {
  char buf[16];
  if (id < 0)
    std::snprintf(buf, sizeof buf, "%ld", static_cast<long>(id));
  else
    std::snprintf(buf, sizeof buf, "0x%08lx", static_cast<unsigned long>(id));
  return buf;
}

struct Docs {
  std::string name, help;
};

Docs Documentation(ITypeInfo* type, MEMBERID id) {
  BSTR name = nullptr, help = nullptr;
  Docs d;
  if (SUCCEEDED(type->GetDocumentation(id, &name, &help, nullptr, nullptr))) {
    d.name = Narrow(name);
    d.help = Narrow(help);
  }
  SysFreeString(name);
  SysFreeString(help);
  return d;
}

std::string TypeText(ITypeInfo* owner, const TYPEDESC& t) {
  switch (t.vt) {
    case VT_I2: return "short";
    case VT_I4: return "long";
    case VT_R4: return "float";
    case VT_BOOL: return "VARIANT_BOOL";
    case VT_BSTR: return "BSTR";
    case VT_HRESULT: return "HRESULT";
    case VT_VOID: return "void";
    case VT_DISPATCH: return "IDispatch";
    case VT_UNKNOWN: return "IUnknown";
    case VT_VARIANT: return "VARIANT";
    case VT_PTR: return TypeText(owner, *t.lptdesc) + "*";
    case VT_USERDEFINED: {
      ITypeInfo* ref = nullptr;
      if (FAILED(owner->GetRefTypeInfo(t.hreftype, &ref))) return "?unresolved";
      const std::string name = Documentation(ref, MEMBERID_NIL).name;
      ref->Release();
      return name;
    }
    default: return "vt" + std::to_string(t.vt);
  }
}

std::string TypeFlags(WORD flags) {
  static const struct {
    WORD bit;
    const char* name;
  } kNames[] = {{TYPEFLAG_FCANCREATE, "cancreate"}, {TYPEFLAG_FCONTROL, "control"},
                {TYPEFLAG_FHIDDEN, "hidden"},       {TYPEFLAG_FDUAL, "dual"},
                {TYPEFLAG_FNONEXTENSIBLE, "nonextensible"}, {TYPEFLAG_FOLEAUTOMATION, "oleautomation"}};
  std::string out;
  for (const auto& n : kNames) {
    if (!(flags & n.bit)) continue;
    out += out.empty() ? " [" : ", ";
    out += n.name;
  }
  return out.empty() ? out : out + "]";
}

std::string ParamFlags(USHORT flags) {
  std::string out;
  if (flags & PARAMFLAG_FIN) out += "in";
  if (flags & PARAMFLAG_FOUT) out += out.empty() ? "out" : ", out";
  if (flags & PARAMFLAG_FRETVAL) out += out.empty() ? "retval" : ", retval";
  return "[" + out + "] ";
}

std::string BaseName(ITypeInfo* type, const TYPEATTR& attr) {
  if (attr.cImplTypes == 0) return {};
  HREFTYPE ref = 0;
  ITypeInfo* base = nullptr;
  if (FAILED(type->GetRefTypeOfImplType(0, &ref)) || FAILED(type->GetRefTypeInfo(ref, &base))) return " : ?";
  const std::string name = Documentation(base, MEMBERID_NIL).name;
  base->Release();
  return " : " + name;
}

void Functions(ITypeInfo* type, const TYPEATTR& attr) {
  for (UINT i = 0; i < attr.cFuncs; ++i) {
    FUNCDESC* f = nullptr;
    if (FAILED(type->GetFuncDesc(i, &f))) {
      std::printf("  ?function %u\n", i);
      continue;
    }
    // The platform lists a dispinterface's inherited IUnknown and IDispatch methods
    // among its own; they are restricted, and no member of the library is.
    if (f->wFuncFlags & FUNCFLAG_FRESTRICTED) {
      type->ReleaseFuncDesc(f);
      continue;
    }
    BSTR names[16] = {};
    UINT count = 0;
    type->GetNames(f->memid, names, 16, &count);
    // Names are per DISPID: GetNames gives the first function's; a property's
    // accessors share the name and, but for the getter's result, the parameters.
    std::string attrs = "[id(" + Dispid(f->memid) + ")";
    if (f->invkind == INVOKE_PROPERTYGET) attrs += ", propget";
    if (f->invkind == INVOKE_PROPERTYPUT) attrs += ", propput";
    if (f->invkind == INVOKE_PROPERTYPUTREF) attrs += ", propputref";
    if (f->wFuncFlags & FUNCFLAG_FNONBROWSABLE) attrs += ", nonbrowsable";
    if (f->wFuncFlags & FUNCFLAG_FHIDDEN) attrs += ", hidden";
    const Docs docs = Documentation(type, f->memid);
    if (!docs.help.empty()) attrs += ", helpstring(" + Quoted(docs.help) + ")";
    attrs += "]";
    if (f->callconv != CC_STDCALL) attrs += " ?callconv" + std::to_string(f->callconv);
    std::string line = "  " + attrs + " " + TypeText(type, f->elemdescFunc.tdesc) + " " + Narrow(names[0]) + "(";
    for (SHORT p = 0; p < f->cParams; ++p) {
      const ELEMDESC& e = f->lprgelemdescParam[p];
      if (p) line += ", ";
      line += ParamFlags(e.paramdesc.wParamFlags) + TypeText(type, e.tdesc);
      const bool put = f->invkind == INVOKE_PROPERTYPUT || f->invkind == INVOKE_PROPERTYPUTREF;
      if (!put && static_cast<UINT>(p + 1) < count) line += " " + Narrow(names[p + 1]);
    }
    std::printf("%s)\n", line.c_str());
    for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
    type->ReleaseFuncDesc(f);
  }
}

void Enumeration(ITypeInfo* type, const TYPEATTR& attr) {
  for (UINT i = 0; i < attr.cVars; ++i) {
    VARDESC* v = nullptr;
    if (FAILED(type->GetVarDesc(i, &v))) {
      std::printf("  ?member %u\n", i);
      continue;
    }
    const std::string name = Documentation(type, v->memid).name;
    if (v->varkind == VAR_CONST && v->lpvarValue != nullptr) {
      VARIANT value;
      VariantInit(&value);
      if (SUCCEEDED(VariantChangeType(&value, v->lpvarValue, 0, VT_I4)))
        std::printf("  %s = %ld (%s)\n", Quoted(name).c_str(), static_cast<long>(value.lVal),
                    v->lpvarValue->vt == VT_I4 ? "long" : "not long");
      else
        std::printf("  %s = ?\n", Quoted(name).c_str());
    } else {
      std::printf("  %s ?not a constant\n", Quoted(name).c_str());
    }
    type->ReleaseVarDesc(v);
  }
}

void Class(ITypeInfo* type, const TYPEATTR& attr) {
  for (UINT i = 0; i < attr.cImplTypes; ++i) {
    HREFTYPE ref = 0;
    INT flags = 0;
    ITypeInfo* impl = nullptr;
    if (FAILED(type->GetRefTypeOfImplType(i, &ref)) || FAILED(type->GetImplTypeFlags(i, &flags)) ||
        FAILED(type->GetRefTypeInfo(ref, &impl))) {
      std::printf("  ?implemented %u\n", i);
      continue;
    }
    std::string f;
    if (flags & IMPLTYPEFLAG_FDEFAULT) f += "default";
    if (flags & IMPLTYPEFLAG_FSOURCE) f += f.empty() ? "source" : ", source";
    std::printf("  [%s] %s\n", f.c_str(), Documentation(impl, MEMBERID_NIL).name.c_str());
    impl->Release();
  }
}

bool Type(ITypeLib* lib, UINT index) {
  ITypeInfo* type = nullptr;
  if (FAILED(lib->GetTypeInfo(index, &type))) return false;
  TYPEATTR* attr = nullptr;
  type->GetTypeAttr(&attr);
  const Docs docs = Documentation(type, MEMBERID_NIL);
  const std::string head = docs.name + " " + GuidText(attr->guid);
  switch (attr->typekind) {
    case TKIND_ENUM:
      std::printf("enum %s%s\n", head.c_str(), TypeFlags(attr->wTypeFlags).c_str());
      Enumeration(type, *attr);
      break;
    case TKIND_COCLASS:
      std::printf("coclass %s%s\n", head.c_str(), TypeFlags(attr->wTypeFlags).c_str());
      Class(type, *attr);
      break;
    case TKIND_DISPATCH:
      if (attr->wTypeFlags & TYPEFLAG_FDUAL) {
        // A dual interface is listed through its vtable view, as it was declared.
        HREFTYPE ref = 0;
        ITypeInfo* vtable = nullptr;
        TYPEATTR* vattr = nullptr;
        if (FAILED(type->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) ||
            FAILED(type->GetRefTypeInfo(ref, &vtable)) || FAILED(vtable->GetTypeAttr(&vattr))) {
          std::printf("interface %s ?no vtable view\n", head.c_str());
          break;
        }
        std::printf("interface %s%s%s\n", head.c_str(), TypeFlags(vattr->wTypeFlags).c_str(),
                    BaseName(vtable, *vattr).c_str());
        Functions(vtable, *vattr);
        vtable->ReleaseTypeAttr(vattr);
        vtable->Release();
      } else {
        std::printf("dispinterface %s%s%s\n", head.c_str(), TypeFlags(attr->wTypeFlags).c_str(),
                    BaseName(type, *attr).c_str());
        Functions(type, *attr);
      }
      break;
    default:
      std::printf("?kind%d %s\n", static_cast<int>(attr->typekind), head.c_str());
  }
  type->ReleaseTypeAttr(attr);
  type->Release();
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: typelib_dump FILE\n");
    return 2;
  }
  CoInitialize(nullptr);
  ITypeLib* lib = nullptr;
  const HRESULT hr = LoadTypeLibEx(argv[1], REGKIND_NONE, &lib);
  if (FAILED(hr)) {
    std::fprintf(stderr, "typelib_dump: LoadTypeLibEx failed (0x%08lx)\n", static_cast<unsigned long>(hr));
    return 1;
  }
  TLIBATTR* attr = nullptr;
  lib->GetLibAttr(&attr);
  BSTR name = nullptr, help = nullptr;
  lib->GetDocumentation(-1, &name, &help, nullptr, nullptr);
  const char* kind = attr->syskind == SYS_WIN64 ? "win64" : attr->syskind == SYS_WIN32 ? "win32" : "other";
  std::printf("library %s %s version %u.%u lcid %lu %s flags %u helpstring(%s)\n", Narrow(name).c_str(),
              GuidText(attr->guid).c_str(), attr->wMajorVerNum, attr->wMinorVerNum,
              static_cast<unsigned long>(attr->lcid), kind,
              // The loader's own mark of a library read from a file, not one it stores.
              static_cast<unsigned>(attr->wLibFlags & ~LIBFLAG_FHASDISKIMAGE), Quoted(Narrow(help)).c_str());
  SysFreeString(name);
  SysFreeString(help);
  lib->ReleaseTLibAttr(attr);
  const UINT count = lib->GetTypeInfoCount();
  for (UINT i = 0; i < count; ++i)
    if (!Type(lib, i)) std::printf("?type %u\n", i);
  lib->Release();
  CoUninitialize();
  std::fflush(stdout);
  return 0;
}
