#include "exam/uMainform.h"

#include "exam/Unit1.h"
#include "paper/AnswerNotation.h"
#include "paper/uFileHandle.h"
#include "paper/uObjectHandle.h"
#include "platform/CodePage.h"
#include "platform/RuntimeErrors.h"
#include "ui/ErrorBox.h"
#include "ui/Fonts.h"
#include "ui/MessageBox.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// List rows of a fixed height, as the list box draws them.
class FixedRowHeight final : public QStyledItemDelegate {
public:
    FixedRowHeight(int height, QObject* parent) : QStyledItemDelegate(parent), height(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height};
    }

private:
    int height;
};

// A lowered line along the bottom edge, dividing the catalogue from the rules below it.
class BottomLineBevel final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(0, height() - 2, width() - 1, height() - 2);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(0, height() - 1, width() - 1, height() - 1);
    }
};

// The examinee line's size when it fits on one line.
constexpr int ExamineeLineWidth = 367;
constexpr int ExamineeLineHeight = 24;

// Focus that the keyboard or the program moves. A click gives focus on the press: scrolling then
// would move the control away from under the mouse, and the release would miss it.
bool MovedByKeyboard(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::ShortcutFocusReason || reason == Qt::OtherFocusReason;
}

QLabel* CreateLabel(QWidget* parent, const char* text, const QRect& geometry) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText); // the examinee line shows a name as it was typed
    label->setText(QString::fromUtf8(text));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

TMainForm::TMainForm(fs::path paperFolder, QWidget* parent)
    : QWidget(parent), paperFolder(std::move(paperFolder)) {
    setWindowTitle(QStringLiteral("Quillon考试系统"));
    setFont(ui::SongFont(12));
    setFixedSize(ClientWidth, ClientHeight);
    CreateCatalogueView();
    CreateExamArea();
    if (!parent) {
        ui::ApplySkin(this);
        skin = std::make_unique<ui::SkinFrame>(this);
    }
    // A journal that fails is shown after the event at hand, which goes on unjournaled.
    session.SetJournalFailed([this](const std::string& message) {
        QTimer::singleShot(0, this,
                           [message] { ui::ShowErrorMessage(QString::fromStdString(message)); });
    });
    // The paper panel is moved by hand, so nothing else scrolls a focused control into view;
    // wheel notches anywhere over the running exam scroll the paper.
    qApp->installEventFilter(this);
    // An error while the window is created is shown, and the creation completes all the same.
    try {
        FormCreate();
    } catch (const std::exception& error) {
        ui::ShowException(error);
    } catch (...) {
        ui::ShowUnknownException();
    }
}

TMainForm::~TMainForm() {
    // The children go after this object's own members: nothing may call back into it by then.
    qApp->removeEventFilter(this);
    tmr1->stop();
    if (skin)
        skin->ReleaseClient();
}

void TMainForm::setVisible(bool visible) {
    QWidget::setVisible(visible);
    if (skin)
        skin->setVisible(visible);
}

void TMainForm::CreateCatalogueView() {
    ClientArea = new QWidget(this);
    ClientArea->setGeometry(0, 0, ClientWidth, ClientHeight);

    lbl1 = CreateLabel(ClientArea, "请您任选一套试题进行考试", {24, 16, 305, 12});

    lst1 = new QListWidget(ClientArea);
    lst1->setGeometry(24, 32, 713, 233);
    lst1->setSelectionMode(QAbstractItemView::SingleSelection);
    lst1->setUniformItemSizes(true);
    lst1->setItemDelegate(new FixedRowHeight(12, lst1));
    // Queued: the list has finished its own work when the handler runs, and whatever the
    // handler throws reaches the error box without passing through the list's code.
    connect(lst1, &QListWidget::itemSelectionChanged, this, &TMainForm::lst1Click,
            Qt::QueuedConnection);

    lbl3 = CreateLabel(ClientArea, "考生资料:", {34, 282, ExamineeLineWidth, ExamineeLineHeight});
    lbl3->setFont(ui::SongFont(16));
    lbl3->setWordWrap(true);
    QPalette red = lbl3->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lbl3->setPalette(red);

    btn1 = new QPushButton(QStringLiteral("开始考试"), ClientArea);
    btn1->setGeometry(568, 280, 169, 21);

    bvl1 = new BottomLineBevel(ClientArea);
    bvl1->setGeometry(24, 312, 713, 14);

    lbl2 = CreateLabel(ClientArea, "试卷规定", {32, 352, 193, 12});

    mmo1 = new QPlainTextEdit(ClientArea);
    mmo1->setGeometry(24, 368, 713, 145);
    mmo1->setReadOnly(true);

    setTabOrder(lst1, btn1);
    setTabOrder(btn1, mmo1);
}

