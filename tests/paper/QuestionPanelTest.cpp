#include "paper/uObjectHandle.h"
#include "platform/CodePage.h"
#include "ui/Fonts.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>

namespace {

// n two-byte characters 啊 (0xB0 0xA1).
std::string Wide(int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
        text += "\xB0\xA1";
    return text;
}

std::unique_ptr<TQSingle> Single(std::vector<std::string> options, uint8_t key, int32_t fullMarks,
                                 std::string stem = "1. 单选") {
    auto question = std::make_unique<TQSingle>();
    question->Stem = std::move(stem);
    question->FullMarks = fullMarks;
    question->Key = key;
    for (const auto& option : options)
        question->AddOption(option);
    return question;
}

std::unique_ptr<TQMulti> Multi(std::vector<uint8_t> answer, int32_t fullMarks,
                               uint8_t allOrNothing) {
    auto question = std::make_unique<TQMulti>();
    question->Stem = "2. multi";
    question->FullMarks = fullMarks;
    question->AllOrNothing = allOrNothing;
    for (size_t i = 0; i < answer.size(); ++i) {
        question->AddOption("option " + std::to_string(i));
        question->Answer[i] = answer[i];
    }
    return question;
}

std::unique_ptr<TQMatching> Matching(int optionCount, int32_t leftCount, int32_t fullMarks,
                                     uint8_t allOrNothing, std::vector<uint8_t> answer = {2, 0}) {
    auto question = std::make_unique<TQMatching>();
    question->Stem = "3. matching";
    question->FullMarks = fullMarks;
    question->AllOrNothing = allOrNothing;
    question->LeftCount = leftCount;
    for (int i = 0; i < optionCount; ++i)
        question->AddOption((i < leftCount ? "item " : "choice ") + std::to_string(i));
    std::copy(answer.begin(), answer.end(), question->Answer.begin());
    return question;
}

// A shown window in the exam's font that the panels sit in, as they sit in the paper panel.
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.setFont(ui::SongFont(12));
        host.resize(739, 600);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        const QFontMetrics metrics(host.font());
        ASSERT_EQ(metrics.horizontalAdvance(QLatin1Char('W')), 6);
        ASSERT_EQ(metrics.height(), 12);
    }

    template <class Panel> Panel* Show(const TQuestion& question) {
        auto* panel = new Panel(&host);
        panel->SetBounds(0, 0, host.width(), 0);
        panel->SetQuestion(&question);
        panel->show();
        return panel;
    }

    QWidget host;
};

void Click(QWidget* control) {
    QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(8, control->height() / 2));
}

// Picks a letter with the keyboard: Home for the first letter, then the down arrow.
void Pick(TQuestionPanel* panel, int row, char letter) {
    auto* item = qobject_cast<TLabelComBoBox*>(panel->ItemControls[row].data());
    ASSERT_NE(item, nullptr);
    QTest::keyClick(item->ComboBox(), Qt::Key_Home);
    for (char c = 'A'; c < letter; ++c)
        QTest::keyClick(item->ComboBox(), Qt::Key_Down);
    ASSERT_EQ(item->SelectedIndex(), letter - 'A');
}

QImage RenderHeader(const TQuestionPanel& panel) {
    QImage image(panel.width(), panel.HeaderHeight + 4, QImage::Format_RGB32);
    image.fill(Qt::green);
    QPainter painter(&image);
    panel.DrawHeader(painter);
    return image;
}

int DarkPixels(const QImage& image, QRect area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    return count;
}

} // namespace

TEST_F(PanelTest, WrapsTheStemAndComputesTheHeightOfThe739PixelExample) {
    const auto question = Single({"a", "b", "c", "d"}, 0, 5, Wide(100));
    auto* panel = Show<TSinglePanel>(*question);
    EXPECT_EQ(panel->LayoutWidth, 739);
    ASSERT_EQ(panel->Lines.size(), 2u);
    EXPECT_EQ(panel->Lines[0], Wide(58));
    EXPECT_EQ(panel->Lines[1], Wide(42));
    EXPECT_EQ(panel->HeaderHeight, 78);
    EXPECT_EQ(panel->height(), 222);
    EXPECT_EQ(panel->width(), 739);

    // One letter in front: the character that would be split starts the second line.
    const auto shifted = Single({"a", "b", "c", "d"}, 0, 5, "x" + Wide(100));
    panel->SetQuestion(shifted.get());
    ASSERT_EQ(panel->Lines.size(), 2u);
    EXPECT_EQ(panel->Lines[0], "x" + Wide(57));
    EXPECT_EQ(panel->Lines[1], Wide(43));
}

