// Writes Vitrelle.tlb from the type model through the platform's own type-library
// writer (ICreateTypeLib2), run under Wine at build time. An IDL compiler cannot
// spell enumeration members such as "3D" or "Fixed Single"; this writer stores every
// name exactly as the model has it.
//
// usage: typelib_writer OUT.tlb win32|win64
#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frame/type_model.h"

namespace {

using namespace vitrelle;

std::wstring Wide(std::string_view s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

GUID ToGuid(const Guid& g) {
  GUID out;
  const std::wstring text = Wide(g.ToString());
  CLSIDFromString(text.c_str(), &out);
  return out;
}

// A failed call names itself and ends the program: a half-written library must not
// be taken for a whole one.
struct Failure {
  std::string what;
  HRESULT hr;
};
void Check(HRESULT hr, std::string what) {
  if (FAILED(hr)) throw Failure{std::move(what), hr};
}

class Writer {
 public:
  Writer(ICreateTypeLib2* lib, ITypeLib* stdole) : lib_(lib), stdole_(stdole) {}

  void Library() {
    const LibraryInfo& info = vitrelle::Library();
    const std::wstring name = Wide(info.name), help = Wide(info.help);
    Check(lib_->SetName(const_cast<LPOLESTR>(name.c_str())), "SetName");
    const GUID id = ToGuid(info.id);
    Check(lib_->SetGuid(id), "SetGuid");
    Check(lib_->SetVersion(info.major_version, info.minor_version), "SetVersion");
    Check(lib_->SetLcid(info.lcid), "SetLcid");
    Check(lib_->SetDocString(const_cast<LPOLESTR>(help.c_str())), "SetDocString");
  }

  void Enumeration(const vitrelle::Enumeration& e) {
    ICreateTypeInfo* info = Create(e.name, TKIND_ENUM, e.id);
    for (size_t i = 0; i < e.members.size(); ++i) {
      VARIANT value;
      VariantInit(&value);
      value.vt = VT_I4;
      value.lVal = e.members[i].value;
      VARDESC var{};
      var.memid = static_cast<MEMBERID>(0x40000000 + i);
      var.lpvarValue = &value;
      var.elemdescVar.tdesc.vt = VT_I4;
      var.varkind = VAR_CONST;
      const auto index = static_cast<UINT>(i);
      Check(info->AddVarDesc(index, &var), "AddVarDesc " + std::string(e.members[i].name));
      const std::wstring name = Wide(e.members[i].name);
      Check(info->SetVarName(index, const_cast<LPOLESTR>(name.c_str())), "SetVarName");
    }
    Check(info->SetTypeFlags(0), "SetTypeFlags");
  }

  void Interface(const vitrelle::Interface& iface) {
    ICreateTypeInfo* info = Create(iface.name, TKIND_INTERFACE, iface.id);
    Check(info->SetTypeFlags(TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION),
          "SetTypeFlags");
    Inherit(info, IID_IDispatch);
    UINT index = 0;
    for (const Member& m : iface.members) {
      switch (m.kind) {
        case MemberKind::kMethod:
          Function(info, index++, m, INVOKE_FUNC, {});
          break;
        case MemberKind::kGet:
        case MemberKind::kGetLet:
        case MemberKind::kGetSet:
          Function(info, index++, m, INVOKE_PROPERTYGET, m.type);
          if (m.kind != MemberKind::kGet)
            Function(info, index++, m, m.kind == MemberKind::kGetSet ? INVOKE_PROPERTYPUTREF : INVOKE_PROPERTYPUT,
                     m.type);
          break;
      }
    }
  }

  void EventInterface(const vitrelle::EventInterface& iface) {
    ICreateTypeInfo* info = Create(iface.name, TKIND_DISPATCH, iface.id);
    Check(info->SetTypeFlags(TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE), "SetTypeFlags");
    Inherit(info, IID_IDispatch);
    for (size_t i = 0; i < iface.events.size(); ++i) {
      const Event& e = iface.events[i];
      std::vector<TYPEDESC> pointees(e.params.size());
      std::vector<ELEMDESC> params(e.params.size());
      for (size_t p = 0; p < e.params.size(); ++p) {
        const TYPEDESC t = Type(info, e.params[p].type);
        if (e.params[p].by_ref) {
          pointees[p] = t;
          params[p].tdesc.vt = VT_PTR;
          params[p].tdesc.lptdesc = &pointees[p];
          params[p].paramdesc.wParamFlags = PARAMFLAG_FIN | PARAMFLAG_FOUT;
        } else {
          params[p].tdesc = t;
          params[p].paramdesc.wParamFlags = PARAMFLAG_FIN;
        }
      }
      FUNCDESC f{};
      f.memid = e.dispid;
      f.funckind = FUNC_DISPATCH;
      f.invkind = INVOKE_FUNC;
      f.callconv = CC_STDCALL;
      f.cParams = static_cast<SHORT>(params.size());
      f.lprgelemdescParam = params.empty() ? nullptr : params.data();
      f.elemdescFunc.tdesc.vt = VT_VOID;
      const auto index = static_cast<UINT>(i);
      Check(info->AddFuncDesc(index, &f), "AddFuncDesc " + std::string(e.name));
      std::vector<std::wstring> names{Wide(e.name)};
      for (const Param& p : e.params) names.push_back(Wide(p.name));
      Names(info, index, names);
    }
  }

  void Class(const ClassInfo& c) {
    ICreateTypeInfo* info = Create(c.name, TKIND_COCLASS, c.clsid);
    UINT flags = TYPEFLAG_FCANCREATE;
    if (c.kind == ClassKind::kControl) flags |= TYPEFLAG_FCONTROL;
    Check(info->SetTypeFlags(flags), "SetTypeFlags");
    Implement(info, 0, c.default_interface, IMPLTYPEFLAG_FDEFAULT);
    if (!c.event_interface.empty()) Implement(info, 1, c.event_interface, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
  }

  void Save() {
    for (auto& [name, info] : created_) Check(info->LayOut(), "LayOut " + name);
    Check(lib_->SaveAllChanges(), "SaveAllChanges");
  }

  ~Writer() {
    for (auto& [name, info] : created_) info->Release();
    for (ITypeInfo* type : standard_) type->Release();
  }

 private:
  ICreateTypeInfo* Create(std::string_view name, TYPEKIND kind, const Guid& id) {
    const std::wstring wide = Wide(name);
    ICreateTypeInfo* info = nullptr;
    Check(lib_->CreateTypeInfo(const_cast<LPOLESTR>(wide.c_str()), kind, &info), "CreateTypeInfo " + std::string(name));
    created_.emplace_back(std::string(name), info);
    by_name_[std::string(name)] = info;
    const GUID guid = ToGuid(id);
    Check(info->SetGuid(guid), "SetGuid " + std::string(name));
    return info;
  }

  ITypeInfo* Created(std::string_view name) {
    auto it = by_name_.find(std::string(name));
    if (it == by_name_.end()) throw Failure{"no type " + std::string(name) + " was written before its use", E_FAIL};
    ITypeInfo* type = nullptr;
    Check(it->second->QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(&type)), "QueryInterface ITypeInfo");
    type->Release();  // the writer keeps it alive
    return type;
  }

  ITypeInfo* Standard(REFGUID id) {
    ITypeInfo* type = nullptr;
    Check(stdole_->GetTypeInfoOfGuid(id, &type), "a type of stdole2.tlb");
    standard_.push_back(type);
    return type;
  }

  HREFTYPE Ref(ICreateTypeInfo* from, ITypeInfo* to) {
    HREFTYPE ref = 0;
    Check(from->AddRefTypeInfo(to, &ref), "AddRefTypeInfo");
    return ref;
  }

  void Inherit(ICreateTypeInfo* info, REFGUID base) {
    Check(info->AddImplType(0, Ref(info, Standard(base))), "AddImplType");
  }

  void Implement(ICreateTypeInfo* info, UINT index, std::string_view name, INT flags) {
    Check(info->AddImplType(index, Ref(info, Created(name))), "AddImplType " + std::string(name));
    Check(info->SetImplTypeFlags(index, flags), "SetImplTypeFlags");
  }

  // What a member's value is declared as. Objects are pointers to their interfaces;
  // the caller adds the pointer level of an [out] or by-reference parameter.
  TYPEDESC Type(ICreateTypeInfo* info, const TypeRef& type) {
    TYPEDESC t{};
    switch (type.kind) {
      case ValueType::kVoid: t.vt = VT_VOID; break;
      case ValueType::kInteger: t.vt = VT_I2; break;
      case ValueType::kLong: t.vt = VT_I4; break;
      case ValueType::kSingle: t.vt = VT_R4; break;
      case ValueType::kBoolean: t.vt = VT_BOOL; break;
      case ValueType::kString: t.vt = VT_BSTR; break;
      case ValueType::kOleColor:
        t.vt = VT_USERDEFINED;
        t.hreftype = Ref(info, Standard(kOleColorType));
        break;
      case ValueType::kFont: return Pointer(info, Standard(IID_IFontDisp));
      case ValueType::kPicture: return Pointer(info, Standard(IID_IPictureDisp));
      case ValueType::kObject: t.vt = VT_DISPATCH; break;
      case ValueType::kEnum:
      case ValueType::kMousePointer:
      case ValueType::kAlignment:
        t.vt = VT_USERDEFINED;
        t.hreftype = Ref(info, Created(TypeName(type)));
        break;
    }
    return t;
  }

  TYPEDESC Pointer(ICreateTypeInfo* info, ITypeInfo* to) {
    pointees_.push_back(std::make_unique<TYPEDESC>());
    pointees_.back()->vt = VT_USERDEFINED;
    pointees_.back()->hreftype = Ref(info, to);
    TYPEDESC t{};
    t.vt = VT_PTR;
    t.lptdesc = pointees_.back().get();
    return t;
  }

  void Function(ICreateTypeInfo* info, UINT index, const Member& m, INVOKEKIND kind, const TypeRef& type) {
    TYPEDESC value{};
    ELEMDESC param{};
    FUNCDESC f{};
    f.memid = m.dispid;
    f.funckind = FUNC_PUREVIRTUAL;
    f.invkind = kind;
    f.callconv = CC_STDCALL;
    f.elemdescFunc.tdesc.vt = VT_HRESULT;
    if (m.non_browsable) f.wFuncFlags |= FUNCFLAG_FNONBROWSABLE;
    if (m.hidden) f.wFuncFlags |= FUNCFLAG_FHIDDEN;
    std::vector<std::wstring> names{Wide(m.name)};
    if (kind == INVOKE_PROPERTYGET) {
      value = Type(info, type);
      param.tdesc.vt = VT_PTR;
      param.tdesc.lptdesc = &value;
      param.paramdesc.wParamFlags = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
      names.push_back(L"result");
    } else if (kind != INVOKE_FUNC) {
      // The value a property is assigned has no name of its own.
      param.tdesc = Type(info, type);
      param.paramdesc.wParamFlags = PARAMFLAG_FIN;
    }
    if (kind != INVOKE_FUNC) {
      f.cParams = 1;
      f.lprgelemdescParam = &param;
    }
    Check(info->AddFuncDesc(index, &f), "AddFuncDesc " + std::string(m.name));
    Names(info, index, names);
    if (!m.help.empty()) {
      const std::wstring help = Wide(m.help);
      Check(info->SetFuncDocString(index, const_cast<LPOLESTR>(help.c_str())), "SetFuncDocString");
    }
  }

  static void Names(ICreateTypeInfo* info, UINT index, std::vector<std::wstring>& names) {
    std::vector<LPOLESTR> pointers;
    for (std::wstring& n : names) pointers.push_back(n.data());
    Check(info->SetFuncAndParamNames(index, pointers.data(), static_cast<UINT>(pointers.size())),
          "SetFuncAndParamNames " + std::string(names[0].begin(), names[0].end()));
  }

  // OLE_COLOR's alias in stdole2.tlb.
  static constexpr GUID kOleColorType = {0x66504301, 0xBE0F, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

  ICreateTypeLib2* lib_;
  ITypeLib* stdole_;
  std::vector<std::pair<std::string, ICreateTypeInfo*>> created_;
  std::map<std::string, ICreateTypeInfo*> by_name_;
  std::vector<ITypeInfo*> standard_;
  std::vector<std::unique_ptr<TYPEDESC>> pointees_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 || (std::wstring_view(argv[2]) != L"win32" && std::wstring_view(argv[2]) != L"win64")) {
    std::fprintf(stderr, "usage: typelib_writer OUT.tlb win32|win64\n");
    return 2;
  }
  const SYSKIND kind = std::wstring_view(argv[2]) == L"win64" ? SYS_WIN64 : SYS_WIN32;
  CoInitialize(nullptr);
  int status = 0;
  ITypeLib* stdole = nullptr;
  ICreateTypeLib2* lib = nullptr;
  try {
    Check(LoadTypeLibEx(L"stdole2.tlb", REGKIND_NONE, &stdole), "LoadTypeLibEx stdole2.tlb");
    DeleteFileW(argv[1]);
    Check(CreateTypeLib2(kind, argv[1], &lib), "CreateTypeLib2");
    {
      Writer w(lib, stdole);
      w.Library();
      // The host's enumerations come first: the library's own interfaces refer to them.
      for (const vitrelle::Enumeration& e : HostEnumerations()) w.Enumeration(e);
      for (const vitrelle::Enumeration& e : Enumerations()) w.Enumeration(e);
      for (const vitrelle::Interface& i : Interfaces()) w.Interface(i);
      for (const vitrelle::EventInterface& i : EventInterfaces()) w.EventInterface(i);
      for (const ClassInfo& c : Classes()) w.Class(c);
      w.Save();
    }
  } catch (const Failure& f) {
    std::fprintf(stderr, "typelib_writer: %s failed (0x%08lx)\n", f.what.c_str(), static_cast<unsigned long>(f.hr));
    status = 1;
  }
  if (lib) lib->Release();
  if (stdole) stdole->Release();
  CoUninitialize();
  if (status != 0) DeleteFileW(argv[1]);
  return status;
}
