#pragma once

#include "tallyboard/AttemptRecords.h"
#include "tallyboard/ItemAnalysisModel.h"

#include <QDate>
#include <QWidget>
#include <array>
#include <functional>

class QBarSet;
class QChartView;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace platform {
class TADOConnection;
}

// The item analysis window "试题分析": for a paper of the attempts in the score search's unit
// filter (hand-ins and time-outs), the whole paper's figures, one row per question with its
// facility, discrimination and hints, how the attempts answered the selected question, and a
// chart each of the facility and the discrimination per question; export of the tables to .xls.
class TfrmItemAnalysis final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmItemAnalysis)

public:
    enum PaperFigure {
        Attempts,
        Average,
        Median,
        Deviation,
        Skewness,
        Kurtosis,
        Consistency,
        ErrorRatio,
        StandardError,
        PaperFigureCount
    };

    // The connection is the score browser's, not owned.
    explicit TfrmItemAnalysis(platform::TADOConnection& connection, QWidget* parent = nullptr);

    // Lists the papers of the attempts in the unit filter again and analyses the chosen one,
    // keeping the paper chosen before when it is still there.
    void Refresh(const QString& unitText);
    void ExportTables();
    void ShowResponses(int row);

    std::function<QDate()> Today = [] {
        return QDate::currentDate();
    };

    // The sittings to narrow the attempts to, shown where the database has the sitting tables.
    QLabel* lblSitting = nullptr;
    QComboBox* cbbSitting = nullptr;
    QComboBox* cbbPaper = nullptr;
    QLabel* lblAbandoned = nullptr;
    std::array<QLabel*, PaperFigureCount> lblFigures{};
    QTableView* grdQuestions = nullptr;
    QTableView* grdResponses = nullptr;
    QChartView* chtFacility = nullptr;
    QChartView* chtDiscrimination = nullptr;
    QPushButton* btnExport = nullptr;
    QPushButton* btnClose = nullptr;

    TItemAnalysisModel* Model() const { return model; }
    TResponseModel* Responses() const { return responses; }
    QBarSet* FacilityBars() const { return facilityBars; }
    QBarSet* DiscriminationBars() const { return discriminationBars; }

private:
    QWidget* CreateFigurePanel();
    void AnalysePaper(int choice);
    void ShowPaperFigures();
    void ShowCharts();
    void TitleClicked(int column);
    void ClearAnalysis();
    void ListSittings();
    tallyboard::AttemptFilter Filter() const;

    platform::TADOConnection& connection;
    QString unitText;
    std::vector<tallyboard::PaperChoice> papers;
    TItemAnalysisModel* model = nullptr;
    TResponseModel* responses = nullptr;
    QBarSet* facilityBars = nullptr;
    QBarSet* discriminationBars = nullptr;
    bool sortedDescending = false;
};
