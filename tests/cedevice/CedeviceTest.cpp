// The device tool, run as a program against devices in temporary folders.
#include <CePlatform/Device.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/TempDevice.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Every file below a folder with its contents, to show that nothing was touched.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        files[e.path().string()] = e.is_regular_file() ? ReadFile(e.path()) : "<dir>";
    }
    return files;
}

class Cedevice : public testing::Test {
protected:
    void SetUp() override {
        scratch_ = test::MakeTempFolder("cedevice");
        device_ = scratch_ / "device";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(scratch_, ignored);
    }

    // Runs the tool in the test's environment (no CE_DEVICE) plus `env` ("NAME=value").
    Result Run(const Args& args, const std::string& input = "", const std::string& env = "") {
        WriteFile(scratch_ / "stdin", input);
        std::string command = env + " " + ShellQuote(CEDEVICE_PATH);
        for (const std::string& a : args) command += " " + ShellQuote(a);
        command += " <" + ShellQuote(scratch_ / "stdin") + " >" + ShellQuote(scratch_ / "stdout") +
                   " 2>" + ShellQuote(scratch_ / "stderr");
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw),
                ReadFile(scratch_ / "stdout"), ReadFile(scratch_ / "stderr")};
    }

    // Runs a command on the test's device.
    Result On(Args args, const std::string& input = "") {
        args.insert(args.begin(), {"--device", device_.string()});
        return Run(args, input);
    }

    std::string Export() {
        const Result r = On({"reg", "export"});
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    fs::path scratch_;
    fs::path device_;
};

