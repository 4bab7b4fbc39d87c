#include "hosts/model/runtime.h"

#include <algorithm>

#include "frame/errors.h"
#include "frame/part_rules.h"
#include "frame/units.h"
#include "hosts/model/font.h"
#include "script/driver.h"

namespace vitrelle::model {

int TwipsToPixels(double twips) { return PixelCoordinate(twips, DisplayTwipsPerPixel()); }

// ---------------------------------------------------------------------------

ModelRuntime::ModelRuntime(Screen& screen) : screen_(screen), display_dpi_(DisplayDpi()) {
  screen_.SetCaptureObserver([this](Handle window, int width, int height) {
    if (!log_) return;
    auto it = window_names_.find(window);
    log_->Capture(it == window_names_.end() ? std::string("?") : it->second, width, height);
  });
}

// A form's machine may set the display; the next runtime of the process starts on the
// one this runtime found.
ModelRuntime::~ModelRuntime() {
  screen_.SetCaptureObserver(nullptr);
  SetDisplayDpi(display_dpi_);
}

void ModelRuntime::SetLog(script::ScriptLog* log) {
  log_ = log;
  if (log_) log_->SetTime(now_);
}

void ModelRuntime::SetNow(int64_t t) {
  now_ = t;
  if (log_) log_->SetTime(now_);
}

void ModelRuntime::Advance(int64_t ms) { AdvanceTo(now_ + ms); }

void ModelRuntime::AdvanceTo(int64_t time_ms) {
  DoEvents();
  while (RunNextTimerDueBy(time_ms)) DoEvents();
  SetNow(std::max(now_, time_ms));
  DoEvents();
}

bool ModelRuntime::RunNextTimerDueBy(int64_t time_ms) {
  if (due_.empty() || std::get<0>(*due_.begin()) > time_ms) return false;
  const TimerId id = std::get<2>(*due_.begin());
  due_.erase(due_.begin());
  TimerSlot& slot = timers_.at(id);
  SetNow(std::max(now_, slot.due));
  // The next tick is due one interval later unless the tick re-arms or stops it.
  slot.due += slot.interval;
  due_.insert(KeyOf(id, slot));
  // The tick may remove timers (even this one), so it runs from a copy.
  std::function<void()> tick = slot.tick;
  tick();
  return true;
}

TimerId ModelRuntime::AddTimer(std::function<void()> tick) {
  TimerId id = next_timer_++;
  timers_[id].tick = std::move(tick);
  return id;
}

void ModelRuntime::StartTimer(TimerId id, int32_t interval_ms) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  TimerSlot& slot = it->second;
  if (slot.running) due_.erase(KeyOf(id, slot));
  if (interval_ms <= 0) {
    slot.running = false;
    return;
  }
  slot.running = true;
  slot.interval = interval_ms;
  slot.due = now_ + interval_ms;
  slot.order = next_order_++;
  due_.insert(KeyOf(id, slot));
}

void ModelRuntime::StopTimer(TimerId id) {
  auto it = timers_.find(id);
  if (it == timers_.end() || !it->second.running) return;
  due_.erase(KeyOf(id, it->second));
  it->second.running = false;
}

void ModelRuntime::RemoveTimer(TimerId id) {
  StopTimer(id);
  timers_.erase(id);
}

void ModelRuntime::Post(std::function<void()> message) { queue_.push_back(std::move(message)); }

void ModelRuntime::DoEvents() {
  // Handlers may post more messages, invalidate windows or call DoEvents themselves;
  // the loop ends only when nothing at all is pending.
  for (;;) {
    if (!queue_.empty()) {
      std::function<void()> message = std::move(queue_.front());
      queue_.pop_front();
      message();
      continue;
    }
    if (screen_.HasPendingPaint()) {
      screen_.PaintPending();
      continue;
    }
    // A timer that is due ticks too, last, as the platform's message loop hands
    // out its ticks: a control that yields inside its own tick lets the others due
    // at the same moment run inside it.
    if (RunNextTimerDueBy(now_)) continue;
    break;
  }
}

int ModelRuntime::MsgBox(std::string_view text, int32_t style, std::string_view title) {
  std::string shown_title = title.empty() ? AppTitle() : std::string(title);
  message_boxes_.push_back({std::string(text), style, shown_title});
  if (log_) log_->MsgBox(shown_title, text);
  return 1;
}

FontPtr ModelRuntime::NewFont() { return MakeFont(FontSpec{}); }

PicturePtr ModelRuntime::NewPicture(int width, int height, std::span<const OleColor> pixels) {
  CheckDesignPicture(width, height, pixels.size());
  Bitmap image(width, height);
  std::copy(pixels.begin(), pixels.end(), image.Pixels().begin());
  PicturePtr picture = screen_.MakePicture(image);
  if (!picture) Raise(err::kOutOfMemory);
  return picture;
}

void ModelRuntime::NameWindow(Handle window, std::string name) { window_names_[window] = std::move(name); }

void ModelRuntime::ForgetWindow(Handle window) { window_names_.erase(window); }

void ModelRuntime::RememberPicturePath(const PicturePtr& picture, std::string path) {
  std::erase_if(picture_paths_, [](const auto& e) { return e.first.expired(); });
  picture_paths_.emplace_back(picture, std::move(path));
}

std::string ModelRuntime::PicturePath(const Picture* picture) const {
  for (const auto& [weak, path] : picture_paths_) {
    auto strong = weak.lock();
    if (strong && strong.get() == picture) return path;
  }
  return {};
}

}  // namespace vitrelle::model
