// bench_panels [builds]: builds the question panels of the 256-question benchmark paper in the
// exam's viewport many times and prints the mean time per BuildPanels, the time of the first
// showing and of one scroll step. The baseline of the same run creates the same number of bare
// controls of the same kinds, placed once, without any layout arithmetic.

#include "paper/uObjectHandle.h"
#include "tools/benchpaper/BenchPaper.h"
#include "ui/Fonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <typename Action> double MeanMilliseconds(int runs, Action&& action) {
    action(); // warm the allocator and the font caches
    const auto start = Clock::now();
    for (int i = 0; i < runs; ++i)
        action();
    return MillisecondsSince(start) / runs;
}

struct ControlCounts {
    int radios = 0;
    int boxes = 0;
    int lists = 0;
    int labels = 0;
    int Total() const { return radios + boxes + lists + labels; }
};

ControlCounts CountControls(const TParentPanel& paper) {
    ControlCounts counts;
    counts.radios = static_cast<int>(paper.findChildren<QRadioButton*>().size());
    counts.boxes = static_cast<int>(paper.findChildren<QCheckBox*>().size());
    counts.lists = static_cast<int>(paper.findChildren<TLabelComBoBox*>().size());
    counts.labels = static_cast<int>(paper.findChildren<QLabel*>().size());
    return counts;
}

// The same controls, created bare in one hidden widget and placed once.
void CreateBareControls(QWidget& parent, const ControlCounts& counts) {
    auto* holder = new QWidget(&parent);
    int row = 0;
    const auto place = [&row](QWidget* control) {
        control->setGeometry(16, 28 * row++, 710, 28);
    };
    for (int i = 0; i < counts.radios; ++i)
        place(new QRadioButton(QStringLiteral("A. option"), holder));
    for (int i = 0; i < counts.boxes; ++i)
        place(new QCheckBox(QStringLiteral("A. option"), holder));
    for (int i = 0; i < counts.lists; ++i)
        place(new QComboBox(holder));
    for (int i = 0; i < counts.labels; ++i)
        place(new QLabel(QStringLiteral("A. choice"), holder));
    delete holder;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ui::InstallFontSubstitutions();
    const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    if (runs <= 0) {
        std::fputs("usage: bench_panels [builds]\n", stderr);
        return 1;
    }

    // The exam's viewport: 760 wide with a one-pixel border, a 16-pixel scroll bar inside it.
    QWidget viewport;
    viewport.setFont(ui::SongFont(12));
    viewport.resize(758, 497);
    auto* paper = new TParentPanel(&viewport);
    paper->setGeometry(0, 0, 742, 497);
    std::istringstream stream(paperwriter::WritePaper(paperwriter::BenchPaper()));
    paper->Paper.LoadFromStream(stream);

    const auto firstStart = Clock::now();
    paper->BuildPanels();
    const double firstBuild = MillisecondsSince(firstStart);
    const double build = MeanMilliseconds(runs, [&] { paper->BuildPanels(); });
    double clear = 0;
    for (int i = 0; i < runs; ++i) {
        paper->BuildPanels();
        const auto start = Clock::now();
        paper->ClearPanels();
        clear += MillisecondsSince(start) / runs;
    }
    paper->BuildPanels();
    const ControlCounts counts = CountControls(*paper);
    QWidget bareParent;
    const double bare = MeanMilliseconds(runs, [&] { CreateBareControls(bareParent, counts); });

    const auto showStart = Clock::now();
    viewport.show();
    QCoreApplication::processEvents();
    const double firstShow = MillisecondsSince(showStart);

    constexpr int Steps = 500;
    const int range = paper->height() - 497;
    const auto scrollStart = Clock::now();
    for (int i = 1; i <= Steps; ++i) {
        paper->move(0, -(range * i / Steps));
        QCoreApplication::processEvents();
    }
    const double scroll = MillisecondsSince(scrollStart) / Steps;

    const double shownBuild = MeanMilliseconds(runs, [&] {
        paper->BuildPanels();
        QCoreApplication::processEvents();
    });

    if (paper->Panels.size() != paperwriter::BenchQuestionCount || counts.Total() == 0) {
        std::fputs("bench_panels: the paper was not built completely\n", stderr);
        return 1;
    }
    std::printf("paper: %lld panels, %d controls (%d radio buttons, %d check boxes, %d letter "
                "lists, %d choice labels), %d pixels high, %d builds\n",
                static_cast<long long>(paper->Panels.size()), counts.Total(), counts.radios,
                counts.boxes, counts.lists, counts.labels, paper->height(), runs);
    std::printf("first BuildPanels:           %8.1f ms\n", firstBuild);
    std::printf("BuildPanels (with clearing): %8.1f ms per build\n", build);
    std::printf("  of which ClearPanels:      %8.1f ms\n", clear);
    std::printf("bare controls (baseline):    %8.1f ms, ratio %.2f\n", bare, build / bare);
    std::printf("first showing and painting:  %8.1f ms\n", firstShow);
    std::printf("one scroll step (move+paint):%8.2f ms\n", scroll);
    std::printf("BuildPanels while shown:     %8.1f ms, painting included\n", shownBuild);
    return 0;
}
