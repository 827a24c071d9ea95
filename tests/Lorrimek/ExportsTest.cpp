// The shared library exports exactly its interface: the factory, one tweak's first backup,
// CLorrimek, fnLorrimek and nLorrimek, and nothing of its internals or of the standard library.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace {

TEST(ExportsTest, LibraryExportsExactlyItsInterface) {
    // The demangled names of the symbols that the library defines and exports, without version
    // suffixes or ABI tags; absolute symbols (version nodes) are in no section and left out.
    const std::string command =
        std::string("nm -D --defined-only -C '") + LORRIMEK_LIBRARY_PATH + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::string output;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof(chunk), pipe.get())) > 0;) output.append(chunk, n);
    ASSERT_EQ(pclose(pipe.release()), 0) << output;

    std::set<std::string> names;  // constructor and destructor variants share one name
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        // "<address> <type> <name>", the name possibly with spaces and a version suffix.
        std::istringstream fields(line);
        std::string address, name;
        char type = 0;
        if (!(fields >> address >> type) || type == 'A' || type == 'U') continue;
        std::getline(fields >> std::ws, name);
        name.erase(std::min(name.find('@'), name.size()));
        for (size_t tag; (tag = name.find("[abi:")) != std::string::npos;) {
            name.erase(tag, name.find(']', tag) + 1 - tag);
        }
        names.insert(name);
    }
    EXPECT_EQ(names, (std::set<std::string>{
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
