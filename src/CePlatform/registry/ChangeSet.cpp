// The net change of the registry: between two states, and since an entry of the change log.
#include <CePlatform/ChangeFile.h>
#include <CePlatform/Unicode.h>

#include <map>
#include <optional>
#include <set>
#include <utility>

#include "device/DeviceImpl.h"
#include "registry/KeyNames.h"

namespace ce {

namespace {

// A key as the registry tells keys apart: its root and its folded path.
struct KeyId {
    RootKey root;
    std::string fold;
};

// Root by root, each in FoldedPathLess order: the order of an export.
struct ExportOrder {
    bool operator()(const KeyId& a, const KeyId& b) const {
        if (a.root != b.root) return a.root < b.root;
        return FoldedPathLess(a.fold, b.fold);
    }
};

KeyId ParentOf(const KeyId& id) {
    const size_t slash = id.fold.rfind('\\');
    return {id.root, slash == std::string::npos ? std::string() : id.fold.substr(0, slash)};
}

RegFileOp MakeOp(RegFileOp::Kind kind, RootKey root, const std::u16string& path,
                 RegValue value = {}) {
    return RegFileOp{kind, 0, root, path, std::move(value)};
}

// Appends the value operations that take a key's values from `from` to `to`, in folded-name order
// (the default value first).
void DiffValues(RootKey root, const std::u16string& path, const std::vector<RegValue>& from,
                const std::vector<RegValue>& to, std::vector<RegFileOp>* ops) {
    std::map<std::string, std::pair<const RegValue*, const RegValue*>> names;
    for (const RegValue& value : from) names[FoldKey(value.name)].first = &value;
    for (const RegValue& value : to) names[FoldKey(value.name)].second = &value;
    for (const auto& [fold, values] : names) {
        const auto [was, is] = values;
        const bool sameName = was && is && was->name == is->name;
        if (sameName && was->type == is->type && was->data == is->data) continue;
        // A value written over keeps its stored name: one whose case changed is deleted first.
        if (was && !sameName) {
            ops->push_back(MakeOp(RegFileOp::kDeleteValue, root, path, {was->name, 0, {}}));
        }
        if (is) ops->push_back(MakeOp(RegFileOp::kSetValue, root, path, *is));
    }
}

// A key's state while the change log is undone: its stored path and its values by folded name.
struct KeyState {
    std::u16string path;
    std::map<std::string, RegValue> values;
};
// The touched keys; nullopt for one that does not exist.
using States = std::map<KeyId, std::optional<KeyState>, ExportOrder>;

std::optional<KeyState> ReadKeyState(RegistryStore& registry, RootKey root,
                                     std::u16string_view path) {
    const std::optional<KeyRow> row = registry.StoredKey(root, path);
    if (!row) return std::nullopt;
    KeyState key{row->path, {}};
    for (RegValue& value : registry.Values(row->id)) {
        std::string fold = FoldKey(value.name);
        key.values.emplace(std::move(fold), std::move(value));
    }
    return key;
}

// Takes one change back: the key or the value as it was before it.
void Undo(const Change& change, const std::u16string& path, std::optional<KeyState>* key) {
    switch (change.kind) {
        case Change::kCreateKey:
            key->reset();
            return;
        case Change::kDeleteKey:
            // Its values come back as the deletions logged before this entry are undone.
            *key = KeyState{path, {}};
            return;
        case Change::kRestore:  // left out by the caller: see CheckLog
            return;
        case Change::kSetValue:
        case Change::kDeleteValue:
            if (!*key) *key = KeyState{path, {}};
            if (change.before) {
                (*key)->values[FoldKey(change.valueName)] = *change.before;
            } else {
                (*key)->values.erase(FoldKey(change.valueName));
            }
            return;
    }
}

std::vector<RegKey> ExistingKeys(const States& states) {
    std::vector<RegKey> keys;
    for (const auto& [id, state] : states) {
        if (!state) continue;
        RegKey key{id.root, state->path, {}};
        for (const auto& [fold, value] : state->values) key.values.push_back(value);
        keys.push_back(std::move(key));
    }
    return keys;
}

// Refuses a sequence number outside the log, one whose state a restore replaced, and a log after
// it that holds an entry that is no registry write (of a kind that Device::Changes does not read
// as one). A restore keeps the snapshot's entries and adds its own, numbered above every number
// used before: the registry it restored is the state after the entry before it, so the log stays
// whole across it, but the numbers in between (changes that the restore undid) name no state of
// the log any more.
void CheckLog(const Device& device, int64_t sinceSeq) {
    Database& db = device.impl().Db();
    auto last = db.Prepare("SELECT coalesce(max(seq), 0) FROM changes");
    last.Step();
    const int64_t end = last.Int(0);
    if (sinceSeq < 0 || sinceSeq > end) {
        throw DeviceError("no change " + std::to_string(sinceSeq) + " in the change log of " +
                          device.Folder().string() +
                          (end == 0 ? ": the log is empty (0 is its start)"
                                    : ": its last change is " + std::to_string(end)));
    }
    auto replaced = db.Prepare(
        "SELECT r.seq, r.name, (SELECT coalesce(max(seq), 0) FROM changes WHERE seq < r.seq) "
        "FROM changes r WHERE r.kind = 'restore' AND r.seq > ? ORDER BY r.seq LIMIT 1");
    replaced.Bind(1, sinceSeq);
    if (replaced.Step() && sinceSeq > replaced.Int(2)) {
        const std::string restore = std::to_string(replaced.Int(0));
        throw DeviceError("change " + std::to_string(sinceSeq) + " was undone by change " +
                          restore + ", the restore of snapshot " + replaced.Text(1) +
                          ": a change file can be written since change " +
                          std::to_string(replaced.Int(2)) + " or earlier, or " + restore +
                          " or later");
    }
    auto other = db.Prepare(
        "SELECT seq, kind FROM changes WHERE seq > ? AND "
        "kind NOT IN ('set', 'delete', 'key-create', 'key-delete', 'restore') "
        "ORDER BY seq LIMIT 1");
    other.Bind(1, sinceSeq);
    if (other.Step()) {
        const std::string seq = std::to_string(other.Int(0));
        throw DeviceError("change " + seq + " (" + other.Text(1) +
                          ") is no registry write: the registry before it is not in the change "
                          "log; a change file can be written since change " +
                          seq + " or later");
    }
}

}  // namespace

std::vector<RegFileOp> RegistryDiff(const std::vector<RegKey>& from,
                                    const std::vector<RegKey>& to) {
    std::map<KeyId, std::pair<const RegKey*, const RegKey*>, ExportOrder> keys;
    for (const RegKey& key : from) keys[{key.root, FoldKey(key.path)}].first = &key;
    for (const RegKey& key : to) keys[{key.root, FoldKey(key.path)}].second = &key;

    static const std::vector<RegValue> kNone;
    std::set<KeyId, ExportOrder> deleted;
    std::vector<RegFileOp> ops;
    for (const auto& [id, states] : keys) {
        const auto [was, is] = states;
        const bool isRoot = id.fold.empty();
        if (isRoot || (was && is && was->path == is->path)) {
            std::vector<RegFileOp> values;
            DiffValues(id.root, (is ? is : was)->path, was ? was->values : kNone,
                       is ? is->values : kNone, &values);
            if (values.empty()) continue;
            ops.push_back(MakeOp(RegFileOp::kCreateKey, id.root, (is ? is : was)->path));
            ops.insert(ops.end(), values.begin(), values.end());
            continue;
        }
        if (was) {
            // A deletion takes the subkeys along: only the topmost deleted key is named.
            if (!deleted.count(ParentOf(id))) {
                ops.push_back(MakeOp(RegFileOp::kDeleteKey, id.root, was->path));
            }
            deleted.insert(id);
        }
        if (is) {
            ops.push_back(MakeOp(RegFileOp::kCreateKey, id.root, is->path));
            DiffValues(id.root, is->path, kNone, is->values, &ops);
        }
    }
    return ops;
}

std::vector<RegFileOp> RegistryChangeSince(const Device& device, int64_t sinceSeq,
                                           ChangeDirection direction) {
    Device::Impl& impl = device.impl();
    try {
        // The log and the keys that it touches, read as one state of the device.
        Database::ReadTransaction snapshot(impl.Db());
        CheckLog(device, sinceSeq);
        std::vector<Change> changes = device.Changes(sinceSeq);
        std::erase_if(changes, [](const Change& c) { return c.kind == Change::kRestore; });

        States now;
        std::vector<std::pair<KeyId, std::u16string>> keyOf;  // each change's key and stored path
        keyOf.reserve(changes.size());
        for (const Change& change : changes) {
            RootKey root;
            std::u16string path;
            if (!ParseKeyName(change.key, &root, &path)) {
                throw DeviceError("change " + std::to_string(change.seq) +
                                  " of the change log names no key: \"" + change.key + "\"");
            }
            KeyId id{root, FoldKey(path)};
            if (!now.count(id)) now.emplace(id, ReadKeyState(impl.Registry(), root, path));
            keyOf.emplace_back(std::move(id), std::move(path));
        }

        States then = now;
        for (size_t i = changes.size(); i-- > 0;) {
            Undo(changes[i], keyOf[i].second, &then[keyOf[i].first]);
        }
        const std::vector<RegKey> before = ExistingKeys(then), after = ExistingKeys(now);
        return direction == ChangeDirection::kForward ? RegistryDiff(before, after)
                                                      : RegistryDiff(after, before);
    } catch (const DbError& e) {
        throw DeviceError(device.DatabasePath().string() + ": " + e.what());
    }
}

}  // namespace ce
