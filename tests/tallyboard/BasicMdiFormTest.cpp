#include "tallyboard/BasicMdiForm.h"

#include "platform/CodePage.h"
#include "platform/DatabaseError.h"
#include "platform/RuntimeErrors.h"
#include "tests/tallyboard/BasicMdiFormTestData.h"
#include "ui/GridModel.h"
#include "ui/Picture.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QTableView>

using browsetest::BrowseWindowTest;
using ui::FooterKind;

namespace {

const std::string kScoreSection = "[score]\r\n"
                                  "Name,姓名,,80,true\r\n"
                                  "Score,成绩,,60,true\r\n"
                                  "STime,考试时间,,150,true\r\n"
                                  "id,选中,,40,true\r\n"
                                  "Missing,缺少,,50,true\r\n";

// Five examinees whose names, scores and times each order differently as texts: pinyin against
// code points, 100 against 9, unpadded dates against padded ones.
const QString kSortRows = u"insert into Score (Town, Fac, Name, Score, STime) values "
                          "('安平镇', '安平村', '张伟', 100, '2026-2-1 9:05:00'), "
                          "('安平镇', '安平村', '李娜', 9, '2026-11-30 10:00:00'), "
                          "('安平镇', '安平村', '王强', 10, '2025-12-31 23:59:59'), "
                          "('安平镇', '安平村', '陈静', null, '2026-02-01 08:30:00'), "
                          "('安平镇', '安平村', '赵磊', 55, '2026-1-15 12:00:00')"_qs;

QStringList Names(std::initializer_list<const char16_t*> names) {
    QStringList list;
    for (const char16_t* name : names)
        list << QString::fromUtf16(name);
    return list;
}

void SendMouseMove(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

// The hidden copies of the close image's two pictures also close the window.
ui::PictureBox* ImageOf(const TfrmBasicMid& form, int which) {
    return which == 1 ? form.imgUp : form.imgDown;
}

// Counts the closing notices that reach any object of the program.
class HostNoticeCounter final : public QObject {
public:
    HostNoticeCounter() { qApp->installEventFilter(this); }
    ~HostNoticeCounter() override { qApp->removeEventFilter(this); }
    HostNoticeCounter(const HostNoticeCounter&) = delete;
    HostNoticeCounter& operator=(const HostNoticeCounter&) = delete;

    int count = 0;
    QObject* receiver = nullptr;
    int wParam = 0;
    WId lParam = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == THostCloseEvent::Kind) {
            ++count;
            receiver = watched;
            const auto* notice = static_cast<const THostCloseEvent*>(event);
            wParam = notice->wParam;
            lParam = notice->lParam;
        }
        return false;
    }
};

} // namespace

TEST_F(BrowseWindowTest, CreationSetsTheStartValuesAndReadsNothing) {
    TfrmBasicMid& form = CreateWindow();
    EXPECT_EQ(form.windowTitle(), u"窗体标题");
    EXPECT_EQ(form.size(), QSize(850, 581));
    EXPECT_EQ(form.font().pixelSize(), 12);
    EXPECT_EQ(form.GridTitelID(), u"");
    EXPECT_EQ(form.GridTitleFile(), ProgramDir() + u"列项属性.txt"_qs);
    EXPECT_FALSE(form.AdjustWidth());
    EXPECT_TRUE(form.ShowFoodter());
    EXPECT_EQ(form.TableName(), u"");
    EXPECT_EQ(form.Conn(), nullptr);
    EXPECT_EQ(form.HostHandle, 0u);
    EXPECT_FALSE(form.CloseImageHot());
    // No column file exists, and creation did not look for one.
    EXPECT_FALSE(Grid().hasConfiguredColumns());
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(form.btnSearch->text(), u"查询(&S)");
    EXPECT_EQ(form.actDel->text(), u"删除记录");
    EXPECT_EQ(form.pmGrid->actions(),
              (QList<QAction*>{form.mniAdd, form.mniEdit, form.mniDel, form.N1, form.N2}));
    EXPECT_EQ(form.N2->text(), u"导出数据");

    // Each button shows its icon of the strip; add and search show icon 8 when disabled.
    auto image = [](const QIcon& icon, QIcon::Mode mode) {
        return icon.pixmap(16, 16, mode).toImage().convertToFormat(QImage::Format_ARGB32);
    };
    const std::vector<std::pair<TStyledButton*, int>> icons = {{form.btnExport, 0},
                                                               {form.btnAdd, 1},
                                                               {form.btnDel, 3},
                                                               {form.btnEdit, 5},
                                                               {form.btnSearch, 7}};
    for (const auto& [button, index] : icons) {
        SCOPED_TRACE(button->text().toStdString());
        EXPECT_EQ(image(button->icon(), QIcon::Normal), image(Il16Icon(index), QIcon::Normal));
        const bool eight = button == form.btnAdd || button == form.btnSearch;
        EXPECT_EQ(image(button->icon(), QIcon::Disabled) == image(Il16Icon(8), QIcon::Normal),
                  eight);
    }
}

