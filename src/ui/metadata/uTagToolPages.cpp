#include "ui/metadata/uTagToolPages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <optional>

#include "ui/metadata/uTagBoxes.h"

namespace orvanta {

using namespace tagboxes;

namespace {

// The fields Case and Replace offers, checked by default.
const std::pair<const char*, const char*> CaseFields[] = {
    {"Title", "TITLE"},    {"Artist", "ARTIST"},
    {"Album", "ALBUM"},    {"Album Artist", "ALBUMARTIST"},
    {"Genre", "GENRE"},    {"Composer", "COMPOSER"},
    {"Comment", "COMMENT"}};

// A selection this large is planned again only once typing pauses for PauseMs.
constexpr std::size_t FilesPlannedAtOnce = 2000;
constexpr int PauseMs = 150;

QTableView* PreviewTable(QWidget* Parent, TPreviewModel* Model) {
    auto* table = new QTableView(Parent);
    table->setModel(Model);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

} // namespace

TTagToolPages::TTagToolPages(QTabWidget* Tabs, std::vector<TBatchSource> Sources)
    : QObject(Tabs), FTabs(Tabs), FFirst(Tabs->count()),
      FSources(std::make_shared<const std::vector<TBatchSource>>(std::move(Sources))) {
    const auto page = [this](const QString& Caption, int Index) {
        auto* widget = new QWidget(FTabs);
        auto* layout = new QVBoxLayout(widget);
        auto* form = new QFormLayout;
        layout->addLayout(form);
        FPreviews[std::size_t(Index)] = new TPreviewModel(this);
        tblPreview[std::size_t(Index)] = PreviewTable(widget, FPreviews[std::size_t(Index)]);
        layout->addWidget(tblPreview[std::size_t(Index)], 1);
        FTabs->addTab(widget, Caption);
        return std::pair{widget, form};
    };
    FRefresh = new QTimer(this);
    FRefresh->setSingleShot(true);
    FRefresh->setInterval(PauseMs);
    connect(FRefresh, &QTimer::timeout, this, [this] { Refresh(false); });
    const auto refresh = [this] { RefreshSoon(); };

    auto [names, namesForm] = page(QStringLiteral("Tags from File Names"), 0);
    txtNamesPattern = new QLineEdit(QStringLiteral("%track% - %title%"), names);
    txtNamesPattern->setToolTip(QStringLiteral(
        "Placeholders: %title% %artist% %album% %albumartist% %track% %disc% %year% %genre% "
        "%composer% %comment% %ignore%; \"/\" takes in the folder above."));
    chkUnderscores = new QCheckBox(QStringLiteral("Underscores as spaces"), names);
    namesForm->addRow(QStringLiteral("Pattern"), txtNamesPattern);
    namesForm->addRow(QString(), chkUnderscores);
    connect(txtNamesPattern, &QLineEdit::textChanged, this, refresh);
    connect(chkUnderscores, &QCheckBox::toggled, this, refresh);

    auto [rename, renameForm] = page(QStringLiteral("Rename Files"), 1);
    txtRenamePattern = new QLineEdit(QStringLiteral("%track% - %title%"), rename);
    txtRenamePattern->setToolTip(QStringLiteral("\"/\" makes folders below the file's folder."));
    renameForm->addRow(QStringLiteral("Pattern"), txtRenamePattern);
    connect(txtRenamePattern, &QLineEdit::textChanged, this, refresh);

    auto [numbers, numbersForm] = page(QStringLiteral("Numbering"), 2);
    spnStart = new QSpinBox(numbers);
    spnStart->setRange(0, 9999);
    spnStart->setValue(1);
    chkTotal = new QCheckBox(QStringLiteral("Set the total"), numbers);
    cmbRestart = new QComboBox(numbers);
    cmbRestart->addItems(
        {QStringLiteral("Never"), QStringLiteral("Per folder"), QStringLiteral("Per album")});
    numbersForm->addRow(QStringLiteral("Start"), spnStart);
    numbersForm->addRow(QString(), chkTotal);
    numbersForm->addRow(QStringLiteral("Start again"), cmbRestart);
    connect(spnStart, &QSpinBox::valueChanged, this, refresh);
    connect(chkTotal, &QCheckBox::toggled, this, refresh);
    connect(cmbRestart, &QComboBox::currentIndexChanged, this, refresh);

    auto [edits, editsForm] = page(QStringLiteral("Case and Replace"), 3);
    lstCaseFields = new QListWidget(edits);
    for (const auto& [caption, key] : CaseFields) {
        auto* item = new QListWidgetItem(QString::fromLatin1(caption), lstCaseFields);
        item->setData(Qt::UserRole, QString::fromLatin1(key));
        item->setCheckState(Qt::Checked);
    }
    lstCaseFields->setMaximumHeight(90);
    cmbCase = new QComboBox(edits);
    cmbCase->addItems({QStringLiteral("Leave as it is"), QStringLiteral("Title Case"),
                       QStringLiteral("Sentence case"), QStringLiteral("UPPER CASE"),
                       QStringLiteral("lower case")});
    txtFind = new QLineEdit(edits);
    txtReplace = new QLineEdit(edits);
    chkIgnoreCase = new QCheckBox(QStringLiteral("Ignore letter case"), edits);
    chkRegex = new QCheckBox(QStringLiteral("Regular expression"), edits);
    editsForm->addRow(QStringLiteral("Fields"), lstCaseFields);
    editsForm->addRow(QStringLiteral("Case"), cmbCase);
    editsForm->addRow(QStringLiteral("Find"), txtFind);
    editsForm->addRow(QStringLiteral("Replace with"), txtReplace);
    editsForm->addRow(QString(), chkIgnoreCase);
    editsForm->addRow(QString(), chkRegex);
    connect(lstCaseFields, &QListWidget::itemChanged, this, refresh);
    connect(cmbCase, &QComboBox::currentIndexChanged, this, refresh);
    for (QLineEdit* box : {txtFind, txtReplace})
        connect(box, &QLineEdit::textChanged, this, refresh);
    for (QCheckBox* box : {chkIgnoreCase, chkRegex})
        connect(box, &QCheckBox::toggled, this, refresh);

    connect(FTabs, &QTabWidget::currentChanged, this, refresh);
}

TPlanResult* TTagToolPages::Shown() {
    // Save takes the plan of the settings as they stand, never one still to come.
    if (FPlanDue) {
        FRefresh->stop();
        Refresh(true);
    }
    const int page = FTabs->currentIndex() - FFirst;
    return page >= 0 && page < Pages ? &FResults[std::size_t(page)] : nullptr;
}

std::shared_ptr<void> TTagToolPages::TakeFiles() {
    struct TTaken {
        std::shared_ptr<const std::vector<TBatchSource>> Sources;
        std::array<TPlanResult, Pages> Results;
        std::array<std::vector<TPreviewRow>, Pages> Rows;
    };
    FRefresh->stop();
    ++FSerial; // a plan under way is no longer shown
    FPlanDue = false;
    auto taken = std::make_shared<TTaken>();
    taken->Sources = std::move(FSources);
    FSources.reset();
    for (int page = 0; page < Pages; ++page) {
        taken->Results[std::size_t(page)] = std::move(FResults[std::size_t(page)]);
        FResults[std::size_t(page)] = {};
        taken->Rows[std::size_t(page)] = FPreviews[std::size_t(page)]->TakeRows();
    }
    return taken;
}

void TTagToolPages::RefreshSoon() {
    if (!FSources)
        return;
    if (FSources->size() < FilesPlannedAtOnce) {
        Refresh(true);
        return;
    }
    FPlanDue = true;
    FRefresh->start();
}

void TTagToolPages::Refresh(bool Now) {
    const int page = FTabs->currentIndex() - FFirst;
    const unsigned serial = ++FSerial;
    FPlanDue = false;
    if (page < 0 || page >= Pages || !FSources)
        return;
    TPlanner plan = PlannerOf(page);
    if (Now) {
        Take(page, plan(*FSources));
        return;
    }
    if (!FPlanner)
        FPlanner = std::make_unique<TLibraryWorker>(std::string(), true);
    FPlanDue = true;
    constexpr int PlanLane = 1;
    FInbox.Post<TPlanResult>(
        *FPlanner, PlanLane,
        [plan = std::move(plan), sources = FSources](TMyMediaDB&, const TCancelToken&) {
            return plan(*sources);
        },
        [this, page, serial](TPlanResult Result) {
            if (serial == FSerial)
                Take(page, std::move(Result));
        });
}

void TTagToolPages::Take(int Page, TPlanResult Result) {
    FPlanDue = false;
    TPlanResult& result = FResults[std::size_t(Page)];
    result = std::move(Result);
    FPreviews[std::size_t(Page)]->Show(std::move(result.Preview), result.Error);
    result.Preview.clear();
}

TTagToolPages::TPlanner TTagToolPages::PlannerOf(int Page) const {
    switch (Page) {
    case 0:
        return [options = TNameTagsOptions{trimmed(txtNamesPattern->text()),
                                           chkUnderscores->isChecked()}](
                   const std::vector<TBatchSource>& Sources) {
            return PlanTagsFromNames(Sources, options);
        };
    case 1:
        return [options = TTagsNameOptions{trimmed(txtRenamePattern->text()), {}, true}](
                   const std::vector<TBatchSource>& Sources) {
            return PlanNamesFromTags(Sources, options);
        };
    case 2:
        return [options = TNumberingOptions{spnStart->value(), chkTotal->isChecked(),
                                            static_cast<TNumberRestart>(cmbRestart->currentIndex()),
                                            0}](const std::vector<TBatchSource>& Sources) {
            return PlanNumbering(Sources, options);
        };
    default:
        break;
    }
    TReplaceOptions replace{{},
                            txtFind->text().toStdString(),
                            txtReplace->text().toStdString(),
                            chkIgnoreCase->isChecked(),
                            chkRegex->isChecked()};
    for (int row = 0; row < lstCaseFields->count(); ++row)
        if (lstCaseFields->item(row)->checkState() == Qt::Checked)
            replace.Keys.push_back(
                lstCaseFields->item(row)->data(Qt::UserRole).toString().toStdString());
    std::optional<TCaseStyle> style;
    if (cmbCase->currentIndex() > 0)
        style = static_cast<TCaseStyle>(cmbCase->currentIndex() - 1);
    return [replace = std::move(replace), style](const std::vector<TBatchSource>& Sources) {
        return PlanCaseAndReplace(Sources, replace, style);
    };
}

} // namespace orvanta
