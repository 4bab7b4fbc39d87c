#include "frame/idl.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "frame/type_model.h"

namespace vitrelle {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The block of `text` that declares `keyword name`, up to its closing "};".
std::string Block(const std::string& text, const std::string& opening) {
  size_t start = text.find(opening);
  if (start == std::string::npos) return {};
  size_t end = text.find("};", start);
  return text.substr(start, end - start);
}

// The accessors the model implies for one interface, in slot order, each with its member.
std::vector<std::pair<std::string, const Member*>> Accessors(const Interface& iface) {
  std::vector<std::pair<std::string, const Member*>> out;
  for (const Member& m : iface.members) {
    switch (m.kind) {
      case MemberKind::kMethod: out.emplace_back("method", &m); break;
      case MemberKind::kGet: out.emplace_back("propget", &m); break;
      case MemberKind::kGetLet: out.insert(out.end(), {{"propget", &m}, {"propput", &m}}); break;
      case MemberKind::kGetSet: out.insert(out.end(), {{"propget", &m}, {"propputref", &m}}); break;
    }
  }
  return out;
}

// One line per accessor: "<accessor> <name> <dispid> [nonbrowsable] [hidden] [help]".
std::vector<std::string> ExpectedAccessors(const Interface& iface) {
  std::vector<std::string> lines;
  for (const auto& [a, m] : Accessors(iface)) {
    std::string line = a + " " + std::string(m->name) + " " + std::to_string(m->dispid);
    if (m->non_browsable) line += " nonbrowsable";
    if (m->hidden) line += " hidden";
    if (!m->help.empty()) line += " \"" + std::string(m->help) + "\"";
    lines.push_back(line);
  }
  return lines;
}

// The same lines read back from the IDL text of one interface.
std::vector<std::string> ParsedAccessors(const std::string& block) {
  static const std::regex member(
      R"re(\[id\(([-0-9a-fA-Fx]+)\)((?:, (?:propget|propput|propputref|nonbrowsable|hidden))*)(?:, helpstring\("([^"]*)"\))?\]\s*HRESULT (\w+)\()re");
  std::vector<std::string> lines;
  for (std::sregex_iterator it(block.begin(), block.end(), member), end; it != end; ++it) {
    const std::smatch& m = *it;
    const std::string attrs = m[2];
    std::string accessor = "method";
    for (const char* a : {"propputref", "propput", "propget"}) {
      if (std::regex_search(attrs, std::regex(std::string(", ") + a + "(,|$)"))) {
        accessor = a;
        break;
      }
    }
    const auto dispid = static_cast<int32_t>(std::strtoll(m[1].str().c_str(), nullptr, 0));
    std::string line = accessor + " " + m[4].str() + " " + std::to_string(dispid);
    if (attrs.find("nonbrowsable") != std::string::npos) line += " nonbrowsable";
    if (attrs.find("hidden") != std::string::npos) line += " hidden";
    if (m[3].matched) line += " \"" + m[3].str() + "\"";
    lines.push_back(line);
  }
  return lines;
}

TEST(IdlTextTest, EveryInterfaceCarriesTheModelsMembersDispidsAndFlags) {
  const std::string idl = GenerateIdl();
  for (const Interface& iface : Interfaces()) {
    const std::string block = Block(idl, "interface " + std::string(iface.name) + " : IDispatch {");
    ASSERT_FALSE(block.empty()) << iface.name;
    EXPECT_EQ(ParsedAccessors(block), ExpectedAccessors(iface)) << iface.name;
  }
}

TEST(IdlTextTest, EventParametersKeepTheirPassingConvention) {
  const std::string idl = GenerateIdl();
  static const std::regex event(R"(\[id\((\d+)\)\] void (\w+)\(([^)]*)\);)");
  static const std::regex param(R"(\[(in|in, out)\] (\w+)(\*?) (\w+))");
  for (const EventInterface& iface : EventInterfaces()) {
    const std::string block = Block(idl, "dispinterface " + std::string(iface.name) + " {");
    std::vector<std::string> parsed, expected;
    for (std::sregex_iterator it(block.begin(), block.end(), event), end; it != end; ++it) {
      std::string line = (*it)[1].str() + " " + (*it)[2].str();
      const std::string params = (*it)[3];
      for (std::sregex_iterator p(params.begin(), params.end(), param); p != end; ++p) {
        const bool by_ref = (*p)[1] == "in, out" && (*p)[3] == "*";
        line += std::string(" ") + (by_ref ? "&" : "") + (*p)[4].str();
      }
      parsed.push_back(line);
    }
    for (const Event& e : iface.events) {
      std::string line = std::to_string(e.dispid) + " " + std::string(e.name);
      for (const Param& p : e.params) line += std::string(" ") + (p.by_ref ? "&" : "") + std::string(p.name);
      expected.push_back(line);
    }
    EXPECT_EQ(parsed, expected) << iface.name;
  }
}

TEST(IdlTextTest, EnumerationMemberNamesBecomeIdentifiers) {
  for (auto [name, identifier] : {std::pair{"Opaque", "Opaque"}, {"3D", "_3D"}, {"Fixed Single", "Fixed_Single"}})
    EXPECT_EQ(IdlIdentifier(name), identifier);

  // Enumeration constants share one scope in IDL, so two members may not map to the
  // same identifier anywhere in the library.
  std::set<std::string> seen;
  for (auto list : {Enumerations(), HostEnumerations()}) {
    for (const Enumeration& e : list) {
      for (const EnumMember& m : e.members)
        EXPECT_TRUE(seen.insert(IdlIdentifier(m.name)).second) << e.name << "." << m.name;
    }
  }
}

// ---------------------------------------------------------------------------
// Compiling with widl

std::string FindOnPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    fs::path candidate = fs::path(dir) / program;
    if (!dir.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return {};
}

std::string FirstDirectoryWith(const char* file, std::initializer_list<const char*> dirs) {
  for (const char* dir : dirs) {
    if (fs::exists(fs::path(dir) / file)) return dir;
  }
  return {};
}

std::string LowerIid(const Guid& id) {
  std::string iid = id.ToBareString();
  for (char& c : iid) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return iid;
}

class WidlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* override_widl = std::getenv("VITRELLE_WIDL");
    const std::string widl = override_widl ? override_widl : FindOnPath("x86_64-w64-mingw32-widl");
    const std::string include_dir =
        FirstDirectoryWith("oaidl.idl", {"/usr/include/wine/wine/windows", "/usr/include/wine/windows"});
    const std::string stdole2_dir = FirstDirectoryWith(
        "stdole2.tlb", {"/usr/lib/x86_64-linux-gnu/wine/x86_64-windows", "/usr/lib/x86_64-linux-gnu/wine/i386-windows",
                        "/usr/lib/wine/x86_64-windows", "/usr/lib/wine/i386-windows",
                        "/usr/lib/i386-linux-gnu/wine/i386-windows"});
    std::string missing;
    if (widl.empty()) missing += " x86_64-w64-mingw32-widl (package mingw-w64-tools)";
    if (include_dir.empty()) missing += " oaidl.idl (package libwine-dev)";
    if (stdole2_dir.empty()) missing += " stdole2.tlb (package wine)";
    if (!missing.empty()) {
      failure_ = "cannot compile the type library, missing:" + missing + "; ./run test installs them";
      return;
    }
    dir_ = fs::temp_directory_path() / ("vitrelle-idl-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    std::ofstream(dir_ / "Vitrelle.idl") << GenerateIdl();
    const std::string command = "cd '" + dir_.string() + "' && '" + widl + "' -I'" + include_dir + "' -L'" +
                                stdole2_dir + "' -t -o Vitrelle.tlb -h -H Vitrelle.h Vitrelle.idl >widl.log 2>&1";
    const int status = std::system(command.c_str());
    diagnostics_ = ReadFile(dir_ / "widl.log");
    if (status != 0) {
      failure_ = "widl failed (" + std::to_string(status) + "):\n" + diagnostics_;
      return;
    }
    tlb_ = ReadFile(dir_ / "Vitrelle.tlb");
    header_ = ReadFile(dir_ / "Vitrelle.h");
  }