TEST_F(BrowseWindowTest, TitleClicksSortTheFetchedRowsOnTheClient) {
    WriteColumnFile(kScoreSection);
    database.Execute(kSortRows);
    CreateWindow().SetGridTitelID(u"score"_qs);
    ShowWindow();

    // Before the first search a click does nothing.
    ClickTitle(1);
    EXPECT_FALSE(Query().Active());
    EXPECT_EQ(Query().Sort(), u"");

    Open(u"select * from score order by id"_qs);
    const QStringList fetched = Names({u"张伟", u"李娜", u"王强", u"陈静", u"赵磊"});
    ASSERT_EQ(ColumnTexts(0), fetched);
    Grid().setCurrentCell(1, 0);
    ASSERT_EQ(Query().CurrentRow(), 1);

    // One title three times: descending, ascending, descending; numbers as numbers, the null
    // score first in ascending order.
    ClickTitle(1);
    EXPECT_EQ(Query().Sort(), u"Score DESC");
    EXPECT_EQ(ColumnTexts(1), (QStringList{u"100"_qs, u"55"_qs, u"10"_qs, u"9"_qs, u""_qs}));
    // The current row stays the same row.
    EXPECT_EQ(Grid().cellText(Query().CurrentRow(), 0), u"李娜");
    ClickTitle(1);
    EXPECT_EQ(Query().Sort(), u"Score ASC");
    EXPECT_EQ(ColumnTexts(1), (QStringList{u""_qs, u"9"_qs, u"10"_qs, u"55"_qs, u"100"_qs}));
    ClickTitle(1);
    EXPECT_EQ(Query().Sort(), u"Score DESC");

    // Another title after a descending order: that column ascending; Chinese in pinyin order.
    ClickTitle(0);
    EXPECT_EQ(Query().Sort(), u"Name ASC");
    EXPECT_EQ(ColumnTexts(0), Names({u"陈静", u"李娜", u"王强", u"张伟", u"赵磊"}));

    // Dates as dates, whether their month and day have one digit or two.
    ClickTitle(2);
    EXPECT_EQ(Query().Sort(), u"STime DESC");
    ClickTitle(2);
    EXPECT_EQ(Query().Sort(), u"STime ASC");
    EXPECT_EQ(ColumnTexts(0), Names({u"王强", u"赵磊", u"陈静", u"张伟", u"李娜"}));

    // The mark column never sorts, and a field the cursor does not hold fails silently.
    ClickTitle(3);
    EXPECT_EQ(Query().Sort(), u"STime ASC");
    ClickTitle(4);
    EXPECT_EQ(Query().Sort(), u"STime ASC");
    EXPECT_EQ(ColumnTexts(0), Names({u"王强", u"赵磊", u"陈静", u"张伟", u"李娜"}));
    EXPECT_TRUE(boxes.shown().empty());

    // A new search comes back in the order of its SQL, and the next click starts descending.
    Open(u"select * from score order by id"_qs);
    EXPECT_EQ(Query().Sort(), u"");
    EXPECT_EQ(ColumnTexts(0), fetched);
    ClickTitle(0);
    EXPECT_EQ(Query().Sort(), u"Name DESC");

    // A grid without a dataset ignores clicks.
    Grid().setDataSet(nullptr);
    window->dbgrdDataTitleClick(1);
    EXPECT_EQ(Query().Sort(), u"Name DESC");
}

