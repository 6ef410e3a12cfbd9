#pragma once

#include <QObject>
#include <QStringList>

#include "core/playlists/uM3U.h"

class QAction;

namespace orvanta {

class IMainServices;
class IPrompts;
class TPlayListManager;
class TfraPlayLists;

// The Playlists view's M3U commands: "Import Playlist..." and "Export Playlist..." in its
// pop-up menu, and the import of files the program was asked to open.
class TPlayListFileCommands : public QObject {
    Q_OBJECT
public:
    TPlayListFileCommands(TfraPlayLists& View, TPlayListManager& Manager, IMainServices& Main,
                          IPrompts& Prompts);

    // Asks for files, then imports each.
    void ImportPlayList();
    // Makes a playlist of each file; the last one imported is selected. Returns how many.
    int ImportFiles(const QStringList& Files);
    // Writes the selected playlist to a file the user chooses.
    void ExportPlayList();

    // The library's entry of an imported file, whose seconds then win over the M3U's.
    TTrackEntryLookup LibraryEntries;
    // The library's artist and title of an exported file, for its #EXTINF line.
    TM3UTagLookup LibraryTags;

    QAction* mnuPopPlayListsImport = nullptr;
    QAction* mnuPopPlayListsExport = nullptr;

private:
    bool ImportFile(const QString& File);

    TfraPlayLists& FView;
    TPlayListManager& FManager;
    IMainServices& FMain;
    IPrompts& FPrompts;
};

} // namespace orvanta
