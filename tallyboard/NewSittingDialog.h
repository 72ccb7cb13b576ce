#pragma once

#include "records/Sitting.h"

#include <QDialog>

class QDateTimeEdit;
class QLineEdit;
class QListWidget;
class QCheckBox;
class QSpinBox;
class QTreeWidget;

// The form of a new sitting: its title, window, pass mark, the towns and units it admits (none
// ticked: everybody) and its papers, picked from files. It only gathers; the sittings window
// checks and stores what it gives.
class TdlgNewSitting final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TdlgNewSitting)

public:
    // units: every unit with its town, by town, to tick from; now: where the window starts.
    TdlgNewSitting(const std::vector<records::SittingUnit>& units, const QDateTime& now,
                   QWidget* parent = nullptr);

    // Reads the papers; a file that is not a paper is told and left out.
    void AddPaperFiles(const QStringList& files);
    // What the form says, the papers read whole.
    records::NewSitting Request() const;

    QLineEdit* edtTitle = nullptr;
    QDateTimeEdit* dtpOpens = nullptr;
    QDateTimeEdit* dtpCloses = nullptr;
    QCheckBox* chkPassMark = nullptr;
    QSpinBox* spnPassMark = nullptr;
    QTreeWidget* tvUnits = nullptr;
    QListWidget* lstPapers = nullptr;

private:
    void PickPaperFiles();

    std::vector<records::PaperToPublish> papers;
};
