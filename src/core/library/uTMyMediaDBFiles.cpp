// The walks of the library's files that the refresh makes, paged so that a library of a
// million rows is read without holding it.
#include "core/library/uTMyMediaDB.h"

#include <algorithm>
#include <unordered_map>

#include "core/common/uDisplayUtils.h"

namespace orvanta {

void TMyMediaDB::WalkMediaFiles(
    const std::function<bool(const std::vector<TMediaRecord>& Rows)>& Page, int PageRows) {
    std::vector<TMediaRecord> rows;
    std::int64_t last = 0;
    for (;;) {
        rows.clear();
        {
            TEasyQuery query;
            WalkQuery(query,
                      "SELECT rowid, fDirectory, fFileName, fFileSize, fFileTime, fSeconds FROM "
                      "tMedia WHERE rowid > ?1 ORDER BY rowid LIMIT " +
                          std::to_string(PageRows),
                      {last});
            for (; !query.Eof(); query.Next()) {
                TMediaRecord& row = rows.emplace_back();
                row.Id = query.Fields(0).AsInt64();
                row.Directory = query.Fields(1).AsString();
                row.FileName = query.Fields(2).AsString();
                row.Stamp = {query.Fields(3).AsInt64(), query.Fields(4).AsInt64()};
                row.Seconds = query.Fields(5).AsInteger();
            }
        }
        if (rows.empty())
            return;
        last = rows.back().Id;
        if (!Page(rows) || static_cast<int>(rows.size()) < PageRows)
            return;
    }
}

std::vector<std::string> TMyMediaDB::MediaDirectories() {
    std::vector<std::string> directories;
    TEasyQuery query;
    WalkQuery(query, "SELECT DISTINCT fDirectory FROM tMedia");
    for (; !query.Eof(); query.Next())
        directories.push_back(query.Fields(0).AsString());
    return directories;
}

std::vector<std::string> TMyMediaDB::KnownNamesIn(const std::string& Folder) {
    // "/a" and "/a/" hold the same files.
    const auto [bare, slashed] = FolderSpellings(Folder);
    std::vector<std::string> names;
    TEasyQuery query;
    // The lowered terms reach the index; the plain ones keep the folder's own spelling.
    WalkQuery(query,
              "SELECT fFileName FROM tMedia WHERE LOWER(fDirectory) IN (?1, ?2) AND "
              "+fDirectory IN (?3, ?4)",
              {LowerAscii(slashed), LowerAscii(bare), slashed, bare});
    for (; !query.Eof(); query.Next())
        names.push_back(query.Fields(0).AsString());
    if (FRemovedTable) {
        WalkQuery(query, "SELECT fFileName FROM tRemoved WHERE fDirectory IN (?1, ?2)",
                  {slashed, bare});
        for (; !query.Eof(); query.Next())
            names.push_back(query.Fields(0).AsString());
    }
    return names;
}

std::vector<std::string> TMyMediaDB::MediaPaths(const std::vector<std::int64_t>& Ids) {
    std::unordered_map<std::int64_t, std::string> paths;
    for (std::size_t from = 0; from < Ids.size(); from += 500) {
        std::string list;
        std::vector<TEasyValue> params;
        for (std::size_t i = from; i < std::min(Ids.size(), from + 500); ++i) {
            params.emplace_back(Ids[i]);
            list += list.empty() ? "?" : ", ?";
            list += std::to_string(params.size());
        }
        TEasyQuery query;
        WalkQuery(query,
                  "SELECT rowid, fDirectory, fFileName FROM tMedia WHERE rowid IN (" + list + ")",
                  std::move(params));
        for (; !query.Eof(); query.Next())
            paths.emplace(query.Fields(0).AsInt64(),
                          JoinPath(query.Fields(1).AsText(), query.Fields(2).AsText()));
    }
    std::vector<std::string> ordered;
    ordered.reserve(Ids.size());
    for (const std::int64_t id : Ids)
        if (auto found = paths.find(id); found != paths.end())
            ordered.push_back(found->second);
    return ordered;
}

std::int64_t TMyMediaDB::MediaCount() {
    TEasyQuery query;
    WalkQuery(query, "SELECT count(*) FROM tMedia");
    return query.Eof() ? 0 : query.Fields(0).AsInt64();
}

} // namespace orvanta
