#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "core/common/uDisplayUtils.h"
#include "core/common/uTFileUtils.h"
#include "core/library/uMediaImport.h"
#include "core/library/uTMyMediaDB.h"
#include "core/metadata/uTagFile.h"
#include "core/playlists/uTPlayListManager.h"
#include "support/LibraryQueries.h"
#include "support/Mp3Files.h"

using namespace orvanta;
using orvanta::test::readAll;
using orvanta::test::TempDir;

namespace {

// Runs Child in a process of its own and reads what it prints line by line; kills it with
// SIGKILL once KillAfter lines arrived. Returns the lines read.
std::vector<std::string> runAndKill(const std::function<void()>& Child, std::size_t killAfter,
                                    bool& killed) {
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        Child();
        ::_exit(127);
    }
    ::close(out[1]);
    std::vector<std::string> lines;
    std::string partial;
    char buffer[4096];
    killed = false;
    for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        partial.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = partial.find('\n')) != std::string::npos;) {
            lines.push_back(partial.substr(0, end));
            partial.erase(0, end + 1);
        }
        if (!killed && lines.size() >= killAfter) {
            ::kill(child, SIGKILL);
            killed = true;
        }
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    // A line cut by the kill was never reported whole.
    return lines;
}

// orvanta-cli with the given arguments.
std::function<void()> cli(const std::string& home, const std::vector<std::string>& args) {
    return [home, args] {
        ::setenv("ORVANTA_HOME", home.c_str(), 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(ORVANTA_CLI_PATH));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(ORVANTA_CLI_PATH, argv.data());
    };
}

// The window's background add of a folder, printing each file it reports as a JSON line.
std::function<void()> backgroundImport(const std::string& file, const std::string& folder) {
    return [file, folder] {
        TCustomStringList types;
        types.NameValueSeparator = ':';
        RegisterFileTypes(types);
        TMyMediaDB library;
        library.OpenDatabase(file);
        TMediaImport importing(library, types);
        importing.OnResults = [](std::vector<TAddResult>& Results) {
            for (const TAddResult& result : Results)
                std::printf("%s\n", nlohmann::json({{"path", result.Path}}).dump().c_str());
            std::fflush(stdout);
        };
        importing.RunInBackground({folder}, false);
    };
}

} // namespace

TEST(CrashSafety, KilledLibraryAddLosesNoReportedFile) {
    TempDir home;
    const std::string model = orvanta::test::makeMp3(home, "model.mp3", 0.3, "--id3v2-only --tt T");
    ASSERT_FALSE(model.empty());
    std::filesystem::create_directories(home.file("music"));
    std::vector<std::string> args = {"library", "add"};
    constexpr int Files = 6000;
    for (int i = 0; i < Files; ++i) {
        const std::string path = home.file("music/track" + std::to_string(i) + ".mp3");
        std::filesystem::copy_file(model, path);
        args.push_back(path);
    }
    std::set<std::string> reported;
    // Chosen files, a folder, and the window's background add; files reported by an earlier
    // round come again as already in the library.
    for (const auto& round :
         {cli(home.str(), args), cli(home.str(), {"library", "add", home.file("music")}),
          backgroundImport(home.file("Data/MyMedia.edb"), home.file("music"))}) {
        bool killed = false;
        const auto lines = runAndKill(round, 1, killed);
        EXPECT_TRUE(killed);
        EXPECT_LT(lines.size(), static_cast<std::size_t>(Files)) << "finished before the kill";
        for (const std::string& line : lines) {
            const auto object = nlohmann::json::parse(line);
            reported.insert(object["path"].get<std::string>());
        }
    }
    ASSERT_FALSE(reported.empty());
    TMyMediaDB library;
    library.OpenDatabase(home.file("Data/MyMedia.edb"));
    EXPECT_EQ(library.IntegrityCheck(), "ok");
    TEasyQuery query;
    for (const std::string& path : reported) {
        TMyMediaDBTestAccess::SelectMedia(library, query, ExtractFileDir(path),
                                          ExtractFileName(path));
        EXPECT_EQ(query.RecordCount(), 1) << path;
    }
    TMyMediaDBTestAccess::SelectAllMedia(library, query);
    EXPECT_GE(query.RecordCount(), static_cast<int>(reported.size()));
}

