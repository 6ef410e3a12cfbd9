// The tag editor's cover: shown, set from an image file, taken out, or copied beside the file.
// A change is written by a single file's "Save Tag", or planned by several files' Save.
#include <QBuffer>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>
#include <set>

#include "core/batch/uBatchRun.h"
#include "core/common/uDisplayUtils.h"
#include "core/common/uTFileUtils.h"
#include "core/library/uTMyMediaDB.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/metadata/uFrmMP3Tag.h"
#include "ui/metadata/uTagBoxes.h"

namespace orvanta {

using namespace tagboxes;

namespace {

const char* const CoverFileName = "cover.jpg";

// The picture's bytes as a JPEG file holds them: a JPEG as it is, anything else converted.
std::string JpegBytes(const TPicture& Picture) {
    if (MimeOfData(Picture.Data) == "image/jpeg")
        return Picture.Data;
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(Picture.Data.data()),
                            static_cast<int>(Picture.Data.size())))
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG", 90))
        return {};
    return bytes.toStdString();
}

} // namespace

void TfrmMP3Tag::PrepareCoverControls(QGridLayout* Grid, int Row) {
    auto* buttons = new QVBoxLayout;
    cmdSetCover = new QPushButton(QStringLiteral("Set Cover..."), gbxHeader);
    cmdSetCover->setToolTip(QStringLiteral("Puts a JPEG or PNG picture in as the front cover."));
    cmdRemoveCover = new QPushButton(QStringLiteral("Remove Cover"), gbxHeader);
    cmdExtractCover = new QPushButton(QStringLiteral("Extract Cover"), gbxHeader);
    cmdExtractCover->setToolTip(QStringLiteral("Copies the cover to cover.jpg beside the file."));
    for (QPushButton* button : {cmdSetCover, cmdRemoveCover, cmdExtractCover})
        buttons->addWidget(button);
    buttons->addStretch(1);
    Grid->addLayout(buttons, Row, 2, 4, 1);
    connect(cmdSetCover, &QPushButton::clicked, this, &TfrmMP3Tag::SetCoverClick);
    connect(cmdRemoveCover, &QPushButton::clicked, this, &TfrmMP3Tag::RemoveCoverClick);
    connect(cmdExtractCover, &QPushButton::clicked, this, &TfrmMP3Tag::ExtractCoverClick);
}

std::optional<TPicture> TfrmMP3Tag::CoverShown() const {
    if (FCoverEdit)
        return *FCoverEdit;
    if (FCover.Kind == TSharedCover::TKind::Shared)
        return FCover.Picture;
    return std::nullopt;
}

void TfrmMP3Tag::ShowCoverState() {
    const std::optional<TPicture> shown = CoverShown();
    if (FCoverEdit || FSeveral) {
        QImage image;
        if (shown)
            image.loadFromData(reinterpret_cast<const uchar*>(shown->Data.data()),
                               static_cast<int>(shown->Data.size()));
        ShowCoverImage(image, shown.has_value());
        if (!FCoverEdit && FCover.Kind == TSharedCover::TKind::Various) {
            imgCover->setText(QStringLiteral("(various)"));
            lblCoverSize->setText(QStringLiteral("Covers differ"));
        }
    }
    const bool various = !FCoverEdit && FCover.Kind == TSharedCover::TKind::Various;
    cmdRemoveCover->setEnabled(shown.has_value() || various);
    cmdExtractCover->setEnabled(shown.has_value());
}

void TfrmMP3Tag::SetCoverClick() {
    const QStringList chosen = FPrompts.AskOpenFiles(
        QStringLiteral("Set Cover"), QStringLiteral("Pictures|*.jpg;*.jpeg;*.png|All files|*"));
    if (chosen.isEmpty())
        return;
    const std::string path = PathFromQString(chosen.front());
    std::optional<TPicture> cover = TFileUtils::IsRegularFile(path)
                                        ? CoverFromImage(TFileUtils::FileToString(path))
                                        : std::nullopt;
    if (!cover) {
        FPrompts.Information(QStringLiteral("Not a JPEG or PNG picture.\r\n") +
                             PathForDisplay(path));
        return;
    }
    FCoverEdit = std::move(cover);
    ShowCoverState();
}

void TfrmMP3Tag::RemoveCoverClick() {
    FCoverEdit = std::optional<TPicture>();
    ShowCoverState();
}

void TfrmMP3Tag::ExtractCoverClick() {
    const std::optional<TPicture> cover = CoverShown();
    if (!cover)
        return;
    const std::string bytes = JpegBytes(*cover);
    if (bytes.empty()) {
        FPrompts.Information(QStringLiteral("The cover is not a picture Orvanta can convert."));
        return;
    }
    // Beside every file: the folders of the files edited, each once.
    std::set<std::string> folders;
    if (FSeveral)
        for (const TBatchFile& file : FFiles)
            folders.insert(ExtractFileDir(file.Path));
    else
        folders.insert(PathFromQString(FFolder));
    QStringList written;
    for (const std::string& folder : folders) {
        const std::string target = JoinPath(folder, CoverFileName);
        if (std::error_code error;
            std::filesystem::exists(target, error) &&
            !FPrompts.ConfirmAction(PathForDisplay(target) +
                                    QStringLiteral(" exists.\r\nDo you want to replace it?")))
            continue;
        if (!TFileUtils::StringToFile(target, bytes)) {
            FPrompts.Information(QStringLiteral("Error writing file.\r\n") +
                                 PathForDisplay(target));
            continue;
        }
        written << PathForDisplay(target);
    }
    if (!written.isEmpty())
        lblStatus->setText(QStringLiteral("Cover written to ") +
                           written.join(QStringLiteral(", ")) + QStringLiteral("."));
}

// A single file's cover change goes through the batch, which writes pictures in every format.
void TfrmMP3Tag::SaveCover() {
    if (!FCoverEdit)
        return;
    const std::string path = PathFromQString(FullPath());
    TBatchFile file;
    if (std::string error; !ReadBatchFile(path, file, error)) {
        FPrompts.Information(fromStd(error));
        return;
    }
    TBatchEdits edits;
    edits.Cover = FCoverEdit;
    const TBatchPlan plan = PlanBatchEdits({file}, edits);
    const TBatchOutcome outcome = RunBatch(plan, {BatchHomeOf(FMediaDB->FileName()), FMediaDB}, {});
    if (!outcome.Failed.empty()) {
        FPrompts.Information(QStringLiteral("Error writing tag.\r\n") +
                             fromStd(outcome.Failed.front().Error));
        return;
    }
    // What the file holds now is what the next change starts from.
    if (std::string error; ReadBatchFile(path, file, error))
        FCover = SharedCover({file});
    FCoverEdit.reset();
    FLibraryChanged = FLibraryChanged || outcome.Written > 0;
    ShowCover();
    lblStatus->setText(QStringLiteral("Saved to the file."));
}

} // namespace orvanta
