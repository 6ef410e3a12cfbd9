#include <gtest/gtest.h>

#include "core/tablestore/uTEasyQuery.h"
#include "core/tablestore/uTEasyTable.h"
#include "support/TempDir.h"

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

namespace {
// A table of Count rows named "n0", "n1", ... with fCount = their number.
std::shared_ptr<TEasyDatabase> numbered(TEasyTable& table, const std::string& file, int count) {
    makeTable(table, file);
    auto database = table.Database();
    database->StartTransaction();
    for (int i = 0; i < count; ++i) {
        std::string name = std::to_string(i);
        name.insert(name.begin(), 'n');
        database->Run(database->Prepare("INSERT INTO tItems VALUES (?1, ?2)",
                                        {std::move(name), std::int64_t{i}}));
    }
    database->Commit();
    return database;
}

std::vector<std::int32_t> walk(TEasyQuery& query) {
    std::vector<std::int32_t> seen;
    for (query.First(); !query.Eof(); query.Next())
        seen.push_back(query.FieldByName("fCount").AsInteger());
    return seen;
}
} // namespace

TEST(EasyQuery, CountIsExactBeforeTheWalkAndFirstStartsAgain) {
    TempDir dir;
    TEasyTable table;
    auto database = numbered(table, dir.file("t.db"), 1500);
    TEasyQuery query;
    query.Database = database;
    query.SQL = "SELECT * FROM tItems WHERE fCount >= ?1 ORDER BY fCount DESC";
    query.Params = {std::int64_t{1000}};
    query.Open();
    EXPECT_EQ(query.RecordCount(), 500);
    EXPECT_EQ(query.Fields(1).AsInteger(), 1499); // the first row is at hand at once
    EXPECT_FALSE(query.Fields(0).IsNull());
    query.Next();
    query.Next();
    EXPECT_EQ(query.Fields(1).AsInteger(), 1497);
    const std::vector<std::int32_t> seen = walk(query);
    ASSERT_EQ(seen.size(), 500u);
    EXPECT_EQ(seen.front(), 1499);
    EXPECT_EQ(seen.back(), 1000);
    query.Next(); // past the end stays at the end
    EXPECT_TRUE(query.Eof());
    EXPECT_THROW(query.Fields(0).AsText(), EEasyError);
    EXPECT_EQ(walk(query), seen);
    EXPECT_EQ(query.RecordCount(), 500);

    // Orderings that change the count, and texts that only look like one.
    query.SQL = "SELECT * FROM tItems ORDER BY fCount LIMIT 5";
    query.Params.clear();
    query.Open();
    EXPECT_EQ(query.RecordCount(), 5);
    query.SQL = "SELECT * FROM (SELECT * FROM tItems ORDER BY fCount LIMIT 7) ORDER BY fName";
    query.Open();
    EXPECT_EQ(query.RecordCount(), 7);
    query.SQL = "SELECT * FROM tItems WHERE fName <> ' order by x limit 1' ORDER BY\nfCount";
    query.Open();
    EXPECT_EQ(query.RecordCount(), 1500);
    query.SQL = "SELECT * FROM tItems ORDER BY fCount -- comment";
    query.Open();
    EXPECT_EQ(query.RecordCount(), 1500);
    EXPECT_EQ(walk(query).size(), 1500u);

    // Statements that cannot be wrapped in a count are counted all the same.
    query.SQL = "PRAGMA table_info(tItems)";
    query.Open();
    EXPECT_EQ(query.RecordCount(), 2);
    EXPECT_EQ(query.FieldByName("name").AsString(), "fName");

    // An empty result is at its end at once.
    query.SQL = "SELECT * FROM tItems WHERE fCount < 0";
    query.Open();
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(query.RecordCount(), 0);
    query.First();
    EXPECT_TRUE(query.Eof());

    // NULLs read as empty text and 0.
    query.SQL = "SELECT NULL AS fNothing";
    query.Open();
    EXPECT_TRUE(query.Fields(0).IsNull());
    EXPECT_EQ(query.Fields(0).AsText(), "");
    EXPECT_EQ(query.Fields(0).AsInteger(), 0);
}

