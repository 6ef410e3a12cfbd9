#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include "core/metadata/MPEGaudio.h"
#include "support/FakeMainServices.h"
#include "support/FakePrompts.h"
#include "support/HomeWithLibrary.h"
#include "support/Mp3Files.h"
#include "ui/common/uQtPath.h"
#include "ui/library/uFraMedia.h"
#include "ui/metadata/uFrmMP3Tag.h"
#include "ui/playback/uPlayerEngine.h"

using namespace orvanta;

// A file whose name is not UTF-8 is listed, played on the real engine and its tag edited,
// all on the original bytes.
class TestHardNameView : public QObject {
    Q_OBJECT

private slots:
    void listsPlaysAndEditsAFileWhoseNameIsNotUtf8() {
        test::THomeWithMaintenance home;
        const std::string path = home.Home.file("caf\xe9 \xff.mp3");
        test::WriteMp3(path);
        QCOMPARE(int(home.Maintenance.AddFile(path).Outcome), int(TAddOutcome::Added));

        test::FakePrompts prompts;
        test::FakeMainServices main;
        TfraMedia view;
        view.Initialize(home.DB, *home.PlayLists, home.Types, main, prompts);
        QTRY_COMPARE(view.MediaModel->rowCount(), 1);
        QCOMPARE(view.MediaModel->index(0, 0).data().toString(),
                 QStringLiteral(" caf\uFFFD \uFFFD"));

        view.lvwMedia->selectionModel()->select(
            view.MediaModel->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view.DoCommand(ECommand::MediaPlayFile);
        QCOMPARE(main.PlayedFiles.size(), 1);
        QCOMPARE(PathFromQString(main.PlayedFiles[0]), path);
        TGstPlayerEngine engine(QStringLiteral("fakesink sync=true"));
        QSignalSpy errors(&engine, &IPlayerEngine::MediaError);
        QSignalSpy states(&engine, &IPlayerEngine::PlayStateChange);
        engine.SetURL(main.PlayedFiles[0]);
        engine.Play();
        QTRY_VERIFY_WITH_TIMEOUT(states.contains({IPlayerEngine::psPlaying}), 5000);
        QVERIFY(errors.isEmpty());
        engine.Stop();

        const TMediaItem& item = view.MediaModel->Item(0);
        TfrmMP3Tag dialog(prompts);
        QVERIFY(
            dialog.LoadFile(home.DB, PathToQString(item.Directory), PathToQString(item.FileName)));
        dialog.txtTitle->setText(QStringLiteral("Caf\u00e9"));
        dialog.cmdSaveTag->click();
        QVERIFY(prompts.Messages.empty());
        TMPEGaudio audio;
        QVERIFY(audio.Analyse(path));
        QCOMPARE(QString::fromStdString(audio.ID3v2().Title()), QStringLiteral("Caf\u00e9"));
    }
};

QTEST_MAIN(TestHardNameView)
#include "test_hard_name_view.moc"
