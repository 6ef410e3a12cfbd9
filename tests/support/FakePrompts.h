#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "ui/common/uPrompts.h"

namespace orvanta::test {

// Answers the program's questions from a script and records every message it was shown.
class FakePrompts final : public IPrompts {
public:
    struct Shown {
        QString Caption;
        QString Text;
        TPromptIcon Icon;
        QString Details;
    };
    std::vector<Shown> Messages;
    std::deque<bool> YesNoAnswers;
    // A null QString answers Cancel.
    std::deque<QString> TextAnswers;
    std::deque<QStringList> FileAnswers;
    std::deque<QString> FolderAnswers;
    QStringList Questions;
    // The initial text of each input dialog.
    QStringList TextInitials;
    // Runs while a question is open (before it is answered), as the event loop does.
    std::function<void()> WhileAsking;

    void ShowMessage(const QString& Caption, const QString& Text, TPromptIcon Icon) override {
        Messages.push_back({Caption, Text, Icon, {}});
    }
    void ShowDetails(const QString& Caption, const QString& Text, const QString& Details,
                     TPromptIcon Icon) override {
        Messages.push_back({Caption, Text, Icon, Details});
    }
    QString AskFolder(const QString& Caption) override {
        Questions << Caption;
        return pop(FolderAnswers, QString());
    }
    bool AskYesNo(const QString& Caption, const QString& Text) override {
        Questions << Caption + QStringLiteral(": ") + Text;
        asking();
        return pop(YesNoAnswers, false);
    }
    std::optional<QString> AskText(const QString& Caption, const QString& Prompt,
                                   const QString& Initial) override {
        Questions << Caption + QStringLiteral(": ") + Prompt;
        TextInitials << Initial;
        asking();
        const QString answer = pop(TextAnswers, QString());
        if (answer.isNull())
            return std::nullopt;
        return answer;
    }
    QStringList AskOpenFiles(const QString& Caption, const QString&) override {
        Questions << Caption;
        return pop(FileAnswers, QStringList());
    }
    // Answered from TextAnswers; the initial name goes to TextInitials.
    QString AskSaveFile(const QString& Caption, const QString&, const QString& Initial) override {
        Questions << Caption;
        TextInitials << Initial;
        return pop(TextAnswers, QString());
    }

private:
    void asking() {
        if (WhileAsking)
            WhileAsking();
    }
    template <class T> static T pop(std::deque<T>& answers, T fallback) {
        if (answers.empty())
            return fallback;
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace orvanta::test
