#include "package/installer.h"

#include <algorithm>
#include <cctype>
#include <array>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include "frame/members.h"
#include "frame/server.h"
#include "frame/type_model.h"

namespace vitrelle::package {
namespace {

// Never change these: an installer tells its components and products apart by them
// alone, on every machine that ever installed Vitrelle.
constexpr Guid kUpgradeCodeX64 = GuidLiteral("{6A0E4C2B-1F57-4B8E-9D3A-70C1E2B85F14}");
constexpr Guid kUpgradeCodeX86 = GuidLiteral("{B3D7195E-8C42-4A61-A5F0-2E9B64C07D38}");
// The namespace the product codes are derived in.
constexpr Guid kProductCodeSpace = GuidLiteral("{0F4B8D21-6C3E-4E97-B1A5-93D2C7E6048A}");

const std::array<Component, 4> kComponents = {{
    {Part::kServerX64, "Vitrelle.Server.x64", GuidLiteral("{3C9A5E71-0B24-4F6D-8E13-A7D4C2F95B06}")},
    {Part::kServerX86, "Vitrelle.Server.x86", GuidLiteral("{D8E2B4A6-71C9-4035-9F8B-1E6A3C50D7F2}")},
    {Part::kSharedX64, "Vitrelle.Shared.x64", GuidLiteral("{A1E7C05B-93D2-4F48-B6E1-5C08D9F2734E}")},
    {Part::kSharedX86, "Vitrelle.Shared.x86", GuidLiteral("{59F1C3D8-A24E-4B7A-8C06-F3E9D1B2A745}")},
}};

// The proxies the platform registers the type library's interfaces with: dual
// interfaces through the automation marshaller, pure dispinterfaces through
// IDispatch's own.
constexpr std::string_view kOleAutomationProxy = "{00020424-0000-0000-C000-000000000046}";
constexpr std::string_view kDispatchProxy = "{00020420-0000-0000-C000-000000000046}";

bool IsShared(Part part) { return part == Part::kSharedX64 || part == Part::kSharedX86; }

std::string_view SysKind(Arch arch) { return arch == Arch::kX64 ? "win64" : "win32"; }

std::string_view FolderProperty(Arch arch) { return arch == Arch::kX64 ? "System64Folder" : "SystemFolder"; }

// Keys the two registry views of 64-bit Windows keep apart; everything else under
// HKEY_CLASSES_ROOT is one key that both servers see.
bool PerViewKey(std::string_view key) {
  auto under = [&](std::string_view root) {
    return key.size() > root.size() && NamesEqual(key.substr(0, root.size()), root) && key[root.size()] == '\\';
  };
  return under("CLSID") || under("Interface");
}

void CollectRows(const InMemoryRegistry& reg, const std::string& key, std::vector<RegistryRow>& rows) {
  const auto names = reg.ValueNames(key);
  const auto subkeys = reg.SubKeys(key);
  for (const std::string& name : names) rows.push_back({key, name, reg.GetValue(key, name)});
  // A key with neither values nor subkeys must still be created (Control marks a
  // control by its mere presence).
  if (names.empty() && subkeys.empty() && !key.empty()) rows.push_back({key, "", std::nullopt});
  for (const std::string& sub : subkeys) CollectRows(reg, key.empty() ? sub : key + "\\" + sub, rows);
}

void WriteTypeLibrary(Registry& reg, Arch arch, std::string_view module_path, std::string_view folder) {
  const LibraryInfo& lib = Library();
  const std::string libid = lib.id.ToString();
  const std::string version(LibraryVersionText());
  const std::string base = "TypeLib\\" + libid + "\\" + version;
  char lcid[16];
  std::snprintf(lcid, sizeof lcid, "%x", static_cast<unsigned>(lib.lcid));
  reg.SetString(base, "", lib.help);
  reg.SetString(base + "\\" + lcid + "\\" + std::string(SysKind(arch)), "", module_path);
  reg.SetString(base + "\\FLAGS", "", "0");
  reg.SetString(base + "\\HELPDIR", "", folder);
  auto interface_keys = [&](const Guid& id, std::string_view name, std::string_view proxy) {
    const std::string key = "Interface\\" + id.ToString();
    reg.SetString(key, "", name);
    reg.SetString(key + "\\ProxyStubClsid", "", proxy);
    reg.SetString(key + "\\ProxyStubClsid32", "", proxy);
    reg.SetString(key + "\\TypeLib", "", libid);
    reg.SetString(key + "\\TypeLib", "Version", version);
  };
  for (const Interface& i : Interfaces()) interface_keys(i.id, i.name, kOleAutomationProxy);
  for (const EventInterface& i : EventInterfaces()) interface_keys(i.id, i.name, kDispatchProxy);
}

bool RowLess(const RegistryRow& a, const RegistryRow& b) {
  const auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  const std::string ka = lower(a.key), kb = lower(b.key);
  if (ka != kb) return ka < kb;
  return lower(a.name) < lower(b.name);
}

bool IsHelpDir(const RegistryRow& row) {
  const std::string_view suffix = "\\HELPDIR";
  return row.key.size() > suffix.size() &&
         NamesEqual(std::string_view(row.key).substr(row.key.size() - suffix.size()), suffix);
}

bool Mentions(const RegistryRow& row, std::string_view text) {
  const auto* s = row.value ? std::get_if<std::string>(&*row.value) : nullptr;
  return s && s->find(text) != std::string::npos;
}

// The rows of one architecture's registration that are that server's own: in its
// view, or naming its file.
bool OwnRow(const RegistryRow& row, Arch arch) { return PerViewKey(row.key) || Mentions(row, FileReference(arch)); }

// ---------------------------------------------------------------------------
// SHA-1, for name-based GUIDs only.

std::array<uint8_t, 20> Sha1(const std::vector<uint8_t>& message) {
  uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  std::vector<uint8_t> m = message;
  const uint64_t bits = static_cast<uint64_t>(message.size()) * 8;
  m.push_back(0x80);
  while (m.size() % 64 != 56) m.push_back(0);
  for (int i = 7; i >= 0; --i) m.push_back(static_cast<uint8_t>(bits >> (i * 8)));
  auto rotl = [](uint32_t x, int n) { return (x << n) | (x >> (32 - n)); };
  for (size_t chunk = 0; chunk < m.size(); chunk += 64) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
      w[i] = static_cast<uint32_t>(m[chunk + 4 * i]) << 24 | static_cast<uint32_t>(m[chunk + 4 * i + 1]) << 16 |
             static_cast<uint32_t>(m[chunk + 4 * i + 2]) << 8 | m[chunk + 4 * i + 3];
    }
    for (int i = 16; i < 80; ++i) w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
      uint32_t f, k;
      if (i < 20) {
        f = (b & c) | (~b & d), k = 0x5A827999;
      } else if (i < 40) {
        f = b ^ c ^ d, k = 0x6ED9EBA1;
      } else if (i < 60) {
        f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
      } else {
        f = b ^ c ^ d, k = 0xCA62C1D6;
      }
      const uint32_t t = rotl(a, 5) + f + e + k + w[i];
      e = d, d = c, c = rotl(b, 30), b = a, a = t;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
  }
  std::array<uint8_t, 20> digest{};
  for (int i = 0; i < 20; ++i) digest[i] = static_cast<uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

// ---------------------------------------------------------------------------
// WiX text

std::string Xml(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Bare(const Guid& g) { return g.ToBareString(); }

std::string WixRegistryValue(const RegistryRow& row, bool key_path) {
  std::string out = "      <RegistryValue Root=\"HKCR\" Key=\"" + Xml(row.key) + "\"";
  if (!row.value) {
    // "*": the installer creates the key, and removes it on uninstall.
    out += " Name=\"*\" Type=\"string\" Value=\"\"";
  } else {
    if (!row.name.empty()) out += " Name=\"" + Xml(row.name) + "\"";
    if (const auto* s = std::get_if<std::string>(&*row.value)) {
      out += " Type=\"string\" Value=\"" + Xml(*s) + "\"";
    } else {
      out += " Type=\"integer\" Value=\"" + std::to_string(std::get<uint32_t>(*row.value)) + "\"";
    }
  }
  if (key_path) out += " KeyPath=\"yes\"";
  return out + "/>\n";
}

std::string WixComponent(Part part, std::span<const std::string_view> classes) {
  const Component& c = ComponentOf(part);
  std::string out;
  if (IsShared(part)) {
    const bool x64 = part == Part::kSharedX64;
    out += std::string("    <ComponentGroup Id=\"VitrelleShared") + (x64 ? "X64" : "X86") +
           "\" Directory=\"SystemFolder\">\n";
    out += "    <Component Id=\"" + std::string(c.id) + "\" Guid=\"" + Bare(c.guid) + "\"" +
           (x64 ? " Win64=\"yes\"" : "") + ">\n";
  } else {
    const Arch arch = part == Part::kServerX64 ? Arch::kX64 : Arch::kX86;
    const std::string name(ArchName(arch));
    out += "    <ComponentGroup Id=\"VitrelleServer" + std::string(arch == Arch::kX64 ? "X64" : "X86") +
           "\" Directory=\"" + std::string(FolderProperty(arch)) + "\">\n";
    out += "    <Component Id=\"" + std::string(c.id) + "\" Guid=\"" + Bare(c.guid) + "\"" +
           (arch == Arch::kX64 ? " Win64=\"yes\"" : "") + ">\n";
    out += "      <File Id=\"Vitrelle.ocx." + name + "\" Name=\"" + std::string(Library().file_name) +
           "\" Source=\"$(var.VitrelleSource)/" + name + "/" + std::string(Library().file_name) +
           "\" KeyPath=\"yes\"/>\n";
  }
  const auto rows = PartRows(part, classes);
  for (size_t i = 0; i < rows.size(); ++i) out += WixRegistryValue(rows[i], IsShared(part) && i == 0);
  out += "    </Component>\n";
  out += "    </ComponentGroup>\n";
  return out;
}

}  // namespace

std::string_view ArchName(Arch arch) { return arch == Arch::kX64 ? "x64" : "x86"; }

const Component& ComponentOf(Part part) {
  for (const Component& c : kComponents) {
    if (c.part == part) return c;
  }
  throw std::logic_error("no such component");
}

std::string FileReference(Arch arch) { return "[#Vitrelle.ocx." + std::string(ArchName(arch)) + "]"; }

std::vector<RegistryRow> RegistrationRows(Arch arch, std::span<const std::string_view> classes,
                                          std::string_view module_path, std::string_view folder) {
  InMemoryRegistry reg;
  if (RegisterServer(reg, module_path, classes) != hr::kOk) throw std::invalid_argument("unknown class to register");
  WriteTypeLibrary(reg, arch, module_path, folder);
  std::vector<RegistryRow> rows;
  CollectRows(reg, "", rows);
  std::sort(rows.begin(), rows.end(), RowLess);
  return rows;
}

std::vector<RegistryRow> PartRows(Part part, std::span<const std::string_view> classes) {
  auto rows_of = [&](Arch arch) {
    return RegistrationRows(arch, classes, FileReference(arch), "[" + std::string(FolderProperty(arch)) + "]");
  };
  std::vector<RegistryRow> out;
  if (IsShared(part)) {
    // The type library's HELPDIR names the folder of whichever server was
    // registered first; the shared parts take the 32-bit one's, the server every
    // package carries.
    for (const RegistryRow& row : rows_of(Arch::kX86)) {
      if (!OwnRow(row, Arch::kX86)) out.push_back(row);
    }
    std::vector<RegistryRow> other;
    for (const RegistryRow& row : rows_of(Arch::kX64)) {
      if (!OwnRow(row, Arch::kX64) && !IsHelpDir(row)) other.push_back(row);
    }
    std::vector<RegistryRow> mine;
    for (const RegistryRow& row : out) {
      if (!IsHelpDir(row)) mine.push_back(row);
    }
    if (mine != other) throw std::logic_error("the servers disagree on a key both views share");
    return out;
  }
  const Arch arch = part == Part::kServerX64 ? Arch::kX64 : Arch::kX86;
  for (const RegistryRow& row : rows_of(arch)) {
    if (OwnRow(row, arch)) out.push_back(row);
  }
  return out;
}

std::string ProductVersion() {
  std::string v(Library().file_version);
  // The installer ignores a fourth field when it compares versions; keep three.
  size_t dots = 0;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '.' && ++dots == 3) return v.substr(0, i);
  }
  return v;
}