TEST_F(PanelTest, KeepsItsComputedHeightWhateverItIsGiven) {
    const auto question = Single({"a", "b", "c"}, 0, 1, "");
    auto* panel = Show<TSinglePanel>(*question);
    EXPECT_TRUE(panel->Lines.empty());
    EXPECT_EQ(panel->HeaderHeight, 48);
    EXPECT_EQ(panel->height(), 28 * 3 + 80);

    panel->SetBounds(0, 10, 739, 1000);
    EXPECT_EQ(panel->height(), 164);
    EXPECT_EQ(panel->y(), 10);
    panel->resize(739, 20);
    EXPECT_EQ(panel->height(), 164);
    panel->setGeometry(0, 0, 739, 500);
    EXPECT_EQ(panel->height(), 164);

    QVBoxLayout layout(&host);
    layout.addWidget(panel);
    host.resize(739, 900);
    layout.activate();
    EXPECT_EQ(panel->height(), 164);
}

TEST_F(PanelTest, NeverGetsNarrowerThan128Pixels) {
    const auto question = Single({"a"}, 0, 1, Wide(20));
    auto* panel = Show<TSinglePanel>(*question);
    EXPECT_EQ(panel->Lines.size(), 1u);

    panel->SetBounds(0, 0, 100, 0);
    EXPECT_EQ(panel->width(), 128);
    EXPECT_EQ(panel->LayoutWidth, 128);
    // 96 pixels hold 16 bytes: seven characters a line, then the remaining six.
    ASSERT_EQ(panel->Lines.size(), 3u);
    EXPECT_EQ(panel->Lines[2], Wide(6));
    EXPECT_EQ(panel->HeaderHeight, 3 * 15 + 48);
    EXPECT_EQ(panel->height(), 93 + 28 + 32);

    // A width that arrives through Qt's own resize is laid out the same way.
    panel->resize(739, panel->height());
    EXPECT_EQ(panel->LayoutWidth, 739);
    EXPECT_EQ(panel->Lines.size(), 1u);
    EXPECT_EQ(panel->height(), 63 + 28 + 32);
    EXPECT_EQ(panel->ItemControls[0]->width(), 739 - 32);
}

TEST_F(PanelTest, PlacesOneRowPerOptionBelowTheHeader) {
    const auto question = Multi({1, 0, 1, 0}, 4, 0);
    auto* panel = Show<TMultiPanel>(*question);
    ASSERT_EQ(panel->ItemControls.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const QWidget* control = panel->ItemControls[i];
        EXPECT_EQ(control->parentWidget(), panel);
        EXPECT_TRUE(control->isVisible());
        EXPECT_EQ(control->geometry(), QRect(16, panel->HeaderHeight + 16 + 28 * i, 739 - 32, 28))
            << "row " << i;
        EXPECT_EQ(panel->GetItemRect(i), QRect(16, 28 * i, 739 - 32, 28));
    }
    EXPECT_EQ(panel->height(), panel->HeaderHeight + 28 * 4 + 32);
    EXPECT_EQ(qobject_cast<QCheckBox*>(panel->ItemControls[2].data())->text(),
              QStringLiteral("option 2"));
}

