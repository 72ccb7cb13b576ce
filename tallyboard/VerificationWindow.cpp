#include "tallyboard/VerificationWindow.h"

#include "records/db/VerificationInput.h"
#include "tallyboard/BrowseWidgets.h"
#include "tallyboard/ConstUnit.h"
#include "ui/Fonts.h"
#include "ui/MessageBox.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QList<QStandardItem*> RowOf(const records::Fault& fault) {
    QList<QStandardItem*> row;
    for (const std::string& text : {std::string(records::FaultKindName(fault.kind)), fault.town,
                                    fault.fac, fault.name, fault.stime, fault.score, fault.detail})
        row << new QStandardItem(QString::fromStdString(text));
    for (QStandardItem* item : row)
        item->setEditable(false);
    return row;
}

} // namespace

TfrmVerification::TfrmVerification(platform::TADOConnection& connection, QWidget* parent)
    : QWidget(parent, Qt::Window), connection(connection), model(new QStandardItemModel(this)) {
    SetUpFigureWindow(this, u"复核"_qs, {900, 520});

    lblSummary = new QLabel(this);
    lblSummary->setWordWrap(true);
    grdFaults = new QTableView(this);
    grdFaults->setModel(model);
    grdFaults->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdFaults->setSelectionMode(QAbstractItemView::SingleSelection);
    grdFaults->verticalHeader()->setVisible(false);
    grdFaults->horizontalHeader()->setStretchLastSection(true);
    btnRefresh = new TStyledButton(u"重新复核(&R)"_qs, this);
    const CommandBar bottom = CreateCommandBar(this, {btnRefresh});
    btnClose = bottom.close;
    auto* column = new QVBoxLayout(this);
    column->addWidget(lblSummary);
    column->addWidget(grdFaults, 1);
    column->addLayout(bottom.layout);

    // Reading the database and opening a review may fail: each runs in an event of its own.
    connect(btnRefresh, &QPushButton::clicked, this, &TfrmVerification::Refresh,
            Qt::QueuedConnection);
    connect(
        grdFaults, &QAbstractItemView::doubleClicked, this,
        [this](const QModelIndex& index) { OpenAttemptOfRow(index.row()); }, Qt::QueuedConnection);
}

void TfrmVerification::Refresh() {
    TBusyCursor busy;
    report = records::Verify(records::ReadVerificationInput(connection));
    ShowReport();
}

void TfrmVerification::ShowReport() {
    model->clear();
    model->setHorizontalHeaderLabels(
        {u"类别"_qs, u"乡镇"_qs, u"单位"_qs, u"姓名"_qs, u"时间"_qs, u"成绩"_qs, u"说明"_qs});
    for (const records::Fault& fault : report.faults)
        model->appendRow(RowOf(fault));
    grdFaults->resizeColumnsToContents();
    lblSummary->setText(QString::fromStdString(records::SummaryText(report)));
}

void TfrmVerification::OpenAttemptOfRow(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= report.faults.size())
        return;
    const records::Fault& fault = report.faults[static_cast<std::size_t>(row)];
    if (fault.token.empty()) {
        ui::MessageBox(this, u"这一条没有答卷记录"_qs, tallyboard::NoticeCaption,
                       ui::MB_OK | ui::MB_ICONINFORMATION);
        return;
    }
    emit attemptRequested({QString::fromStdString(fault.town), QString::fromStdString(fault.fac),
                           QString::fromStdString(fault.name), QString::fromStdString(fault.score),
                           QString::fromStdString(fault.stime)});
}
