// The symbols that a shared library exports, for the tests that check a library's export list.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>

namespace test {

// A demangled name with the standard library's types written as code writes them.
inline std::string Readable(std::string name) {
    static const std::pair<std::string, std::string> kAliases[] = {
        {"std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >",
         "std::string"},
        {"std::__cxx11::basic_string<char16_t, std::char_traits<char16_t>, "
         "std::allocator<char16_t> >",
         "std::u16string"},
        {"std::basic_string_view<char, std::char_traits<char> >", "std::string_view"},
        {"std::basic_string_view<char16_t, std::char_traits<char16_t> >", "std::u16string_view"},
        {"std::filesystem::__cxx11::path", "std::filesystem::path"}};
    for (const auto& [spelled, alias] : kAliases) {
        for (size_t at; (at = name.find(spelled)) != std::string::npos;) {
            name.replace(at, spelled.size(), alias);
        }
    }
    static const std::regex kVector(R"(std::vector<(.+?), std::allocator<\1 ?> >)");
    return std::regex_replace(name, kVector, "std::vector<$1>");
}

// The Readable() names, without version suffixes or ABI tags, of the symbols that the library at
// `path` defines and exports (version nodes left out); `output` gets nm's output, for messages.
inline std::set<std::string> ExportedNames(const std::string& path, std::string* output) {
    const std::string command = "nm -D --defined-only -C '" + path + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    EXPECT_TRUE(pipe);
    if (!pipe) return {};
    output->clear();
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof(chunk), pipe.get())) > 0;) output->append(chunk, n);
    EXPECT_EQ(pclose(pipe.release()), 0) << *output;

    std::set<std::string> names;
    std::istringstream lines(*output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);  // "<address> <type> <name>[@version]"
        std::string address, name;
        char type = 0;
        if (!(fields >> address >> type) || type == 'A' || type == 'U') continue;
        std::getline(fields >> std::ws, name);
        name.erase(std::min(name.find('@'), name.size()));
        for (size_t tag; (tag = name.find("[abi:")) != std::string::npos;) {
            name.erase(tag, name.find(']', tag) + 1 - tag);
        }
        names.insert(Readable(name));
    }
    return names;
}

}  // namespace test