  static void TearDownTestSuite() {
    std::error_code ignored;
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
  }

  void SetUp() override { ASSERT_TRUE(failure_.empty()) << failure_; }

  static uint32_t TlbWord(size_t offset) {
    uint32_t v = 0;
    if (tlb_.size() >= offset + 4) std::memcpy(&v, tlb_.data() + offset, 4);  // little-endian host and file
    return v;
  }

  static inline fs::path dir_;
  static inline std::string failure_, diagnostics_, tlb_, header_;
};

TEST_F(WidlTest, CompilesCleanlyIntoALibraryOfEveryTypeAndName) {
  EXPECT_EQ(diagnostics_, "") << "widl warned";
  ASSERT_GT(tlb_.size(), 4096u);
  EXPECT_EQ(tlb_.substr(0, 4), "MSFT");
  // The type library header: locale at 12, version (major | minor << 16) at 24,
  // the number of type descriptions at 32.
  const LibraryInfo& lib = Library();
  EXPECT_EQ(TlbWord(12), lib.lcid);
  EXPECT_EQ(TlbWord(24), lib.major_version | (uint32_t{lib.minor_version} << 16));
  const size_t types = Classes().size() + Interfaces().size() + EventInterfaces().size() + Enumerations().size() +
                       HostEnumerations().size();
  EXPECT_EQ(TlbWord(32), types);

  std::vector<std::string> names;
  for (const auto& c : Classes()) names.emplace_back(c.name);
  for (const auto& i : Interfaces()) names.emplace_back(i.name);
  for (const auto& i : EventInterfaces()) names.emplace_back(i.name);
  for (auto list : {Enumerations(), HostEnumerations()}) {
    for (const Enumeration& e : list) {
      names.emplace_back(e.name);
      for (const EnumMember& m : e.members) names.push_back(IdlIdentifier(m.name));
    }
  }
  for (const std::string& name : names) EXPECT_NE(tlb_.find(name), std::string::npos) << name;
}