TEST_F(PanelTest, DrawsAFramedWhiteHeaderWithTheScoreLineAndTheStem) {
    const auto question = Single({"a", "b"}, 0, 5, "第一题\r\n第二行");
    auto* panel = Show<TSinglePanel>(*question);
    ASSERT_EQ(panel->HeaderHeight, 2 * 15 + 48);
    const QImage image = RenderHeader(*panel);
    const int right = panel->width() - 1;
    const int bottom = panel->HeaderHeight - 1;
    for (QPoint corner : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom),
                          QPoint(300, 0), QPoint(0, 40), QPoint(right, 40), QPoint(300, bottom)})
        EXPECT_EQ(image.pixel(corner), qRgb(0, 0, 0)) << corner.x() << "," << corner.y();
    EXPECT_EQ(image.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(right - 1, bottom - 1), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(right / 2, bottom + 2), qRgb(0, 255, 0)); // nothing below the band

    // The score line from y 16, each stem line 15 pixels further down, all from x 16.
    EXPECT_GT(DarkPixels(image, QRect(16, 16, 100, 12)), 20);
    EXPECT_GT(DarkPixels(image, QRect(16, 31, 40, 12)), 20);
    EXPECT_GT(DarkPixels(image, QRect(16, 46, 40, 12)), 20);
    EXPECT_EQ(DarkPixels(image, QRect(1, 1, 14, bottom - 1)), 0);
    EXPECT_EQ(DarkPixels(image, QRect(1, 61, right - 1, bottom - 61)), 0);

    // The score line shows the full marks, answered or not.
    QImage expected(image.size(), QImage::Format_RGB32);
    expected.fill(Qt::green);
    QPainter painter(&expected);
    painter.setFont(panel->font());
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    painter.fillRect(QRect(1, 1, right - 1, bottom - 1), Qt::white);
    painter.drawText(16, 16 + QFontMetrics(panel->font()).ascent(),
                     QStringLiteral("(本题得分: 5)"));
    painter.end();
    Click(panel->ItemControls[0]);
    const QImage answered = RenderHeader(*panel);
    EXPECT_EQ(answered.copy(16, 16, 200, 12), expected.copy(16, 16, 200, 12));
}

TEST_F(PanelTest, LeavesTheHeaderOfAnEmptyStemBlank) {
    const auto question = Single({"a", "b"}, 0, 5, "");
    auto* panel = Show<TSinglePanel>(*question);
    const QImage image = RenderHeader(*panel);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(panel->width() - 1, 47), qRgb(0, 0, 0));
    EXPECT_EQ(DarkPixels(image, QRect(1, 1, panel->width() - 2, 46)), 0);
}

TEST_F(PanelTest, ScoresASingleChoiceByItsRadioButtons) {
    const auto question = Single({"甲", "乙", "丙"}, 1, 2);
    auto* panel = Show<TSinglePanel>(*question);
    ASSERT_EQ(panel->ItemControls.size(), 3);
    EXPECT_FALSE(panel->IsAnswered());
    EXPECT_EQ(panel->GetScore(), 0);

    Click(panel->ItemControls[1]);
    EXPECT_TRUE(panel->IsAnswered());
    EXPECT_TRUE(panel->IsCorrect());
    EXPECT_EQ(panel->GetScore(), 2);

    Click(panel->ItemControls[0]);
    const auto* second = qobject_cast<QRadioButton*>(panel->ItemControls[1].data());
    EXPECT_FALSE(second->isChecked()); // one group per panel
    EXPECT_EQ(panel->GetScore(), 0);
    Click(panel->ItemControls[2]);
    EXPECT_EQ(panel->GetScore(), 0);
    Click(panel->ItemControls[2]); // a ticked radio button cannot be cleared again
    EXPECT_TRUE(panel->IsAnswered());

    // The question copy is never written, and another panel's group is a group of its own.
    EXPECT_EQ(panel->Question.Key, 1);
    auto* other = Show<TSinglePanel>(*question);
    Click(other->ItemControls[1]);
    EXPECT_EQ(other->GetScore(), 2);
    EXPECT_EQ(panel->GetScore(), 0);
    EXPECT_TRUE(qobject_cast<QRadioButton*>(panel->ItemControls[2].data())->isChecked());

    const auto beyond = Single({"a", "b"}, 5, 3);
    panel->SetQuestion(beyond.get());
    Click(panel->ItemControls[1]);
    EXPECT_EQ(panel->GetScore(), 0);
}

