// The tag editor over several files: the fields they have in common, each showing the value
// the files share or "(various)", and a Save that plans only the fields the user touched.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/library/uTMyMediaDB.h"
#include "ui/common/uPrompts.h"
#include "ui/metadata/uFrmMP3Tag.h"
#include "ui/metadata/uTagBoxes.h"
#include "ui/metadata/uTagFieldTable.h"
#include "ui/metadata/uTagToolPages.h"

namespace orvanta {

using namespace tagboxes;

namespace {
const QString Various = QStringLiteral("(various)");
} // namespace

QLineEdit* TfrmMP3Tag::BatchBox(TBatchField Field) const {
    switch (Field) {
    case TBatchField::Title:
        return txtTitle;
    case TBatchField::Artist:
        return cmbArtists->lineEdit();
    case TBatchField::Album:
        return cmbAlbums->lineEdit();
    case TBatchField::AlbumArtist:
        return txtAlbumArtist;
    case TBatchField::Year:
        return txtYear;
    case TBatchField::Track:
        return txtTrack;
    case TBatchField::Disc:
        return txtDisc;
    case TBatchField::DiscTotal:
        return txtDiscTotal;
    case TBatchField::Genre:
        return cmbGenres->lineEdit();
    case TBatchField::Composer:
        return cmbComposers->lineEdit();
    case TBatchField::Comment:
        return txtComment;
    }
    return nullptr;
}

void TfrmMP3Tag::LoadFiles(TMyMediaDB& MediaDB, TBatchSelection Selection) {
    FMediaDB = &MediaDB;
    FLoaded = false;
    FSeveral = true;
    FFiles = std::move(Selection.Files);
    setWindowTitle(QStringLiteral("Tag Editor (%1 files)").arg(FFiles.size()));
    FUseV2 = true;
    EnableV2Controls();
    // The fields every format has; the per-format lines and ID3-only fields are a single
    // file's.
    for (QWidget* single :
         {static_cast<QWidget*>(lblHeader[7]), static_cast<QWidget*>(lblHeader[9]),
          static_cast<QWidget*>(cmbLanguages), static_cast<QWidget*>(txtCopyright),
          static_cast<QWidget*>(tblFields), static_cast<QWidget*>(lblID3),
          static_cast<QWidget*>(cmdRemoveID3), static_cast<QWidget*>(cmdOK)})
        single->hide();
    cmdSaveTag->setText(QStringLiteral("Save"));
    cmdSaveTag->setToolTip(QStringLiteral("Writes the fields you changed into every file."));
    cmdSaveTag->setDefault(true);
    // The tools get pages of their own beside the fields.
    tabPages = new QTabWidget(pnlContainer);
    tabPages->setObjectName(QStringLiteral("tabPages"));
    // Every tool's tab stays in sight: the dialog is at least as wide as their captions.
    tabPages->setUsesScrollButtons(false);
    // The item that held the fields comes back to us to delete.
    delete pnlContainer->layout()->replaceWidget(gbxHeader, tabPages);
    tabPages->addTab(gbxHeader, QStringLiteral("Tags"));
    Tools = new TTagToolPages(tabPages, std::move(Selection.Sources));
    ShowSharedValues();
    FCover = std::move(Selection.Cover);
    ShowCover();
    StartPickLists();
    // The pages change what the dialog needs: it is shown at the size they ask for.
    adjustSize();
    FLoaded = true;
}

void TfrmMP3Tag::ShowSharedValues() {
    FFilling = true;
    for (const TBatchFieldInfo& field : BatchFields) {
        QLineEdit* box = BatchBox(field.Id);
        const TSharedValue shared = SharedValue(FFiles, field.Id);
        // "(various)" is a hint, never a value: the box stays empty until the user types.
        box->setPlaceholderText(shared.Various ? Various : QString());
        if (field.Id == TBatchField::Track) {
            const int track = shared.Various ? 0 : fromStd(shared.Value).toInt();
            incTrack->SetPosition(track);
            if (shared.Various)
                box->clear();
            else
                ShowTrack(incTrack->Position());
        } else {
            showWhole(box, fromStd(shared.Value), box->property(LimitProperty).toInt());
        }
        box->setModified(false);
        if (field.Id == TBatchField::Track) {
            connect(incTrack, &TUpDown::Clicked, this, [this] {
                if (std::find(FTouched.begin(), FTouched.end(), TBatchField::Track) ==
                    FTouched.end())
                    FTouched.push_back(TBatchField::Track);
            });
            continue;
        }
        connect(box, &QLineEdit::textEdited, this, [this, id = field.Id] {
            if (std::find(FTouched.begin(), FTouched.end(), id) == FTouched.end())
                FTouched.push_back(id);
        });
    }
    // A value picked from a pick list is touched as a typed one.
    for (const auto& [combo, id] :
         {std::pair{cmbArtists, TBatchField::Artist}, std::pair{cmbAlbums, TBatchField::Album},
          std::pair{cmbGenres, TBatchField::Genre}, std::pair{cmbComposers, TBatchField::Composer}})
        connect(combo, &QComboBox::activated, this, [this, id = id] {
            if (std::find(FTouched.begin(), FTouched.end(), id) == FTouched.end())
                FTouched.push_back(id);
        });
    FFilling = false;
}

TBatchEdits TfrmMP3Tag::TouchedEdits() const {
    TBatchEdits edits;
    for (const TBatchField field : FTouched) {
        std::string text;
        if (field == TBatchField::Track)
            text = incTrack->Position() == 0 ? std::string() : std::to_string(incTrack->Position());
        else
            text = trimmed(BatchBox(field)->text());
        edits.Fields.emplace_back(field, std::move(text));
    }
    edits.Cover = FCoverEdit;
    return edits;
}

void TfrmMP3Tag::SaveSeveral() {
    const auto unchanged = [this] {
        lblStatus->setText(QStringLiteral("Nothing changed; no file was written."));
    };
    // A tool's page writes what its preview shows; the fields' page what the user touched.
    if (TPlanResult* tool = Tools->Shown()) {
        if (!tool->Error.empty()) {
            FPrompts.Information(fromStd(tool->Error));
            return;
        }
        if (tool->Plan.empty())
            return unchanged();
        if (!TouchedEdits().Empty() &&
            !FPrompts.ConfirmAction(QStringLiteral(
                "The changes on the Tags page are not saved with this tool's.\r\nGo on?")))
            return;
        FSavedPlan = std::move(tool->Plan);
    } else {
        TBatchEdits edits = TouchedEdits();
        if (PlanBatchEdits(FFiles, edits, 1).empty())
            return unchanged();
        FSavedEdits = std::move(edits);
    }
    accept();
}

TfrmMP3Tag::TPlanner TfrmMP3Tag::TakePlanner() {
    if (result() != QDialog::Accepted)
        return {};
    if (FSavedEdits)
        return [files = std::move(FFiles), edits = std::move(*FSavedEdits)] {
            return PlanBatchEdits(files, edits);
        };
    return [plan = std::move(FSavedPlan)]() mutable { return std::move(plan); };
}

std::shared_ptr<void> TfrmMP3Tag::TakeFiles() {
    struct TTaken {
        std::vector<TBatchFile> Files;
        std::shared_ptr<void> Tools;
    };
    auto taken = std::make_shared<TTaken>();
    taken->Files = std::move(FFiles);
    FFiles.clear();
    if (Tools)
        taken->Tools = Tools->TakeFiles();
    return taken;
}

} // namespace orvanta
