// The plug-in's shared object exports every member that the host's framework expects to find in
// it (tests/data/plugin_exports.txt), so that a later change cannot drop one silently: an inline
// definition in a header, a member moved to the host library, a visibility attribute lost.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/support/MonitorTestAccess.h"

namespace fs = std::filesystem;

namespace {

// Writes standard strings the short way, as the list does.
std::string Shorten(std::string line) {
    const std::pair<std::string, std::string> names[] = {
        {"std::__cxx11::basic_string<wchar_t, std::char_traits<wchar_t>, std::allocator<wchar_t> >", "std::wstring"},
        {"std::basic_string<wchar_t, std::char_traits<wchar_t>, std::allocator<wchar_t> >", "std::wstring"},
        {"std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >", "std::string"},
        {"std::basic_string<char, std::char_traits<char>, std::allocator<char> >", "std::string"},
    };
    for (const auto& [longName, shortName] : names)
        for (size_t at = line.find(longName); at != std::string::npos; at = line.find(longName, at))
            line.replace(at, longName.size(), shortName);
    return line;
}

std::vector<std::string> RequiredExports() {
    std::ifstream in(fs::path(MONITOR_SOURCE_DIR) / "tests" / "data" / "plugin_exports.txt");
    std::vector<std::string> required;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') required.push_back(line);
    return required;
}

// The demangled names of the symbols that the shared object defines and exports, read with the
// toolchain's nm ("ADDRESS TYPE NAME" a line).
std::set<std::string> DefinedExports(const fs::path& library, const fs::path& scratch) {
    const fs::path listing = scratch / "exports.txt";
    const std::string command = std::string("\"") + MONITOR_NM + "\" -DC --defined-only \"" + library.string() +
                                "\" > \"" + listing.string() + "\"";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::set<std::string> names;
    std::ifstream in(listing);
    for (std::string line; std::getline(in, line);) {
        const size_t type = line.find(' ');
        if (type == std::string::npos || type + 3 > line.size()) continue;
        names.insert(Shorten(line.substr(type + 3)));
    }
    return names;
}

TEST(PluginExports, EveryRequiredMemberIsDefinedAndExported) {
    const std::vector<std::string> required = RequiredExports();
    ASSERT_FALSE(required.empty());
    ScratchHost scratch;
    const std::set<std::string> exported = DefinedExports(MONITOR_PLUGIN_FILE, scratch.Dir());
    ASSERT_FALSE(exported.empty());
    for (const std::string& name : required) EXPECT_TRUE(exported.count(name)) << "not exported: " << name;
}

// The plug-in is a guest in the host's process: neither library may bring the HTTP library (and
// the TLS stack behind it) in at load time. The download backend loads it on its first use, so
// neither shared object refers to one of its functions.
TEST(PluginExports, NeitherLibraryNeedsTheHttpLibraryAtLoadTime) {
    ScratchHost scratch;
    const fs::path listing = scratch.Dir() / "undefined.txt";
    const std::string command = std::string("\"") + MONITOR_NM + "\" -D --undefined-only \"" + MONITOR_PLUGIN_FILE +
                                "\" \"" + MONITOR_HOST_FILE + "\" > \"" + listing.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(listing);
    int lines = 0;
    for (std::string line; std::getline(in, line); ++lines) EXPECT_EQ(line.find("curl_"), std::string::npos) << line;
    EXPECT_GT(lines, 0);
}

}  // namespace
