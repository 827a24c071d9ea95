// The device tool's Start-menu commands, run as a program: the installer, the list of entries,
// taps that start this build's Fennaro, open a settings page or are refused, and the catalogue as
// a device sees it.
#include <CePlatform/Device.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cedevice/CedeviceRun.h"
#include "support/TempDevice.h"

namespace {

namespace fs = std::filesystem;
using namespace testing;
using test::ExpectFailure;
using test::Quote;
using test::Result;

const std::string kApplication = R"("\Program Files\Quenvale\Fennaro.exe")";
const std::string kSpeedBoostID = "CSpeedBoostTweak_BE008CAD-DA8C-427a-87B3-2EB885AC01A8";
const std::string kInstalled =
    "placed \\Program Files\\Quenvale\\Fennaro.exe\n"
    "placed \\Windows\\Start Menu\\Quenvale.lnk -> " +
    kApplication + "\n";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The line of `table` that holds `text`.
std::string LineWith(const std::string& table, const std::string& text) {
    for (const std::string& line : Lines(table)) {
        if (line.find(text) != std::string::npos) return line;
    }
    return "";
}

// A `tweaks` line's columns after the name: supported, enabled, backed up, shortcut.
std::string Flags(const std::string& line) {
    return std::regex_replace(
        line, std::regex(R"(^.*?  +(yes|no)  +(yes|no)  +(yes|no)  +(yes|no)$)"), "$1 $2 $3 $4");
}

class StartMenu : public test::Cedevice {
protected:
    fs::path StartMenuFolder() const { return device_ / "fs/Windows/Start Menu"; }

    // A file of the Start menu (or below it) holding exactly `bytes`.
    void Put(const std::string& name, const std::string& bytes) const {
        test::WriteFileBytes(StartMenuFolder() / name, bytes);
    }
    // A shortcut in the shell's form: the target's length, "#", the target.
    void PutShortcut(const std::string& name, const std::string& target) const {
        Put(name, std::to_string(target.size()) + "#" + target);
    }

    Result Tap(const std::string& name) { return On("tap " + Quote(name)); }

