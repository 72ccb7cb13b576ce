#include "tallyboard/Unit4.h"

#include "common/FuncUnit.h"
#include "platform/DatabaseQuery.h"
#include "platform/RuntimeErrors.h"
#include "tallyboard/AttemptReview.h"
#include "tallyboard/ItemAnalysisWindow.h"
#include "tallyboard/SittingWindow.h"
#include "tallyboard/StatisticsWindow.h"
#include "tallyboard/VerificationWindow.h"
#include "ui/DataGrid.h"
#include "ui/ErrorBox.h"
#include "ui/Fonts.h"
#include "ui/MessageBox.h"
#include "ui/Picture.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

namespace {

// A score row's town, unit, name, score and recording time stand at positions 1 to 5.
constexpr int ScoreRowLastField = 5;

} // namespace

TfrmBasicMid1::TfrmBasicMid1(const QString& programDirectory, QWidget* parent)
    : TfrmBasicMid(programDirectory, ComponentsOnly{}, parent) {
    setWindowTitle(u"考试成绩查看"_qs);
    imgTitleLeft->setPicture(ui::LoadPicture(u":/tallyboard/pictures/title-left.jpg"_qs));

    // 统计 right of 导出, placed in the bar's design height like the buttons it joins; made
    // before the toolbar's fields, whose tab order a new control would come between.
    actStatistics = new QAction(Il16Icon(2), u"成绩统计"_qs, ActionList1);
    btnStatistics = CreateButton(pnlBottom, u"统计(&T)"_qs, 2, actStatistics);
    btnStatistics->setObjectName(u"btnStatistics"_qs);
    btnStatistics->setGeometry(87, btnExport->y(), btnExport->width(), btnExport->height());
    KeepAtBottomLeft(btnStatistics);
    mniStatistics = CreateMenuItem(actStatistics);
    actItemAnalysis = new QAction(Il16Icon(2), u"试题分析"_qs, ActionList1);
    btnItemAnalysis = CreateButton(pnlBottom, u"试题分析(&Q)"_qs, 2, actItemAnalysis);
    btnItemAnalysis->setObjectName(u"btnItemAnalysis"_qs);
    // Its four-character caption needs a wider button than the others.
    btnItemAnalysis->setGeometry(btnStatistics->geometry().right() + 4, btnExport->y(),
                                 btnExport->width() + 16, btnExport->height());
    KeepAtBottomLeft(btnItemAnalysis);
    mniItemAnalysis = CreateMenuItem(actItemAnalysis);
    actSittings = new QAction(Il16Icon(2), u"考试场次"_qs, ActionList1);
    btnSittings = CreateButton(pnlBottom, u"场次(&H)"_qs, 2, actSittings);
    btnSittings->setObjectName(u"btnSittings"_qs);
    btnSittings->setGeometry(btnItemAnalysis->geometry().right() + 4, btnExport->y(),
                             btnExport->width(), btnExport->height());
    KeepAtBottomLeft(btnSittings);
    mniSittings = CreateMenuItem(actSittings);
    actVerify = new QAction(Il16Icon(5), u"复核"_qs, ActionList1);
    btnVerify = CreateButton(pnlBottom, u"复核(&V)"_qs, 5, actVerify);
    btnVerify->setObjectName(u"btnVerify"_qs);
    btnVerify->setGeometry(btnSittings->geometry().right() + 4, btnExport->y(), btnExport->width(),
                           btnExport->height());
    KeepAtBottomLeft(btnVerify);
    btnVerify->hide();
    actReview = new QAction(Il16Icon(5), u"查看答卷"_qs, ActionList1);
    mniReview = CreateMenuItem(actReview);

    lbl1 = new QLabel(u"单位名称"_qs, pnlToolbar);
    lbl1->setGeometry(16, 10, 48, 12);
    edt1 = new QLineEdit(pnlToolbar);
    edt1->setGeometry(69, 5, 121, 20);
    btnSearch->move(197, btnSearch->y());
    setTabOrder(edt1, btnSearch);

    pnlBottom->setFixedHeight(35);
    btnExport->move(3, 6);
    btnStatistics->move(87, 6);
    btnItemAnalysis->move(171, 6);
    btnSittings->move(btnItemAnalysis->geometry().right() + 4, 6);
    btnVerify->move(btnSittings->geometry().right() + 4, 6);
    for (QWidget* hidden : {static_cast<QWidget*>(btnAdd), static_cast<QWidget*>(btnEdit),
                            static_cast<QWidget*>(btnDel)})
        hidden->hide();
    for (QAction* hidden : {mniAdd, mniEdit, mniDel})
        hidden->setVisible(false);
    dbgrdData->setRowNumbersVisible(true);

    ADOQuery1->SetConnection(&con1);
    connect(actSearch, &QAction::triggered, this, &TfrmBasicMid1::actSearchExecute,
            Qt::QueuedConnection);
    connect(actExport, &QAction::triggered, this, &TfrmBasicMid1::actExportExecute,
            Qt::QueuedConnection);
    connect(actStatistics, &QAction::triggered, this, &TfrmBasicMid1::actStatisticsExecute,
            Qt::QueuedConnection);
    connect(actItemAnalysis, &QAction::triggered, this, &TfrmBasicMid1::actItemAnalysisExecute,
            Qt::QueuedConnection);
    connect(actVerify, &QAction::triggered, this, &TfrmBasicMid1::actVerifyExecute,
            Qt::QueuedConnection);
    connect(actSittings, &QAction::triggered, this, &TfrmBasicMid1::actSittingsExecute,
            Qt::QueuedConnection);
    connect(
        actReview, &QAction::triggered, this, [this] { ShowAttemptOfRow(dbgrdData->currentRow()); },
        Qt::QueuedConnection);
    connect(
        dbgrdData->view(), &QAbstractItemView::doubleClicked, this,
        [this](const QModelIndex& index) { ShowAttemptOfRow(index.row()); }, Qt::QueuedConnection);
    FormCreate();
}

