#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace orvanta {

// An error of the table engine, carrying SQLite's message. The only exception of the core.
class EEasyError : public std::runtime_error {
public:
    explicit EEasyError(const std::string& Message, int Code = 0)
        : std::runtime_error(Message), FCode(Code) {}
    // SQLite's primary result code, 0 when the error did not come from SQLite.
    int Code() const { return FCode; }
    // Another connection holds the lock this one needed.
    bool Busy() const;

private:
    int FCode;
};

// A value bound to a statement's "?N" parameter.
using TEasyValue = std::variant<std::string, std::int64_t>;

// Cuts Text to at most MaxChars UTF-8 characters, never inside a character.
std::string_view CutToChars(std::string_view Text, std::size_t MaxChars);

// One connection to one database file. Writes are durable when they return: the write-ahead
// log is flushed to disk at every commit.
class TEasyDatabase {
public:
    TEasyDatabase() = default;
    ~TEasyDatabase();
    TEasyDatabase(const TEasyDatabase&) = delete;
    TEasyDatabase& operator=(const TEasyDatabase&) = delete;

    std::string FileName;
    // Opens without write access and leaves the journal mode as it is.
    bool ReadOnly = false;
    // When set, a file that holds tables but not this one is refused before anything in it
    // changes (the switch to the write-ahead log writes to the file).
    std::string RequiredTable;

    // Opens the existing file FileName; an error when it is missing, unreadable or not a
    // database.
    void Open();
    // Creates a new, empty database file at FileName; an error when a file is already there.
    void CreateDatabase();
    void Close();
    bool Connected() const { return FHandle != nullptr; }
    // Takes and gives back the write lock without waiting; false when another connection
    // holds it.
    bool CanWriteNow();

    void Execute(const std::string& Sql);
    // Whether the file holds no table, view or index at all.
    bool IsEmpty();
    // A prepared statement, reset and with the values bound, owned by the connection. The
    // texts are bound without a copy, which a row's thirty values would cost on every add:
    // Params must outlive the statement's steps, which every caller takes at once.
    sqlite3_stmt* Prepare(const std::string& Sql, const std::vector<TEasyValue>& Params);
    // A statement of the caller's own, with the values bound, until the caller hands it back
    // with Release. Another Prepare of the same text never resets it in the middle of a walk.
    sqlite3_stmt* PrepareOwn(const std::string& Sql, const std::vector<TEasyValue>& Params);
    // Takes back a statement from PrepareOwn, made while Generation was current, to be
    // reused by the next PrepareOwn of its text.
    void Release(sqlite3_stmt* Statement, std::uint64_t Generation);
    // Steps a statement that returns no rows; the number of rows it changed.
    int Run(sqlite3_stmt* Statement);
    // The row id of the last row this connection inserted.
    std::int64_t LastInsertId() const;

    // Transactions nest: the outermost level is on disk when its Commit returns; Rollback
    // undoes the innermost level only.
    void StartTransaction();
    void Commit();
    void Rollback();
    bool InTransaction() const { return FDepth > 0; }

    [[noreturn]] void Fail(std::string_view What) const;
    // Changes whenever the connection is opened or closed, so a statement can tell that the
    // connection it was prepared on is gone.
    std::uint64_t Generation() const { return FGeneration; }

private:
    void connect(int Flags);
    void refuseForeignFile();
    sqlite3_stmt* compile(const std::string& Sql);
    void bind(sqlite3_stmt* Statement, const std::string& Sql,
              const std::vector<TEasyValue>& Params, bool Copy);

    // Debug builds check that one thread at a time uses the connection: SQLite runs it without
    // a mutex of its own.
    class TUse;
#ifndef NDEBUG
    mutable std::atomic<int> FUses{0};
    mutable std::atomic<std::thread::id> FUser{};
#endif

    sqlite3* FHandle = nullptr;
    int FDepth = 0;
    std::uint64_t FGeneration = 0;
    std::unordered_map<std::string, sqlite3_stmt*> FStatements;
    // Statements handed back by their owners, one per text.
    std::unordered_map<std::string, sqlite3_stmt*> FIdle;
};

} // namespace orvanta
