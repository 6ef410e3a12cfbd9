#include "tablestore/uTEasyQuery.h"

#include <charconv>
#include <sqlite3.h>

#include "common/uTCustomStringList.h"

namespace orvanta {

std::string_view TEasyField::AsText() const {
    return FQuery.cell(FColumn);
}

bool TEasyField::IsNull() const {
    return FQuery.cellIsNull(FColumn);
}

std::int32_t TEasyField::AsInteger() const {
    std::string_view text = AsText();
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    std::int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return static_cast<std::int32_t>(value);
}

std::shared_ptr<TEasyDatabase> TEasyQuery::database() const {
    if (!Database || !Database->Connected())
        throw EEasyError("The query has no open database");
    return Database;
}

void TEasyQuery::Open() {
    Close();
    auto connection = database();
    sqlite3_stmt* statement = connection->Prepare(SQL, Params);
    const int columns = sqlite3_column_count(statement);
    if (columns == 0) {
        sqlite3_reset(statement);
        throw EEasyError("The statement returns no rows: \"" + SQL + "\"");
    }
    for (int c = 0; c < columns; ++c)
        FColumns.emplace_back(sqlite3_column_name(statement, c));
    int result = SQLITE_ROW;
    while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            const int length = sqlite3_column_bytes(statement, c);
            if (text != nullptr)
                FText.append(text, static_cast<std::size_t>(length));
            FEnds.push_back(FText.size());
            FNulls.push_back(text == nullptr);
        }
        ++FRows;
    }
    sqlite3_reset(statement);
    if (result != SQLITE_DONE) {
        Close();
        connection->Fail("Cannot run \"" + SQL + "\"");
    }
    FActive = true;
}

void TEasyQuery::ExecSQL() {
    Close();
    auto connection = database();
    FRowsAffected = connection->Run(connection->Prepare(SQL, Params));
}

void TEasyQuery::Close() {
    FActive = false;
    FRows = 0;
    FRow = 0;
    FColumns.clear();
    FText.clear();
    FText.shrink_to_fit();
    FEnds.clear();
    FEnds.shrink_to_fit();
    FNulls.clear();
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

std::string_view TEasyQuery::cell(int Column) const {
    if (!FActive || Eof())
        throw EEasyError("The query has no current record");
    const std::size_t k = FRow * FColumns.size() + static_cast<std::size_t>(Column);
    const std::size_t start = k == 0 ? 0 : FEnds[k - 1];
    return std::string_view(FText).substr(start, FEnds[k] - start);
}

bool TEasyQuery::cellIsNull(int Column) const {
    if (!FActive || Eof())
        throw EEasyError("The query has no current record");
    return FNulls[FRow * FColumns.size() + static_cast<std::size_t>(Column)];
}

} // namespace orvanta
