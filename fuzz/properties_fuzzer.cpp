// Each library control's ReadProperties over a bag whose keys and values come from
// the input: the control's own keys (in any case) and others, holding values of any
// type, size and range. A control either loads or raises a run-time error; one that
// loads is shown, run and saved, what it saved loads into a second control without
// an error and saves the same again, and closing the form gives back its GDI objects.
#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/library.h"
#include "frame/errors.h"
#include "frame/properties.h"
#include "fuzz/model_fixture.h"
#include "hosts/model/form.h"
#include "hosts/model/property_bag.h"

namespace {

using namespace vitrelle;

// The keys each class reads, from its declarations, in library order.
const std::vector<std::vector<std::string>>& PersistedKeys() {
  static const auto* keys = [] {
    auto* out = new std::vector<std::vector<std::string>>();
    auto form = model::Form::Create(fuzz::Model().runtime, "Keys");
    for (const LibraryControl& c : LibraryControls()) {
      model::ControlSpec spec;
      spec.class_name = std::string(c.name);
      spec.name = "Probe";
      auto& site = dynamic_cast<model::LibrarySite&>(form->AddControl(spec));
      std::vector<std::string> names;
      for (const Declaration* d : site.Object().Declarations()) {
        if (d->IsPersisted()) names.emplace_back(d->persisted.key);
      }
      out->push_back(std::move(names));
      form->Unload();
      form = model::Form::Create(fuzz::Model().runtime, "Keys");
    }
    form->Unload();
    return out;
  }();
  return *keys;
}

std::string Key(FuzzedDataProvider& in, const std::vector<std::string>& known) {
  if (known.empty() || in.ConsumeIntegralInRange(0, 7) == 0) return in.ConsumeRandomLengthString(24);
  std::string key = known[in.ConsumeIntegralInRange<size_t>(0, known.size() - 1)];
  // Keys match without regard to case; a container may write them in any.
  if (in.ConsumeBool()) {
    for (char& ch : key) ch = static_cast<char>(in.ConsumeBool() ? std::toupper(ch) : std::tolower(ch));
  }
  return key;
}

// Values of every type a bag can hold; false when the platform refused to make one.
bool Value(FuzzedDataProvider& in, Variant& out) {
  auto& runtime = fuzz::Model().runtime;
  switch (in.ConsumeIntegralInRange(0, 9)) {
    case 0: out = Variant(); return true;
    case 1: out = Variant::Boolean(in.ConsumeBool()); return true;
    case 2: out = Variant::Integer(in.ConsumeIntegral<int16_t>()); return true;
    case 3: out = Variant::Long(in.ConsumeIntegral<int32_t>()); return true;
    case 4: out = Variant::Single(std::bit_cast<float>(in.ConsumeIntegral<uint32_t>())); return true;
    case 5: out = Variant::Double(std::bit_cast<double>(in.ConsumeIntegral<uint64_t>())); return true;
    case 6: out = Variant::String(in.ConsumeRandomLengthString(300)); return true;
    case 7: {
      FontPtr font = runtime.NewFont();
      try {
        font->SetName(in.ConsumeRandomLengthString(40));
        font->SetSize(std::bit_cast<float>(in.ConsumeIntegral<uint32_t>()));
        font->SetBold(in.ConsumeBool());
        font->SetItalic(in.ConsumeBool());
        font->SetUnderline(in.ConsumeBool());
        font->SetStrikethrough(in.ConsumeBool());
      } catch (const RuntimeError&) {
        return false;
      }
      out = Variant::OfFont(font);
      return true;
    }
    case 8: {
      if (in.ConsumeBool()) {
        out = Variant::OfPicture(nullptr);
        return true;
      }
      const int w = in.ConsumeIntegralInRange(1, 24), h = in.ConsumeIntegralInRange(1, 24);
      std::vector<OleColor> pixels(static_cast<size_t>(w) * h, in.ConsumeIntegral<uint32_t>() & 0xFFFFFF);
      out = Variant::OfPicture(runtime.NewPicture(w, h, pixels));
      return true;
    }
    default: out = Variant::Object(nullptr); return true;
  }
}

model::LibrarySite& Place(model::Form& form, std::string_view class_name, std::string name,
                          model::ModelPropertyBag& bag) {
  model::ControlSpec spec;
  spec.class_name = std::string(class_name);
  spec.name = std::move(name);
  spec.left = 120;
  spec.top = 120;
  return dynamic_cast<model::LibrarySite&>(form.AddControl(spec, &bag));
}

bool SameBag(const model::ModelPropertyBag& a, const model::ModelPropertyBag& b) {
  if (a.Entries().size() != b.Entries().size()) return false;
  for (size_t i = 0; i < a.Entries().size(); ++i) {
    const auto& [key, value] = a.Entries()[i];
    const auto& [other_key, other] = b.Entries()[i];
    if (key != other_key || value.type() != other.type()) return false;
    // References are new objects each time a control saves; their kind is what counts.
    if (!value.IsReference() && !(value == other) && value.ToLiteral() != other.ToLiteral()) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const auto& keys = PersistedKeys();
  const size_t which = in.ConsumeIntegralInRange<size_t>(0, LibraryControls().size() - 1);
  const std::string_view class_name = LibraryControls()[which].name;
  const bool user_mode = in.ConsumeBool();

  model::ModelPropertyBag bag;
  for (int n = 0; n < 40 && in.remaining_bytes() > 0; ++n) {
    std::string key = Key(in, keys[which]);
    Variant value;
    if (Value(in, value)) bag.Put(key, std::move(value));
  }

  auto& model = fuzz::Model();
  fuzz::GdiBalance balance;
  auto form = model::Form::Create(model.runtime, "Form1", user_mode);
  form->SetClientSize(4800, 3600);
  try {
    model::LibrarySite& first = Place(*form, class_name, "Fuzzed", bag);
    form->Show();
    form->Activate();
    model.runtime.Advance(120);
    model::ModelPropertyBag saved;
    first.WriteTo(saved);
    // What a control saved is what it accepts: a second one reads it without an error.
    model::LibrarySite* second = nullptr;
    try {
      second = &Place(*form, class_name, "Reloaded", saved);
    } catch (const RuntimeError&) {
      std::abort();
    }
    model::ModelPropertyBag saved_again;
    second->WriteTo(saved_again);
    if (!SameBag(saved, saved_again)) std::abort();
  } catch (const RuntimeError&) {
    // A refused value: the container hears the error, and the form closes cleanly.
  }
  form->Unload();
  return 0;
}
