#pragma once

#include "tallyboard/AttemptRecords.h"

#include <QByteArray>
#include <QDate>
#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QScrollArea;
class TParentPanel;

// The attempt review "答卷详情": the examinee, the paper, start and end, the ending, the time
// used, resumes and time away and the score against the full marks; below it the paper as it
// was answered, in exam's own question panels, read only, with each question's marks and right
// answer beside it. 导出PDF writes the review to a PDF file for printing.
class TfrmAttemptReview final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmAttemptReview)

public:
    // The paper file is the one the attempt was made on. Throws EQError for a paper that does
    // not read.
    TfrmAttemptReview(const tallyboard::AttemptRecord& attempt, const QByteArray& paperFile,
                      QWidget* parent = nullptr);

    // Asks for a file and writes the review to it.
    void ExportPdf();
    // Writes the review to the PDF file, one question never split across pages.
    void WritePdf(const QString& file);

    // The day whose date the proposed file name carries.
    std::function<QDate()> Today = [] {
        return QDate::currentDate();
    };

    QLabel* lblHeader = nullptr;
    QScrollArea* scrAnswers = nullptr;
    TParentPanel* pnlPaper = nullptr;
    QList<QLabel*> lblMarks; // by question
    QPushButton* btnPdf = nullptr;
    QPushButton* btnClose = nullptr;

private:
    void BuildSheet(const tallyboard::AttemptRecord& attempt);
    QString HeaderText(const tallyboard::AttemptRecord& attempt) const;

    QWidget* sheet = nullptr;
    QString examinee;
};

// The ending of an attempt as the review names it: 交卷, 超时 or 放弃.
QString EndingText(const QString& ending);
// Seconds as "12分05秒".
QString DurationText(long long seconds);
