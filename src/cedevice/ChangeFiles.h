// The change files of `cedevice changes`: the registry's net change since a change of the log, or
// its undo, as a REGEDIT4 file or as provisioning XML.
#pragma once

#include <CePlatform/Device.h>

#include <cstdint>

enum class ChangeFileFormat { kReg, kProvXml };

// Writes the change file (the undo file when `undo`) to standard output and names on standard
// error each key or value that it leaves out. Returns 0, or 1 when something was left out. Throws
// ce::DeviceError when `sinceSeq` is beyond the change log's end.
int WriteChangeFile(const ce::Device& device, int64_t sinceSeq, ChangeFileFormat format, bool undo);
