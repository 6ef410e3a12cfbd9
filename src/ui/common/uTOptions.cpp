#include "ui/common/uTOptions.h"

#include <QSettings>

#include "core/common/uDataPaths.h"

namespace orvanta {

namespace {
const QString FirstRunKey = QStringLiteral("Options/FirstRun");
const QString CheckNoticesKey = QStringLiteral("Options/CheckNotices");
const QString FollowFoldersKey = QStringLiteral("Options/FollowFolders");
} // namespace

std::unique_ptr<QSettings> OpenSettings(const QString& BaseKey) {
    const QByteArray variable = qgetenv("ORVANTA_HOME");
    const std::string exeDir = ExecutableDir();
    if (SettingsInHome(exeDir, variable.constData())) {
        // Tests and portable copies keep their settings beside their data.
        const std::string home = ResolveAppPath(exeDir, variable.constData(), UserDataDir());
        return std::make_unique<QSettings>(
            QString::fromStdString(home) + QStringLiteral("/Orvanta.ini"), QSettings::IniFormat);
    }
    const QString organization = BaseKey.section(QLatin1Char('\\'), -1);
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organization,
                                       QStringLiteral("Orvanta"));
}

void TOptions::LoadFromRegistry(const QString& BaseKey) {
    const std::unique_ptr<QSettings> settings = OpenSettings(BaseKey);
    if (settings->status() != QSettings::NoError)
        return;
    CheckNotices = settings->value(CheckNoticesKey, 1).toInt() != 0;
    FollowFolders = settings->value(FollowFoldersKey, false).toBool();
    FirstRun = true;
    const QVariant stored = settings->value(FirstRunKey);
    if (!stored.isValid()) {
        settings->setValue(FirstRunKey, 1);
        return;
    }
    bool isNumber = false;
    const int value = stored.toInt(&isNumber);
    // A value that is not a number is not trusted to mean "done": the notices are sent.
    if (isNumber)
        FirstRun = value != 0;
}

void TOptions::SaveToRegistry(const QString& BaseKey) const {
    const std::unique_ptr<QSettings> settings = OpenSettings(BaseKey);
    if (settings->status() != QSettings::NoError)
        return;
    settings->setValue(FirstRunKey, FirstRun ? 1 : 0);
    settings->sync();
}

void TOptions::SaveCheckNotices(const QString& BaseKey) const {
    const std::unique_ptr<QSettings> settings = OpenSettings(BaseKey);
    if (settings->status() == QSettings::NoError)
        settings->setValue(CheckNoticesKey, CheckNotices ? 1 : 0);
}

void TOptions::SaveFollowFolders(const QString& BaseKey) const {
    const std::unique_ptr<QSettings> settings = OpenSettings(BaseKey);
    if (settings->status() == QSettings::NoError)
        settings->setValue(FollowFoldersKey, FollowFolders);
}

} // namespace orvanta
