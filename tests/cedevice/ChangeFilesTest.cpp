// The device tool's change files (`changes --reg`, `--undo`, `--format provxml`) and its import of
// the registry files that people share.
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "cedevice/CedeviceRun.h"

namespace {

using namespace testing;
using namespace test;

// The seeded device, then one import: a value changed, a value added to a new key, a seeded key
// deleted.
class ChangeFiles : public Cedevice {
protected:
    void SetUp() override {
        Cedevice::SetUp();
        Ok("init");
        seeded_ = Ok("reg export");
        Ok("reg import -",
           "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\System\\GWE\\Menu]\n\"AniType\"=dword:00000002\n"
           "[HKEY_CURRENT_USER\\Software\\New]\n\"Multi\"=hex(7):41,00,00,00,42,00,00,00,00,00\n"
           "[-HKEY_CURRENT_USER\\ControlPanel\\Phone]\n");
    }

    // The number of the change log's last entry.
    int64_t LastSeq() {
        const std::string changes = Ok("changes");
        return std::stoll(changes.substr(changes.rfind('\n', changes.size() - 2) + 1));
    }

    std::string seeded_;
};

TEST_F(ChangeFiles, TheChangeFileAndTheUndoFileApplyAsAPhoneWouldApplyThem) {
    const std::string forward =
        "REGEDIT4\n\n"
        "[-HKEY_CURRENT_USER\\ControlPanel\\Phone]\n\n"
        "[HKEY_CURRENT_USER\\Software\\New]\n"
        "\"Multi\"=hex(7):41,00,00,00,42,00,00,00,00,00\n\n"
        "[HKEY_LOCAL_MACHINE\\System\\GWE\\Menu]\n\"AniType\"=dword:00000002\n\n";
    const std::string undo =
        "REGEDIT4\n\n"
        "[HKEY_CURRENT_USER\\ControlPanel\\Phone]\n"
        "\"CallHistoryMax\"=dword:00000064\n\"Keypad\"=dword:00000000\n"
        "\"ShowCallDuration\"=dword:00000001\n\"ShowSim\"=dword:00000001\n\n"
        "[-HKEY_CURRENT_USER\\Software\\New]\n\n"
        "[HKEY_LOCAL_MACHINE\\System\\GWE\\Menu]\n\"AniType\"=dword:00000006\n\n";
    EXPECT_EQ(Ok("changes --since 0 --reg"), forward);
    EXPECT_EQ(Ok("changes --format=reg"), forward);
    EXPECT_EQ(Ok("changes --undo"), undo);
    EXPECT_EQ(Ok("changes --since 0 --reg --undo"), undo);
    // Provisioning XML says the same change, and its undo the change back.
    EXPECT_THAT(Ok("changes --format provxml"),
                AllOf(StartsWith("<wap-provisioningdoc>\n"),
                      HasSubstr("<parm name=\"AniType\" value=\"2\" datatype=\"integer\"/>")));
    EXPECT_THAT(Ok("changes --format provxml --undo"),
                HasSubstr("<parm name=\"AniType\" value=\"6\" datatype=\"integer\"/>"));

    // The undo file takes the device back, and its own change since then is the undo file.
    const std::string seq = std::to_string(LastSeq());
    Ok("reg import -", undo);
    EXPECT_EQ(Ok("reg export"), seeded_);
    EXPECT_EQ(Ok("changes --since " + seq + " --reg"), undo);
}

TEST_F(ChangeFiles, WhatAFileCannotCarryIsNamedAndABadSequenceNumberRefused) {
    // A value whose name holds a line break, and one that XML cannot say.
    ce::UseDevice(device_);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\New", 0, nullptr, 0, 0,
                                             nullptr, &key, nullptr));
    const BYTE expand[] = {'%', 0, 0, 0};
    const DWORD one = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"two\nlines", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&one), 4));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"Path", 0, REG_EXPAND_SZ, expand, 4));
    RegCloseKey(key);
    ce::CloseDevice();

    Result r = On("changes --reg");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.out, AllOf(HasSubstr("\"Path\"=hex(2):25,00,00,00\n"), Not(HasSubstr("two"))));
    EXPECT_EQ(r.err,
              "cedevice: left out value \"two\\nlines\" of HKEY_CURRENT_USER\\Software\\New (a "
              "registry file cannot carry its name)\n");
    r = On("changes --format provxml");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.out,
                AllOf(HasSubstr("<parm name=\"two&#10;lines\" value=\"1\" datatype=\"integer\"/>"),
                      Not(HasSubstr("Path"))));
    EXPECT_EQ(r.err,
              "cedevice: left out value \"Path\" of HKEY_CURRENT_USER\\Software\\New "
              "(REG_EXPAND_SZ has no datatype in provisioning XML)\n");

    // A sequence number beyond the log's end fails; a malformed one is bad usage.
    const int64_t end = LastSeq();
    ExpectFailure(On("changes --reg --since " + std::to_string(end + 1)),
                  "no change " + std::to_string(end + 1) + " in the change log of " +
                      device_.string() + ": its last change is " + std::to_string(end));
    EXPECT_EQ(Ok("changes --reg --since " + std::to_string(end)), "REGEDIT4\n\n");
    for (const char* args : {"changes --reg --since -1", "changes --undo --since x",
                             "changes --format", "changes --reg extra"}) {
        ExpectFailure(On(args), "--help", 2);
    }
    ExpectFailure(On("changes --format json"), "unknown change file format \"json\"", 2);
}

// A tweak file as a desktop registry editor saves it: UTF-16LE with a byte-order mark and CRLF,
// comments after the data, a backslash that is no escape.
TEST_F(Cedevice, ASharedFileImportsWithAWarningAndANameNoExportCouldWriteIsRefused) {
    Ok("init");
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Shared]\r\n"
        "\"Hidden\"=dword:00000001 ; Show hidden files\r\n"
        "\"Columns\\RootFolder\"=hex:01,02,\\\r\n  03 ; continued\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : text) utf16 += std::string{c, '\0'};
    test::WriteFileBytes(scratch_ / "shared.reg", utf16);
    const Result r = On("reg import shared.reg");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "cedevice: shared.reg: line 5: unknown escape \"\\R\" kept as written\n");
    EXPECT_EQ(Ok(R"(reg query 'HKCU\Software\Shared')"),
              "[HKEY_CURRENT_USER\\Software\\Shared]\n\"Columns\\\\RootFolder\"=hex:01,02,03\n"
              "\"Hidden\"=dword:00000001\n");

    const auto untouched = Snapshot(device_);
    ExpectFailure(
        On("reg import -", "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"ok\"=dword:1\n\"a\rb\"=dword:1\n"),
        "standard input: line 4: the value name holds a carriage return");
    EXPECT_EQ(Snapshot(device_), untouched);
}

}  // namespace
