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
std::string_view KeyOf(TTagField Field) {
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
                if (!FFormat)
                    return;
                FFormat->SetLine(static_cast<std::size_t>(Row), Key, Value);
                ShowFormatFields();
            });
    connect(tblFields, &TTagFieldTable::LineAdded, this, [this] {
        if (!FFormat)
            return;
        FFormat->AddLine("", "");
        tblFields->ShowLines(FFormat->Lines());
    });
    connect(tblFields, &TTagFieldTable::LineRemoved, this, [this](int Row) {
        if (!FFormat)
            return;
        FFormat->RemoveLine(static_cast<std::size_t>(Row));
        tblFields->ShowLines(FFormat->Lines());
        ShowFormatFields();
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
    ShowFormatFields();
    FShown = Showing();
}

void TfrmMP3Tag::ShowFormatFields() {
    FFilling = true;
    for (const TTagFieldInfo& field : TagFields) {
        if (QLineEdit* box = TypedBox(field.Id);
            box && box->text() != fromStd(FFormat->FieldText(KeyOf(field.Id))))
            showWhole(box, fromStd(FFormat->FieldText(KeyOf(field.Id))),
                      box->property(LimitProperty).toInt());
    }
    if (const QString genre = fromStd(FFormat->FieldText("GENRE"));
        cmbGenres->currentText() != genre)
        cmbGenres->setEditText(genre);
    incTrack->SetPosition(LeadingNumber(FFormat->Number("TRACKNUMBER")) % (TrackMax + 1));
    ShowTrack(incTrack->Position());
    const std::pair<QLineEdit*, std::string> texts[] = {
        {txtAlbumArtist, FFormat->FieldText("ALBUMARTIST")},
        {txtDisc, FFormat->Number("DISCNUMBER")},
        {txtDiscTotal, FFormat->Total("DISCNUMBER", "DISCTOTAL")}};
    for (const auto& [box, text] : texts)
        if (box->text() != fromStd(text))
            box->setText(fromStd(text));
    FFilling = false;
    tblFields->ShowLines(FFormat->Lines());
}

void TfrmMP3Tag::FormatFieldEdited(QLineEdit* Box) {
    if (!FFormat || FFilling || Box == nullptr)
        return;
    std::string key;
    std::string text = trimmed(Box->text());
    if (Box == txtTrack) {
        const int track = incTrack->Position();
        FFormat->SetNumber("TRACKNUMBER", "TRACKTOTAL",
                           track == 0 ? std::string() : std::to_string(track),
                           FFormat->Total("TRACKNUMBER", "TRACKTOTAL"));
    } else if (Box == txtDisc || Box == txtDiscTotal) {
        FFormat->SetNumber("DISCNUMBER", "DISCTOTAL", trimmed(txtDisc->text()),
                           trimmed(txtDiscTotal->text()));
    } else if (Box == txtAlbumArtist) {
        key = "ALBUMARTIST";
    } else if (Box == cmbGenres->lineEdit()) {
        key = "GENRE";
        text = trimmed(cmbGenres->currentText());
    } else {
        for (const TTagFieldInfo& field : TagFields)
            if (TypedBox(field.Id) == Box)
                key = KeyOf(field.Id);
    }
    if (!key.empty() && FFormat->FieldText(key) != text)
        FFormat->SetFieldText(key, text);
    tblFields->ShowLines(FFormat->Lines());
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
