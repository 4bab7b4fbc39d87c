#include "package/installer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "frame/server.h"
#include "frame/type_model.h"

namespace vitrelle::package {
namespace {

std::vector<std::string_view> AllClasses() {
  std::vector<std::string_view> names;
  for (const ClassInfo& c : Classes()) names.push_back(c.name);
  return names;
}

std::string Text(const RegistryRow& row) {
  std::string out = row.key + " | " + row.name + " = ";
  if (!row.value) return out + "(key)";
  if (const auto* s = std::get_if<std::string>(&*row.value)) return out + *s;
  return out + std::to_string(std::get<uint32_t>(*row.value));
}

void Replay(const std::vector<RegistryRow>& rows, InMemoryRegistry& reg) {
  for (const RegistryRow& row : rows) {
    if (!row.value) {
      reg.CreateKey(row.key);
    } else if (const auto* s = std::get_if<std::string>(&*row.value)) {
      reg.SetString(row.key, row.name, *s);
    } else {
      reg.SetDword(row.key, row.name, std::get<uint32_t>(*row.value));
    }
  }
}

struct ArchCase {
  Arch arch;
  Part server;
  Part shared;
  const char* folder;
};

class PartsTest : public ::testing::TestWithParam<ArchCase> {};

// What the installer writes for one architecture must be one registration of that
// server, nothing more and nothing less: its own part and the shared part together,
// replayed, give what the server's own registration gives.
TEST_P(PartsTest, ServerAndSharedPartAreExactlyOneRegistration) {
  const ArchCase& c = GetParam();
  const auto classes = AllClasses();
  InMemoryRegistry installed;
  Replay(PartRows(c.server, classes), installed);
  Replay(PartRows(c.shared, classes), installed);

  InMemoryRegistry registered;
  Replay(RegistrationRows(c.arch, classes, FileReference(c.arch), c.folder), registered);
  ASSERT_EQ(RegisterServer(registered, FileReference(c.arch), classes), hr::kOk);

  std::string expected = registered.Dump(), got = installed.Dump();
  // The shared HELPDIR is the 32-bit server's folder whichever server it is.
  if (c.arch == Arch::kX64) expected = std::regex_replace(expected, std::regex("\\[System64Folder\\]"), "[SystemFolder]");
  EXPECT_EQ(got, expected);
}

TEST_P(PartsTest, ServerPartHoldsItsOwnViewAndFileOnly) {
  const ArchCase& c = GetParam();
  const std::string other = FileReference(c.arch == Arch::kX64 ? Arch::kX86 : Arch::kX64);
  for (const RegistryRow& row : PartRows(c.server, AllClasses())) {
    SCOPED_TRACE(Text(row));
    const bool per_view = row.key.starts_with("CLSID\\") || row.key.starts_with("Interface\\");
    const bool names_file = Text(row).find(FileReference(c.arch)) != std::string::npos;
    EXPECT_TRUE(per_view || names_file);
    EXPECT_EQ(Text(row).find(other), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Archs, PartsTest,
                         ::testing::Values(ArchCase{Arch::kX64, Part::kServerX64, Part::kSharedX64, "[System64Folder]"},
                                           ArchCase{Arch::kX86, Part::kServerX86, Part::kSharedX86, "[SystemFolder]"}),
                         [](const auto& info) { return std::string(ArchName(info.param.arch)); });

TEST(SharedPartTest, NamesNeitherServerAndNoPerViewKey) {
  const auto rows = PartRows(Part::kSharedX86, AllClasses());
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(PartRows(Part::kSharedX64, AllClasses()), rows) << "one set of keys, whichever component writes it";
  for (const RegistryRow& row : rows) {
    SCOPED_TRACE(Text(row));
    EXPECT_EQ(Text(row).find("[#"), std::string::npos);
    EXPECT_FALSE(row.key.starts_with("CLSID\\") || row.key.starts_with("Interface\\"));
  }
  // A ProgID is one key for both views: it lives here, once.
  for (const ClassInfo& c : Classes()) {
    const std::string clsid_row = std::string(c.prog_id) + "\\CLSID |  = " + c.clsid.ToString();
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [&](const RegistryRow& r) { return Text(r) == clsid_row; }), 1)
        << c.prog_id;
  }
}

TEST(RegistrationRowsTest, ClassesNotServedAreNotWritten) {
  const std::vector<std::string_view> only{"EnumClass", "GlazeCheck"};
  const auto joined = [](const std::vector<std::string_view>& classes) {
    std::string s;
    for (const auto& r : RegistrationRows(Arch::kX64, classes, "m", "f")) s += Text(r) + "\n";
    return s;
  };
  const std::string all = joined(AllClasses()), some = joined(only);
  for (const ClassInfo& c : Classes()) {
    const std::string key = "CLSID\\" + c.clsid.ToString();
    const bool served = c.name == "EnumClass" || c.name == "GlazeCheck";
    EXPECT_NE(all.find(key), std::string::npos) << c.name;
    EXPECT_EQ(some.find(key) != std::string::npos, served) << c.name;
    EXPECT_EQ(some.find(std::string(c.prog_id) + "\\CLSID") != std::string::npos, served) << c.name;
  }
  EXPECT_THROW(RegistrationRows(Arch::kX64, std::vector<std::string_view>{"NoSuchClass"}, "m", "f"),
               std::invalid_argument);
}

// What the platform's registration writes was read from a registry export after
// regsvr32; the Wine suite compares the two for every key, interfaces' included, but
// evens out the HELPDIR's closing backslash and the FLAGS Wine's loader sets.
TEST(RegistrationRowsTest, TypeLibraryAsThePlatformRegistersIt) {
  const LibraryInfo& lib = Library();
  const std::string base = "TypeLib\\" + lib.id.ToString() + "\\" + std::string(LibraryVersionText());
  std::set<std::string> rows;
  for (const auto& r : RegistrationRows(Arch::kX86, AllClasses(), "C:\\s\\Vitrelle.ocx", "C:\\s")) rows.insert(Text(r));
  for (const std::string& row : {base + " |  = " + std::string(lib.help), base + "\\0\\win32 |  = C:\\s\\Vitrelle.ocx",
                                 base + "\\FLAGS |  = 0", base + "\\HELPDIR |  = C:\\s"})
    EXPECT_TRUE(rows.contains(row)) << row;
  EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [](const std::string& r) {
              return r.starts_with("Interface\\") && r.find("\\") == r.rfind("\\");
            }),
            static_cast<long>(Interfaces().size() + EventInterfaces().size()));
}

