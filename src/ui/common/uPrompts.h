#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace orvanta {

enum class TPromptIcon { Information, Question, Warning };

// Every modal question and message of the windows goes through this interface, so tests
// answer them from a script and the views never pop a box themselves.
class IPrompts {
public:
    virtual ~IPrompts() = default;
    virtual void ShowMessage(const QString& Caption, const QString& Text, TPromptIcon Icon) = 0;
    // Yes/No question; true only for Yes.
    virtual bool AskYesNo(const QString& Caption, const QString& Text) = 0;
    // One-line input; empty optional when cancelled.
    virtual std::optional<QString> AskText(const QString& Caption, const QString& Prompt,
                                           const QString& Initial) = 0;
    // Open-file dialog allowing several files; Filter is "Name|*.a;*.b|Name|*.*".
    virtual QStringList AskOpenFiles(const QString& Caption, const QString& Filter) = 0;
    // Save-file dialog starting at Initial; empty when cancelled. Filter as above.
    virtual QString AskSaveFile(const QString& Caption, const QString& Filter,
                                const QString& Initial) = 0;
    // Folder dialog; empty when cancelled.
    virtual QString AskFolder(const QString& Caption) = 0;
    // A message with a longer text the user can unfold (one line per item).
    virtual void ShowDetails(const QString& Caption, const QString& Text, const QString& Details,
                             TPromptIcon Icon) = 0;

    // The system's usual boxes.
    void Information(const QString& Text) {
        ShowMessage(QStringLiteral("Information"), Text, TPromptIcon::Information);
    }
    bool ConfirmAction(const QString& Text) {
        return AskYesNo(QStringLiteral("Confirm Action"), Text);
    }
};

// The real dialogs: QMessageBox, QInputDialog and QFileDialog.
class TQtPrompts final : public IPrompts {
public:
    void ShowMessage(const QString& Caption, const QString& Text, TPromptIcon Icon) override;
    bool AskYesNo(const QString& Caption, const QString& Text) override;
    std::optional<QString> AskText(const QString& Caption, const QString& Prompt,
                                   const QString& Initial) override;
    QStringList AskOpenFiles(const QString& Caption, const QString& Filter) override;
    QString AskSaveFile(const QString& Caption, const QString& Filter,
                        const QString& Initial) override;
    QString AskFolder(const QString& Caption) override;
    void ShowDetails(const QString& Caption, const QString& Text, const QString& Details,
                     TPromptIcon Icon) override;
};

// "Name|patterns|Name|patterns" as QFileDialog's "Name (patterns);;Name (patterns)".
QString QtFileFilter(const QString& Filter);

} // namespace orvanta
