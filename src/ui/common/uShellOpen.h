#pragma once

#include <QString>
#include <QUrl>

namespace orvanta {

// What the desktop is asked to open for Target: a local file or folder as such, anything
// else as a web address ("http://" added when it has no scheme).
QUrl ShellOpenUrl(const QString& Target);
// Asks the desktop to open Target; false when no program of the desktop took it.
bool ShellOpen(const QString& Target);
// The maker's pages, as ShellOpen takes them.
QString HomePage();
QString HelpPage();

} // namespace orvanta
