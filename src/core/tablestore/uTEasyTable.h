#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/tablestore/uTEasyDatabase.h"

namespace orvanta {

enum class TEasyFieldType { ftString, ftInteger };

struct TEasyFieldDef {
    std::string Name;
    TEasyFieldType DataType = TEasyFieldType::ftString;
    // Maximum length in characters of a string field.
    int Size = 0;
    bool Required = false;
};

struct TEasyIndexDef {
    std::string Name;
    // The indexed expressions, e.g. "LOWER(fDirectory), LOWER(fFileName)".
    std::string Expressions;
};

// One table of a database file: creates it, and appends records to it by field name.
class TEasyTable {
public:
    TEasyTable() = default;
    TEasyTable(const TEasyTable&) = delete;
    TEasyTable& operator=(const TEasyTable&) = delete;

    std::string DatabaseFileName;
    std::string TableName;
    // Opening an existing file that lacks this table is an error, raised before the file is
    // touched.
    bool TableRequired = false;
    std::vector<TEasyFieldDef> FieldDefs;
    std::vector<TEasyIndexDef> IndexDefs;

    // The connection to DatabaseFileName, opened on first use and shared with the queries
    // that address the same file.
    std::shared_ptr<TEasyDatabase> Database();
    // Uses an open connection instead of opening one (it must be on DatabaseFileName).
    void SetDatabase(std::shared_ptr<TEasyDatabase> Connection);
    // Drops the connection; the next use opens the file again.
    void Disconnect();

    // Creates the table and its indexes from FieldDefs and IndexDefs.
    void CreateTable();
    // Reads the table's fields from the file; an error when the table is missing.
    void Open();
    void Close();
    bool Active() const { return FActive; }

    // Starts a new record with every field empty; Post stores it.
    void Append();
    void SetFieldText(std::string_view Name, std::string_view Value);
    void SetFieldInteger(std::string_view Name, std::int64_t Value);
    // Stores Value whole, whatever size the field declares: for bytes such as paths, which
    // must never be cut.
    void SetFieldBytes(std::string_view Name, std::string_view Value);
    void Post();
    void Cancel() { FEditing = false; }

private:
    int fieldIndex(std::string_view Name) const;

    std::shared_ptr<TEasyDatabase> FDatabase;
    bool FActive = false;
    bool FEditing = false;
    // The fields as the file declares them, with their sizes.
    std::vector<TEasyFieldDef> FFields;
    std::vector<TEasyValue> FRecord;
    std::string FInsert;
};

} // namespace orvanta
