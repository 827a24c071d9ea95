// How the writers of change files (REGEDIT4 and provisioning XML) lay out a list of registry
// file operations: each key line or key deletion starts a section, and a value operation goes into
// the section of its key, which is started again when the one before was of another key or was a
// deletion (no value can follow one).
#pragma once

#include <CePlatform/RegFile.h>

#include <vector>

namespace ce {

// Calls writer.Key(root, path, deletion) for each section and writer.Value(value, deletion) for
// each value operation in it.
template <typename Writer>
void WriteInSections(const std::vector<RegFileOp>& ops, Writer& writer) {
    const RegFileOp* section = nullptr;  // the operation that started the current section
    for (const RegFileOp& op : ops) {
        const bool keyLine = op.kind == RegFileOp::kCreateKey || op.kind == RegFileOp::kDeleteKey;
        if (keyLine || !section || section->kind == RegFileOp::kDeleteKey ||
            section->root != op.root || section->path != op.path) {
            writer.Key(op.root, op.path, op.kind == RegFileOp::kDeleteKey);
            section = &op;
        }
        if (!keyLine) writer.Value(op.value, op.kind == RegFileOp::kDeleteValue);
    }
}

}  // namespace ce
