// The device tool's --json documents: each command's facts, and strings that stay valid JSON and
// exact whatever the registry holds.
#include <CePlatform/Device.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cedevice/CedeviceRun.h"

namespace {

using namespace testing;
using namespace test;
using nlohmann::json;

class CedeviceJson : public Cedevice {
protected:
    // Runs a command that must succeed and parses its output as one JSON document.
    json Document(const std::string& args) {
        const std::string out = Ok(args);
        try {
            return json::parse(out);
        } catch (const json::exception& e) {
            ADD_FAILURE() << args << ": not JSON: " << e.what() << "\n" << out;
            return json();
        }
    }
};

TEST_F(CedeviceJson, EachCommandWritesTheFactsOfItsTextForm) {
    Ok("init --edition pocketpc --os 4.21.1088");
    Ok("profile set bluetooth 2");
    Ok("profile set module BAG0: off");
    json info =
        json::parse(R"({"platform": "PocketPC", "os": {"major": 4, "minor": 21, "build": 1088},
        "bluetooth": 2, "modules": {"aygshell.dll": true, "BthUtil.dll": true, "BAG0:": false}})");
    info.update({{"device", device_.string()},
                 {"database", (device_ / "device.db").string()},
                 {"files", (device_ / "fs").string()}});
    EXPECT_EQ(Document("info --json"), info);

    Ok("reg import -",
       "REGEDIT4\n[HKEY_CURRENT_USER\\Tried]\n\"v\"=dword:0000002a\n\"v\"=\"text\"\n\"v\"=-\n");
    const json changes = Document("--json changes --since 1");
    ASSERT_EQ(changes["changes"].size(), 3u);
    json set = changes["changes"][0];
    EXPECT_THAT(set["time"].get<std::string>(), MatchesRegex("[0-9-]+T[0-9:.]+Z"));
    EXPECT_GT(set["pid"].get<int>(), 0);
    set.erase("time");
    set.erase("pid");
    EXPECT_EQ(set, json::parse(R"({"seq": 2, "kind": "set", "key": "HKEY_CURRENT_USER\\Tried",
        "name": "v", "before": null, "after": {"type": 4, "data": "dword:0000002a"}})"));
    EXPECT_EQ(changes["changes"][1]["after"], json({{"type", 1}, {"data", "\"text\""}}));
    EXPECT_EQ(changes["changes"][2]["kind"], "delete");
    EXPECT_EQ(changes["changes"][2]["after"], nullptr);
    EXPECT_EQ(Document("changes --json")["changes"][0]["kind"], "key-create");

    Ok("install");
    const json menu = Document("start-menu --json");
    ASSERT_EQ(menu["entries"].size(), 1u);
    EXPECT_EQ(menu["entries"][0], json({{"path", "\\Windows\\Start Menu\\Programs\\Quenvale.lnk"},
                                        {"target", "\"\\Program Files\\Quenvale\\Fennaro.exe\""}}));
    test::WriteFileBytes(device_ / "fs/Windows/Start Menu/Broken.lnk", "no count");
    EXPECT_EQ(Document("start-menu --json")["entries"][0]["problem"],
              "it has no decimal count before \"#\"");

    const json tweaks = Document("tweaks --json")["tweaks"];
    ASSERT_EQ(tweaks.size(), 62u);
    EXPECT_EQ(tweaks[0]["name"], "Speed-Boost");
    EXPECT_EQ(tweaks[0]["category"], "System");
    EXPECT_THAT(tweaks[0]["id"].get<std::string>(), StartsWith("CSpeedBoostTweak_"));
    for (const char* field : {"supported", "enabled", "backedUp", "shortcut"}) {
        EXPECT_EQ(tweaks[0][field], std::string(field) == "supported") << field;
    }

    Ok("reg import -", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n");
    Ok("snapshot save one");
    const json list = Document("snapshot list --json");
    ASSERT_EQ(list["snapshots"].size(), 1u);
    EXPECT_EQ(list["snapshots"][0]["name"], "one");
    EXPECT_EQ(list["snapshots"][0]["changeSeq"],
              Document("changes --json")["changes"].back()["seq"]);
    EXPECT_GT(list["snapshots"][0]["size"].get<uint64_t>(), 0u);
    Ok("snapshot restore one");
    const json restored = Document("changes --json")["changes"].back();
    EXPECT_EQ(restored["kind"], "restore");
    EXPECT_EQ(restored["snapshot"], "one");

    EXPECT_EQ(Document("journal --json")["journal"], json::array());
}

// Names written through the registry functions may hold control characters, quotes, backslashes
// and unpaired surrogates: the document stays valid JSON, the text is escaped or, for an unpaired
// surrogate, replaced by U+FFFD with the exact code units beside it.
TEST_F(CedeviceJson, StringsStayValidAndExactWhateverTheRegistryHolds) {
    Ok("init --empty");
    const std::u16string keyName = u"Odd\x01Key\xDC00";
    const std::u16string valueName =
        u"a\x01\n\"\\b\xD800"
        u"c";
    const std::u16string text = u"x\xD83D\xDE00y";  // a surrogate pair
    SetOnDevice(HKEY_CURRENT_USER, keyName, valueName, probe::SzValue(text));

    const json changes = Document("changes --json");
    ASSERT_EQ(changes["changes"].size(), 2u);
    const json& created = changes["changes"][0];
    EXPECT_EQ(created["key"], "HKEY_CURRENT_USER\\Odd\x01Key\xEF\xBF\xBD");
    std::vector<uint16_t> units;
    for (const char c : std::string("HKEY_CURRENT_USER\\Odd\x01Key")) units.push_back(c);
    units.push_back(0xDC00);
    EXPECT_EQ(created["keyUtf16"], json(units));

    const json& set = changes["changes"][1];
    EXPECT_EQ(set["name"],
              "a\x01\n\"\\b\xEF\xBF\xBD"
              "c");
    EXPECT_EQ(set["nameUtf16"], json({0x61, 0x01, 0x0A, 0x22, 0x5C, 0x62, 0xD800, 0x63}));
    // The control character is escaped in the document itself, not written raw.
    const std::string raw = Ok("changes --json");
    EXPECT_THAT(raw, HasSubstr("a\\u0001\\n\\\"\\\\b"));
    EXPECT_EQ(raw.find('\x01'), std::string::npos);
    // A surrogate pair is one character, written in UTF-8.
    EXPECT_EQ(set["after"]["data"], "\"x\xF0\x9F\x98\x80y\"");
    EXPECT_FALSE(set["after"].contains("dataUtf16"));
}

}  // namespace