void TMainForm::CreateExamArea() {
    pnl2 = new QFrame(ClientArea);
    pnl2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnl2->setAutoFillBackground(true);

    pnl1 = new QFrame(pnl2);
    pnl1->setGeometry(0, 8, ClientWidth, ViewportHeight);
    pnl1->setFrameStyle(QFrame::Box | QFrame::Plain);
    pnl1->setLineWidth(1);
    pnl1Client = new QWidget(pnl1);
    pnl1Client->setGeometry(pnl1->contentsRect());

    ScrollBar1 = new TExamScrollBar(pnl1Client);
    ScrollBar1->setGeometry(pnl1Client->width() - 16, 0, 16, pnl1Client->height());
    connect(ScrollBar1, &QScrollBar::valueChanged, this, &TMainForm::ScrollBar1Change);

    lbl4 = CreateLabel(pnl2, "", {24, 512, 217, 17});
    lbl4->setFont(ui::SongFont(14));
    QPalette red = lbl4->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lbl4->setPalette(red);

    btn2 = new QPushButton(QStringLiteral("提交试卷"), pnl2);
    btn2->setGeometry(600, 509, 75, 21);
    Button1 = new QPushButton(QStringLiteral("放弃考试"), pnl2);
    Button1->setGeometry(680, 509, 75, 21);
    setTabOrder(btn2, Button1);

    tmr1 = new QTimer(this);
    tmr1->setInterval(1000);
    tmr1->setTimerType(Qt::PreciseTimer);

    // Queued, so that whatever a handler throws reaches the error box in an event of its own.
    connect(btn1, &QPushButton::clicked, this, &TMainForm::btn1Click, Qt::QueuedConnection);
    connect(btn2, &QPushButton::clicked, this, &TMainForm::btn2Click, Qt::QueuedConnection);
    connect(Button1, &QPushButton::clicked, this, &TMainForm::Button1Click, Qt::QueuedConnection);
    connect(tmr1, &QTimer::timeout, this, &TMainForm::tmr1Tick, Qt::QueuedConnection);
}

void TMainForm::FormCreate() {
    PaperFiles.clear();
    pnl2->setGeometry(ClientArea->rect());
    PaperPanel = new TParentPanel(pnl1Client);
    PaperPanel->setGeometry(0, 0, ScrollBar1->x(), pnl1Client->height());
    ResetExam();
    LoadPaperList();
}

void TMainForm::FormClose() {
    PaperFiles.clear();
    PaperFiles.shrink_to_fit();
}

void TMainForm::ResetExam() {
    PaperPanel->Paper.Clear();
    PaperPanel->BuildPanels();
    pnl2->hide();
    pnl2->lower();
    tmr1->stop();
    PaperPanel->setEnabled(true);
    session.Reset();
}

void TMainForm::LoadPaperList() {
    PaperFiles.clear();
    {
        const QSignalBlocker programChange(lst1);
        lst1->clear();
    }
    FindPaperFiles(PaperFiles, paperFolder, true);
    const std::vector<std::string> titles = FilterPaperFiles(PaperFiles);
    {
        const QSignalBlocker programChange(lst1);
        for (const std::string& title : titles)
            lst1->addItem(platform::FromGbk(title));
    }
    mmo1->clear();
    SelectPaper(0);
    ShowRulesOf(SelectedPaper());
}

void TMainForm::SelectPaper(int index) {
    if (index < 0 || index >= lst1->count())
        throw platform::EListError(index);
    const QSignalBlocker programChange(lst1);
    lst1->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

int TMainForm::SelectedPaper() const {
    const QList<QListWidgetItem*> selected = lst1->selectedItems();
    return selected.isEmpty() ? -1 : lst1->row(selected.front());
}

const fs::path& TMainForm::PaperAt(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= PaperFiles.size())
        throw platform::EListError(index);
    return PaperFiles[static_cast<size_t>(index)];
}

void TMainForm::SetExamineeLine(const QString& line) {
    lbl3->setText(line);
    constexpr int GapBeforeButton = 8;
    const int room = btn1->x() - GapBeforeButton - lbl3->x();
    const int width =
        std::clamp(lbl3->fontMetrics().horizontalAdvance(line) + 1, ExamineeLineWidth, room);
    lbl3->resize(width, std::max(ExamineeLineHeight, lbl3->heightForWidth(width)));
}

