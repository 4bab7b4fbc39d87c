// The model host's run-time services: a virtual clock with its timers, the message
// queue that DoEvents drains, message boxes answered at once, and the machine the
// About box asks about (hosts/model/platform.h). Nothing here reads the real time.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <tuple>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frame/host.h"
#include "hosts/model/display.h"
#include "hosts/model/platform.h"
#include "hosts/model/screen.h"

namespace vitrelle::script {
class ScriptLog;
}

namespace vitrelle::model {

struct MessageBoxRecord {
  std::string text;
  int32_t style = 0;
  std::string title;
};

using TimerId = int;

class ModelRuntime : public Runtime {
 public:
  explicit ModelRuntime(Screen& screen);
  ~ModelRuntime() override;
  ModelRuntime(const ModelRuntime&) = delete;
  ModelRuntime& operator=(const ModelRuntime&) = delete;

  Screen& GetScreen() { return screen_; }

  // The log the host writes its lines to; null for none.
  void SetLog(script::ScriptLog* log);
  script::ScriptLog* Log() const { return log_; }

  // Virtual time in milliseconds.
  int64_t Now() const { return now_; }
  // Moves the clock forward, firing every timer that falls due on the way in time
  // order (ties in the order the timers were enabled), with DoEvents after each tick.
  void Advance(int64_t ms);
  void AdvanceTo(int64_t time_ms);

  // Timers: created stopped; Start (re)arms one to fire `interval` ms from now.
  TimerId AddTimer(std::function<void()> tick);
  void StartTimer(TimerId id, int32_t interval_ms);
  void StopTimer(TimerId id);
  void RemoveTimer(TimerId id);

  // Messages run by the next DoEvents, in the order they were posted.
  void Post(std::function<void()> message);
  bool HasPendingMessages() const { return !queue_.empty(); }

  // Names windows for the capture lines of the log.
  void NameWindow(Handle window, std::string name);
  void ForgetWindow(Handle window);

  // Where a picture was read from, so that saving a form writes the same path.
  void RememberPicturePath(const PicturePtr& picture, std::string path);
  std::string PicturePath(const Picture* picture) const;

  const std::vector<MessageBoxRecord>& MessageBoxes() const { return message_boxes_; }
  // What a modal form runs while it is open: one user action a call (a script's next
  // statement, a test's next step); false when there is none, and the form closes.
  void SetModalStep(std::function<bool()> step) { modal_step_ = std::move(step); }
  bool RunModalStep() { return modal_step_ && modal_step_(); }
  ModelPlatform& Platform() { return platform_; }

  // Runtime. DoEvents runs the posted messages, then the pending paints, then the
  // timers due now, until nothing is left.
  void DoEvents() override;
  int MsgBox(std::string_view text, int32_t style, std::string_view title) override;
  float TwipsPerPixelX() const override { return DisplayTwipsPerPixel(); }
  float TwipsPerPixelY() const override { return DisplayTwipsPerPixel(); }
  std::string AppTitle() const override { return "Vitrelle"; }
  int AppMajor() const override { return 1; }
  int AppMinor() const override { return 4; }
  int AppRevision() const override { return 0; }
  FontPtr NewFont() override;
  PicturePtr NewPicture(int width, int height, std::span<const OleColor> pixels) override;
  Gdi& GetGdi() override { return screen_.GetGdi(); }
  vitrelle::Platform& GetPlatform() override { return platform_; }


 private:
  // Runs the earliest tick due at or before `time_ms`, moving the clock to it;
  // false when none is due.
  bool RunNextTimerDueBy(int64_t time_ms);
  struct TimerSlot {
    std::function<void()> tick;
    bool running = false;
    int64_t due = 0;
    int32_t interval = 0;
    uint64_t order = 0;  // enabling order breaks ties
  };
  void SetNow(int64_t t);

  Screen& screen_;
  int display_dpi_;
  script::ScriptLog* log_ = nullptr;
  int64_t now_ = 0;
  std::map<TimerId, TimerSlot> timers_;
  // The running timers by (due, enabling order): the next tick is the first, without
  // a look at every timer of every control.
  using DueKey = std::tuple<int64_t, uint64_t, TimerId>;
  std::set<DueKey> due_;
  static DueKey KeyOf(TimerId id, const TimerSlot& slot) { return {slot.due, slot.order, id}; }
  TimerId next_timer_ = 1;
  uint64_t next_order_ = 1;
  std::deque<std::function<void()>> queue_;
  std::map<Handle, std::string> window_names_;
  std::vector<std::pair<std::weak_ptr<Picture>, std::string>> picture_paths_;
  std::vector<MessageBoxRecord> message_boxes_;
  std::function<bool()> modal_step_;
  ModelPlatform platform_{*this};
};

// Twips to whole pixels, halves to even, as window placement rounds.
int TwipsToPixels(double twips);

}  // namespace vitrelle::model
