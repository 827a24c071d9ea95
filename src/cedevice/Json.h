// The device tool's --json output: one JSON document for each command that takes it, with the
// same facts as the text form, field names as the README lists them.
//
// Texts from the registry are UTF-16 and may hold anything. The encoder escapes control
// characters, quotes and backslashes. A JSON text can carry no unpaired surrogate as a character:
// there it becomes U+FFFD, and the field FIELDUtf16 beside it holds the exact UTF-16 code units as
// numbers, so that nothing is dropped or changed.
#pragma once

#include <CePlatform/Device.h>

#include <string>
#include <string_view>
#include <vector>

#include "StartMenu.h"

// Each writes its document to standard output and returns 0 (the command's exit status).
int PrintInfoJson(const ce::Device& device, const ce::Profile& profile);
int PrintJournalJson(const std::vector<ce::JournalEntry>& entries);
int PrintChangesJson(const std::vector<ce::Change>& changes);
int PrintStartMenuJson(const std::vector<StartMenuItem>& items);
int PrintTweaksJson(const std::vector<TweakRow>& rows);
int PrintSnapshotsJson(const std::vector<ce::SnapshotInfo>& snapshots);
