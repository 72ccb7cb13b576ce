#pragma once

#include <QScrollBar>
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
class TDataModule2;
class TParentPanel;
namespace ui {
class SkinFrame;
}

// Appends to list the paper files in folder: every entry whose name ends in ".mqe" (from its
// last ".", any letter case) and is not a directory, and, when recurse is true, those of every
// folder below it, a subfolder's papers standing where the subfolder stands in its parent's
// listing. Entries come in the order the file system lists them, hidden ones included; nothing
// is sorted. Pending events are processed between entries, every few milliseconds, so that a
// large tree does not freeze the program. A folder that does not exist leaves list unchanged.
void FindPaperFiles(std::vector<std::filesystem::path>& list, const std::filesystem::path& folder,
                    bool recurse);

// Drops the files whose header does not carry the paper mark and returns the titles (GBK bytes)
// of the kept ones, entry i the title of files[i]. A file whose header cannot be read is shown
// in the default error box and dropped, so that titles and files still pair up.
std::vector<std::string> FilterPaperFiles(std::vector<std::filesystem::path>& files);

// The folder "Exam File" beside the running executable.
std::filesystem::path DefaultPaperFolder();

// A vertical scroll bar with the Windows model: a range 0..Max and a page size that is taken only
// when it is not larger than Max, a small change (arrows) and a large change (track) of their
// own. Qt's bar has no separate large change and counts its maximum without the page, so the Qt
// range is 0..Max - PageSize + 1 with a page, as a Windows bar lets the thumb go, and 0..Max
// without one. A position set by the program is clamped to that range, so the view never runs
// past the end of a paper longer than the viewport.
class TExamScrollBar final : public QScrollBar {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TExamScrollBar)

public:
    explicit TExamScrollBar(QWidget* parent = nullptr);

    int Max() const { return max; }
    int PageSize() const { return pageSize; }
    int Position() const { return value(); }
    // Sets Max; a page size larger than the new Max is dropped; the position is clamped.
    void SetMax(int value);
    // Ignored when larger than Max.
    void SetPageSize(int value);
    void SetPosition(int value) { setValue(value); }

    static constexpr int SmallChange = 20;
    static constexpr int LargeChange = 400;

private:
    void ApplyRange();
    void ApplyLargeChange(int action);

    int max = 0;
    int pageSize = 0;
};

// The main window of exam. Its base layer is the paper catalogue: the titles of the papers found
// below the paper folder in lst1, the rules of the selected one in mmo1. PaperFiles[i] is always
// the file of lst1's entry i.
class TMainForm final : public QWidget {
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

    // The data module whose connections the endings write to; main creates it after the window.
    void SetDataModule(TDataModule2* dataModule);
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
    void ShowExamArea();
    // Moves PaperPanel to minus the scroll position.
    void ScrollBar1Change();
    // One wheel notch: 10 pixels down while the position is below the paper's height - 500, or
    // 10 pixels up, not below 0.
    void FormMouseWheelDown();
    void FormMouseWheelUp();
    // One tick of the exam clock: the remaining time in lbl4, the time-out at the end.
    void tmr1Timer();
    // "提交试卷": the hand-in.
    void btn2Click();
    // "放弃考试": the abandonment.
    void Button1Click();
    // Append a score row on the primary connection (failures reach the caller) and on the
    // secondary one, read anew from the configuration (failures dropped).
    void SaveScore(const QString& score, const QString& town, const QString& name,
                   const QString& unit);
    void SaveScoreSecond(const QString& score, const QString& town, const QString& name,
                         const QString& unit);
    // The exam area in its idle state: empty paper, no panels, hidden, clock off, Elapsed 0.
    void ResetExam();
    // From the end of ShowExamArea until an ending has recorded its row.
    bool ExamRunning() const { return state == ExamState::Running; }
    // An ending recorded its row; the window closes or has closed.
    bool ExamEnded() const { return state == ExamState::Ended; }
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
    int32_t Elapsed = 0;
    QString ExamineeName;
    QString ExamineeTown;
    QString ExamineeUnit;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class ExamState { Idle, Running, Ended };

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
    void ShowResult(int32_t score);
    // The last steps of every ending: the hand-in button hidden, "结束", the window closed.
    void EndExam();
    void tmr1Tick();
    // Loads the whole paper of catalogue entry index and shows its rules in mmo1; a paper that
    // fails to load leaves mmo1 as it was.
    void ShowRulesOf(int index);

    std::filesystem::path paperFolder;
    TDataModule2* dataModule = nullptr;
    ExamState state = ExamState::Idle;
    int wheelRest = 0;
    std::unique_ptr<ui::SkinFrame> skin;
};
