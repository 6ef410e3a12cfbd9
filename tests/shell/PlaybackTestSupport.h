#pragma once

#include <QString>
#include <QStringList>

#include <string>

#include "support/Mp3Files.h"

namespace orvanta::test {

// A real stereo MP3 of a sine tone at Folder/Name.mp3; empty on failure. LameOptions may give
// its tag ("--tt", title, "--ta", artist, "--tl", album).
inline QString MakeMp3(const std::string& Folder, const QString& Name, double Seconds,
                       const QStringList& LameOptions = {}) {
    std::string options;
    for (const QString& option : LameOptions)
        options.append(" ").append(shellQuoted(option.toStdString()));
    return QString::fromStdString(
        makeMp3(Folder, (Name + QStringLiteral(".mp3")).toStdString(), Seconds, options, 2));
}

} // namespace orvanta::test