// ---------------------------------------------------------------------------
// Identity

TEST(IdentityTest, NameBasedGuidFollowsTheStandard) {
  // The DNS namespace and the standard's own kind of example.
  const Guid dns = GuidLiteral("{6BA7B810-9DAD-11D1-80B4-00C04FD430C8}");
  EXPECT_EQ(NameBasedGuid(dns, "python.org").ToString(), "{886313E1-3B8A-5372-9B90-0C9AEE199E5D}");
  // Longer than one SHA-1 block, so that the padding crosses into a second.
  EXPECT_NE(NameBasedGuid(dns, std::string(60, 'a')), NameBasedGuid(dns, std::string(61, 'a')));
}

// A product code is stable per version; no code of the packages is another's or the
// model's.
TEST(IdentityTest, ProductCodesAreStablePerVersionAndNoIdentifierIsReused) {
  EXPECT_EQ(ProductCode(Arch::kX64, "1.4.0"), ProductCode(Arch::kX64, "1.4.0"));
  EXPECT_NE(ProductCode(Arch::kX64, "1.4.0"), ProductCode(Arch::kX64, "1.4.1"));
  std::set<Guid> seen{UpgradeCode(Arch::kX64), UpgradeCode(Arch::kX86), ProductCode(Arch::kX64, ProductVersion()),
                      ProductCode(Arch::kX86, ProductVersion())};
  for (Part p : {Part::kServerX64, Part::kServerX86, Part::kSharedX64, Part::kSharedX86})
    seen.insert(ComponentOf(p).guid);
  const size_t ours = seen.size();
  EXPECT_EQ(ours, 8u);
  seen.insert(Library().id);
  for (const ClassInfo& c : Classes()) seen.insert(c.clsid);
  for (const Interface& i : Interfaces()) seen.insert(i.id);
  for (const EventInterface& i : EventInterfaces()) seen.insert(i.id);
  EXPECT_EQ(seen.size(), ours + 1 + Classes().size() + Interfaces().size() + EventInterfaces().size());
}

