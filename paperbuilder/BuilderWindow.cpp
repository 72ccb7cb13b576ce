#include "paperbuilder/BuilderWindow.h"

#include "paper/uObjectHandle.h"
#include "paperbuilder/PaperFiles.h"
#include "paperbuilder/QuestionListModel.h"
#include "ui/MessageBox.h"
#include "ui/SaveDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <sstream>

namespace paperbuilder {

namespace {

const QString Caption = QStringLiteral("试卷制作");

// A progress dialog for work done in steps on the window's thread. It appears only when the
// work takes long enough to be noticed.
class WorkProgress final {
public:
    WorkProgress(QWidget* owner, int steps) : dialog(owner) {
        dialog.setWindowTitle(Caption);
        dialog.setCancelButton(nullptr);
        dialog.setWindowModality(Qt::WindowModal);
        dialog.setMinimumDuration(300);
        dialog.setRange(0, steps);
        dialog.setValue(0);
    }

    void Step(const QString& label) {
        dialog.setLabelText(label);
        dialog.setValue(dialog.value() + 1);
    }

private:
    QProgressDialog dialog;
};

void ShowError(QWidget* owner, const QString& text) {
    ui::MessageBox(owner, text, QStringLiteral("错误"), ui::MB_OK | ui::MB_ICONERROR);
}

// The question alone as a paper, read by exam's reader, so that the panel shows what exam will.
void LoadAlone(const paperwriter::Question& question, TQFileHandle& into) {
    paperwriter::Paper paper;
    paper.questions = {question};
    std::istringstream stream(paperwriter::WritePaper(paper));
    into.LoadFromStream(stream);
}

TQuestionPanel* PanelFor(paperwriter::Kind kind, QWidget* owner) {
    switch (kind) {
    case paperwriter::Kind::Single:
        return new TSinglePanel(owner);
    case paperwriter::Kind::Multi:
        return new TMultiPanel(owner);
    case paperwriter::Kind::Matching:
        return new TMatchingPanel(owner);
    }
    return nullptr;
}

} // namespace

BuilderWindow::BuilderWindow(QWidget* owner) : QMainWindow(owner) {
    setWindowTitle(Caption);
    auto* central = new QWidget(this);
    setCentralWidget(central);

    auto* btnOpen = new QPushButton(QStringLiteral("打开题库或试卷(&O)…"), central);
    auto* btnSave = new QPushButton(QStringLiteral("保存试卷(&S)…"), central);
    connect(btnOpen, &QPushButton::clicked, this, &BuilderWindow::btnOpenClick,
            Qt::QueuedConnection);
    connect(btnSave, &QPushButton::clicked, this, &BuilderWindow::SavePaper, Qt::QueuedConnection);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnOpen);
    buttons->addWidget(btnSave);
    buttons->addStretch();

    edtTitle = new QLineEdit(central);
    edtTitle->setObjectName(QStringLiteral("edtTitle"));
    mmoRules = new QPlainTextEdit(central);
    mmoRules->setFixedHeight(56);
    spnMinutes = new QSpinBox(central);
    spnMinutes->setRange(1, MaxMinutes);
    spnMinutes->setValue(DefaultMinutes);
    spnMinutes->setSuffix(QStringLiteral(" 分钟"));
    lblHeaderFaults = new QLabel(central);
    lblHeaderFaults->setStyleSheet(QStringLiteral("color: #b00000"));
    lblHeaderFaults->setWordWrap(true);
    auto* header = new QFormLayout;
    header->addRow(QStringLiteral("试卷名称"), edtTitle);
    header->addRow(QStringLiteral("考试说明"), mmoRules);
    header->addRow(QStringLiteral("考试时长"), spnMinutes);
    header->addRow(lblHeaderFaults);
    connect(edtTitle, &QLineEdit::textChanged, this, &BuilderWindow::HeaderChanged);
    connect(mmoRules, &QPlainTextEdit::textChanged, this, &BuilderWindow::HeaderChanged);
    connect(spnMinutes, &QSpinBox::valueChanged, this, &BuilderWindow::HeaderChanged);