    // Journal entries or registry changes without their sequence number, time and process.
    static std::string Events(const std::string& log) {
        return std::regex_replace(log, std::regex(R"((^|\n)\d+ \S+ \d+ )"), "$1");
    }
};

TEST_F(StartMenu, InstallPutsTheEntryWhereTheEditionKeepsItAndRunsAgainHarmlessly) {
    Ok("init --edition smartphone");
    EXPECT_EQ(Ok("install"), kInstalled);
    EXPECT_EQ(test::ReadFileBytes(StartMenuFolder() / "Quenvale.lnk"), "37#" + kApplication);
    EXPECT_THAT(test::ReadFileBytes(device_ / "fs/Program Files/Quenvale/Fennaro.exe"),
                HasSubstr("cedevice"));
    EXPECT_FALSE(fs::exists(StartMenuFolder() / "Programs/Quenvale.lnk"));

    const auto installed = test::Snapshot(device_ / "fs");
    EXPECT_EQ(Ok("install"),
              "in place already: \\Program Files\\Quenvale\\Fennaro.exe\n"
              "in place already: \\Windows\\Start Menu\\Quenvale.lnk -> " +
                  kApplication + "\n");
    EXPECT_EQ(test::Snapshot(device_ / "fs"), installed);
    // An entry of the application's name that starts something else is put right.
    Put("Quenvale.lnk", "9#\\evil.exe");
    EXPECT_THAT(Ok("install"), EndsWith("\nreplaced \\Windows\\Start Menu\\Quenvale.lnk -> " +
                                        kApplication + "\n"));
    EXPECT_EQ(test::Snapshot(device_ / "fs"), installed);

    // A Pocket PC keeps the entry in Programs.
    ASSERT_EQ(Run("init --edition pocketpc --device pocket").status, 0);
    EXPECT_THAT(Run("--device pocket install").out,
                HasSubstr("placed \\Windows\\Start Menu\\Programs\\Quenvale.lnk -> "));
    EXPECT_TRUE(fs::exists(scratch_ / "pocket/fs/Windows/Start Menu/Programs/Quenvale.lnk"));
}

TEST_F(StartMenu, TapRunsTheInstalledApplicationWithTheRestAsItsCommandLine) {
    Ok("init");
    PutShortcut("Speed-Boost.lnk", kApplication + " " + kSpeedBoostID);
    ExpectFailure(Tap("Speed-Boost"), "does not start: the application is not installed");
    EXPECT_EQ(Ok("changes"), "");

    Ok("install");
    const Result ui = Tap("quenvale");
    EXPECT_EQ(ui.status, 2);
    EXPECT_THAT(ui.err, HasSubstr("Fennaro: cannot show the tweak manager"));
    // The program is compared without regard to case; all after its one blank is the command
    // line, so a second blank makes the ID unknown.
    PutShortcut("Blanks.lnk", R"("\program files\QUENVALE\fennaro.EXE"  )" + kSpeedBoostID);
    const Result blanks = Tap("blanks");
    EXPECT_EQ(blanks.status, 0) << blanks.err;
    EXPECT_EQ(blanks.out, "Info: Error. Invalid tweak ID\n");
    EXPECT_THAT(Ok("changes"), Not(HasSubstr("GLYPHCACHE")));

    // A direct link as the catalogue's tweak writes it (its count is not checked) opens a
    // settings page.
    Put("Alarm.lnk", R"(00#"\Windows\settings.exe" alarm.cpl.xml)");
    EXPECT_EQ(Ok("tap ALARM"), "settings page alarm.cpl.xml opened\n");
    // The Start menu is searched before its Programs folder.
    PutShortcut("Battery.lnk", R"(\WINDOWS\Settings.exe power.cpl.xml)");
    PutShortcut("Programs/battery.lnk", R"(\Windows\settings.exe other.cpl.xml)");
    EXPECT_EQ(Ok("tap battery"), "settings page power.cpl.xml opened\n");
    EXPECT_EQ(Events(Ok("journal")),
              "settings page alarm.cpl.xml opened\nsettings page power.cpl.xml opened\n");

    PutShortcut("Calculator.lnk", R"("\Windows\calc.exe")");
    ExpectFailure(Tap("Calculator"),
                  R"(\Windows\Start Menu\Calculator.lnk: the simulated device has no such )"
                  R"(program: \Windows\calc.exe)");
    fs::remove(device_ / "fs/Program Files/Quenvale/Fennaro.exe");
    ExpectFailure(Tap("Quenvale"), "not installed");
}

TEST_F(StartMenu, HostileEntriesAreListedWithANoteAndNothingOfTheHostRuns) {
    Ok("init");
    Ok("install");
    const std::string menu = R"(\Windows\Start Menu\)";
    const std::string touch = "touch " + (scratch_ / "ran").string();
    const std::string toggle = " " + kSpeedBoostID;
    const std::string app = std::to_string(kApplication.size()) + "#" + kApplication;
    // By lower-case name (the order of the list): the line that lists the entry.
    std::map<std::string, std::string> listed = {
        {"quenvale", menu + "Quenvale.lnk -> " + kApplication}};
    // Targets that name host programs, or the application's path written another way: the
    // simulated device has no such program.
    for (const auto& [name, target] : std::vector<std::pair<std::string, std::string>>{
             {"Shell", "/bin/sh -c '" + touch + "'"},
             {"Quoted", "\"/bin/sh\" -c '" + touch + "'"},
             {"Up", R"("\..\..\..\..\..\..\bin\sh" -c ')" + touch + "'"},
             {"Relative", R"(..\..\..\..\..\..\usr\bin\)" + touch},
             {"Around", R"("\Program Files\Quenvale\..\Quenvale\Fennaro.exe")" + toggle},
             {"Bare", "Fennaro" + toggle},
             {"Glued", kApplication + kSpeedBoostID},
             {"Unclosed", R"("\Program Files\Quenvale\Fennaro.exe)" + toggle}}) {
        PutShortcut(name + ".lnk", target);
        listed[Lower(name)] = menu + name + ".lnk -> " + target;
    }
    // Files that are no shortcuts, and why.
    const std::string noCount = R"(it has no decimal count before "#")";
    for (const auto& [name, bytes, why] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"Huge", app + toggle + std::string(1 << 20, ' '), "it is over 4 KB"},
             {"Binary", app + toggle + std::string("\0\x01", 2), "it is not text"},
             {"Line", app + toggle + "\n", "it is not text"},
             {"Letters", "ab#" + kApplication, noCount},
             {"NoHash", kApplication + toggle, noCount},
             {"NoTarget", "12#", R"(it has no target after "#")"},
             {"empty", "", noCount}}) {
        Put(name + ".lnk", bytes);
        listed[Lower(name)] = menu + name + ".lnk (not a shortcut: " + why + ")";
    }
    test::WriteFileBytes(scratch_ / "outside.lnk", app + toggle);
    fs::create_symlink(scratch_ / "outside.lnk", StartMenuFolder() / "Link.lnk");
    listed["link"] = menu + "Link.lnk (not a shortcut: it is a symbolic link)";
    ASSERT_EQ(mkfifo((StartMenuFolder() / "Pipe.lnk").c_str(), 0644), 0);
    listed["pipe"] = menu + "Pipe.lnk (not a shortcut: it is not a regular file)";
    // Not entries: a file of another kind, and a folder.
    Put("notes.txt", "5#/bin/sh");
    fs::create_directory(StartMenuFolder() / "Folder.lnk");
    const auto before = test::Snapshot(device_ / "fs");

    std::string listing;
    for (const auto& entry : listed) listing += entry.second + "\n";
    EXPECT_EQ(Ok("start-menu"), listing);
    for (const char* name :
         {"Shell", "Quoted", "Up", "Relative", "Around", "Bare", "Glued", "Unclosed"}) {
        ExpectFailure(Tap(name), menu + name + ".lnk: the simulated device has no such program");
    }
    // A tap reads an entry as the list does.
    ExpectFailure(Tap("Huge"), menu + "Huge.lnk is not a shortcut: it is over 4 KB");
    ExpectFailure(Tap("Link"), menu + "Link.lnk is not a shortcut: it is a symbolic link");
    // Only entries are found: no path, no folder, nothing outside the two folders.
    for (const char* name : {"..", "../../device.db", "Programs", "notes", "Folder", "outside",
                             R"(\Windows\Start Menu\Quenvale)", ""}) {
        ExpectFailure(Tap(name), "no Start-menu entry");
    }
    EXPECT_FALSE(fs::exists(scratch_ / "ran"));
    EXPECT_EQ(Ok("changes"), "");
    EXPECT_EQ(Ok("journal"), "");
    EXPECT_EQ(test::Snapshot(device_ / "fs"), before);
}

// One line per tweak, each flag column under its heading; the catalogue's own keys are created
// once, and reading "BackupDone" creates nothing.
TEST_F(StartMenu, TweaksShowsTheCatalogueAsAFreshDeviceSeesIt) {
    Ok("init --edition pocketpc");
    const std::vector<std::string> lines = Lines(Ok("tweaks"));
    ASSERT_EQ(lines.size(), 63u);
    EXPECT_THAT(lines[0], MatchesRegex("category +name +supported +enabled +backed up +shortcut"));
    for (const char* heading : {"supported", "enabled", "backed up", "shortcut"}) {
        const size_t column = lines[0].find(heading);
        for (size_t i = 1; i < lines.size(); ++i) {
            EXPECT_THAT(lines[i].substr(column), MatchesRegex("(yes|no)( .*)?")) << lines[i];
        }
    }
    EXPECT_THAT(lines[1], StartsWith("System  "));
    EXPECT_EQ(Flags(lines[1]), "yes no no no");  // Speed-Boost
    EXPECT_EQ(Flags(LineWith(Ok("tweaks"), "Alarm direct link")), "no no no no");
    const std::string changes = Ok("changes");
    EXPECT_THAT(changes, HasSubstr("\\TweaksSettings\\" + kSpeedBoostID + " (key created)"));
    EXPECT_THAT(changes, Not(HasSubstr("BackupDone")));
    const std::vector<std::string> ids = Lines(Ok("tweaks --ids"));
    ASSERT_EQ(ids.size(), 63u);
    EXPECT_THAT(ids[0], EndsWith("shortcut  ID"));
    EXPECT_THAT(ids[1], MatchesRegex("System +Speed-Boost .* no  +" + kSpeedBoostID));
    EXPECT_EQ(Ok("changes"), changes);
}

// A toggle shortcut counts in the folder of the device's edition only (on a Pocket PC its
// Programs folder), under its tweak's name with "-" for "/"; a tap finds it by the name as the
// user reads it, and toggles the tweak.
TEST_F(StartMenu, AToggleShortcutCountsInItsEditionsFolderAndIsTappedByItsTweaksName) {
    Ok("init --edition pocketpc");
    Ok("install");
    const std::string sms = "Speed-Up Text/SMS Typing";
    PutShortcut("Speed-Boost.lnk", kApplication + " " + kSpeedBoostID);
    PutShortcut("Programs/Speed-Up Text-SMS Typing.lnk",
                kApplication + " CSpeedUpSMSTyping_AA0BA23C-2CAF-486f-806E-12021807BE04}");
    const std::string tweaks = Ok("tweaks");
    EXPECT_THAT(LineWith(tweaks, "Speed-Boost"), MatchesRegex("System  .* no"));
    EXPECT_EQ(Flags(LineWith(tweaks, sms)), "yes no no yes");
    EXPECT_THAT(LineWith(tweaks, sms), StartsWith("Telephony  "));
    EXPECT_THAT(LineWith(tweaks, "Bluetooth Audio"), StartsWith("Essential Utilities  "));
    EXPECT_THAT(LineWith(tweaks, "Allow Download of EXE"), StartsWith("Internet  "));
    EXPECT_THAT(LineWith(tweaks, "Silence Camera Shutter"), StartsWith("Sound  "));
    EXPECT_EQ(Ok("tap '" + sms + "'"), "Info: Tweak " + sms + " enabled\n");
    EXPECT_EQ(Flags(LineWith(Ok("tweaks"), sms)), "yes yes yes yes");
    EXPECT_EQ(Ok("tap 'speed-up text-sms typing.lnk'"), "Info: Tweak " + sms + " disabled\n");
}

}  // namespace