Guid UpgradeCode(Arch arch) { return arch == Arch::kX64 ? kUpgradeCodeX64 : kUpgradeCodeX86; }

Guid ProductCode(Arch arch, std::string_view version) {
  return NameBasedGuid(kProductCodeSpace, UpgradeCode(arch).ToString() + " " + std::string(version));
}

Guid NameBasedGuid(const Guid& space, std::string_view name) {
  std::vector<uint8_t> bytes;
  for (int i = 3; i >= 0; --i) bytes.push_back(static_cast<uint8_t>(space.data1 >> (8 * i)));
  bytes.push_back(static_cast<uint8_t>(space.data2 >> 8));
  bytes.push_back(static_cast<uint8_t>(space.data2));
  bytes.push_back(static_cast<uint8_t>(space.data3 >> 8));
  bytes.push_back(static_cast<uint8_t>(space.data3));
  bytes.insert(bytes.end(), space.data4.begin(), space.data4.end());
  bytes.insert(bytes.end(), name.begin(), name.end());
  const auto digest = Sha1(bytes);
  Guid g;
  g.data1 = static_cast<uint32_t>(digest[0]) << 24 | static_cast<uint32_t>(digest[1]) << 16 |
            static_cast<uint32_t>(digest[2]) << 8 | digest[3];
  g.data2 = static_cast<uint16_t>(digest[4] << 8 | digest[5]);
  g.data3 = static_cast<uint16_t>(((digest[6] & 0x0F) | 0x50) << 8 | digest[7]);
  for (int i = 0; i < 8; ++i) g.data4[i] = digest[8 + i];
  g.data4[0] = static_cast<uint8_t>((g.data4[0] & 0x3F) | 0x80);
  return g;
}

