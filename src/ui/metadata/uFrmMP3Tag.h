#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/batch/uBatchFields.h"
#include "core/batch/uBatchSelection.h"
#include "core/metadata/uTagFields.h"
#include "core/metadata/uTagLines.h"

class QComboBox;
class QGridLayout;
class QGroupBox;
class QImage;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class QVBoxLayout;

namespace orvanta {

class IPrompts;
class TFormatTagEdit;
class TID3v2;
class TTagLines;
class TMPEGaudio;
class TMyMediaDB;
class TPickListReader;
class TTagFieldTable;
class TTagToolPages;

// An up-down control: two arrow buttons that step a position within a range.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    TUpDown(int Min, int Max, QWidget* Parent = nullptr);
    int Position() const { return FPosition; }
    void SetPosition(int Position);
    // Steps by Delta within the range, as a click on an arrow does.
    void Step(int Delta);

    QToolButton* btnUp = nullptr;
    QToolButton* btnDown = nullptr;

signals:
    // The user moved the position.
    void Clicked(int Position);

protected:
    void keyPressEvent(QKeyEvent* Event) override;

private:
    int FMin;
    int FMax;
    int FPosition = 0;
};

// The tag editor of one library file. An MP3 file's ID3v2 tag when it has one or has no ID3v1
// tag, otherwise its ID3v1 tag; another format's own tag (TFormatTagEdit), whose every field the
// table below lists. "Save Tag" writes the file, "OK" writes the library row.
class TfrmMP3Tag : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMP3Tag(IPrompts& Prompts, QWidget* Parent = nullptr);
    ~TfrmMP3Tag() override;

    // Reads the file and fills the controls; false, after telling the user why, when the file
    // cannot be read or is neither MPEG audio nor another format the editor knows.
    bool LoadFile(TMyMediaDB& MediaDB, const QString& Folder, const QString& FileName);
    // Several files at once: the fields they have in common, each showing the value the files
    // share or "(various)", the cover, and the tools. Nothing is written here: Save closes
    // with Accepted, and TakePlanner() then gives what to write. The files are read
    // beforehand, off the window's thread.
    void LoadFiles(TMyMediaDB& MediaDB, TBatchSelection Selection);
    bool SeveralFiles() const { return FSeveral; }
    const std::vector<TBatchFile>& Files() const { return FFiles; }
    // What Save asked to write, planned where the caller runs it: a tool's plan, or the Tags
    // page's edits planned over the files. Ten thousand files' plan is fresh memory that the
    // window's thread would take tens of milliseconds to fill. Empty unless Save closed it.
    using TPlanner = std::function<TBatchPlan()>;
    TPlanner TakePlanner();
    // Hands over what the dialog read of several files, so that the caller frees it off the
    // window's thread: thousands of tags and covers take longer to free than a frame.
    std::shared_ptr<void> TakeFiles();
    // Shows the dialog modally when LoadFile succeeded; Rejected at once otherwise.
    int Execute();
    bool UseV2() const { return FUseV2; }
    // The model of a file other than MP3; null for MP3.
    const TFormatTagEdit* FormatEdit() const { return FFormat.get(); }
    // "Save Tag" wrote the file and copied its new values into the library row.
    bool LibraryChanged() const { return FLibraryChanged; }
    QString FullPath() const;

    QWidget* pnlContainer = nullptr;
    QGroupBox* gbxHeader = nullptr;
    QLabel* lblHeader[10] = {};
    QLineEdit* txtTitle = nullptr;
    QComboBox* cmbArtists = nullptr;
    QComboBox* cmbAlbums = nullptr;
    QLineEdit* txtYear = nullptr;
    QComboBox* cmbGenres = nullptr;
    QLineEdit* txtTrack = nullptr;
    TUpDown* incTrack = nullptr;
    QLineEdit* txtComment = nullptr;
    QComboBox* cmbLanguages = nullptr;
    QComboBox* cmbComposers = nullptr;
    QLineEdit* txtCopyright = nullptr;
    // Every mode but ID3v1.
    QLabel* lblAlbumArtist = nullptr;
    QLineEdit* txtAlbumArtist = nullptr;
    QLabel* lblDisc = nullptr;
    QLineEdit* txtDisc = nullptr;
    QLineEdit* txtDiscTotal = nullptr;
    // Every line of the tag, and the ID3v2 tag found before a FLAC stream.
    TTagFieldTable* tblFields = nullptr;
    QLabel* lblID3 = nullptr;
    QPushButton* cmdRemoveID3 = nullptr;
    QLabel* imgCover = nullptr;
    QLabel* lblCoverSize = nullptr;
    // The cover: from an image file, taken out, or copied to "cover.jpg" beside the file.
    QPushButton* cmdSetCover = nullptr;
    QPushButton* cmdRemoveCover = nullptr;
    QPushButton* cmdExtractCover = nullptr;
    // With several files: the fields on the first page, the tools on the others.
    QTabWidget* tabPages = nullptr;
    TTagToolPages* Tools = nullptr;
    // Where the last "Save Tag" or "OK" stored the fields, or why nothing was written.
    QLabel* lblStatus = nullptr;
    QPushButton* cmdSaveTag = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

