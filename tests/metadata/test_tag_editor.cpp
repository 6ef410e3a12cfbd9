#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "Mutagen.h"
#include "TagEditorFixture.h"
#include "core/library/uTMyMediaDB.h"
#include "core/metadata/MPEGaudio.h"
#include "support/FakePrompts.h"
#include "support/LibraryQueries.h"
#include "support/Mp3Files.h"
#include "support/TempDir.h"
#include "ui/metadata/uFrmMP3Tag.h"
#include "ui/metadata/uTagFieldTable.h"

using namespace orvanta;

namespace {

// A library with a few rows and MP3 files in a folder of their own.
struct Fixture : test::TagEditorHome {
    Fixture() {
        DB.AddMedia({.Directory = "/x",
                     .FileName = "1.mp3",
                     .Stamp = {1},
                     .Title = "T1",
                     .Artist = "Beta",
                     .Album = "Zeta",
                     .Year = "1999",
                     .Genre = "Rock",
                     .Language = "eng",
                     .Composer = "Bach",
                     .Seconds = 1,
                     .Quality = 1});
        DB.AddMedia({.Directory = "/x",
                     .FileName = "2.mp3",
                     .Stamp = {1},
                     .Title = "T2",
                     .Artist = "Alpha",
                     .Seconds = 1,
                     .Quality = 1});
        DB.AddMedia({.Directory = "/x",
                     .FileName = "3.mp3",
                     .Stamp = {1},
                     .Title = "T3",
                     .Artist = "Beta",
                     .Album = "Eta",
                     .Genre = "Jazz",
                     .Language = "fra",
                     .Seconds = 1,
                     .Quality = 1});
    }
    QString Mp3(const std::string& name) {
        test::WriteMp3(Dir.file(name));
        DB.AddMedia({.Directory = Dir.str(),
                     .FileName = name,
                     .Stamp = {1},
                     .Title = "Old",
                     .Artist = "Old Artist",
                     .Album = "Old Album",
                     .Year = "1990",
                     .Genre = "Pop",
                     .Seconds = 1,
                     .Quality = 128});
        return QString::fromStdString(Dir.file(name));
    }
    std::string RowValue(const std::string& name, const char* field) {
        TEasyQuery query;
        TMyMediaDBTestAccess::SelectMedia(DB, query, Dir.str(), name);
        query.First();
        std::string value = query.FieldByName(field).AsString();
        query.Close();
        return value;
    }
};

QStringList items(const QComboBox* combo) {
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

void storeV1(const QString& path, std::uint8_t genre, std::uint8_t track) {
    TID3v1 tag;
    tag.SetTitle("V1 Title");
    tag.SetArtist("V1 Artist");
    tag.SetGenreIndex(genre);
    tag.SetTrack(track);
    QVERIFY(tag.StoreTag(path.toStdString()));
}

void storeV2(const QString& path, std::uint16_t track) {
    TID3v2 tag;
    tag.SetTitle("V2 Title");
    tag.SetArtist("V2 Artist");
    tag.SetGenre("Trip-Hop");
    tag.SetLanguage("deu");
    tag.SetComposer("Satie");
    tag.SetCopyright("(c) Me");
    tag.SetTrack(track);
    QVERIFY(tag.StoreTag(path.toStdString()));
}

} // namespace

class TestTagEditor : public QObject {
    Q_OBJECT

private slots:
    void id3v1ModeOffersTheGenreTable() {
        Fixture f;
        const QString path = f.Mp3("v1.mp3");
        storeV1(path, 255, 0);
        TfrmMP3Tag dialog(f.Prompts);
        QVERIFY(f.Open(dialog, "v1.mp3"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("MP3 Tag Editor (ID3 v1)"));
        QCOMPARE(dialog.cmbGenres->count(), 80);
        QCOMPARE(dialog.cmbGenres->itemText(0), QStringLiteral("Blues"));
        QCOMPARE(dialog.cmbGenres->itemText(79), QStringLiteral("Hard Rock"));
        QVERIFY(!dialog.cmbGenres->isEditable());
        QCOMPARE(dialog.cmbGenres->currentText(), QStringLiteral("Other"));
        QCOMPARE(dialog.txtTrack->text(), QStringLiteral("000"));
        QCOMPARE(dialog.txtTitle->text(), QStringLiteral("V1 Title"));
        // Pick lists hold the library's distinct, non-empty values, arriving under what the
        // boxes show.
        QTRY_COMPARE(items(dialog.cmbArtists),
                     (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta"),
                                  QStringLiteral("Old Artist")}));
        QCOMPARE(items(dialog.cmbAlbums),
                 (QStringList{QStringLiteral("Eta"), QStringLiteral("Old Album"),
                              QStringLiteral("Zeta")}));
        QCOMPARE(dialog.cmbArtists->currentText(), QStringLiteral("V1 Artist"));
        for (int i = 7; i < 10; ++i)
            QVERIFY(!dialog.lblHeader[i]->isEnabled());
        QVERIFY(!dialog.cmbLanguages->isEnabled() && !dialog.cmbComposers->isEnabled() &&
                !dialog.txtCopyright->isEnabled() && !dialog.txtAlbumArtist->isEnabled() &&
                !dialog.txtDisc->isEnabled());
        for (QLineEdit* box : {dialog.txtTitle, dialog.cmbArtists->lineEdit(),
                               dialog.cmbAlbums->lineEdit(), dialog.txtComment})
            QCOMPARE(box->maxLength(), 30);
        QCOMPARE(dialog.txtYear->maxLength(), 4);

        // A genre byte beyond the 80 offered shows as "Other" too.
        storeV1(path, 100, 7);
        TfrmMP3Tag again(f.Prompts);
        QVERIFY(f.Open(again, "v1.mp3"));
        QCOMPARE(again.cmbGenres->currentIndex(), 12);
        QCOMPARE(again.txtTrack->text(), QStringLiteral("007"));
    }