    model = new QuestionListModel(this);
    grdQuestions = new QTableView(central);
    grdQuestions->setObjectName(QStringLiteral("grdQuestions"));
    grdQuestions->setModel(model);
    grdQuestions->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdQuestions->setSelectionMode(QAbstractItemView::SingleSelection);
    grdQuestions->verticalHeader()->hide();
    grdQuestions->horizontalHeader()->setStretchLastSection(true);
    grdQuestions->setColumnWidth(QuestionListModel::Number, 44);
    grdQuestions->setColumnWidth(QuestionListModel::Kind, 64);
    grdQuestions->setColumnWidth(QuestionListModel::Stem, 220);
    grdQuestions->setColumnWidth(QuestionListModel::Marks, 44);
    connect(grdQuestions->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { ShowQuestion(current.row()); });
    lblSummary = new QLabel(central);

    auto* left = new QWidget(central);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addLayout(header);
    leftLayout->addWidget(grdQuestions, 1);
    leftLayout->addWidget(lblSummary);

    scrPreview = new QScrollArea(central);
    scrPreview->setWidgetResizable(false);
    scrPreview->setFixedWidth(ExamPanelWidth + 24);
    scrPreview->setBackgroundRole(QPalette::Base);
    lblScore = new QLabel(central);
    lblScore->setObjectName(QStringLiteral("lblScore"));
    auto* right = new QWidget(central);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(new QLabel(QStringLiteral("预览（可作答并查看得分）"), right));
    rightLayout->addWidget(scrPreview, 1);
    rightLayout->addWidget(lblScore);

    auto* splitter = new QSplitter(central);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 1);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(buttons);
    layout->addWidget(splitter, 1);
    resize(1280, 720);
    Recheck();
}

BuilderWindow::~BuilderWindow() = default;

TQuestionPanel* BuilderWindow::Preview() const {
    return preview;
}

bool BuilderWindow::OpenFile(const QString& file) {
    WorkProgress progress(this, 3);
    progress.Step(QStringLiteral("正在读取 %1…").arg(QFileInfo(file).fileName()));
    try {
        bank = ReadBank(file);
    } catch (const BankError& e) {
        ShowError(
            this,
            QStringLiteral("无法打开题库。\n%1").arg(FaultLine({{file, e.row}, e.message()})));
        return false;
    }
    progress.Step(QStringLiteral("正在检查试题…"));
    settings = {};
    const CheckedPaper defaults = CheckBank(bank, settings);
    filling = true;
    edtTitle->setText(bank.title.text.isEmpty() ? QFileInfo(file).completeBaseName()
                                                : bank.title.text);
    mmoRules->setPlainText(bank.rules.text);
    spnMinutes->setValue(std::clamp(defaults.paper.timeLimit / 60, 1, MaxMinutes));
    filling = false;
    HeaderChanged();
    progress.Step(QStringLiteral("正在列出试题…"));
    if (model->rowCount() > 0)
        grdQuestions->selectRow(0);
    return true;
}

bool BuilderWindow::SavePaper() {
    Recheck();
    if (!checked.faults.empty()) {
        ShowError(this, QStringLiteral("试卷还有 %1 处错误（列表中标红的题目），改正后才能保存。")
                            .arg(checked.faults.size()));
        return false;
    }
    const QString file =
        ui::GetSaveFileName(this, {ProposedPaperPath(), QStringLiteral("试卷文件(*.mqe)|*.mqe"),
                                   QStringLiteral(".mqe")});
    if (file.isEmpty())
        return false;
    WorkProgress progress(this, 1);
    progress.Step(QStringLiteral("正在写出试卷…"));
    try {
        // Only the paper folder itself is made when it is missing; a folder chosen elsewhere
        // must exist, so no title or typed name can create folders.
        if (QFileInfo(file).absolutePath() == QFileInfo(PaperFolder()).absoluteFilePath())
            QDir().mkpath(PaperFolder());
        if (!QFileInfo(file).absoluteDir().exists())
            throw platform::Exception(QStringLiteral("文件夹 %1 不存在")
                                          .arg(QFileInfo(file).absolutePath())
                                          .toStdString());
        paperwriter::WritePaperFile(checked.paper, file.toStdString());
    } catch (const platform::Exception& e) {
        ShowError(this,
                  QStringLiteral("无法保存试卷 %1。\n%2").arg(file, QString::fromUtf8(e.what())));
        return false;
    }
    ui::MessageBox(this, QStringLiteral("试卷已保存：%1").arg(file), QStringLiteral("提示"),
                   ui::MB_OK | ui::MB_ICONINFORMATION);
    return true;
}

