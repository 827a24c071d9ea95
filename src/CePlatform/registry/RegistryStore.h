// The device registry in the device's database, and its change log. Keys are rows found by their
// root and their whole folded path (one indexed look-up opens a key, however deep); values are rows
// of their key; every change made with `log` set is recorded with the data before and after.
// Everything here throws DbError on a database failure.
#pragma once

#include <CePlatform/Device.h>
#include <CePlatform/RegFile.h>
#include <CePlatform/RegistryTypes.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/Database.h"

namespace ce {

// A key: its row, its root and its normalised path: as it was asked for when FindKey gave it
// (equal to the stored path but for case), else as it is stored.
struct KeyRow {
    int64_t id = 0;
    RootKey root = RootKey::LocalMachine;
    std::u16string path;
};

class RegistryStore {
public:
    // Adds the store's tables, holding the three root keys, to a new device database.
    static void CreateTables(Database& db);
    // The store in a device's database. Throws DbError when the database lacks a root key.
    explicit RegistryStore(Database& db);

    // The key at a normalised path, matched without regard to case: one look-up in an index.
    std::optional<KeyRow> FindKey(RootKey root, std::u16string_view path);
    // The same with the key's path as stored, which reads its row too.
    std::optional<KeyRow> StoredKey(RootKey root, std::u16string_view path);
    // The key of the row `id` with its path as stored; nothing when it was deleted.
    std::optional<KeyRow> StoredKey(int64_t id);
    // The root key's own row.
    const KeyRow& Root(RootKey root) const { return roots_[static_cast<int>(root)]; }
    // Finds or creates the key (a normalised path) and every missing key above it, in one
    // transaction.
    KeyRow CreateKey(RootKey root, std::u16string_view path, bool* created, bool log);
    // Deletes the key, its values and every key below it. False when it did not exist.
    bool DeleteKeyTree(RootKey root, std::u16string_view path, bool log);

    std::optional<RegValue> GetValue(int64_t keyId, std::u16string_view name);
    // Writes a value of a key that exists, as StoredKey or CreateKey gave it in this transaction:
    // the log names the key by that path.
    void SetValue(const KeyRow& key, const RegValue& value, bool log);
    // False when there was no such value. The key as for SetValue.
    bool DeleteValue(const KeyRow& key, std::u16string_view name, bool log);
    // The key's values, sorted by their folded names (the default value first).
    std::vector<RegValue> Values(int64_t keyId);

    // Whether the key at `path` (any form that AppendKeyPath takes) exists.
    bool KeyExists(RootKey root, std::u16string_view path);
    // The key (its stored path) with its values, read in one read transaction (see
    // Device::ReadKey). Throws DeviceError when the key does not exist.
    RegKey ReadKey(RootKey root, std::u16string_view path);
    // The key and its subtree, sorted, for export (see Device::ExportKeys). Throws DeviceError
    // when the key does not exist.
    std::vector<RegKey> Export(std::optional<RootKey> root, std::u16string_view path);
    // Applies registry file operations in one transaction.
    void Apply(const std::vector<RegFileOp>& ops, bool log);

    // The change log's entries numbered above `afterSeq`, oldest first.
    std::vector<Change> Changes(int64_t afterSeq);
    // Within the caller's transaction: replaces the registry and the change log with those of the
    // snapshot's database, attached as "snapshot", and logs the restore of the snapshot `name`
    // after them. Returns the number of that entry.
    int64_t RestoreFromSnapshot(std::string_view name);

private:
    // Records a change of the key at `storedPath` (in its stored case) in the change log.
    void LogChange(const char* kind, RootKey root, std::u16string_view storedPath,
                   const std::u16string* name, const std::optional<RegValue>& before,
                   const std::optional<RegValue>& after);

    Database& db_;
    std::array<KeyRow, 3> roots_;
};

}  // namespace ce