TEST_F(PanelTest, ScoresMultipleChoiceAllOrNothingAndPerOption) {
    const auto whole = Multi({1, 0, 1, 0}, 4, 1);
    auto* panel = Show<TMultiPanel>(*whole);
    Click(panel->ItemControls[0]);
    EXPECT_EQ(panel->GetScore(), 0);
    Click(panel->ItemControls[2]);
    EXPECT_EQ(panel->GetScore(), 4);
    Click(panel->ItemControls[1]);
    Click(panel->ItemControls[3]);
    EXPECT_EQ(panel->GetScore(), 0);

    const auto partial = Multi({1, 0, 1, 0}, 4, 0);
    panel = Show<TMultiPanel>(*partial);
    EXPECT_EQ(panel->GetScore(), 2);
    EXPECT_FALSE(panel->IsAnswered());
    Click(panel->ItemControls[0]);
    EXPECT_TRUE(panel->IsAnswered());
    EXPECT_EQ(panel->GetScore(), 3);
    Click(panel->ItemControls[2]);
    EXPECT_EQ(panel->GetScore(), 4);
    Click(panel->ItemControls[1]);
    Click(panel->ItemControls[3]);
    EXPECT_EQ(panel->GetScore(), 2);
    Click(panel->ItemControls[3]); // unticked again
    EXPECT_EQ(panel->GetScore(), 3);
}

TEST_F(PanelTest, RoundsTheShareOfPartlyRightMultipleChoiceHalfToEven) {
    struct Case {
        std::vector<uint8_t> answer;
        int32_t fullMarks;
        std::vector<int> ticked; // leaves exactly one row wrong, or none
        int32_t expected;
    };
    const Case cases[] = {
        {{1, 1, 0}, 5, {0, 1}, 5},       // right: exactly the full marks
        {{1, 1, 0}, 5, {0}, 4},          // share 2 (1.67), two rows match
        {{1, 0, 1, 0}, 2, {0, 2}, 2},    // right
        {{1, 0, 1, 0}, 2, {0}, 0},       // share 0 (0.5)
        {{1, 0, 1, 0}, 10, {0, 2}, 10},  // right
        {{1, 0, 1, 0}, 10, {0}, 6},      // share 2 (2.5), three rows match
        {{1, 0, 1, 0}, 6, {0}, 6},       // share 2 (1.5), three rows match
        {{1, 0, 1, 0, 0, 0}, 4, {0}, 5}, // share 1, five rows match: no cap of its own
    };
    for (const Case& c : cases) {
        const auto question = Multi(c.answer, c.fullMarks, 0);
        auto* panel = Show<TMultiPanel>(*question);
        for (int row : c.ticked)
            Click(panel->ItemControls[row]);
        EXPECT_EQ(panel->GetScore(), c.expected) << c.fullMarks << " over " << c.answer.size();
    }
}

TEST_F(PanelTest, AnswersByKeyboardAlone) {
    const auto question = Single({"a", "b", "c"}, 2, 3);
    auto* panel = Show<TSinglePanel>(*question);
    const auto multi = Multi({0, 1}, 2, 1);
    auto* boxes = Show<TMultiPanel>(*multi);
    for (const auto& control : panel->ItemControls)
        EXPECT_NE(control->focusPolicy() & Qt::TabFocus, 0);

    host.activateWindow();
    panel->ItemControls[0]->setFocus(Qt::TabFocusReason);
    QTest::keyClick(panel->ItemControls[0], Qt::Key_Space);
    EXPECT_TRUE(panel->IsAnswered());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), panel->ItemControls[2].data());
    EXPECT_EQ(panel->GetScore(), 3);

    boxes->ItemControls[1]->setFocus(Qt::TabFocusReason);
    QTest::keyClick(boxes->ItemControls[1], Qt::Key_Space);
    EXPECT_EQ(boxes->GetScore(), 2);
}

TEST_F(PanelTest, ShowsAnEmptyQuestionForAQuestionOfAnotherKind) {
    const auto single = Single({"a", "b"}, 0, 5);
    const auto multi = Multi({1, 0, 1}, 4, 0);
    auto* panel = Show<TSinglePanel>(*single);
    panel->SetQuestion(multi.get());
    EXPECT_TRUE(panel->ItemControls.isEmpty());
    EXPECT_EQ(panel->findChildren<QRadioButton*>().size(), 0);
    EXPECT_TRUE(panel->Lines.empty());
    EXPECT_EQ(panel->GetFullMarks(), 0);
    EXPECT_EQ(panel->GetScore(), 0);
    EXPECT_FALSE(panel->IsAnswered());
    EXPECT_EQ(panel->height(), 80);

    // A question without options: a band and the margins, no rows.
    auto* empty = Show<TMultiPanel>(*Multi({}, 3, 0));
    EXPECT_EQ(empty->height(), empty->HeaderHeight + 32);
    EXPECT_FALSE(empty->IsAnswered());
    EXPECT_FALSE(empty->IsCorrect());
    EXPECT_EQ(empty->GetScore(), 0);
}

