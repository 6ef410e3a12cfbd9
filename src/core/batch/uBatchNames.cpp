#include "core/batch/uBatchTools.h"

#include "core/playlists/uTPlayList.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <unordered_map>

namespace orvanta {

namespace {

// A pattern in pieces: text to match or write as it stands, or a placeholder.
struct TPiece {
    bool Placeholder = false;
    // The text, or the placeholder's key ("" for %ignore%).
    std::string Text;
};

constexpr std::pair<std::string_view, std::string_view> Placeholders[] = {
    {"title", "TITLE"},       {"artist", "ARTIST"},
    {"album", "ALBUM"},       {"albumartist", "ALBUMARTIST"},
    {"track", "TRACKNUMBER"}, {"disc", "DISCNUMBER"},
    {"year", "DATE"},         {"genre", "GENRE"},
    {"composer", "COMPOSER"}, {"comment", "COMMENT"},
    {"ignore", ""},           {"dummy", ""},
};

bool isNumberKey(std::string_view Key) {
    return Key == "TRACKNUMBER" || Key == "DISCNUMBER";
}

// The pieces of Pattern, or Error. "%%" stands for one "%".
std::optional<std::vector<TPiece>> parsePattern(const std::string& Pattern, std::string& Error) {
    std::vector<TPiece> pieces;
    const auto text = [&](std::string_view Text) {
        if (pieces.empty() || pieces.back().Placeholder)
            pieces.push_back({false, ""});
        pieces.back().Text += Text;
    };
    for (std::size_t at = 0; at < Pattern.size();) {
        const std::size_t open = Pattern.find('%', at);
        text(std::string_view(Pattern).substr(at, open - at));
        if (open == std::string::npos)
            break;
        const std::size_t close = Pattern.find('%', open + 1);
        if (close == std::string::npos) {
            Error = "The pattern \"" + Pattern + "\" has a \"%\" that opens no placeholder.";
            return std::nullopt;
        }
        const std::string name = Pattern.substr(open + 1, close - open - 1);
        std::string key;
        if (name.empty())
            text("%");
        else if (PlaceholderKey(name, key))
            pieces.push_back({true, key});
        else {
            Error = "The pattern \"" + Pattern + "\" names no placeholder %" + name + "%.";
            return std::nullopt;
        }
        at = close + 1;
    }
    if (pieces.empty()) {
        Error = "The pattern is empty.";
        return std::nullopt;
    }
    return pieces;
}

std::string trimmed(std::string_view Text) {
    const std::size_t first = Text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return "";
    return std::string(Text.substr(first, Text.find_last_not_of(' ') - first + 1));
}

// A number by its value: leading zeros go, "0" stays.
std::string numberValue(std::string_view Digits) {
    const std::size_t first = Digits.find_first_not_of('0');
    return first == std::string_view::npos ? "0" : std::string(Digits.substr(first));
}

// Matches Pieces[Index...] against Name[At...], filling Values by key; the earliest split of a
// placeholder that lets the rest match wins.
bool match(const std::vector<TPiece>& Pieces, std::size_t Index, std::string_view Name,
           std::size_t At, std::vector<std::string_view>& Values) {
    if (Index == Pieces.size())
        return At == Name.size();
    const TPiece& piece = Pieces[Index];
    if (!piece.Placeholder)
        return Name.substr(At).starts_with(piece.Text) &&
               match(Pieces, Index + 1, Name, At + piece.Text.size(), Values);
    const bool number = isNumberKey(piece.Text);
    for (std::size_t end = At + 1; end <= Name.size(); ++end) {
        const char last = Name[end - 1];
        // A value never spans folders; a number takes only digits.
        if (last == '/' || (number && (last < '0' || last > '9')))
            return false;
        Values.push_back(Name.substr(At, end - At));
        if (match(Pieces, Index + 1, Name, end, Values))
            return true;
        Values.pop_back();
    }
    return false;
}

// Where a file's name ends and its extension starts: the last "." of the name, not its first
// byte.
std::size_t extensionAt(const std::string& Path) {
    const std::size_t slash = Path.rfind('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = Path.rfind('.');
    return dot == std::string::npos || dot <= nameAt ? Path.size() : dot;
}

std::string folderOf(const std::string& Path) {
    const std::size_t slash = Path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : Path.substr(0, slash);
}

std::string joined(const std::vector<std::string>& Values) {
    std::string out;
    for (const std::string& value : Values)
        out += (out.empty() ? "" : "; ") + value;
    return out;
}

constexpr std::size_t NameMax = 255;

constexpr const char* Taken = "Another file already has the name.";

// Name cut to NameMax bytes before its last Keep bytes, not inside a UTF-8 sequence.
std::string shortened(const std::string& Name, std::size_t Keep) {
    if (Name.size() <= NameMax)
        return Name;
    std::size_t cut = NameMax - Keep;
    while (cut > 0 && (static_cast<unsigned char>(Name[cut]) & 0xC0) == 0x80)
        --cut;
    return Name.substr(0, cut) + Name.substr(Name.size() - Keep);
}

// A value as part of a name: what a name cannot hold becomes "_".
std::string nameSafe(std::string Value) {
    std::ranges::replace(Value, '/', '_');
    std::ranges::replace(Value, '\0', '_');
    return Value;
}

} // namespace

bool PlaceholderKey(std::string_view Name, std::string& Key) {
    for (const auto& [name, key] : Placeholders)
        if (name == Name) {
            Key = key;
            return true;
        }
    return false;
}

TPlanResult PlanTagsFromNames(const std::vector<TBatchSource>& Files,
                              const TNameTagsOptions& Options) {
    TPlanResult result;
    const auto pieces = parsePattern(Options.Pattern, result.Error);
    if (!pieces)
        return result;
    // Each "/" of the pattern takes in one more folder.
    const auto levels = static_cast<std::size_t>(std::ranges::count(Options.Pattern, '/'));
    for (const TBatchSource& file : Files) {
        // The last levels + 1 parts of the path, without the extension.
        const std::string stem = file.Path.substr(0, extensionAt(file.Path));
        std::size_t from = stem.size();
        for (std::size_t i = 0; i <= levels && from != std::string::npos; ++i)
            from = from == 0 ? std::string::npos : stem.rfind('/', from - 1);
        std::string name = stem.substr(from == std::string::npos ? 0 : from + 1);
        if (Options.UnderscoresAsSpaces)
            std::ranges::replace(name, '_', ' ');
        std::vector<std::string_view> values;
        if (!match(*pieces, 0, name, 0, values)) {
            result.Preview.push_back(
                {file.Path, "name", name, "", "The name does not match the pattern."});
            continue;
        }
        TBatchItem item{file.Path, {}, ""};
        std::size_t v = 0;
        for (const TPiece& piece : *pieces) {
            if (!piece.Placeholder)
                continue;
            const std::string_view raw = values[v++];
            if (piece.Text.empty())
                continue;
            const std::string value = isNumberKey(piece.Text) ? numberValue(raw) : trimmed(raw);
            const auto old = file.Fields.find(piece.Text);
            const std::vector<std::string> oldValues =
                old == file.Fields.end() ? std::vector<std::string>() : old->second;
            result.Preview.push_back({file.Path, piece.Text, joined(oldValues), value, ""});
            if (oldValues != std::vector<std::string>{value})
                item.Changes.Fields[piece.Text] = {value};
        }
        if (item.Edits())
            result.Plan.push_back(std::move(item));
    }
    return result;
}

TPlanResult PlanNamesFromTags(const std::vector<TBatchSource>& Files,
                              const TTagsNameOptions& Options) {
    TPlanResult result;
    const auto pieces = parsePattern(Options.Pattern, result.Error);
    if (!pieces)
        return result;
    struct TPlanned {
        const TBatchSource* File;
        std::string NewPath;
        std::string Problem;
        // The file of the selection whose name this one takes: fine while that one moves.
        std::optional<std::size_t> TakesFrom;
    };
    // Views of Files' paths and of planned's new paths, which stay where they are: a preview
    // plans thousands of files again whenever its pattern changes.
    std::vector<TPlanned> planned;
    planned.reserve(Files.size());
    std::unordered_map<std::string_view, std::size_t> selected;
    selected.reserve(Files.size());
    for (std::size_t i = 0; i < Files.size(); ++i)
        selected.emplace(Files[i].Path, i);
    for (const TBatchSource& file : Files) {
        TPlanned entry{&file, "", "", std::nullopt};
        std::string relative;
        for (const TPiece& piece : *pieces) {
            if (!piece.Placeholder) {
                relative += piece.Text;
                continue;
            }
            if (piece.Text.empty())
                continue;
            std::string value = file.First(piece.Text);
            if (isNumberKey(piece.Text)) {
                const std::string digits = value.substr(0, value.find('/'));
                if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos)
                    value = numberValue(digits);
                if (piece.Text == "TRACKNUMBER" && Options.PadTrack && value.size() == 1)
                    value = "0" + value;
            }
            if (trimmed(value).empty() && entry.Problem.empty()) {
                const auto name = std::ranges::find(Placeholders, std::string_view(piece.Text),
                                                    [](const auto& P) { return P.second; });
                entry.Problem = "%" + std::string(name->first) + "% is empty for this file.";
            }
            relative += nameSafe(value);
        }
        // Each part of the new name: none empty, none "." or "..", none over NameMax bytes.
        const std::size_t ext = extensionAt(file.Path);
        const std::string extension = file.Path.substr(ext);
        std::string path = Options.BaseFolder.empty() ? folderOf(file.Path) : Options.BaseFolder;
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        for (std::size_t at = 0; at <= relative.size();) {
            const std::size_t slash = std::min(relative.find('/', at), relative.size());
            const std::string part = relative.substr(at, slash - at);
            const bool last = slash == relative.size();
            if ((part.empty() || part == "." || part == "..") && entry.Problem.empty())
                entry.Problem = "The file system refuses the name \"" + relative + "\".";
            path += (path == "/" ? "" : "/") +
                    (last ? shortened(part + extension, extension.size()) : shortened(part, 0));
            at = slash + 1;
        }
        entry.NewPath = path;
        if (entry.Problem.empty() && !PlayListCanHold(path))
            entry.Problem = "A playlist cannot hold the name: it holds a line break.";
        if (entry.Problem.empty() && path != file.Path) {
            std::error_code error;
            if (std::filesystem::exists(std::filesystem::symlink_status(path, error)) &&
                !std::filesystem::equivalent(path, file.Path, error)) {
                const auto holder = selected.find(path);
                if (holder != selected.end())
                    entry.TakesFrom = holder->second;
                else
                    entry.Problem = Taken;
            }
        }
        planned.push_back(std::move(entry));
    }
    std::unordered_map<std::string_view, int> targets;
    targets.reserve(planned.size());
    for (const TPlanned& entry : planned)
        ++targets[entry.NewPath];
    for (TPlanned& entry : planned)
        if (entry.Problem.empty() && targets[entry.NewPath] > 1)
            entry.Problem = "Another file of the selection is planned onto the same name.";
    // A name held by a file of the selection is free once that file moves: refused only when
    // that file stays, and so on along the chain (a ring where all move is fine).
    std::vector<std::vector<std::size_t>> waiting(planned.size());
    std::vector<std::size_t> staying;
    for (std::size_t i = 0; i < planned.size(); ++i) {
        if (planned[i].TakesFrom)
            waiting[*planned[i].TakesFrom].push_back(i);
        if (!planned[i].Problem.empty() || planned[i].NewPath == planned[i].File->Path)
            staying.push_back(i);
    }
    while (!staying.empty()) {
        const std::size_t stays = staying.back();
        staying.pop_back();
        for (const std::size_t i : waiting[stays])
            if (planned[i].Problem.empty()) {
                planned[i].Problem = Taken;
                staying.push_back(i);
            }
    }
    result.Preview.reserve(planned.size());
    for (TPlanned& entry : planned) {
        if (entry.Problem.empty() && entry.NewPath != entry.File->Path)
            result.Plan.push_back({entry.File->Path, {}, entry.NewPath});
        result.Preview.push_back({entry.File->Path, "name", entry.File->Path,
                                  std::move(entry.NewPath), std::move(entry.Problem)});
    }
    return result;
}

} // namespace orvanta
