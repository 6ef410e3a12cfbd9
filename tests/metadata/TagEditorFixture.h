#pragma once

#include <QString>
#include <string>

#include "core/library/uTMyMediaDB.h"
#include "support/FakePrompts.h"
#include "support/TempDir.h"
#include "ui/metadata/uFrmMP3Tag.h"

namespace orvanta::test {

// A folder with a real library file and the dialog's prompts answered by the test: what every
// tag editor test opens its files in.
struct TagEditorHome {
    TempDir Dir;
    TMyMediaDB DB;
    FakePrompts Prompts;

    TagEditorHome() { DB.OpenDatabase(Dir.file("MyMedia.edb")); }
    QString Folder() const { return QString::fromStdString(Dir.str()); }
    bool Open(TfrmMP3Tag& Dialog, const std::string& Name) {
        return Dialog.LoadFile(DB, Folder(), QString::fromStdString(Name));
    }
    TMediaRecord Row(const std::string& Name) {
        TMediaRecord row;
        DB.FindMedia(Dir.str(), Name, row);
        return row;
    }
};

} // namespace orvanta::test