TEST_F(PanelTest, RefusesToBeGivenNoQuestion) {
    const auto question = Single({"a", "b"}, 0, 5);
    auto* panel = Show<TSinglePanel>(*question);
    const int height = panel->height();
    try {
        panel->SetQuestion(nullptr);
        FAIL() << "no error";
    } catch (const EObjError& error) {
        EXPECT_STREQ(error.what(), "不正确的赋值对象.");
    }
    EXPECT_EQ(panel->ItemControls.size(), 2);
    EXPECT_EQ(panel->GetFullMarks(), 5);
    EXPECT_EQ(panel->height(), height);
    panel->SetQuestion(&panel->Question); // its own copy: nothing happens
    EXPECT_EQ(panel->ItemControls.size(), 2);
    EXPECT_EQ(panel->Question.OptionCount(), 2);
}

TEST_F(PanelTest, ShowsOptionTextsAsStored) {
    const auto question = Single({"R&D", platform::ToGbk(QStringLiteral("中文选项"))}, 0, 1);
    auto* panel = Show<TSinglePanel>(*question);
    auto* first = qobject_cast<QRadioButton*>(panel->ItemControls[0].data());
    auto* second = qobject_cast<QRadioButton*>(panel->ItemControls[1].data());
    EXPECT_EQ(first->text(), QStringLiteral("R&&D")); // drawn as "R&D", no mnemonic
    EXPECT_EQ(second->text(), QStringLiteral("中文选项"));
    EXPECT_FALSE(first->isChecked());
    EXPECT_EQ(first->font().pixelSize(), 12);
}

TEST_F(PanelTest, BuildsAMatchingPanelWithLetterListsAndChoiceRows) {
    const auto question = Matching(5, 2, 4, 0);
    auto* panel = Show<TMatchingPanel>(*question);
    ASSERT_EQ(panel->ItemControls.size(), 5);
    EXPECT_EQ(panel->height(), panel->HeaderHeight + 28 * 5 + 32);
    for (int row : {0, 1}) {
        auto* item = qobject_cast<TLabelComBoBox*>(panel->ItemControls[row].data());
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Caption(), QString("item %1").arg(row));
        EXPECT_EQ(item->ItemsText(), QStringLiteral("A\r\nB\r\nC"));
        QComboBox* list = item->ComboBox();
        ASSERT_EQ(list->count(), 3);
        EXPECT_EQ(list->itemText(2), QStringLiteral("C"));
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_FALSE(list->isEditable());
        EXPECT_EQ(item->SelectedIndex(), -1);
        EXPECT_EQ(item->geometry(), QRect(16, panel->HeaderHeight + 16 + 28 * row, 739 - 32, 28));
        EXPECT_EQ(list->geometry(), QRect(0, (28 - list->height()) / 2, 50, list->height()));
    }
    for (int row : {2, 3, 4}) {
        auto* label = qobject_cast<QLabel*>(panel->ItemControls[row].data());
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString("choice %1").arg(row));
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_TRUE(label->alignment() & Qt::AlignTop);
        EXPECT_EQ(label->geometry(), QRect(16, panel->HeaderHeight + 16 + 28 * row, 739 - 32, 28));
    }
    EXPECT_EQ(TMatchingPanel::BuildChoiceLetters(3), QStringLiteral("A\r\nB\r\nC"));
    EXPECT_EQ(TMatchingPanel::BuildChoiceLetters(1), QStringLiteral("A"));
    EXPECT_TRUE(TMatchingPanel::BuildChoiceLetters(0).isEmpty());
    EXPECT_TRUE(TMatchingPanel::BuildChoiceLetters(-2).isEmpty());
}

