#include "tallyboard/NewSittingDialog.h"

#include "common/FuncUnit.h"
#include "records/db/SittingStore.h"
#include "tallyboard/BrowseWidgets.h"
#include "ui/ErrorBox.h"
#include "ui/Fonts.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString TimeFormat = u"yyyy-MM-dd HH:mm"_qs;

std::string TimeText(const QDateTimeEdit* edit) {
    return edit->dateTime().toString(u"yyyy-MM-dd HH:mm:00"_qs).toStdString();
}

QDateTimeEdit* TimeEdit(const QDateTime& time, QWidget* parent) {
    auto* edit = new QDateTimeEdit(time, parent);
    edit->setDisplayFormat(TimeFormat);
    edit->setCalendarPopup(true);
    return edit;
}

} // namespace

TdlgNewSitting::TdlgNewSitting(const std::vector<records::SittingUnit>& units, const QDateTime& now,
                               QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(u"新建考试场次"_qs);
    setFont(ui::SongFont(13));
    resize(560, 600);
    edtTitle = new QLineEdit(this);
    const QDateTime start = now.addSecs(3600 - now.time().minute() * 60 - now.time().second());
    dtpOpens = TimeEdit(start, this);
    dtpCloses = TimeEdit(start.addSecs(2 * 3600), this);
    chkPassMark = new QCheckBox(u"及格分"_qs, this);
    spnPassMark = new QSpinBox(this);
    spnPassMark->setRange(0, 1000);
    spnPassMark->setValue(60);
    spnPassMark->setEnabled(false);
    auto* passMark = new QHBoxLayout;
    passMark->addWidget(chkPassMark);
    passMark->addWidget(spnPassMark);
    passMark->addStretch(1);

    tvUnits = new QTreeWidget(this);
    tvUnits->setHeaderLabel(u"参加的乡镇和单位（都不选：所有人）"_qs);
    QTreeWidgetItem* town = nullptr;
    for (const records::SittingUnit& unit : units) {
        if (!town || town->text(0) != Utf8Text(unit.town)) {
            town = new QTreeWidgetItem(tvUnits, {Utf8Text(unit.town)});
            town->setCheckState(0, Qt::Unchecked);
        }
        auto* item = new QTreeWidgetItem(town, {Utf8Text(unit.fac)});
        item->setCheckState(0, Qt::Unchecked);
    }
    lstPapers = new QListWidget(this);
    auto* addPapers = new TStyledButton(u"添加试卷(&A)..."_qs, this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(u"发布(&P)"_qs);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"取消"_qs);

    auto* form = new QFormLayout;
    form->addRow(u"名称:"_qs, edtTitle);
    form->addRow(u"开始:"_qs, dtpOpens);
    form->addRow(u"结束:"_qs, dtpCloses);
    form->addRow(QString(), passMark);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(tvUnits, 3);
    column->addWidget(lstPapers, 1);
    column->addWidget(addPapers, 0, Qt::AlignLeft);
    column->addWidget(buttons);

    connect(chkPassMark, &QCheckBox::toggled, spnPassMark, &QWidget::setEnabled);
    connect(addPapers, &QPushButton::clicked, this, &TdlgNewSitting::PickPaperFiles);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TdlgNewSitting::PickPaperFiles() {
    AddPaperFiles(
        QFileDialog::getOpenFileNames(this, u"选择试卷"_qs, QString(), u"试卷文件 (*.mqe)"_qs));
}

void TdlgNewSitting::AddPaperFiles(const QStringList& files) {
    for (const QString& file : files) {
        try {
            records::PaperToPublish paper = records::ReadPaperToPublish(file);
            lstPapers->addItem(Utf8Text(paper.title) + u"  ("_qs + file + u')');
            papers.push_back(std::move(paper));
        } catch (const std::exception& e) {
            ui::ShowErrorMessage(file + u"：\n"_qs + QString::fromUtf8(e.what()));
        }
    }
}

records::NewSitting TdlgNewSitting::Request() const {
    records::NewSitting request;
    request.title = TrimText(edtTitle->text()).toStdString();
    request.opensAt = TimeText(dtpOpens);
    request.closesAt = TimeText(dtpCloses);
    if (chkPassMark->isChecked())
        request.passMark = spnPassMark->value();
    // A ticked town admits all of it; otherwise each ticked unit.
    for (int t = 0; t < tvUnits->topLevelItemCount(); ++t) {
        const QTreeWidgetItem* town = tvUnits->topLevelItem(t);
        if (town->checkState(0) == Qt::Checked) {
            request.units.push_back({town->text(0).toStdString(), {}});
            continue;
        }
        for (int u = 0; u < town->childCount(); ++u)
            if (town->child(u)->checkState(0) == Qt::Checked)
                request.units.push_back(
                    {town->text(0).toStdString(), town->child(u)->text(0).toStdString()});
    }
    request.papers = papers;
    return request;
}
