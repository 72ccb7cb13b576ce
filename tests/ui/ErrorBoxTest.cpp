#include "ui/ErrorBox.h"

#include "ui/Application.h"
#include "ui/MessageBox.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

const QString Title = QStringLiteral("Quillon测试系统");

class ErrorBoxTest : public ::testing::Test {
protected:
    void SetUp() override { ui::SetApplicationTitle(Title); }
    ui::ScriptedMessageBoxes boxes;
};

// An object whose event handler fails on every event of a custom type and counts the others.
class FailingReceiver final : public QObject {
public:
    static inline const QEvent::Type FailType = static_cast<QEvent::Type>(QEvent::User + 1);
    int handled = 0;
    bool throwStandard = true;

    bool event(QEvent* event) override {
        if (event->type() != FailType)
            return QObject::event(event);
        ++handled;
        if (throwStandard)
            throw std::runtime_error("读取失败");
        throw 42;
    }
};

TEST(FullStopRule, AddsAStopOnlyAfterCharactersThatSortAfterTheStop) {
    // Already ending in a stop, a bracket, an exclamation mark or a blank: nothing added.
    EXPECT_EQ(ui::WithFullStop(QStringLiteral("文件不存在.")), QStringLiteral("文件不存在."));
    EXPECT_EQ(ui::WithFullStop(QStringLiteral("List index out of bounds (0)")),
              QStringLiteral("List index out of bounds (0)"));
    EXPECT_EQ(ui::WithFullStop(QStringLiteral("Stop!")), QStringLiteral("Stop!"));
    EXPECT_EQ(ui::WithFullStop(QStringLiteral("end ")), QStringLiteral("end "));
    EXPECT_EQ(ui::WithFullStop(QStringLiteral("a-")), QStringLiteral("a-")); // 0x2D, just below
    EXPECT_EQ(ui::WithFullStop(QString()), QString());
    // Letters, digits, a path, Chinese text and characters outside the BMP get one.
    EXPECT_EQ(ui::WithFullStop(QStringLiteral("a/")), QStringLiteral("a/.")); // 0x2F, just above
    EXPECT_EQ(ui::WithFullStop(QStringLiteral("Stream read error")),
              QStringLiteral("Stream read error."));
    EXPECT_EQ(ui::WithFullStop(QStringLiteral("count 7")), QStringLiteral("count 7."));
    EXPECT_EQ(ui::WithFullStop(QStringLiteral("试卷文件不存在:/x/Exam File/a.mqe")),
              QStringLiteral("试卷文件不存在:/x/Exam File/a.mqe."));
    EXPECT_EQ(ui::WithFullStop(QStringLiteral("未知类型的文件")),
              QStringLiteral("未知类型的文件."));
    EXPECT_EQ(ui::WithFullStop(QStringLiteral("𠀀")), QStringLiteral("𠀀."));
}

TEST_F(ErrorBoxTest, ShowsTheMessageWithTheTitleTheErrorIconAndOk) {
    ui::ShowException(std::runtime_error("Cannot open file \"/tmp/a.mqe\". Permission denied"));
    ASSERT_EQ(boxes.shown().size(), 1u);
    const ui::ShownMessageBox& box = boxes.shown().front();
    EXPECT_EQ(box.text, QStringLiteral("Cannot open file \"/tmp/a.mqe\". Permission denied."));
    EXPECT_EQ(box.caption, Title);
    EXPECT_EQ(box.flags, ui::MB_OK | ui::MB_ICONERROR);
}

TEST_F(ErrorBoxTest, AnExceptionLeavingAnEventHandlerIsShownAndTheProgramGoesOn) {
    FailingReceiver receiver;
    QEvent failing(FailingReceiver::FailType);
    EXPECT_FALSE(QCoreApplication::sendEvent(&receiver, &failing));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("读取失败."));
    EXPECT_EQ(boxes.shown()[0].caption, Title);
    EXPECT_EQ(boxes.shown()[0].flags, ui::MB_OK | ui::MB_ICONERROR);

    // Through the event loop: the failing event is posted, the loop keeps running and handles
    // what comes after it, and an exception of an unknown kind is shown as well.
    receiver.throwStandard = false;
    QCoreApplication::postEvent(&receiver, new QEvent(FailingReceiver::FailType));
    QEventLoop loop;
    bool later = false;
    QTimer::singleShot(0, &loop, [&] {
        later = true;
        loop.quit();
    });
    EXPECT_EQ(loop.exec(), 0);
    EXPECT_TRUE(later);
    EXPECT_EQ(receiver.handled, 2);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, QStringLiteral("发生了未知错误."));
}

TEST_F(ErrorBoxTest, AQueuedHandlerOfAButtonFailsOnEveryClickAndTheButtonKeepsWorking) {
    QPushButton button(QStringLiteral("开始考试"));
    button.show();
    int clicks = 0;
    QObject::connect(
        &button, &QPushButton::clicked, &button,
        [&clicks] {
            ++clicks;
            throw std::runtime_error("试卷文件不存在:/p/a.mqe");
        },
        Qt::QueuedConnection);
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(&button, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(clicks, 2);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, QStringLiteral("试卷文件不存在:/p/a.mqe."));
}

TEST(ChineseInterface, QtsOwnTextsAndTheLocaleAreChinese) {
    EXPECT_EQ(QLocale().name(), QStringLiteral("zh_CN"));
    EXPECT_EQ(QFileDialog::tr("Save As"), QStringLiteral("另存为"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Save"), QStringLiteral("保存(&S)"));
}

} // namespace
