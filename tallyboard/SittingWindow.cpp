#include "tallyboard/SittingWindow.h"

#include "common/FuncUnit.h"
#include "platform/DatabaseConnection.h"
#include "records/db/SittingStore.h"
#include "tallyboard/BrowseWidgets.h"
#include "tallyboard/NewSittingDialog.h"
#include "ui/ErrorBox.h"
#include "ui/Fonts.h"
#include "ui/MessageBox.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

using namespace tallyboard;

namespace {

const QString Title = u"考试场次"_qs;
constexpr qsizetype MaxNamedBars = 12;

QTableView* ListTable(TTextTableModel* model, QWidget* parent) {
    QTableView* table = CreateFigureTable(parent);
    table->setModel(model);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

// The pass rate of the unit as a number of percent; none where the rate is undefined.
std::optional<double> PassRatePercent(const records::UnitFigures& figures) {
    if (figures.sat == 0 || !figures.passed)
        return std::nullopt;
    return 100.0 * *figures.passed / figures.sat;
}

} // namespace

TfrmSittings::TfrmSittings(platform::TADOConnection& connection, QWidget* parent)
    : QWidget(parent, Qt::Window), connection(connection), sittingsModel(new TTextTableModel(this)),
      figuresModel(new TTextTableModel(this)), absenteesModel(new TTextTableModel(this)),
      outsidersModel(new TTextTableModel(this)), inProgressModel(new TTextTableModel(this)),
      tmrRefresh(new QTimer(this)) {
    SetUpFigureWindow(this, Title, {960, 720});
    CreateLayout();
    tmrRefresh->setInterval(RefreshMilliseconds);
    connect(tmrRefresh, &QTimer::timeout, this, &TfrmSittings::RefreshChosen);
    connect(grdSittings->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { ChooseSitting(current.row()); });
    // Dialogs and exports run in events of their own, outside the button's click.
    connect(btnNew, &QPushButton::clicked, this, &TfrmSittings::NewSitting, Qt::QueuedConnection);
    connect(btnCloseSitting, &QPushButton::clicked, this, &TfrmSittings::CloseChosen,
            Qt::QueuedConnection);
    connect(btnRefresh, &QPushButton::clicked, this, &TfrmSittings::Refresh);
    connect(btnExport, &QPushButton::clicked, this, &TfrmSittings::ExportPage,
            Qt::QueuedConnection);
}

void TfrmSittings::CreateLayout() {
    grdSittings = ListTable(sittingsModel, this);
    grdFigures = ListTable(figuresModel, this);
    grdAbsentees = ListTable(absenteesModel, this);
    grdOutsiders = ListTable(outsidersModel, this);
    grdInProgress = ListTable(inProgressModel, this);
    chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide();
    chtPassRates = new QChartView(chart, this);
    chtPassRates->setRenderHint(QPainter::Antialiasing);
    chtPassRates->setMinimumHeight(200);
    auto* figures = new QSplitter(Qt::Vertical, this);
    figures->addWidget(grdFigures);
    figures->addWidget(chtPassRates);
    tabPages = new QTabWidget(this);
    tabPages->addTab(figures, u"各单位"_qs);
    tabPages->addTab(grdAbsentees, u"缺考"_qs);
    tabPages->addTab(grdOutsiders, u"名单外"_qs);
    tabPages->addTab(grdInProgress, u"进行中"_qs);

    btnNew = new TStyledButton(u"新建场次(&N)"_qs, this);
    btnCloseSitting = new TStyledButton(u"结束场次(&E)"_qs, this);
    btnRefresh = new TStyledButton(u"刷新(&R)"_qs, this);
    btnExport = CreateExportButton(this);
    const CommandBar bottom = CreateCommandBar(this, {btnExport});
    btnClose = bottom.close;
    auto* top = new QHBoxLayout;
    for (QPushButton* button : {btnNew, btnCloseSitting, btnRefresh}) {
        button->setMinimumSize(96, 24);
        top->addWidget(button);
    }
    top->addStretch(1);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(grdSittings);
    splitter->addWidget(tabPages);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 3);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(splitter, 1);
    column->addLayout(bottom.layout);
}

template <class Work> bool TfrmSittings::Guarded(Work work) {
    try {
        work();
        return true;
    } catch (const std::exception& error) {
        ui::ShowException(error);
        return false;
    }
}

std::optional<long long> TfrmSittings::ChosenSitting() const {
    if (chosen < 0 || chosen >= static_cast<int>(sittings.size()))
        return std::nullopt;
    return sittings[static_cast<size_t>(chosen)].sitting.id;
}

void TfrmSittings::Refresh() {
    const std::optional<long long> keep = ChosenSitting();
    TBusyCursor busy;
    Guarded([&] {
        now = records::DatabaseNow(connection.Database());
        sittings = records::ReadSittings(connection.Database());
    });
    sittingsModel->SetTable(records::SittingTable(sittings, now));
    int row = static_cast<int>(sittings.size()) - 1;
    for (size_t i = 0; i < sittings.size(); ++i)
        if (keep && sittings[i].sitting.id == *keep)
            row = static_cast<int>(i);
    chosen = -1;
    if (row >= 0)
        grdSittings->selectRow(row);
    ChooseSitting(row);
}

