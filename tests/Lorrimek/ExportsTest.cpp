// The shared library exports exactly its interface: the factory, one tweak's first backup,
// CLorrimek, fnLorrimek and nLorrimek, and nothing of its internals or of the standard library.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace {

// The names (demangled) of the symbols that the library itself defines and exports, as
// `nm -D --defined-only -C` lists them, without version suffixes or ABI tags. Absolute symbols
// (version nodes) are not part of any section and are left out.
std::set<std::string> ExportedNames(std::string* output) {
    const std::string command =
        std::string("nm -D --defined-only -C '") + LORRIMEK_LIBRARY_PATH + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return {};
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof(chunk), pipe.get())) > 0;) output->append(chunk, n);
    if (pclose(pipe.release()) != 0) return {};

    std::set<std::string> names;
    std::istringstream lines(*output);
    for (std::string line; std::getline(lines, line);) {
        // "<address> <type> <name>", the name possibly with spaces and a version suffix.
        std::istringstream fields(line);
        std::string address, name;
        char type = 0;
        if (!(fields >> address >> type) || type == 'A' || type == 'U') continue;
        std::getline(fields >> std::ws, name);
        if (const size_t at = name.find('@'); at != std::string::npos) name.erase(at);
        for (size_t tag; (tag = name.find("[abi:")) != std::string::npos;) {
            name.erase(tag, name.find(']', tag) + 1 - tag);
        }
        names.insert(name);  // constructor and destructor variants share one name
    }
    return names;
}

TEST(ExportsTest, LibraryExportsExactlyItsInterface) {
    std::string output;
    EXPECT_EQ(ExportedNames(&output),
              (std::set<std::string>{
                  "CTweakersFactory::CTweakersFactory()",
                  "CTweakersFactory::~CTweakersFactory()",
                  "CTweakersFactory::GetAllTweaks() const",
                  "CTweakersFactory::GetTweakByID(CWideString const&) const",
                  "CTweakersFactory::DoBackupIfNeeded()",
                  "CTweakBase::DoBackupIfNeeded()",
                  "CLorrimek::CLorrimek()",
                  "CLorrimek::operator=(CLorrimek const&)",
                  "fnLorrimek()",
                  "nLorrimek",
              }))
        << output;
}

}  // namespace