// The query outlives this part of the window: it must not keep the connection.
TfrmBasicMid1::~TfrmBasicMid1() {
    ADOQuery1->Close();
    ADOQuery1->SetConnection(nullptr);
}

void TfrmBasicMid1::FormCreate() {
    SetConnectionFromConfig(con1, DBConfigSection, ProgramDirectory());
    TfrmBasicMid::FormCreate();
    // A missing or malformed column file is reported, and the window opens all the same, with
    // the columns read before the failure and without the write-back of column changes.
    try {
        SetGridTitelID(u"score"_qs);
    } catch (const std::exception& error) {
        ui::ShowException(error);
        return;
    }
    SetAdjustWidth(true);
}

QString TfrmBasicMid1::SearchSql(const QString& unitText) {
    QString sql = u"select * from score where 1=1 "_qs;
    const QString unit = TrimText(unitText);
    if (!unit.isEmpty())
        sql += u" and Fac like "_qs + SqlLikeQuote(unit);
    sql += u" order by STime"_qs;
    return sql;
}

void TfrmBasicMid1::actSearchExecute() {
    TBusyCursor busy;
    searchedUnit = edt1->text();
    OpenQuery(*ADOQuery1, SearchSql(searchedUnit), true);
    ShowVerifyWhereAttemptsKept();
    if (frmItemAnalysis && frmItemAnalysis->isVisible() && ADOQuery1->Active())
        frmItemAnalysis->Refresh(searchedUnit);
}

void TfrmBasicMid1::actExportExecute() {
    ExportToExcel(u"考试成绩导出"_qs);
}

bool TfrmBasicMid1::AskForSearchFirst() {
    if (ADOQuery1->Active())
        return false;
    ui::MessageBox(this, u"请先查询成绩，再做统计。"_qs, tallyboard::NoticeCaption,
                   ui::MB_OK | ui::MB_ICONINFORMATION);
    return true;
}

