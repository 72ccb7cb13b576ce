#pragma once

#include "paperbuilder/BankCheck.h"

#include <QMainWindow>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QScrollArea;
class QSpinBox;
class QTableView;
class TQuestionPanel;

namespace paperbuilder {

class QuestionListModel;

// The window "试卷制作": opens a bank or a paper, lists its questions with their faults, edits
// the paper's title, rules and time limit, shows the selected question in exam's own question
// panel, where an answer can be tried and scored, and saves the paper.
class BuilderWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BuilderWindow)

public:
    // exam's paper area: its 760-pixel client less the frame and the scroll bar.
    static constexpr int ExamPanelWidth = 742;

    explicit BuilderWindow(QWidget* owner = nullptr);
    ~BuilderWindow() override;

    // Reads the bank or paper and lists it; false, after a message box, when it cannot be read.
    bool OpenFile(const QString& file);
    // Asks where to save, proposing the "Exam File" folder beside exam, and writes the paper;
    // false when there are faults, the user cancels or the paper cannot be written.
    bool SavePaper();

    const CheckedPaper& Checked() const { return checked; }
    // The panel showing the selected question; none while nothing or a faulty one is selected.
    TQuestionPanel* Preview() const;

private:
    void btnOpenClick();
    void HeaderChanged();
    void Recheck();
    void ShowQuestion(int row);
    void ShowScore();
    void ClearPreview();
    // exam's folder of papers beside the program, where a save proposes to put the paper.
    static QString PaperFolder();
    QString ProposedPaperPath() const;

    Bank bank;
    BuildSettings settings;
    CheckedPaper checked;

    QLineEdit* edtTitle;
    QPlainTextEdit* mmoRules;
    QSpinBox* spnMinutes;
    QLabel* lblHeaderFaults;
    QTableView* grdQuestions;
    QuestionListModel* model;
    QLabel* lblSummary;
    QScrollArea* scrPreview;
    QLabel* lblScore;
    QPointer<TQuestionPanel> preview;
    bool filling = false;
};

} // namespace paperbuilder
