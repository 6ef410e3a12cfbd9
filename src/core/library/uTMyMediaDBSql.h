#pragma once

// What the statements of TMyMediaDB's files share: the condition that picks a file's rows.
#include <string>
#include <string_view>
#include <vector>

#include "core/tablestore/uTEasyDatabase.h"
#include "core/tablestore/uTEasyQuery.h"

namespace orvanta::media_sql {

// A file's rows, by FolderSpellings: the index on the A-Z lowered path finds the few rows that
// differ at most in letter case, and the plain columns pick this path's own. The unary "+"
// keeps SQLite from putting the bound path into LOWER(...) for the plain columns, which would
// turn the index terms into constants and scan the whole table. Its values are "?1" to "?6";
// a statement's own values follow from "?7".
inline const std::string WhereFile =
    " WHERE LOWER(fDirectory) IN (?1, ?2) AND LOWER(fFileName) = ?3 AND +fDirectory IN (?4, ?5) "
    "AND +fFileName = ?6";

// Reads Columns of a file's rows: the same rows as WhereFile, each spelling of the folder looked
// up on its own. Reads run on every file an add or a refresh meets, and an IN list makes SQLite
// build a temporary table each time, which cost an import a tenth of its speed.
inline std::string SelectFile(const std::string& Columns) {
    const std::string spelling = " FROM tMedia WHERE LOWER(fDirectory) = ?";
    const std::string rest = " AND LOWER(fFileName) = ?3 AND +fDirectory = ?";
    return "SELECT " + Columns + spelling + "1" + rest + "4 AND +fFileName = ?6 UNION ALL SELECT " +
           Columns + spelling + "2" + rest + "5 AND +fFileName = ?6";
}

// The values of WhereFile and SelectFile.
std::vector<TEasyValue> FileParams(std::string_view Directory, std::string_view FileName);

// Runs Work in a transaction of its own, unless the caller's batch already holds one.
template <class F> void InTransaction(TEasyDatabase& Database, TEasyQuery& Query, F&& Work) {
    const bool own = !Database.InTransaction();
    if (own)
        Database.StartTransaction();
    try {
        Work();
        if (own)
            Database.Commit();
    } catch (...) {
        Query.Close();
        if (own)
            Database.Rollback();
        throw;
    }
}

} // namespace orvanta::media_sql
