#pragma once

#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// Appends to list the paper files in folder: every entry whose name ends in ".mqe" (from its
// last ".", any letter case) and is not a directory, and, when recurse is true, those of every
// folder below it, a subfolder's papers standing where the subfolder stands in its parent's
// listing. Entries come in the order the file system lists them, hidden ones included; nothing
// is sorted. Pending events are processed between entries, every few milliseconds, so that a
// large tree does not freeze the program. A folder that does not exist leaves list unchanged.
void FindPaperFiles(std::vector<std::filesystem::path>& list, const std::filesystem::path& folder,
                    bool recurse);

// Drops the files whose header does not carry the paper mark and returns the titles (GBK bytes)
// of the kept ones, entry i the title of files[i]. A file whose header cannot be read is shown
// in the default error box and dropped, so that titles and files still pair up.
std::vector<std::string> FilterPaperFiles(std::vector<std::filesystem::path>& files);

// The folder "Exam File" beside the running executable.
std::filesystem::path DefaultPaperFolder();

// The main window of exam. Its base layer is the paper catalogue: the titles of the papers found
// below the paper folder in lst1, the rules of the selected one in mmo1. PaperFiles[i] is always
// the file of lst1's entry i.
class TMainForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TMainForm)

public:
    static constexpr int ClientWidth = 760;
    static constexpr int ClientHeight = 541;

    explicit TMainForm(std::filesystem::path paperFolder = DefaultPaperFolder(),
                       QWidget* parent = nullptr);
    ~TMainForm() override;

    // Builds the catalogue; its failures (an empty catalogue, a first paper that does not load)
    // reach the caller.
    void LoadPaperList();
    // Selects lst1's entry index as the program does it: lst1Click does not run. An index
    // outside the list fails with the list's index error.
    void SelectPaper(int index);
    // The selected entry of lst1, or -1.
    int SelectedPaper() const;
    // The file of catalogue entry index; the list's index error outside the catalogue.
    const std::filesystem::path& PaperAt(int index) const;
    // The user changed lst1's selection: show the rules of the selected paper.
    void lst1Click();

    // The client area; the catalogue view and, above it, the exam area are its children.
    QWidget* ClientArea = nullptr;
    QLabel* lbl1 = nullptr;
    QListWidget* lst1 = nullptr;
    QLabel* lbl3 = nullptr;
    QPushButton* btn1 = nullptr;
    QWidget* bvl1 = nullptr;
    QLabel* lbl2 = nullptr;
    QPlainTextEdit* mmo1 = nullptr;

    std::vector<std::filesystem::path> PaperFiles;

private:
    void CreateCatalogueView();
    void FormCreate();
    // Loads the whole paper of catalogue entry index and shows its rules in mmo1; a paper that
    // fails to load leaves mmo1 as it was.
    void ShowRulesOf(int index);

    std::filesystem::path paperFolder;
};
