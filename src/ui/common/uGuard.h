#pragma once

#include <QString>
#include <exception>
#include <utility>

namespace orvanta {

class IPrompts;

// The text shown for an exception: its message, or words for a library another program holds.
QString ExceptionText(const std::exception& Error);

// The "Application Exception" box with Message.
void ShowException(IPrompts& Prompts, const QString& Message);

// Runs one command at its boundary: an exception (a table engine error, say) ends the command,
// not the program; the user reads its message and the window carries on. False when it threw.
template <class F> bool Guarded(IPrompts& Prompts, F&& Command) noexcept {
    try {
        std::forward<F>(Command)();
        return true;
    } catch (const std::exception& error) {
        ShowException(Prompts, ExceptionText(error));
    } catch (...) {
        ShowException(Prompts, QStringLiteral("Unknown error."));
    }
    return false;
}

} // namespace orvanta
