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
            static const std::pair<ECommand, const char*> commands[] = {
                {ECommand::MediaEditMP3Tag, "mnuEditMP3Tag"},
                {ECommand::MediaAddFiles, "mnuFileAddFiles"},
                {ECommand::MediaRemoveFiles, "mnuEditRemove"},
                {ECommand::MediaRefreshMedia, "mnuEditRefreshMedia"},
                {ECommand::MediaAddFolder, "mnuFileAddFolder"},
                {ECommand::PlayListsNew, "mnuFileNewPlayList"},
                {ECommand::PlayListsRename, "mnuEditRenamePlayList"}};
            for (const auto& [command, name] : commands)
                if (ToolButton(command) == &Button)
                    if (const QAction* command = MenuAction(QString::fromLatin1(name)))
                        return command->shortcut();
            return QKeySequence();
        });
    spdToolOverflow = FOverflow->Button();
}

QVector<TFoldButton> TfrmMain::FoldableButtons(EView View) const {
    // The view's command buttons left of its boxes; the view buttons and the playlist box's
    // group always stay.
    QVector<TFoldButton> buttons;
    for (const TToolControl& control : FToolControls)
        if (control.View == View && !control.AnchoredRight)
            if (auto* button = qobject_cast<QToolButton*>(control.Control))
                buttons.push_back({button, control.Left});
    return buttons;
}

int TfrmMain::ToolRowTail(EView View, bool Natural) const {
    // What a view's row needs after its buttons: the right-anchored group with its gap, or the
    // mode box and the info label, wide enough for a long playlist's info when Natural.
    if (View == EView::Media) {
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
    for (EView view : {EView::Media, EView::PlayLists}) {
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
    if (FToolView == EView::PlayLists) {
        // The mode box and the info label follow the buttons left shown.
        cmbPlayListMode->move(end + 3, cmbPlayListMode->y());
        lblPlayListInfo->move(cmbPlayListMode->x() + cmbPlayListMode->width() + 4,
                              lblPlayListInfo->y());
    }
    FitPlayListInfo();
}

} // namespace orvanta