void TMainForm::lst1Click() {
    const int index = SelectedPaper();
    if (index >= 0)
        ShowRulesOf(index);
}

void TMainForm::ShowRulesOf(int index) {
    TQFileHandle paper;
    paper.LoadFromFile(PaperAt(index));
    mmo1->setPlainText(platform::FromGbk(paper.PaperRules));
}

void TMainForm::btn1Click() {
    // A paper that has started cannot be exchanged for another.
    if (session.CurrentStage() != ExamSession::Stage::Idle || PaperFiles.empty())
        return;
    const int index = SelectedPaper();
    if (index >= 0)
        StartExam(index);
}

void TMainForm::StartExam(int index) {
    if (session.CurrentStage() != ExamSession::Stage::Idle || index < 0 ||
        static_cast<size_t>(index) >= PaperFiles.size())
        return;
    const fs::path& file = PaperFiles[static_cast<size_t>(index)];
    std::error_code error;
    if (!fs::exists(file, error))
        throw platform::Exception("试卷文件不存在:" +
                                  QFile::decodeName(file.c_str()).toStdString());
    PaperPanel->Paper.CheckFile(file);
    RunPaper(ReadPaperFile(file));
}

void TMainForm::StartDrawnExam(const PaperFile& paper) {
    if (session.CurrentStage() == ExamSession::Stage::Idle)
        RunPaper(paper);
}

void TMainForm::RunPaper(PaperFile paper) {
    LoadPaper(paper);
    paper.title = platform::FromGbk(PaperPanel->Paper.PaperTitle).toStdString();
    ShowExamArea();
    session.Start(CurrentExaminee(), paper);
}

// The paper is read once: the bytes examined are the bytes hashed and stored.
void TMainForm::LoadPaper(const PaperFile& paper) {
    std::istringstream stream(paper.bytes);
    PaperPanel->Paper.LoadFromStream(stream);
}

void TMainForm::ResumeExam(const JournaledRun& run) {
    ExamineeTown = QString::fromStdString(run.town);
    ExamineeUnit = QString::fromStdString(run.unit);
    ExamineeName = QString::fromStdString(run.name);
    SetExamineeLine(ExamineeLine(ExamineeTown, ExamineeUnit, ExamineeName));
    if (run.paperBytes.empty())
        PaperPanel->Paper.CheckFile(fs::path(run.paperPath));
    const PaperFile paper = JournaledPaper(run);
    if (paper.sha256 != run.paperSha256)
        throw platform::Exception("未完成的考试无法继续,试卷文件不存在或已被改动:" +
                                  QFile::decodeName(run.paperPath.c_str()).toStdString());
    LoadPaper(paper);
    ShowExamArea();
    for (const auto& [question, answer] : run.answers)
        if (question >= 0 && question < PaperPanel->Panels.size())
            PaperPanel->Panels[question]->RestoreAnswer(DecodeAnswer(answer));
    session.Resume(run, paper);
    ShowAtStart = true;
    if (HasTimeLimit() && Elapsed() >= PaperPanel->Paper.TimeLimit)
        TimeOut();
}

void TMainForm::ShowExamArea() {
    btn2->show();
    Button1->setText(QStringLiteral("放弃考试"));
    PaperPanel->BuildPanels();
    ScrollBar1->SetMax(PaperPanel->height());
    ScrollBar1->SetPosition(0);
    ScrollBar1->SetPageSize(ViewportHeight);
    ScrollBar1Change();
    ChainTabOrder();
    SetCatalogueShown(false);
    pnl2->show();
    pnl2->raise();
    JournalAnswers();
    tmr1->start();
}

// The catalogue lies under the exam area; hidden, it takes no focus and no key while a paper
// runs.
void TMainForm::SetCatalogueShown(bool shown) {
    for (QWidget* widget : {static_cast<QWidget*>(lbl1), static_cast<QWidget*>(lst1),
                            static_cast<QWidget*>(lbl3), static_cast<QWidget*>(btn1), bvl1,
                            static_cast<QWidget*>(lbl2), static_cast<QWidget*>(mmo1)})
        widget->setVisible(shown);
}

// Tab goes through the answer controls in paper order, then to the two buttons.
void TMainForm::ChainTabOrder() {
    QList<QWidget*> chain;
    for (const TQuestionPanel* panel : std::as_const(PaperPanel->Panels)) {
        for (const QPointer<QWidget>& control : panel->ItemControls) {
            if (!control)
                continue;
            if (control->focusPolicy() & Qt::TabFocus)
                chain.append(control);
            for (QWidget* inner : control->findChildren<QWidget*>())
                if (inner->focusPolicy() & Qt::TabFocus)
                    chain.append(inner);
        }
    }
    chain << btn2 << Button1;
    for (qsizetype i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);
    chain.front()->setFocus(Qt::OtherFocusReason);
}

