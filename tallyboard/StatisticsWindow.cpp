#include "tallyboard/StatisticsWindow.h"

#include "platform/AtomicFile.h"
#include "platform/DatabaseQuery.h"
#include "platform/XlsWriter.h"
#include "tallyboard/BrowseWidgets.h"
#include "tallyboard/ExportFlow.h"
#include "ui/Fonts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>

using namespace tallyboard;

namespace {

const QString Title = u"成绩统计"_qs;
const QString PassMarkKey = u"statistics/passMark"_qs;
constexpr int DefaultPassMark = 60;

QSettings UserSettings() {
    return QSettings(u"ExamSuite"_qs, u"tallyboard"_qs);
}

QStringList BandNames() {
    QStringList names;
    for (std::size_t band = 0; band + 1 < ScoreBandCount; ++band)
        names << QString::number(band * 10) + u'-' + QString::number(band * 10 + 9);
    names << u"≥100"_qs;
    return names;
}

} // namespace

int RememberedPassMark() {
    return UserSettings().value(PassMarkKey, DefaultPassMark).toInt();
}

TfrmStatistics::TfrmStatistics(platform::TADOQuery& query, QWidget* parent)
    : QWidget(parent, Qt::Window), query(query), model(new TStatisticsModel(this)) {
    SetUpFigureWindow(this, Title, {820, 600});

    cbbGrouping = new QComboBox(this);
    cbbGrouping->addItems({u"乡镇"_qs, u"单位"_qs, u"乡镇+单位"_qs});
    cbbGrouping->setCurrentIndex(static_cast<int>(TScoreGrouping::Unit));
    spnPassMark = new QSpinBox(this);
    spnPassMark->setRange(0, 1000);
    spnPassMark->setValue(RememberedPassMark());
    spnPassMark->setFixedWidth(72);
    lblUnscored = new QLabel(this);
    lblUnscored->setStyleSheet(u"color: #b03000"_qs);
    lblUnscored->hide();
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(u"分组:"_qs, this));
    top->addWidget(cbbGrouping);
    top->addSpacing(16);
    top->addWidget(new QLabel(u"及格分数线:"_qs, this));
    top->addWidget(spnPassMark);
    top->addSpacing(16);
    top->addWidget(lblUnscored);
    top->addStretch(1);

    grdFigures = CreateFigureTable(this);
    grdFigures->setModel(model);
    grdFigures->horizontalHeader()->setSectionsClickable(true);
    CreateChart();
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(grdFigures);
    splitter->addWidget(chtHistogram);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    btnExportTable = CreateExportButton(this);
    btnExportChart = new TStyledButton(u"导出图表(&P)"_qs, this);
    btnExportChart->setIcon(Il16Icon(2));
    const CommandBar bottom = CreateCommandBar(this, {btnExportTable, btnExportChart});
    btnClose = bottom.close;

    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(splitter, 1);
    column->addLayout(bottom.layout);

    connect(cbbGrouping, &QComboBox::currentIndexChanged, this, &TfrmStatistics::Refresh,
            Qt::QueuedConnection);
    connect(spnPassMark, &QSpinBox::valueChanged, this, &TfrmStatistics::PassMarkChanged);
    connect(grdFigures->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TfrmStatistics::TitleClicked);
    connect(grdFigures->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { ShowHistogram(SelectedRow()); });
    // The exports may raise file errors: they run in events of their own, outside the button.
    connect(btnExportTable, &QPushButton::clicked, this, &TfrmStatistics::ExportTable,
            Qt::QueuedConnection);
    connect(btnExportChart, &QPushButton::clicked, this, &TfrmStatistics::ExportChart,
            Qt::QueuedConnection);
    connect(&query, &platform::TADOQuery::rowsReset, this, [this] {
        if (isVisible() && this->query.Active())
            Refresh();
    });
}

