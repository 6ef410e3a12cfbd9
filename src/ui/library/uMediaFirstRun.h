#pragma once

#include <QWidget>

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;

namespace orvanta {

// What My Music shows in place of its list while the library is empty: a short text, a
// button that runs the window's Add Folder command, and check boxes for two of its menu
// switches. Each control is bound to the window's action itself, so the two stay in step.
class TMediaFirstRun : public QWidget {
    Q_OBJECT
public:
    TMediaFirstRun(QAction& AddFolder, QAction& Follow, QAction& Continue, QWidget* Parent);
    QLabel* lblHint = nullptr;
    QPushButton* cmdAddFolder = nullptr;
    QCheckBox* chkFollowFolders = nullptr;
    QCheckBox* chkContinue = nullptr;
};

} // namespace orvanta