// Every answer the examinee changes goes to the journal before the next event is handled.
void TMainForm::JournalAnswers() {
    for (qsizetype i = 0; i < PaperPanel->Panels.size(); ++i) {
        TQuestionPanel* panel = PaperPanel->Panels[i];
        connect(panel, &TQuestionPanel::AnswerChanged, this,
                [this, panel, i] { session.AnswerChanged(static_cast<int>(i), panel->Answer()); });
    }
}

void TMainForm::ScrollBar1Change() {
    PaperPanel->move(PaperPanel->x(), -ScrollBar1->Position());
}

// Shows the focused control, and above it as much of its question as fits.
void TMainForm::ScrollIntoView(QWidget* focused) {
    if (!session.Running() || !focused || !PaperPanel->isAncestorOf(focused))
        return;
    const int viewHeight = pnl1Client->height();
    const int top = focused->mapTo(PaperPanel, QPoint(0, 0)).y();
    const int bottom = top + focused->height();
    int wanted = top;
    for (QWidget* up = focused->parentWidget(); up && up != PaperPanel; up = up->parentWidget())
        if (qobject_cast<TQuestionPanel*>(up) && bottom - up->y() <= viewHeight)
            wanted = up->y();
    const int position = ScrollBar1->Position();
    if (wanted < position)
        ScrollBar1->SetPosition(wanted);
    else if (bottom > position + viewHeight)
        ScrollBar1->SetPosition(bottom - viewHeight);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn &&
        MovedByKeyboard(static_cast<QFocusEvent*>(event)->reason()))
        ScrollIntoView(qobject_cast<QWidget*>(watched));
    if (event->type() == QEvent::Wheel && session.Running()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && (widget == this || isAncestorOf(widget))) {
            WheelOver(static_cast<QWheelEvent*>(event)->angleDelta().y());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// A notch is 120 eighths of a degree; finer wheels add up to notches.
void TMainForm::WheelOver(int angleDelta) {
    constexpr int Notch = 120;
    wheelRest += angleDelta;
    for (; wheelRest >= Notch; wheelRest -= Notch)
        FormMouseWheelUp();
    for (; wheelRest <= -Notch; wheelRest += Notch)
        FormMouseWheelDown();
}

void TMainForm::FormMouseWheelDown() {
    const int position = ScrollBar1->Position();
    if (position < PaperPanel->height() - 500)
        ScrollBar1->SetPosition(position + 10);
}

void TMainForm::FormMouseWheelUp() {
    const int position = ScrollBar1->Position();
    if (position > 0)
        ScrollBar1->SetPosition(std::max(0, position - 10));
}

bool TMainForm::HasTimeLimit() const {
    return PaperPanel->Paper.TimeLimit > 0;
}

QString TMainForm::RemainingTimeText(int32_t seconds) {
    return RemainingTime(seconds);
}

void TMainForm::tmr1Tick() {
    // A tick queued before the clock was switched off is dropped.
    if (tmr1->isActive())
        tmr1Timer();
}

void TMainForm::tmr1Timer() {
    if (!session.Running())
        return;
    // A paper without a positive time limit shows no countdown and has no time-out, but its
    // seconds are counted all the same: a resume tells them from the time away.
    if (!HasTimeLimit())
        return session.Tick();
    const int32_t limit = PaperPanel->Paper.TimeLimit;
    if (Elapsed() >= limit)
        return;
    lbl4->setText(QStringLiteral("剩余时间:") + RemainingTimeText(limit - Elapsed()));
    session.Tick();
    if (Elapsed() == limit)
        TimeOut();
}

void TMainForm::TimeOut() {
    tmr1->stop();
    // The answers are final from here on, whatever becomes of the post.
    PaperPanel->setEnabled(false);
    const int32_t score = PaperPanel->GetScore();
    RecordEnding(RunEnding::TimeOut, score);
    ShowResult(score);
    EndExam();
}

// The frozen attempt ends as its own ending does, with its own score: the one recorded.
void TMainForm::RetryRecording() {
    const AttemptRecord attempt = session.RetryRecording();
    if (attempt.ending == RunEnding::Abandonment)
        return EndExam();
    if (attempt.ending == RunEnding::HandIn)
        session.PostSecondCopy(attempt.row);
    ShowResult(QString::fromStdString(attempt.row.score).toInt());
    EndExam();
}

JournaledScoreRow TMainForm::RecordEnding(RunEnding ending, int32_t score) {
    try {
        return session.Record(ending, QString::number(score), RecordedAnswers());
    } catch (const EPostOutcomeUnknown& error) {
        if (!session.Frozen())
            throw;
        tmr1->stop();
        PaperPanel->setEnabled(false);
        throw platform::Exception(
            std::string(error.what()) +
            "\n无法确认成绩是否已保存,答卷已不能再改,请点击“提交试卷”再次保存");
    }
}

std::vector<RecordedAnswer> TMainForm::RecordedAnswers() const {
    std::vector<RecordedAnswer> answers;
    for (qsizetype i = 0; i < PaperPanel->Panels.size(); ++i) {
        const TQuestionPanel* panel = PaperPanel->Panels[i];
        const auto kind = qobject_cast<const TMatchingPanel*>(panel)
                              ? answernotation::Kind::Matching
                              : answernotation::Kind::Choice;
        answers.push_back({static_cast<int>(i), answernotation::Format(kind, panel->Answer()),
                           panel->GetScore(), panel->GetFullMarks()});
    }
    return answers;
}

void TMainForm::btn2Click() {
    if (session.Frozen())
        return RetryRecording();
    if (!session.Running())
        return;
    const unsigned question = ui::MB_YESNO | ui::MB_ICONINFORMATION;
    int position = -1;
    if (!PaperPanel->AllAnswered(position)) {
        const int leaveBlank =
            ui::MessageBox(this, QStringLiteral("尚有未完成试题,是否真的放弃填写它们?"),
                           QStringLiteral("提示"), question);
        // The time may have run out while the box was open: the time-out has ended the exam.
        if (!session.Running())
            return;
        if (leaveBlank != ui::IDYES) {
            // A paper without questions has no panel to go to; the view stays.
            if (position >= 0)
                if (const TQuestionPanel* panel = PaperPanel->PanelAt(uint8_t(position)))
                    ScrollBar1->SetPositionPastEnd(panel->y());
            return;
        }
    }
    const int confirmed = ui::MessageBox(this, QStringLiteral("您是否确认提交此试卷?"),
                                         QStringLiteral("提示"), question);
    if (!session.Running() || confirmed != ui::IDYES)
        return;
    const int32_t score = PaperPanel->GetScore();
    tmr1->stop();
    JournaledScoreRow row;
    try {
        row = RecordEnding(RunEnding::HandIn, score);
    } catch (...) {
        // Nothing was recorded and the exam goes on: so does its time.
        if (session.Running())
            tmr1->start();
        throw;
    }
    session.PostSecondCopy(row);
    ShowResult(score);
    EndExam();
}

void TMainForm::Button1Click() {
    if (session.Frozen())
        return RetryRecording();
    if (!session.Running())
        return;
    const int confirmed =
        ui::MessageBox(this, QStringLiteral("您确认要放弃此次考试吗?"), QStringLiteral("提示"),
                       ui::MB_YESNO | ui::MB_ICONINFORMATION);
    if (!session.Running() || confirmed != ui::IDYES)
        return;
    try {
        RecordEnding(RunEnding::Abandonment, 0);
    } catch (...) {
        // The time ran out while this recording showed its error, and the time-out recorded
        // the exam: this attempt has nothing left to do.
        if (session.Ended())
            return;
        throw;
    }
    tmr1->stop();
    PaperPanel->setEnabled(false);
    close();
}

QString TMainForm::ResultText(int32_t score, int32_t totalScore) {
    return QStringLiteral("考试时间结束.你的得分是: ") + QString::number(score) +
           QStringLiteral("分. 满分是: ") + QString::number(totalScore) +
           QStringLiteral("分.已保存.") + QStringLiteral("\r\n\r\n") +
           QStringLiteral("点击确认按钮关闭程序.");
}

void TMainForm::ShowResult(int32_t score) {
    ui::MessageBox(this, ResultText(score, PaperPanel->Paper.TotalScore()), QStringLiteral("提示"),
                   ui::MB_OK | ui::MB_ICONINFORMATION);
}

void TMainForm::EndExam() {
    // What was recorded is what stays on screen until the window has closed.
    PaperPanel->setEnabled(false);
    btn2->hide();
    Button1->setText(QStringLiteral("结束"));
    close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // While a paper runs, its three endings are the only ways out.
    if (session.Running() || session.Frozen()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
    if (window() != this)
        window()->close();
}
