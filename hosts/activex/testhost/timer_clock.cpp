#include "hosts/activex/testhost/timer_clock.h"

#include <cstring>
#include <map>

namespace vitrelle::testhost {

namespace {

struct Armed {
  TIMERPROC proc;
  UINT interval;
  int64_t due;         // on the script's clock
  uint64_t generation; // tells a timer re-armed under the same id from the one before
};

std::map<UINT_PTR, Armed>& ArmedTimers() {
  static std::map<UINT_PTR, Armed> armed;
  return armed;
}
TimerClock::Callbacks g_callbacks;
uint64_t g_generation = 0;
HMODULE g_module = nullptr;

void CALLBACK WatchedTick(HWND window, UINT message, UINT_PTR id, DWORD time) {
  auto it = ArmedTimers().find(id);
  if (it == ArmedTimers().end()) return;
  const Armed armed = it->second;  // the tick may kill its own timer
  const bool clocked = static_cast<bool>(g_callbacks.tick);
  const int64_t before = clocked ? g_callbacks.now() : 0;
  if (clocked) g_callbacks.tick(armed.due);
  armed.proc(window, message, id, time);
  if (clocked) g_callbacks.restore(before);
  it = ArmedTimers().find(id);
  if (it != ArmedTimers().end() && it->second.generation == armed.generation) it->second.due += armed.interval;
}

UINT_PTR WINAPI WatchedSetTimer(HWND window, UINT_PTR id, UINT interval, TIMERPROC proc) {
  // Only thread timers with a procedure are the server's parts' own; anything
  // else goes through untouched.
  if (window || !proc) return ::SetTimer(window, id, interval, proc);
  const UINT_PTR made = ::SetTimer(nullptr, id, interval, &WatchedTick);
  if (made) {
    const int64_t now = g_callbacks.now ? g_callbacks.now() : 0;
    ArmedTimers()[made] = Armed{proc, interval, now + interval, ++g_generation};
  }
  return made;
}

BOOL WINAPI WatchedKillTimer(HWND window, UINT_PTR id) {
  if (!window) ArmedTimers().erase(id);
  return ::KillTimer(window, id);
}

// Points the module's import of user32's `name` at `hook`; false when the module
// does not import it by name.
bool PatchImport(HMODULE module, const char* name, void* hook) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!imports.VirtualAddress) return false;
  for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name;
       ++dll) {
    if (_stricmp(reinterpret_cast<const char*>(base + dll->Name), "user32.dll") != 0 || !dll->OriginalFirstThunk)
      continue;
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* by_name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), name) != 0) continue;
      DWORD old = 0;
      if (!::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old)) return false;
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(hook);
      ::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
      return true;
    }
  }
  return false;
}

}  // namespace

bool TimerClock::Watch(const void* address, Callbacks callbacks) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module))
    return false;
  g_callbacks = std::move(callbacks);
  if (module == g_module) return true;
  // Both or neither: a kill the hook missed would leave a stale due time behind.
  if (!PatchImport(module, "KillTimer", reinterpret_cast<void*>(&WatchedKillTimer))) return false;
  if (!PatchImport(module, "SetTimer", reinterpret_cast<void*>(&WatchedSetTimer))) {
    PatchImport(module, "KillTimer", reinterpret_cast<void*>(&::KillTimer));
    return false;
  }
  g_module = module;
  return true;
}

void TimerClock::Unwatch() {
  // The hooks stay: timers armed through them still need their procedures.
  // Without callbacks their ticks run at real time.
  g_callbacks = Callbacks{};
}

}  // namespace vitrelle::testhost