TEST_F(BrowseWindowTest, SectionAndFileReadTheColumnsAndTheRecordCountFooter) {
    WriteColumnFile("[other]\r\nTown,乡镇,,70,true\r\n"
                    "[score]\r\n"
                    "Name,姓名,,80,true\r\n"
                    "// the unit comes second\r\n"
                    "Fac,单位,,120,TRUE\r\n"
                    "Town,乡镇,,70,false\r\n"
                    "Score,成绩,0.0,60,true\r\n"
                    "[two]\r\nName,姓名,,80,true\r\nFac,单位,,120,true\r\n"
                    "[bad]\r\nName,姓名,,80,true\r\nFac,单位,,120,true\r\nTown,乡镇,,70,true\r\n"
                    "Score,成绩,,6O,true\r\nSTime,时间,,90,true\r\n");
    database.Execute(kSortRows);
    TfrmBasicMid& form = CreateWindow();
    // The grid's model changes its columns under open rows here, each reading of the file.
    QAbstractItemModelTester tester(Grid().gridModel(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    Open(u"select * from score order by id"_qs);
    ASSERT_EQ(Grid().columnCount(), 6);

    form.SetGridTitelID(u"score"_qs);
    ASSERT_EQ(Grid().columnCount(), 3);
    EXPECT_EQ(Grid().columnFieldName(1), u"Fac");
    EXPECT_EQ(Grid().columnTitle(0), u"姓名");
    EXPECT_EQ(Grid().columnDisplayFormat(2), u"0.0");
    EXPECT_EQ(Grid().columnWidth(1), 120);
    EXPECT_EQ(Grid().column(2).alignment, Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(Grid().cellText(0, 2), u"100.0");
    EXPECT_EQ(Grid().footer(0).kind, FooterKind::Text);
    EXPECT_EQ(Grid().footerText(0), u"记录数:");
    EXPECT_EQ(Grid().footer(0).alignment, Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(Grid().footer(1).kind, FooterKind::RecordCount);
    EXPECT_EQ(Grid().footerText(1), u"5");
    EXPECT_EQ(Grid().footer(2).kind, FooterKind::None);

    // Assigning the value already held reads nothing: not even a missing file.
    std::filesystem::rename(ColumnFile(), folder / "saved.txt");
    EXPECT_NO_THROW(form.SetGridTitelID(u"score"_qs));
    EXPECT_NO_THROW(form.SetGridTitleFile(ProgramDir() + u"列项属性.txt"_qs));
    // A missing file is an error; the grid keeps its columns, the new path is kept.
    const QString missing = ProgramDir() + u"无此文件.txt"_qs;
    EXPECT_THROW(form.SetGridTitleFile(missing), platform::EFOpenError);
    EXPECT_EQ(form.GridTitleFile(), missing);
    EXPECT_EQ(Grid().columnCount(), 3);
    EXPECT_EQ(Grid().footerText(1), u"5");
    EXPECT_THROW(form.SetGridTitelID(u"two"_qs), platform::EFOpenError);
    EXPECT_EQ(form.GridTitelID(), u"two");
    EXPECT_EQ(Grid().columnCount(), 3);

    // Without a file path nothing is read.
    form.SetGridTitleFile(u""_qs);
    EXPECT_NO_THROW(form.SetGridTitelID(u"score"_qs));
    EXPECT_NO_THROW(form.SetGridTitelID(u"two"_qs));
    EXPECT_EQ(Grid().columnCount(), 3);

    // A relative path is taken from the program's directory, whatever the current one is.
    std::filesystem::rename(folder / "saved.txt", ColumnFile());
    QDir::setCurrent(QDir::tempPath());
    form.SetGridTitleFile(u"列项属性.txt"_qs);
    // Two columns: no footer.
    ASSERT_EQ(Grid().columnCount(), 2);
    EXPECT_EQ(Grid().footer(0).kind, FooterKind::None);
    EXPECT_EQ(Grid().footer(1).kind, FooterKind::None);

    // A width that is not a whole number: the columns before it stay, without footer.
    EXPECT_THROW(form.SetGridTitelID(u"bad"_qs), platform::Exception);
    ASSERT_EQ(Grid().columnCount(), 3);
    EXPECT_EQ(Grid().columnFieldName(2), u"Town");
    for (int index = 0; index < 3; ++index)
        EXPECT_EQ(Grid().footer(index).kind, FooterKind::None);

    // No section of that name: the grid falls back to one column per field, titled with its
    // name, without footer.
    EXPECT_NO_THROW(form.SetGridTitelID(u"nosuch"_qs));
    EXPECT_FALSE(Grid().hasConfiguredColumns());
    ASSERT_EQ(Grid().columnCount(), 6);
    EXPECT_EQ(Grid().columnTitle(3), u"Name");
    EXPECT_EQ(Grid().cellText(0, 3), u"张伟");
    for (int index = 0; index < 6; ++index)
        EXPECT_EQ(Grid().footerText(index), u"");

    // Without ShowFoodter, three columns get no footer; the section name matches in any case.
    form.SetShowFoodter(false);
    form.SetGridTitelID(u"SCORE"_qs);
    ASSERT_EQ(Grid().columnCount(), 3);
    EXPECT_EQ(Grid().footer(0).kind, FooterKind::None);
    EXPECT_EQ(Grid().footer(1).kind, FooterKind::None);
    EXPECT_TRUE(boxes.shown().empty());
}

// GBK unless a byte-order mark says UTF-8: 学员 in GBK (D1A7 D4B1) is valid UTF-8 too, and was
// read as ѧԱ.
TEST_F(BrowseWindowTest, AColumnFileIsGbkUnlessItStartsWithAUtf8ByteOrderMark) {
    const QString text = u"[score]\r\nName,学员,,80,true\r\nFac,单位名称,,120,true\r\n"_qs;
    const struct {
        const char* name;
        std::string bytes;
        bool readRight;
    } cases[] = {
        {"GBK", platform::ToGbk(text), true},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + text.toStdString(), true},
        {"UTF-8 without mark", text.toStdString(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteColumnBytes(c.bytes);
        TfrmBasicMid& form = CreateWindow();
        form.SetGridTitelID(u"score"_qs);
        ASSERT_EQ(Grid().columnCount(), 2);
        EXPECT_EQ(Grid().columnTitle(0) == u"学员", c.readRight);
        EXPECT_EQ(Grid().columnTitle(1) == u"单位名称", c.readRight);
    }
}

TEST_F(BrowseWindowTest, ColumnMovesAndResizesAreWrittenBackInTheFilesEncoding) {
    const QString before = u"[other]\r\nA,a,,10,true\r\n\r\n"
                           "[score]\r\n"
                           "// 成绩窗口的列\r\n"
                           "  Name , 姓名 ,, 80 , true \r\n"
                           "\r\n"
                           "checked,选中,,40,false\r\n"
                           "Score,成绩,0.0,60,true\r\n"
                           "; 注释\r\n"
                           "STime,考试时间,,140,true\r\n"
                           "end of section\r\n"
                           "Name,姓名,,80,true"_qs;
    const QString moved = u"[other]\r\nA,a,,10,true\r\n\r\n"
                          "[score]\r\n"
                          "// 成绩窗口的列\r\n"
                          "STime,考试时间,,140,true\r\n"
                          "\r\n"
                          "checked,选中,,40,false\r\n"
                          "Name,姓名,,80,true\r\n"
                          "; 注释\r\n"
                          "Score,成绩,0.0,60,true\r\n"
                          "end of section\r\n"
                          "Name,姓名,,80,true\r\n"_qs;
    QString resized = moved;
    resized.replace(u"Score,成绩,0.0,60,true"_qs, u"Score,成绩,0.0,75,true"_qs);

    for (const bool gbk : {true, false}) {
        SCOPED_TRACE(gbk ? "GBK" : "UTF-8");
        auto encoded = [gbk](const QString& text) {
            return gbk ? platform::ToGbk(text) : "\xEF\xBB\xBF" + text.toStdString();
        };
        WriteColumnBytes(encoded(before));
        TfrmBasicMid& form = CreateWindow();
        form.SetGridTitelID(u"score"_qs);
        form.SetAdjustWidth(true);
        Open(u"select * from score"_qs);
        ASSERT_EQ(Grid().columnCount(), 3);

        // The grid order becomes STime, Name, Score; the entries keep their slots.
        Grid().moveColumn(2, 0);
        QCoreApplication::processEvents();
        EXPECT_EQ(testsupport::readFile(ColumnFile()), encoded(moved));

        Grid().titleRow()->resizeSection(1, 75);
        QCoreApplication::processEvents();
        EXPECT_EQ(testsupport::readFile(ColumnFile()), encoded(resized));

        // Read again, the section gives the new order and width.
        TfrmBasicMid reread(ProgramDir());
        reread.SetGridTitelID(u"score"_qs);
        ASSERT_EQ(reread.dbgrdData->columnCount(), 3);
        EXPECT_EQ(reread.dbgrdData->columnFieldName(0), u"STime");
        EXPECT_EQ(reread.dbgrdData->columnFieldName(1), u"Name");
        EXPECT_EQ(reread.dbgrdData->columnWidth(2), 75);
        EXPECT_EQ(reread.dbgrdData->columnTitle(0), u"考试时间");
    }
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(BrowseWindowTest, NoWriteBackUnlessTheWindowTurnedItOnAndAFailedOneIsReported) {
    const std::string file = "[score]\r\nName,姓名,,80,true\r\nScore,成绩,,60,true\r\n";
    WriteColumnFile(file);
    TfrmBasicMid& form = CreateWindow();
    form.SetGridTitelID(u"score"_qs);
    Open(u"select * from score"_qs);
    const auto written = std::filesystem::last_write_time(ColumnFile());

    // AdjustWidth is off after creation.
    Grid().moveColumn(1, 0);
    Grid().titleRow()->resizeSection(0, 90);
    QCoreApplication::processEvents();
    EXPECT_EQ(ColumnFileText(), file);
    EXPECT_EQ(std::filesystem::last_write_time(ColumnFile()), written);

    // Reading the layout while the write-back is on does not write it.
    form.SetAdjustWidth(true);
    form.SetGridTitelID(u"SCORE"_qs);
    QCoreApplication::processEvents();
    EXPECT_EQ(ColumnFileText(), file);
    // Neither does reopening the query, which restores the columns' places and widths.
    Open(u"select * from score order by id desc"_qs);
    QCoreApplication::processEvents();
    EXPECT_EQ(ColumnFileText(), file);

    // A section the file lacks: the grid's columns are the result's fields, and a move writes
    // the file back as it was, apart from its line ends.
    const std::string lines = "[score]\nName,姓名,,80,true\nScore,成绩,,60,true";
    WriteColumnFile(lines);
    form.SetGridTitelID(u"nosuch"_qs);
    ASSERT_FALSE(Grid().hasConfiguredColumns());
    Grid().moveColumn(3, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(ColumnFileText(), file);

    // With the section name gone, nothing is written either.
    form.SetGridTitelID(u""_qs);
    Grid().moveColumn(1, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(ColumnFileText(), file);
    EXPECT_TRUE(boxes.shown().empty());

    // A file that went away: the error box, and no new file.
    form.SetGridTitelID(u"score"_qs);
    std::filesystem::remove(ColumnFile());
    Grid().moveColumn(1, 0);
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].flags, ui::MB_OK | ui::MB_ICONERROR);
    EXPECT_TRUE(boxes.shown()[0].text.contains(u"列项属性.txt"_qs));
    EXPECT_FALSE(std::filesystem::exists(ColumnFile()));
    // The window goes on working: with the file back, the next change is written.
    WriteColumnFile(file);
    Grid().titleRow()->resizeSection(0, 90);
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(ColumnFileText(), "[score]\r\nScore,成绩,,60,true\r\nName,姓名,,90,true\r\n");
}

TEST_F(BrowseWindowTest, EnterMovesTheFocusOnExceptFromButtonsAndTag99) {
    TfrmBasicMid& form = CreateWindow();
    auto* first = new QLineEdit(form.pnlToolbar);
    auto* kept = new QLineEdit(form.pnlToolbar);
    auto* last = new QLineEdit(form.pnlToolbar);
    kept->setProperty("tag", 99);
    QWidget::setTabOrder(first, kept);
    QWidget::setTabOrder(kept, last);
    QWidget::setTabOrder(last, form.btnSearch);
    QSignalSpy searched(form.actSearch, &QAction::triggered);
    QSignalSpy firstReturn(first, &QLineEdit::returnPressed);
    ShowWindow();

    first->setFocus();
    QTest::keyClick(first, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), kept);
    // The key reaches the control as well.
    EXPECT_EQ(firstReturn.count(), 1);

    // Tag 99 keeps the focus.
    QTest::keyClick(kept, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), kept);

    // Other keys do not move it; the keypad's Enter and a shifted Enter do.
    last->setFocus();
    QTest::keyClick(last, Qt::Key_A);
    EXPECT_EQ(QApplication::focusWidget(), last);
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Enter, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), kept);
    last->setFocus();
    QTest::keyClick(last, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), form.btnSearch);

    // In a button Enter presses it and the focus stays.
    QTest::keyClick(form.btnSearch, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), form.btnSearch);
    EXPECT_EQ(searched.count(), 1);
}

