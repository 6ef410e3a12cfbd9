#pragma once

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/metadata/uTagLibWrite.h"
#include "support/AudioFiles.h"
#include "support/Mp3Files.h"

namespace orvanta::test {

// Picture bytes told apart by N: a PNG signature, then N repeated.
inline std::string CoverBytes(int N) {
    return "\x89PNG\r\n\x1A\n" + std::string(600 + N, static_cast<char>('a' + N % 26));
}

// An MP3 whose ID3v2.3 tag holds a title and a front cover (APIC) of CoverBytes(Cover).
inline std::string MakeCoveredMp3(const std::string& Path, const std::string& Title, int Cover) {
    const std::string apic = std::string("\0image/png\0\3\0", 13) + CoverBytes(Cover);
    std::ofstream(Path, std::ios::binary)
        << Tag(3, Frame(3, "TIT2", Text(Title)) + Frame(3, "APIC", apic), 64) << SampleMp3Bytes();
    return Path;
}

// A tagged FLAC (see AudioFiles.h) at Dir/Name whose one picture is CoverBytes(Cover).
inline std::string MakeCoveredFlac(const TempDir& Dir, const std::string& Name, int Cover) {
    const std::string path = AudioFixtures::Get().CopyTo(Dir, "tone.flac");
    const std::string target = Dir.file(Name);
    std::filesystem::rename(path, target);
    TTagChanges changes;
    TPicture picture;
    picture.Mime = "image/png";
    picture.Data = CoverBytes(Cover);
    changes.Pictures = std::vector<TPicture>{picture};
    std::string error;
    if (!WriteTagChanges(target, TAudioFormat::FLAC, changes, error))
        throw std::runtime_error(error);
    return target;
}

// Adds the file's row to Library as an import reads it.
inline void AddLibraryRow(TMyMediaDB& Library, const std::string& Path) {
    TMediaRecord row;
    row.Directory = std::filesystem::path(Path).parent_path().string();
    row.FileName = std::filesystem::path(Path).filename().string();
    if (!ReadFileStamp(Path, row.Stamp) || ReadMediaInfo(Path, row) != TMediaRead::Audio ||
        !Library.AddMedia(row))
        throw std::runtime_error("cannot add " + Path);
}

// The bytes a JPEG picture starts with, then Mark: covers that differ by their mark.
inline std::string JpegCover(const std::string& Mark) {
    return std::string("\xFF\xD8\xFF\xE0", 4) + Mark;
}

// An MP3 file with an ID3v2.3 tag of a title, an album and a front cover.
inline void WriteTaggedMp3(const std::string& Path, const std::string& Title,
                           const std::string& Album, const std::string& Cover) {
    const std::string apic = std::string(1, '\0') + "image/jpeg" + std::string(1, '\0') + '\x03' +
                             std::string(1, '\0') + Cover;
    std::ofstream(Path, std::ios::binary)
        << Tag(3, Frame(3, "TIT2", Text(Title)) + Frame(3, "TALB", Text(Album)) +
                      Frame(3, "APIC", apic))
        << SampleMp3Bytes();
}

} // namespace orvanta::test
