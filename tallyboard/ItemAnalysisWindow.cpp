#include "tallyboard/ItemAnalysisWindow.h"

#include "common/FuncUnit.h"
#include "paper/uFileHandle.h"
#include "platform/RuntimeErrors.h"
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
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>
#include <sstream>

using namespace tallyboard;

namespace {

const QString Title = u"试题分析"_qs;
const QString FigureTitles[TfrmItemAnalysis::PaperFigureCount] = {
    u"人数"_qs, u"平均分"_qs,         u"中位数"_qs, u"标准差"_qs, u"偏度"_qs,
    u"峰度"_qs, u"内部一致性系数"_qs, u"误差率"_qs, u"标准误"_qs};

QString Decimal(const std::optional<double>& value, int decimals = 2) {
    return value ? QString::number(*value, 'f', decimals) : QString();
}

QString PercentOf(const std::optional<double>& value) {
    return value ? QString::number(*value, 'f', 1) + u'%' : QString();
}

// A response table's text as an export cell: counts as numbers.
platform::XlsCell ResponseCellOf(const QString& text) {
    bool number = false;
    const long long count = text.toLongLong(&number);
    if (number)
        return static_cast<double>(count);
    return text.isEmpty() ? platform::XlsCell(std::monostate()) : platform::XlsCell(Utf8(text));
}

// A bar chart of one figure per question, in percent from `lowest` to 100.
QChartView* CreateFigureChart(QBarSet* bars, const QString& title, int lowest, QWidget* parent) {
    auto* series = new QBarSeries;
    series->append(bars);
    auto* chart = new QChart;
    chart->addSeries(series);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTitle(title);
    chart->legend()->hide();
    auto* numbers = new QBarCategoryAxis;
    numbers->setTitleText(u"题号"_qs);
    chart->addAxis(numbers, Qt::AlignBottom);
    series->attachAxis(numbers);
    auto* percent = new QValueAxis;
    percent->setRange(lowest, 100);
    percent->setTickCount(lowest < 0 ? 5 : 6);
    percent->setLabelFormat(u"%d"_qs);
    chart->addAxis(percent, Qt::AlignLeft);
    series->attachAxis(percent);
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(480, 160);
    return view;
}

// The bars of the questions whose figure is defined, each under its own number: a bar set has
// no gaps, so a question without the figure leaves its category out as well.
void ShowFigureBars(QChartView* view, QBarSet* bars, const std::vector<QuestionFigures>& questions,
                    std::optional<double> QuestionFigures::*figure) {
    QStringList numbers;
    QList<qreal> values;
    for (std::size_t at = 0; at < questions.size(); ++at) {
        if (const std::optional<double>& value = questions[at].*figure) {
            numbers << QString::number(at + 1);
            values << *value;
        }
    }
    bars->remove(0, bars->count());
    bars->append(values);
    qobject_cast<QBarCategoryAxis*>(view->chart()->axes(Qt::Horizontal).value(0))
        ->setCategories(numbers);
}

} // namespace

TfrmItemAnalysis::TfrmItemAnalysis(platform::TADOConnection& connection, QWidget* parent)
    : QWidget(parent, Qt::Window), connection(connection), model(new TItemAnalysisModel(this)),
      responses(new TResponseModel(this)) {
    SetUpFigureWindow(this, Title, {1000, 700});

    cbbSitting = new QComboBox(this);
    cbbSitting->setMinimumWidth(200);
    cbbPaper = new QComboBox(this);
    cbbPaper->setMinimumWidth(320);
    lblAbandoned = new QLabel(this);
    lblAbandoned->setStyleSheet(u"color: #b03000"_qs);
    auto* top = new QHBoxLayout;
    lblSitting = new QLabel(u"场次:"_qs, this);
    top->addWidget(lblSitting);
    top->addWidget(cbbSitting);
    top->addSpacing(16);
    top->addWidget(new QLabel(u"试卷:"_qs, this));
    top->addWidget(cbbPaper);
    top->addSpacing(16);
    top->addWidget(lblAbandoned);
    top->addStretch(1);

    grdQuestions = CreateFigureTable(this);
    grdQuestions->setModel(model);
    grdQuestions->horizontalHeader()->setSectionsClickable(true);
    grdResponses = CreateFigureTable(this);
    grdResponses->setModel(responses);
    facilityBars = new QBarSet(u"得分率"_qs);
    discriminationBars = new QBarSet(u"区分度"_qs);
    chtFacility = CreateFigureChart(facilityBars, u"各题得分率(%)"_qs, 0, this);
    chtDiscrimination = CreateFigureChart(discriminationBars, u"各题区分度(%)"_qs, -100, this);
    auto* charts = new QSplitter(Qt::Vertical, this);
    charts->addWidget(chtFacility);
    charts->addWidget(chtDiscrimination);
    auto* lower = new QSplitter(Qt::Horizontal, this);
    lower->addWidget(grdResponses);
    lower->addWidget(charts);
    lower->setStretchFactor(0, 1);
    lower->setStretchFactor(1, 2);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(grdQuestions);
    splitter->addWidget(lower);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    btnExport = CreateExportButton(this);
    const CommandBar bottom = CreateCommandBar(this, {btnExport});
    btnClose = bottom.close;

    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(CreateFigurePanel());
    column->addWidget(splitter, 1);
    column->addLayout(bottom.layout);

    connect(
        cbbSitting, &QComboBox::activated, this, [this] { Refresh(unitText); },
        Qt::QueuedConnection);
    connect(cbbPaper, &QComboBox::activated, this, &TfrmItemAnalysis::AnalysePaper,
            Qt::QueuedConnection);
    connect(grdQuestions->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TfrmItemAnalysis::TitleClicked);
    connect(grdQuestions->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { ShowResponses(current.row()); });
    // The export may raise file errors: it runs in an event of its own, outside the button.
    connect(btnExport, &QPushButton::clicked, this, &TfrmItemAnalysis::ExportTables,
            Qt::QueuedConnection);
}

