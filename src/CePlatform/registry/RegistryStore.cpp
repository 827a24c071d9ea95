#include "registry/RegistryStore.h"

#include <CePlatform/Unicode.h>
#include <unistd.h>

#include <algorithm>

#include "registry/KeyNames.h"

namespace ce {

namespace {

void BindValue(Statement& q, int typeIndex, const std::optional<RegValue>& value) {
    if (value) {
        q.Bind(typeIndex, static_cast<int64_t>(value->type)).BindBlob(typeIndex + 1, value->data);
    } else {
        q.BindNull(typeIndex).BindNull(typeIndex + 1);
    }
}

// The tables of the registry and its change log. Key 1, 2 and 3 are the root keys; a key's path
// and fold are its whole path below its root, stored and folded (FoldKey). A change is numbered
// one above the newest entry, which stays in the log (a restore adds its own entry above every
// number used before it), so numbers never go backwards; without AUTOINCREMENT, which devices
// made earlier still have, a write changes one page fewer.
constexpr const char* kTables = R"sql(
CREATE TABLE keys(
  id INTEGER PRIMARY KEY,
  parent INTEGER REFERENCES keys(id),
  root INTEGER NOT NULL,
  name TEXT NOT NULL,
  path TEXT NOT NULL,
  fold TEXT NOT NULL,
  UNIQUE(root, fold));
CREATE INDEX keys_parent ON keys(parent);
CREATE TABLE reg_values(
  key INTEGER NOT NULL REFERENCES keys(id),
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(key, fold)) WITHOUT ROWID;
CREATE TABLE changes(
  seq INTEGER PRIMARY KEY,
  time TEXT NOT NULL,
  pid INTEGER NOT NULL,
  kind TEXT NOT NULL,
  key TEXT NOT NULL,
  name TEXT,
  old_type INTEGER,
  old_data BLOB,
  new_type INTEGER,
  new_data BLOB);
INSERT INTO keys(id, parent, root, name, path, fold) VALUES
  (1, NULL, 0, '', '', ''), (2, NULL, 1, '', '', ''), (3, NULL, 2, '', '', '');
)sql";

Change::Kind ChangeKind(const std::string& kind) {
    return kind == "set"          ? Change::kSetValue
           : kind == "delete"     ? Change::kDeleteValue
           : kind == "key-create" ? Change::kCreateKey
           : kind == "restore"    ? Change::kRestore
                                  : Change::kDeleteKey;
}

}  // namespace

void RegistryStore::CreateTables(Database& db) { db.Exec(kTables); }

RegistryStore::RegistryStore(Database& db) : db_(db) {
    for (int r = 0; r < 3; ++r) {
        const auto root = static_cast<RootKey>(r);
        auto row = FindKey(root, u"");
        if (!row) {
            throw DbError(SQLITE_CORRUPT,
                          "the registry has no root key " + std::string(RootName(root)));
        }
        roots_[r] = *row;
    }
}

std::optional<KeyRow> RegistryStore::FindKey(RootKey root, std::u16string_view path) {
    // The index of (root, fold) answers alone: the row itself is not read.
    auto q = db_.Prepare("SELECT id FROM keys WHERE root = ? AND fold = ?");
    q.Bind(1, static_cast<int64_t>(root)).Bind(2, FoldKey(path));
    if (!q.Step()) return std::nullopt;
    return KeyRow{q.Int(0), root, std::u16string(path)};
}

std::optional<KeyRow> RegistryStore::StoredKey(RootKey root, std::u16string_view path) {
    auto q = db_.Prepare("SELECT id, path FROM keys WHERE root = ? AND fold = ?");
    q.Bind(1, static_cast<int64_t>(root)).Bind(2, FoldKey(path));
    if (!q.Step()) return std::nullopt;
    return KeyRow{q.Int(0), root, FromUtf8(q.Text(1))};
}

std::optional<KeyRow> RegistryStore::StoredKey(int64_t id) {
    auto q = db_.Prepare("SELECT root, path FROM keys WHERE id = ?");
    q.Bind(1, id);
    if (!q.Step()) return std::nullopt;
    return KeyRow{id, static_cast<RootKey>(q.Int(0)), FromUtf8(q.Text(1))};
}

