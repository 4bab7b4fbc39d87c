#include "frame/server.h"

#include <atomic>
#include <map>
#include <new>

#include "frame/errors.h"
#include "frame/members.h"

namespace vitrelle {

// ---------------------------------------------------------------------------
// Registration

namespace {

std::string ToolboxBitmapValue(std::string_view module_path, int resource_id) {
  return std::string(module_path) + ", " + std::to_string(resource_id);
}

bool WriteClass(Registry& reg, const ClassInfo& cls, std::string_view module_path) {
  const std::string key = ClassKey(cls);
  const std::string clsid = cls.clsid.ToString();
  const std::string prog_id(cls.prog_id);
  bool ok = true;
  // Stale entries of an earlier registration (another build, another path) must
  // not survive under the keys this one owns.
  ok = ok && reg.DeleteTree(key) && reg.DeleteTree(prog_id);
  ok = ok && reg.SetString(key, "", cls.description);
  ok = ok && reg.SetString(key + "\\InprocServer32", "", module_path);
  ok = ok && reg.SetString(key + "\\InprocServer32", "ThreadingModel", "Apartment");
  ok = ok && reg.SetString(key + "\\ProgID", "", cls.prog_id);
  if (cls.kind == ClassKind::kControl) {
    ok = ok && reg.CreateKey(key + "\\Control");
    ok = ok && reg.SetString(key + "\\MiscStatus", "", "0");
    ok = ok && reg.SetString(key + "\\MiscStatus\\1", "", std::to_string(cls.misc_status));
    ok = ok && reg.SetString(key + "\\ToolboxBitmap32", "", ToolboxBitmapValue(module_path, cls.toolbox_bitmap));
    // A control, and nothing more: the About box starts programs and opens
    // addresses, so no control claims to be safe for scripting or for
    // initialisation by an untrusted page.
    ok = ok && reg.CreateKey(key + "\\Implemented Categories\\" + std::string(kCatidControl));
  }
  ok = ok && reg.SetString(key + "\\TypeLib", "", Library().id.ToString());
  ok = ok && reg.SetString(key + "\\Version", "", LibraryVersionText());
  // The ProgID's CLSID first: it is what marks the ProgID key as this class's.
  ok = ok && reg.SetString(prog_id + "\\CLSID", "", clsid);
  ok = ok && reg.SetString(prog_id, "", cls.description);
  return ok;
}

// `force` skips the ownership test of the ProgID key: after a failed registration
// the key may lack its CLSID, and it is ours all the same.
bool RemoveClass(Registry& reg, const ClassInfo& cls, bool force) {
  bool ok = reg.DeleteTree(ClassKey(cls));
  const std::string prog_id(cls.prog_id);
  bool ours = force;
  if (!ours) {
    auto named = reg.GetValue(prog_id + "\\CLSID", "");
    const std::string* text = named ? std::get_if<std::string>(&*named) : nullptr;
    auto parsed = text ? Guid::Parse(*text) : std::nullopt;
    ours = parsed && *parsed == cls.clsid;
  }
  if (ours) ok = reg.DeleteTree(prog_id) && ok;
  return ok;
}

// The named classes, or nothing when a name is not the library's.
std::optional<std::vector<const ClassInfo*>> Resolve(std::span<const std::string_view> class_names) {
  std::vector<const ClassInfo*> classes;
  for (std::string_view name : class_names) {
    const ClassInfo* cls = FindClass(name);
    if (!cls) return std::nullopt;
    classes.push_back(cls);
  }
  return classes;
}

std::vector<std::string_view> AllClassNames() {
  std::vector<std::string_view> names;
  for (const ClassInfo& c : Classes()) names.push_back(c.name);
  return names;
}

}  // namespace

std::string ClassKey(const ClassInfo& cls) { return "CLSID\\" + cls.clsid.ToString(); }

HResult RegisterServer(Registry& registry, std::string_view module_path) {
  const auto names = AllClassNames();
  return RegisterServer(registry, module_path, names);
}

HResult RegisterServer(Registry& registry, std::string_view module_path,
                       std::span<const std::string_view> class_names) {
  auto classes = Resolve(class_names);
  if (!classes) return hr::kInvalidArg;
  for (const ClassInfo* cls : *classes) {
    if (!WriteClass(registry, *cls, module_path)) {
      // Half a registration is worse than none: a host would find a class it
      // cannot load.
      for (const ClassInfo* undo : *classes) RemoveClass(registry, *undo, true);
      return hr::kSelfRegClass;
    }
  }
  return hr::kOk;
}

HResult UnregisterServer(Registry& registry) {
  const auto names = AllClassNames();
  return UnregisterServer(registry, names);
}

HResult UnregisterServer(Registry& registry, std::span<const std::string_view> class_names) {
  auto classes = Resolve(class_names);
  if (!classes) return hr::kInvalidArg;
  bool ok = true;
  // Carry on past a refusal: removing what can be removed leaves less behind.
  for (const ClassInfo* cls : *classes) ok = RemoveClass(registry, *cls, false) && ok;
  return ok ? hr::kOk : hr::kSelfRegClass;
}

// ---------------------------------------------------------------------------
// Factory and unload bookkeeping

namespace detail {

struct ModuleState {
  // DllCanUnloadNow may be asked from any thread; the counts are the only state
  // that crosses threads.
  std::atomic<long> objects{0};
  std::atomic<long> locks{0};
  std::map<std::string_view, ObjectCreator> creators;  // by class name as the model spells it
};

}  // namespace detail

namespace {

// EnumClass publishes enumerations only; every member access is refused.
class EnumClassObject : public Dispatch {
 public:
  Variant Invoke(std::string_view, InvokeKind, std::span<Variant>) override { Raise(err::kNotSupported); }
  bool IsA(std::string_view type_name) const override {
    return NamesEqual(type_name, "EnumClass") || NamesEqual(type_name, "_EnumClass");
  }
};

// Keeps the module's object count for as long as the object it wraps is referenced
// from outside.
struct CountedObject {
  CountedObject(DispatchPtr object, std::shared_ptr<detail::ModuleState> state)
      : object(std::move(object)), state(std::move(state)) {
    ++this->state->objects;
  }
  ~CountedObject() { --state->objects; }
  CountedObject(const CountedObject&) = delete;
  CountedObject& operator=(const CountedObject&) = delete;