QWidget* TfrmItemAnalysis::CreateFigurePanel() {
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 4, 0, 4);
    for (int figure = 0; figure < PaperFigureCount; ++figure) {
        auto* title = new QLabel(FigureTitles[figure] + u':', panel);
        lblFigures[figure] = new QLabel(panel);
        lblFigures[figure]->setMinimumWidth(64);
        lblFigures[figure]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        const int row = figure / 5, at = figure % 5 * 2;
        grid->addWidget(title, row, at, Qt::AlignRight);
        grid->addWidget(lblFigures[figure], row, at + 1);
    }
    grid->setColumnStretch(10, 1);
    return panel;
}

void TfrmItemAnalysis::Refresh(const QString& unit) {
    TBusyCursor busy;
    unitText = unit;
    const QString chosen =
        cbbPaper->currentIndex() >= 0 &&
                static_cast<std::size_t>(cbbPaper->currentIndex()) < papers.size()
            ? papers[static_cast<std::size_t>(cbbPaper->currentIndex())].sha256
            : QString();
    ListSittings();
    papers = PapersWithAttempts(connection, Filter());
    cbbPaper->clear();
    int keep = 0;
    for (std::size_t at = 0; at < papers.size(); ++at) {
        const PaperChoice& paper = papers[at];
        const QString title = paper.title.isEmpty() ? u"(未存档的试卷)"_qs : paper.title;
        cbbPaper->addItem(u"%1 (%2份)"_qs.arg(title).arg(paper.attempts));
        if (paper.sha256 == chosen)
            keep = static_cast<int>(at);
    }
    if (papers.empty()) {
        ClearAnalysis();
        lblAbandoned->setText(u"所选单位没有答卷记录。"_qs);
        return;
    }
    cbbPaper->setCurrentIndex(keep);
    AnalysePaper(keep);
}

// The box offers 全部场次 and every sitting, the latest first, keeping the one chosen before;
// it stays hidden where the database has no sittings.
void TfrmItemAnalysis::ListSittings() {
    const std::vector<records::StoredSitting> sittings = SittingsToFilterBy(connection);
    lblSitting->setVisible(!sittings.empty());
    cbbSitting->setVisible(!sittings.empty());
    const QVariant chosen = cbbSitting->currentData();
    cbbSitting->clear();
    cbbSitting->addItem(u"全部场次"_qs);
    for (auto stored = sittings.rbegin(); stored != sittings.rend(); ++stored)
        cbbSitting->addItem(QString::number(stored->sitting.id) + u' ' +
                                Utf8Text(stored->sitting.title),
                            stored->sitting.id);
    cbbSitting->setCurrentIndex(std::max(0, cbbSitting->findData(chosen)));
}

AttemptFilter TfrmItemAnalysis::Filter() const {
    AttemptFilter filter{unitText, {}};
    if (cbbSitting->currentData().isValid())
        filter.sittingId = cbbSitting->currentData().toLongLong();
    return filter;
}

void TfrmItemAnalysis::ClearAnalysis() {
    model->SetAnalysis({}, {}, {});
    responses->SetQuestion(nullptr, nullptr, nullptr, 0);
    for (QLabel* label : lblFigures)
        label->clear();
    ShowCharts();
}

