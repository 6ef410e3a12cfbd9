#pragma once

#include <QFrame>

#include "core/common/uCommands.h"
#include "ui/common/uGuard.h"

namespace orvanta {

class IPrompts;

// One of the two stacked views of the main window; commands arrive by name.
class TViewFrame : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;
    // Runs the command at its boundary: an exception it throws shows the "Application
    // Exception" box and the view carries on. Commands of the other view are ignored.
    void DoCommand(ECommand Command) {
        RunGuarded([this, Command] { RunCommand(Command); });
    }
    // Releases what the view holds; must not touch the library or the playlist manager.
    virtual void Finalize() {}

protected:
    virtual void RunCommand(ECommand Command) = 0;
    // Where the guard shows what a command threw; set once the view is initialized.
    void GuardWith(IPrompts& Prompts) { FGuardPrompts = &Prompts; }
    // The view's own timer and signal slots that reach the library run through here as well.
    template <class F> void RunGuarded(F&& Slot) {
        if (FGuardPrompts)
            Guarded(*FGuardPrompts, std::forward<F>(Slot));
        else
            std::forward<F>(Slot)();
    }

private:
    IPrompts* FGuardPrompts = nullptr;
};

} // namespace orvanta
