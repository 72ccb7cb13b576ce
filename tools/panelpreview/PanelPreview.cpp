// panelpreview [paper.mqe] [--scroll PIXELS] [--answer] [--save FILE.png]
// Shows a paper in a window laid out as the exam's viewport: a 760-pixel panel with a one-pixel
// border, a 16-pixel scroll bar along its right inside edge and the paper panel to its left
// (742 pixels wide). Without a file it shows a built-in paper of all three question kinds.
// --answer ticks and picks a few answers, --scroll moves the paper up, --save writes a picture
// of the window once it is shown.

#include "paper/uObjectHandle.h"
#include "platform/CodePage.h"
#include "ui/Fonts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QScrollBar>
#include <QStringList>
#include <QTimer>
#include <cstdio>

namespace {

std::string Gbk(const char16_t* text) {
    return platform::ToGbk(QString::fromUtf16(text));
}

std::array<uint8_t, 256> Block(std::initializer_list<uint8_t> entries) {
    std::array<uint8_t, 256> block{};
    std::copy(entries.begin(), entries.end(), block.begin());
    return block;
}

void AddSamplePaper(TQFileHandle& paper) {
    paper.AddMulti(6, 0,
                   Gbk(u"1. 乡镇人民政府在本行政区域内履行经济调节、市场监管、社会管理和公共服务"
                       u"等职能，下列各项中属于乡镇人民政府法定职责的有哪些？请选出全部正确的选项"
                       u"，多选、少选或错选均按规则计分。"),
                   Block({1, 0, 1, 1}),
                   {Gbk(u"A. 执行本级人民代表大会的决议和上级国家行政机关的决定和命令"),
                    Gbk(u"B. 制定地方性法规"), Gbk(u"C. 管理本行政区域内的经济、教育、科学、文化"),
                    Gbk(u"D. 保护社会主义的全民所有的财产和劳动群众集体所有的财产")},
                   0);
    paper.AddSingle(4, 0,
                    Gbk(u"2. 根据《中华人民共和国村民委员会组织法》，村民委员会每届任期为几年？"
                        u"\r\n(提示: 届满应当及时举行换届选举, ASCII text mixed in: 5 years.)"),
                    2, {Gbk(u"A. 二年"), Gbk(u"B. 三年"), Gbk(u"C. 五年"), Gbk(u"D. 六年")}, 1);
    paper.AddMatching(
        6, 0, Gbk(u"3. 请为下列各项工作选择对应的负责部门，在每一项前的下拉列表中选出字母。"), 3,
        Block({1, 2, 0}),
        {Gbk(u"森林防火巡查"), Gbk(u"安全生产检查"), Gbk(u"防汛物资储备"),
         Gbk(u"A. 应急管理办公室"), Gbk(u"B. 林业站"), Gbk(u"C. 安全生产监督管理站")},
        2);
    paper.AddSingle(2, 1, Gbk(u"4. 单选题的题干很短。"), 0, {Gbk(u"A. 对"), Gbk(u"B. 错")}, 3);
}

void AnswerSome(TParentPanel& paper) {
    for (TQuestionPanel* panel : paper.Panels) {
        if (auto* button = qobject_cast<QAbstractButton*>(panel->ItemControls.value(0).data()))
            button->click();
        if (auto* item = qobject_cast<TLabelComBoBox*>(panel->ItemControls.value(0).data())) {
            item->ComboBox()->setCurrentIndex(1);
            emit item->ComboBox()->activated(1);
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ui::InstallFontSubstitutions();

    QStringList arguments = app.arguments().mid(1);
    QString saveTo;
    int scroll = 0;
    bool answer = false;
    QString paperFile;
    while (!arguments.isEmpty()) {
        const QString argument = arguments.takeFirst();
        if (argument == QLatin1String("--save") && !arguments.isEmpty())
            saveTo = arguments.takeFirst();
        else if (argument == QLatin1String("--scroll") && !arguments.isEmpty())
            scroll = arguments.takeFirst().toInt();
        else if (argument == QLatin1String("--answer"))
            answer = true;
        else
            paperFile = argument;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("panelpreview"));
    window.setFont(ui::SongFont(12));
    window.setFixedSize(760, 513);
    auto* viewport = new QFrame(&window);
    viewport->setFrameStyle(QFrame::Box | QFrame::Plain);
    viewport->setLineWidth(1);
    viewport->setGeometry(0, 8, 760, 497);
    auto* scrollBar = new QScrollBar(Qt::Vertical, viewport);
    scrollBar->setGeometry(760 - 1 - 16, 1, 16, 495);
    auto* paper = new TParentPanel(viewport);
    paper->setGeometry(1, 1, scrollBar->x() - 1, 495);

    try {
        if (paperFile.isEmpty())
            AddSamplePaper(paper->Paper);
        else
            paper->Paper.LoadFromFile(paperFile.toStdString());
        paper->BuildPanels();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "panelpreview: %s\n", error.what());
        return 1;
    }
    scrollBar->setRange(0, std::max(0, paper->height() - 495));
    scrollBar->setPageStep(495);
    QObject::connect(scrollBar, &QScrollBar::valueChanged, paper,
                     [paper](int value) { paper->move(1, 1 - value); });
    scrollBar->setValue(scroll);

    window.show();
    // The letters are put into the lists when they are shown, so answers come after showing.
    if (answer)
        AnswerSome(*paper);
    if (!saveTo.isEmpty()) {
        QTimer::singleShot(300, &window, [&window, saveTo] {
            window.grab().save(saveTo);
            QApplication::quit();
        });
    }
    return app.exec();
}
