#pragma once

#include "exam/ExamScrollBar.h"
#include "exam/ExamSession.h"
#include "exam/PaperCatalogue.h"
#include "exam/StartupRecovery.h"

#include <QString>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class QFrame;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class TParentPanel;
namespace ui {
class SkinFrame;
}

// The main window of exam. Its base layer is the paper catalogue: the titles of the papers found
// below the paper folder in lst1, the rules of the selected one in mmo1. PaperFiles[i] is always
// the file of lst1's entry i.
class TMainForm final : public QWidget, public RecoveryWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TMainForm)

public:
    static constexpr int ClientWidth = 760;
    static constexpr int ClientHeight = 541;

    static constexpr int ViewportHeight = 497;

    // Without a parent the window is drawn in the skin: a frame of its own around the client
    // area, which this widget is.
    explicit TMainForm(std::filesystem::path paperFolder = DefaultPaperFolder(),
                       QWidget* parent = nullptr);
    ~TMainForm() override;

    // Where the endings record their attempts: the data module, which main creates after the
    // window.
    void SetRecorder(ScoreRecorder* recorder) { session.SetRecorder(recorder); }
    // The journal that keeps each run from its start until its score row is recorded; null for
    // none. The caller keeps it alive while the window runs.
    void SetJournal(ExamJournal* journal) { session.SetJournal(journal); }
    // The wall clock of the recorded times and of the time away.
    void SetClock(ExamSession::Clock clock) { session.SetClock(std::move(clock)); }
    const ExamSession& Session() const { return session; }
    // Set by the login when it confirmed an examinee: main shows the window as the event loop
    // starts. False at creation.
    bool ShowAtStart = false;

    // Builds the catalogue; its failures (an empty catalogue, a first paper that does not load)
    // reach the caller.
    void LoadPaperList();
    // Selects lst1's entry index as the program does it: lst1Click does not run. An index
    // outside the list fails with the list's index error.
    void SelectPaper(int index);
    // The selected entry of lst1, or -1.
    int SelectedPaper() const;
    // The file of catalogue entry index; the list's index error outside the catalogue.
    const std::filesystem::path& PaperAt(int index) const;
    // Shows the examinee line in lbl3. A line longer than lbl3 widens it into the room left of
    // "开始考试" and wraps there, so that none of it is cut off.
    void SetExamineeLine(const QString& line);
    // The user changed lst1's selection: show the rules of the selected paper.
    void lst1Click();

    // "开始考试": starts the paper selected in lst1; nothing without papers or selection, or
    // while a paper runs. Failures reach the caller.
    void btn1Click();
    // Loads PaperFiles[index] and shows the exam area; nothing for an index past the catalogue.
    // A missing file fails with "试卷文件不存在:" and the path.
    void StartExam(int index);
    // Starts a paper drawn from a sitting, its bytes checked already; nothing while a paper runs.
    void StartDrawnExam(const PaperFile& paper);
    void ShowExamArea();
    // Takes a journaled run over: its examinee, its paper with every answer put back, and its
    // clock from the journaled Elapsed. A run whose time is up ends by the time-out at once.
    // Failures (the paper no longer loads or is no longer the one examined) reach the caller.
    void ResumeExam(const JournaledRun& run) override;
    // Moves PaperPanel to minus the scroll position.
    void ScrollBar1Change();
    // One wheel notch: 10 pixels down while the position is below the paper's height - 500, or
    // 10 pixels up, not below 0.
    void FormMouseWheelDown();
    void FormMouseWheelUp();
    // One tick of the exam clock: the remaining time in lbl4, the time-out at the end.
    void tmr1Timer();
    // "提交试卷": the hand-in; once an ending is frozen (a time-out whose post failed), that
    // ending posted again.
    void btn2Click();
    // "放弃考试": the abandonment; once an ending is frozen, as the hand-in.
    void Button1Click();
    // The exam area in its idle state: empty paper, no panels, hidden, clock off, Elapsed 0.
    void ResetExam() override;
    // The seconds the clock has counted in this run.
    int32_t Elapsed() const { return session.Elapsed(); }
    // From the end of ShowExamArea until an ending has recorded its row.
    bool ExamRunning() const { return session.Running(); }
    // An ending recorded its row; the window closes or has closed.
    bool ExamEnded() const { return session.Ended(); }
    // "考试时间结束.你的得分是: 85分. 满分是: 100分.已保存." CR LF CR LF "点击确认按钮关闭程序."
    static QString ResultText(int32_t score, int32_t totalScore);
    // "hh:mm:ss" of a count of seconds, whole days left out.
    static QString RemainingTimeText(int32_t seconds);

    void setVisible(bool visible) override;

    // The client area; the catalogue view and, above it, the exam area are its children.
    QWidget* ClientArea = nullptr;
    QLabel* lbl1 = nullptr;
    QListWidget* lst1 = nullptr;
    QLabel* lbl3 = nullptr;
    QPushButton* btn1 = nullptr;
    QWidget* bvl1 = nullptr;
    QLabel* lbl2 = nullptr;
    QPlainTextEdit* mmo1 = nullptr;

    // The exam area, over the whole client area and hidden until an exam starts.
    QFrame* pnl2 = nullptr;
    // The viewport of the paper; its border is one pixel, pnl1Client is what lies inside it and
    // holds PaperPanel and ScrollBar1, in the coordinates a panel's client area has.
    QFrame* pnl1 = nullptr;
    QWidget* pnl1Client = nullptr;
    TExamScrollBar* ScrollBar1 = nullptr;
    QLabel* lbl4 = nullptr;
    QPushButton* btn2 = nullptr;
    QPushButton* Button1 = nullptr;
    QTimer* tmr1 = nullptr;

    TParentPanel* PaperPanel = nullptr;
    std::vector<std::filesystem::path> PaperFiles;
    QString ExamineeName;
    QString ExamineeTown;
    QString ExamineeUnit;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateCatalogueView();
    void CreateExamArea();
    void FormCreate();
    void FormClose();
    void SetCatalogueShown(bool shown);
    void ChainTabOrder();
    void ScrollIntoView(QWidget* focused);
    void WheelOver(int angleDelta);
    bool HasTimeLimit() const;
    void TimeOut();
    // The frozen ending posted again, its result shown and the exam ended.
    void RetryRecording();
    // Records the ending with every question's answer and marks through the session; a failed
    // post reaches the caller. Returns the posted row.
    JournaledScoreRow RecordEnding(RunEnding ending, int32_t score);
    std::vector<RecordedAnswer> RecordedAnswers() const;
    void LoadPaper(const PaperFile& paper);
    // Loads the paper, shows the exam area and starts the run.
    void RunPaper(PaperFile paper);
    Examinee CurrentExaminee() const { return {ExamineeTown, ExamineeUnit, ExamineeName}; }
    void JournalAnswers();
    void ShowResult(int32_t score);
    // The last steps of every ending: the hand-in button hidden, "结束", the window closed.
    void EndExam();
    void tmr1Tick();
    // Loads the whole paper of catalogue entry index and shows its rules in mmo1; a paper that
    // fails to load leaves mmo1 as it was.
    void ShowRulesOf(int index);

    std::filesystem::path paperFolder;
    ExamSession session;
    int wheelRest = 0;
    std::unique_ptr<ui::SkinFrame> skin;
};
