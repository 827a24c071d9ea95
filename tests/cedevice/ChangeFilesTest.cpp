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
};

// Each form of the change since a sequence number, and of its undo (the files' whole contents
// are the platform's).
TEST_F(ChangeFiles, EachFormWritesTheChangeOrItsUndo) {
    const std::string forward = "\"AniType\"=dword:00000002\n";
    const std::string undo = "\"AniType\"=dword:00000006\n";
    for (const char* args : {"changes --since 0 --reg", "changes --format=reg"}) {
        EXPECT_THAT(Ok(args), AllOf(StartsWith("REGEDIT4\n\n[-HKEY_CURRENT_USER\\ControlPanel"),
                                    HasSubstr(forward)))
            << args;
    }
    for (const char* args : {"changes --undo", "changes --since 0 --reg --undo"}) {
        EXPECT_THAT(Ok(args),
                    AllOf(StartsWith("REGEDIT4\n\n[HKEY_CURRENT_USER\\ControlPanel"),
                          HasSubstr("[-HKEY_CURRENT_USER\\Software\\New]"), HasSubstr(undo)))
            << args;
    }
    EXPECT_THAT(Ok("changes --format provxml"),
                AllOf(StartsWith("<wap-provisioningdoc>\n"),
                      HasSubstr("<parm name=\"AniType\" value=\"2\" datatype=\"integer\"/>")));
    EXPECT_THAT(Ok("changes --format provxml --undo"),
                HasSubstr("<parm name=\"AniType\" value=\"6\" datatype=\"integer\"/>"));
    EXPECT_EQ(Ok("changes --reg --since " + std::to_string(LastSeq())), "REGEDIT4\n\n");
}

TEST_F(ChangeFiles, WhatAFileCannotCarryIsNamedAndABadSequenceNumberRefused) {
    // A value whose name holds a line break, and one that XML cannot say.
    SetOnDevice(HKEY_CURRENT_USER, u"Software\\New", u"two\nlines", probe::DwordValue(1));
    SetOnDevice(HKEY_CURRENT_USER, u"Software\\New", u"Path", probe::SzValue(u"%", REG_EXPAND_SZ));
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

    // A sequence number beyond the log's end fails.
    const int64_t end = LastSeq();
    ExpectFailure(On("changes --reg --since " + std::to_string(end + 1)),
                  "no change " + std::to_string(end + 1) + " in the change log of " +
                      device_.string() + ": its last change is " + std::to_string(end));
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
