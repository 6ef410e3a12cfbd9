#include "ui/metadata/uFrmMP3Tag.h"
#include "ui/metadata/uTagDialogTexts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QToolButton>
#include <QVBoxLayout>

#include <QImage>
#include <QPixmap>

#include "core/common/uDisplayUtils.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/metadata/MPEGaudio.h"
#include "core/metadata/uCoverArt.h"
#include "core/metadata/uFormatTagEdit.h"
#include "ui/common/uGuard.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/metadata/uTagBoxes.h"
#include "ui/metadata/uTagPickLists.h"

namespace orvanta {

using namespace tagboxes;

namespace {

// The editor offers the first 80 genres of the ID3v1 table ("Blues" to "Hard Rock").
constexpr int V1GenreChoices = 80;
constexpr int OtherGenre = 12;
constexpr int TrackMax = 255;
constexpr int CoverSide = 96;
// Pick lists are as wide as this many characters whatever the library holds; longer values are
// elided in the list and scroll in the edit field.
constexpr int ComboChars = 24;

void limitTyping(QLineEdit* box, int limit) {
    setLimit(box, limit);
    QObject::connect(box, &QLineEdit::textEdited, box,
                     [box] { setLimit(box, box->property(LimitProperty).toInt()); });
}

QComboBox* sizedCombo(QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(ComboChars);
    return box;
}

QComboBox* editableCombo(QWidget* parent) {
    auto* combo = sizedCombo(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}

// The typing limit of a field in the tag being edited.
int TypingLimit(const TTagFieldInfo& Field, bool V2) {
    return V2 || !Field.InV1() ? Field.V2TypingLimit : int(Field.V1Width);
}

// Sets the text fields whose shown text the user changed (compared trimmed); true when any did.
template <class Tag>
bool TakeChangedTexts(Tag& tag, bool V2, const TFieldArray<QString>& Now,
                      const TFieldArray<QString>& Before) {
    bool changed = false;
    for (const TTagFieldInfo& field : TagFields) {
        const std::size_t i = FieldIndex(field.Id);
        if (!field.IsText() || !(V2 || field.InV1()) || trimmed(Now[i]) == trimmed(Before[i]))
            continue;
        tag.SetText(field.Id, trimmed(Now[i]));
        changed = true;
    }
    return changed;
}

} // namespace

TUpDown::TUpDown(int Min, int Max, QWidget* Parent) : QWidget(Parent), FMin(Min), FMax(Max) {
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    btnUp = new QToolButton(this);
    btnUp->setArrowType(Qt::UpArrow);
    btnDown = new QToolButton(this);
    btnDown->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {btnUp, btnDown}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(17, 11);
        layout->addWidget(button);
    }
    connect(btnUp, &QToolButton::clicked, this, [this] { Step(1); });
    connect(btnDown, &QToolButton::clicked, this, [this] { Step(-1); });
}

void TUpDown::SetPosition(int Position) {
    FPosition = std::clamp(Position, FMin, FMax);
}

void TUpDown::Step(int Delta) {
    const int next = std::clamp(FPosition + Delta, FMin, FMax);
    if (next == FPosition)
        return;
    FPosition = next;
    emit Clicked(FPosition);
}

void TUpDown::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Up)
        Step(1);
    else if (Event->key() == Qt::Key_Down)
        Step(-1);
    else
        QWidget::keyPressEvent(Event);
}

TfrmMP3Tag::TfrmMP3Tag(IPrompts& Prompts, QWidget* Parent)
    : QDialog(Parent), FPrompts(Prompts), FAudio(std::make_unique<TMPEGaudio>()) {
    setObjectName(QStringLiteral("frmMP3Tag"));
    setWindowTitle(QStringLiteral("MP3 Tag Editor"));
    PrepareControls();
    resize(401, 373);
}

TfrmMP3Tag::~TfrmMP3Tag() = default;