TEST_F(PanelTest, ScoresMatchingByThePickedLetters) {
    const auto partial = Matching(5, 2, 4, 0);
    auto* panel = Show<TMatchingPanel>(*partial);
    EXPECT_FALSE(panel->IsAnswered());
    EXPECT_EQ(panel->GetScore(), 0);
    Pick(panel, 0, 'C');
    EXPECT_TRUE(panel->IsAnswered());
    EXPECT_EQ(panel->GetScore(), 2);
    Pick(panel, 1, 'B');
    EXPECT_EQ(panel->GetScore(), 2);
    Pick(panel, 1, 'A');
    EXPECT_TRUE(panel->IsCorrect());
    EXPECT_EQ(panel->GetScore(), 4);

    const auto whole = Matching(5, 2, 4, 1);
    panel = Show<TMatchingPanel>(*whole);
    Pick(panel, 0, 'C');
    Pick(panel, 1, 'B');
    EXPECT_EQ(panel->GetScore(), 0);
    Pick(panel, 1, 'A');
    EXPECT_EQ(panel->GetScore(), 4);

    for (auto [fullMarks, share] : {std::pair{5, 2}, std::pair{3, 2}}) {
        const auto question = Matching(5, 2, fullMarks, 0);
        panel = Show<TMatchingPanel>(*question);
        Pick(panel, 0, 'C');
        EXPECT_EQ(panel->GetScore(), share) << fullMarks;
        Pick(panel, 1, 'A');
        EXPECT_EQ(panel->GetScore(), fullMarks);
    }
}

TEST_F(PanelTest, KeepsTheChosenIndexWhenTheLettersArePutInAgain) {
    const auto question = Matching(5, 2, 4, 0);
    auto* panel = Show<TMatchingPanel>(*question);
    auto* item = qobject_cast<TLabelComBoBox*>(panel->ItemControls[0].data());
    QComboBox* list = item->ComboBox();

    // Typing a letter picks it; a program setting the index is no pick.
    QTest::keyClicks(list, QStringLiteral("B"));
    EXPECT_EQ(item->SelectedIndex(), 1);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(item->SelectedIndex(), 0);
    list->setCurrentIndex(2);
    EXPECT_EQ(item->SelectedIndex(), 0);

    // The wheel is left to the window that scrolls the paper.
    QWheelEvent wheel(QPointF(10, 10), list->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list, &wheel);
    EXPECT_FALSE(wheel.isAccepted());
    EXPECT_EQ(item->SelectedIndex(), 0);

    item->SetItemsText(QStringLiteral("A\r\nB\r\nC\r\nD\r\n"));
    EXPECT_EQ(list->count(), 4);
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(item->SelectedIndex(), 0);

    panel->hide();
    item->SetItemsText(QStringLiteral("X\nY"));
    EXPECT_EQ(list->count(), 4); // put in only when shown
    panel->show();
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(1), QStringLiteral("Y"));
    EXPECT_EQ(item->SelectedIndex(), 0);
    EXPECT_TRUE(panel->IsAnswered());
}

TEST_F(PanelTest, PaintsTheItemText70PixelsFromTheLeft) {
    TLabelComBoBox item(&host);
    item.SetCaption(QStringLiteral("配伍项"));
    item.SetBounds(0, 0, 300, 28);
    const int listHeight = item.ComboBox()->height();
    EXPECT_EQ(item.ComboBox()->geometry(), QRect(0, (28 - listHeight) / 2, 50, listHeight));
    item.show();
    item.setGeometry(0, 0, 300, 40);
    EXPECT_EQ(item.ComboBox()->geometry(), QRect(0, (40 - listHeight) / 2, 50, listHeight));
    item.setGeometry(0, 0, 300, 28);

    item.ComboBox()->hide(); // only the painted caption remains
    QImage image(300, 28, QImage::Format_RGB32);
    image.fill(Qt::white);
    item.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    EXPECT_EQ(DarkPixels(image, QRect(0, 0, 70, 28)), 0);
    EXPECT_GT(DarkPixels(image, QRect(70, 8, 40, 12)), 20);
    EXPECT_EQ(DarkPixels(image, QRect(70, 0, 230, 8)), 0);
    EXPECT_EQ(DarkPixels(image, QRect(70, 20, 230, 8)), 0);
}