void TfrmSittings::ChooseSitting(int row) {
    if (row == chosen)
        return;
    chosen = row;
    RefreshChosen();
}

void TfrmSittings::RefreshChosen() {
    records::SittingReport report;
    const bool known = ChosenSitting() && Guarded([&] {
                           now = records::DatabaseNow(connection.Database());
                           report = records::ReadSittingReport(
                               connection.Database(), sittings[static_cast<size_t>(chosen)]);
                       });
    const std::optional<records::SittingStatus> status =
        known ? std::optional(records::StatusAt(sittings[static_cast<size_t>(chosen)].sitting, now))
              : std::nullopt;
    if (status != records::SittingStatus::Open)
        tmrRefresh->stop();
    else if (!tmrRefresh->isActive())
        tmrRefresh->start();
    btnCloseSitting->setEnabled(status && *status != records::SittingStatus::Closed);
    ShowReport(report);
}

void TfrmSittings::ShowReport(const records::SittingReport& report) {
    const bool any = ChosenSitting().has_value();
    figuresModel->SetTable(any ? records::ReportTable(report) : records::TextTable{});
    absenteesModel->SetTable(records::AbsenteeTable(report));
    outsidersModel->SetTable(records::OutsiderTable(report));
    inProgressModel->SetTable(records::InProgressTable(report));
    tabPages->setTabText(1, u"缺考 (%1)"_qs.arg(report.absentees.size()));
    tabPages->setTabText(2, u"名单外 (%1)"_qs.arg(report.outsiders.size()));
    tabPages->setTabText(3, u"进行中 (%1)"_qs.arg(report.inProgress.size()));
    ShowPassRates(report);
}

// Units whose rate is undefined (nobody sat it, or no pass mark) get no bar, rather than one
// of height 0 that would read as nobody passing.
void TfrmSittings::ShowPassRates(const records::SittingReport& report) {
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes())
        chart->removeAxis(axis);
    bars = new QBarSet(u"及格率"_qs);
    QStringList units;
    for (const records::UnitFigures& unit : report.units) {
        if (const std::optional<double> rate = PassRatePercent(unit)) {
            *bars << *rate;
            units << Utf8Text(unit.fac);
        }
    }
    auto* series = new QBarSeries;
    series->append(bars);
    chart->addSeries(series);
    auto* categories = new QBarCategoryAxis;
    categories->append(units);
    // Past a dozen units the names no longer fit under their bars: a bar then names its unit
    // when the mouse points at it.
    categories->setLabelsVisible(units.size() <= MaxNamedBars);
    chart->addAxis(categories, Qt::AlignBottom);
    series->attachAxis(categories);
    connect(series, &QBarSeries::hovered, this, [units](bool over, int index, QBarSet* set) {
        if (over)
            QToolTip::showText(
                QCursor::pos(),
                u"%1  %2%"_qs.arg(units.value(index)).arg(set->at(index), 0, 'f', 1));
        else
            QToolTip::hideText();
    });
    auto* percent = new QValueAxis;
    percent->setRange(0, 100);
    percent->setLabelFormat(u"%d%%"_qs);
    chart->addAxis(percent, Qt::AlignLeft);
    series->attachAxis(percent);
    chart->setTitle(units.isEmpty() ? u"及格率: 还没有可计算的单位"_qs : u"各单位及格率"_qs);
}

bool TfrmSittings::Publish(const records::NewSitting& sitting) {
    QStringList faults;
    for (const std::string& fault : records::SittingFaults(sitting))
        faults << Utf8Text(fault);
    if (!faults.isEmpty()) {
        ui::ShowErrorMessage(u"无法发布场次：\n"_qs + faults.join(u'\n'));
        return false;
    }
    long long id = 0;
    if (!Guarded([&] { id = records::AddSitting(connection.Database(), sitting); }))
        return false;
    Refresh();
    for (size_t i = 0; i < sittings.size(); ++i)
        if (sittings[i].sitting.id == id)
            grdSittings->selectRow(static_cast<int>(i));
    return true;
}

void TfrmSittings::NewSitting() {
    std::vector<records::SittingUnit> units;
    if (!Guarded([&] { units = records::ReadUnits(connection.Database()); }))
        return;
    auto* dialog = new TdlgNewSitting(units, QDateTime::currentDateTime(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { Publish(dialog->Request()); });
    dialog->open();
}

void TfrmSittings::CloseChosen() {
    if (!ChosenSitting())
        return;
    const records::Sitting& sitting = sittings[static_cast<size_t>(chosen)].sitting;
    if (ui::MessageBox(this,
                       u"确定要立即结束场次“%1”吗？结束后考生不能再开始这一场考试。"_qs.arg(
                           Utf8Text(sitting.title)),
                       Title, ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
        return;
    const long long id = sitting.id;
    if (Guarded([&] {
            records::CloseSitting(connection.Database(), id,
                                  records::DatabaseNow(connection.Database()));
        }))
        Refresh();
}

void TfrmSittings::ExportPage() {
    const TTextTableModel* pages[] = {figuresModel, absenteesModel, outsidersModel,
                                      inProgressModel};
    const int page = tabPages->currentIndex();
    const QString name = tabPages->tabText(page).section(u' ', 0, 0);
    ExportTextTable(this, Title + name, *pages[page], Today());
}
