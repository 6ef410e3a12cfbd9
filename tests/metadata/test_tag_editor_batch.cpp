#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <filesystem>

#include "TagEditorFixture.h"
#include "core/batch/uBatchFields.h"
#include "core/batch/uBatchRun.h"
#include "core/batch/uBatchSelection.h"
#include "support/BatchFiles.h"
#include "ui/metadata/uFrmMP3Tag.h"
#include "ui/metadata/uTagToolPages.h"

using namespace orvanta;

namespace {

// Three files of one album, each with a title and a cover of its own.
struct Fixture : test::TagEditorHome {
    std::vector<std::string> Paths;
    Fixture() {
        for (const char* name : {"1", "2", "3"}) {
            Paths.push_back(Dir.file(std::string(name) + ".mp3"));
            test::WriteTaggedMp3(Paths.back(), std::string("Song ") + name, "Album",
                                 test::JpegCover(name));
        }
    }
    TBatchFile Read(const std::string& Path) {
        TBatchFile file;
        std::string error;
        if (!ReadBatchFile(Path, file, error))
            qFatal("%s", error.c_str());
        return file;
    }
};

} // namespace

class TestTagEditorBatch : public QObject {
    Q_OBJECT

private slots:
    // Differing values and covers show "(various)"; a save of one typed field changes that
    // field alone, and every file keeps its own cover byte for byte.
    void oneFieldOverSeveralFilesKeepsTheRest() {
        Fixture f;
        // A file that cannot be read stops the read, named.
        std::vector<std::string> withMissing = f.Paths;
        withMissing.push_back(f.Dir.file("gone.mp3"));
        const TBatchSelection failed = ReadBatchSelection(withMissing, {});
        QVERIFY(failed.Files.empty() && failed.Error.find("gone.mp3") != std::string::npos);

        TfrmMP3Tag dialog(f.Prompts);
        dialog.LoadFiles(f.DB, ReadBatchSelection(f.Paths, {}));
        QVERIFY(dialog.txtTitle->text().isEmpty());
        QCOMPARE(dialog.txtTitle->placeholderText(), QStringLiteral("(various)"));
        QCOMPARE(dialog.cmbAlbums->currentText(), QStringLiteral("Album"));
        QCOMPARE(dialog.imgCover->text(), QStringLiteral("(various)"));
        QVERIFY(dialog.txtAlbumArtist->isEnabled() && dialog.txtDisc->isEnabled() &&
                dialog.cmdSetCover->isEnabled());

        QTest::keyClicks(dialog.txtYear, QStringLiteral("1999"));
        dialog.cmdSaveTag->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const TBatchPlan plan = dialog.TakePlanner()();
        QCOMPARE(plan.size(), std::size_t(3));
        const TBatchOutcome outcome = RunBatch(plan, {f.Dir.str(), &f.DB}, {});
        QCOMPARE(outcome.Written, 3);
        for (std::size_t i = 0; i < f.Paths.size(); ++i) {
            const TBatchFile file = f.Read(f.Paths[i]);
            QCOMPARE(file.Value(TBatchField::Year), std::string("1999"));
            QCOMPARE(file.Value(TBatchField::Title), "Song " + std::to_string(i + 1));
            QCOMPARE(file.Value(TBatchField::Album), std::string("Album"));
            QCOMPARE(file.Pictures.size(), std::size_t(1));
            QCOMPARE(file.Pictures[0].Data, test::JpegCover(std::to_string(i + 1)));
        }
    }

    // A tool's page previews old and new names; nothing moves before Save.
    void toolPreviewWritesNothing() {
        Fixture f;
        TfrmMP3Tag dialog(f.Prompts);
        dialog.LoadFiles(f.DB, ReadBatchSelection(f.Paths, {}));
        dialog.tabPages->setCurrentIndex(2); // Rename Files
        dialog.Tools->txtRenamePattern->setText(QStringLiteral("%album% - %title%"));
        const QAbstractItemModel* preview = dialog.Tools->tblPreview[1]->model();
        QCOMPARE(preview->rowCount(), 3);
        QVERIFY(
            preview->index(0, 3).data().toString().endsWith(QStringLiteral("Album - Song 1.mp3")));
        for (const std::string& path : f.Paths)
            QVERIFY(std::filesystem::exists(path));
        dialog.cmdCancel->click();
        for (const std::string& path : f.Paths)
            QVERIFY(std::filesystem::exists(path));
    }

    // A large selection is planned again off the window's thread once typing pauses; Save in
    // between takes the plan of the pattern as it is now, not as it was.
    void savingBeforeTheTypingPausesTakesTheCurrentPattern() {
        QTabWidget tabs;
        std::vector<TBatchSource> sources(3000);
        for (std::size_t i = 0; i < sources.size(); ++i)
            sources[i] = {"/nowhere/" + std::to_string(i) + ".mp3",
                          {{"TITLE", {"Song " + std::to_string(i)}}}};
        TTagToolPages tools(&tabs, std::move(sources));
        tabs.setCurrentIndex(1); // Rename Files
        tools.txtRenamePattern->setText(QStringLiteral("%title% x"));
        const QAbstractItemModel* preview = tools.tblPreview[1]->model();
        QTRY_VERIFY(preview->rowCount() == 3000 && preview->index(7, 3).data().toString() ==
                                                       QStringLiteral("/nowhere/Song 7 x.mp3"));
        tools.txtRenamePattern->setText(QStringLiteral("%title%"));
        const TPlanResult* plan = tools.Shown();
        QVERIFY(plan && plan->Plan.size() == 3000);
        QCOMPARE(plan->Plan[7].NewPath, std::string("/nowhere/Song 7.mp3"));
        QCOMPARE(preview->index(7, 3).data().toString(), QStringLiteral("/nowhere/Song 7.mp3"));
    }
};

QTEST_MAIN(TestTagEditorBatch)
#include "test_tag_editor_batch.moc"
