// The shared library exports exactly its interface: the factory, CLorrimek, fnLorrimek and
// nLorrimek, and nothing of its internals or of the standard library.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace {

struct Symbol {
    char type;
    std::string name;  // demangled
};

// The symbols that the library itself defines and exports, as `nm -D --defined-only -C` lists
// them. Absolute symbols (version nodes) are not part of any section and are left out.
std::vector<Symbol> ExportedSymbols(std::string* error) {
    const std::string command =
        std::string("nm -D --defined-only -C '") + LORRIMEK_LIBRARY_PATH + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
        *error = "cannot run nm";
        return {};
    }
    std::string output;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), pipe.get())) > 0) output.append(chunk, n);
    const int status = pclose(pipe.release());
    if (status != 0) {
        *error = "nm failed: " + output;
        return {};
    }

    std::vector<Symbol> symbols;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        // "<address> <type> <name>", the name possibly with spaces and a version suffix.
        std::istringstream fields(line);
        std::string address;
        char type = 0;
        if (!(fields >> address >> type)) continue;
        std::string name;
        std::getline(fields >> std::ws, name);
        if (const size_t at = name.find('@'); at != std::string::npos) name.erase(at);
        // ABI tags ("[abi:cxx11]" on members returning a standard list) are not part of the name.
        for (size_t tag; (tag = name.find("[abi:")) != std::string::npos;) {
            name.erase(tag, name.find(']', tag) + 1 - tag);
        }
        if (type == 'A' || type == 'U') continue;
        symbols.push_back({type, name});
    }
    return symbols;
}

TEST(ExportsTest, LibraryExportsExactlyItsInterface) {
    const std::set<std::string> expected = {
        "CTweakersFactory::CTweakersFactory()",
        "CTweakersFactory::~CTweakersFactory()",
        "CTweakersFactory::GetAllTweaks() const",
        "CTweakersFactory::GetTweakByID(CWideString const&) const",
        "CTweakersFactory::DoBackupIfNeeded()",
        "CLorrimek::CLorrimek()",
        "CLorrimek::operator=(CLorrimek const&)",
        "fnLorrimek()",
        "nLorrimek",
    };
    std::string error;
    const std::vector<Symbol> symbols = ExportedSymbols(&error);
    ASSERT_TRUE(error.empty()) << error;

    // Constructor and destructor variants (complete and base object) share one demangled name.
    std::set<std::string> found;
    for (const Symbol& symbol : symbols) {
        EXPECT_TRUE(expected.count(symbol.name))
            << "unexpected export (" << symbol.type << "): " << symbol.name;
        found.insert(symbol.name);
    }
    for (const std::string& name : expected) {
        EXPECT_TRUE(found.count(name)) << "missing export: " << name;
    }
}

}  // namespace
