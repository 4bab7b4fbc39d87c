// The Windows Installer packages of Vitrelle.ocx, as WiX source for wixl: what they
// install where, and every registry value they write. The values come from the
// server's own registration (RegisterServer) and from the type model, so that an
// installed server and one registered by hand with regsvr32 leave the same keys.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame/guid.h"
#include "frame/registry.h"

namespace vitrelle::package {

enum class Arch { kX64, kX86 };

std::string_view ArchName(Arch arch);  // "x64", "x86"

// The components the packages are made of. On 64-bit Windows the 64-bit and the
// 32-bit server each have a registry view of their own for class and interface
// keys, while ProgIDs and the type library's own key are one key for both: those
// are a component of their own, written once, by a 64-bit component where there is
// a 64-bit view (the x64 package carries both servers) and by a 32-bit one on
// 32-bit Windows (the x86 package, which 64-bit Windows refuses). No key is thus
// written by two components on one machine. A component keeps its GUID in every
// package that carries it (the products, an application's installer), and the
// installer counts its users across them.
enum class Part { kServerX64, kServerX86, kSharedX64, kSharedX86 };

struct Component {
  Part part;
  std::string_view id;  // the WiX identifier
  Guid guid;            // fixed for ever: it names these files and keys to the installer
};
const Component& ComponentOf(Part part);

// One row of the installer's registry table, under HKEY_CLASSES_ROOT. A value of
// nullopt stands for the key alone (a key without values, such as Control).
struct RegistryRow {
  std::string key;
  std::string name;  // empty for the key's default value
  std::optional<RegistryValue> value;

  friend bool operator==(const RegistryRow&, const RegistryRow&) = default;
};

// The installed server file as the installer's formatted text names it.
std::string FileReference(Arch arch);

// What registering `arch`'s server writes, with its path given as `module_path`
// and the folder that holds it as `folder`: the classes named (those the server
// offers), then the type library as the platform's own registration call lays it
// out. Sorted by key, then value name.
std::vector<RegistryRow> RegistrationRows(Arch arch, std::span<const std::string_view> classes,
                                          std::string_view module_path, std::string_view folder);

// The rows of one part. Both shared parts hold the same rows, which both servers'
// registrations agree on (checked); the server parts keep what is their own view's
// or names their own file.
std::vector<RegistryRow> PartRows(Part part, std::span<const std::string_view> classes);

// The product's version for the installer: "1.4.0" from the library's file
// version "1.4.0.0" (the installer compares three fields).
std::string ProductVersion();

// Fixed for ever, one per package: an upgrade finds the older product by it.
Guid UpgradeCode(Arch arch);

// The product code of one version of one package. It is derived from the upgrade
// code and the version, so that building the same version again gives the same
// product (a repeated install is a repair, not a second product) and every new
// version gets a code of its own.
Guid ProductCode(Arch arch, std::string_view version);

// Name-based GUID (RFC 4122 version 5, SHA-1) of `name` within `space`.
Guid NameBasedGuid(const Guid& space, std::string_view name);

// The WiX fragment with the components and a component group per Windows
// (VitrelleX64: both servers and the 64-bit shared part; VitrelleX86: the 32-bit
// server and the 32-bit shared part). An application's installer includes it as it is; the files are
// read from $(var.VitrelleSource)/x64 and /x86.
std::string WixFragment(std::span<const std::string_view> classes);

// The product: the x64 package, for 64-bit Windows, carries both servers (64-bit
// Windows runs 32-bit and 64-bit containers side by side); the x86 package, for
// 32-bit Windows, the 32-bit server. Built together with the fragment.
std::string WixProduct(Arch arch, std::string_view version);

}  // namespace vitrelle::package