void TfrmMP3Tag::PrepareControls() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    pnlContainer = new QWidget(this);
    pnlContainer->setObjectName(QStringLiteral("pnlContainer"));
    outer->addWidget(pnlContainer);
    auto* layout = new QVBoxLayout(pnlContainer);
    layout->setContentsMargins(8, 8, 8, 8);

    gbxHeader = new QGroupBox(pnlContainer);
    gbxHeader->setObjectName(QStringLiteral("gbxHeader"));
    layout->addWidget(gbxHeader);
    auto* grid = new QGridLayout(gbxHeader);

    txtTitle = new QLineEdit(gbxHeader);
    cmbArtists = editableCombo(gbxHeader);
    cmbAlbums = editableCombo(gbxHeader);
    txtYear = new QLineEdit(gbxHeader);
    txtYear->setMaximumWidth(60);
    cmbGenres = sizedCombo(gbxHeader);
    txtTrack = new QLineEdit(gbxHeader);
    txtTrack->setReadOnly(true);
    txtTrack->setMaximumWidth(44);
    txtTrack->installEventFilter(this);
    incTrack = new TUpDown(0, TrackMax, gbxHeader);
    connect(incTrack, &TUpDown::Clicked, this, &TfrmMP3Tag::incTrackClick);
    auto* track = new QHBoxLayout;
    track->setSpacing(0);
    track->addWidget(txtTrack);
    track->addWidget(incTrack);
    track->addStretch(1);
    txtComment = new QLineEdit(gbxHeader);
    cmbLanguages = editableCombo(gbxHeader);
    cmbComposers = editableCombo(gbxHeader);
    txtCopyright = new QLineEdit(gbxHeader);
    for (const TTagFieldInfo& field : TagFields)
        if (QLineEdit* box = TypedBox(field.Id))
            limitTyping(box, TypingLimit(field, false));

    const char* const captions[10] = {"Title", "Artist",  "Album",    "Year",     "Genre",
                                      "Track", "Comment", "Language", "Composer", "Copyright"};
    QWidget* const controls[10] = {txtTitle, cmbArtists, cmbAlbums,    txtYear,      cmbGenres,
                                   nullptr,  txtComment, cmbLanguages, cmbComposers, txtCopyright};
    for (int i = 0; i < 10; ++i) {
        lblHeader[i] = new QLabel(QString::fromLatin1(captions[i]), gbxHeader);
        lblHeader[i]->setObjectName(
            QStringLiteral("lblHeader%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        grid->addWidget(lblHeader[i], i, 0);
        if (controls[i]) {
            grid->addWidget(controls[i], i, 1);
            lblHeader[i]->setBuddy(controls[i]);
        } else {
            grid->addLayout(track, i, 1);
        }
    }
    imgCover = new QLabel(gbxHeader);
    imgCover->setObjectName(QStringLiteral("imgCover"));
    imgCover->setFixedSize(CoverSide, CoverSide);
    imgCover->setAlignment(Qt::AlignCenter);
    imgCover->setFrameShape(QFrame::StyledPanel);
    lblCoverSize = new QLabel(gbxHeader);
    lblCoverSize->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    grid->addWidget(imgCover, 0, 2, 4, 1, Qt::AlignTop);
    grid->addWidget(lblCoverSize, 4, 2, 2, 1, Qt::AlignTop);
    PrepareCoverControls(grid, 6);
    grid->setColumnStretch(1, 1);
    PrepareFormatControls(grid, 10, layout);
    // Language, composer and copyright exist in ID3v2 only.
    for (int i = 7; i < 10; ++i) {
        lblHeader[i]->setEnabled(false);
        controls[i]->setEnabled(false);
    }

    lblStatus = new QLabel(pnlContainer);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    layout->addWidget(lblStatus);

    auto* buttons = new QHBoxLayout;
    cmdSaveTag = new QPushButton(QStringLiteral("Save Tag"), pnlContainer);
    cmdOK = new QPushButton(QStringLiteral("OK"), pnlContainer);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), pnlContainer);
    cmdOK->setDefault(true);
    cmdSaveTag->setToolTip(QStringLiteral("Writes the fields into the file."));
    cmdOK->setToolTip(
        QStringLiteral("Stores the fields in the library only; Save Tag writes the file."));
    buttons->addWidget(cmdSaveTag);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);
    connect(cmdSaveTag, &QPushButton::clicked, this, &TfrmMP3Tag::cmdSaveTagClick);
    connect(cmdOK, &QPushButton::clicked, this, &TfrmMP3Tag::cmdOKClick);
    connect(cmdCancel, &QPushButton::clicked, this, &TfrmMP3Tag::cmdCancelClick);
    DescribeTagDialog(*this);
}

