#pragma once

#include <QString>
#include <QUrl>

namespace orvanta {

// What the desktop is asked to open for Target: a local file or folder as such, anything
// else as a web address ("http://" added when it has no scheme).
QUrl ShellOpenUrl(const QString& Target);
// Asks the desktop to open Target; a target that cannot be opened fails silently.
void ShellOpen(const QString& Target);
void OpenHomePage();
void OpenHelpPage();

} // namespace orvanta