void TfrmItemAnalysis::AnalysePaper(int choice) {
    if (choice < 0 || static_cast<std::size_t>(choice) >= papers.size())
        return;
    TBusyCursor busy;
    const PaperChoice& chosen = papers[static_cast<std::size_t>(choice)];
    lblAbandoned->setText(chosen.abandoned > 0
                              ? u"另有 %1 份放弃的答卷未计入。"_qs.arg(chosen.abandoned)
                              : QString());
    const std::optional<StoredPaper> stored = ReadPaper(connection, chosen.sha256);
    if (!stored) {
        ClearAnalysis();
        throw platform::Exception("数据库中没有这份试卷的文件，无法分析。");
    }
    if (!stored->bytes) {
        ClearAnalysis();
        lblAbandoned->setText(MismatchedPaperText(stored->title));
        return;
    }
    TQFileHandle paper;
    std::istringstream stream(stored->bytes->toStdString());
    paper.LoadFromStream(stream);
    std::vector<ItemQuestion> questions = ItemQuestionsOf(paper);
    const ItemSample sample = ReadItemSample(connection, chosen.sha256, Filter(), questions.size());
    ItemAnalysis analysis = AnalyseItems(questions, sample);
    sortedDescending = false;
    model->SetAnalysis(ItemTextsOf(paper), std::move(questions), std::move(analysis));
    QHeaderView* titles = grdQuestions->horizontalHeader();
    for (int column = 0; column < model->columnCount(); ++column)
        titles->setSectionResizeMode(column, column == TItemAnalysisModel::Stem
                                                 ? QHeaderView::Stretch
                                                 : QHeaderView::ResizeToContents);
    ShowPaperFigures();
    ShowCharts();
    if (model->rowCount() > 0)
        grdQuestions->selectRow(0);
    ShowResponses(model->rowCount() > 0 ? 0 : -1);
}

void TfrmItemAnalysis::ShowPaperFigures() {
    const PaperFigures& figures = model->Analysis().paper;
    const QString texts[PaperFigureCount] = {
        QString::number(figures.attempts), Decimal(figures.average),
        Decimal(figures.median),           Decimal(figures.standardDeviation),
        Decimal(figures.skewness, 4),      Decimal(figures.kurtosis, 4),
        PercentOf(figures.consistency),    PercentOf(figures.errorRatio),
        Decimal(figures.standardError)};
    for (int figure = 0; figure < PaperFigureCount; ++figure)
        lblFigures[figure]->setText(texts[figure]);
}

void TfrmItemAnalysis::ShowCharts() {
    const std::vector<QuestionFigures>& questions = model->Analysis().questions;
    ShowFigureBars(chtFacility, facilityBars, questions, &QuestionFigures::facility);
    ShowFigureBars(chtDiscrimination, discriminationBars, questions,
                   &QuestionFigures::discrimination);
}

void TfrmItemAnalysis::ShowResponses(int row) {
    if (row < 0 || row >= model->rowCount()) {
        responses->SetQuestion(nullptr, nullptr, nullptr, 0);
        return;
    }
    const std::size_t question = model->QuestionAt(row);
    responses->SetQuestion(&model->Texts()[question], &model->Questions()[question],
                           &model->Analysis().responses[question],
                           model->Analysis().paper.attempts);
    QHeaderView* titles = grdResponses->horizontalHeader();
    for (int column = 0; column < responses->columnCount(); ++column)
        titles->setSectionResizeMode(column, column == 1 ? QHeaderView::Stretch
                                                         : QHeaderView::ResizeToContents);
}

void TfrmItemAnalysis::TitleClicked(int column) {
    sortedDescending = !sortedDescending;
    model->SortBy(column, sortedDescending);
}

void TfrmItemAnalysis::ExportTables() {
    if (model->rowCount() == 0) {
        ShowNothingToExport();
        return;
    }
    const QString file = AskExcelFile(this, Title, Today());
    if (file.isEmpty() || !MayReplaceExportFile(this, file))
        return;
    platform::XlsRow titles;
    platform::XlsOptions options;
    for (int column = 0; column < model->columnCount(); ++column) {
        titles.emplace_back(Utf8(model->headerData(column, Qt::Horizontal).toString()));
        options.columnWidths.push_back(grdQuestions->columnWidth(column));
    }
    std::vector<platform::XlsRow> rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        platform::XlsRow& cells = rows.emplace_back();
        for (int column = 0; column < model->columnCount(); ++column)
            cells.push_back(XlsCellOf(model->ExportValue(row, column)));
    }
    // Below the questions, the responses of each question in paper order, under a title row
    // of their own that starts with the question's number.
    TResponseModel answered;
    for (std::size_t question = 0; question < model->Texts().size(); ++question) {
        answered.SetQuestion(&model->Texts()[question], &model->Questions()[question],
                             &model->Analysis().responses[question],
                             model->Analysis().paper.attempts);
        rows.emplace_back();
        platform::XlsRow& header = rows.emplace_back();
        header.emplace_back(Utf8(u"第%1题"_qs.arg(question + 1)));
        for (int column = 0; column < answered.columnCount(); ++column)
            header.emplace_back(Utf8(answered.headerData(column, Qt::Horizontal).toString()));
        for (int row = 0; row < answered.rowCount(); ++row) {
            platform::XlsRow& cells = rows.emplace_back();
            cells.emplace_back(static_cast<double>(question + 1));
            for (int column = 0; column < answered.columnCount(); ++column)
                cells.push_back(ResponseCellOf(answered.index(row, column).data().toString()));
        }
    }
    platform::WriteXlsFile(
        PathOf(file), titles, rows.size(),
        [&rows](std::size_t row, platform::XlsRow& cells) { cells = rows[row]; }, options);
    ShowExportDone();
}
