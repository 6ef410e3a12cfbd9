#include "ui/common/uPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace orvanta {

namespace {
// "\r\n" in a message is a line break.
QString lineBreaks(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QWidget* owner() {
    return QApplication::activeWindow();
}

// The box's own "Show Details..." button has no access key, and each click gives it its
// "Hide Details..." or "Show Details..." text again: the key is marked after each.
void markDetailsKey(QMessageBox& Box) {
    for (QPushButton* button : Box.findChildren<QPushButton*>()) {
        if (!button->text().endsWith(QStringLiteral("Details...")))
            continue;
        const auto mark = [button] {
            QString text = button->text();
            if (!text.contains(QLatin1Char('&')))
                button->setText(
                    text.replace(QStringLiteral("Details"), QStringLiteral("&Details")));
        };
        mark();
        QObject::connect(button, &QPushButton::clicked, button, mark);
    }
}
} // namespace

void TQtPrompts::ShowMessage(const QString& Caption, const QString& Text, TPromptIcon Icon) {
    QMessageBox box(Icon == TPromptIcon::Warning    ? QMessageBox::Warning
                    : Icon == TPromptIcon::Question ? QMessageBox::Question
                                                    : QMessageBox::Information,
                    Caption, lineBreaks(Text), QMessageBox::Ok, owner());
    box.exec();
}

bool TQtPrompts::AskYesNo(const QString& Caption, const QString& Text) {
    QMessageBox box(QMessageBox::Question, Caption, lineBreaks(Text),
                    QMessageBox::Yes | QMessageBox::No, owner());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> TQtPrompts::AskText(const QString& Caption, const QString& Prompt,
                                           const QString& Initial) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(owner(), Caption, Prompt, QLineEdit::Normal, Initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

QStringList TQtPrompts::AskOpenFiles(const QString& Caption, const QString& Filter) {
    return QFileDialog::getOpenFileNames(owner(), Caption, QString(), QtFileFilter(Filter));
}

QString TQtPrompts::AskSaveFile(const QString& Caption, const QString& Filter,
                                const QString& Initial) {
    return QFileDialog::getSaveFileName(owner(), Caption, Initial, QtFileFilter(Filter));
}

QString TQtPrompts::AskFolder(const QString& Caption) {
    return QFileDialog::getExistingDirectory(owner(), Caption);
}

void TQtPrompts::ShowDetails(const QString& Caption, const QString& Text, const QString& Details,
                             TPromptIcon Icon) {
    QMessageBox box(Icon == TPromptIcon::Warning ? QMessageBox::Warning : QMessageBox::Information,
                    Caption, lineBreaks(Text), QMessageBox::Ok, owner());
    if (!Details.isEmpty())
        box.setDetailedText(lineBreaks(Details));
    markDetailsKey(box);
    box.exec();
}

QString QtFileFilter(const QString& Filter) {
    const QStringList parts = Filter.split(QLatin1Char('|'));
    QStringList rows;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        rows << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return rows.join(QStringLiteral(";;"));
}

} // namespace orvanta
