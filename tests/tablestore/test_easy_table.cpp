#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "tablestore/uTEasyQuery.h"
#include "tablestore/uTEasyTable.h"

using namespace orvanta;
using orvanta::test::TempDir;

namespace {
void makeTable(TEasyTable& table, const std::string& file) {
    auto database = std::make_shared<TEasyDatabase>();
    database->FileName = file;
    database->CreateDatabase();
    table.DatabaseFileName = file;
    table.TableName = "tItems";
    table.SetDatabase(database);
    table.FieldDefs = {{"fName", TEasyFieldType::ftString, 5, false},
                       {"fCount", TEasyFieldType::ftInteger, 0, false}};
    table.CreateTable();
}
} // namespace

TEST(CutToChars, CountsCharactersNotBytes) {
    EXPECT_EQ(CutToChars("abcdef", 4), "abcd");
    EXPECT_EQ(CutToChars("ééééé", 4), "éééé");
    EXPECT_EQ(CutToChars("a€b", 2), "a€");
    EXPECT_EQ(CutToChars("ab", 4), "ab");
    EXPECT_EQ(CutToChars("\x80\x80x", 1), "\x80\x80"); // stray bytes never split further
    EXPECT_EQ(CutToChars("abc", 0), "");
}

TEST(EasyTable, AppendCutsTextsAndQueryReadsByName) {
    TempDir dir;
    TEasyTable table;
    makeTable(table, dir.file("t.db"));
    table.Open();
    table.Append();
    table.SetFieldText("FNAME", "Éléphant");
    table.SetFieldInteger("fCount", -7);
    table.Post();
    table.Append();
    table.Post(); // fields left unset are empty and 0
    EXPECT_THROW(table.SetFieldText("fName", "x"), EEasyError);
    table.Append();
    EXPECT_THROW(table.SetFieldText("fMissing", "x"), EEasyError);
    EXPECT_THROW(table.SetFieldInteger("fName", 1), EEasyError);
    EXPECT_THROW(table.SetFieldText("fCount", "1"), EEasyError);
    table.Cancel();
    table.Close();

    TEasyQuery query;
    query.Database = table.Database();
    query.SQL = "SELECT * FROM tItems ORDER BY fCount";
    query.Open();
    ASSERT_EQ(query.RecordCount(), 2);
    query.First();
    EXPECT_EQ(query.FieldByName("fName").AsString(), "Éléph");
    EXPECT_EQ(query.FieldByName("fcount").AsInteger(), -7);
    query.Next();
    EXPECT_EQ(query.FieldByName("fName").AsString(), "");
    EXPECT_EQ(query.FieldByName("fCount").AsInteger(), 0);
    EXPECT_THROW(query.FieldByName("nope"), EEasyError);
    query.Next();
    EXPECT_TRUE(query.Eof());
    EXPECT_THROW(query.FieldByName("fName").AsString(), EEasyError);
    query.Close();
    EXPECT_EQ(query.RecordCount(), 0);
}

TEST(EasyTable, ErrorsCarrySqliteMessages) {
    TempDir dir;
    TEasyTable table;
    makeTable(table, dir.file("t.db"));
    TEasyQuery query;
    query.Database = table.Database();
    query.SQL = "SELECT * FRM tItems";
    try {
        query.Open();
        FAIL() << "no error";
    } catch (const EEasyError& error) {
        EXPECT_NE(std::string(error.what()).find("syntax error"), std::string::npos)
            << error.what();
    }
    query.SQL = "SELECT * FROM tNothing";
    EXPECT_THROW(query.Open(), EEasyError);
    query.SQL = "DELETE FROM tItems WHERE fName = ?1";
    EXPECT_THROW(query.ExecSQL(), EEasyError); // a value is missing
    query.Params = {std::string("x")};
    query.ExecSQL();
    EXPECT_EQ(query.RowsAffected(), 0);

    TEasyTable missing;
    missing.DatabaseFileName = dir.file("t.db");
    missing.TableName = "tOther";
    EXPECT_THROW(missing.Open(), EEasyError);

    TEasyDatabase absent;
    absent.FileName = dir.file("absent.db");
    EXPECT_THROW(absent.Open(), EEasyError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("absent.db")));
    TEasyDatabase twice;
    twice.FileName = dir.file("t.db");
    EXPECT_THROW(twice.CreateDatabase(), EEasyError);
}

TEST(EasyDatabase, NestedTransactionUndoesOnlyItsOwnLevel) {
    TempDir dir;
    TEasyTable table;
    makeTable(table, dir.file("t.db"));
    auto database = table.Database();
    const auto insert = [&](const char* name) {
        database->Run(database->Prepare("INSERT INTO tItems VALUES (?1, 1)", {std::string(name)}));
    };
    database->StartTransaction();
    insert("a");
    database->StartTransaction();
    insert("b");
    database->Rollback();
    insert("c");
    database->Commit();
    EXPECT_FALSE(database->InTransaction());
    TEasyQuery query;
    query.Database = database;
    query.SQL = "SELECT fName FROM tItems ORDER BY fName";
    query.Open();
    ASSERT_EQ(query.RecordCount(), 2);
    EXPECT_EQ(query.Fields(0).AsString(), "a");

    database->StartTransaction();
    insert("d");
    database->Rollback();
    query.Open();
    EXPECT_EQ(query.RecordCount(), 2);
}
