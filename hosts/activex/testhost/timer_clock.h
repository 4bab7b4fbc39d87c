// The script's clock for the controls' timers. The model host runs a tick when
// virtual time reaches it; real timers here run on real time, which also passes
// while a step runs and not only inside a wait. So a tick a slow step brought due
// early, or a busy machine brought late, would be logged at the wrong time. The
// container watches the server's SetTimer and KillTimer (through the server's own
// import table, the one place every timer passes) and logs each tick at the time
// it falls due on the script's clock: armed at T with interval I, it is due at
// T + I, then T + 2I, and so on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace vitrelle::testhost {

class TimerClock {
 public:
  // `now` reads the script's clock (when a timer is armed, and before a tick);
  // `tick` is told the due time of each tick just before it runs; `restore` is
  // given back the time `now` read before the tick.
  struct Callbacks {
    std::function<int64_t()> now;
    std::function<void(int64_t due)> tick;
    std::function<void(int64_t)> restore;
  };

  // Watches the timers of the module that holds `address` (any code or vtable of
  // the server). False when its imports could not be patched; the ticks then
  // run unwatched, at real time, as before.
  static bool Watch(const void* address, Callbacks callbacks);
  static void Unwatch();
};

}  // namespace vitrelle::testhost
