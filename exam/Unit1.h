#pragma once

#include <QComboBox>
#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>

class QCompleter;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QRandomGenerator;
class TDataModule2;
class TMainForm;
namespace ui {
class PictureBox;
}

// Only the first entries of the catalogue take part in the draw.
constexpr int DrawablePapers = 19;

// Draws a catalogue position uniformly among 0 .. min(19, paperCount) - 1. An empty catalogue
// gives 0, whose selection then fails with the list's index error.
int DrawPaperIndex(int paperCount, QRandomGenerator& generator);

// The confirmation asked before the examinee is handed over.
QString ConfirmationText(const QString& town, const QString& unit, const QString& name);
// The examinee line of the main window's lbl3.
QString ExamineeLine(const QString& town, const QString& unit, const QString& name);
// What the login shows once the paper runs: its time in whole minutes, rounded up; a paper
// without a positive time limit runs without a countdown, so no time is named.
QString DrawnPaperText(int32_t timeLimitSeconds);

// A drop-down list that runs DropDown each time it is about to open, so that its items can be
// rebuilt for what is chosen at that moment. An error of DropDown is shown in the default error
// box and the list opens with what it holds.
class TDropDownComboBox final : public QComboBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDropDownComboBox)

public:
    using QComboBox::QComboBox;
    void showPopup() override;

    std::function<void()> DropDown;
};

// The login window: the examinee chooses a town, the kind of unit and a unit from the primary
// database and types a name; after one confirmation the window hands them to the main window,
// draws a paper (from a sitting open for the examinee, else from "Exam File"), starts it, shows
// a short progress text and closes. "退出" ends the program.
class TForm1 final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm1)

public:
    // The window is 331 x 245: a frame of 3 pixels and a caption of 19 around a client area of
    // 325 x 220. It draws its caption itself, so that the window system adds no caption button
    // and no system menu.
    static constexpr int ClientWidth = 325;
    static constexpr int ClientHeight = 220;
    static constexpr int FrameWidth = 3;
    static constexpr int CaptionHeight = 19;

    explicit TForm1(TMainForm& mainForm, QWidget* parent = nullptr);
    ~TForm1() override;

    // The data module whose qry1 reads the towns and units; set before the window is shown.
    void SetDataModule(TDataModule2* dataModule);
    // The two pauses after the draw, 1500 and 2000 ms; tests shorten them.
    void SetPauses(int drawingMs, int drawnMs);

    // Fills the town list, then the unit list. Runs when the window is first shown.
    void FormShow();
    // Refills the unit list for the chosen town and kind of unit.
    void LoadUnits();
    // Offers the roster's names of the chosen town and unit as completions of the name box.
    void OfferRosterNames();
    // "登陆考试": checks the entries, confirms, hands over, draws and starts a paper, closes.
    void rzbtbtn1Click();
    // "退出": the program ends without showing the main window. During the pauses after the draw
    // the window closes when they are over.
    void rzbtbtn2Click();
    // Waits at least the given time while the application goes on handling its events.
    void Delay(int milliseconds);

    // "退出" was chosen, or the window was closed by the window system.
    bool QuitRequested() const { return quitRequested; }

    // The client area, below the caption; every control lies on it.
    QWidget* ClientArea = nullptr;
    ui::PictureBox* img1 = nullptr;
    QLabel* lbl1 = nullptr;
    QComboBox* cbb1 = nullptr;
    QRadioButton* rb1 = nullptr;
    QRadioButton* rb2 = nullptr;
    QLabel* lbl2 = nullptr;
    TDropDownComboBox* cbb2 = nullptr;
    QLabel* lbl4 = nullptr;
    QLineEdit* edt1 = nullptr;
    QCompleter* NameCompleter = nullptr;
    QLabel* lbl3 = nullptr;
    QPushButton* rzbtbtn1 = nullptr;
    QPushButton* rzbtbtn2 = nullptr;

signals:
    // FormShow has filled the lists.
    void shown();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateComponents();
    void FillList(QComboBox* box, const QString& sql);
    void ShowDrawnPaperText(const QString& text);
    bool CheckEntries();
    void HandOver(const QString& town, const QString& unit, const QString& name);
    void DrawAndStart();
    void CloseAfterLogin();

    TMainForm& MainForm;
    TDataModule2* dataModule = nullptr;
    int drawingPause = 1500;
    int drawnPause = 2000;
    bool shownOnce = false;
    bool busy = false;
    bool quitRequested = false;
};
