#pragma once

#include "records/Verification.h"
#include "tallyboard/AttemptRecords.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace platform {
class TADOConnection;
}

// The window "复核": every score of the database checked against its attempt and every attempt
// re-scored from its answers with its paper's key. Each fault is a row with its kind, the
// examinee, the time and score of its row and what does not agree; the counts stand above. A
// double click on a fault that has an attempt asks for the attempt's review.
class TfrmVerification final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmVerification)

public:
    enum Column {
        KindColumn,
        TownColumn,
        UnitColumn,
        NameColumn,
        TimeColumn,
        ScoreColumn,
        DetailColumn,
        ColumnCount
    };

    // The connection is the score browser's, not owned.
    explicit TfrmVerification(platform::TADOConnection& connection, QWidget* parent = nullptr);

    // Reads the database again and shows its faults. Throws when it cannot be read.
    void Refresh();
    // Asks for the review of the row's attempt, or says that the fault has none.
    void OpenAttemptOfRow(int row);

    const records::VerificationReport& Report() const { return report; }

    QLabel* lblSummary = nullptr;
    QTableView* grdFaults = nullptr;
    QPushButton* btnRefresh = nullptr;
    QPushButton* btnClose = nullptr;

signals:
    // The attempt by the values it shares with its score row.
    void attemptRequested(const tallyboard::ScoreRowKey& key);

private:
    void ShowReport();

    platform::TADOConnection& connection;
    QStandardItemModel* model = nullptr;
    records::VerificationReport report;
};
