#include "ui/common/uGuard.h"

#include "core/tablestore/uTEasyDatabase.h"
#include "ui/common/uPrompts.h"

namespace orvanta {

QString ExceptionText(const std::exception& Error) {
    // SQLite's "database is locked" tells the user nothing they can act on.
    if (const auto* engine = dynamic_cast<const EEasyError*>(&Error); engine && engine->Busy())
        return QStringLiteral(
            "The library is busy: another program is writing to it. Try again in a moment.");
    return QString::fromUtf8(Error.what());
}

void ShowException(IPrompts& Prompts, const QString& Message) {
    Prompts.ShowMessage(QStringLiteral("Application Exception"), Message, TPromptIcon::Warning);
}

} // namespace orvanta
