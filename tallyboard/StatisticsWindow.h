#pragma once

#include "tallyboard/StatisticsModel.h"

#include <QDate>
#include <QWidget>
#include <functional>

class QBarSet;
class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;
class QValueAxis;

namespace platform {
class TADOQuery;
}

// The statistics window "成绩统计" over the rows of the score browser's current search: per
// town, unit or both, the count, average, median, highest and lowest score, passes and pass
// rate, with a 合计 row; a histogram of the scores in bands of 10 for all rows or the selected
// group; export of the table to .xls and of the chart to PNG. The pass mark is remembered for
// the user between runs. The figures follow every new search while the window is open.
class TfrmStatistics final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmStatistics)

public:
    // The query is the browse window's, not owned; it must be open when Refresh runs.
    TfrmStatistics(platform::TADOQuery& query, QWidget* parent = nullptr);

    // Reads the query's rows again and shows their figures.
    void Refresh();
    // The export commands: the table to an .xls file, the chart to a .png file.
    void ExportTable();
    void ExportChart();
    // The histogram of a table row's group; all rows for the 合计 row.
    void ShowHistogram(int row);

    // The day whose date the proposed export names carry.
    std::function<QDate()> Today = [] {
        return QDate::currentDate();
    };

    QComboBox* cbbGrouping = nullptr;
    QSpinBox* spnPassMark = nullptr;
    QLabel* lblUnscored = nullptr;
    QTableView* grdFigures = nullptr;
    QChartView* chtHistogram = nullptr;
    QPushButton* btnExportTable = nullptr;
    QPushButton* btnExportChart = nullptr;
    QPushButton* btnClose = nullptr;

    TStatisticsModel* Model() const { return model; }
    // The bars of the histogram, band by band.
    QBarSet* Bars() const { return bars; }

private:
    void CreateChart();
    void TitleClicked(int column);
    void PassMarkChanged(int mark);
    int SelectedRow() const;

    platform::TADOQuery& query;
    TStatisticsModel* model = nullptr;
    TGroupedScores grouped;
    QChart* chart = nullptr;
    QBarSet* bars = nullptr;
    QValueAxis* countAxis = nullptr;
    // As in the browse grid: a title click sorts descending unless the rows are in a
    // descending order now; a new tally shows the groups as they first appear.
    bool sortedDescending = false;
};

// The pass mark the user chose last, 60 before the first choice.
int RememberedPassMark();
