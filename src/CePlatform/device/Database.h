// A thin layer over one SQLite connection: cached prepared statements that reset themselves,
// and write transactions that take the write lock from their start.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ce {

// A failed SQLite call; code() is the SQLite result code, systemError() the host's errno behind
// it (0 when there was none).
class DbError : public std::runtime_error {
public:
    DbError(int code, const std::string& what, int systemError = 0)
        : std::runtime_error(what), code_(code), systemError_(systemError) {}
    int code() const { return code_; }
    int systemError() const { return systemError_; }

    // The database or its folder cannot be written (a read-only mount, missing permissions).
    bool ReadOnly() const;
    // The disk (or the user's quota) is full.
    bool DiskFull() const;

private:
    int code_;
    int systemError_;
};

// A prepared statement borrowed from the connection's cache; reset and unbound when it goes out
// of scope, so that no statement keeps a read transaction open.
class Statement {
public:
    Statement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, int64_t value);
    Statement& Bind(int index, std::string_view text);
    Statement& BindBlob(int index, const std::vector<uint8_t>& data);
    Statement& BindNull(int index);

    // True while a row is available.
    bool Step();
    // Steps through a statement that returns no rows.
    void Run();

    bool IsNull(int column) const;
    int64_t Int(int column) const;
    std::string Text(int column) const;
    std::vector<uint8_t> Blob(int column) const;

private:
    void Check(int rc) const;
    sqlite3* db_;
    sqlite3_stmt* stmt_;
};

class Database {
public:
    enum class Mode {
        kExisting,  // an existing database, read-write (read-only when its file cannot be written)
        kCreate,    // created when missing
        // An existing database that cannot be written, read as a file that nothing changes: no
        // locks, no write-ahead log. Only for a database whose folder cannot be written, so that
        // nobody can change it meanwhile, and that holds everything (no log beside it).
        kUnchanging,
    };
    // Opens a database. Throws DbError.
    Database(const std::filesystem::path& path, Mode mode);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // A statement for `sql`, prepared once per connection. `sql` must be a string literal: the
    // cache is keyed by its address.
    Statement Prepare(const char* sql);
    // Runs one or more statements that return no rows.
    void Exec(const char* sql);
    int64_t LastInsertId() const;
    bool InTransaction() const;
    // True when the connection can only read.
    bool ReadOnly() const;

    // A write transaction: BEGIN IMMEDIATE, so the write lock is taken at the start and waited
    // for (busy timeout) instead of failing on an upgrade later. Inside a transaction that is
    // already open it does nothing and leaves the commit to the outer one. Rolled back unless
    // Commit() is called.
    class Transaction {
    public:
        explicit Transaction(Database& db);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void Commit();

    private:
        Database& db_;
        bool owner_;
        bool done_ = false;
    };

    // A read transaction: every query inside it sees the database as it was at the first one,
    // whatever other connections commit meanwhile. Inside a transaction that is already open it
    // does nothing. Ended when it goes out of scope.
    class ReadTransaction {
    public:
        explicit ReadTransaction(Database& db);
        ~ReadTransaction();
        ReadTransaction(const ReadTransaction&) = delete;
        ReadTransaction& operator=(const ReadTransaction&) = delete;

    private:
        Database& db_;
        bool owner_;
    };

    sqlite3* handle() const { return db_; }

private:
    // Runs ROLLBACK or COMMIT for a transaction that ends in a destructor, ignoring a failure.
    void EndQuietly(const char* sql) noexcept;

    sqlite3* db_ = nullptr;
    std::unordered_map<const char*, sqlite3_stmt*> statements_;
};

}  // namespace ce
