// The folders a refresh need not list again: their modification time is what it was when a
// listing found nothing new in them. Kept in the library file, so the program and orvanta-cli
// share them; a library without the table simply lists every folder.
#include "core/library/uTMyMediaDB.h"

#include "core/library/uTMyMediaDBSql.h"

namespace orvanta {

namespace {

const char* const FolderTableSql =
    "CREATE TABLE IF NOT EXISTS tFolders (fDirectory TEXT NOT NULL PRIMARY KEY, "
    "fTime INTEGER NOT NULL) WITHOUT ROWID";

// The row of the empty directory holds the key of the file types: a folder listed for fewer
// types may hold files of a type read now.
std::int64_t typesKey(const std::string& Types) {
    std::uint64_t hash = 1469598103934665603ull; // FNV-1a: the same in every build
    for (const unsigned char c : Types) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return static_cast<std::int64_t>(hash >> 1);
}

} // namespace

std::unordered_map<std::string, std::int64_t> TMyMediaDB::FolderTimes(const std::string& Types) {
    std::unordered_map<std::string, std::int64_t> times;
    if (!hasTable("tFolders"))
        return times;
    TEasyQuery query;
    WalkQuery(query, "SELECT fDirectory, fTime FROM tFolders");
    for (; !query.Eof(); query.Next())
        times.emplace(query.Fields(0).AsString(), query.Fields(1).AsInt64());
    const auto key = times.find("");
    if (key == times.end() || key->second != typesKey(Types))
        return {};
    times.erase(key);
    return times;
}

void TMyMediaDB::SetFolderTimes(const std::string& Types,
                                const std::vector<std::pair<std::string, std::int64_t>>& Times) {
    FTable.Database()->Execute(FolderTableSql);
    media_sql::InTransaction(*FTable.Database(), FQuery, [&] {
        const std::int64_t key = typesKey(Types);
        TEasyQuery stored;
        WalkQuery(stored, "SELECT fTime FROM tFolders WHERE fDirectory = ''");
        const bool same = !stored.Eof() && stored.Fields(0).AsInt64() == key;
        stored.Close();
        if (!same) {
            ExecQuery(FQuery, "DELETE FROM tFolders");
            ExecQuery(FQuery, "INSERT INTO tFolders (fDirectory, fTime) VALUES ('', ?1)", {key});
        }
        for (const auto& [folder, time] : Times) {
            if (folder.empty())
                continue;
            if (time == 0)
                ExecQuery(FQuery, "DELETE FROM tFolders WHERE fDirectory = ?1", {folder});
            else
                ExecQuery(FQuery,
                          "INSERT OR REPLACE INTO tFolders (fDirectory, fTime) VALUES (?1, ?2)",
                          {folder, time});
        }
    });
}

} // namespace orvanta