void TfrmBasicMid1::actStatisticsExecute() {
    if (AskForSearchFirst())
        return;
    if (!frmStatistics)
        frmStatistics = new TfrmStatistics(*ADOQuery1, this);
    frmStatistics->Refresh();
    frmStatistics->show();
    frmStatistics->raise();
    frmStatistics->activateWindow();
}

void TfrmBasicMid1::actItemAnalysisExecute() {
    if (AskForSearchFirst())
        return;
    if (!frmItemAnalysis)
        frmItemAnalysis = new TfrmItemAnalysis(con1, this);
    frmItemAnalysis->show();
    frmItemAnalysis->raise();
    frmItemAnalysis->activateWindow();
    frmItemAnalysis->Refresh(searchedUnit);
}

// Nothing connects before the first search; a search that cannot reach the database leaves the
// button as it was.
void TfrmBasicMid1::ShowVerifyWhereAttemptsKept() {
    if (con1.Connected())
        btnVerify->setVisible(HasAttemptTables(con1.Database()));
}

void TfrmBasicMid1::actVerifyExecute() {
    if (!frmVerification) {
        frmVerification = new TfrmVerification(con1, this);
        connect(frmVerification, &TfrmVerification::attemptRequested, this,
                &TfrmBasicMid1::ShowAttempt);
    }
    frmVerification->show();
    frmVerification->raise();
    frmVerification->activateWindow();
    frmVerification->Refresh();
}

void TfrmBasicMid1::actSittingsExecute() {
    TBusyCursor busy;
    if (!con1.Connected() && !con1.Open()) {
        ui::MessageBox(this, GetConnectionErrors(&con1), u"错误"_qs, ui::MB_ICONERROR | ui::MB_OK);
        return;
    }
    if (!HasSittingTables(con1.Database())) {
        ui::MessageBox(this,
                       u"数据库中还没有考试场次的表。请管理员运行 examdb init --missing-only "
                       u"补建后再试。"_qs,
                       tallyboard::NoticeCaption, ui::MB_OK | ui::MB_ICONINFORMATION);
        return;
    }
    if (!frmSittings)
        frmSittings = new TfrmSittings(con1, this);
    frmSittings->show();
    frmSittings->raise();
    frmSittings->activateWindow();
    frmSittings->Refresh();
}

void TfrmBasicMid1::ShowAttemptOfRow(int row) {
    if (!ADOQuery1->Active() || row < 0 || row >= ADOQuery1->RecordCount() ||
        ADOQuery1->FieldCount() <= ScoreRowLastField)
        return;
    ShowAttempt({ADOQuery1->DisplayText(row, 1), ADOQuery1->DisplayText(row, 2),
                 ADOQuery1->DisplayText(row, 3), ADOQuery1->DisplayText(row, 4),
                 ADOQuery1->DisplayText(row, 5)});
}

void TfrmBasicMid1::ShowAttempt(const tallyboard::ScoreRowKey& key) {
    TBusyCursor busy;
    const std::optional<tallyboard::AttemptRecord> attempt = tallyboard::FindAttempt(con1, key);
    if (!attempt) {
        ui::MessageBox(this, u"该成绩没有答卷记录"_qs, tallyboard::NoticeCaption,
                       ui::MB_OK | ui::MB_ICONINFORMATION);
        return;
    }
    const std::optional<tallyboard::StoredPaper> paper =
        tallyboard::ReadPaper(con1, attempt->paperSha256);
    if (!paper)
        throw platform::Exception("数据库中没有这份答卷所用试卷的文件，无法查看。");
    if (!paper->bytes) {
        ui::MessageBox(this, tallyboard::MismatchedPaperText(paper->title),
                       tallyboard::ErrorCaption, ui::MB_OK | ui::MB_ICONWARNING);
        return;
    }
    auto* review = new TfrmAttemptReview(*attempt, *paper->bytes, this);
    review->setAttribute(Qt::WA_DeleteOnClose);
    review->show();
}
