#pragma once

#include <QString>
#include <memory>

class QSettings;

namespace orvanta {

// The settings' root, under which every group of the program is kept.
inline const QString SettingsBaseKey = QStringLiteral("Software\\Orvanta");

// The one persistent setting. Stored with QSettings under "Options/FirstRun" as an integer;
// when the home is ORVANTA_HOME or a portable copy, in an INI file there so tests and
// portable copies never touch the user's settings.
class TOptions {
public:
    bool FirstRun = false;
    // Help > "Check for Notices at Start-up": when false, nothing is fetched.
    bool CheckNotices = true;
    // View > "Follow Library Folders": the library follows its folders; off unless switched on.
    bool FollowFolders = false;

    // Reads BaseKey's options; a missing value reads as true and is created. When the
    // settings cannot be opened nothing is read and FirstRun keeps its value.
    void LoadFromRegistry(const QString& BaseKey);
    // Writes FirstRun as 1 or 0; reports nothing when the settings cannot be written.
    void SaveToRegistry(const QString& BaseKey) const;
    // Writes CheckNotices alone (FirstRun may be saved from a download thread meanwhile).
    void SaveCheckNotices(const QString& BaseKey) const;
    // Writes FollowFolders alone, as true or false.
    void SaveFollowFolders(const QString& BaseKey) const;
};

// The settings store for BaseKey ("Software\Orvanta": organization "Orvanta").
std::unique_ptr<QSettings> OpenSettings(const QString& BaseKey);

} // namespace orvanta
