#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "TagEditorFixture.h"
#include "core/library/uTMyMediaDB.h"
#include "core/metadata/uFormatTagEdit.h"
#include "support/AudioFiles.h"
#include "support/FakePrompts.h"
#include "support/Mp3Files.h"
#include "support/TempDir.h"
#include "ui/metadata/uFrmMP3Tag.h"
#include "ui/metadata/uTagFieldTable.h"

using namespace orvanta;

namespace {

struct Fixture : test::TagEditorHome {
    // A tagged file of the fixtures, with a library row of old values.
    std::string Add(const std::string& Name) {
        const std::string file = test::AudioFixtures::Get().CopyTo(Dir, Name);
        DB.AddMedia({.Directory = Dir.str(), .FileName = Name, .Title = "Old"});
        return file;
    }
};

QStringList column(const QTableWidget* Table, int Column) {
    QStringList texts;
    for (int row = 0; row < Table->rowCount(); ++row)
        texts << Table->item(row, Column)->text();
    return texts;
}

// What mutagen reads in File is Expected; both shown when not.
void compareDump(const std::string& File, const nlohmann::json& Expected) {
    const nlohmann::json found = test::MutagenDump(File);
    QVERIFY2(found == Expected, (found.dump() + "\n  expected " + Expected.dump()).c_str());
}

void setCell(QTableWidget* Table, int Row, int Column, const QString& Text) {
    Table->item(Row, Column)->setText(Text);
}

} // namespace

class TestTagEditorFormats : public QObject {
    Q_OBJECT

private slots:
    // Each format opens in its own tag, with the fields the fixtures give every one of them.
    void eachFormatShowsItsTag() {
        const struct {
            const char* Name;
            const char* Caption;
        } cases[] = {
            {"tone.flac", "FLAC Tag Editor (Vorbis comment)"},
            {"tone.ogg", "Ogg Vorbis Tag Editor (Vorbis comment)"},
            {"tone.opus", "Opus Tag Editor (Vorbis comment)"},
            {"tone.m4a", "M4A Tag Editor (MP4)"},
            {"tone.wv", "WavPack Tag Editor (APEv2)"},
            {"tone.wav", "WAV Tag Editor (ID3v2)"},
            {"tone.aiff", "AIFF Tag Editor (ID3v2)"},
        };
        Fixture f;
        for (const auto& c : cases) {
            f.Add(c.Name);
            TfrmMP3Tag dialog(f.Prompts);
            QVERIFY2(f.Open(dialog, c.Name), c.Name);
            QCOMPARE(dialog.windowTitle(), QString::fromLatin1(c.Caption));
            QCOMPARE(dialog.txtTitle->text(), QStringLiteral("Title"));
            QCOMPARE(dialog.cmbArtists->currentText(), QStringLiteral("One / Two"));
            QCOMPARE(dialog.txtAlbumArtist->text(), QStringLiteral("Band"));
            QCOMPARE(dialog.txtTrack->text(), QStringLiteral("003"));
            QCOMPARE(dialog.txtDisc->text(), QStringLiteral("1"));
            QCOMPARE(dialog.txtDiscTotal->text(), QStringLiteral("2"));
            QVERIFY(dialog.txtAlbumArtist->isEnabled() && dialog.cmbComposers->isEnabled());
        }
    }

