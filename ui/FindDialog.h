#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace ui {

class DataGrid;

// The grid's small non-modal find dialog: a text and "查找下一个" (find next). Each search starts
// at the cell after the grid's current cell and moves the current cell to the next cell whose
// displayed text contains the text (ignoring case); when none does, "未找到" is shown.
class FindDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FindDialog)

public:
    explicit FindDialog(DataGrid* grid);
    ~FindDialog() override;

    QLineEdit* textEdit() const { return edit; }
    QPushButton* findNextButton() const { return nextButton; }
    // What "find next" does: true when a cell was found.
    bool findNext();

private:
    DataGrid* grid;
    QLineEdit* edit;
    QPushButton* nextButton;
};

} // namespace ui