    void saveTagWritesTheFileAndTheRowFollows() {
        Fixture f;
        const QString path = f.Mp3("v1.mp3");
        storeV1(path, 17, 3);
        TfrmMP3Tag dialog(f.Prompts);
        QVERIFY(f.Open(dialog, "v1.mp3"));
        QCOMPARE(dialog.cmbGenres->currentIndex(), 17);
        // Up to 12 by the arrows; texts trimmed of blanks.
        for (int i = 0; i < 9; ++i)
            QTest::mouseClick(dialog.incTrack->btnUp, Qt::LeftButton);
        QCOMPARE(dialog.txtTrack->text(), QStringLiteral("012"));
        dialog.txtTitle->setText(QStringLiteral("  New Title\t"));
        dialog.cmbGenres->setCurrentIndex(2);
        dialog.txtComment->setText(QStringLiteral(" hi "));
        dialog.cmdSaveTag->click();
        QVERIFY(f.Prompts.Messages.empty());
        dialog.cmdCancel->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        TID3v1 tag;
        QVERIFY(tag.LoadTag(path.toStdString()));
        QCOMPARE(tag.Title(), std::string("New Title"));
        QCOMPARE(tag.Track(), std::uint8_t(12));
        QCOMPARE(tag.Version(), std::uint8_t(2));
        QCOMPARE(tag.GenreIndex(), std::uint8_t(2));
        QCOMPARE(tag.Comment(), std::string("hi"));
        QCOMPARE(dialog.lblStatus->text(), QStringLiteral("Saved to the file."));
        QVERIFY(dialog.LibraryChanged());
        QCOMPARE(f.RowValue("v1.mp3", "fTitle"), std::string("New Title"));
        QCOMPARE(f.RowValue("v1.mp3", "fGenre"), std::string("Country"));

        // The next save compares with what the file now holds: a title changed back is written.
        dialog.txtTitle->setText(QStringLiteral("V1 Title"));
        dialog.cmdSaveTag->click();
        QVERIFY(tag.LoadTag(path.toStdString()));
        QCOMPARE(tag.Title(), std::string("V1 Title"));
    }

    // A tag that was not read whole is left as it is, and the user is told.
    void aTagNotReadWholeIsNotWritten() {
        Fixture f;
        const std::string body = std::string("TIT2\0\0\0\2\0\0\0T", 12) + "\x01junk";
        const std::string original =
            std::string("ID3\3\0\0\0\0\0", 9) + char(body.size()) + body + test::SampleMp3Bytes();
        const std::string file = f.Dir.write("m.mp3", original);
        TfrmMP3Tag dialog(f.Prompts);
        QVERIFY(f.Open(dialog, "m.mp3"));
        QCOMPARE(dialog.txtTitle->text(), QStringLiteral("T"));
        dialog.txtTitle->setText(QStringLiteral("New"));
        dialog.cmdSaveTag->click();
        QCOMPARE(f.Prompts.Messages.size(), size_t(1));
        QCOMPARE(f.Prompts.Messages[0].Text,
                 QStringLiteral("The tag of %1 could not be read entirely; it was left as it is.")
                     .arg(QString::fromStdString(file)));
        QCOMPARE(test::readAll(file), original);
        QVERIFY(dialog.lblStatus->text().isEmpty());
    }

