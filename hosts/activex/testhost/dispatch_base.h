// Late binding from the container's side: small IDispatch objects whose members
// are named in a table, and calls by name into any IDispatch that turn failures
// into the run-time errors a script sees.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame/variant.h"
#include "hosts/activex/com_util.h"

namespace vitrelle::testhost {

using activex::ComPtr;

// A reference-counted IDispatch whose members are a fixed list of names; ids are
// positions in that list counted from `first_id`, so a wrapper can tell its own
// ids from those it forwards.
class TableDispatch : public IDispatch {
 public:
  TableDispatch(std::vector<std::string_view> names, DISPID first_id) : names_(std::move(names)), first_(first_id) {}
  virtual ~TableDispatch() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* arg_error) override;

 protected:
  // A member of the table by its position. `args` are in source order; a property
  // assignment has the value last. Returns S_OK, or fills nothing and returns an
  // error HRESULT; a RuntimeError thrown here reaches the caller as an exception.
  virtual HRESULT Member(size_t index, WORD flags, std::span<const VARIANT> args, VARIANT* result) = 0;
  // Names the table does not hold: forwarded elsewhere, or unknown.
  virtual HRESULT ForeignIds(LPOLESTR name, LCID, DISPID* id) {
    (void)name;
    *id = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  virtual HRESULT ForeignInvoke(DISPID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return DISP_E_MEMBERNOTFOUND;
  }
  // The name the object's type information gives ("Form", "OptionButton"), for
  // type tests; empty for an object without type information.
  virtual std::wstring TypeName() const { return {}; }

 private:
  ULONG refs_ = 1;
  std::vector<std::string_view> names_;
  DISPID first_;
};

// Calls `member` of `object` by name with the DISPATCH_* kind in `flags`. Raises a
// RuntimeError for what the object refuses: its own error number for an exception
// it raised, 438 for a member it does not have, 13 / 6 / 450 for the standard
// dispatch failures.
Variant CallByName(IDispatch* object, std::string_view member, WORD flags, std::span<const Variant> args = {});

// The same, keeping the result as a VARIANT (objects stay COM objects).
void CallByNameRaw(IDispatch* object, std::string_view member, WORD flags, std::span<VARIANT> args_in_order,
                   VARIANT* result);

// A failing HRESULT as the run-time error a script sees.
[[noreturn]] void RaiseFromHResult(HRESULT hr, const EXCEPINFO* info);

bool NamesMatch(std::string_view a, std::string_view b);

}  // namespace vitrelle::testhost
