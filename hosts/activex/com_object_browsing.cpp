// What a container's property sheet and object menu ask of a control: display
// strings and predefined values of the enumeration properties, the stock pages
// that edit fonts, colours and pictures, and the verbs.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstring>

#include "frame/errors.h"
#include "frame/property_browsing.h"
#include "hosts/activex/com_object.h"
#include "hosts/activex/win32_accessible.h"

namespace vitrelle::activex {
namespace {

CLSID PageClsid(StockPage page) {
  switch (page) {
    case StockPage::kFont: return kStockFontPage;
    case StockPage::kColor: return kStockColorPage;
    case StockPage::kPicture: return kStockPicturePage;
  }
  return CLSID_NULL;
}

LPOLESTR TaskString(std::string_view text) {
  const std::wstring wide = Widen(text);
  auto* out = static_cast<LPOLESTR>(::CoTaskMemAlloc((wide.size() + 1) * sizeof(OLECHAR)));
  if (out) std::memcpy(out, wide.c_str(), (wide.size() + 1) * sizeof(OLECHAR));
  return out;
}

}  // namespace

HRESULT ComObject::GetDisplayString(DISPID id, BSTR* text) {
  if (!text) return E_POINTER;
  *text = nullptr;
  const Member* member = MemberById(id);
  if (!member) return DISP_E_MEMBERNOTFOUND;
  if (PredefinedValues(*member).empty()) return E_NOTIMPL;
  try {
    EnsureInitialized();
    const std::optional<std::string> shown = DisplayString(*member, object_->Get(member->name).ToLong());
    // A value no member names (a script may store any number): the sheet shows
    // the number itself.
    if (!shown) return E_NOTIMPL;
    *text = ::SysAllocString(Widen(*shown).c_str());
    return *text ? S_OK : E_OUTOFMEMORY;
  } catch (const RuntimeError&) {
    return E_FAIL;
  }
}

HRESULT ComObject::MapPropertyToPage(DISPID id, CLSID* page) {
  if (!page) return E_POINTER;
  *page = CLSID_NULL;
  const Member* member = MemberById(id);
  if (!member) return DISP_E_MEMBERNOTFOUND;
  const std::optional<StockPage> stock = PageFor(*member);
  if (!stock) return PERPROP_E_NOPAGEAVAILABLE;
  *page = PageClsid(*stock);
  return S_OK;
}

HRESULT ComObject::GetPredefinedStrings(DISPID id, CALPOLESTR* strings, CADWORD* cookies) {
  if (!strings || !cookies) return E_POINTER;
  strings->cElems = cookies->cElems = 0;
  strings->pElems = nullptr;
  cookies->pElems = nullptr;
  const Member* member = MemberById(id);
  if (!member) return DISP_E_MEMBERNOTFOUND;
  const std::vector<PredefinedValue> values = PredefinedValues(*member);
  if (values.empty()) return E_NOTIMPL;
  auto* texts = static_cast<LPOLESTR*>(::CoTaskMemAlloc(values.size() * sizeof(LPOLESTR)));
  auto* keys = static_cast<DWORD*>(::CoTaskMemAlloc(values.size() * sizeof(DWORD)));
  bool ok = texts && keys;
  for (size_t i = 0; ok && i < values.size(); ++i) {
    texts[i] = TaskString(values[i].display);
    // The cookie is the value itself: GetPredefinedValue needs no table.
    keys[i] = static_cast<DWORD>(values[i].value);
    ok = texts[i] != nullptr;
    if (!ok)
      for (size_t j = 0; j < i; ++j) ::CoTaskMemFree(texts[j]);
  }
  if (!ok) {
    ::CoTaskMemFree(texts);
    ::CoTaskMemFree(keys);
    return E_OUTOFMEMORY;
  }
  strings->cElems = cookies->cElems = static_cast<ULONG>(values.size());
  strings->pElems = texts;
  cookies->pElems = keys;
  return S_OK;
}

HRESULT ComObject::GetPredefinedValue(DISPID id, DWORD cookie, VARIANT* value) {
  if (!value) return E_POINTER;
  ::VariantInit(value);
  const Member* member = MemberById(id);
  if (!member) return DISP_E_MEMBERNOTFOUND;
  const std::vector<PredefinedValue> values = PredefinedValues(*member);
  if (values.empty()) return E_NOTIMPL;
  for (const PredefinedValue& v : values) {
    if (static_cast<DWORD>(v.value) != cookie) continue;
    value->vt = VT_I4;
    value->lVal = v.value;
    return S_OK;
  }
  return E_INVALIDARG;
}

HRESULT ComObject::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = nullptr;
  if (!interface_) return S_OK;
  const std::vector<StockPage> stock = PagesFor(*interface_);
  if (stock.empty()) return S_OK;
  auto* ids = static_cast<GUID*>(::CoTaskMemAlloc(stock.size() * sizeof(GUID)));
  if (!ids) return E_OUTOFMEMORY;
  for (size_t i = 0; i < stock.size(); ++i) ids[i] = PageClsid(stock[i]);
  pages->cElems = static_cast<ULONG>(stock.size());
  pages->pElems = ids;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Verbs: the properties verb, which a designer puts on the control's menu.

namespace {

// Holds its control, and with it the module: a container may keep the
// enumerator after it let the control go, and its code must stay loaded.
class VerbEnumerator final : public IEnumOLEVERB {
 public:
  explicit VerbEnumerator(IUnknown* owner, ULONG at = 0) : owner_(owner), at_(at) { owner_->AddRef(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IEnumOLEVERB)) return E_NOINTERFACE;
    *out = static_cast<IEnumOLEVERB*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, OLEVERB* verbs, ULONG* fetched) override {
    if (!verbs || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    for (; n < count && at_ < kCount; ++n, ++at_) {
      verbs[n] = kVerbs[at_];
      verbs[n].lpszVerbName = TaskString(kNames[at_]);
      if (!verbs[n].lpszVerbName) {
        for (ULONG i = 0; i < n; ++i) ::CoTaskMemFree(verbs[i].lpszVerbName);
        return E_OUTOFMEMORY;
      }
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    const ULONG left = kCount - at_;
    at_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    at_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumOLEVERB** out) override {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) VerbEnumerator(owner_, at_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ~VerbEnumerator() { owner_->Release(); }
  static constexpr ULONG kCount = 1;
  static constexpr OLEVERB kVerbs[kCount] = {
      {OLEIVERB_PROPERTIES, nullptr, MF_STRING, OLEVERBATTRIB_ONCONTAINERMENU}};
  static constexpr const char* kNames[kCount] = {"&Properties..."};
  ULONG refs_ = 1;
  IUnknown* owner_;
  ULONG at_;
};

}  // namespace

HRESULT ComObject::EnumVerbs(IEnumOLEVERB** verbs) {
  if (!verbs) return E_POINTER;
  *verbs = new (std::nothrow) VerbEnumerator(static_cast<IDispatch*>(this));
  return *verbs ? S_OK : E_OUTOFMEMORY;
}

HRESULT ComObject::ShowPropertyPages(HWND parent) {
  CAUUID pages{};
  HRESULT hr = GetPages(&pages);
  if (FAILED(hr)) return hr;
  IUnknown* self = static_cast<IDispatch*>(this);
  const std::wstring caption = Widen(class_.name);
  hr = ::OleCreatePropertyFrame(parent, 0, 0, caption.c_str(), 1, &self, pages.cElems, pages.pElems,
                                LOCALE_USER_DEFAULT, 0, nullptr);
  ::CoTaskMemFree(pages.pElems);
  return hr;
}

// ---------------------------------------------------------------------------
// Accessibility: a control without a caption is read out by its label or its name
// on the form, both through the container's extender.

IAccessible* ComObject::NewAccessible(HWND window) {
  return NewControlAccessible(window, static_cast<IDispatch*>(this), object_, std::string(class_.name),
                              [this] { return ContainerExtender(); });
}

}  // namespace vitrelle::activex
