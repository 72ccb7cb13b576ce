#include "tallyboard/Unit4.h"

TfrmBasicMid1::TfrmBasicMid1(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("考试成绩查看"));
}