TEST_F(BrowseWindowTest, TheCloseImageLightsUpUnderTheMouseAndTheBarsKeepTheirControlsInPlace) {
    TfrmBasicMid& form = CreateWindow();
    const QImage normal = form.imgUp->picture();
    const QImage hover = form.imgDown->picture();
    EXPECT_EQ(normal.size(), QSize(46, 46));
    EXPECT_EQ(hover.size(), QSize(46, 46));
    EXPECT_NE(normal, hover);
    EXPECT_EQ(form.btnClose->picture(), normal);
    EXPECT_EQ(form.btnClose->size(), QSize(46, 46));
    EXPECT_EQ(form.btnClose->toolTip(), u"点击关闭当前窗口");
    EXPECT_EQ(form.btnClose->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(form.imgUp->isVisibleTo(&form));
    EXPECT_FALSE(form.imgDown->isVisibleTo(&form));
    ShowWindow();

    SendMouseMove(form.btnClose);
    EXPECT_TRUE(form.CloseImageHot());
    EXPECT_EQ(form.btnClose->picture(), hover);
    SendMouseMove(form.btnClose);
    EXPECT_EQ(form.btnClose->picture(), hover);
    SendMouseMove(form.imgTitleLeft);
    EXPECT_FALSE(form.CloseImageHot());
    EXPECT_EQ(form.btnClose->picture(), normal);
    SendMouseMove(form.btnClose);
    SendMouseMove(form.imgTitleRight);
    EXPECT_FALSE(form.CloseImageHot());
    EXPECT_EQ(form.btnClose->picture(), normal);

    // The bottom bar's controls keep their distance from its lower edge.
    const int buttonGap = form.pnlBottom->height() - form.btnAdd->y();
    form.pnlBottom->setFixedHeight(80);
    QCoreApplication::processEvents();
    EXPECT_EQ(buttonGap, 59 - 30);
    EXPECT_EQ(form.btnAdd->pos(), QPoint(5, 80 - buttonGap));
    EXPECT_EQ(form.btnExport->pos(), QPoint(259, 80 - buttonGap));
    EXPECT_EQ(form.rzsprtr1->pos(), QPoint(4, 80 - (59 - 24)));

    for (const int width : {1000, 850, 1280}) {
        form.resize(width, 600);
        QCoreApplication::processEvents();
        EXPECT_EQ(form.pnlTop->width(), form.width());
        EXPECT_EQ(form.btnClose->x(), form.frameGeometry().width() - 46 - 16) << width;
        EXPECT_EQ(form.btnClose->y(), 3);
        EXPECT_EQ(form.imgTitleRight->geometry(), QRect(800, 0, form.pnlTop->width() - 800, 52));
    }
}

TEST_F(BrowseWindowTest, TheCloseImagesCloseAndFreeTheWindowAndOnlyAHostHearsOfIt) {
    QWidget host;
    for (const int clicked : {0, 1, 2}) {
        SCOPED_TRACE(clicked);
        QPointer<TfrmBasicMid> form = new TfrmBasicMid(ProgramDir());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.data()));
        if (clicked == 2)
            form->HostHandle = host.winId();
        const WId handle = form->winId();
        HostNoticeCounter notices;
        if (clicked == 0)
            QTest::mouseClick(form->btnClose, Qt::LeftButton);
        else
            emit ImageOf(*form, clicked)->clicked();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        EXPECT_TRUE(form.isNull());
        if (clicked == 2) {
            EXPECT_EQ(notices.count, 1);
            EXPECT_EQ(notices.receiver, &host);
            EXPECT_EQ(notices.wParam, 1);
            EXPECT_EQ(notices.lParam, handle);
        } else {
            EXPECT_EQ(notices.count, 0);
        }
        delete form.data();
    }
    TfrmBasicMid form(ProgramDir());
    EXPECT_EQ(form.FormClose(), TCloseAction::caFree);
}