void BuilderWindow::btnOpenClick() {
    const QString file = QFileDialog::getOpenFileName(
        this, QStringLiteral("打开题库或试卷"), QString(),
        QStringLiteral("题库或试卷 (*.xlsx *.csv *.txt *.gift *.aiken *.mqe);;所有文件 (*)"));
    if (!file.isEmpty())
        OpenFile(file);
}

void BuilderWindow::HeaderChanged() {
    if (filling)
        return;
    settings.title = edtTitle->text();
    settings.rules = mmoRules->toPlainText();
    settings.minutes = QString::number(spnMinutes->value());
    Recheck();
}

void BuilderWindow::Recheck() {
    const int current = grdQuestions->currentIndex().row();
    checked = CheckBank(bank, settings);
    model->SetQuestions(bank, checked);
    QStringList headerFaults;
    int total = 0;
    // The header values come from the edits, so their faults have no row in the bank.
    for (const Fault& fault : checked.faults)
        if (fault.place.row == 0)
            headerFaults.append(fault.message);
    for (const auto& question : checked.paper.questions)
        total += question.fullMarks;
    lblHeaderFaults->setText(headerFaults.join(QLatin1Char('\n')));
    lblHeaderFaults->setVisible(!headerFaults.isEmpty());
    lblSummary->setText(QStringLiteral("共 %1 题，总分 %2 分；%3 处错误")
                            .arg(bank.questions.size())
                            .arg(total)
                            .arg(checked.faults.size()));
    if (current >= 0 && current < model->rowCount())
        grdQuestions->selectRow(current);
    else
        ClearPreview();
}

void BuilderWindow::ClearPreview() {
    delete scrPreview->takeWidget();
    lblScore->clear();
}

void BuilderWindow::ShowQuestion(int row) {
    ClearPreview();
    if (row < 0 || static_cast<size_t>(row) >= checked.questions.size())
        return;
    const CheckedQuestion& question = checked.questions[static_cast<size_t>(row)];
    if (!question.faults.isEmpty()) {
        auto* label = new QLabel(QStringLiteral("第 %1 题有错误，改正后才能预览：\n%2")
                                     .arg(row + 1)
                                     .arg(question.faults.join(QLatin1Char('\n'))));
        label->setStyleSheet(QStringLiteral("color: #b00000; padding: 8px"));
        label->adjustSize();
        scrPreview->setWidget(label);
        return;
    }
    TQFileHandle alone;
    LoadAlone(question.question, alone);
    TQuestionPanel* panel = PanelFor(question.question.kind, nullptr);
    panel->SetQuestion(alone.GetQuestion(0));
    panel->SetBounds(0, 0, ExamPanelWidth, 0);
    connect(panel, &TQuestionPanel::AnswerChanged, this, &BuilderWindow::ShowScore);
    scrPreview->setWidget(panel);
    preview = panel;
    ShowScore();
}

void BuilderWindow::ShowScore() {
    if (!preview)
        return;
    lblScore->setText(preview->IsAnswered()
                          ? QStringLiteral("本题得分：%1 / %2 分")
                                .arg(preview->GetScore())
                                .arg(preview->GetFullMarks())
                          : QStringLiteral("尚未作答（满分 %1 分）").arg(preview->GetFullMarks()));
}

QString BuilderWindow::PaperFolder() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Exam File"));
}

QString BuilderWindow::ProposedPaperPath() const {
    return QDir(PaperFolder()).filePath(PaperFileName(edtTitle->text()));
}

} // namespace paperbuilder