KeyRow RegistryStore::CreateKey(RootKey root, std::u16string_view path, bool* created, bool log) {
    Database::Transaction t(db_);
    KeyRow key = Root(root);
    *created = false;
    std::u16string sought;
    ForEachKeyComponent(path, [&](std::u16string_view component) {
        sought = JoinKeyPath(sought, component);
        if (auto found = StoredKey(root, sought)) {
            key = std::move(*found);
            return;
        }
        // A new key keeps the case of the keys above it as they are stored.
        KeyRow child{0, root, JoinKeyPath(key.path, component)};
        db_.Prepare("INSERT INTO keys(parent, root, name, path, fold) VALUES(?, ?, ?, ?, ?)")
            .Bind(1, key.id)
            .Bind(2, static_cast<int64_t>(root))
            .Bind(3, ToUtf8(component))
            .Bind(4, ToUtf8(child.path))
            .Bind(5, FoldKey(child.path))
            .Run();
        child.id = db_.LastInsertId();
        if (log) LogChange("key-create", root, child.path, nullptr, std::nullopt, std::nullopt);
        key = std::move(child);
        *created = true;
    });
    t.Commit();
    return key;
}

bool RegistryStore::DeleteKeyTree(RootKey root, std::u16string_view path, bool log) {
    Database::Transaction t(db_);
    const std::optional<KeyRow> top = StoredKey(root, path);
    if (!top) return false;
    if (top->id == Root(root).id) {
        throw DeviceError(std::string("a root key cannot be deleted: ") + RootName(root));
    }
    const std::string fold = FoldKey(top->path);
    std::vector<KeyRow> doomed;
    {
        auto q = db_.Prepare(
            "SELECT id, path FROM keys WHERE root = ? AND (fold = ? OR (fold > ? AND fold < ?))");
        q.Bind(1, static_cast<int64_t>(root))
            .Bind(2, fold)
            .Bind(3, fold + "\\")
            .Bind(4, fold + "]");
        while (q.Step()) doomed.push_back({q.Int(0), root, FromUtf8(q.Text(1))});
    }
    // Deepest keys first, so the log reads as a real deletion would happen.
    std::sort(doomed.begin(), doomed.end(), [](const KeyRow& a, const KeyRow& b) {
        return FoldedPathLess(FoldKey(b.path), FoldKey(a.path));
    });
    for (const KeyRow& key : doomed) {
        if (log) {
            for (const RegValue& value : Values(key.id)) {
                LogChange("delete", root, key.path, &value.name, value, std::nullopt);
            }
        }
        db_.Prepare("DELETE FROM reg_values WHERE key = ?").Bind(1, key.id).Run();
        db_.Prepare("DELETE FROM keys WHERE id = ?").Bind(1, key.id).Run();
        if (log) LogChange("key-delete", root, key.path, nullptr, std::nullopt, std::nullopt);
    }
    t.Commit();
    return true;
}

std::optional<RegValue> RegistryStore::GetValue(int64_t keyId, std::u16string_view name) {
    auto q = db_.Prepare("SELECT name, type, data FROM reg_values WHERE key = ? AND fold = ?");
    q.Bind(1, keyId).Bind(2, FoldKey(name));
    if (!q.Step()) return std::nullopt;
    return RegValue{FromUtf8(q.Text(0)), static_cast<uint32_t>(q.Int(1)), q.Blob(2)};
}

void RegistryStore::SetValue(const KeyRow& key, const RegValue& value, bool log) {
    Database::Transaction t(db_);
    std::optional<RegValue> before;
    if (log) before = GetValue(key.id, value.name);
    db_.Prepare(
           "INSERT INTO reg_values(key, name, fold, type, data) VALUES(?, ?, ?, ?, ?) "
           "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data")
        .Bind(1, key.id)
        .Bind(2, ToUtf8(value.name))
        .Bind(3, FoldKey(value.name))
        .Bind(4, static_cast<int64_t>(value.type))
        .BindBlob(5, value.data)
        .Run();
    if (log) {
        LogChange("set", key.root, key.path, before ? &before->name : &value.name, before, value);
    }
    t.Commit();
}

