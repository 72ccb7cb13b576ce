#pragma once

#include "common/ConnectionConfig.h"
#include "platform/DatabaseConnection.h"
#include "tallyboard/AttemptRecords.h"
#include "tallyboard/BasicMdiForm.h"

class QLabel;
class QLineEdit;
class TfrmItemAnalysis;
class TfrmStatistics;
class TfrmSittings;
class TfrmVerification;

// The score browser, the only window of tallyboard: the score rows of the units whose name
// contains the typed text, in recording-time order, with the browse window's sorting, column
// write-back and export.
class TfrmBasicMid1 final : public TfrmBasicMid {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmBasicMid1)

public:
    // programDirectory holds DBConifg.ini and the column-properties file.
    explicit TfrmBasicMid1(const QString& programDirectory = ::ProgramDirectory(),
                           QWidget* parent = nullptr);
    ~TfrmBasicMid1() override;

    // The creation handler: connection, the browse window's creation, the columns of section
    // "score", and from then on the write-back of column changes.
    void FormCreate();
    void actSearchExecute();
    void actExportExecute();
    // Opens the statistics window over the rows of the current search, or raises it with the
    // figures read again; before the first search it says that a search comes first.
    void actStatisticsExecute();
    // Opens the item analysis window over the attempts of the current search's unit filter, or
    // raises it with the figures read again; before the first search it asks for one.
    void actItemAnalysisExecute();
    // Opens the verification window over the whole database, or raises it with the faults
    // found again.
    void actVerifyExecute();
    // Opens the sittings window, or raises it with the sittings read again; no search is
    // needed first. A database without the sitting tables is told so.
    void actSittingsExecute();
    // Opens the review of the attempt behind a row of the grid, or says there is none, or that
    // its paper's bytes do not match their hash.
    void ShowAttemptOfRow(int row);
    // Opens the review of the attempt with these values, or says there is none.
    void ShowAttempt(const tallyboard::ScoreRowKey& key);

    // The SQL text of a search for the typed unit text.
    static QString SearchSql(const QString& unitText);

    QLabel* lbl1 = nullptr;
    QLineEdit* edt1 = nullptr;
    QAction* actStatistics = nullptr;
    TStyledButton* btnStatistics = nullptr;
    QAction* mniStatistics = nullptr;
    QAction* actItemAnalysis = nullptr;
    TStyledButton* btnItemAnalysis = nullptr;
    QAction* mniItemAnalysis = nullptr;
    QAction* actVerify = nullptr;
    TStyledButton* btnVerify = nullptr; // shown once a search finds the attempt tables
    QAction* actReview = nullptr;
    QAction* mniReview = nullptr;
    TfrmStatistics* frmStatistics = nullptr; // created at the first use
    TfrmItemAnalysis* frmItemAnalysis = nullptr;
    TfrmVerification* frmVerification = nullptr;
    QAction* actSittings = nullptr;
    TStyledButton* btnSittings = nullptr;
    QAction* mniSittings = nullptr;
    TfrmSittings* frmSittings = nullptr;
    platform::TADOConnection con1;

private:
    bool AskForSearchFirst();
    void ShowVerifyWhereAttemptsKept();

    // The unit text of the search whose rows the grid shows.
    QString searchedUnit;
};