public slots:
    void cmdSaveTagClick();
    void cmdOKClick();
    void cmdCancelClick();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void PrepareControls();
    void EnableV2Controls();
    // The pick lists of the library's values arrive from a library worker of their own.
    void StartPickLists();
    void ShowPickLists(const std::vector<QStringList>& Lists);
    void FillGenreTable();
    // The box the user types a text field into; null for the genre (a pick list) and the track.
    QLineEdit* TypedBox(TTagField Field) const;
    void ShowTag();
    // Writes the fields the user changed into the file, and the file's new values into the row.
    void SaveTag();
    void UpdateLibraryRow();
    void incTrackClick(int Position);
    void ShowTrack(int Position);
    void ShowCover();
    void ShowCoverImage(const QImage& Image, bool Found);

    // The formats other than MP3 (uFrmMP3TagFormats.cpp).
    void PrepareFormatControls(QGridLayout* Grid, int Row, QVBoxLayout* Below);
    bool LoadFormatFile(const std::string& Path);
    // The fields and the table from the model; the fields' baseline with them.
    void ShowFormatTag();
    // The fields of these keys (all when none) from the lines, which the table then shows.
    void ShowLineFields(const std::vector<std::string>& Keys);
    // The lines the table edits: the format's, or the MP3 file's ID3v2 frames; null in ID3v1.
    TTagLines* EditedLines() const;
    std::string_view KeyOf(TTagField Field) const;
    // MP3 (uFrmMP3TagLines.cpp): the table of the tag's frames or fields.
    void ShowMP3Lines();
    // Sets the frames whose lines changed outside the fields; false, after saying why, when a
    // line names no text frame.
    bool TakeChangedFrames(TID3v2& Tag);
    void FormatFieldEdited(QLineEdit* Box);
    void SaveFormatTag();
    void UpdateLibraryFromFormat();
    void RemoveID3Click();
    // Several files (uFrmMP3TagBatch.cpp).
    QLineEdit* BatchBox(TBatchField Field) const;
    void ShowSharedValues();
    TBatchEdits TouchedEdits() const;
    void SaveSeveral();
    // The cover (uFrmMP3TagCover.cpp): the controls, what they show, and the user's change,
    // which a single file's "Save Tag" writes and several files' Save plans.
    void PrepareCoverControls(QGridLayout* Grid, int Row);
    void ShowCoverState();
    void SetCoverClick();
    void RemoveCoverClick();
    void ExtractCoverClick();
    // The picture the cover shows now: the file's (or the files' shared one), or the user's.
    std::optional<TPicture> CoverShown() const;
    void SaveCover();
    // The values as shown after loading or the last write, to tell which controls the user
    // changed.
    struct TShown {
        TFieldArray<QString> Text; // the track's slot stays empty
        int GenreIndex = -1;
        int Track = 0;
    };
    TShown Showing() const;
    void FinishSave(bool Changed, const std::function<bool(const std::string&)>& Store);
    void UpdateLibraryFromFile();

    IPrompts& FPrompts;
    std::unique_ptr<TMPEGaudio> FAudio;
    TMyMediaDB* FMediaDB = nullptr;
    QString FFolder;
    QString FFileName;
    bool FUseV2 = true;
    bool FLoaded = false;
    bool FLibraryChanged = false;
    TShown FShown;
    std::unique_ptr<TFormatTagEdit> FFormat;
    std::unique_ptr<TTagLines> FID3v2Lines;
    // The dialog itself is filling the fields, not the user.
    bool FFilling = false;
    std::unique_ptr<TPickListReader> FPickLists;
    std::vector<QComboBox*> FPickCombos;
    // Several files: as read, the fields the user touched, and what Save took: a tool's plan
    // or the edits.
    bool FSeveral = false;
    std::vector<TBatchFile> FFiles;
    std::vector<TBatchField> FTouched;
    TBatchPlan FSavedPlan;
    std::optional<TBatchEdits> FSavedEdits;
    // The cover as read (several files: shared, various or none) and the user's change.
    TSharedCover FCover;
    std::optional<std::optional<TPicture>> FCoverEdit;
};

} // namespace orvanta
