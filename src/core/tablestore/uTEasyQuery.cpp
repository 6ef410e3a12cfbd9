#include "core/tablestore/uTEasyQuery.h"

#include <charconv>
#include <sqlite3.h>

#include "core/common/uTCustomStringList.h"

namespace orvanta {

namespace {

bool isWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Whether Sql holds the keyword Word (upper case) as a whole word at At.
bool keywordAt(std::string_view Sql, std::size_t At, std::string_view Word) {
    if (At + Word.size() > Sql.size() || (At > 0 && isWordChar(Sql[At - 1])))
        return false;
    for (std::size_t i = 0; i < Word.size(); ++i) {
        char c = Sql[At + i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != Word[i])
            return false;
    }
    return At + Word.size() == Sql.size() || !isWordChar(Sql[At + Word.size()]);
}

// The statement without its closing ORDER BY, which changes no count but can cost a walk of
// the whole table; whole when a LIMIT follows it. Quotes and parentheses are skipped; a
// comment that fools this only makes the count statement fail to prepare.
std::string_view withoutOrdering(std::string_view Sql) {
    std::size_t order = std::string_view::npos;
    int depth = 0;
    char quote = 0;
    for (std::size_t i = 0; i < Sql.size(); ++i) {
        const char c = Sql[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"' || c == '`') {
            quote = c;
        } else if (c == '[') {
            quote = ']';
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (depth == 0 && keywordAt(Sql, i, "ORDER")) {
            std::size_t by = i + 5;
            while (by < Sql.size() &&
                   (Sql[by] == ' ' || Sql[by] == '\t' || Sql[by] == '\n' || Sql[by] == '\r'))
                ++by;
            if (by > i + 5 && keywordAt(Sql, by, "BY"))
                order = i;
        } else if (depth == 0 && order != std::string_view::npos && keywordAt(Sql, i, "LIMIT")) {
            return Sql;
        }
    }
    return order == std::string_view::npos ? Sql : Sql.substr(0, order);
}

} // namespace

std::string_view TEasyField::AsText() const {
    return FQuery.cell(FColumn);
}

bool TEasyField::IsNull() const {
    return FQuery.cellIsNull(FColumn);
}

std::int32_t TEasyField::AsInteger() const {
    return static_cast<std::int32_t>(AsInt64());
}

std::int64_t TEasyField::AsInt64() const {
    std::string_view text = AsText();
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    std::int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

TEasyQuery::~TEasyQuery() {
    Close();
}

std::shared_ptr<TEasyDatabase> TEasyQuery::database() const {
    if (!Database || !Database->Connected())
        throw EEasyError("The query has no open database");
    return Database;
}

void TEasyQuery::Open() {
    open(true);
}

void TEasyQuery::OpenUncounted() {
    open(false);
}

void TEasyQuery::open(bool Counted) {
    Close();
    FCounted = Counted;
    FConnection = database();
    FGeneration = FConnection->Generation();
    FStatement = FConnection->PrepareOwn(SQL, Params);
    if (sqlite3_column_count(FStatement) == 0) {
        Close();
        throw EEasyError("The statement returns no rows: \"" + SQL + "\"");
    }
    try {
        execute();
    } catch (...) {
        Close();
        throw;
    }
    // Named after the first step: a kept statement is prepared again there when the schema
    // has changed since.
    const int columns = sqlite3_column_count(FStatement);
    for (int c = 0; c < columns; ++c)
        FColumns.emplace_back(sqlite3_column_name(FStatement, c));
}

void TEasyQuery::execute() {
    sqlite3_reset(FStatement);
    FRow = 0;
    FCount = 0;
    step();
    if (!FEof)
        FCount = FCounted ? countRows() : -1;
}

void TEasyQuery::step() {
    const int result = sqlite3_step(FStatement);
    if (result == SQLITE_ROW) {
        FEof = false;
        return;
    }
    FEof = true;
    if (result == SQLITE_DONE) {
        // Ends the read snapshot; the statement stays for First.
        sqlite3_reset(FStatement);
        return;
    }
    const std::string message =
        "Cannot run \"" + SQL + "\": " + sqlite3_errmsg(sqlite3_db_handle(FStatement));
    Close();
    throw EEasyError(message, result & 0xFF);
}

std::int32_t TEasyQuery::countRows() {
    // Runs while FStatement has a row in hand, so both read the same snapshot of the file.
    sqlite3_stmt* count = nullptr;
    try {
        count = FConnection->Prepare(
            "SELECT count(*) FROM (" + std::string(withoutOrdering(SQL)) + ")", Params);
    } catch (const EEasyError&) {
        count = nullptr; // not a SELECT that can be wrapped, e.g. a PRAGMA
    }
    std::int64_t rows = 0;
    if (count != nullptr) {
        const int result = sqlite3_step(count);
        if (result == SQLITE_ROW)
            rows = sqlite3_column_int64(count, 0);
        sqlite3_reset(count);
        if (result != SQLITE_ROW)
            FConnection->Fail("Cannot count the rows of \"" + SQL + "\"");
    } else {
        sqlite3_stmt* copy = FConnection->PrepareOwn(SQL, Params);
        int result = SQLITE_ROW;
        while ((result = sqlite3_step(copy)) == SQLITE_ROW)
            ++rows;
        FConnection->Release(copy, FGeneration);
        if (result != SQLITE_DONE)
            FConnection->Fail("Cannot count the rows of \"" + SQL + "\"");
    }
    return static_cast<std::int32_t>(rows);
}

void TEasyQuery::First() {
    if (FStatement == nullptr || (FRow == 0 && !FEof))
        return;
    checkConnection();
    try {
        execute();
    } catch (...) {
        Close(); // a failed start again holds no snapshot
        throw;
    }
}

void TEasyQuery::Next() {
    if (FStatement == nullptr || FEof)
        return;
    checkConnection();
    ++FRow;
    step();
}

void TEasyQuery::ExecSQL() {
    Close();
    auto connection = database();
    connection->Run(connection->Prepare(SQL, Params));
}

void TEasyQuery::Close() {
    if (FStatement != nullptr)
        FConnection->Release(FStatement, FGeneration);
    FStatement = nullptr;
    FConnection.reset();
    FEof = true;
    FCount = 0;
    FRow = 0;
    FColumns.clear();
}

TEasyField TEasyQuery::FieldByName(std::string_view Name) const {
    for (std::size_t c = 0; c < FColumns.size(); ++c)
        if (SameTextAscii(FColumns[c], Name))
            return TEasyField(*this, static_cast<int>(c));
    throw EEasyError("Field " + std::string(Name) + " not found");
}

TEasyField TEasyQuery::Fields(int Column) const {
    if (Column < 0 || static_cast<std::size_t>(Column) >= FColumns.size())
        throw EEasyError("Field index " + std::to_string(Column) + " out of range");
    return TEasyField(*this, Column);
}

void TEasyQuery::checkConnection() const {
    if (!FConnection->Connected() || FConnection->Generation() != FGeneration)
        throw EEasyError("The database of the query \"" + SQL + "\" was closed");
}

std::string_view TEasyQuery::cell(int Column) const {
    if (FStatement == nullptr || FEof)
        throw EEasyError("The query has no current record");
    checkConnection();
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(FStatement, Column));
    if (text == nullptr)
        return {};
    return std::string_view(text,
                            static_cast<std::size_t>(sqlite3_column_bytes(FStatement, Column)));
}

bool TEasyQuery::cellIsNull(int Column) const {
    if (FStatement == nullptr || FEof)
        throw EEasyError("The query has no current record");
    checkConnection();
    return sqlite3_column_type(FStatement, Column) == SQLITE_NULL;
}

} // namespace orvanta
