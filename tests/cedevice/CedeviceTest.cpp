// The device tool, run as a program against devices in temporary folders.
#include <CePlatform/Device.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "cedevice/CedeviceRun.h"

namespace {

namespace fs = std::filesystem;
using namespace testing;
using namespace test;

TEST_F(Cedevice, InitAndTheDeviceACommandUses) {
    // CE_DEVICE names a device, which is not created when missing.
    const std::string env = "CE_DEVICE=" + Quote(device_);
    ExpectFailure(Run("info", "", env), device_);
    EXPECT_FALSE(fs::exists(device_));
    ASSERT_EQ(Run("init", "", env).status, 0);
    EXPECT_THAT(
        Run("info", "", env).out,
        AllOf(HasSubstr("SmartPhone"), HasSubstr("5.2 (build"), HasSubstr("aygshell.dll present"),
              HasSubstr((device_ / "device.db").string()), HasSubstr((device_ / "fs").string())));

    // A second init refuses and leaves the device as it was.
    const auto before = Snapshot(device_);
    ExpectFailure(Run("init --edition pocketpc --device=" + Quote(device_)), device_);
    EXPECT_EQ(Snapshot(device_), before);

    // --device wins over CE_DEVICE and may stand after the command; options take "=" too.
    ASSERT_EQ(Run("init --empty --edition=PocketPC --os 4.21.1000 --device pocket").status, 0);
    EXPECT_THAT(Run("info --device pocket", "", env).out,
                AllOf(HasSubstr("PocketPC"), HasSubstr("4.21 (build 1000)")));
    EXPECT_EQ(Run("--device pocket reg export").out, "REGEDIT4\n\n");
    EXPECT_THAT(Run("init --edition other --os=6.0 --device o").out, HasSubstr("Other 6.0.1236"));
}

TEST_F(Cedevice, RegistryQueryImportExportAndTheChangeLog) {
    Ok("init");
    EXPECT_EQ(Ok(R"(reg query 'HKLM\system\gwe\menu')"),
              "[HKEY_LOCAL_MACHINE\\System\\GWE\\Menu]\n\"AniType\"=dword:00000006\n");
    EXPECT_EQ(Ok(R"(reg query 'HKLM\System\GWE\Menu' anitype)"), "\"AniType\"=dword:00000006\n");
    EXPECT_EQ(Ok(R"(reg query 'HKCR\exefile' @)"), "@=\"Application\"\n");
    EXPECT_THAT(Ok(R"(reg query 'HKLM\System\GWE')"), Not(HasSubstr("AniType")));
    EXPECT_EQ(Ok("reg query HKLM"), "[HKEY_LOCAL_MACHINE]\n");  // a root without values of its own
    ExpectFailure(On(R"(reg query 'HKLM\No\Such')"), R"(HKEY_LOCAL_MACHINE\No\Such)");
    ExpectFailure(On(R"(reg query 'HKLM\System\GWE\Menu' Nope)"), "\"Nope\"");
    ExpectFailure(On(R"(reg query 'HKLM\System\GWE\Menu' @)"), "default value");
    ExpectFailure(On(R"(reg query 'HKX\System')"), "HKX");

    // A broken file changes nothing and names its line.
    const std::string seeded = Ok("reg export");
    test::WriteFileBytes(
        scratch_ / "broken.reg",
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\System\\GWE\\Menu]\n\"AniType\"=dword:0\n"
        "[HKEY_CURRENT_USER\\New]\n\"x\"=dword:123456789\n");
    ExpectFailure(On("reg import broken.reg"), "broken.reg: line 6:");
    ExpectFailure(On("reg import missing.reg"), "missing.reg");
    // What never ends is not read: only regular files and standard input, up to 64 MiB.
    ASSERT_EQ(mkfifo((scratch_ / "fifo").c_str(), 0600), 0);
    for (const char* source : {"/dev/zero", "fifo", "."}) {
        ExpectFailure(On(std::string("reg import ") + source), source);
    }
    test::WriteFileBytes(scratch_ / "huge.reg", "REGEDIT4\n");
    fs::resize_file(scratch_ / "huge.reg", (size_t{64} << 20) + 1);
    ExpectFailure(On("reg import huge.reg"), "huge.reg holds more than 64 MiB");
    ExpectFailure(On("reg import - </dev/zero"), "standard input holds more than 64 MiB");
    EXPECT_EQ(Ok("reg export"), seeded);
    EXPECT_EQ(Ok("changes"), "");  // neither the seed nor a failed import is a change

