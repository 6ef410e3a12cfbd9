#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/tablestore/uTEasyDatabase.h"

namespace orvanta {

class TEasyQuery;

// One field of a query's current record.
class TEasyField {
public:
    TEasyField(const TEasyQuery& Query, int Column) : FQuery(Query), FColumn(Column) {}
    std::string_view AsText() const;
    std::string AsString() const { return std::string(AsText()); }
    // The leading decimal number of the value; 0 when there is none.
    std::int32_t AsInteger() const;
    std::int64_t AsInt64() const;
    bool IsNull() const;

private:
    const TEasyQuery& FQuery;
    int FColumn;
};

// A statement run on a database. Open steps to the first row and counts the rows of the
// result; Next reads one row at a time, so opening a large result costs no more than its
// count. While rows are left to walk, the query holds a read snapshot of the file: its rows
// are those of the moment it was opened (writes on the same connection in the meantime may or
// may not show, so callers collect what they need and Close before they write). First after
// the walk has moved runs the statement again, with a fresh count.
class TEasyQuery {
public:
    TEasyQuery() = default;
    ~TEasyQuery();
    TEasyQuery(const TEasyQuery&) = delete;
    TEasyQuery& operator=(const TEasyQuery&) = delete;

    std::shared_ptr<TEasyDatabase> Database;
    std::string SQL;
    // Values of the statement's "?1", "?2", ... parameters, in order.
    std::vector<TEasyValue> Params;

    void Open();
    // Open for a walk from the first row to the end, without counting the rows first (a
    // second pass over the result): RecordCount is -1 unless the result is empty.
    void OpenUncounted();
    // Runs a statement that returns no rows.
    void ExecSQL();
    void Close();
    bool Active() const { return FStatement != nullptr; }

    // Exact from Open on: the number of rows the walk will visit; -1 after OpenUncounted.
    std::int32_t RecordCount() const { return FCount; }
    void First();
    void Next();
    bool Eof() const { return FEof; }
    std::int32_t FieldCount() const { return static_cast<std::int32_t>(FColumns.size()); }
    const std::string& FieldName(int Column) const {
        return FColumns.at(static_cast<std::size_t>(Column));
    }
    // An error when the query has no field of that name.
    TEasyField FieldByName(std::string_view Name) const;
    TEasyField Fields(int Column) const;

private:
    friend class TEasyField;
    // A field's text stays valid until the query moves or closes.
    std::string_view cell(int Column) const;
    bool cellIsNull(int Column) const;
    std::shared_ptr<TEasyDatabase> database() const;
    void checkConnection() const;
    void open(bool Counted);
    // Runs the statement from its start: first row and count.
    void execute();
    void step();
    std::int32_t countRows();

    sqlite3_stmt* FStatement = nullptr;
    // The connection FStatement belongs to, as it was when the statement was prepared.
    std::shared_ptr<TEasyDatabase> FConnection;
    std::uint64_t FGeneration = 0;
    bool FEof = true;
    std::int32_t FCount = 0;
    bool FCounted = true;
    std::int32_t FRow = 0;
    std::vector<std::string> FColumns;
};

} // namespace orvanta
