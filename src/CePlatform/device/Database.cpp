#include "device/Database.h"

#include <cctype>
#include <cerrno>
#include <cstring>

namespace ce {

namespace {

constexpr int kBusyTimeoutMs = 10000;

[[noreturn]] void Fail(sqlite3* db, int rc, const std::string& context) {
    std::string message = context + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    throw DbError(rc, message, db ? sqlite3_system_errno(db) : 0);
}

// A URI that opens `path` read-only as an unchanging file.
std::string UnchangingUri(const std::filesystem::path& path) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string uri = "file:";
    // A path that starts with two slashes would read as an authority.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    const std::string text = (ec ? path : absolute).lexically_normal().string();
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (std::isalnum(c) || (c == '/' && !(i == 1 && text[0] == '/')) ||
            std::strchr("-._~", c) != nullptr) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kDigits[c >> 4];
            uri += kDigits[c & 0xF];
        }
    }
    return uri + "?immutable=1";
}

}  // namespace

bool DbError::ReadOnly() const {
    if (code_ == SQLITE_READONLY) return true;
    const bool hostRefused =
        systemError_ == EROFS || systemError_ == EACCES || systemError_ == EPERM;
    return hostRefused && (code_ == SQLITE_IOERR || code_ == SQLITE_CANTOPEN);
}

bool DbError::DiskFull() const {
    return code_ == SQLITE_FULL || systemError_ == ENOSPC || systemError_ == EDQUOT;
}

Statement::~Statement() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void Statement::Check(int rc) const {
    if (rc != SQLITE_OK) Fail(db_, rc, "binding a parameter");
}

Statement& Statement::Bind(int index, int64_t value) {
    Check(sqlite3_bind_int64(stmt_, index, value));
    return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
    Check(
        sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
    return *this;
}

Statement& Statement::BindBlob(int index, const std::vector<uint8_t>& data) {
    // An empty vector may have no buffer; SQLite would then bind NULL instead of an empty blob.
    static const uint8_t kNothing = 0;
    const void* bytes = data.empty() ? &kNothing : data.data();
    Check(sqlite3_bind_blob64(stmt_, index, bytes, data.size(), SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::BindNull(int index) {
    Check(sqlite3_bind_null(stmt_, index));
    return *this;
}

bool Statement::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Fail(db_, rc, "running a query");
}

void Statement::Run() {
    while (Step()) {
    }
}

bool Statement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Statement::Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    return text ? std::string(text, static_cast<size_t>(size)) : std::string();
}

std::vector<uint8_t> Statement::Blob(int column) const {
    const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    return bytes ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
}

Database::Database(const std::filesystem::path& path, Mode mode) {
    int rc;
    if (mode == Mode::kUnchanging) {
        rc = sqlite3_open_v2(UnchangingUri(path).c_str(), &db_,
                             SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    } else {
        const int flags = SQLITE_OPEN_READWRITE | (mode == Mode::kCreate ? SQLITE_OPEN_CREATE : 0);
        rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    }
    if (rc != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        const int systemError = db_ ? sqlite3_system_errno(db_) : 0;
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError(rc, message, systemError);
    }
    sqlite3_extended_result_codes(db_, 0);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

Database::~Database() {
    for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
    sqlite3_close(db_);
}

Statement Database::Prepare(const char* sql) {
    auto found = statements_.find(sql);
    if (found == statements_.end()) {
        sqlite3_stmt* stmt = nullptr;
        const int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
        if (rc != SQLITE_OK) Fail(db_, rc, "preparing a query");
        found = statements_.emplace(sql, stmt).first;
    }
    return Statement(db_, found->second);
}

void Database::Exec(const char* sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errstr(rc);
        sqlite3_free(error);
        throw DbError(rc, message, sqlite3_system_errno(db_));
    }
}

int64_t Database::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

bool Database::InTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

bool Database::ReadOnly() const { return sqlite3_db_readonly(db_, "main") == 1; }

// Transactions begin and end through cached statements: parsing "BEGIN IMMEDIATE" and "COMMIT"
// anew would cost a registry write about a fifth of its time.
Database::Transaction::Transaction(Database& db) : db_(db), owner_(!db.InTransaction()) {
    if (owner_) db_.Prepare("BEGIN IMMEDIATE").Run();
}

Database::Transaction::~Transaction() {
    if (owner_ && !done_ && db_.InTransaction()) db_.EndQuietly("ROLLBACK");
}

void Database::Transaction::Commit() {
    if (owner_ && !done_) db_.Prepare("COMMIT").Run();
    done_ = true;
}

Database::ReadTransaction::ReadTransaction(Database& db) : db_(db), owner_(!db.InTransaction()) {
    if (owner_) db_.Prepare("BEGIN").Run();
}

Database::ReadTransaction::~ReadTransaction() {
    if (owner_ && db_.InTransaction()) db_.EndQuietly("COMMIT");
}

void Database::EndQuietly(const char* sql) noexcept {
    try {
        Prepare(sql).Run();
    } catch (...) {
        // A destructor cannot report it; an open transaction is ended when the connection is.
    }
}

}  // namespace ce
