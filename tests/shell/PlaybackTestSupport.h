#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <string>

namespace orvanta::test {

// Runs a tool to its end; false when it is missing or fails.
inline bool RunTool(const QString& Program, const QStringList& Arguments) {
    QProcess process;
    process.start(Program, Arguments);
    if (!process.waitForFinished(30000)) {
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A real MP3 of a sine tone, made with sox and lame; empty on failure. LameOptions may give
// its tag ("--tt", title, "--ta", artist, "--tl", album).
inline QString MakeMp3(const std::string& Folder, const QString& Name, double Seconds,
                       const QStringList& LameOptions = {}) {
    const QString dir = QString::fromStdString(Folder);
    const QString wav = dir + QStringLiteral("/") + Name + QStringLiteral(".wav");
    const QString mp3 = dir + QStringLiteral("/") + Name + QStringLiteral(".mp3");
    if (!RunTool(QStringLiteral("sox"),
                 {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                  QStringLiteral("-c"), QStringLiteral("2"), wav, QStringLiteral("synth"),
                  QString::number(Seconds), QStringLiteral("sine"), QStringLiteral("440")})) {
        return {};
    }
    if (!RunTool(QStringLiteral("lame"), QStringList{QStringLiteral("--quiet"),
                                                     QStringLiteral("-b"), QStringLiteral("128")} +
                                             LameOptions + QStringList{wav, mp3})) {
        return {};
    }
    return mp3;
}

} // namespace orvanta::test
