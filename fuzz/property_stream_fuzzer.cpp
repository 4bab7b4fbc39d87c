// The record IPersistStreamInit::Load reads, with the model host's fonts and pictures.
// A record that reads writes back as a record that reads as the same entries, and
// writing that again gives the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "frame/property_stream.h"
#include "fuzz/model_fixture.h"
#include "hosts/model/stream_objects.h"

namespace {

bool SameEntry(const std::pair<std::string, vitrelle::Variant>& a, const std::pair<std::string, vitrelle::Variant>& b) {
  using vitrelle::VarType;
  if (a.first != b.first || a.second.type() != b.second.type()) return false;
  switch (a.second.type()) {
    case VarType::kSingle: {
      const float x = a.second.ToSingle(), y = b.second.ToSingle();
      return std::memcmp(&x, &y, sizeof x) == 0;
    }
    case VarType::kDouble: {
      const double x = a.second.ToDouble(), y = b.second.ToDouble();
      return std::memcmp(&x, &y, sizeof x) == 0;
    }
    case VarType::kFont: {
      const auto f = a.second.ToFont(), g = b.second.ToFont();
      return f->Name() == g->Name() && f->Size() == g->Size() && f->Bold() == g->Bold() &&
             f->Italic() == g->Italic() && f->Underline() == g->Underline() &&
             f->Strikethrough() == g->Strikethrough();
    }
    case VarType::kPicture: return a.second.IsNothing() == b.second.IsNothing();
    default: return a.second == b.second;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vitrelle;
  auto& model = fuzz::Model();
  model::ModelStreamObjects objects(model.runtime);
  fuzz::GdiBalance balance;
  StreamEntries entries;
  MemorySource source(data, size);
  if (ReadPropertyStream(source, objects, entries) != StreamStatus::kOk) {
    if (!entries.empty()) std::abort();
    return 0;
  }
  MemorySink first;
  if (!WritePropertyStream(entries, objects, first)) std::abort();
  StreamEntries again;
  MemorySource reread(first.Bytes().data(), first.Bytes().size());
  if (ReadPropertyStream(reread, objects, again) != StreamStatus::kOk || reread.Remaining() != 0) std::abort();
  if (again.size() != entries.size()) std::abort();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!SameEntry(entries[i], again[i])) std::abort();
  }
  MemorySink second;
  if (!WritePropertyStream(again, objects, second) || second.Bytes() != first.Bytes()) std::abort();
  return 0;
}