TEST(CrashSafety, KilledPlayListSaveLeavesOldOrNewFiles) {
    constexpr int Lists = 40;
    const auto version = [](int list, int v) {
        TPlayList playList;
        playList.SetUp("List" + std::to_string(list), v);
        for (int k = 0; k < 400 + v * 50; ++k)
            playList.InsertTrack("/music/v" + std::to_string(v) + "/" + std::to_string(list) +
                                 "/track" + std::to_string(k) + ".mp3*" + std::to_string(k));
        return playList;
    };
    std::vector<std::array<std::string, 2>> texts;
    for (int i = 0; i < Lists; ++i)
        texts.push_back({version(i, 0).ToText(), version(i, 1).ToText()});
    // A playlist renamed back and forth: after a kill its file is there under one name or
    // both, whole, never under neither.
    const TPlayList moving = version(99, 1);
    const std::array<std::string, 2> movingNames = {"Moving A", "Moving B"};
    std::mt19937 random(12345);
    // Every playlist written at once, and the program's own path: only what changed.
    for (const bool onlyChanged : {false, true}) {
        TempDir dir;
        for (int round = 0; round < 6; ++round) {
            int saved[2];
            ASSERT_EQ(::pipe(saved), 0);
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(saved[0]);
                TPlayListManager manager;
                manager.Open(dir.str());
                for (int i = 0; i < Lists; ++i)
                    manager.AddPlayList("List" + std::to_string(i));
                if (!manager.Exists(movingNames[0]) && !manager.Exists(movingNames[1])) {
                    manager.AddPlayList(movingNames[0]);
                    manager.FindByName(movingNames[0])->Assign(moving);
                    manager.FindByName(movingNames[0])->Name = movingNames[0];
                }
                for (int v = 0;; v = 1 - v) {
                    for (int i = 0; i < Lists; ++i)
                        manager.FindByName("List" + std::to_string(i))->Assign(version(i, v));
                    if (onlyChanged) {
                        const int from = manager.Exists(movingNames[0]) ? 0 : 1;
                        manager.RenamePlayList(movingNames[from], movingNames[1 - from]);
                        manager.SaveChanged();
                    } else {
                        // Killed mid-write on purpose: only the files left behind count.
                        static_cast<void>(manager.SaveAll(dir.str()));
                    }
                    const char done = 'v';
                    if (::write(saved[1], &done, 1) != 1)
                        ::_exit(1);
                }
            }
            ::close(saved[1]);
            // One whole save first, so the kill lands in a save that replaces existing files.
            char done = 0;
            ASSERT_EQ(::read(saved[0], &done, 1), 1);
            // A random point inside the saves is the point: the kill must land anywhere.
            ::usleep(static_cast<useconds_t>(random() % 40000));
            ::kill(child, SIGKILL);
            int status = 0;
            ::waitpid(child, &status, 0);
            ::close(saved[0]);
            for (int i = 0; i < Lists; ++i) {
                const std::string path = dir.file("List" + std::to_string(i) + ".ply");
                const std::string text = readAll(path);
                EXPECT_TRUE(text == texts[static_cast<std::size_t>(i)][0] ||
                            text == texts[static_cast<std::size_t>(i)][1])
                    << path << " holds " << text.size() << " bytes of neither version";
            }
            int movingFiles = 0;
            for (const std::string& name : movingNames) {
                if (!std::filesystem::exists(dir.file(name + ".ply")))
                    continue;
                ++movingFiles;
                EXPECT_EQ(readAll(dir.file(name + ".ply")), moving.ToText()) << name;
            }
            EXPECT_GE(movingFiles, 1);
        }
        TPlayListManager reader;
        reader.LoadAll(dir.str());
        EXPECT_GE(reader.Count(), Lists + 1);
    }
}

// Temporary copies that a killed writer left beside the music go at the next write there.
TEST(CrashSafety, KilledRewritesLeaveNoTemporaryFileAfterTheNextWrite) {
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string song = dir.write("song.mp3", std::string(4 << 20, 'a'));
    const std::string list = dir.file("list.ply");
    std::mt19937 random(54321);
    for (int round = 0; round < 20; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (char c = 'b';; c = c == 'z' ? 'b' : static_cast<char>(c + 1)) {
                tagfile::RewriteWithPrefix(song, std::string(1, c), 1);
                // Killed mid-write on purpose: only the files left behind count.
                static_cast<void>(TFileUtils::StringToFile(list, std::string(100000, c)));
            }
        }
        // A random point inside the rewrites is the point: the kill must land anywhere.
        ::usleep(static_cast<useconds_t>(1000 + random() % 30000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    const auto temporaries = [&] {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            const std::string name = entry.path().filename().string();
            if (name != "song.mp3" && name != "list.ply")
                ++count;
        }
        return count;
    };
    // As if a minute had passed since the kills.
    for (const auto& entry : fs::directory_iterator(dir.path()))
        fs::last_write_time(entry.path(),
                            fs::file_time_type::clock::now() - std::chrono::minutes(2));
    ASSERT_TRUE(TFileUtils::StringToFile(list, "after"));
    EXPECT_EQ(temporaries(), 0);
    EXPECT_EQ(fs::file_size(song), 4u << 20);
}
