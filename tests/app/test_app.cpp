#include <QLockFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "ui/app/uFrmSplash.h"
#include "ui/app/uSingleInstance.h"
#include "ui/common/uShellOpen.h"
#include "ui/common/uTOptions.h"

using namespace orvanta;

class TestApp : public QObject {
    Q_OBJECT
    QTemporaryDir home;
    const QString baseKey = QStringLiteral("Software\\Orvanta");

    QSettings settingsFile() const {
        return QSettings(home.path() + QStringLiteral("/Orvanta.ini"), QSettings::IniFormat);
    }

private slots:
    void initTestCase() { qputenv("ORVANTA_HOME", home.path().toUtf8()); }
    void init() { QFile::remove(home.path() + QStringLiteral("/Orvanta.ini")); }

    void missingValueReadsTrueAndIsCreated() {
        TOptions options;
        QVERIFY(!options.FirstRun);
        options.LoadFromRegistry(baseKey);
        QVERIFY(options.FirstRun);
        QCOMPARE(settingsFile().value(QStringLiteral("Options/FirstRun")).toInt(), 1);
    }

    void storedNumbersReadAsNonZero_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("expected");
        QTest::newRow("zero") << QVariant(0) << false;
        QTest::newRow("one") << QVariant(1) << true;
        QTest::newRow("seven") << QVariant(7) << true;
        QTest::newRow("text") << QVariant(QStringLiteral("yes")) << true;
    }
    void storedNumbersReadAsNonZero() {
        QFETCH(QVariant, stored);
        QFETCH(bool, expected);
        settingsFile().setValue(QStringLiteral("Options/FirstRun"), stored);
        TOptions options;
        options.LoadFromRegistry(baseKey);
        QCOMPARE(options.FirstRun, expected);
    }

    void saveWritesZeroAndNextLoadSeesIt() {
        TOptions options;
        options.LoadFromRegistry(baseKey);
        options.FirstRun = false;
        options.SaveToRegistry(baseKey);
        TOptions again;
        again.LoadFromRegistry(baseKey);
        QVERIFY(!again.FirstRun);
    }

    void shellOpenAddressesGetAScheme() {
        QCOMPARE(ShellOpenUrl(QStringLiteral("www.orvanta.org/tessolin/index.htm")),
                 QUrl(QStringLiteral("http://www.orvanta.org/tessolin/index.htm")));
        QCOMPARE(ShellOpenUrl(QStringLiteral("https://example.org/x")),
                 QUrl(QStringLiteral("https://example.org/x")));
        QCOMPARE(ShellOpenUrl(home.path()), QUrl::fromLocalFile(home.path()));
    }

    void secondInstanceIsRefusedWhileTheFirstHoldsTheLock() {
        QLockFile first(home.path() + QStringLiteral("/Orvanta.lock"));
        QVERIFY(first.tryLock(0));
        QVERIFY(IsAlreadyRunning(home.path()));
        first.unlock();
        QVERIFY(!IsAlreadyRunning(home.path())); // takes the lock for this process
        QLockFile later(home.path() + QStringLiteral("/Orvanta.lock"));
        QVERIFY(!later.tryLock(0));
    }

    void splashShowsPictureAndItsTimerShowsTheMainWindow() {
        QCOMPARE(SplashPicture().size(), QSize(440, 195));
        TfrmSplash splash;
        int shown = 0;
        splash.OnShowMainWindow = [&shown] { ++shown; };
        splash.ShowSplash();
        QVERIFY(splash.isVisible());
        QTest::mouseClick(&splash, Qt::LeftButton); // a click hides it early...
        QVERIFY(!splash.isVisible());
        QVERIFY(splash.tmrClose.isActive());
        QCOMPARE(shown, 0);
        splash.tmrClose.start(20); // ...and the timer still shows the main window
        QTRY_COMPARE(shown, 1);
        QVERIFY(splash.MainWindowDue());
    }
};

QTEST_MAIN(TestApp)
#include "test_app.moc"
