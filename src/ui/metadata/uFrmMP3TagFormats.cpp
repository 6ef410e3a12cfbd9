// The tag editor for the formats other than MP3: the fields and the table of every line are
// two views of one TFormatTagEdit, each following the other's edits.
#include "ui/metadata/uFrmMP3Tag.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <tuple>

#include "core/library/uMediaFromAudio.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/metadata/uFormatTagEdit.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/metadata/uTagBoxes.h"
#include "ui/metadata/uTagFieldTable.h"

namespace orvanta {

using namespace tagboxes;

namespace {

constexpr int TrackMax = 255;

// The key each field of the editor shows, in the common spelling of TTagEntry.
std::string_view FormatKeyOf(TTagField Field) {
    switch (Field) {
    case TTagField::Title:
        return "TITLE";
    case TTagField::Artist:
        return "ARTIST";
    case TTagField::Album:
        return "ALBUM";
    case TTagField::Track:
        return "TRACKNUMBER";
    case TTagField::Year:
        return "DATE";
    case TTagField::Genre:
        return "GENRE";
    case TTagField::Comment:
        return "COMMENT";
    case TTagField::Composer:
        return "COMPOSER";
    case TTagField::Copyright:
        return "COPYRIGHT";
    case TTagField::Language:
        return "LANGUAGE";
    }
    return {};
}

// The leading number of a text such as "3" or "03"; 0 when there is none.
// The keys of the fields outside the field table: the album artist, and the track and disc
// with their totals (none where the number's field holds "3/12").
struct TNumberKeys {
    std::string_view AlbumArtist, Track, TrackTotal, Disc, DiscTotal;
};
constexpr TNumberKeys FormatKeys = {"ALBUMARTIST", "TRACKNUMBER", "TRACKTOTAL", "DISCNUMBER",
                                    "DISCTOTAL"};
constexpr TNumberKeys ID3v2Keys = {"TPE2", "TRCK", "", "TPOS", ""};

int LeadingNumber(const std::string& Text) {
    int value = 0;
    for (const char c : Text) {
        if (c < '0' || c > '9' || value > 100000)
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

void TfrmMP3Tag::PrepareFormatControls(QGridLayout* Grid, int Row, QVBoxLayout* Below) {
    lblAlbumArtist = new QLabel(QStringLiteral("Album Artist"), gbxHeader);
    txtAlbumArtist = new QLineEdit(gbxHeader);
    lblDisc = new QLabel(QStringLiteral("Disc"), gbxHeader);
    txtDisc = new QLineEdit(gbxHeader);
    txtDiscTotal = new QLineEdit(gbxHeader);
    for (QLineEdit* box : {txtDisc, txtDiscTotal}) {
        box->setMaximumWidth(44);
        box->setMaxLength(4);
        box->setInputMask(QString());
    }
    txtDiscTotal->setToolTip(QStringLiteral("How many discs the set has"));
    auto* disc = new QHBoxLayout;
    disc->addWidget(txtDisc);
    disc->addWidget(new QLabel(QStringLiteral("of"), gbxHeader));
    disc->addWidget(txtDiscTotal);
    disc->addStretch(1);
    Grid->addWidget(lblAlbumArtist, Row, 0);
    Grid->addWidget(txtAlbumArtist, Row, 1);
    lblAlbumArtist->setBuddy(txtAlbumArtist);
    Grid->addWidget(lblDisc, Row + 1, 0);
    Grid->addLayout(disc, Row + 1, 1);
    lblDisc->setBuddy(txtDisc);
    for (QWidget* control : {static_cast<QWidget*>(lblAlbumArtist), static_cast<QWidget*>(lblDisc),
                             static_cast<QWidget*>(txtAlbumArtist), static_cast<QWidget*>(txtDisc),
                             static_cast<QWidget*>(txtDiscTotal)})
        control->setEnabled(false);

    tblFields = new TTagFieldTable(pnlContainer);
    tblFields->setObjectName(QStringLiteral("tblFields"));
    tblFields->SetEditable(false);
    Below->addWidget(tblFields, 1);
    auto* id3 = new QHBoxLayout;
    lblID3 = new QLabel(pnlContainer);
    lblID3->setObjectName(QStringLiteral("lblID3"));
    lblID3->setWordWrap(true);
    cmdRemoveID3 = new QPushButton(QStringLiteral("Remove ID3 Tag"), pnlContainer);
    cmdRemoveID3->setToolTip(QStringLiteral("Takes the ID3 tag out of the file at the next save."));
    id3->addWidget(lblID3, 1);
    id3->addWidget(cmdRemoveID3);
    Below->addLayout(id3);
    lblID3->hide();
    cmdRemoveID3->hide();

    connect(cmdRemoveID3, &QPushButton::clicked, this, &TfrmMP3Tag::RemoveID3Click);
    connect(tblFields, &TTagFieldTable::LineChanged, this,
            [this](int Row, const std::string& Key, const std::string& Value) {
                TTagLines* lines = EditedLines();
                if (!lines || std::size_t(Row) >= lines->Lines().size())
                    return;
                const std::string before = lines->Lines()[std::size_t(Row)].Key;
                lines->SetLine(static_cast<std::size_t>(Row), Key, Value);
                ShowLineFields({before, lines->Lines()[std::size_t(Row)].Key});
            });
    connect(tblFields, &TTagFieldTable::LineAdded, this, [this] {
        if (TTagLines* lines = EditedLines()) {
            lines->AddLine("", "");
            tblFields->ShowLines(lines->Lines());
        }
    });
    connect(tblFields, &TTagFieldTable::LineRemoved, this, [this](int Row) {
        TTagLines* lines = EditedLines();
        if (!lines || std::size_t(Row) >= lines->Lines().size())
            return;
        const std::string key = lines->Lines()[std::size_t(Row)].Key;
        lines->RemoveLine(static_cast<std::size_t>(Row));
        ShowLineFields({key});
    });
    // A field the user types into changes the lines of its key at once.
    for (QLineEdit* box : {txtTitle, cmbArtists->lineEdit(), cmbAlbums->lineEdit(), txtYear,
                           txtComment, cmbLanguages->lineEdit(), cmbComposers->lineEdit(),
                           txtCopyright, txtAlbumArtist, txtDisc, txtDiscTotal})
        connect(box, &QLineEdit::textChanged, this, [this, box] { FormatFieldEdited(box); });
    connect(cmbGenres, &QComboBox::currentTextChanged, this,
            [this] { FormatFieldEdited(cmbGenres->lineEdit()); });
    connect(incTrack, &TUpDown::Clicked, this, [this] { FormatFieldEdited(txtTrack); });
}

bool TfrmMP3Tag::LoadFormatFile(const std::string& Path) {
    auto edit = std::make_unique<TFormatTagEdit>();
    if (!edit->Load(Path))
        return false;
    FFormat = std::move(edit);
    FUseV2 = true;
    const TAudioFormat format = FFormat->Format();
    setWindowTitle(QStringLiteral("%1 Tag Editor (%2)")
                       .arg(fromStd(FormatName(format)), fromStd(TagKindName(format))));
    EnableV2Controls();
    tblFields->SetEditable(true);
    ShowFormatTag();
    if (const std::int64_t bytes = FFormat->ID3v2Bytes(); bytes > 0) {
        lblID3->setText(
            QStringLiteral("An ID3v2 tag of %1 bytes precedes the FLAC stream.").arg(bytes));
        lblID3->show();
        cmdRemoveID3->show();
    }
    return true;
}

void TfrmMP3Tag::ShowFormatTag() {
    ShowLineFields({});
    FShown = Showing();
}

TTagLines* TfrmMP3Tag::EditedLines() const {
    return FFormat ? static_cast<TTagLines*>(FFormat.get()) : FID3v2Lines.get();
}

std::string_view TfrmMP3Tag::KeyOf(TTagField Field) const {
    if (FFormat)
        return FormatKeyOf(Field);
    // An MP3 file's comment is a frame with a description, shown but not edited as a line.
    return Field == TTagField::Comment ? std::string_view() : FieldInfo(Field).V2Frame;
}

void TfrmMP3Tag::ShowLineFields(const std::vector<std::string>& Keys) {
    const TTagLines& lines = *EditedLines();
    const TNumberKeys& keys = FFormat ? FormatKeys : ID3v2Keys;
    // An MP3 file's fields show what its tag's reader makes of the frames (a genre by its
    // number, a year from a date): only the fields of the lines the user changed follow them.
    const auto shows = [&](std::string_view Key) {
        return !Key.empty() &&
               (Keys.empty() || std::find(Keys.begin(), Keys.end(), Key) != Keys.end());
    };
    FFilling = true;
    for (const TTagFieldInfo& field : TagFields) {
        QLineEdit* box = TypedBox(field.Id);
        const QString text = fromStd(lines.FieldText(KeyOf(field.Id)));
        if (box && shows(KeyOf(field.Id)) && box->text() != text)
            showWhole(box, text, box->property(LimitProperty).toInt());
    }
    if (const QString genre = fromStd(lines.FieldText(KeyOf(TTagField::Genre)));
        shows(KeyOf(TTagField::Genre)) && cmbGenres->currentText() != genre)
        cmbGenres->setEditText(genre);
    if (shows(keys.Track)) {
        incTrack->SetPosition(LeadingNumber(lines.Number(keys.Track)) % (TrackMax + 1));
        ShowTrack(incTrack->Position());
    }
    const std::tuple<QLineEdit*, std::string_view, std::string> texts[] = {
        {txtAlbumArtist, keys.AlbumArtist, lines.FieldText(keys.AlbumArtist)},
        {txtDisc, keys.Disc, lines.Number(keys.Disc)},
        {txtDiscTotal, keys.Disc, lines.Total(keys.Disc, keys.DiscTotal)}};
    for (const auto& [box, key, text] : texts)
        if (shows(key) && box->text() != fromStd(text))
            box->setText(fromStd(text));
    FFilling = false;
    tblFields->ShowLines(lines.Lines());
}

void TfrmMP3Tag::FormatFieldEdited(QLineEdit* Box) {
    TTagLines* lines = EditedLines();
    if (!lines || FFilling || Box == nullptr)
        return;
    const TNumberKeys& keys = FFormat ? FormatKeys : ID3v2Keys;
    std::string key;
    std::string text = trimmed(Box->text());
    if (Box == txtTrack) {
        const int track = incTrack->Position();
        lines->SetNumber(keys.Track, keys.TrackTotal,
                         track == 0 ? std::string() : std::to_string(track),
                         lines->Total(keys.Track, keys.TrackTotal));
    } else if (Box == txtDisc || Box == txtDiscTotal) {
        lines->SetNumber(keys.Disc, keys.DiscTotal, trimmed(txtDisc->text()),
                         trimmed(txtDiscTotal->text()));
    } else if (Box == txtAlbumArtist) {
        key = keys.AlbumArtist;
    } else if (Box == cmbGenres->lineEdit()) {
        key = KeyOf(TTagField::Genre);
        text = trimmed(cmbGenres->currentText());
    } else {
        for (const TTagFieldInfo& field : TagFields)
            if (TypedBox(field.Id) == Box)
                key = KeyOf(field.Id);
    }
    if (!key.empty() && lines->FieldText(key) != text)
        lines->SetFieldText(key, text);
    tblFields->ShowLines(lines->Lines());
}

void TfrmMP3Tag::RemoveID3Click() {
    if (!FFormat)
        return;
    FFormat->RemoveID3v2(true);
    cmdRemoveID3->setEnabled(false);
    lblID3->setText(QStringLiteral("The ID3v2 tag before the FLAC stream goes at the next save."));
}

void TfrmMP3Tag::SaveFormatTag() {
    if (!FFormat->Changed()) {
        lblStatus->setText(QStringLiteral("Nothing changed; the file was not written."));
        return;
    }
    const bool removedID3 = FFormat->RemovesID3v2();
    if (std::string error; !FFormat->Save(error)) {
        lblStatus->clear();
        FPrompts.Information(QStringLiteral("Error writing tag.\r\n") + fromStd(error));
        return;
    }
    ShowFormatTag();
    if (removedID3 && FFormat->ID3v2Bytes() == 0) {
        lblID3->hide();
        cmdRemoveID3->hide();
    }
    lblStatus->setText(QStringLiteral("Saved to the file."));
    UpdateLibraryFromFormat();
}

// The library row follows the file just written, read back as the model read it.
void TfrmMP3Tag::UpdateLibraryFromFormat() {
    const std::string path = PathFromQString(FullPath());
    TMediaRecord row;
    row.Directory = PathFromQString(FFolder);
    row.FileName = PathFromQString(FFileName);
    FillRecord(FFormat->Read(), row);
    // The row then matches the file as written, so a refresh does not read it again over what
    // "OK" keeps in the library only.
    static_cast<void>(ReadFileStamp(path, row.Stamp));
    FMediaDB->RewriteMedia(row);
    FLibraryChanged = true;
}

} // namespace orvanta
