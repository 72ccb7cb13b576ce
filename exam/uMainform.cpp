#include "exam/uMainform.h"

#include "exam/uFileHandle.h"
#include "platform/CodePage.h"
#include "platform/RuntimeErrors.h"
#include "ui/ErrorBox.h"
#include "ui/Fonts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <algorithm>
#include <optional>

namespace fs = std::filesystem;

namespace {

bool HasPaperExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot != 4)
        return false;
    static constexpr char paperExtension[] = ".mqe";
    return std::equal(
        name.begin() + static_cast<std::ptrdiff_t>(dot), name.end(), paperExtension,
        [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
}

// Processes pending events between the entries of a search, so that a large tree does not freeze
// the program. One round costs a poll of the window system's connection, more than looking at an
// entry, so rounds are at most a few milliseconds apart rather than one per entry: well below
// what a user can notice.
class EventPump final {
public:
    EventPump() { sinceLastRound.start(); }
    void betweenEntries() {
        if (sinceLastRound.elapsed() < RoundIntervalMs)
            return;
        QCoreApplication::processEvents();
        sinceLastRound.restart();
    }

private:
    static constexpr qint64 RoundIntervalMs = 5;
    QElapsedTimer sinceLastRound;
};

// The search keeps the real folders it is inside, so that a symbolic link back to one of them
// is not followed round and round.
void SearchFolder(std::vector<fs::path>& list, const fs::path& folder, bool recurse,
                  std::vector<fs::path>& realFolders, EventPump& events) {
    std::error_code error;
    for (fs::directory_iterator entries(folder, error), end; !error && entries != end;
         entries.increment(error)) {
        events.betweenEntries();
        const fs::directory_entry& entry = *entries;
        std::error_code ignored;
        if (entry.is_directory(ignored)) {
            if (!recurse)
                continue;
            const fs::path real = entry.is_symlink(ignored)
                                      ? fs::canonical(entry.path(), ignored)
                                      : realFolders.back() / entry.path().filename();
            if (real.empty() ||
                std::find(realFolders.begin(), realFolders.end(), real) != realFolders.end())
                continue;
            realFolders.push_back(real);
            SearchFolder(list, entry.path(), true, realFolders, events);
            realFolders.pop_back();
        } else if (HasPaperExtension(entry.path().filename().string())) {
            list.push_back(entry.path());
        }
    }
}

// List rows of a fixed height, as the list box draws them.
class FixedRowHeight final : public QStyledItemDelegate {
public:
    FixedRowHeight(int height, QObject* parent) : QStyledItemDelegate(parent), height(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height};
    }

private:
    int height;
};

// A lowered line along the bottom edge, dividing the catalogue from the rules below it.
class BottomLineBevel final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(0, height() - 2, width() - 1, height() - 2);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(0, height() - 1, width() - 1, height() - 1);
    }
};

QLabel* CreateLabel(QWidget* parent, const char* text, const QRect& geometry) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

void FindPaperFiles(std::vector<fs::path>& list, const fs::path& folder, bool recurse) {
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return;
    std::vector<fs::path> realFolders{fs::canonical(folder, error)};
    EventPump events;
    SearchFolder(list, folder, recurse, realFolders, events);
}

std::vector<std::string> FilterPaperFiles(std::vector<fs::path>& files) {
    // Read from the last file to the first, then drop the refused ones in one pass, keeping the
    // order of the rest.
    std::vector<std::optional<std::string>> titles(files.size());
    for (size_t i = files.size(); i-- > 0;) {
        PaperHeader header;
        try {
            TQFileHandle::ReadFileHeader(files[i], header);
        } catch (const std::exception& error) {
            ui::ShowException(error);
            continue;
        }
        if (header.CarriesPaperMark())
            titles[i] = header.PaperTitle();
    }
    std::vector<std::string> kept;
    size_t next = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (!titles[i])
            continue;
        files[next++] = std::move(files[i]);
        kept.push_back(std::move(*titles[i]));
    }
    files.resize(next);
    return kept;
}