  DispatchPtr object;
  std::shared_ptr<detail::ModuleState> state;
};

HResult Create(const std::shared_ptr<detail::ModuleState>& state, const ClassInfo& cls, DispatchPtr& object) {
  object.reset();
  DispatchPtr made;
  try {
    if (cls.kind == ClassKind::kCreatable) {
      made = std::make_shared<EnumClassObject>();
    } else {
      auto it = state->creators.find(cls.name);
      if (it == state->creators.end()) return hr::kClassNotAvailable;
      made = it->second();
    }
  } catch (const std::bad_alloc&) {
    return hr::kOutOfMemory;
  } catch (...) {
    // Nothing may escape through a COM entry point.
    return hr::kFail;
  }
  if (!made) return hr::kFail;
  auto counted = std::make_shared<CountedObject>(std::move(made), state);
  object = DispatchPtr(counted, counted->object.get());
  return hr::kOk;
}

HResult Lock(detail::ModuleState& state, bool lock) {
  if (lock) {
    ++state.locks;
    return hr::kOk;
  }
  long current = state.locks.load();
  do {
    if (current == 0) return hr::kUnexpected;
  } while (!state.locks.compare_exchange_weak(current, current - 1));
  return hr::kOk;
}

bool Available(const detail::ModuleState& state, const ClassInfo& cls) {
  return cls.kind == ClassKind::kCreatable || state.creators.contains(cls.name);
}

}  // namespace

HResult ClassFactory::CreateInstance(DispatchPtr& object) { return Create(state_, *class_, object); }

HResult ClassFactory::LockServer(bool lock) { return Lock(*state_, lock); }

ServerModule::ServerModule() : state_(std::make_shared<detail::ModuleState>()) {}

bool ServerModule::SetCreator(std::string_view class_name, ObjectCreator creator) {
  const ClassInfo* cls = FindClass(class_name);
  if (!cls || cls->kind != ClassKind::kControl) return false;
  if (creator)
    state_->creators.insert_or_assign(cls->name, std::move(creator));
  else
    state_->creators.erase(cls->name);
  return true;
}

std::vector<std::string_view> ServerModule::AvailableClasses() const {
  std::vector<std::string_view> names;
  for (const ClassInfo& c : Classes()) {
    if (Available(*state_, c)) names.push_back(c.name);
  }
  return names;
}

HResult ServerModule::GetClassObject(const Guid& clsid, std::shared_ptr<ClassFactory>& factory) const {
  factory.reset();
  const ClassInfo* cls = FindClassById(clsid);
  if (!cls || !Available(*state_, *cls)) return hr::kClassNotAvailable;
  factory = std::shared_ptr<ClassFactory>(new ClassFactory(state_, *cls));
  return hr::kOk;
}

HResult ServerModule::CreateObject(const Guid& clsid, DispatchPtr& object) {
  object.reset();
  const ClassInfo* cls = FindClassById(clsid);
  if (!cls) return hr::kClassNotAvailable;
  return Create(state_, *cls, object);
}

HResult ServerModule::CreateObject(std::string_view prog_id, DispatchPtr& object) {
  object.reset();
  const ClassInfo* cls = FindClassByProgId(prog_id);
  if (!cls) return hr::kClassNotAvailable;
  return Create(state_, *cls, object);
}

HResult ServerModule::LockServer(bool lock) { return Lock(*state_, lock); }

bool ServerModule::CanUnloadNow() const { return state_->objects == 0 && state_->locks == 0; }

long ServerModule::ObjectCount() const { return state_->objects; }

long ServerModule::LockCount() const { return state_->locks; }

}  // namespace vitrelle