QString TfrmMP3Tag::FullPath() const {
    return PathToQString(JoinPath(PathFromQString(FFolder), PathFromQString(FFileName)));
}

bool TfrmMP3Tag::LoadFile(TMyMediaDB& MediaDB, const QString& Folder, const QString& FileName) {
    FMediaDB = &MediaDB;
    FFolder = Folder;
    FFileName = FileName;
    FLoaded = false;
    const TAudioFormat format = SniffFile(PathFromQString(FullPath()));
    if (format != TAudioFormat::MP3 && format != TAudioFormat::Unknown) {
        if (!LoadFormatFile(PathFromQString(FullPath()))) {
            FPrompts.Information(QStringLiteral("Error reading file.\r\n") +
                                 PathForDisplay(PathFromQString(FullPath())));
            return false;
        }
        ShowCover();
        StartPickLists();
        FLoaded = true;
        return true;
    }
    if (!FAudio->Analyse(PathFromQString(FullPath()))) {
        FPrompts.Information(QStringLiteral("Error reading file.\r\n") +
                             PathForDisplay(PathFromQString(FullPath())));
        return false;
    }
    FUseV2 = FAudio->ID3v2().Present() || !FAudio->ID3v1().Present();
    if (!FAudio->TagWritable(FUseV2)) {
        FPrompts.Information(QStringLiteral("Invalid MP3 file.\r\n") +
                             PathForDisplay(PathFromQString(FullPath())));
        return false;
    }
    if (FUseV2) {
        setWindowTitle(QStringLiteral("MP3 Tag Editor (ID3 v2)"));
        EnableV2Controls();
    } else {
        setWindowTitle(QStringLiteral("MP3 Tag Editor (ID3 v1)"));
        FillGenreTable();
    }
    ShowTag();
    FShown = Showing();
    ShowMP3Lines();
    ShowCover();
    StartPickLists();
    FLoaded = true;
    return true;
}

void TfrmMP3Tag::StartPickLists() {
    FPickCombos = {cmbArtists, cmbAlbums};
    std::vector<const char*> fields = {"fArtist", "fAlbum"};
    if (FUseV2) {
        FPickCombos.insert(FPickCombos.end(), {cmbGenres, cmbLanguages, cmbComposers});
        fields.insert(fields.end(), {"fGenre", "fLanguage", "fComposer"});
    }
    FPickLists = std::make_unique<TPickListReader>(
        FMediaDB->FileName(), std::move(fields),
        [this](std::vector<QStringList> Lists) { ShowPickLists(Lists); });
}

void TfrmMP3Tag::ShowPickLists(const std::vector<QStringList>& Lists) {
    for (std::size_t i = 0; i < FPickCombos.size() && i < Lists.size(); ++i) {
        // The list comes in under what is shown or typed meanwhile, which stays as it is.
        QComboBox* combo = FPickCombos[i];
        QLineEdit* edit = combo->lineEdit(); // every pick list here is editable
        const QString text = edit->text();
        const int cursor = edit->cursorPosition();
        const bool modified = edit->isModified();
        const QSignalBlocker quietCombo(combo);
        const QSignalBlocker quietEdit(edit);
        combo->setModel(new QStringListModel(Lists[i], combo));
        combo->setCurrentIndex(-1);
        edit->setText(text);
        edit->setCursorPosition(cursor);
        edit->setModified(modified);
    }
}

int TfrmMP3Tag::Execute() {
    if (!FLoaded)
        return QDialog::Rejected;
    return exec();
}

