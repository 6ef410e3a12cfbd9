#include "core/tablestore/uTEasyDatabase.h"

#include <cassert>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanta {

namespace {
// How long a statement waits for another connection's lock before it fails as busy.
constexpr int BusyTimeoutMs = 5000;
} // namespace

class TEasyDatabase::TUse {
public:
#ifndef NDEBUG
    explicit TUse(const TEasyDatabase& Database) : FDatabase(Database) {
        const std::thread::id self = std::this_thread::get_id();
        if (FDatabase.FUses.fetch_add(1) > 0)
            assert(FDatabase.FUser.load() == self && "one connection used by two threads at once");
        FDatabase.FUser = self;
    }
    ~TUse() {
        FDatabase.FUses.fetch_sub(1);
    }
    TUse(const TUse&) = delete;
    TUse& operator=(const TUse&) = delete;

private:
    const TEasyDatabase& FDatabase;
#else
    explicit TUse(const TEasyDatabase&) {}
#endif
};

std::string_view CutToChars(std::string_view Text, std::size_t MaxChars) {
    std::size_t pos = 0;
    for (std::size_t chars = 0; chars < MaxChars && pos < Text.size(); ++chars) {
        ++pos;
        // Continuation bytes belong to the character before them.
        while (pos < Text.size() && (static_cast<unsigned char>(Text[pos]) & 0xC0u) == 0x80u)
            ++pos;
    }
    return Text.substr(0, pos);
}

bool EEasyError::Busy() const {
    return FCode == SQLITE_BUSY || FCode == SQLITE_LOCKED;
}

TEasyDatabase::~TEasyDatabase() {
    Close();
}

void TEasyDatabase::Fail(std::string_view What) const {
    std::string message(What);
    if (FHandle != nullptr) {
        message += ": ";
        message += sqlite3_errmsg(FHandle);
        throw EEasyError(message, sqlite3_errcode(FHandle) & 0xFF);
    }
    throw EEasyError(message);
}