// The header's vtables show the slot order widl actually laid out, and the IIDs it
// actually stored.
TEST_F(WidlTest, HeaderLaysOutEachInterfaceInSlotOrder) {
  static const std::regex method(R"(virtual HRESULT STDMETHODCALLTYPE (\w+)\()");
  const std::map<std::string, std::string> prefix = {
      {"method", ""}, {"propget", "get_"}, {"propput", "put_"}, {"propputref", "putref_"}};
  for (const Interface& iface : Interfaces()) {
    const std::string block =
        Block(header_, "MIDL_INTERFACE(\"" + LowerIid(iface.id) + "\")\n" + std::string(iface.name) + " :");
    ASSERT_FALSE(block.empty()) << iface.name << " with IID " << LowerIid(iface.id);
    std::vector<std::string> slots, expected;
    for (std::sregex_iterator it(block.begin(), block.end(), method), end; it != end; ++it)
      slots.push_back((*it)[1]);
    for (const auto& [a, m] : Accessors(iface)) expected.push_back(prefix.at(a) + std::string(m->name));
    EXPECT_EQ(slots, expected) << iface.name;
  }
  for (const EventInterface& iface : EventInterfaces()) {
    EXPECT_NE(header_.find("MIDL_INTERFACE(\"" + LowerIid(iface.id) + "\")\n" + std::string(iface.name) +
                           " : public IDispatch"),
              std::string::npos)
        << iface.name;
  }
}

}  // namespace
}  // namespace vitrelle