bool RegistryStore::DeleteValue(const KeyRow& key, std::u16string_view name, bool log) {
    Database::Transaction t(db_);
    auto before = GetValue(key.id, name);
    if (!before) return false;
    db_.Prepare("DELETE FROM reg_values WHERE key = ? AND fold = ?")
        .Bind(1, key.id)
        .Bind(2, FoldKey(name))
        .Run();
    if (log) LogChange("delete", key.root, key.path, &before->name, before, std::nullopt);
    t.Commit();
    return true;
}

std::vector<RegValue> RegistryStore::Values(int64_t keyId) {
    std::vector<RegValue> values;
    auto q = db_.Prepare("SELECT name, type, data, fold FROM reg_values WHERE key = ?");
    q.Bind(1, keyId);
    while (q.Step()) {
        values.push_back({FromUtf8(q.Text(0)), static_cast<uint32_t>(q.Int(1)), q.Blob(2)});
    }
    std::sort(values.begin(), values.end(), [](const RegValue& a, const RegValue& b) {
        return FoldKey(a.name) < FoldKey(b.name);
    });
    return values;
}

bool RegistryStore::KeyExists(RootKey root, std::u16string_view path) {
    std::u16string normalised;
    return AppendKeyPath(&normalised, path) && FindKey(root, normalised).has_value();
}

RegKey RegistryStore::ReadKey(RootKey root, std::u16string_view path) {
    Database::ReadTransaction snapshot(db_);
    std::u16string normalised;
    std::optional<KeyRow> key;
    if (AppendKeyPath(&normalised, path)) key = StoredKey(root, normalised);
    if (!key) throw DeviceError("no such key: " + KeyName(root, normalised));
    return RegKey{root, key->path, Values(key->id)};
}

void RegistryStore::LogChange(const char* kind, RootKey root, std::u16string_view storedPath,
                              const std::u16string* name, const std::optional<RegValue>& before,
                              const std::optional<RegValue>& after) {
    auto q = db_.Prepare(
        "INSERT INTO changes(time, pid, kind, key, name, old_type, old_data, new_type, new_data) "
        "VALUES(strftime('%Y-%m-%dT%H:%M:%fZ', 'now'), ?, ?, ?, ?, ?, ?, ?, ?)");
    q.Bind(1, static_cast<int64_t>(getpid()))
        .Bind(2, std::string_view(kind))
        .Bind(3, KeyName(root, storedPath));
    if (name) {
        q.Bind(4, ToUtf8(*name));
    } else {
        q.BindNull(4);
    }
    BindValue(q, 5, before);
    BindValue(q, 7, after);
    q.Run();
}

std::vector<RegKey> RegistryStore::Export(std::optional<RootKey> root, std::u16string_view path) {
    // One snapshot: a state the registry really was in, whatever other processes write meanwhile.
    Database::ReadTransaction snapshot(db_);
    std::vector<RegKey> keys;
    auto collect = [this, &keys](RootKey r, const KeyRow& top) {
        std::vector<std::pair<std::string, KeyRow>> rows;
        const std::string fold = FoldKey(top.path);
        auto q = db_.Prepare(
            "SELECT id, path, fold FROM keys WHERE root = ? AND "
            "(fold = ? OR (fold > ? AND fold < ?) OR ? = '')");
        q.Bind(1, static_cast<int64_t>(r))
            .Bind(2, fold)
            .Bind(3, fold + "\\")
            .Bind(4, fold + "]")
            .Bind(5, fold);
        while (q.Step()) rows.push_back({q.Text(2), KeyRow{q.Int(0), r, FromUtf8(q.Text(1))}});
        std::sort(rows.begin(), rows.end(),
                  [](const auto& a, const auto& b) { return FoldedPathLess(a.first, b.first); });
        for (auto& [rowFold, row] : rows) {
            RegKey key{r, row.path, Values(row.id)};
            // A root key is listed only for values of its own.
            if (row.path.empty() && key.values.empty()) continue;
            keys.push_back(std::move(key));
        }
    };
    if (!root) {
        for (int r = 0; r < 3; ++r) collect(static_cast<RootKey>(r), Root(static_cast<RootKey>(r)));
        return keys;
    }
    std::u16string normalised;
    std::optional<KeyRow> top;
    if (AppendKeyPath(&normalised, path)) top = FindKey(*root, normalised);
    if (!top) throw DeviceError("no such key: " + KeyName(*root, normalised));
    collect(*root, *top);
    return keys;
}

