// The type library as IDL text, generated from the type model so that the compiled
// library can never disagree with what the controls answer to.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vitrelle {

// The whole library: imports, enumerations (the library's six and the host's two),
// the dual default interfaces, the event dispinterfaces and the coclasses. It
// compiles with widl against the platform's oaidl.idl, ocidl.idl and stdole2.tlb.
std::string GenerateIdl();

// A DISPID as the IDL and the listings write it: 0x68030013, or -552 for the
// standard negative ones.
std::string DispidText(int32_t id);

// The type library as a reader sees it through the platform, one line per type and
// per function, in the form the Wine suite's reader prints: what the library written
// from the model must read back as. `win64` names the library's system kind.
std::string TypeLibraryListing(bool win64);

// The identifier under which an enumeration member appears in IDL. IDL takes no
// spaces and no leading digit, so "Fixed Single" becomes Fixed_Single and "3D"
// becomes _3D; names that are already identifiers stay as they are.
std::string IdlIdentifier(std::string_view name);

}  // namespace vitrelle
