// The device tool's snapshot commands. Each works on `device`, the current device, and throws
// std::runtime_error with a message for the user when it fails, having changed nothing.
#pragma once

#include <CePlatform/Device.h>

#include <string>

// Saves the whole device as the snapshot `name` and says so. Returns 0.
int SaveSnapshot(ce::Device& device, const std::string& name);

// Lists the snapshots in the order of saving, one a line: "NAME<TAB>TIME<TAB>SIZE<TAB>SEQ" (SEQ
// the highest change sequence number at the time of saving), or with `json` as one document.
// A snapshot that cannot be read shows "(damaged: WHY)" for its time and "-" for SEQ. Returns 0.
int ListSnapshots(const ce::Device& device, bool json);

// Puts the device back to the snapshot `name` and says so, with the change's sequence number.
// Refuses while a tweak manager runs on the device (it holds the instance mutex), and holds that
// mutex itself meanwhile, so that none starts. Returns 0.
int RestoreSnapshot(ce::Device& device, const std::string& name);

// Deletes the snapshot `name` and says so. Returns 0.
int DeleteSnapshot(ce::Device& device, const std::string& name);