void RegistryStore::Apply(const std::vector<RegFileOp>& ops, bool log) {
    Database::Transaction t(db_);
    for (RegFileOp op : ops) {
        std::u16string normalised;
        if (!AppendKeyPath(&normalised, op.path)) {
            throw DeviceError("a key name has more than 255 characters: " +
                              KeyName(op.root, op.path));
        }
        op.path = std::move(normalised);
        if (op.value.name.size() > kMaxValueNameLength) {
            throw DeviceError("a value name has more than 16,383 characters, under " +
                              KeyName(op.root, op.path));
        }
        bool created = false;
        switch (op.kind) {
            case RegFileOp::kCreateKey:
                CreateKey(op.root, op.path, &created, log);
                break;
            case RegFileOp::kDeleteKey:
                DeleteKeyTree(op.root, op.path, log);
                break;
            case RegFileOp::kSetValue:
                SetValue(CreateKey(op.root, op.path, &created, log), op.value, log);
                break;
            case RegFileOp::kDeleteValue:
                if (auto key = StoredKey(op.root, op.path)) DeleteValue(*key, op.value.name, log);
                break;
        }
    }
    t.Commit();
}

std::vector<Change> RegistryStore::Changes(int64_t afterSeq) {
    std::vector<Change> changes;
    auto q = db_.Prepare(
        "SELECT seq, time, pid, kind, key, name, old_type, old_data, new_type, new_data "
        "FROM changes WHERE seq > ? ORDER BY seq");
    q.Bind(1, afterSeq);
    while (q.Step()) {
        Change c;
        c.seq = q.Int(0);
        c.time = q.Text(1);
        c.pid = q.Int(2);
        c.kind = ChangeKind(q.Text(3));
        c.key = q.Text(4);
        if (c.kind == Change::kRestore) {
            c.snapshot = q.Text(5);
        } else {
            c.valueName = FromUtf8(q.Text(5));
        }
        if (!q.IsNull(6))
            c.before = RegValue{c.valueName, static_cast<uint32_t>(q.Int(6)), q.Blob(7)};
        if (!q.IsNull(8))
            c.after = RegValue{c.valueName, static_cast<uint32_t>(q.Int(8)), q.Blob(9)};
        changes.push_back(std::move(c));
    }
    return changes;
}

int64_t RegistryStore::RestoreFromSnapshot(std::string_view name) {
    // The restore's entry is numbered above every number either log used.
    auto next = db_.Prepare(
        "SELECT max(coalesce((SELECT max(seq) FROM main.changes), 0), "
        "coalesce((SELECT max(seq) FROM snapshot.changes), 0)) + 1");
    next.Step();
    const int64_t seq = next.Int(0);
    db_.Exec(R"sql(
        DELETE FROM main.reg_values;
        DELETE FROM main.keys;
        DELETE FROM main.changes;
        INSERT INTO main.keys(id, parent, root, name, path, fold)
          SELECT id, parent, root, name, path, fold FROM snapshot.keys ORDER BY id;
        INSERT INTO main.reg_values(key, name, fold, type, data)
          SELECT key, name, fold, type, data FROM snapshot.reg_values;
        INSERT INTO main.changes(seq, time, pid, kind, key, name, old_type, old_data, new_type,
                                 new_data)
          SELECT seq, time, pid, kind, key, name, old_type, old_data, new_type, new_data
          FROM snapshot.changes;
    )sql");
    db_.Prepare(
           "INSERT INTO changes(seq, time, pid, kind, key, name) "
           "VALUES(?, strftime('%Y-%m-%dT%H:%M:%fZ', 'now'), ?, 'restore', '', ?)")
        .Bind(1, seq)
        .Bind(2, static_cast<int64_t>(getpid()))
        .Bind(3, name)
        .Run();
    return seq;
}

}  // namespace ce