// The installer's version is the server file's: both come from the library's
// file version, which the server's version resource must state too.
TEST(IdentityTest, VersionIsTheServerFileVersion) {
  EXPECT_EQ(ProductVersion() + ".0", Library().file_version);
  const char* root = std::getenv("VITRELLE_SOURCE_DIR");
  ASSERT_NE(root, nullptr);
  std::ifstream rc(std::string(root) + "/hosts/activex/vitrelle.rc.in");
  std::stringstream text;
  text << rc.rdbuf();
  std::string commas(Library().file_version);
  for (char& ch : commas) ch = ch == '.' ? ',' : ch;
  EXPECT_NE(text.str().find("FILEVERSION " + commas), std::string::npos);
  EXPECT_NE(text.str().find("\"FileVersion\", \"" + std::string(Library().file_version) + "\""), std::string::npos);
}

// ---------------------------------------------------------------------------
// WiX text

TEST(WixTest, FragmentWritesEveryRowOnceInItsComponent) {
  const auto classes = AllClasses();
  const std::string wxs = WixFragment(classes);
  for (Part p : {Part::kServerX64, Part::kServerX86, Part::kSharedX64, Part::kSharedX86}) {
    const Component& c = ComponentOf(p);
    const size_t begin = wxs.find("<Component Id=\"" + std::string(c.id) + "\" Guid=\"" + c.guid.ToBareString() + "\"");
    ASSERT_NE(begin, std::string::npos) << c.id;
    const std::string body = wxs.substr(begin, wxs.find("</Component>", begin) - begin);
    const auto rows = PartRows(p, classes);
    size_t values = 0;
    for (size_t at = body.find("<RegistryValue "); at != std::string::npos; at = body.find("<RegistryValue ", at + 1))
      ++values;
    EXPECT_EQ(values, rows.size()) << c.id;
    for (const RegistryRow& row : rows) {
      std::string key;
      for (char ch : row.key) key += ch == '&' ? std::string("&amp;") : std::string(1, ch);
      EXPECT_NE(body.find("Key=\"" + key + "\""), std::string::npos) << Text(row);
    }
    EXPECT_EQ(body.find("Win64=\"yes\"") != std::string::npos, p == Part::kServerX64 || p == Part::kSharedX64)
        << c.id;
  }
  // A key that only marks (Control) is created without a value.
  EXPECT_NE(wxs.find("\\Control\" Name=\"*\""), std::string::npos);
  EXPECT_EQ(wxs.find('&'), std::string::npos) << "no text that needs escaping is expected; check Xml()";
}

TEST(WixTest, ProductsCarryTheirServersAndRefuseTheWrongWindows) {
  const std::string x64 = WixProduct(Arch::kX64, "1.4.0");
  const std::string x86 = WixProduct(Arch::kX86, "1.4.0");
  EXPECT_NE(x64.find("ComponentGroupRef Id=\"VitrelleX64\""), std::string::npos);
  EXPECT_NE(x86.find("ComponentGroupRef Id=\"VitrelleX86\""), std::string::npos);
  EXPECT_NE(x64.find(">VersionNT64</Condition>"), std::string::npos);
  EXPECT_NE(x86.find(">NOT VersionNT64</Condition>"), std::string::npos);
  EXPECT_EQ(x86.find("System64Folder"), std::string::npos);
  EXPECT_NE(x64.find("UpgradeCode=\"" + UpgradeCode(Arch::kX64).ToBareString() + "\""), std::string::npos);
  EXPECT_NE(x86.find("Id=\"" + ProductCode(Arch::kX86, "1.4.0").ToBareString() + "\""), std::string::npos);
  EXPECT_NE(WixProduct(Arch::kX64, "1.3.9").find("Version=\"1.3.9\""), std::string::npos);
}

}  // namespace
}  // namespace vitrelle::package
