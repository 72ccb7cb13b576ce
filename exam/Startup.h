#pragma once

#include "common/ConnectionConfig.h"

#include <QString>
#include <functional>
#include <string>

class TForm1;
class TMainForm;

// How exam starts. The program shows the login modally and then runs the application's event
// loop; tests and the start-up benchmark put their own drivers in these places.
struct ExamStartup {
    // The folder of "DBConifg.ini" and "Exam File", with its trailing separator.
    QString Folder = ProgramDirectory();
    // The exam journal; empty for the user's one of this program folder.
    std::string JournalFile;
    std::function<void(TForm1&)> ShowLogin;
    // Runs until the main window has closed; returns the program's exit code.
    std::function<int(TMainForm&)> RunEventLoop;
};

// Runs exam: the application title, the main window created hidden (it builds the catalogue),
// the login window, the data module, the journal, an unfinished exam completed or resumed (which
// skips the login), else the login shown, then the event loop, which shows the main
// window as it starts. When the login did not confirm an examinee, or "退出" was chosen, the
// program ends there: the main window is never shown and nothing is written. So it does when the
// drawn paper's time ran out during the login's pauses: the time-out has recorded the exam.
int RunExam(const ExamStartup& startup = {});
