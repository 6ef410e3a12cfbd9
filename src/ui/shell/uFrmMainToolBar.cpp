// The tool bar's layout: the right-anchored controls follow the window's edge and the shown
// view's buttons fold into the overflow menu when the window is narrow.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QToolButton>
#include <algorithm>

#include "ui/shell/uFrmMain.h"
#include "ui/shell/uToolOverflow.h"

namespace orvanta {

void TfrmMain::CreateToolOverflow() {
    // A folded button's item shows the keys of the menu command that does the same.
    FOverflow = new TToolOverflow(
        *pnlToolButtons, ButtonSize, ButtonTop, [this](const QToolButton& Button) {
            static const std::pair<int, const char*> commands[] = {
                {102, "mnuEditMP3Tag"},        {103, "mnuFileAddFiles"},
                {104, "mnuEditRemove"},        {105, "mnuEditRefreshMedia"},
                {108, "mnuFileAddFolder"},     {201, "mnuFileNewPlayList"},
                {202, "mnuEditRenamePlayList"}};
            for (const auto& [tag, name] : commands)
                if (TagOf(&Button) == tag)
                    if (const QAction* command = MenuAction(QString::fromLatin1(name)))
                        return command->shortcut();
            return QKeySequence();
        });
    spdToolOverflow = FOverflow->Button();
}

QVector<TFoldButton> TfrmMain::FoldableButtons(int View) const {
    // The view's command buttons left of its boxes; the view buttons and the playlist box's
    // group always stay.
    QVector<TFoldButton> buttons;
    for (const TToolControl& control : FToolControls)
        if (control.Tag / 100 == View && !control.AnchoredRight)
            if (auto* button = qobject_cast<QToolButton*>(control.Control))
                buttons.push_back({button, control.Left});
    return buttons;
}

int TfrmMain::ToolRowTail(int View, bool Natural) const {
    // What a view's row needs after its buttons: the right-anchored group with its gap, or the
    // mode box and the info label, wide enough for a long playlist's info when Natural.
    if (View == 1) {
        int rightGroupLeft = DesignWidth;
        for (const TToolControl& control : FToolControls)
            if (control.AnchoredRight)
                rightGroupLeft = std::min(rightGroupLeft, control.Left);
        return 4 + DesignWidth - rightGroupLeft;
    }
    const int info = Natural ? lblPlayListInfo->fontMetrics().horizontalAdvance(
                                   QStringLiteral("00:00:00 (0000 Tracks)"))
                             : lblPlayListInfo->minimumWidth();
    return 3 + cmbPlayListMode->width() + 4 + info + 4;
}

void TfrmMain::FitMinimumWidth() {
    // With the desktop's font the boxes and the info label may need more than the design
    // width. The window opens with every button of each view shown and a long playlist's info
    // whole; narrower, buttons fold until only the overflow button is left of the boxes.
    int natural = DesignWidth;
    int least = centralWidget()->minimumSizeHint().width();
    for (int view : {1, 2}) {
        const QVector<TFoldButton> buttons = FoldableButtons(view);
        natural = std::max(natural, buttons.last().Left + ButtonSize + ToolRowTail(view, true));
        least = std::max(least, buttons.first().Left + ButtonSize + ToolRowTail(view, false));
    }
    setMinimumWidth(least);
    resize(std::max(width(), natural), height());
}

void TfrmMain::LayOutToolBar() {
    // Until the window is shown the panel has no size of its own; it always spans the window.
    const int width = pnlToolButtons->isVisible() ? pnlToolButtons->width() : this->width();
    const int shift = width - DesignWidth;
    for (const TToolControl& control : FToolControls)
        if (control.AnchoredRight)
            control.Control->move(control.Left + shift, control.Control->y());
    const int end =
        FOverflow->Fold(FoldableButtons(FToolView), width - ToolRowTail(FToolView, true));
    if (FToolView == 2) {
        // The mode box and the info label follow the buttons left shown.
        cmbPlayListMode->move(end + 3, cmbPlayListMode->y());
        lblPlayListInfo->move(cmbPlayListMode->x() + cmbPlayListMode->width() + 4,
                              lblPlayListInfo->y());
    }
    FitPlayListInfo();
}

} // namespace orvanta