fs::path DefaultPaperFolder() {
    return fs::path(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString()) /
           "Exam File";
}

TMainForm::TMainForm(fs::path paperFolder, QWidget* parent)
    : QWidget(parent), paperFolder(std::move(paperFolder)) {
    setWindowTitle(QStringLiteral("Quillon考试系统"));
    setFont(ui::SongFont(12));
    setFixedSize(ClientWidth, ClientHeight);
    CreateCatalogueView();
    // An error while the window is created is shown, and the creation completes all the same.
    try {
        FormCreate();
    } catch (const std::exception& error) {
        ui::ShowException(error);
    } catch (...) {
        ui::ShowUnknownException();
    }
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateCatalogueView() {
    ClientArea = new QWidget(this);
    ClientArea->setGeometry(0, 0, ClientWidth, ClientHeight);

    lbl1 = CreateLabel(ClientArea, "请您任选一套试题进行考试", {24, 16, 305, 12});

    lst1 = new QListWidget(ClientArea);
    lst1->setGeometry(24, 32, 713, 233);
    lst1->setSelectionMode(QAbstractItemView::SingleSelection);
    lst1->setUniformItemSizes(true);
    lst1->setItemDelegate(new FixedRowHeight(12, lst1));
    // Queued: the list has finished its own work when the handler runs, and whatever the
    // handler throws reaches the error box without passing through the list's code.
    connect(lst1, &QListWidget::itemSelectionChanged, this, &TMainForm::lst1Click,
            Qt::QueuedConnection);

    lbl3 = CreateLabel(ClientArea, "考生资料:", {34, 282, 367, 24});
    lbl3->setFont(ui::SongFont(16));
    QPalette red = lbl3->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lbl3->setPalette(red);

    btn1 = new QPushButton(QStringLiteral("开始考试"), ClientArea);
    btn1->setGeometry(568, 280, 169, 21);

    bvl1 = new BottomLineBevel(ClientArea);
    bvl1->setGeometry(24, 312, 713, 14);

    lbl2 = CreateLabel(ClientArea, "试卷规定", {32, 352, 193, 12});

    mmo1 = new QPlainTextEdit(ClientArea);
    mmo1->setGeometry(24, 368, 713, 145);
    mmo1->setReadOnly(true);

    setTabOrder(lst1, btn1);
    setTabOrder(btn1, mmo1);
}

void TMainForm::FormCreate() {
    LoadPaperList();
}

void TMainForm::LoadPaperList() {
    PaperFiles.clear();
    {
        const QSignalBlocker programChange(lst1);
        lst1->clear();
    }
    FindPaperFiles(PaperFiles, paperFolder, true);
    const std::vector<std::string> titles = FilterPaperFiles(PaperFiles);
    {
        const QSignalBlocker programChange(lst1);
        for (const std::string& title : titles)
            lst1->addItem(platform::FromGbk(title));
    }
    mmo1->clear();
    SelectPaper(0);
    ShowRulesOf(SelectedPaper());
}

void TMainForm::SelectPaper(int index) {
    if (index < 0 || index >= lst1->count())
        throw platform::EListError(index);
    const QSignalBlocker programChange(lst1);
    lst1->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

int TMainForm::SelectedPaper() const {
    const QList<QListWidgetItem*> selected = lst1->selectedItems();
    return selected.isEmpty() ? -1 : lst1->row(selected.front());
}

const fs::path& TMainForm::PaperAt(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= PaperFiles.size())
        throw platform::EListError(index);
    return PaperFiles[static_cast<size_t>(index)];
}

void TMainForm::lst1Click() {
    const int index = SelectedPaper();
    if (index >= 0)
        ShowRulesOf(index);
}

void TMainForm::ShowRulesOf(int index) {
    TQFileHandle paper;
    paper.LoadFromFile(PaperAt(index));
    mmo1->setPlainText(platform::FromGbk(paper.PaperRules));
}
