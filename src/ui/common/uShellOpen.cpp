#include "ui/common/uShellOpen.h"

#include <QDesktopServices>
#include <QFileInfo>

#include "core/common/uDataPaths.h"

namespace orvanta {

QUrl ShellOpenUrl(const QString& Target) {
    if (Target.startsWith(QLatin1Char('/')) || QFileInfo::exists(Target))
        return QUrl::fromLocalFile(Target);
    const QUrl url(Target);
    if (!url.scheme().isEmpty() && url.scheme().size() > 1)
        return url;
    return QUrl(QStringLiteral("http://") + Target);
}

bool ShellOpen(const QString& Target) {
    return QDesktopServices::openUrl(ShellOpenUrl(Target));
}

QString HomePage() {
    return QString::fromLatin1(web::HomeHost) + QString::fromLatin1(web::HomePagePath);
}

QString HelpPage() {
    return QString::fromLatin1(web::HomeHost) + QString::fromLatin1(web::HelpPagePath);
}

} // namespace orvanta
