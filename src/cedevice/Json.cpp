#include "Json.h"

#include <CePlatform/RegFile.h>
#include <CePlatform/Unicode.h>

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

// Sets object[field] to `text`: an unpaired surrogate becomes U+FFFD, and the field FIELDUtf16
// beside it then holds the exact UTF-16 code units as numbers.
void PutText(Json& object, const std::string& field, std::u16string_view text);
// The same for text held as UTF-8 (an unpaired surrogate as its own three bytes, as the device's
// texts are held on the host).
void PutText(Json& object, const std::string& field, std::string_view text);

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The text with each unpaired surrogate replaced by U+FFFD; *replaced tells whether one was.
std::u16string WithoutUnpairedSurrogates(std::u16string_view text, bool* replaced) {
    std::u16string out(text);
    *replaced = false;
    for (size_t i = 0; i < out.size(); ++i) {
        if (IsHighSurrogate(out[i]) && i + 1 < out.size() && IsLowSurrogate(out[i + 1])) {
            ++i;
        } else if (IsHighSurrogate(out[i]) || IsLowSurrogate(out[i])) {
            out[i] = u'\uFFFD';
            *replaced = true;
        }
    }
    return out;
}

// A value's data as the text form writes it: REGEDIT4's data, hex data on one line.
Json ValueJson(const std::optional<ce::RegValue>& value) {
    if (!value) return nullptr;
    std::string data = ce::FormatValueData(value->type, value->data);
    for (size_t at; (at = data.find("\\\n  ")) != std::string::npos;) data.erase(at, 4);
    Json object = {{"type", value->type}};
    PutText(object, "data", data);
    return object;
}

const char* KindName(ce::Change::Kind kind) {
    switch (kind) {
        case ce::Change::kSetValue:
            return "set";
        case ce::Change::kDeleteValue:
            return "delete";
        case ce::Change::kCreateKey:
            return "key-create";
        case ce::Change::kDeleteKey:
            return "key-delete";
        case ce::Change::kRestore:
            return "restore";
    }
    return "?";
}

void PutText(Json& object, const std::string& field, std::u16string_view text) {
    bool replaced = false;
    object[field] = ce::ToUtf8(WithoutUnpairedSurrogates(text, &replaced));
    if (replaced) object[field + "Utf16"] = std::vector<uint16_t>(text.begin(), text.end());
}

void PutText(Json& object, const std::string& field, std::string_view text) {
    PutText(object, field, std::u16string_view(ce::FromUtf8(text)));
}

int PrintJson(const Json& document) {
    std::cout << document.dump(2) << '\n';
    return 0;
}

Json InfoJson(const ce::Device& device, const ce::Profile& profile) {
    Json info = Json::object();
    PutText(info, "device", device.Folder().string());
    PutText(info, "database", device.DatabasePath().string());
    PutText(info, "files", device.FilesRoot().string());
    PutText(info, "platform", profile.platform);
    info["os"] = {
        {"major", profile.osMajor}, {"minor", profile.osMinor}, {"build", profile.osBuild}};
    info["bluetooth"] = profile.bluetoothMode;
    Json modules = Json::object();
    for (const std::string& module : ce::KnownModules())
        modules[module] = profile.HasModule(module);
    info["modules"] = std::move(modules);
    return info;
}

Json JournalJson(const std::vector<ce::JournalEntry>& entries) {
    Json list = Json::array();
    for (const ce::JournalEntry& e : entries) {
        Json entry = {{"seq", e.seq}, {"time", e.time}, {"pid", e.pid}};
        PutText(entry, "event", e.event);
        list.push_back(std::move(entry));
    }
    return {{"journal", std::move(list)}};
}

Json ChangesJson(const std::vector<ce::Change>& changes) {
    Json list = Json::array();
    for (const ce::Change& c : changes) {
        Json change = {
            {"seq", c.seq}, {"time", c.time}, {"pid", c.pid}, {"kind", KindName(c.kind)}};
        if (c.kind == ce::Change::kRestore) {
            PutText(change, "snapshot", c.snapshot);
        } else {
            PutText(change, "key", c.key);
        }
        if (c.kind == ce::Change::kSetValue || c.kind == ce::Change::kDeleteValue) {
            PutText(change, "name", std::u16string_view(c.valueName));
            change["before"] = ValueJson(c.before);
            change["after"] = ValueJson(c.after);
        }
        list.push_back(std::move(change));
    }
    return {{"changes", std::move(list)}};
}

Json StartMenuJson(const std::vector<StartMenuItem>& items) {
    Json list = Json::array();
    for (const StartMenuItem& item : items) {
        Json entry = Json::object();
        PutText(entry, "path", std::u16string_view(item.path));
        if (item.problem.empty()) {
            PutText(entry, "target", std::u16string_view(item.target));
        } else {
            PutText(entry, "problem", item.problem);
        }
        list.push_back(std::move(entry));
    }
    return {{"entries", std::move(list)}};
}

Json TweaksJson(const std::vector<TweakRow>& rows) {
    Json list = Json::array();
    for (const TweakRow& row : rows) {
        Json tweak = {{"category", row.category}};
        PutText(tweak, "name", std::u16string_view(row.name));
        tweak["supported"] = row.supported;
        tweak["enabled"] = row.enabled;
        tweak["backedUp"] = row.backedUp;
        tweak["shortcut"] = row.shortcut;
        PutText(tweak, "id", std::u16string_view(row.id));
        list.push_back(std::move(tweak));
    }
    return {{"tweaks", std::move(list)}};
}

Json SnapshotsJson(const std::vector<ce::SnapshotInfo>& snapshots) {
    Json list = Json::array();
    for (const ce::SnapshotInfo& s : snapshots) {
        Json snapshot = Json::object();
        PutText(snapshot, "name", s.name);
        snapshot["time"] = s.time;
        snapshot["size"] = s.size;
        snapshot["changeSeq"] = s.changeSeq;
        if (!s.damage.empty()) PutText(snapshot, "damage", s.damage);
        list.push_back(std::move(snapshot));
    }
    return {{"snapshots", std::move(list)}};
}

}  // namespace

int PrintInfoJson(const ce::Device& device, const ce::Profile& profile) {
    return PrintJson(InfoJson(device, profile));
}
int PrintJournalJson(const std::vector<ce::JournalEntry>& entries) {
    return PrintJson(JournalJson(entries));
}
int PrintChangesJson(const std::vector<ce::Change>& changes) {
    return PrintJson(ChangesJson(changes));
}
int PrintStartMenuJson(const std::vector<StartMenuItem>& items) {
    return PrintJson(StartMenuJson(items));
}
int PrintTweaksJson(const std::vector<TweakRow>& rows) { return PrintJson(TweaksJson(rows)); }
int PrintSnapshotsJson(const std::vector<ce::SnapshotInfo>& snapshots) {
    return PrintJson(SnapshotsJson(snapshots));
}
