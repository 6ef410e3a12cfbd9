#pragma once

// The batch tools as pages of the tag dialog: each shows its settings and a preview of old and
// new values (and why a file is left out) before anything is written.
#include <QObject>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/batch/uBatchSource.h"
#include "core/batch/uBatchTools.h"
#include "core/library/uLibraryWorker.h"
#include "ui/common/uWorkerInbox.h"
#include "ui/metadata/uPreviewModel.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTabWidget;
class QTimer;
class QTableView;

namespace orvanta {

class TTagToolPages : public QObject {
    Q_OBJECT
public:
    // Adds the pages after the ones Tabs holds; they plan from the files' values as Sources
    // holds them.
    TTagToolPages(QTabWidget* Tabs, std::vector<TBatchSource> Sources);

    // The plan of the tool page shown, as its settings now are; null while a page before the
    // tools is shown.
    TPlanResult* Shown();
    // Hands over the files' values and the pages' plans (see TfrmMP3Tag::TakeFiles); the
    // pages plan nothing more.
    std::shared_ptr<void> TakeFiles();

    QLineEdit* txtNamesPattern = nullptr;
    QCheckBox* chkUnderscores = nullptr;
    QLineEdit* txtRenamePattern = nullptr;
    QSpinBox* spnStart = nullptr;
    QCheckBox* chkTotal = nullptr;
    QComboBox* cmbRestart = nullptr;
    QListWidget* lstCaseFields = nullptr;
    QComboBox* cmbCase = nullptr;
    QLineEdit* txtFind = nullptr;
    QLineEdit* txtReplace = nullptr;
    QCheckBox* chkIgnoreCase = nullptr;
    QCheckBox* chkRegex = nullptr;
    static constexpr int Pages = 4;
    std::array<QTableView*, Pages> tblPreview = {};

private:
    using TPlanner = std::function<TPlanResult(const std::vector<TBatchSource>& Sources)>;

    // Plans the page shown again: at once for a small selection; else once typing pauses, on
    // a thread of its own, as thousands of files take more than a frame to plan.
    void RefreshSoon();
    void Refresh(bool Now);
    void Take(int Page, TPlanResult Result);
    // The page's plan as its settings now are, to run on any thread.
    TPlanner PlannerOf(int Page) const;

    QTabWidget* FTabs;
    int FFirst;
    std::shared_ptr<const std::vector<TBatchSource>> FSources;
    // The plans; their preview rows are the models'.
    std::array<TPlanResult, Pages> FResults;
    std::array<TPreviewModel*, Pages> FPreviews = {};
    QTimer* FRefresh = nullptr;
    // A plan is asked for and not yet shown; only the one of FSerial is.
    bool FPlanDue = false;
    unsigned FSerial = 0;
    // Declared first, so that it goes after the planner has stopped.
    TWorkerInbox FInbox;
    std::unique_ptr<TLibraryWorker> FPlanner;
};

} // namespace orvanta
