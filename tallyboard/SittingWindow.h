#pragma once

#include "records/SittingReport.h"
#include "tallyboard/TextTableModel.h"

#include <QDate>
#include <QWidget>
#include <functional>
#include <optional>

class QBarSet;
class QChart;
class QChartView;
class QPushButton;
class QTabWidget;
class QTableView;
class QTimer;

namespace platform {
class TADOConnection;
}

// The window "考试场次": the sittings with their window, status and papers; for the chosen one
// its figures per unit with the 合计 row and a chart of the pass rate per unit, its absentees,
// the people who sat it without being on the roster (名单外) and the runs in progress, refreshed
// every 10 seconds while it is open; the export of each list to .xls. It also publishes a new
// sitting and closes one, under the account tallyboard runs with.
class TfrmSittings final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmSittings)

public:
    static constexpr int RefreshMilliseconds = 10'000;

    // The connection is tallyboard's, not owned; it must be open.
    explicit TfrmSittings(platform::TADOConnection& connection, QWidget* parent = nullptr);

    // Reads the sittings again, keeping the chosen one chosen where it is still there.
    void Refresh();
    // Shows the figures and lists of the sitting in that row of the list.
    void ChooseSitting(int row);
    // Reads the chosen sitting's runs again, as the timer does.
    void RefreshChosen();
    // Checks and stores a new sitting, then shows it; false, having said why, when it cannot.
    bool Publish(const records::NewSitting& sitting);
    // Ends the chosen sitting now, after the user agrees.
    void CloseChosen();
    // Exports the list of the page in view.
    void ExportPage();

    // The day whose date the proposed export names carry.
    std::function<QDate()> Today = [] {
        return QDate::currentDate();
    };

    QTableView* grdSittings = nullptr;
    QTabWidget* tabPages = nullptr;
    QTableView* grdFigures = nullptr;
    QChartView* chtPassRates = nullptr;
    QTableView* grdAbsentees = nullptr;
    QTableView* grdOutsiders = nullptr;
    QTableView* grdInProgress = nullptr;
    QPushButton* btnNew = nullptr;
    QPushButton* btnCloseSitting = nullptr;
    QPushButton* btnRefresh = nullptr;
    QPushButton* btnExport = nullptr;
    QPushButton* btnClose = nullptr;
    QTimer* tmrRefresh = nullptr;

    TTextTableModel* Sittings() const { return sittingsModel; }
    TTextTableModel* Figures() const { return figuresModel; }
    TTextTableModel* Absentees() const { return absenteesModel; }
    TTextTableModel* Outsiders() const { return outsidersModel; }
    TTextTableModel* InProgress() const { return inProgressModel; }
    // The pass rates the chart shows, one bar per unit that has one.
    QBarSet* PassRateBars() const { return bars; }
    std::optional<long long> ChosenSitting() const;

private:
    void CreateLayout();
    void NewSitting();
    void ShowReport(const records::SittingReport& report);
    void ShowPassRates(const records::SittingReport& report);
    template <class Work> bool Guarded(Work work);

    platform::TADOConnection& connection;
    std::vector<records::StoredSitting> sittings;
    std::string now;
    TTextTableModel* sittingsModel;
    TTextTableModel* figuresModel;
    TTextTableModel* absenteesModel;
    TTextTableModel* outsidersModel;
    TTextTableModel* inProgressModel;
    QChart* chart = nullptr;
    QBarSet* bars = nullptr;
    int chosen = -1;
};
