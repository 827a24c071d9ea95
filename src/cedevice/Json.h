// The device tool's --json output: one JSON document for each command that takes it, with the
// same facts as the text form, field names as the README lists them.
//
// Texts from the registry are UTF-16 and may hold anything. The encoder escapes control
// characters, quotes and backslashes. A JSON text can carry no unpaired surrogate as a character:
// there it becomes U+FFFD, and the field FIELDUtf16 beside it holds the exact UTF-16 code units as
// numbers, so that nothing is dropped or changed.
#pragma once

#include <CePlatform/Device.h>

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "StartMenu.h"

using Json = nlohmann::ordered_json;

// Sets object[field] to `text` as described above.
void PutText(Json& object, const std::string& field, std::u16string_view text);
// The same for text held as UTF-8 (an unpaired surrogate as its own three bytes, as the device's
// texts are held on the host).
void PutText(Json& object, const std::string& field, std::string_view text);

// Writes the document to standard output. Returns 0.
int PrintJson(const Json& document);

Json InfoJson(const ce::Device& device, const ce::Profile& profile);
Json JournalJson(const std::vector<ce::JournalEntry>& entries);
Json ChangesJson(const std::vector<ce::Change>& changes);
Json StartMenuJson(const std::vector<StartMenuItem>& items);
Json TweaksJson(const std::vector<TweakRow>& rows);
Json SnapshotsJson(const std::vector<ce::SnapshotInfo>& snapshots);