    // Each change is listed as "SEQ TIME PID KEY CHANGE", in order; hex data stays on one line.
    std::string big = "01";
    for (int i = 0; i < 59; ++i) big += ",02";
    Ok("reg import -", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\System\\GWE\\Menu]\n\"AniType\"=hex:" +
                           big + "\n[HKEY_CURRENT_USER\\ControlPanel\\Phone]\n\"ShowSim\"=-\n" +
                           "[HKEY_CURRENT_USER\\Software\\Fresh]\n@=\"new \\\"one\\\"\"\n");
    const std::regex prefix(R"(\d+ \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \d+ )");
    const std::string changes = Ok("changes");
    const std::string expected =
        "HKEY_LOCAL_MACHINE\\System\\GWE\\Menu \"AniType\" dword:00000006 -> hex:" + big + "\n" +
        "HKEY_CURRENT_USER\\ControlPanel\\Phone \"ShowSim\" dword:00000001 -> (absent)\n"
        "HKEY_CURRENT_USER\\Software\\Fresh (key created)\n"
        "HKEY_CURRENT_USER\\Software\\Fresh @ (absent) -> \"new \\\"one\\\"\"\n";
    EXPECT_EQ(std::regex_replace(changes, prefix, ""), expected) << changes;
    const std::string since = "changes --since=" + changes.substr(0, changes.find(' '));
    EXPECT_EQ(std::regex_replace(Ok(since), prefix, ""), expected.substr(expected.find('\n') + 1));

    const std::string original = Ok("reg export");
    // Names that a file cannot carry are left out and named; the rest of the export is whole, and
    // the status tells.
    SetOnDevice(HKEY_CURRENT_USER, u"Broken\nKey", u"v", probe::DwordValue(1));
    SetOnDevice(HKEY_CURRENT_USER, u"Software\\Fresh", u"two\nlines", probe::DwordValue(1));
    const Result partial = On("reg export");
    EXPECT_EQ(partial.status, 1);
    EXPECT_EQ(partial.out, original);
    EXPECT_EQ(partial.err,
              "cedevice: left out key HKEY_CURRENT_USER\\Broken\\nKey (a registry file cannot "
              "carry its name)\ncedevice: left out value \"two\\nlines\" of "
              "HKEY_CURRENT_USER\\Software\\Fresh (a registry file cannot carry its name)\n");

    // One key with its subkeys, named in any case.
    EXPECT_THAT(Ok("reg export 'hklm\\SYSTEM\\gwe'"),
                AllOf(StartsWith("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\System\\GWE]\n"),
                      HasSubstr("\n[HKEY_LOCAL_MACHINE\\System\\GWE\\Menu]\n"),
                      Not(HasSubstr("[HKEY_CURRENT_USER"))));
    ExpectFailure(On(R"(reg export 'HKLM\No\Such\Key')"), R"(HKEY_LOCAL_MACHINE\No\Such)");

    // A journal entry written through the platform, as the device's own code writes them.
    ce::UseDevice(device_);
    ce::CurrentDevice().AddJournalEntry("restart");
    ce::CloseDevice();
    EXPECT_TRUE(std::regex_match(
        Ok("journal"),
        std::regex(R"(\d+ \d{4}-\d\d-\d\dT[\d:.]+Z )" + std::to_string(getpid()) + " restart\n")));
}

TEST_F(Cedevice, FilesAndProfile) {
    Ok("init");
    test::WriteFileBytes(device_ / "fs/Windows/Start Menu/Alarm.lnk", "00#\"x\" y");
    test::WriteFileBytes(device_ / "fs/Windows/Start Menu/Empty.lnk", "");
    EXPECT_EQ(Ok("fs ls"), "<dir>\tProgram Files\\\n<dir>\tWindows\\\n");
    // A link is listed by its own name, never followed.
    fs::create_directory_symlink(scratch_, device_ / "fs/Windows/Start Menu/Outside");
    EXPECT_EQ(Ok(R"(fs ls '\windows\start menu')"),
              "8\tAlarm.lnk\n0\tEmpty.lnk\n<link>\tOutside\n<dir>\tPrograms\\\n");
    EXPECT_EQ(Ok("fs cat '/WINDOWS/Start Menu/alarm.LNK'"), "00#\"x\" y");
    EXPECT_EQ(Ok(R"(fs cat '\Windows\Start Menu\empty.lnk')"), "");
    ExpectFailure(On(R"(fs cat '\Windows')"), "is a folder");
    ExpectFailure(On(R"(fs cat '\..\device.db')"), "no such file");
    ExpectFailure(On(R"(fs ls '\Nowhere')"), "no such folder");

    Ok("profile set bluetooth 2");
    Ok("profile set module bag0: off");
    EXPECT_THAT(Ok("info"), AllOf(HasSubstr("bluetooth: 2 (discoverable)"),
                                  HasSubstr("module:    BAG0: absent"),
                                  HasSubstr("module:    BthUtil.dll present")));
    Ok("profile set module BAG0: on");
    EXPECT_THAT(Ok("info"), HasSubstr("module:    BAG0: present"));
}