    // Long values neither widen the dialog nor get cut; a save without edits writes nothing.
    void longValuesFitAndAreKeptWhole() {
        Fixture f;
        const QString path = f.Mp3("long.mp3");
        f.DB.AddMedia({.Directory = "/y",
                       .FileName = "c.mp3",
                       .Stamp = {1},
                       .Title = "T",
                       .Artist = "A",
                       .Album = "B",
                       .Composer = std::string(300, 'c'),
                       .Seconds = 1,
                       .Quality = 1});
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        const std::string title(300, 't');
        const auto frame = [](std::string_view id, const std::string& content) {
            const auto n = std::uint32_t(content.size());
            return std::string(id) +
                   std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n), 0, 0} + content;
        };
        const std::string frames =
            frame("TIT2", std::string(1, '\0') + title) +
            frame("TYER", std::string("\0"
                                      "1999-05",
                                      8)) +
            frame("APIC", std::string("\0image/png\0\3\0", 13) + png.toStdString());
        const std::string body = frames + std::string(100, '\0');
        const auto n = std::uint32_t(body.size());
        const std::string tag = std::string("ID3\3\0\0", 6) +
                                std::string{char((n >> 21) & 0x7F), char((n >> 14) & 0x7F),
                                            char((n >> 7) & 0x7F), char(n & 0x7F)} +
                                body;
        const std::string file = path.toStdString();
        const std::string original = tag + test::SampleMp3Bytes();
        f.Dir.write("long.mp3", original);