TEST_F(BrowseWindowTest, SetTableNameClearsTheMarksOfANewTableOnly) {
    database.Execute(u"create table Paper (id integer primary key, name text, "
                     "checked boolean not null default 0, DEL_FLAG integer not null default 0);\n"
                     "insert into Paper (name, checked) values ('甲', 1), ('乙', 0), ('丙', 1)"_qs);
    TfrmBasicMid& form = CreateWindow();
    form.SetConn(&connection);
    platform::TADOQuery marks;
    marks.SetConnection(&connection);
    auto markedCount = [&marks] {
        marks.Close();
        marks.SetSQL(u"select count(*) from Paper where checked=1"_qs);
        marks.Open();
        return marks.Value(0, 0).toInt();
    };
    ASSERT_EQ(markedCount(), 2);
    form.SetTableName(u"Paper"_qs);
    EXPECT_EQ(form.TableName(), u"Paper");
    EXPECT_EQ(markedCount(), 0);
    database.Execute(u"update Paper set checked=1 where id=2"_qs);
    form.SetTableName(u"Paper"_qs);
    EXPECT_EQ(markedCount(), 1);
    EXPECT_THROW(form.SetTableName(u"NoSuchTable"_qs), platform::EDatabaseError);
}

TEST_F(BrowseWindowTest, DeleteFlagsTheMarkedRowsAfterTheQuestion) {
    database.Execute(u"create table Paper (id integer primary key, name text, "
                     "checked boolean not null default 0, DEL_FLAG integer not null default 0);\n"
                     "insert into Paper (name) values ('甲'), ('乙'), ('丙'), ('丁'), ('戊');\n"
                     "create table Unflagged (id integer primary key, checked boolean);\n"
                     "insert into Unflagged (checked) values (0), (1)"_qs);
    TfrmBasicMid& form = CreateWindow();
    form.SetConn(&connection);
    platform::TADOQuery check;
    check.SetConnection(&connection);
    auto column = [&check](const QString& sql) {
        check.Close();
        check.SetSQL(sql);
        check.Open();
        QStringList values;
        for (int row = 0; row < check.RecordCount(); ++row)
            values << check.DisplayText(row, 0);
        return values;
    };
    const QString nothing = u"没有数据被选择,请选择后再试!"_qs;
    auto expectNothingChosen = [&] {
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, nothing);
        EXPECT_EQ(boxes.shown()[0].caption, u"提示");
        EXPECT_EQ(boxes.shown()[0].flags, ui::MB_OK | ui::MB_ICONINFORMATION);
        EXPECT_TRUE(boxes.shown()[0].owned);
        boxes.clear();
    };

    // Without a table name the command does nothing at all.
    Open(u"select * from Paper order by id"_qs);
    form.actDelExecute();
    EXPECT_TRUE(boxes.shown().empty());

    form.SetTableName(u"Paper"_qs);
    // No rows, or a closed query: nothing can have been chosen.
    Open(u"select * from Paper where id < 0"_qs);
    form.actDelExecute();
    expectNothingChosen();
    Query().Close();
    form.actDelExecute();
    expectNothingChosen();

    // Rows but none marked: the message, and the current row stays.
    Open(u"select * from Paper order by id"_qs);
    Query().SetCurrentRow(1);
    form.actDelExecute();
    expectNothingChosen();
    EXPECT_EQ(Query().CurrentRow(), 1);

    // Marked rows: the question; No leaves the first marked row current and flags nothing.
    database.Execute(u"update Paper set checked=1 where id in (3, 5)"_qs);
    Open(u"select * from Paper order by id"_qs);
    boxes.answer(ui::IDNO);
    form.actDelExecute();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"您确定要删除选中的数据吗？");
    EXPECT_EQ(boxes.shown()[0].caption, u"询问");
    EXPECT_EQ(boxes.shown()[0].flags, ui::MB_YESNO | ui::MB_ICONQUESTION);
    EXPECT_TRUE(boxes.shown()[0].owned);
    EXPECT_EQ(Query().CurrentRow(), 2);
    EXPECT_EQ(column(u"select DEL_FLAG from Paper order by id"_qs),
              (QStringList{u"0"_qs, u"0"_qs, u"0"_qs, u"0"_qs, u"0"_qs}));

    // Yes, through the delete button: the marked rows are flagged, every mark cleared, and the
    // grid keeps its rows until the next search.
    boxes.clear();
    boxes.answer(ui::IDYES);
    form.btnDel->click();
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(column(u"select DEL_FLAG from Paper order by id"_qs),
              (QStringList{u"0"_qs, u"0"_qs, u"1"_qs, u"0"_qs, u"1"_qs}));
    EXPECT_EQ(column(u"select count(*) from Paper where checked<>0"_qs), QStringList{u"0"_qs});
    EXPECT_EQ(Grid().rowCount(), 5);

    // A table without DEL_FLAG: the database's error in the error box, and the marks stay.
    boxes.clear();
    form.SetTableName(u"Unflagged"_qs);
    database.Execute(u"update Unflagged set checked=1 where id=2"_qs);
    Open(u"select * from Unflagged order by id"_qs);
    boxes.answer(ui::IDYES);
    form.btnDel->click();
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].flags, ui::MB_OK | ui::MB_ICONERROR);
    EXPECT_TRUE(boxes.shown()[1].text.contains(u"DEL_FLAG"_qs, Qt::CaseInsensitive));
    EXPECT_EQ(column(u"select id from Unflagged where checked=1"_qs), QStringList{u"2"_qs});

    // A result without the mark field is an error of its own.
    boxes.clear();
    Open(u"select id from Unflagged"_qs);
    EXPECT_THROW(form.actDelExecute(), platform::EDatabaseError);
}
