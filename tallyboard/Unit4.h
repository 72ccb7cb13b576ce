#pragma once

#include <QMainWindow>

// The score browser, the only window of tallyboard.
class TfrmBasicMid1 final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmBasicMid1)

public:
    explicit TfrmBasicMid1(QWidget* parent = nullptr);
};
