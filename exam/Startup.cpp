#include "exam/Startup.h"

#include "exam/Unit1.h"
#include "exam/Unit2.h"
#include "exam/uMainform.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <filesystem>

int RunExam(const ExamStartup& startup) {
    QApplication::setApplicationDisplayName(u"Quillon测试系统"_qs);

    const std::filesystem::path paperFolder =
        QFile::encodeName(startup.Folder + u"Exam File"_qs).toStdString();
    TMainForm MainForm(paperFolder);
    TForm1 Form1(MainForm);
    TDataModule2 DataModule2(nullptr, startup.Folder);
    MainForm.SetDataModule(&DataModule2);
    Form1.SetDataModule(&DataModule2);

    if (startup.ShowLogin)
        startup.ShowLogin(Form1);
    else
        Form1.exec();
    // A paper whose time ran out during the login's pauses has been recorded, and its ending
    // ends the program as every ending does: the window is not shown.
    if (Form1.QuitRequested() || !MainForm.ShowAtStart || MainForm.ExamEnded())
        return 0;

    QTimer::singleShot(0, &MainForm, [&MainForm] { MainForm.show(); });
    return startup.RunEventLoop ? startup.RunEventLoop(MainForm) : QApplication::exec();
}
