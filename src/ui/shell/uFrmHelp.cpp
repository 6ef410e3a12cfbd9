#include "ui/shell/uFrmHelp.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "ui/common/uResources.h"

namespace orvanta {

TfrmHelp::TfrmHelp(QWidget* Parent) : QDialog(Parent) {
    EnsureResources();
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Orvanta Help"));
    auto* layout = new QVBoxLayout(this);
    txtHelp = new QTextBrowser(this);
    txtHelp->setObjectName(QStringLiteral("txtHelp"));
    txtHelp->setAccessibleName(QStringLiteral("Help"));
    txtHelp->setAccessibleDescription(QStringLiteral("The program's help: keys, data, playlists"));
    // Links to other pages of the web stay out: the help is read here alone.
    txtHelp->setOpenExternalLinks(false);
    txtHelp->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
    layout->addWidget(txtHelp);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 520);
}

TfrmHelp& ShowHelpContents(QWidget& Owner) {
    auto* help = Owner.findChild<TfrmHelp*>();
    if (!help)
        help = new TfrmHelp(&Owner);
    help->show();
    help->raise();
    help->activateWindow();
    return *help;
}

} // namespace orvanta
