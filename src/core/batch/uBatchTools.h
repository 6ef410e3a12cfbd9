#pragma once

// The batch tools: pure planners that turn a selection (each file with its current values)
// into a plan for RunBatch and a preview of what would change. Nothing is read or written by
// them but the check of names already taken on disk.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/batch/uBatchPlan.h"
#include "core/batch/uBatchSource.h"

namespace orvanta {

// One line of a preview: what a file's field (or its "name") is and would become.
struct TPreviewRow {
    std::string Path;
    // A common key, or "name" for the file's path.
    std::string Field;
    std::string Old;
    std::string New;
    // Why the file is left out of the plan; empty when it is planned.
    std::string Problem;
};

struct TPlanResult {
    TBatchPlan Plan;
    std::vector<TPreviewRow> Preview;
    // What is wrong with the tool's settings (a pattern, an expression); then nothing is planned.
    std::string Error;
};

// The common key a pattern's placeholder stands for: %title% TITLE, %artist% ARTIST, %album%
// ALBUM, %albumartist% ALBUMARTIST, %track% TRACKNUMBER, %disc% DISCNUMBER, %year% DATE, %genre%
// GENRE, %composer% COMPOSER, %comment% COMMENT; "" for %ignore% and %dummy%. False for a name
// that is no placeholder.
bool PlaceholderKey(std::string_view Name, std::string& Key);

// Tags from file names. Pattern is matched against the file's name without its extension; each
// "/" in it takes in one more folder, counted from the file's end. A placeholder takes at least
// one character, the earliest split that lets the rest match; %track% and %disc% only digits,
// kept by value ("03" gives "3"). Values are trimmed of spaces.
struct TNameTagsOptions {
    std::string Pattern;
    bool UnderscoresAsSpaces = false;
};
TPlanResult PlanTagsFromNames(const std::vector<TBatchSource>& Files,
                              const TNameTagsOptions& Options);

// File names from tags. Pattern may hold "/" to make folders below the file's own folder, or
// below BaseFolder when one is given; the extension is kept. A "/" or NUL inside a value becomes
// "_"; a name over 255 bytes is shortened, keeping the extension. Each file's problems are in the
// preview: an empty placeholder, two files planned onto one name, a name taken on disk (by a
// file outside the selection, or by one of it that stays: a name the plan moves its file away
// from is free), a name the file system refuses, a name a playlist cannot hold.
struct TTagsNameOptions {
    std::string Pattern;
    std::string BaseFolder;
    // %track% as at least two digits.
    bool PadTrack = true;
};
TPlanResult PlanNamesFromTags(const std::vector<TBatchSource>& Files,
                              const TTagsNameOptions& Options);

// Track numbers in the order of Files, from Start, restarting at each folder or album (an
// album's files need not be next to each other); TRACKTOTAL as the count of the run when
// SetTotal, DISCNUMBER when Disc is above 0.
enum class TNumberRestart { Never, PerFolder, PerAlbum };
struct TNumberingOptions {
    int Start = 1;
    bool SetTotal = false;
    TNumberRestart Restart = TNumberRestart::Never;
    int Disc = 0;
};
TPlanResult PlanNumbering(const std::vector<TBatchSource>& Files, const TNumberingOptions& Options);

// Letter case of Latin, Greek and Cyrillic text; other characters and bytes that are not UTF-8
// stay as they are. Title Case capitalises each word and lowers the rest; Sentence case only
// the first letter of the text.
enum class TCaseStyle { TitleCase, SentenceCase, Upper, Lower };
std::string ConvertCase(std::string_view Text, TCaseStyle Style);
TPlanResult PlanCase(const std::vector<TBatchSource>& Files, const std::vector<std::string>& Keys,
                     TCaseStyle Style);

// Find and replace in the values of Keys: plain text (letter case ignored when asked, by the
// same rules as ConvertCase) or an ECMAScript regular expression whose Replace may use $1.
struct TReplaceOptions {
    std::vector<std::string> Keys;
    std::string Find;
    std::string Replace;
    bool IgnoreCase = false;
    bool Regex = false;
};
TPlanResult PlanReplace(const std::vector<TBatchSource>& Files, const TReplaceOptions& Options);

// Find and replace first (when Find is set), then the letter case (when Case is) of what it
// left, in Replace's keys; the preview shows each field from its value as read to its value at
// the end.
TPlanResult PlanCaseAndReplace(const std::vector<TBatchSource>& Files,
                               const TReplaceOptions& Replace, std::optional<TCaseStyle> Case);

} // namespace orvanta
