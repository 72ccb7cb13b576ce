#include "exam/Startup.h"

#include "exam/JournalFile.h"
#include "exam/StartupRecovery.h"
#include "exam/Unit1.h"
#include "exam/Unit2.h"
#include "exam/uMainform.h"
#include "ui/ErrorBox.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QTimer>
#include <filesystem>
#include <memory>

namespace {

// Without a journal the exam still runs; the examinee is told that it will not be kept. A
// damaged journal is kept aside under another name, and the examinee told where, once.
std::unique_ptr<ExamJournal> OpenJournal(const std::string& file) {
    try {
        OpenedJournal opened =
            OpenJournalSettingDamageAside(file, std::chrono::system_clock::now());
        if (!opened.keptDamagedFile.empty())
            ui::ShowErrorMessage(
                QString::fromStdString(DamagedJournalMessage(opened.keptDamagedFile)));
        return std::move(opened.journal);
    } catch (const std::exception& error) {
        ui::ShowException(error);
        return nullptr;
    }
}

bool ResumeFromJournal(ExamJournal* journal, TMainForm& form, TDataModule2& data) {
    if (!journal)
        return false;
    try {
        return ResumeUnfinishedExam(*journal, form, data,
                                    QDateTime::currentDateTime().toSecsSinceEpoch());
    } catch (const std::exception& error) {
        ui::ShowException(error);
        return false;
    }
}

} // namespace

int RunExam(const ExamStartup& startup) {
    ui::SetApplicationTitle(u"Quillon测试系统"_qs);

    const std::filesystem::path paperFolder =
        QFile::encodeName(startup.Folder + u"Exam File"_qs).toStdString();
    // Opened before the window, so that it is destroyed after the window, which uses it to the
    // end.
    const std::unique_ptr<ExamJournal> journal = OpenJournal(
        startup.JournalFile.empty() ? DefaultJournalFile(startup.Folder) : startup.JournalFile);
    TMainForm MainForm(paperFolder);
    TForm1 Form1(MainForm);
    TDataModule2 DataModule2(nullptr, startup.Folder);
    MainForm.SetRecorder(&DataModule2);
    Form1.SetDataModule(&DataModule2);
    MainForm.SetJournal(journal.get());

    if (!ResumeFromJournal(journal.get(), MainForm, DataModule2)) {
        if (startup.ShowLogin)
            startup.ShowLogin(Form1);
        else
            Form1.exec();
        if (Form1.QuitRequested())
            return 0;
    }
    // A paper whose time ran out during the login's pauses, or before it was resumed, has been
    // recorded, and its ending ends the program as every ending does: the window is not shown.
    if (!MainForm.ShowAtStart || MainForm.ExamEnded())
        return 0;

    QTimer::singleShot(0, &MainForm, [&MainForm] { MainForm.show(); });
    return startup.RunEventLoop ? startup.RunEventLoop(MainForm) : QApplication::exec();
}