void TfrmStatistics::CreateChart() {
    bars = new QBarSet(u"人数"_qs);
    for (std::size_t band = 0; band < ScoreBandCount; ++band)
        *bars << 0;
    auto* series = new QBarSeries;
    series->append(bars);
    series->setBarWidth(0.85);
    chart = new QChart;
    chart->addSeries(series);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide();
    auto* bands = new QBarCategoryAxis;
    bands->append(BandNames());
    bands->setTitleText(u"分数段"_qs);
    chart->addAxis(bands, Qt::AlignBottom);
    series->attachAxis(bands);
    countAxis = new QValueAxis;
    countAxis->setLabelFormat(u"%d"_qs);
    countAxis->setTitleText(u"人数"_qs);
    chart->addAxis(countAxis, Qt::AlignLeft);
    series->attachAxis(countAxis);
    chtHistogram = new QChartView(chart, this);
    chtHistogram->setRenderHint(QPainter::Antialiasing);
    chtHistogram->setMinimumHeight(200);
}

void TfrmStatistics::Refresh() {
    TBusyCursor busy;
    grouped = GroupScores(query, static_cast<TScoreGrouping>(cbbGrouping->currentIndex()));
    sortedDescending = false;
    model->SetStatistics(grouped, TallyScores(grouped.sample, spnPassMark->value()));
    const long long unscored = model->Statistics().total.unscored;
    lblUnscored->setText(u"有 %1 条成绩不是数字，已计入人数，未计入其他各项。"_qs.arg(unscored));
    lblUnscored->setVisible(unscored > 0);
    QHeaderView* titles = grdFigures->horizontalHeader();
    for (int column = 0; column < model->columnCount(); ++column)
        titles->setSectionResizeMode(column, column < model->NameColumns()
                                                 ? QHeaderView::ResizeToContents
                                                 : QHeaderView::Stretch);
    ShowHistogram(SelectedRow());
}

// Only the passes change: the groups keep their order and the selection its group.
void TfrmStatistics::PassMarkChanged(int mark) {
    UserSettings().setValue(PassMarkKey, mark);
    model->UpdateFigures(TallyScores(grouped.sample, mark));
}

void TfrmStatistics::TitleClicked(int column) {
    sortedDescending = !sortedDescending;
    model->SortBy(column, sortedDescending);
}

int TfrmStatistics::SelectedRow() const {
    const QModelIndexList rows = grdFigures->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TfrmStatistics::ShowHistogram(int row) {
    const int shown = row < 0 ? model->rowCount() - 1 : row;
    const ScoreBands& bands = model->FiguresAt(shown).bands;
    long long highest = 0;
    for (std::size_t band = 0; band < ScoreBandCount; ++band) {
        bars->replace(static_cast<int>(band), static_cast<qreal>(bands[band]));
        highest = std::max(highest, bands[band]);
    }
    countAxis->setRange(0, static_cast<qreal>(std::max(highest, 1LL)));
    countAxis->applyNiceNumbers();
    countAxis->setLabelFormat(u"%d"_qs);
    chart->setTitle(u"成绩分布: "_qs +
                    (model->IsTotalRow(shown) ? u"全部"_qs : model->GroupNameAt(shown)));
}

void TfrmStatistics::ExportTable() {
    const QString file = AskExcelFile(this, Title, Today());
    if (file.isEmpty() || !MayReplaceExportFile(this, file))
        return;
    platform::XlsRow titles;
    platform::XlsOptions options;
    for (int column = 0; column < model->columnCount(); ++column) {
        titles.emplace_back(Utf8(model->headerData(column, Qt::Horizontal).toString()));
        options.columnWidths.push_back(grdFigures->columnWidth(column));
    }
    const auto rows = static_cast<std::size_t>(model->rowCount());
    platform::WriteXlsFile(
        PathOf(file), titles, rows,
        [this](std::size_t row, platform::XlsRow& cells) {
            cells.clear();
            for (int column = 0; column < model->columnCount(); ++column)
                cells.push_back(XlsCellOf(model->ExportValue(static_cast<int>(row), column)));
        },
        options);
    ShowExportDone();
}

void TfrmStatistics::ExportChart() {
    const QString file = AskPictureFile(this, Title, Today());
    if (file.isEmpty() || !MayReplaceExportFile(this, file))
        return;
    const QByteArray png = PngBytes(chtHistogram->grab());
    platform::ReplaceFileAtomically(PathOf(file), std::string_view(png.constData(), png.size()));
    ShowExportDone();
}
