#pragma once

#include <QDialog>

class QTextBrowser;

namespace orvanta {

// The program's own help, read from its resources: it opens without a network.
class TfrmHelp : public QDialog {
    Q_OBJECT

public:
    explicit TfrmHelp(QWidget* Parent = nullptr);

    QTextBrowser* txtHelp = nullptr;
};

// Shows Owner's help window, made on the first call, and brings it to the front.
TfrmHelp& ShowHelpContents(QWidget& Owner);

} // namespace orvanta