TEST(EasyQuery, TwoQueriesOfOneTextWalkApart) {
    TempDir dir;
    TEasyTable table;
    auto database = numbered(table, dir.file("t.db"), 10);
    TEasyQuery outer;
    TEasyQuery inner;
    for (TEasyQuery* query : {&outer, &inner}) {
        query->Database = database;
        query->SQL = "SELECT * FROM tItems ORDER BY fCount";
    }
    outer.Open();
    int pairs = 0;
    for (; !outer.Eof(); outer.Next()) {
        inner.Open(); // opening the same text again never moves the outer walk
        EXPECT_EQ(walk(inner).size(), 10u);
        EXPECT_EQ(outer.Fields(1).AsInteger(), pairs);
        ++pairs;
    }
    EXPECT_EQ(pairs, 10);
    outer.Close();
    // A statement kept for the next opening follows a change of the table.
    database->Execute("ALTER TABLE tItems ADD COLUMN fExtra INTEGER DEFAULT 7");
    outer.Open();
    ASSERT_EQ(outer.FieldCount(), 3);
    EXPECT_EQ(outer.FieldByName("fExtra").AsInteger(), 7);
    database->Execute("DELETE FROM tItems");
    database->Execute("ALTER TABLE tItems DROP COLUMN fExtra");
    outer.Open();
    EXPECT_EQ(outer.FieldCount(), 2);
    EXPECT_TRUE(outer.Eof());
}

TEST(EasyQuery, WritesWhileAQueryIsOpen) {
    TempDir dir;
    TEasyTable table;
    auto database = numbered(table, dir.file("t.db"), 100);
    TEasyQuery query;
    query.Database = database;
    query.SQL = "SELECT * FROM tItems ORDER BY fCount";
    query.Open();
    query.Next();

    // Another connection writes: the open walk keeps the file as it was when it opened.
    TEasyDatabase other;
    other.FileName = database->FileName;
    other.Open();
    other.Execute("INSERT INTO tItems VALUES ('late', 500)");
    other.Execute("DELETE FROM tItems WHERE fCount = 50");
    std::vector<std::int32_t> rest;
    for (; !query.Eof(); query.Next())
        rest.push_back(query.Fields(1).AsInteger());
    ASSERT_EQ(rest.size(), 99u);
    EXPECT_EQ(rest[49], 50);
    EXPECT_EQ(rest.back(), 99);
    // Starting again reads the file as it is now.
    const std::vector<std::int32_t> now = walk(query);
    EXPECT_EQ(query.RecordCount(), 100);
    EXPECT_EQ(now.size(), 100u);
    EXPECT_EQ(now.back(), 500);

    // The same connection writes while the walk is in the middle: the write succeeds, the
    // count stays that of the opening and the walk still ends.
    query.Open();
    query.Next();
    database->StartTransaction();
    database->Execute("INSERT INTO tItems VALUES ('mine', 600)");
    database->Commit();
    EXPECT_EQ(query.RecordCount(), 100);
    int walked = 0;
    for (; !query.Eof() && walked < 1000; query.Next())
        ++walked;
    EXPECT_TRUE(query.Eof());
    query.Close();
    query.Open();
    EXPECT_EQ(query.RecordCount(), 101);
}

TEST(EasyQuery, ClosingInTheMiddleOfTheWalk) {
    TempDir dir;
    TEasyTable table;
    auto database = numbered(table, dir.file("t.db"), 100);
    TEasyQuery query;
    query.Database = database;
    query.SQL = "SELECT * FROM tItems ORDER BY fCount";
    query.Open();
    query.Next();
    query.Close();
    EXPECT_FALSE(query.Active());
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(query.RecordCount(), 0);
    EXPECT_THROW(query.Fields(0), EEasyError);
    query.First(); // a closed query stays closed
    query.Next();
    EXPECT_TRUE(query.Eof());
    // The snapshot is let go: another connection's write shows at once.
    TEasyDatabase other;
    other.FileName = database->FileName;
    other.Open();
    other.Execute("INSERT INTO tItems VALUES ('late', 500)");
    query.Open();
    EXPECT_EQ(query.RecordCount(), 101);

    // The database closes under an open query: using the query is an error, not a crash,
    // and the query can still be closed and reopened once the database is open again.
    query.Next();
    database->Close();
    EXPECT_THROW(query.Next(), EEasyError);
    EXPECT_THROW(query.Fields(0).AsText(), EEasyError);
    EXPECT_THROW(query.First(), EEasyError);
    database->Open();
    EXPECT_THROW(query.Next(), EEasyError); // a new connection is not the query's
    query.Open();
    EXPECT_EQ(query.RecordCount(), 101);
    // Left open when it goes out of scope after its database: nothing leaks or dangles.
    auto last = std::make_unique<TEasyQuery>();
    last->Database = database;
    last->SQL = query.SQL;
    last->Open();
    database->Close();
    database.reset();
    table.Disconnect();
    query.Database.reset();
    last.reset();
}
