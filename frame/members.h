// Each control declares its late-bound members once, as a table of bindings; the
// model host's dispatch, the COM dispatch and the tests all go through Invoke.
// The type model (type_model.h) gives the same names their DISPIDs and types, and a
// test checks that the two agree.
#pragma once

#include <span>
#include <string_view>

#include "frame/errors.h"
#include "frame/host.h"
#include "frame/variant.h"

namespace vitrelle {

bool NamesEqual(std::string_view a, std::string_view b);

template <class C>
struct MemberBinding {
  std::string_view name;
  Variant (*get)(C&) = nullptr;                // property getter; null for a method
  void (*put)(C&, const Variant&) = nullptr;  // let or set; null for a read-only property
  void (*call)(C&) = nullptr;                 // method without arguments
};

// Runs `member` of `self` from its binding table: 438 for an unknown name or a kind
// the member does not have, 383 for an assignment to a read-only property, 450 for
// a wrong number of arguments.
template <class C>
Variant InvokeMember(C& self, std::span<const MemberBinding<C>> table, std::string_view member,
                     InvokeKind kind, std::span<Variant> args) {
  for (const auto& m : table) {
    if (!NamesEqual(m.name, member)) continue;
    switch (kind) {
      case InvokeKind::kGet:
        if (m.get) {
          if (!args.empty()) Raise(err::kWrongArguments);
          return m.get(self);
        }
        // A method called without parentheses reads as a get.
        if (m.call && args.empty()) {
          m.call(self);
          return {};
        }
        Raise(err::kNotSupported);
      case InvokeKind::kLet:
      case InvokeKind::kSet:
        if (!m.put) Raise(m.get ? err::kPropertyReadOnly : err::kNotSupported);
        if (args.size() != 1) Raise(err::kWrongArguments);
        m.put(self, args.back());
        return {};
      case InvokeKind::kCall:
        if (!m.call) {
          if (m.get && args.empty()) return m.get(self);
          Raise(err::kNotSupported);
        }
        if (!args.empty()) Raise(err::kWrongArguments);
        m.call(self);
        return {};
    }
  }
  Raise(err::kNotSupported);
}

}  // namespace vitrelle