    // A change in a field or a line reaches the file alone: mutagen reads every other field and
    // the picture as they were, and the library row takes the file's values and lists.
    void aSaveWritesOnlyWhatChanged() {
        Fixture f;
        const std::string file = f.Add("tone.flac");
        nlohmann::json expected = test::MutagenDump(file);
        TfrmMP3Tag dialog(f.Prompts);
        QVERIFY(f.Open(dialog, "tone.flac"));
        QTableWidget* table = dialog.tblFields->lvwFields;
        QCOMPARE(column(table, 0).count(QStringLiteral("ARTIST")), 2);
        const auto lineOf = [&](const char* Value) {
            return int(column(table, 1).indexOf(QString::fromUtf8(Value)));
        };
        QCOMPARE(column(table, 0)[lineOf("Two")], QStringLiteral("ARTIST"));

        dialog.cmbAlbums->setEditText(QStringLiteral("New Album"));
        QVERIFY(column(table, 1).contains(QStringLiteral("New Album")));
        dialog.cmdSaveTag->click();
        QVERIFY(f.Prompts.Messages.empty());
        QCOMPARE(dialog.lblStatus->text(), QStringLiteral("Saved to the file."));
        expected["fields"]["ALBUM"] = {"New Album"};
        compareDump(file, expected);
        const TMediaRecord row = f.Row("tone.flac");
        QCOMPARE(row.Album, std::string("New Album"));
        QCOMPARE(row.Numbers.AlbumArtist, std::string("Band"));
        QCOMPARE(row.Format, std::string("FLAC"));
        QCOMPARE(f.DB.FilterValues(TMediaListing::Artist),
                 (std::vector<std::string>{"One", "Two"}));

        // In the table: a value removed, one changed, a line added; the fields follow.
        table->setCurrentCell(lineOf("Two"), 0);
        dialog.tblFields->cmdRemoveLine->click();
        QCOMPARE(dialog.cmbArtists->currentText(), QStringLiteral("One"));
        setCell(table, int(column(table, 0).indexOf(QStringLiteral("TITLE"))), 1,
                QStringLiteral("Retitled"));
        QCOMPARE(dialog.txtTitle->text(), QStringLiteral("Retitled"));
        dialog.tblFields->cmdAddLine->click();
        setCell(table, table->rowCount() - 1, 0, QStringLiteral("mood"));
        setCell(table, table->rowCount() - 1, 1, QStringLiteral("calm"));
        dialog.txtAlbumArtist->setText(QStringLiteral("Band / Crew"));
        dialog.cmdSaveTag->click();
        expected["fields"]["ARTIST"] = {"One"};
        expected["fields"]["ALBUMARTIST"] = {"Band", "Crew"};
        expected["fields"]["TITLE"] = {"Retitled"};
        expected["fields"]["MOOD"] = {"calm"};
        compareDump(file, expected);
        QCOMPARE(f.DB.FilterValues(TMediaListing::Artist), std::vector<std::string>{"One"});
        QCOMPARE(f.DB.FilterValues(TMediaListing::AlbumArtist),
                 (std::vector<std::string>{"Band", "Crew"}));

        dialog.cmdSaveTag->click();
        QCOMPARE(dialog.lblStatus->text(),
                 QStringLiteral("Nothing changed; the file was not written."));

        // "OK" keeps a typed album artist of several values as several in the library.
        dialog.txtAlbumArtist->setText(QStringLiteral("Duo / Trio"));
        dialog.cmdOK->click();
        QCOMPARE(f.DB.FilterValues(TMediaListing::AlbumArtist),
                 (std::vector<std::string>{"Duo", "Trio"}));
    }

    // A file that names a format by its content but cannot be read is not shown.
    void anUnreadableFileIsNotShown() {
        Fixture f;
        f.Dir.write("cut.flac", std::string("fLaC\0\0\0\x22", 8));
        TfrmMP3Tag dialog(f.Prompts);
        QVERIFY(!f.Open(dialog, "cut.flac"));
        QCOMPARE(dialog.Execute(), int(QDialog::Rejected));
        QCOMPARE(f.Prompts.Messages.size(), size_t(1));
        QCOMPARE(f.Prompts.Messages[0].Text, QStringLiteral("Error reading file.\r\n") +
                                                 QString::fromStdString(f.Dir.file("cut.flac")));
    }

    // An ID3v2 tag before the FLAC stream is shown, and goes at the save after its removal.
    void anId3TagInFlacIsShownAndRemoved() {
        Fixture f;
        const std::string file = f.Add("tone.flac");
        nlohmann::json expected = test::MutagenDump(file);
        expected["fields"]["ALBUM"] = {"New Album"};
        const std::string flac = test::readAll(file);
        const std::string id3 = test::Tag(3, test::Frame(3, "TIT2", test::Text("ID3 title")));
        f.Dir.write("tone.flac", id3 + flac);
        TfrmMP3Tag dialog(f.Prompts);
        QVERIFY(f.Open(dialog, "tone.flac"));
        QVERIFY(!dialog.lblID3->isHidden());
        QVERIFY(dialog.lblID3->text().contains(QString::number(id3.size())));
        QCOMPARE(dialog.txtTitle->text(), QStringLiteral("Title"));
        // A save that keeps the ID3v2 tag keeps its bytes.
        dialog.cmbAlbums->setEditText(QStringLiteral("New Album"));
        dialog.cmdSaveTag->click();
        QVERIFY(test::readAll(file).starts_with(id3 + "fLaC"));
        QVERIFY(!dialog.lblID3->isHidden());
        dialog.cmdRemoveID3->click();
        dialog.cmdSaveTag->click();
        QVERIFY(f.Prompts.Messages.empty());
        QVERIFY(dialog.lblID3->isHidden());
        QVERIFY(test::readAll(file).starts_with("fLaC"));
        compareDump(file, expected);
    }
};

QTEST_MAIN(TestTagEditorFormats)
#include "test_tag_editor_formats.moc"