TEST_F(PanelTest, MatchingOnlyScoresTheItemRowsThatExist) {
    // More items named than options: every option is an item with an empty list.
    const auto tooMany = Matching(3, 5, 6, 0);
    auto* panel = Show<TMatchingPanel>(*tooMany);
    ASSERT_EQ(panel->ItemControls.size(), 3);
    for (const auto& control : panel->ItemControls) {
        auto* item = qobject_cast<TLabelComBoBox*>(control.data());
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->ComboBox()->count(), 0);
    }
    EXPECT_FALSE(panel->IsCorrect());
    EXPECT_FALSE(panel->IsAnswered());
    EXPECT_EQ(panel->GetScore(), 0);

    for (int32_t leftCount : {0, -1, 4}) {
        const auto question = Matching(4, leftCount, 6, 0);
        panel = Show<TMatchingPanel>(*question);
        EXPECT_EQ(panel->ItemControls.size(), 4);
        EXPECT_EQ(panel->findChildren<TLabelComBoBox*>().size(), leftCount > 0 ? 4 : 0);
        EXPECT_FALSE(panel->IsCorrect()) << leftCount;
        EXPECT_FALSE(panel->IsAnswered()) << leftCount;
        EXPECT_EQ(panel->GetScore(), 0) << leftCount;
    }
}

TEST_F(PanelTest, RefusesAMatchingQuestionWithFewerThanTwoOptions) {
    for (int options : {0, 1}) {
        auto question = Matching(options, 0, 2, 0);
        question->Stem = platform::ToGbk(QStringLiteral("连线题"));
        auto* panel = new TMatchingPanel(&host);
        try {
            panel->SetQuestion(question.get());
            FAIL() << "no error";
        } catch (const EObjError& error) {
            EXPECT_STREQ(error.what(), "不完整的配伍题目:连线题");
        }
        EXPECT_TRUE(panel->ItemControls.isEmpty());
        EXPECT_EQ(panel->Question.Stem, question->Stem);
    }
}

TEST_F(PanelTest, RelaysOutRowsButNotTheStemWhenTheFontChanges) {
    const auto question = Single({"a", "b"}, 0, 1, Wide(100));
    auto* panel = Show<TSinglePanel>(*question);
    ASSERT_EQ(panel->Lines.size(), 2u);
    panel->setFont(ui::SongFont(24));
    EXPECT_EQ(panel->Lines.size(), 2u);
    EXPECT_EQ(panel->HeaderHeight, 78);
    panel->SetBounds(0, 0, 739, 0);
    EXPECT_GT(panel->Lines.size(), 2u);
    EXPECT_GT(panel->HeaderHeight, 78);
    EXPECT_EQ(panel->ItemControls[0]->y(), panel->HeaderHeight + 16);
}

TEST_F(PanelTest, ShowsAtMost256Rows) {
    auto multi = Multi(std::vector<uint8_t>(256, 1), 8, 0);
    for (int i = 0; i < 44; ++i)
        multi->AddOption("beyond");
    auto* panel = Show<TMultiPanel>(*multi);
    EXPECT_EQ(panel->ItemControls.size(), 256);
    EXPECT_EQ(panel->height(), panel->HeaderHeight + 28 * 256 + 32);
    Click(panel->ItemControls[255]);
    EXPECT_EQ(panel->GetScore(), 0); // share 0 of 8 over 256 rows, one row matching

    auto matching = Matching(300, 300, 6, 0);
    auto* items = Show<TMatchingPanel>(*matching);
    EXPECT_EQ(items->ItemControls.size(), 256);
    EXPECT_FALSE(items->IsAnswered());
    EXPECT_EQ(items->GetScore(), 0);
}

TEST_F(PanelTest, OpensALetterListAndPicksFromItByKeyboard) {
    const auto question = Matching(5, 2, 4, 0);
    auto* panel = Show<TMatchingPanel>(*question);
    auto* item = qobject_cast<TLabelComBoBox*>(panel->ItemControls[1].data());
    QComboBox* list = item->ComboBox();
    host.activateWindow();
    item->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(QApplication::focusWidget(), list); // the row hands its focus to the list

    QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(list->view()->isVisible());
    EXPECT_EQ(item->SelectedIndex(), -1); // opening picks nothing
    QTest::keyClick(list->view(), Qt::Key_Down);
    QTest::keyClick(list->view(), Qt::Key_Return);
    EXPECT_FALSE(list->view()->isVisible());
    EXPECT_GE(item->SelectedIndex(), 0);
    EXPECT_EQ(item->SelectedIndex(), list->currentIndex());
    EXPECT_TRUE(panel->IsAnswered());
}
