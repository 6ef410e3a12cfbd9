#include "ui/metadata/uTagDialogTexts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "ui/common/uAccessibleTexts.h"
#include "ui/metadata/uFrmMP3Tag.h"

namespace orvanta {

void DescribeTagDialog(TfrmMP3Tag& Dialog) {
    TUpDown& track = *Dialog.incTrack;
    SetAccessibleTexts({
        {Dialog.txtTitle, {}, QStringLiteral("The track's title")},
        {Dialog.cmbArtists, {}, QStringLiteral("The artist; the list holds the library's")},
        {Dialog.cmbAlbums, {}, QStringLiteral("The album; the list holds the library's")},
        {Dialog.txtYear, {}, QStringLiteral("The year of the recording")},
        {Dialog.cmbGenres, {}, QStringLiteral("The genre; the list holds the library's")},
        {Dialog.txtTrack, QStringLiteral("Track"),
         QStringLiteral("The track's number on its disc")},
        {&track, QStringLiteral("Track number"),
         QStringLiteral("The up and down arrow keys change the track number")},
        {track.btnUp, QStringLiteral("Next track number"), QStringLiteral("One more")},
        {track.btnDown, QStringLiteral("Previous track number"), QStringLiteral("One less")},
        {Dialog.txtComment, {}, QStringLiteral("A comment kept in the tag")},
        {Dialog.cmbLanguages, {}, QStringLiteral("The language of the lyrics")},
        {Dialog.cmbComposers, {}, QStringLiteral("The composer")},
        {Dialog.txtCopyright, {}, QStringLiteral("The copyright notice")},
        {Dialog.txtAlbumArtist, {}, QStringLiteral("The artist of the whole album")},
        {Dialog.txtDisc, {}, QStringLiteral("The disc's number in its set")},
        {Dialog.txtDiscTotal, QStringLiteral("Discs in the set"),
         QStringLiteral("How many discs the set has")},
        {Dialog.cmdRemoveID3, {}, QStringLiteral("Removes the tag from the file")},
        {Dialog.cmdSaveTag, {}, QStringLiteral("Writes the tag to the file and keeps the dialog")},
        {Dialog.cmdOK, {}, QStringLiteral("Writes the tag and closes the dialog")},
        {Dialog.cmdCancel, {}, QStringLiteral("Closes the dialog without writing")},
    });
}

} // namespace orvanta