void TfrmMP3Tag::EnableV2Controls() {
    for (const TTagFieldInfo& field : TagFields)
        if (QLineEdit* box = TypedBox(field.Id))
            setLimit(box, TypingLimit(field, true));
    cmbGenres->setEditable(true);
    cmbGenres->setInsertPolicy(QComboBox::NoInsert);
    cmbGenres->lineEdit()->setAccessibleName(lblHeader[4]->text());
    for (int i = 7; i < 10; ++i)
        lblHeader[i]->setEnabled(true);
    for (QWidget* control : {static_cast<QWidget*>(lblAlbumArtist), static_cast<QWidget*>(lblDisc),
                             static_cast<QWidget*>(txtAlbumArtist), static_cast<QWidget*>(txtDisc),
                             static_cast<QWidget*>(txtDiscTotal)})
        control->setEnabled(true);
    for (QWidget* control :
         {static_cast<QWidget*>(cmbLanguages), static_cast<QWidget*>(cmbComposers),
          static_cast<QWidget*>(txtCopyright)})
        control->setEnabled(true);
}

void TfrmMP3Tag::FillGenreTable() {
    for (int i = 0; i < V1GenreChoices; ++i)
        cmbGenres->addItem(fromStd(GenreNames[static_cast<std::size_t>(i)]));
}

void TfrmMP3Tag::ShowTrack(int Position) {
    txtTrack->setText(QStringLiteral("%1").arg(Position, 3, 10, QLatin1Char('0')));
}

QLineEdit* TfrmMP3Tag::TypedBox(TTagField Field) const {
    switch (Field) {
    case TTagField::Title:
        return txtTitle;
    case TTagField::Artist:
        return cmbArtists->lineEdit();
    case TTagField::Album:
        return cmbAlbums->lineEdit();
    case TTagField::Year:
        return txtYear;
    case TTagField::Comment:
        return txtComment;
    case TTagField::Composer:
        return cmbComposers->lineEdit();
    case TTagField::Copyright:
        return txtCopyright;
    case TTagField::Language:
        return cmbLanguages->lineEdit();
    case TTagField::Track:
    case TTagField::Genre:
        break;
    }
    return nullptr;
}

void TfrmMP3Tag::ShowTag() {
    const TID3v1& v1 = FAudio->ID3v1();
    const TID3v2& v2 = FAudio->ID3v2();
    for (const TTagFieldInfo& field : TagFields) {
        QLineEdit* box = TypedBox(field.Id);
        if (box && (FUseV2 || field.InV1()))
            showWhole(box, fromStd(FUseV2 ? v2.Text(field.Id) : v1.Text(field.Id)),
                      TypingLimit(field, FUseV2));
    }
    if (FUseV2) {
        cmbGenres->setEditText(fromStd(v2.Genre()));
        const std::string& disc = v2.DiscText();
        const std::size_t slash = disc.find('/');
        txtAlbumArtist->setText(fromStd(v2.AlbumArtist()));
        txtDisc->setText(fromStd(disc.substr(0, slash)));
        txtDiscTotal->setText(slash == std::string::npos ? QString()
                                                         : fromStd(disc.substr(slash + 1)));
        // The up-down holds 0..255: a larger track number wraps (and is kept unless changed).
        incTrack->SetPosition(v2.Track() % (TrackMax + 1));
    } else {
        cmbGenres->setCurrentIndex(v1.GenreIndex() < V1GenreChoices ? v1.GenreIndex() : OtherGenre);
        incTrack->SetPosition(v1.Track());
    }
    ShowTrack(incTrack->Position());
}

TfrmMP3Tag::TShown TfrmMP3Tag::Showing() const {
    TShown shown;
    for (const TTagFieldInfo& field : TagFields)
        if (const QLineEdit* box = TypedBox(field.Id))
            shown.Text[FieldIndex(field.Id)] = box->text();
    shown.Text[FieldIndex(TTagField::Genre)] = cmbGenres->currentText();
    shown.GenreIndex = cmbGenres->currentIndex();
    shown.Track = incTrack->Position();
    return shown;
}