std::string WixFragment(std::span<const std::string_view> classes) {
  const LibraryInfo& lib = Library();
  std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
  out += "<!-- " + std::string(lib.name) + " " + std::string(lib.file_version) +
         ": the controls' server for an installer of your own. Generated from the type model; do not edit.\n"
         "     Define VitrelleSource as the folder that holds x64/ and x86/, give the installer the\n"
         "     directories SystemFolder (and System64Folder for x64) under TARGETDIR, and reference\n"
         "     VitrelleX64 (both servers, for 64-bit Windows) or VitrelleX86 (the 32-bit server). -->\n";
  out += "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n  <Fragment>\n";
  out += WixComponent(Part::kServerX64, classes);
  out += WixComponent(Part::kServerX86, classes);
  out += WixComponent(Part::kSharedX64, classes);
  out += WixComponent(Part::kSharedX86, classes);
  out += "    <ComponentGroup Id=\"VitrelleX64\">\n";
  out += "      <ComponentGroupRef Id=\"VitrelleServerX64\"/>\n";
  out += "      <ComponentGroupRef Id=\"VitrelleServerX86\"/>\n";
  out += "      <ComponentGroupRef Id=\"VitrelleSharedX64\"/>\n";
  out += "    </ComponentGroup>\n";
  out += "    <ComponentGroup Id=\"VitrelleX86\">\n";
  out += "      <ComponentGroupRef Id=\"VitrelleServerX86\"/>\n";
  out += "      <ComponentGroupRef Id=\"VitrelleSharedX86\"/>\n";
  out += "    </ComponentGroup>\n";
  out += "  </Fragment>\n</Wix>\n";
  return out;
}