void TEasyDatabase::connect(int Flags) {
    Close();
    if (sqlite3_open_v2(FileName.c_str(), &FHandle, Flags | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        const std::string message = "Cannot open the database \"" + FileName +
                                    "\": " + (FHandle ? sqlite3_errmsg(FHandle) : "out of memory");
        Close();
        throw EEasyError(message);
    }
    ++FGeneration;
    sqlite3_extended_result_codes(FHandle, 1);
    sqlite3_busy_timeout(FHandle, BusyTimeoutMs);
    try {
        // Reading the schema is the first touch of the file: a damaged or foreign file fails
        // here, before anything is written to it.
        Execute("SELECT count(*) FROM sqlite_master");
        refuseForeignFile();
        if (!ReadOnly) {
            Execute("PRAGMA journal_mode=WAL");
            Execute("PRAGMA synchronous=FULL");
        }
    } catch (const EEasyError& error) {
        const std::string message =
            "Cannot open the database \"" + FileName + "\": " + sqlite3_errmsg(FHandle);
        Close();
        throw EEasyError(message, error.Code());
    }
}

void TEasyDatabase::refuseForeignFile() {
    if (RequiredTable.empty() || IsEmpty())
        return;
    const std::vector<TEasyValue> name{RequiredTable};
    sqlite3_stmt* find =
        Prepare("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?1", name);
    const bool found = sqlite3_step(find) == SQLITE_ROW && sqlite3_column_int64(find, 0) > 0;
    sqlite3_reset(find);
    if (!found)
        throw EEasyError("Cannot open the database \"" + FileName + "\": it has no table " +
                         RequiredTable);
}

void TEasyDatabase::Open() {
    struct stat info {};
    if (::stat(FileName.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        throw EEasyError("Cannot open the database \"" + FileName + "\": no such file");
    connect(ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
}

bool TEasyDatabase::CanWriteNow() {
    if (FHandle == nullptr)
        throw EEasyError("The database is not open");
    sqlite3_busy_timeout(FHandle, 0);
    const int result = sqlite3_exec(FHandle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(FHandle, BusyTimeoutMs);
    if (result == SQLITE_OK) {
        sqlite3_exec(FHandle, "ROLLBACK", nullptr, nullptr, nullptr);
        return true;
    }
    if ((result & 0xFF) == SQLITE_BUSY)
        return false;
    Fail("Cannot lock the database for writing");
}

void TEasyDatabase::CreateDatabase() {
    struct stat info {};
    if (::stat(FileName.c_str(), &info) == 0)
        throw EEasyError("Cannot create the database \"" + FileName + "\": the file exists");
    // A log left without its database belongs to a file that is gone; it must not be
    // replayed into the new one.
    ::unlink((FileName + "-wal").c_str());
    ::unlink((FileName + "-shm").c_str());
    connect(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

void TEasyDatabase::Close() {
    for (auto* statements : {&FStatements, &FIdle}) {
        for (auto& [sql, statement] : *statements)
            sqlite3_finalize(statement);
        statements->clear();
    }
    if (FHandle != nullptr) {
        if (FDepth > 0)
            sqlite3_exec(FHandle, "ROLLBACK", nullptr, nullptr, nullptr);
        // Statements still held by open queries keep the handle alive until they are
        // finalized; the generation tells those queries the connection is gone.
        sqlite3_close_v2(FHandle);
        FHandle = nullptr;
        ++FGeneration;
    }
    FDepth = 0;
}

void TEasyDatabase::Execute(const std::string& Sql) {
    [[maybe_unused]] const TUse use(*this);
    if (FHandle == nullptr)
        throw EEasyError("The database is not open");
    if (sqlite3_exec(FHandle, Sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        Fail("Cannot run \"" + Sql + "\"");
}

bool TEasyDatabase::IsEmpty() {
    sqlite3_stmt* count = Prepare("SELECT count(*) FROM sqlite_master", {});
    if (sqlite3_step(count) != SQLITE_ROW) {
        sqlite3_reset(count);
        Fail("Cannot read the schema");
    }
    const bool empty = sqlite3_column_int64(count, 0) == 0;
    sqlite3_reset(count);
    return empty;
}

sqlite3_stmt* TEasyDatabase::compile(const std::string& Sql) {
    if (FHandle == nullptr)
        throw EEasyError("The database is not open");
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(FHandle, Sql.c_str(), static_cast<int>(Sql.size()), &statement, &tail) !=
        SQLITE_OK)
        Fail("Cannot prepare \"" + Sql + "\"");
    if (statement == nullptr || (tail != nullptr && *tail != '\0')) {
        sqlite3_finalize(statement);
        throw EEasyError("Not a single statement: \"" + Sql + "\"");
    }
    return statement;
}

void TEasyDatabase::bind(sqlite3_stmt* Statement, const std::string& Sql,
                         const std::vector<TEasyValue>& Params, bool Copy) {
    if (static_cast<std::size_t>(sqlite3_bind_parameter_count(Statement)) != Params.size())
        throw EEasyError("Wrong number of values for \"" + Sql + "\"");
    for (std::size_t i = 0; i < Params.size(); ++i) {
        const int slot = static_cast<int>(i) + 1;
        int result = SQLITE_OK;
        if (const auto* text = std::get_if<std::string>(&Params[i]))
            result = sqlite3_bind_text64(Statement, slot, text->data(), text->size(),
                                         Copy ? SQLITE_TRANSIENT : SQLITE_STATIC, SQLITE_UTF8);
        else
            result = sqlite3_bind_int64(Statement, slot, std::get<std::int64_t>(Params[i]));
        if (result != SQLITE_OK)
            Fail("Cannot bind a value of \"" + Sql + "\"");
    }
}

sqlite3_stmt* TEasyDatabase::Prepare(const std::string& Sql,
                                     const std::vector<TEasyValue>& Params) {
    [[maybe_unused]] const TUse use(*this);
    if (FHandle == nullptr)
        throw EEasyError("The database is not open");
    sqlite3_stmt* statement = nullptr;
    if (auto found = FStatements.find(Sql); found != FStatements.end()) {
        // Every slot is bound again below, so the old values need no clearing.
        statement = found->second;
        sqlite3_reset(statement);
    } else {
        statement = compile(Sql);
        FStatements.emplace(Sql, statement);
    }
    bind(statement, Sql, Params, false);
    return statement;
}

sqlite3_stmt* TEasyDatabase::PrepareOwn(const std::string& Sql,
                                        const std::vector<TEasyValue>& Params) {
    [[maybe_unused]] const TUse use(*this);
    sqlite3_stmt* statement = nullptr;
    if (auto idle = FIdle.find(Sql); idle != FIdle.end() && FHandle != nullptr) {
        statement = idle->second;
        FIdle.erase(idle);
    } else {
        statement = compile(Sql);
    }
    try {
        bind(statement, Sql, Params, true);
    } catch (...) {
        sqlite3_finalize(statement);
        throw;
    }
    return statement;
}

void TEasyDatabase::Release(sqlite3_stmt* Statement, std::uint64_t Generation) {
    if (Statement == nullptr)
        return;
    sqlite3_reset(Statement);
    sqlite3_clear_bindings(Statement);
    // An EXPLAIN reads no table, so it would never notice a schema change: never kept.
    if (Generation != FGeneration || FHandle == nullptr || sqlite3_stmt_isexplain(Statement) ||
        !FIdle.emplace(sqlite3_sql(Statement), Statement).second)
        sqlite3_finalize(Statement);
}

std::int64_t TEasyDatabase::LastInsertId() const {
    return sqlite3_last_insert_rowid(FHandle);
}

int TEasyDatabase::Run(sqlite3_stmt* Statement) {
    [[maybe_unused]] const TUse use(*this);
    int result = sqlite3_step(Statement);
    while (result == SQLITE_ROW)
        result = sqlite3_step(Statement);
    if (result != SQLITE_DONE) {
        const std::string sql = sqlite3_sql(Statement);
        sqlite3_reset(Statement);
        Fail("Cannot run \"" + sql + "\"");
    }
    sqlite3_reset(Statement);
    return sqlite3_changes(FHandle);
}

void TEasyDatabase::StartTransaction() {
    [[maybe_unused]] const TUse use(*this);
    // Inner levels are savepoints, so an inner failure undoes only its own work.
    Execute(FDepth == 0 ? std::string("BEGIN IMMEDIATE")
                        : "SAVEPOINT level" + std::to_string(FDepth));
    ++FDepth;
}

void TEasyDatabase::Commit() {
    [[maybe_unused]] const TUse use(*this);
    if (FDepth == 0)
        return;
    Execute(FDepth == 1 ? std::string("COMMIT") : "RELEASE level" + std::to_string(FDepth - 1));
    --FDepth;
}

void TEasyDatabase::Rollback() {
    [[maybe_unused]] const TUse use(*this);
    if (FDepth == 0)
        return;
    --FDepth;
    if (FHandle == nullptr || sqlite3_get_autocommit(FHandle)) {
        // SQLite already ended the whole transaction (after an I/O error, for instance).
        FDepth = 0;
        return;
    }
    if (FDepth == 0)
        Execute("ROLLBACK");
    else
        Execute("ROLLBACK TO level" + std::to_string(FDepth) + "; RELEASE level" +
                std::to_string(FDepth));
}

} // namespace orvanta
