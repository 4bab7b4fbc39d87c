// Late-bound members as tables of bindings, and the rules every late-bound call
// follows. The model host's extenders and forms use MemberBinding tables; the
// library's controls declare theirs as properties (properties.h), which a test holds
// against the type model's interfaces.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "frame/errors.h"
#include "frame/host.h"
#include "frame/variant.h"

namespace vitrelle {

bool NamesEqual(std::string_view a, std::string_view b);
// The key under which NamesEqual names are equal: for maps and sets of names.
std::string FoldName(std::string_view name);

template <class C>
struct MemberBinding {
  std::string_view name;
  Variant (*get)(C&) = nullptr;                // property getter; null for a method
  void (*put)(C&, const Variant&) = nullptr;  // let or set; null for a read-only property
  void (*call)(C&) = nullptr;                 // method without arguments
  // A member with arguments of its own: a method whose arguments are optional (Move)
  // or a property read with an index (Controls(i)). It takes every get or call that
  // comes with arguments, and those without when there is no plain get or call;
  // it checks the arguments itself.
  Variant (*with_args)(C&, std::span<Variant>) = nullptr;

  bool Assignable() const { return put != nullptr; }
  void Assign(C& self, const Variant& value) const { put(self, value); }
};

template <class C>
const MemberBinding<C>* FindBinding(std::span<const MemberBinding<C>> table, std::string_view member) {
  for (const auto& m : table) {
    if (NamesEqual(m.name, member)) return &m;
  }
  return nullptr;
}

// Runs one member of `self`: 438 for a kind the member does not have, 383 for an
// assignment to a read-only property, 450 for a wrong number of arguments. `B` is a
// MemberBinding or a control's property declaration (properties.h), which assigns
// and then reports the change.
template <class C, class B>
Variant InvokeBinding(C& self, const B& m, InvokeKind kind, std::span<Variant> args) {
  const bool read = kind == InvokeKind::kGet || kind == InvokeKind::kCall;
  if (read && m.with_args && (!args.empty() || (!m.get && !m.call))) return m.with_args(self, args);
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
      if (!m.Assignable()) Raise(m.get ? err::kPropertyReadOnly : err::kNotSupported);
      if (args.size() != 1) Raise(err::kWrongArguments);
      m.Assign(self, args.back());
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
  Raise(err::kNotSupported);
}

// Runs `member` of `self` from its binding table, as InvokeBinding; 438 for a name
// the table does not have.
template <class C>
Variant InvokeMember(C& self, std::span<const MemberBinding<C>> table, std::string_view member,
                     InvokeKind kind, std::span<Variant> args) {
  if (const MemberBinding<C>* m = FindBinding(table, member)) return InvokeBinding(self, *m, kind, args);
  Raise(err::kNotSupported);
}

}  // namespace vitrelle