std::string WixProduct(Arch arch, std::string_view version) {
  const LibraryInfo& lib = Library();
  const std::string name(lib.name);
  const bool x64 = arch == Arch::kX64;
  std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
  out += "<!-- " + name + " " + std::string(version) + " (" + std::string(ArchName(arch)) +
         "). Generated from the type model; do not edit. -->\n";
  out += "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n";
  out += "  <Product Id=\"" + Bare(ProductCode(arch, version)) + "\" Name=\"" + Xml(name) +
         (x64 ? " (64-bit and 32-bit)" : " (32-bit)") + "\" Language=\"1033\" Version=\"" + std::string(version) +
         "\" Manufacturer=\"" + Xml(name) + "\" UpgradeCode=\"" + Bare(UpgradeCode(arch)) + "\">\n";
  out += "    <Package InstallerVersion=\"200\" Compressed=\"yes\" InstallScope=\"perMachine\" Description=\"" +
         Xml(std::string(lib.help)) + "\"/>\n";
  out += "    <MajorUpgrade DowngradeErrorMessage=\"A newer version of " + Xml(name) + " is already installed.\"/>\n";
  out += "    <Media Id=\"1\" Cabinet=\"Vitrelle.cab\" EmbedCab=\"yes\"/>\n";
  out += "    <Property Id=\"ARPNOMODIFY\" Value=\"1\"/>\n";
  // One package per machine: the x64 one carries the 32-bit server too, and the
  // keys both views share belong to one component only.
  if (x64) {
    out += "    <Condition Message=\"This package is for 64-bit Windows; install the x86 package.\">VersionNT64</Condition>\n";
  } else {
    out += "    <Condition Message=\"This package is for 32-bit Windows; install the x64 package, which carries the "
           "32-bit server too.\">NOT VersionNT64</Condition>\n";
  }
  out += "    <Directory Id=\"TARGETDIR\" Name=\"SourceDir\">\n";
  out += "      <Directory Id=\"SystemFolder\"/>\n";
  if (x64) out += "      <Directory Id=\"System64Folder\"/>\n";
  out += "    </Directory>\n";
  out += "    <Feature Id=\"Controls\" Title=\"" + Xml(name) + " controls\" Level=\"1\">\n";
  out += std::string("      <ComponentGroupRef Id=\"") + (x64 ? "VitrelleX64" : "VitrelleX86") + "\"/>\n";
  out += "    </Feature>\n";
  out += "  </Product>\n</Wix>\n";
  return out;
}

}  // namespace vitrelle::package