// A failure: status 1 and a one-line message naming `what`.
void ExpectFailure(const Result& r, const std::string& what) {
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err.rfind("cedevice: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(what), std::string::npos) << r.err;
}

TEST_F(Cedevice, InitCreatesADeviceOnceWithTheProfileAsked) {
    ASSERT_EQ(On({"init"}).status, 0);
    Result r = On({"info"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string& part :
         {std::string("SmartPhone"), std::string("5.2 (build"), std::string("aygshell.dll present"),
          (device_ / "device.db").string(), (device_ / "fs").string()}) {
        EXPECT_NE(r.out.find(part), std::string::npos) << part << " in " << r.out;
    }
    EXPECT_NE(Export().find("[HKEY_LOCAL_MACHINE\\System\\GWE\\Menu]"), std::string::npos);

    // A second init refuses and leaves the device as it was.
    const auto before = Snapshot(device_);
    ExpectFailure(Run({"init", "--edition", "pocketpc", "--device=" + device_.string()}),
                  device_.string());
    EXPECT_EQ(Snapshot(device_), before);

    // --device may stand after the command; options take "=" too.
    const fs::path other = scratch_ / "pocket";
    r = Run({"init", "--empty", "--edition=PocketPC", "--os", "4.21.1000", "--device", other});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run({"info", "--device", other});
    EXPECT_NE(r.out.find("PocketPC"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("4.21 (build 1000)"), std::string::npos) << r.out;
    EXPECT_EQ(Run({"--device", other, "reg", "export"}).out, "REGEDIT4\n\n");

    ASSERT_EQ(Run({"init", "--edition", "other", "--os=6.0", "--device", scratch_ / "o"}).status,
              0);
    EXPECT_NE(Run({"info", "--device", scratch_ / "o"}).out.find("Other"), std::string::npos);
}

TEST_F(Cedevice, BadUsageExitsWithTwoAndTouchesNothing) {
    for (const Args& args : std::vector<Args>{{},
                                              {"frobnicate"},
                                              {"init", "--edition", "desktop"},
                                              {"init", "--os", "5"},
                                              {"init", "--os", "5.2.99999999999"},
                                              {"init", "--bogus"},
                                              {"reg", "rename"},
                                              {"reg", "query"},
                                              {"changes", "--since", "-1"},
                                              {"info", "--device"}}) {
        const Result r = On(args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args) << r.err;
        EXPECT_EQ(r.err.rfind("cedevice: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(device_));
    EXPECT_NE(Run({"--help"}).out.find("usage: cedevice"), std::string::npos);
}

TEST_F(Cedevice, ExportImportRoundTripIsExact) {
    ASSERT_EQ(On({"init"}).status, 0);
    std::string big = "00";
    for (int i = 1; i < 200; ++i) big += ",ff";
    WriteFile(scratch_ / "extra.reg",
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Odd \xC3\xA9]\n"
              "\"s\"=\"a \\\"q\\\" \\\\ \xE4\xB8\xAD\"\n"
              "\"nul\"=hex(1):41,00,00,00,42,00,00,00\n"
              "\"short\"=hex(4):01,02\n"
              "\"big\"=hex:" +
                  big + "\n");
    ASSERT_EQ(On({"reg", "import", (scratch_ / "extra.reg").string()}).status, 0);
    const std::string original = Export();

    // Into an empty device the same registry comes back.
    const fs::path copy = scratch_ / "copy";
    ASSERT_EQ(Run({"init", "--empty", "--device", copy}).status, 0);
    const Result r = Run({"--device", copy, "reg", "import", "-"}, original);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Run({"--device", copy, "reg", "export"}).out, original);

    // One key with its subkeys, named in any case.
    const std::string one = On({"reg", "export", "hkcu\\SOFTWARE\\odd \xC3\xA9"}).out;
    EXPECT_EQ(one.rfind("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Odd \xC3\xA9]\n", 0), 0u);
    EXPECT_NE(one.find("\"nul\"=hex(1):41,00,00,00,42,00,00,00\n"), std::string::npos);
    EXPECT_EQ(one.find("[HKEY_LOCAL_MACHINE"), std::string::npos);

    ExpectFailure(On({"reg", "export", "HKLM\\No\\Such\\Key"}), "HKEY_LOCAL_MACHINE\\No\\Such");
    ExpectFailure(On({"reg", "export", "HKEY_USERS\\x"}), "HKEY_USERS");
}

TEST_F(Cedevice, ABrokenFileChangesNothingAndNamesItsLine) {
    ASSERT_EQ(On({"init"}).status, 0);
    const std::string before = Export();
    WriteFile(scratch_ / "broken.reg",
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\System\\GWE\\Menu]\n\"AniType\"=dword:0\n"
              "[HKEY_CURRENT_USER\\New]\n\"x\"=dword:123456789\n");
    ExpectFailure(On({"reg", "import", (scratch_ / "broken.reg").string()}), "broken.reg: line 6:");
    EXPECT_EQ(Export(), before);
    EXPECT_EQ(On({"changes"}).out, "");
    ExpectFailure(On({"reg", "import", (scratch_ / "missing.reg").string()}), "missing.reg");
}

TEST_F(Cedevice, QueryShowsOneKeyOrOneValue) {
    ASSERT_EQ(On({"init"}).status, 0);
    Result r = On({"reg", "query", "HKLM\\system\\gwe\\menu"});
    EXPECT_EQ(r.out, "[HKEY_LOCAL_MACHINE\\System\\GWE\\Menu]\n\"AniType\"=dword:00000006\n");
    r = On({"reg", "query", "HKEY_LOCAL_MACHINE\\System\\GWE\\Menu", "anitype"});
    EXPECT_EQ(r.out, "\"AniType\"=dword:00000006\n");
    EXPECT_EQ(On({"reg", "query", "HKCR\\exefile", "@"}).out, "@=\"Application\"\n");
    // The key's own values only, not those of its subkeys.
    EXPECT_EQ(On({"reg", "query", "HKLM\\System\\GWE"}).out.find("AniType"), std::string::npos);

    ExpectFailure(On({"reg", "query", "HKLM\\No\\Such"}), "HKEY_LOCAL_MACHINE\\No\\Such");
    ExpectFailure(On({"reg", "query", "HKLM\\System\\GWE\\Menu", "Nope"}), "\"Nope\"");
    ExpectFailure(On({"reg", "query", "HKLM\\System\\GWE\\Menu", "@"}), "default value");
    ExpectFailure(On({"reg", "query", "HKX\\System"}), "HKX");
}

TEST_F(Cedevice, JournalAndChangesListOneEntryALine) {
    ASSERT_EQ(On({"init"}).status, 0);
    EXPECT_EQ(On({"changes"}).out, "");  // the seed is not a change
    std::string big = "01";
    for (int i = 0; i < 59; ++i) big += ",02";
    const Result w =
        On({"reg", "import", "-"},
           "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\System\\GWE\\Menu]\n\"AniType\"=hex:" + big +
               "\n[HKEY_CURRENT_USER\\ControlPanel\\Phone]\n\"ShowSim\"=-\n"
               "[HKEY_CURRENT_USER\\Software\\Fresh]\n@=\"new \\\"one\\\"\"\n");
    ASSERT_EQ(w.status, 0) << w.err;

    const std::regex line(R"((\d+) \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \d+ (.*))");
    std::set<std::string> changes;
    std::vector<std::string> seqs;
    for (const std::string& l : Lines(On({"changes"}).out)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(l, m, line)) << l;
        seqs.push_back(m[1]);
        changes.insert(m[2]);
    }
    EXPECT_EQ(changes, (std::set<std::string>{
                           "HKEY_LOCAL_MACHINE\\System\\GWE\\Menu \"AniType\" dword:00000006 -> "
                           "hex:" +
                               big,
                           "HKEY_CURRENT_USER\\ControlPanel\\Phone \"ShowSim\" dword:00000001 -> "
                           "(absent)",
                           "HKEY_CURRENT_USER\\Software\\Fresh (key created)",
                           "HKEY_CURRENT_USER\\Software\\Fresh @ (absent) -> \"new \\\"one\\\"\"",
                       }));
    ASSERT_FALSE(seqs.empty());
    EXPECT_EQ(Lines(On({"changes", "--since", seqs.front()}).out).size(), seqs.size() - 1);
    EXPECT_EQ(On({"changes", "--since=" + seqs.back()}).out, "");

    // A journal entry written through the platform, as the device's own code writes them.
    ce::UseDevice(device_);
    ce::CurrentDevice().AddJournalEntry("restart");
    ce::CloseDevice();
    const std::vector<std::string> journal = Lines(On({"journal"}).out);
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_TRUE(std::regex_match(journal[0], std::regex(R"(\d+ \d{4}-\d\d-\d\dT[\d:.]+Z )" +
                                                        std::to_string(getpid()) + " restart")))
        << journal[0];
}

TEST_F(Cedevice, DeviceComesFromTheEnvironmentOrTheDefaultFolder) {
    const char* data = std::getenv("XDG_DATA_HOME");
    ASSERT_NE(data, nullptr);
    const fs::path defaultDevice = fs::path(data) / "cedevice" / "default";
    std::error_code ignored;
    fs::remove_all(defaultDevice, ignored);

    // With neither --device nor CE_DEVICE the default device is created on first use.
    EXPECT_EQ(Run({"reg", "query", "HKLM\\System\\GWE\\Menu"}).status, 0);
    EXPECT_TRUE(fs::exists(defaultDevice / "device.db"));

    // CE_DEVICE names a device, which is not created when missing; --device wins over it.
    const std::string env = "CE_DEVICE=" + ShellQuote(device_.string());
    ExpectFailure(Run({"info"}, "", env), device_.string());
    EXPECT_FALSE(fs::exists(device_));
    ASSERT_EQ(Run({"init", "--empty"}, "", env).status, 0);
    EXPECT_TRUE(fs::exists(device_ / "device.db"));
    EXPECT_NE(Run({"info", "--device", defaultDevice}, "", env).out.find(defaultDevice.string()),
              std::string::npos);
    fs::remove_all(defaultDevice, ignored);
}

TEST_F(Cedevice, FoldersThatAreNoDeviceGiveAClearErrorAndStayUntouched) {
    fs::create_directories(device_ / "sub");
    WriteFile(device_ / "notes.txt", "keep me");
    const auto before = Snapshot(device_);
    for (const Args& args : std::vector<Args>{{"info"}, {"reg", "import", "-"}, {"init"}}) {
        ExpectFailure(On(args, "REGEDIT4\n"), device_.string());
    }
    EXPECT_EQ(Snapshot(device_), before);

    std::string junk;
    for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) & 0xFF);
    fs::remove_all(device_);
    fs::create_directories(device_);
    WriteFile(device_ / "device.db", junk);
    for (const Args& args : std::vector<Args>{{"info"}, {"reg", "query", "HKLM"}, {"journal"}}) {
        ExpectFailure(On(args), (device_ / "device.db").string());
    }
    EXPECT_EQ(ReadFile(device_ / "device.db"), junk);
    EXPECT_EQ(Snapshot(device_).size(), 1u);
}

}  // namespace
