// The files the user removed from the library. Refresh and folder imports pass them by; an
// add by name forgets the removal. Kept in the library file, so the program and orvanta-cli
// share them.
#include "core/library/uTMyMediaDB.h"

#include "core/common/uDisplayUtils.h"
#include "core/library/uTMyMediaDBSql.h"

namespace orvanta {

namespace {

// The path's bytes are the key, as for the rows.
const char* const RemovedTableSql =
    "CREATE TABLE tRemoved (fDirectory TEXT NOT NULL, fFileName TEXT NOT NULL, "
    "PRIMARY KEY (fDirectory, fFileName)) WITHOUT ROWID";

} // namespace

void TMyMediaDB::addRemovedTable() {
    // Most opens find it there and write nothing.
    if (!hasTable("tRemoved"))
        FTable.Database()->Execute(RemovedTableSql);
    FRemovedTable = true;
}

void TMyMediaDB::RemoveMedia(std::string_view Directory, std::string_view FileName) {
    media_sql::InTransaction(*FTable.Database(), FQuery, [&] {
        DeleteMedia(Directory, FileName);
        ExecQuery(FQuery, "INSERT OR IGNORE INTO tRemoved (fDirectory, fFileName) VALUES (?1, ?2)",
                  {std::string(Directory), std::string(FileName)});
    });
}

std::vector<std::string> TMyMediaDB::RemovedPaths() {
    std::vector<std::string> paths;
    if (!FRemovedTable)
        return paths;
    TEasyQuery query;
    WalkQuery(query, "SELECT fDirectory, fFileName FROM tRemoved");
    for (; !query.Eof(); query.Next())
        paths.push_back(JoinPath(query.Fields(0).AsText(), query.Fields(1).AsText()));
    return paths;
}

void TMyMediaDB::ForgetRemoved(const std::vector<std::string>& Paths) {
    if (!FRemovedTable || Paths.empty())
        return;
    {
        // Usually there is nothing to forget; an add of many files then writes nothing more.
        TEasyQuery any;
        WalkQuery(any, "SELECT 1 FROM tRemoved LIMIT 1");
        if (any.Eof())
            return;
    }
    media_sql::InTransaction(*FTable.Database(), FQuery, [&] {
        // A row's directory may be spelled with a trailing '/'; its mark is spelled alike.
        for (const std::string& path : Paths) {
            auto [bare, slashed] = FolderSpellings(ExtractFileDir(path));
            ExecQuery(FQuery,
                      "DELETE FROM tRemoved WHERE fDirectory IN (?1, ?2) AND fFileName = ?3",
                      {std::move(bare), std::move(slashed), ExtractFileName(path)});
        }
    });
}

} // namespace orvanta
