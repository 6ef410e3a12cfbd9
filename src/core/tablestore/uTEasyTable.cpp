#include "core/tablestore/uTEasyTable.h"

#include <charconv>
#include <sqlite3.h>

#include "core/common/uTCustomStringList.h"

namespace orvanta {

namespace {

std::string quoteName(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// "VARCHAR(256)" declares a string of 256 characters; anything with INT is an integer.
TEasyFieldDef fieldFromDeclaration(std::string name, std::string_view type) {
    TEasyFieldDef field;
    field.Name = std::move(name);
    std::string upper(type);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    if (upper.find("INT") != std::string::npos) {
        field.DataType = TEasyFieldType::ftInteger;
        return field;
    }
    const auto open = upper.find('(');
    if (open != std::string::npos) {
        int size = 0;
        const char* first = upper.data() + open + 1;
        const auto [end, error] = std::from_chars(first, upper.data() + upper.size(), size);
        if (error == std::errc() && size > 0)
            field.Size = size;
    }
    return field;
}

} // namespace

std::shared_ptr<TEasyDatabase> TEasyTable::Database() {
    if (!FDatabase || !FDatabase->Connected() || FDatabase->FileName != DatabaseFileName) {
        auto connection = std::make_shared<TEasyDatabase>();
        connection->FileName = DatabaseFileName;
        if (TableRequired)
            connection->RequiredTable = TableName;
        connection->Open();
        FDatabase = std::move(connection);
    }
    return FDatabase;
}

void TEasyTable::SetDatabase(std::shared_ptr<TEasyDatabase> Connection) {
    FDatabase = std::move(Connection);
}

void TEasyTable::Disconnect() {
    Close();
    FDatabase.reset();
}

void TEasyTable::CreateTable() {
    if (FieldDefs.empty())
        throw EEasyError("Cannot create the table " + TableName + ": it has no fields");
    std::string sql = "CREATE TABLE " + quoteName(TableName) + " (";
    for (std::size_t i = 0; i < FieldDefs.size(); ++i) {
        const TEasyFieldDef& field = FieldDefs[i];
        if (i > 0)
            sql += ", ";
        sql += quoteName(field.Name);
        sql += field.DataType == TEasyFieldType::ftInteger
                   ? std::string(" INTEGER")
                   : " VARCHAR(" + std::to_string(field.Size) + ")";
        if (field.Required)
            sql += " NOT NULL";
    }
    sql += ")";
    auto database = Database();
    database->StartTransaction();
    try {
        database->Execute(sql);
        for (const TEasyIndexDef& index : IndexDefs)
            database->Execute("CREATE INDEX " + quoteName(index.Name) + " ON " +
                              quoteName(TableName) + " (" + index.Expressions + ")");
        database->Commit();
    } catch (...) {
        database->Rollback();
        throw;
    }
}

void TEasyTable::Open() {
    if (FActive)
        return;
    auto database = Database();
    const std::vector<TEasyValue> table{TEasyValue(TableName)};
    sqlite3_stmt* info = database->Prepare("SELECT name, type FROM pragma_table_info(?1)", table);
    FFields.clear();
    int result = SQLITE_ROW;
    while ((result = sqlite3_step(info)) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(info, 0));
        const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(info, 1));
        FFields.push_back(fieldFromDeclaration(name ? name : "", type ? type : ""));
    }
    sqlite3_reset(info);
    if (result != SQLITE_DONE)
        database->Fail("Cannot read the fields of " + TableName);
    if (FFields.empty())
        throw EEasyError("Table " + TableName + " not found in \"" + DatabaseFileName + "\"");
    // The columns are named, so a column another program adds while this one is open gets
    // its default instead of failing every append.
    FInsert = "INSERT INTO " + quoteName(TableName) + " (";
    for (std::size_t i = 0; i < FFields.size(); ++i)
        FInsert += (i == 0 ? "" : ", ") + quoteName(FFields[i].Name);
    FInsert += ") VALUES (";
    for (std::size_t i = 0; i < FFields.size(); ++i)
        FInsert += (i == 0 ? "?" : ", ?") + std::to_string(i + 1);
    FInsert += ")";
    FActive = true;
}

void TEasyTable::Close() {
    FActive = false;
    FEditing = false;
}

int TEasyTable::fieldIndex(std::string_view Name) const {
    for (std::size_t i = 0; i < FFields.size(); ++i)
        if (SameTextAscii(FFields[i].Name, Name))
            return static_cast<int>(i);
    throw EEasyError("Field " + std::string(Name) + " not found in " + TableName);
}

void TEasyTable::Append() {
    if (!FActive)
        throw EEasyError("Table " + TableName + " is not open");
    FRecord.assign(FFields.size(), TEasyValue(std::string()));
    for (std::size_t i = 0; i < FFields.size(); ++i)
        if (FFields[i].DataType == TEasyFieldType::ftInteger)
            FRecord[i] = std::int64_t{0};
    FEditing = true;
}

void TEasyTable::SetFieldText(std::string_view Name, std::string_view Value) {
    if (!FEditing)
        throw EEasyError("Table " + TableName + " is not appending a record");
    const auto index = static_cast<std::size_t>(fieldIndex(Name));
    const TEasyFieldDef& field = FFields[index];
    if (field.DataType == TEasyFieldType::ftInteger)
        throw EEasyError("Field " + field.Name + " is not a string field");
    FRecord[index] = std::string(
        field.Size > 0 ? CutToChars(Value, static_cast<std::size_t>(field.Size)) : Value);
}

void TEasyTable::SetFieldBytes(std::string_view Name, std::string_view Value) {
    if (!FEditing)
        throw EEasyError("Table " + TableName + " is not appending a record");
    const auto index = static_cast<std::size_t>(fieldIndex(Name));
    if (FFields[index].DataType == TEasyFieldType::ftInteger)
        throw EEasyError("Field " + FFields[index].Name + " is not a string field");
    FRecord[index] = std::string(Value);
}

void TEasyTable::SetFieldInteger(std::string_view Name, std::int64_t Value) {
    if (!FEditing)
        throw EEasyError("Table " + TableName + " is not appending a record");
    const auto index = static_cast<std::size_t>(fieldIndex(Name));
    if (FFields[index].DataType != TEasyFieldType::ftInteger)
        throw EEasyError("Field " + FFields[index].Name + " is not an integer field");
    FRecord[index] = Value;
}

void TEasyTable::Post() {
    if (!FEditing)
        throw EEasyError("Table " + TableName + " is not appending a record");
    auto database = Database();
    database->Run(database->Prepare(FInsert, FRecord));
    FEditing = false;
}

} // namespace orvanta