void TfrmMP3Tag::ShowCover() {
    if (FSeveral) {
        ShowCoverState();
        return;
    }
    // The pictures in the tag, which a cover change starts from.
    TBatchFile file;
    std::string error;
    FCover = ReadBatchFile(PathFromQString(FullPath()), file, error) ? SharedCover({file})
                                                                     : TSharedCover();
    // Decoded once, when the dialog opens, and kept only at the size shown.
    std::string bytes;
    bool found = false;
    if (FFormat) {
        // The front cover, else the first picture.
        const std::vector<TPicture>& pictures = FFormat->Read().Pictures;
        const auto front = std::find_if(pictures.begin(), pictures.end(),
                                        [](const TPicture& Picture) { return Picture.Type == 3; });
        found = !pictures.empty();
        if (found)
            bytes = (front != pictures.end() ? *front : pictures.front()).Data;
    } else if (std::optional<TCoverArt> art = FindCoverArt(PathFromQString(FullPath()))) {
        found = true;
        bytes = std::move(art->Bytes);
    }
    QImage image;
    if (found)
        image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                           static_cast<int>(bytes.size()));
    ShowCoverImage(image, found);
    ShowCoverState();
}

void TfrmMP3Tag::ShowCoverImage(const QImage& image, bool Found) {
    if (image.isNull()) {
        imgCover->setText(Found ? QStringLiteral("?") : QString());
        lblCoverSize->setText(Found ? QStringLiteral("Unreadable picture")
                                    : QStringLiteral("No picture"));
        return;
    }
    imgCover->setPixmap(QPixmap::fromImage(
        image.scaled(CoverSide - 4, CoverSide - 4, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    lblCoverSize->setText(QStringLiteral("%1 × %2").arg(image.width()).arg(image.height()));
}

bool TfrmMP3Tag::eventFilter(QObject* Watched, QEvent* Event) {
    // The track box cannot be typed into: the focus moves on to its up-down.
    if (Watched == txtTrack && Event->type() == QEvent::FocusIn)
        incTrack->setFocus(Qt::OtherFocusReason);
    return QDialog::eventFilter(Watched, Event);
}

void TfrmMP3Tag::incTrackClick(int Position) {
    ShowTrack(Position);
}

// Only the controls the user changed reach the tag, so a value shown differently from how the
// file holds it (a wrapped track number, a genre outside the pick list) stays as it was.
void TfrmMP3Tag::cmdSaveTagClick() {
    if (FLoaded && FSeveral)
        Guarded(FPrompts, [this] { SaveSeveral(); });
    else if (FLoaded)
        Guarded(FPrompts, [this] {
            SaveTag();
            SaveCover();
        });
}

void TfrmMP3Tag::SaveTag() {
    if (FFormat) {
        SaveFormatTag();
        return;
    }
    const TShown now = Showing();
    const bool track = now.Track != FShown.Track;
    if (FUseV2) {
        TID3v2& tag = FAudio->ID3v2();
        if (!TakeChangedFrames(tag))
            return;
        const bool texts = TakeChangedTexts(tag, true, now.Text, FShown.Text);
        if (track)
            tag.SetTrack(static_cast<std::uint16_t>(now.Track));
        // Album artist and disc change only when their text differs from the file's.
        tag.SetFrameText("TPE2", trimmed(txtAlbumArtist->text()));
        const std::string total = trimmed(txtDiscTotal->text());
        tag.SetFrameText("TPOS", trimmed(txtDisc->text()) + (total.empty() ? "" : "/" + total));
        FinishSave(texts || track || tag.FramesEdited(),
                   [&tag](const std::string& Path) { return tag.StoreTag(Path); });
        return;
    }
    TID3v1& tag = FAudio->ID3v1();
    const bool texts = TakeChangedTexts(tag, false, now.Text, FShown.Text);
    const bool genre = now.GenreIndex != FShown.GenreIndex;
    if (genre)
        tag.SetGenreIndex(
            static_cast<std::uint8_t>(now.GenreIndex < 0 ? OtherGenre : now.GenreIndex));
    if (track)
        tag.SetTrack(static_cast<std::uint8_t>(now.Track));
    FinishSave(texts || genre || track,
               [&tag](const std::string& Path) { return tag.StoreTag(Path); });
}

// Writes the tag when a field changed and says in the status line what reached the file. After
// a write the controls show what the file now holds, and the next save compares with that.
void TfrmMP3Tag::FinishSave(bool Changed, const std::function<bool(const std::string&)>& Store) {
    if (!Changed) {
        lblStatus->setText(QStringLiteral("Nothing changed; the file was not written."));
        return;
    }
    const std::string path = PathFromQString(FullPath());
    const auto notWhole = [&] { return FUseV2 && !FAudio->ID3v2().ReadWhole(); };
    if (notWhole() || !Store(path)) {
        lblStatus->clear();
        FPrompts.Information(
            notWhole()
                ? QString::fromStdString(TagNotWholeMessage(PathForDisplay(path).toStdString()))
                : QStringLiteral("Error writing MP3 tag.\r\n") + PathForDisplay(path));
        return;
    }
    ShowTag();
    FShown = Showing();
    ShowMP3Lines();
    lblStatus->setText(QStringLiteral("Saved to the file."));
    UpdateLibraryFromFile();
}

// The library row follows the file just written, read back as adding the file reads it.
void TfrmMP3Tag::UpdateLibraryFromFile() {
    const std::string path = PathFromQString(FullPath());
    TMediaRecord info = ReadMediaInfo(path);
    info.Directory = PathFromQString(FFolder);
    info.FileName = PathFromQString(FFileName);
    info.Title = TitleOrFileName(info.Title, path);
    // The whole row, its lists of values included. Its stamp is the file's as written, so a
    // refresh does not read it again over what "OK" keeps in the library only.
    static_cast<void>(ReadFileStamp(path, info.Stamp));
    FMediaDB->RewriteMedia(info);
    FLibraryChanged = true;
}

void TfrmMP3Tag::UpdateLibraryRow() {
    TMediaRecord row;
    row.Directory = PathFromQString(FFolder);
    row.FileName = PathFromQString(FFileName);
    row.Title = trimmed(txtTitle->text());
    row.Artist = trimmed(cmbArtists->currentText());
    row.Album = trimmed(cmbAlbums->currentText());
    row.Year = trimmed(txtYear->text());
    row.Genre = trimmed(cmbGenres->currentText());
    row.Language = trimmed(cmbLanguages->currentText());
    row.Composer = trimmed(cmbComposers->currentText());
    // Several values of a field are typed joined, as they are shown.
    row.Artists = SplitJoinedValues(row.Artist);
    row.Genres = SplitJoinedValues(row.Genre);
    row.Composers = SplitJoinedValues(row.Composer);
    FMediaDB->UpdateMedia(row);
    if (!txtAlbumArtist->isEnabled())
        return;
    TMediaRecord stored;
    if (!FMediaDB->FindMedia(row.Directory, row.FileName, stored))
        return;
    stored.Numbers.AlbumArtist = trimmed(txtAlbumArtist->text());
    stored.Numbers.Disc = txtDisc->text().toInt();
    FMediaDB->SetMediaNumbers(row.Directory, row.FileName, stored.Numbers,
                              SplitJoinedValues(stored.Numbers.AlbumArtist));
}

void TfrmMP3Tag::cmdOKClick() {
    // A library that cannot be written keeps the dialog open, its fields as typed.
    if (FLoaded) {
        if (!Guarded(FPrompts, [this] { UpdateLibraryRow(); }))
            return;
        lblStatus->setText(QStringLiteral("Saved to the library only; Save Tag writes the file."));
    }
    // The view shows the row at once; the file is written by "Save Tag" only.
    accept();
}

void TfrmMP3Tag::cmdCancelClick() {
    reject();
}

} // namespace orvanta
