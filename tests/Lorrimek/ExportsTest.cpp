// The shared library exports exactly its interface: the factory, one tweak's first backup,
// CLorrimek, fnLorrimek and nLorrimek, and nothing of its internals or of the standard library.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/Exports.h"

namespace {

TEST(ExportsTest, LibraryExportsExactlyItsInterface) {
    std::string output;
    const std::set<std::string> names = test::ExportedNames(LORRIMEK_LIBRARY_PATH, &output);
    EXPECT_EQ(names,
              (std::set<std::string>{
                  "CTweakersFactory::CTweakersFactory()", "CTweakersFactory::~CTweakersFactory()",
                  "CTweakersFactory::GetAllTweaks() const",
                  "CTweakersFactory::GetTweakByID(CWideString const&) const",
                  "CTweakersFactory::DoBackupIfNeeded()", "CTweakBase::DoBackupIfNeeded()",
                  "CLorrimek::CLorrimek()", "CLorrimek::operator=(CLorrimek const&)",
                  "fnLorrimek()", "nLorrimek"}))
        << output;
}

}  // namespace