        TfrmMP3Tag dialog(f.Prompts);
        QVERIFY(f.Open(dialog, "long.mp3"));
        dialog.show();
        QCOMPARE(dialog.txtTitle->text().size(), 300);
        QCOMPARE(dialog.txtYear->text(), QStringLiteral("1999-05"));
        QCOMPARE(dialog.lblCoverSize->text(), QStringLiteral("40 × 30"));
        QVERIFY(dialog.width() <= 640);
        dialog.cmdSaveTag->click();
        QCOMPARE(dialog.lblStatus->text(),
                 QStringLiteral("Nothing changed; the file was not written."));
        QCOMPARE(test::readAll(file), original);
        // Typing still meets the limit.
        dialog.txtYear->clear();
        QTest::keyClicks(dialog.txtYear, QStringLiteral("200345"));
        QCOMPARE(dialog.txtYear->text(), QStringLiteral("2003"));
    }

    void id3v2ModeAndOkWritesTheLibraryNotTheFile() {
        Fixture f;
        const QString path = f.Mp3("both.mp3");
        storeV1(path, 1, 1);
        storeV2(path, 300);
        TfrmMP3Tag dialog(f.Prompts);
        QVERIFY(f.Open(dialog, "both.mp3"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("MP3 Tag Editor (ID3 v2)"));
        QVERIFY(dialog.cmbGenres->isEditable());
        QCOMPARE(dialog.cmbGenres->currentText(), QStringLiteral("Trip-Hop"));
        QTRY_COMPARE(
            items(dialog.cmbGenres),
            (QStringList{QStringLiteral("Jazz"), QStringLiteral("Pop"), QStringLiteral("Rock")}));
        QCOMPARE(items(dialog.cmbLanguages),
                 (QStringList{QStringLiteral("eng"), QStringLiteral("fra")}));
        QCOMPARE(items(dialog.cmbComposers), QStringList{QStringLiteral("Bach")});
        QCOMPARE(dialog.txtTrack->text(), QStringLiteral("044"));
        QCOMPARE(dialog.cmbLanguages->currentText(), QStringLiteral("deu"));
        QCOMPARE(dialog.cmbComposers->currentText(), QStringLiteral("Satie"));
        QCOMPARE(dialog.txtCopyright->text(), QStringLiteral("(c) Me"));
        for (QLineEdit* box : {dialog.txtTitle, dialog.cmbArtists->lineEdit(),
                               dialog.cmbAlbums->lineEdit(), dialog.txtComment})
            QCOMPARE(box->maxLength(), 256);
        QCOMPARE(dialog.txtYear->maxLength(), 4);
        QVERIFY(dialog.cmbLanguages->isEnabled() && dialog.lblHeader[9]->isEnabled());

        // Quotes and backslashes reach the library as typed.
        dialog.cmbArtists->setEditText(QStringLiteral(" Say \"Hi\" \\o/ "));
        dialog.cmbGenres->setEditText(QStringLiteral("Ambient"));
        dialog.cmbComposers->setEditText(QStringLiteral("Glass"));
        dialog.cmdOK->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.lblStatus->text(),
                 QStringLiteral("Saved to the library only; Save Tag writes the file."));
        QCOMPARE(f.RowValue("both.mp3", "fArtist"), std::string("Say \"Hi\" \\o/"));
        QCOMPARE(f.RowValue("both.mp3", "fGenre"), std::string("Ambient"));
        QCOMPARE(f.RowValue("both.mp3", "fComposer"), std::string("Glass"));
        QCOMPARE(f.RowValue("both.mp3", "fLanguage"), std::string("deu"));
        TEasyQuery query;
        TMyMediaDBTestAccess::SelectMedia(f.DB, query, "/x", "1.mp3");
        query.First();
        QCOMPARE(query.FieldByName("fArtist").AsString(), std::string("Beta"));

        TID3v2 tag;
        QVERIFY(tag.LoadTag(path.toStdString()));
        QCOMPARE(tag.Artist(), std::string("V2 Artist"));
    }

    // The table lists the ID3v2 frames; a text frame's lines are edited there and the fields
    // follow, other frames are shown only, and a save keeps them.
    void id3v2FramesAreLinesOfTheTable() {
        Fixture f;
        const QString path = f.Mp3("lines.mp3");
        const std::string file = path.toStdString();
        f.Dir.write("lines.mp3",
                    test::Tag(3, test::Frame(3, "TIT2", test::Text("Song")) +
                                     test::Frame(3, "TPE1", test::Text("Me")) +
                                     test::Frame(3, "PRIV", std::string("owner\0data", 10))) +
                        test::SampleMp3Bytes());
        TfrmMP3Tag dialog(f.Prompts);
        QVERIFY(f.Open(dialog, "lines.mp3"));
        QTableWidget* table = dialog.tblFields->lvwFields;
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(2, 0)->text(), QStringLiteral("PRIV"));
        QCOMPARE(table->item(2, 1)->text(), QStringLiteral("(10 bytes)"));
        QVERIFY(!(table->item(2, 1)->flags() & Qt::ItemIsEditable));
        table->item(1, 1)->setText(QStringLiteral("You"));
        QCOMPARE(dialog.cmbArtists->currentText(), QStringLiteral("You"));
        dialog.txtTitle->setText(QStringLiteral("Tune"));
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("Tune"));
        dialog.tblFields->cmdAddLine->click();
        table->item(3, 0)->setText(QStringLiteral("APIC"));
        dialog.cmdSaveTag->click();
        QCOMPARE(f.Prompts.Messages.size(), size_t(1));
        QVERIFY(f.Prompts.Messages[0].Text.contains(QStringLiteral("APIC")));
        table->item(3, 0)->setText(QStringLiteral("TIT3"));
        table->item(3, 1)->setText(QStringLiteral("Live"));
        dialog.cmdSaveTag->click();
        QCOMPARE(f.Prompts.Messages.size(), size_t(1));
        const nlohmann::json read = test::Mutagen(file);
        QCOMPARE(read["frames"]["TIT2"].get<std::string>(), std::string("Tune"));
        QCOMPARE(read["frames"]["TPE1"].get<std::string>(), std::string("You"));
        QCOMPARE(read["frames"]["TIT3"].get<std::string>(), std::string("Live"));
        QCOMPARE(read["frames"]["PRIV"].get<int>(), 4);
    }

    void untaggedFileIsEditedAndSavedAsId3v2() {
        Fixture f;
        const QString path = f.Mp3("plain.mp3");
        TfrmMP3Tag dialog(f.Prompts);
        QVERIFY(f.Open(dialog, "plain.mp3"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("MP3 Tag Editor (ID3 v2)"));
        QCOMPARE(dialog.txtTrack->text(), QStringLiteral("000"));
        dialog.txtTitle->setText(QStringLiteral("Fresh"));
        dialog.cmbLanguages->setEditText(QStringLiteral("eng"));
        dialog.incTrack->Step(255);
        QCOMPARE(dialog.txtTrack->text(), QStringLiteral("255"));
        dialog.txtAlbumArtist->setText(QStringLiteral("Band"));
        dialog.txtDisc->setText(QStringLiteral("1"));
        dialog.txtDiscTotal->setText(QStringLiteral("2"));
        dialog.cmdSaveTag->click();
        dialog.cmdSaveTag->click(); // any number of times
        QVERIFY(f.Prompts.Messages.empty());
        TMPEGaudio audio;
        QVERIFY(audio.Analyse(path.toStdString()));
        QVERIFY(audio.ID3v2().Present());
        QVERIFY(!audio.ID3v1().Present());
        QCOMPARE(audio.ID3v2().Title(), std::string("Fresh"));
        QCOMPARE(audio.ID3v2().Language(), std::string("eng"));
        QCOMPARE(audio.ID3v2().Track(), std::uint16_t(255));
        QCOMPARE(audio.ID3v2().AlbumArtist(), std::string("Band"));
        QCOMPARE(audio.ID3v2().DiscText(), std::string("1/2"));
        QCOMPARE(f.RowValue("plain.mp3", "fAlbumArtist"), std::string("Band"));
        QVERIFY(audio.IsValid());
    }

    void unreadableOrInvalidFilesAreNotShown() {
        Fixture f;
        f.Dir.write("noise.mp3", std::string(5000, 'x'));
        TfrmMP3Tag dialog(f.Prompts);
        QVERIFY(!f.Open(dialog, "noise.mp3"));
        QCOMPARE(dialog.Execute(), int(QDialog::Rejected));
        QCOMPARE(f.Prompts.Messages.size(), size_t(1));
        QCOMPARE(f.Prompts.Messages[0].Caption, QStringLiteral("Information"));
        QCOMPARE(f.Prompts.Messages[0].Text, QStringLiteral("Invalid MP3 file.\r\n") + f.Folder() +
                                                 QStringLiteral("/noise.mp3"));

        TfrmMP3Tag missing(f.Prompts);
        QVERIFY(!f.Open(missing, "gone.mp3"));
        QCOMPARE(missing.Execute(), int(QDialog::Rejected));
        QCOMPARE(f.Prompts.Messages.back().Text, QStringLiteral("Error reading file.\r\n") +
                                                     f.Folder() + QStringLiteral("/gone.mp3"));
    }

    void failedWriteKeepsTheDialogOpen() {
        Fixture f;
        const QString path = f.Mp3("v1.mp3");
        storeV1(path, 1, 1);
        TfrmMP3Tag dialog(f.Prompts);
        QVERIFY(f.Open(dialog, "v1.mp3"));
        dialog.show();
        std::filesystem::remove(path.toStdString());
        dialog.txtTitle->setText(QStringLiteral("Lost?"));
        dialog.cmdSaveTag->click();
        QCOMPARE(f.Prompts.Messages.size(), size_t(1));
        QCOMPARE(f.Prompts.Messages[0].Text, QStringLiteral("Error writing MP3 tag.\r\n") + path);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.txtTitle->text(), QStringLiteral("Lost?"));
        QVERIFY(!dialog.LibraryChanged());
        QCOMPARE(f.RowValue("v1.mp3", "fTitle"), std::string("Old"));
    }

    void trackBoxHandsTheFocusToItsUpDown() {
        Fixture f;
        f.Mp3("plain.mp3");
        TfrmMP3Tag dialog(f.Prompts);
        QVERIFY(f.Open(dialog, "plain.mp3"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.txtTrack->setFocus();
        QTRY_VERIFY(dialog.incTrack->hasFocus());
        QTest::keyClick(dialog.incTrack, Qt::Key_Up);
        QCOMPARE(dialog.txtTrack->text(), QStringLiteral("001"));
        QTest::keyClick(dialog.incTrack, Qt::Key_Down);
        QTest::keyClick(dialog.incTrack, Qt::Key_Down);
        QCOMPARE(dialog.txtTrack->text(), QStringLiteral("000"));
    }
};

QTEST_MAIN(TestTagEditor)
#include "test_tag_editor.moc"