// A device that its user cannot write (a read-only mount, a folder without write permission) is
// read as usual; a command that would write says that the device is read-only, naming it, and
// changes nothing.
TEST_F(Cedevice, AReadOnlyDeviceIsReadAndNeverWritten) {
    Ok("init");
    Ok("reg import -", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\New]\n\"v\"=dword:1\n");
    test::WriteFileBytes(device_ / "fs/Windows/Start Menu/Alarm.lnk", "link");
    const std::vector<std::string> reads({"info", "reg export", "reg query 'HKLM\\New'", "journal",
                                          "changes", "fs ls '\\Windows\\Start Menu'",
                                          "fs cat '\\Windows\\Start Menu\\Alarm.lnk'"});
    std::vector<std::string> outputs;
    for (const std::string& args : reads) outputs.push_back(Ok(args));

    fs::permissions(scratch_,
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    for (const fs::path& p : {device_, device_ / "device.db"})
        fs::permissions(p, fs::perms::owner_write, fs::perm_options::remove);
    const auto before = Snapshot(device_);
    // As a user whom file permissions stop: this process's own, or for root the user nobody.
    const auto reader = [this](const std::string& args, const std::string& input = "") {
        const char* nobody = "setpriv --reuid=65534 --regid=65534 --clear-groups";
        return Run("--device " + Quote(device_) + " " + args, input, geteuid() == 0 ? nobody : "");
    };
    for (size_t i = 0; i < reads.size(); ++i) {
        const Result r = reader(reads[i]);
        if (r.err.starts_with("setpriv")) GTEST_SKIP() << "cannot run as a user who may not write";
        EXPECT_EQ(r.status, 0) << reads[i] << ": " << r.err;
        EXPECT_EQ(r.out, outputs[i]) << reads[i];
    }
    const std::string readOnly = "the device " + device_.string() + " is read-only";
    ExpectFailure(reader("reg import -", "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n"), readOnly);
    ExpectFailure(reader("profile set module BAG0: off"), readOnly);
    EXPECT_EQ(Snapshot(device_), before);
}

TEST_F(Cedevice, BadUsageAndFoldersThatAreNoDeviceTouchNothing) {
    fs::create_directories(device_ / "sub");
    test::WriteFileBytes(device_ / "notes.txt", "keep me");
    auto before = Snapshot(device_);
    // Every command's bad usage is told before the device is opened.
    const auto usage = [this](std::initializer_list<const char*> list) {
        for (const char* args : list) ExpectFailure(On(args), "--help", 2);
    };
    usage({"", "frobnicate", "init --edition desktop", "init --os 5", "init --os 5.2.99999999999",
           "init --bogus", "info --device", "reg rename", "reg query", "tap", "tap a b"});
    usage({"fs", "fs rm x", "fs cat", "fs ls a b", "profile", "profile get bluetooth",
           "profile set bluetooth on", "profile set bluetooth -1", "profile set module",
           "profile set bluetooth 99999999999", "profile set module foo.dll on",
           "profile set module BAG0: yes", "tweaks --all"});
    usage({"changes --since -1", "changes --reg --since -1", "changes --undo --since x",
           "changes --format", "changes --reg extra", "snapshot", "snapshot frob x",
           "snapshot save", "snapshot save a b", "snapshot list x", "snapshot restore"});
    ExpectFailure(On("changes --format json"), "unknown change file format \"json\"", 2);
    for (const char* args : {"reg export --json", "fs ls --json", "snapshot save x --json"})
        ExpectFailure(On(args), "--json is taken by", 2);
    EXPECT_THAT(Run("--help").out, HasSubstr("usage: cedevice"));
    for (const char* args : {"info", "reg import -", "init"})
        ExpectFailure(On(args, "REGEDIT4\n"), device_);
    EXPECT_EQ(Snapshot(device_), before);

    test::WriteFileBytes(device_ / "device.db", std::string(4096, 'Z'));  // not a database
    before = Snapshot(device_);
    for (const char* args : {"info", "reg query HKLM", "journal", "reg import -"})
        ExpectFailure(On(args, "REGEDIT4\n"), device_ / "device.db");
    EXPECT_EQ(Snapshot(device_), before);
}

}  // namespace
