#include "core/batch/uBatchJournal.h"

#include "core/common/uDataPaths.h"
#include "core/common/uFileDescriptor.h"
#include "core/common/uTFileUtils.h"
#include "core/playlists/uPlayListFiles.h"

#include <algorithm>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <unistd.h>

namespace orvanta {

namespace {

constexpr const char* JournalName = "journal";
constexpr const char* Header = "orvanta batch journal 1";

// One field of a line: tabs, line ends and backslashes escaped.
std::string Escaped(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (const char c : Text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Unescaped(std::string_view Text) {
    std::string out;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] != '\\' || i + 1 == Text.size()) {
            out += Text[i];
            continue;
        }
        const char c = Text[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

std::vector<std::string> Split(std::string_view Line) {
    std::vector<std::string> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = Line.find('\t', start);
        fields.push_back(Unescaped(Line.substr(start, tab - start)));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

std::optional<std::size_t> Index(const std::string& Text) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), value);
    if (Text.empty() || error != std::errc() || end != Text.data() + Text.size())
        return std::nullopt;
    return value;
}

// One line: the fields apart by tabs, each escaped.
void AppendLine(std::string& Out, std::initializer_list<std::string_view> Fields) {
    bool first = true;
    for (const std::string_view field : Fields) {
        if (!first)
            Out += '\t';
        first = false;
        Out += Escaped(field);
    }
    Out += '\n';
}

std::string PictureFile(const std::string& Home, std::size_t Item, char Side, std::size_t N) {
    return JournalFolder(Home) + "/picture-" + std::to_string(Item) + Side + std::to_string(N);
}

void AppendFields(std::string& Out, std::string_view Tag, std::size_t Item,
                  const TFieldValues& Fields) {
    const std::string item = std::to_string(Item);
    for (const auto& [key, values] : Fields) {
        Out += Tag;
        Out += '\t';
        Out += item;
        Out += '\t';
        Out += Escaped(key);
        for (const std::string& value : values) {
            Out += '\t';
            Out += Escaped(value);
        }
        Out += '\n';
    }
}

bool AppendPictures(std::string& Out, const std::string& Home, std::size_t Item, char Side,
                    const std::optional<std::vector<TPicture>>& Pictures, std::string& Error) {
    if (!Pictures)
        return true;
    const std::string item = std::to_string(Item);
    const std::string side(1, Side);
    AppendLine(Out, {"pictures", item, side, std::to_string(Pictures->size())});
    for (std::size_t n = 0; n < Pictures->size(); ++n) {
        const TPicture& picture = (*Pictures)[n];
        const std::string file = PictureFile(Home, Item, Side, n);
        if (!TFileUtils::StringToFile(file, picture.Data)) {
            Error = "Cannot write the batch journal's picture " + file;
            return false;
        }
        AppendLine(Out, {"picture", item, side, std::to_string(picture.Type), picture.Mime,
                         picture.Description, std::to_string(picture.Width),
                         std::to_string(picture.Height), std::to_string(picture.Depth),
                         std::to_string(picture.Colors)});
    }
    return true;
}

bool AppendToJournal(const std::string& Home, const std::string& Line, bool Flush) {
    const std::string path = JournalFile(Home);
    TFileDescriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (fd.Get() < 0)
        return false;
    const std::string text = Line + "\n";
    return ::write(fd.Get(), text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
           (!Flush || ::fdatasync(fd.Get()) == 0);
}

std::uint32_t Number32(const std::string& Text) {
    const std::optional<std::size_t> value = Index(Text);
    return value ? static_cast<std::uint32_t>(*value) : 0;
}

} // namespace

std::string JournalFolder(const std::string& Home) {
    return Home + "/Batch";
}

std::string JournalFile(const std::string& Home) {
    return JournalFolder(Home) + "/" + JournalName;
}

namespace {

std::recursive_mutex BatchMutex;
// How deep the holding thread has taken the lock, and the lock file it holds.
int BatchDepth = 0;
TFolderLock BatchFileLock;

} // namespace

TBatchLock::TBatchLock(const std::string& Home, bool Wait) : FThread(BatchMutex, std::defer_lock) {
    if (Wait)
        FThread.lock();
    else if (!FThread.try_lock())
        return;
    if (BatchDepth == 0) {
        std::error_code code;
        std::filesystem::create_directories(JournalFolder(Home), code);
        if (BatchFileLock.Acquire(JournalFolder(Home), Wait) == TFolderLock::TResult::Busy) {
            FThread.unlock();
            return;
        }
    }
    ++BatchDepth;
    FHeld = true;
}

TBatchLock::~TBatchLock() {
    if (FHeld && --BatchDepth == 0)
        BatchFileLock.Release();
}

bool WriteJournal(const std::string& Home, const TBatchJournal& Journal, std::string& Error) {
    const std::string folder = JournalFolder(Home);
    if (!ForceFolderPath(folder)) {
        Error = "Cannot create the folder " + folder;
        return false;
    }
    // The pictures of the journal this one replaces go first: nothing reads them once it is
    // replaced, and a journal is only ever read whole.
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        if (entry.path().filename().string().starts_with("picture-"))
            std::filesystem::remove(entry.path(), ignored);
    std::string text = std::string(Header) + "\n";
    text += Journal.Kind == TJournalKind::Undo ? "kind\tundo\n" : "kind\tbatch\n";
    for (std::size_t i = 0; i < Journal.Items.size(); ++i) {
        const TJournalItem& item = Journal.Items[i];
        AppendLine(text, {"item", std::to_string(i), item.OldPath, item.NewPath});
        if (item.RemoveID3v2)
            AppendLine(text, {"removeid3v2", std::to_string(i)});
        if (item.Hop)
            AppendLine(text, {"hop", std::to_string(i)});
        AppendFields(text, "old", i, item.OldFields);
        AppendFields(text, "new", i, item.NewFields);
        if (!AppendPictures(text, Home, i, 'o', item.OldPictures, Error) ||
            !AppendPictures(text, Home, i, 'n', item.NewPictures, Error))
            return false;
    }
    const std::string path = folder + "/" + JournalName;
    if (!TFileUtils::StringToFile(path, text)) {
        Error = "Cannot write the batch journal " + path;
        return false;
    }
    return true;
}

bool MarkItemDone(const std::string& Home, std::size_t Index, TItemDone Done, bool Flush) {
    const char* word = Done == TItemDone::Written     ? "written"
                       : Done == TItemDone::Unchanged ? "unchanged"
                                                      : "failed";
    return AppendToJournal(Home, "done\t" + std::to_string(Index) + "\t" + word, Flush);
}

bool MarkJournalEnded(const std::string& Home) {
    return AppendToJournal(Home, "end", true);
}

bool JournalCutShort(const std::string& Home) {
    const std::string path = JournalFile(Home);
    TFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        return false;
    char tail[4] = {};
    const off_t size = ::lseek(fd.Get(), 0, SEEK_END);
    return size < 4 || ::pread(fd.Get(), tail, 4, size - 4) != 4 ||
           std::string_view(tail, 4) != "end\n";
}

std::optional<TBatchJournal> ReadJournal(const std::string& Home) {
    const std::string path = JournalFile(Home);
    if (!FileExists(path))
        return std::nullopt;
    std::istringstream in(TFileUtils::FileToString(path));
    std::string line;
    if (!std::getline(in, line) || line != Header)
        return std::nullopt;
    TBatchJournal journal;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = Split(line);
        if (f[0] == "end") {
            journal.Ended = true;
            continue;
        }
        if (f[0] == "kind" && f.size() == 2) {
            journal.Kind = f[1] == "undo" ? TJournalKind::Undo : TJournalKind::Batch;
            continue;
        }
        const std::optional<std::size_t> item = f.size() > 1 ? Index(f[1]) : std::nullopt;
        if (!item)
            return std::nullopt;
        if (f[0] == "item" && f.size() == 4 && *item == journal.Items.size()) {
            journal.Items.push_back({f[2], f[3], {}, {}, {}, {}, false, false});
            continue;
        }
        if (*item >= journal.Items.size())
            return std::nullopt;
        TJournalItem& it = journal.Items[*item];
        if (f[0] == "removeid3v2" && f.size() == 2) {
            it.RemoveID3v2 = true;
        } else if (f[0] == "hop" && f.size() == 2) {
            it.Hop = true;
        } else if ((f[0] == "old" || f[0] == "new") && f.size() >= 3) {
            (f[0] == "old" ? it.OldFields : it.NewFields)[f[2]] = {f.begin() + 3, f.end()};
        } else if (f[0] == "pictures" && f.size() == 4) {
            (f[2] == "o" ? it.OldPictures : it.NewPictures).emplace();
        } else if (f[0] == "picture" && f.size() == 10) {
            auto& list = f[2] == "o" ? it.OldPictures : it.NewPictures;
            if (!list)
                return std::nullopt;
            TPicture picture{Number32(f[3]), f[4],           f[5],           Number32(f[6]),
                             Number32(f[7]), Number32(f[8]), Number32(f[9]), {}};
            const std::string file = PictureFile(Home, *item, f[2][0], list->size());
            if (!FileExists(file))
                return std::nullopt;
            picture.Data = TFileUtils::FileToString(file);
            list->push_back(std::move(picture));
        } else if (f[0] == "done" && f.size() == 3) {
            journal.Done[*item] = f[2] == "written"     ? TItemDone::Written
                                  : f[2] == "unchanged" ? TItemDone::Unchanged
                                                        : TItemDone::Failed;
        } else {
            return std::nullopt;
        }
    }
    return journal;
}

} // namespace orvanta
