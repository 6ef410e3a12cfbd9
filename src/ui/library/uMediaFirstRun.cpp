#include "ui/library/uMediaFirstRun.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QTableView>
#include <QVBoxLayout>

#include "core/library/uMediaListingRules.h"
#include "ui/library/uFraMedia.h"

namespace orvanta {

namespace {

QCheckBox* boundCheck(QAction& Action, const QString& Text, const QString& Name,
                      const QString& Description, QWidget* Parent) {
    auto* box = new QCheckBox(Text, Parent);
    box->setObjectName(Name);
    box->setAccessibleDescription(Description);
    box->setChecked(Action.isChecked());
    // setChecked signals nothing when the state is already there: no loop.
    QObject::connect(box, &QCheckBox::toggled, &Action, &QAction::setChecked);
    QObject::connect(&Action, &QAction::toggled, box, &QCheckBox::setChecked);
    return box;
}

} // namespace

TMediaFirstRun::TMediaFirstRun(QAction& AddFolder, QAction& Follow, QAction& Continue,
                               QWidget* Parent)
    : QWidget(Parent) {
    setObjectName(QStringLiteral("pnlFirstRun"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(10);
    lblHint = new QLabel(
        QStringLiteral("<h3>Your library is empty</h3>"
                       "<p>Add the folder that holds your music: its files come into My Music, "
                       "listed by artist, album, genre and album artist.</p>"),
        this);
    lblHint->setObjectName(QStringLiteral("lblFirstRun"));
    lblHint->setWordWrap(true);
    layout->addWidget(lblHint);
    cmdAddFolder = new QPushButton(QStringLiteral("&Add Folder..."), this);
    cmdAddFolder->setObjectName(QStringLiteral("cmdFirstRunAddFolder"));
    cmdAddFolder->setAccessibleDescription(QStringLiteral("Adds a folder of music to the library"));
    connect(cmdAddFolder, &QPushButton::clicked, &AddFolder, &QAction::trigger);
    layout->addWidget(cmdAddFolder, 0, Qt::AlignLeft);
    chkFollowFolders = boundCheck(
        Follow, QStringLiteral("&Follow Library Folders"), QStringLiteral("chkFirstRunFollow"),
        QStringLiteral("Files added to or removed from the library's folders come and go by "
                       "themselves"),
        this);
    layout->addWidget(chkFollowFolders);
    chkContinue = boundCheck(
        Continue, QStringLiteral("&Continue Through the List"),
        QStringLiteral("chkFirstRunContinue"),
        QStringLiteral("After a file of My Music ends, the next row of the list plays"), this);
    layout->addWidget(chkContinue);
    layout->addStretch(1);
}

void TfraMedia::SetFirstRunHint(QAction& AddFolder, QAction& Follow, QAction& Continue) {
    pnlFirstRun = new TMediaFirstRun(AddFolder, Follow, Continue, lvwMedia->parentWidget());
    pnlFirstRun->hide();
    lvwMedia->parentWidget()->layout()->addWidget(pnlFirstRun);
    for (QAbstractItemModel* model : {static_cast<QAbstractItemModel*>(MediaModel),
                                      static_cast<QAbstractItemModel*>(FFilterModel)}) {
        connect(model, &QAbstractItemModel::modelReset, this, &TfraMedia::UpdateFirstRunHint);
        connect(model, &QAbstractItemModel::rowsInserted, this, &TfraMedia::UpdateFirstRunHint);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &TfraMedia::UpdateFirstRunHint);
    }
    UpdateFirstRunHint();
}

void TfraMedia::UpdateFirstRunHint() {
    if (!pnlFirstRun)
        return;
    // Only a library known to be empty: not while its list is read, nor a search that found
    // nothing.
    // The artists' list of an empty library holds its "All" entry alone.
    const int values = FFilterModel->rowCount();
    const bool noValues =
        values == 0 ||
        (values == 1 && FFilterModel->index(0).data().toString() ==
                            QString::fromUtf8(AllArtistsEntry.data(), AllArtistsEntry.size()));
    const bool empty =
        !ListPending() && MediaModel->rowCount() == 0 && noValues && txtSearch->text().isEmpty();
    pnlFirstRun->setVisible(empty);
    lvwMedia->setVisible(!empty);
}

} // namespace orvanta
