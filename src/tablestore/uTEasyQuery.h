#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tablestore/uTEasyDatabase.h"

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
    bool IsNull() const;

private:
    const TEasyQuery& FQuery;
    int FColumn;
};

// A statement run on a database. Open reads every row of the result at once, so the record
// count is exact from the start and the file is not held while the caller walks the rows.
class TEasyQuery {
public:
    TEasyQuery() = default;
    TEasyQuery(const TEasyQuery&) = delete;
    TEasyQuery& operator=(const TEasyQuery&) = delete;

    std::shared_ptr<TEasyDatabase> Database;
    std::string SQL;
    // Values of the statement's "?1", "?2", ... parameters, in order.
    std::vector<TEasyValue> Params;

    void Open();
    // Runs a statement that returns no rows.
    void ExecSQL();
    void Close();
    bool Active() const { return FActive; }

    std::int32_t RecordCount() const { return static_cast<std::int32_t>(FRows); }
    std::int32_t RowsAffected() const { return FRowsAffected; }
    void First() { FRow = 0; }
    void Next() {
        if (FRow < FRows)
            ++FRow;
    }
    bool Eof() const { return FRow >= FRows; }
    std::int32_t FieldCount() const { return static_cast<std::int32_t>(FColumns.size()); }
    const std::string& FieldName(int Column) const {
        return FColumns.at(static_cast<std::size_t>(Column));
    }
    // An error when the query has no field of that name.
    TEasyField FieldByName(std::string_view Name) const;
    TEasyField Fields(int Column) const;

private:
    friend class TEasyField;
    std::string_view cell(int Column) const;
    bool cellIsNull(int Column) const;
    std::shared_ptr<TEasyDatabase> database() const;

    bool FActive = false;
    std::size_t FRows = 0;
    std::size_t FRow = 0;
    std::int32_t FRowsAffected = 0;
    std::vector<std::string> FColumns;
    // Every cell's text end to end; cell k spans FEnds[k-1] .. FEnds[k].
    std::string FText;
    std::vector<std::size_t> FEnds;
    std::vector<bool> FNulls;
};

} // namespace orvanta
