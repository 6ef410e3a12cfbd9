#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "core/common/uDisplayUtils.h"
#include "core/common/uTCustomStringList.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"
#include "support/LibraryQueries.h"
#include "support/TempDir.h"

namespace orvanta::test {

// A home of its own, named by ORVANTA_HOME while it lives so that settings land in it, with a
// real library file (Data/MyMedia.edb) filled through the store, a playlists folder and the
// registered file types: what the views and the main window are built on.
class THomeWithLibrary {
public:
    using TPlayListFiles = std::initializer_list<std::pair<const char*, const char*>>;

    // PlayListFiles (name, content) are written into Playlists/ before the manager opens it;
    // Rows generated rows go into Music/ (see AddRows).
    explicit THomeWithLibrary(TPlayListFiles PlayListFiles = {}, int Rows = 0) {
        if (const char* saved = std::getenv("ORVANTA_HOME"))
            FSavedHome = saved;
        ::setenv("ORVANTA_HOME", Home.str().c_str(), 1);
        Music = Home.file("Music");
        std::filesystem::create_directories(Music);
        std::filesystem::create_directories(Home.file("Data"));
        std::filesystem::create_directories(Home.file("Playlists"));
        for (const auto& [name, content] : PlayListFiles)
            Home.write((std::filesystem::path("Playlists") / name).string() + ".ply", content);
        DB.OpenDatabase(LibraryFile());
        AddRows(Rows);
        PlayLists = std::make_unique<TPlayListManager>();
        PlayLists->Open(Home.file("Playlists"));
        Types.NameValueSeparator = ':';
        RegisterFileTypes(Types);
    }
    ~THomeWithLibrary() {
        if (FSavedHome)
            ::setenv("ORVANTA_HOME", FSavedHome->c_str(), 1);
        else
            ::unsetenv("ORVANTA_HOME");
    }
    THomeWithLibrary(const THomeWithLibrary&) = delete;
    THomeWithLibrary& operator=(const THomeWithLibrary&) = delete;

    std::string LibraryFile() const { return Home.file("Data/MyMedia.edb"); }

    // A library row whose file exists in Music/ (empty: the views never read it).
    void Row(const std::string& File, const std::string& Title, const std::string& Artist = "",
             const std::string& Album = "", const std::string& Year = "",
             const std::string& Genre = "", int Seconds = 0, int Quality = 0, int Size = 0) {
        RowIn(Music, File, Size, Title, Artist, Album, Year, Genre, Seconds, Quality);
    }
    // The same in another folder.
    void RowIn(const std::string& Folder, const std::string& File, int Size,
               const std::string& Title, const std::string& Artist, const std::string& Album,
               const std::string& Year, const std::string& Genre, int Seconds, int Quality) {
        std::ofstream(Folder + "/" + File).flush();
        DB.AddMedia({.Directory = Folder,
                     .FileName = File,
                     .Stamp = {Size},
                     .Title = Title,
                     .Artist = Artist,
                     .Album = Album,
                     .Year = Year,
                     .Genre = Genre,
                     .Seconds = Seconds,
                     .Quality = Quality});
    }
    // Count rows in Music/: "1.mp3" titled "T1" by "Artist" on album "1.mp3", genre Pop, 30 s.
    void AddRows(int Count) {
        for (int i = 1; i <= Count; ++i) {
            const std::string number = std::to_string(i);
            Row(number + ".mp3", std::string("T").append(number), "Artist", number + ".mp3", "",
                "Pop", 30, 128, 1);
        }
    }

    // Rows the library holds: all of them, or those of the file at Path (its exact bytes).
    int RowCount() {
        TEasyQuery query;
        TMyMediaDBTestAccess::SelectAllMedia(DB, query);
        return query.RecordCount();
    }
    int RowCount(const std::string& Path) {
        TEasyQuery query;
        TMyMediaDBTestAccess::SelectMedia(DB, query, ExtractFileDir(Path), ExtractFileName(Path));
        return query.RecordCount();
    }

    TempDir Home;
    std::string Music;
    TMyMediaDB DB;
    std::unique_ptr<TPlayListManager> PlayLists;
    TCustomStringList Types;

private:
    std::optional<std::string> FSavedHome;
};

// The same home with the add, removal and purge that the views and orvanta-cli run on it.
class THomeWithMaintenance : public THomeWithLibrary {
public:
    using THomeWithLibrary::THomeWithLibrary;
    TMediaMaintenance Maintenance{DB, *PlayLists, Types};
};

} // namespace orvanta::test
