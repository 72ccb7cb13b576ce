#include "paper/uObjectHandle.h"

#include "paper/AnswerNotation.h"
#include "paper/Scoring.h"
#include "platform/CodePage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <memory>

namespace {

// Button captions show the option text as stored: an ampersand is not a mnemonic marker.
QString ButtonCaption(const std::string& option) {
    return platform::FromGbk(option).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

panellayout::Ticks TicksOf(const QList<QPointer<QWidget>>& controls) {
    panellayout::Ticks ticks;
    ticks.reserve(controls.size());
    for (const QPointer<QWidget>& control : controls) {
        const auto* button = qobject_cast<const QAbstractButton*>(control.data());
        ticks.push_back(button != nullptr && button->isChecked() ? 1 : 0);
    }
    return ticks;
}

// The letter list only picks, and it lets the mouse wheel pass to the window that scrolls the
// paper, so that scrolling over a list never changes an answer.
class LetterList final : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void wheelEvent(QWheelEvent* event) override { event->ignore(); }
};

} // namespace

TObjClass::TObjClass(QWidget* owner) : QWidget(owner) {}

// ---------------------------------------------------------------------------------------------
// TQuestionPanel

TQuestionPanel::TQuestionPanel(QWidget* owner) : TObjClass(owner) {
    setAutoFillBackground(true);
    setMinimumWidth(panellayout::MinimumWidth);
}

TQuestionPanel::~TQuestionPanel() = default;

int TQuestionPanel::ItemHeight() const {
    return panellayout::ItemHeight;
}

QRect TQuestionPanel::GetItemRect(int row) const {
    const panellayout::Rect r = panellayout::ItemRect(row, width());
    return QRect(QPoint(r.left, r.top), QSize(r.right - r.left, r.bottom - r.top));
}

void TQuestionPanel::ArrangeItems() {
    for (qsizetype i = 0; i < ItemControls.size(); ++i) {
        QWidget* control = ItemControls[i];
        if (control == nullptr)
            continue;
        const QRect r = GetItemRect(static_cast<int>(i));
        const int height = qBound(control->minimumHeight(), r.height(), control->maximumHeight());
        const int top = HeaderHeight + r.top() + Margin + ItemHeight() - height;
        control->setGeometry(r.left(), top, r.width(), height);
    }
}

void TQuestionPanel::Clear() {
    for (const QPointer<QWidget>& control : std::as_const(ItemControls))
        delete control.data();
    ItemControls.clear();
}

void TQuestionPanel::SetBounds(int left, int top, int width, int /*height*/) {
    LayoutWidth = panellayout::ClampWidth(width);
    const bool relayout = StemIsStale();
    if (relayout)
        LayoutStem();
    ApplyBounds(left, top);
    if (relayout)
        RefreshLayout();
}

void TQuestionPanel::AddItemControl(QWidget* control) {
    ItemControls.append(control);
    if (control->parentWidget() != this)
        control->setParent(this);
    // A radio button that goes off is always matched by one that comes on: one notice a change.
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        connect(button, &QAbstractButton::toggled, this, [this, button](bool checked) {
            if (checked || !qobject_cast<QRadioButton*>(button))
                emit AnswerChanged();
        });
    else if (auto* item = qobject_cast<TLabelComBoBox*>(control))
        connect(item->ComboBox(), &QComboBox::activated, this, &TQuestionPanel::AnswerChanged);
}

std::vector<int32_t> TQuestionPanel::Answer() const {
    std::vector<int32_t> answer;
    for (const QPointer<QWidget>& control : ItemControls) {
        if (const auto* button = qobject_cast<const QAbstractButton*>(control.data()))
            answer.push_back(button->isChecked() ? 1 : 0);
        else if (const auto* item = qobject_cast<const TLabelComBoBox*>(control.data()))
            answer.push_back(item->SelectedIndex());
    }
    return answer;
}

void TQuestionPanel::RestoreAnswer(const std::vector<int32_t>& answer) {
    const QSignalBlocker restoring(this);
    size_t row = 0;
    for (const QPointer<QWidget>& control : ItemControls) {
        if (row == answer.size())
            return;
        if (auto* button = qobject_cast<QAbstractButton*>(control.data()))
            button->setChecked(answer[row++] != 0);
        else if (auto* item = qobject_cast<TLabelComBoBox*>(control.data()))
            item->RestoreSelection(answer[row++]);
    }
}

void TQuestionPanel::RefreshLayout() {
    PaintHeader();
    ArrangeItems();
}

void TQuestionPanel::LayoutStem() {
    Lines = panellayout::SplitLines(GetStem());
    headerFont = font();
    const QFontMetrics metrics(headerFont);
    WrapLines(Lines, metrics.horizontalAdvance(QLatin1Char('W')));
    lineHeight = metrics.height();
    HeaderHeight = panellayout::HeaderHeight(Lines.size(), lineHeight);

    shownLines.clear();
    shownLines.reserve(static_cast<qsizetype>(Lines.size()));
    for (const std::string& line : Lines)
        shownLines.append(platform::FromGbk(line));
    laidOutWidth = LayoutWidth;
    fontChanged = false;
}

void TQuestionPanel::WrapLines(std::vector<std::string>& lines, int byteWidth) const {
    panellayout::WrapLines(lines, LayoutWidth, byteWidth);
}

void TQuestionPanel::DrawHeader(QPainter& painter) const {
    if (HeaderHeight <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(0, 0, width() - 1, HeaderHeight - 1);
    if (!shownLines.isEmpty()) {
        painter.setFont(headerFont);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(Qt::white);
        const int ascent = QFontMetrics(headerFont).ascent();
        int y = Margin;
        painter.drawText(Margin, y + ascent, QStringLiteral("(本题得分: %1)").arg(GetFullMarks()));
        for (const QString& line : shownLines) {
            y += lineHeight + panellayout::LineGap;
            painter.drawText(Margin, y + ascent, line);
        }
    }
    painter.restore();
}

void TQuestionPanel::PaintHeader() {
    if (isVisible())
        update(0, 0, width(), HeaderHeight);
}

void TQuestionPanel::Rebuild() {
    // The panel is as wide as its container, as it is when it is first placed.
    LayoutWidth =
        panellayout::ClampWidth(parentWidget() != nullptr ? parentWidget()->width() : width());
    LayoutStem();
    CreateItemControls();
    ApplyBounds(x(), y());
    RefreshLayout();
    update(); // the band may have shrunk: what lay below it is background now
    if (isVisible()) {
        for (const QPointer<QWidget>& control : std::as_const(ItemControls))
            if (control != nullptr)
                control->show();
    }
}

int TQuestionPanel::ComputedHeight() const {
    return ItemsHeight() + HeaderHeight + Margin;
}

void TQuestionPanel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    DrawHeader(painter);
}

void TQuestionPanel::resizeEvent(QResizeEvent* event) {
    TObjClass::resizeEvent(event);
    // A width that reached the panel by another path than SetBounds (a layout, resize()).
    if (!applyingBounds && width() != LayoutWidth)
        SetBounds(x(), y(), width(), height());
}

void TQuestionPanel::changeEvent(QEvent* event) {
    TObjClass::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        fontChanged = true;
        RefreshLayout();
    }
}

void TQuestionPanel::ApplyBounds(int left, int top) {
    const int height = ComputedHeight();
    applyingBounds = true;
    setFixedHeight(height);
    setGeometry(left, top, LayoutWidth, height);
    applyingBounds = false;
}

bool TQuestionPanel::StemIsStale() const {
    return fontChanged || laidOutWidth != LayoutWidth;
}

// ---------------------------------------------------------------------------------------------
// TSinglePanel, TMultiPanel

TSinglePanel::TSinglePanel(QWidget* owner)
    : TQuestionPanelOf<TQSingle>(owner), group(new QButtonGroup(this)) {
    group->setExclusive(true);
}

void TSinglePanel::CreateItemControls() {
    for (int i = 0; i < RowCount(); ++i) {
        auto* button = new QRadioButton(ButtonCaption(Question.GetOption(uint8_t(i))), this);
        button->setFocusPolicy(Qt::StrongFocus);
        group->addButton(button, i);
        AddItemControl(button);
    }
}

bool TSinglePanel::IsCorrect() const {
    return panellayout::SingleIsCorrect(TicksOf(ItemControls), Question.Key);
}

int32_t TSinglePanel::GetScore() const {
    return scoring::Score(Question, Answer());
}

bool TSinglePanel::IsAnswered() const {
    return panellayout::AnyTicked(TicksOf(ItemControls));
}

TMultiPanel::TMultiPanel(QWidget* owner) : TQuestionPanelOf<TQMulti>(owner) {}

void TMultiPanel::CreateItemControls() {
    for (int i = 0; i < RowCount(); ++i) {
        auto* box = new QCheckBox(ButtonCaption(Question.GetOption(uint8_t(i))), this);
        box->setFocusPolicy(Qt::StrongFocus);
        AddItemControl(box);
    }
}

bool TMultiPanel::IsCorrect() const {
    return panellayout::MultiIsCorrect(TicksOf(ItemControls), Question.Answer);
}

int32_t TMultiPanel::GetScore() const {
    return scoring::Score(Question, Answer());
}

bool TMultiPanel::IsAnswered() const {
    return panellayout::AnyTicked(TicksOf(ItemControls));
}

// ---------------------------------------------------------------------------------------------
// TLabelComBoBox

namespace {
constexpr int ListWidth = 50;
constexpr int CaptionGap = 20;
} // namespace

TLabelComBoBox::TLabelComBoBox(QWidget* owner) : QWidget(owner), comboBox(new LetterList(this)) {
    comboBox->setEditable(false);
    comboBox->setFocusPolicy(Qt::StrongFocus);
    comboBox->setGeometry(0, 0, ListWidth, comboBox->sizeHint().height());
    setFocusProxy(comboBox);
    connect(comboBox, &QComboBox::activated, this, [this](int index) { selectedIndex = index; });
}

void TLabelComBoBox::SetItemsText(const QString& text) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    itemsText = text;
    letters = text.split(lineBreak);
    if (!letters.isEmpty() && letters.constLast().isEmpty())
        letters.removeLast();
    if (isVisible())
        ReplaceEntries();
}

void TLabelComBoBox::RestoreSelection(int32_t index) {
    selectedIndex = index;
    if (comboBox->count() > 0)
        comboBox->setCurrentIndex(index);
    else
        showRestoredPick = true;
}

void TLabelComBoBox::SetCaption(const QString& text) {
    caption = text;
    comboBox->setAccessibleName(text);
    update();
}

void TLabelComBoBox::SetBounds(int left, int top, int width, int height) {
    setGeometry(left, top, width, height);
    PlaceComboBox(); // a hidden control gets its resize event only when it is shown
}

void TLabelComBoBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setBackgroundMode(Qt::TransparentMode);
    const QFontMetrics metrics(font());
    const int y = (height() - metrics.height()) / 2;
    painter.drawText(comboBox->x() + comboBox->width() + CaptionGap, y + metrics.ascent(), caption);
}

void TLabelComBoBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceComboBox();
}

void TLabelComBoBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window coming back from being minimised is no new showing of the list.
    if (!event->spontaneous())
        ReplaceEntries();
}

void TLabelComBoBox::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        comboBox->resize(ListWidth, comboBox->sizeHint().height());
        PlaceComboBox();
    }
}

void TLabelComBoBox::PlaceComboBox() {
    comboBox->setGeometry(0, (height() - comboBox->height()) / 2, ListWidth, comboBox->height());
}

void TLabelComBoBox::ReplaceEntries() {
    comboBox->clear();
    comboBox->addItems(letters);
    comboBox->setCurrentIndex(showRestoredPick ? selectedIndex : -1);
    showRestoredPick = false;
}

// ---------------------------------------------------------------------------------------------
// TMatchingPanel

TMatchingPanel::TMatchingPanel(QWidget* owner) : TQuestionPanelOf<TQMatching>(owner) {}

void TMatchingPanel::CreateItemControls() {
    if (Question.OptionCount() < 2)
        throw EObjError("不完整的配伍题目:" + platform::FromGbk(Question.Stem).toStdString());
    const int rows = RowCount();
    const int items = panellayout::MatchingItemRows(Question.LeftCount, rows);
    const QString letters = BuildChoiceLetters(rows - items);
    for (int i = 0; i < rows; ++i) {
        const QString text = platform::FromGbk(Question.GetOption(uint8_t(i)));
        if (i < items) {
            auto* item = new TLabelComBoBox(this);
            item->SetCaption(text);
            item->SetItemsText(letters);
            AddItemControl(item);
        } else {
            AddChoiceLabel(text);
        }
    }
}

QString TMatchingPanel::BuildChoiceLetters(int n) {
    QStringList letters;
    for (int k = 0; k < n; ++k)
        letters.append(QChar(answernotation::OptionLetter(k)));
    return letters.join(QStringLiteral("\r\n"));
}

void TMatchingPanel::AddChoiceLabel(const QString& text) {
    auto* label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(false);
    AddItemControl(label);
}

panellayout::Selection TMatchingPanel::Selection() const {
    // Only rows that exist are items, even when LeftCount names more.
    const int items =
        panellayout::MatchingItemRows(Question.LeftCount, static_cast<int>(ItemControls.size()));
    panellayout::Selection selection;
    selection.reserve(items);
    for (int i = 0; i < items; ++i) {
        const auto* item = qobject_cast<const TLabelComBoBox*>(ItemControls[i].data());
        selection.push_back(item != nullptr ? item->SelectedIndex() : -1);
    }
    return selection;
}

bool TMatchingPanel::IsCorrect() const {
    return panellayout::MatchingIsCorrect(Selection(), Question.Answer);
}

int32_t TMatchingPanel::GetScore() const {
    return scoring::Score(Question, Answer());
}

bool TMatchingPanel::IsAnswered() const {
    return panellayout::AnyChosen(Selection());
}

// ---------------------------------------------------------------------------------------------
// TParentPanel

namespace {

std::unique_ptr<TQuestionPanel> CreatePanelFor(const TQuestion* question, QWidget* owner) {
    if (dynamic_cast<const TQSingle*>(question) != nullptr)
        return std::make_unique<TSinglePanel>(owner);
    if (dynamic_cast<const TQMulti*>(question) != nullptr)
        return std::make_unique<TMultiPanel>(owner);
    return std::make_unique<TMatchingPanel>(owner);
}

} // namespace

TParentPanel::TParentPanel(QWidget* owner) : TObjClass(owner) {}

TParentPanel::~TParentPanel() {
    ClearPanels();
}

void TParentPanel::ClearPanels() {
    for (qsizetype i = Panels.size() - 1; i >= 0; --i) {
        // Deleting a child takes it out of this panel; reparenting it first would only add work.
        delete Panels[i];
    }
    Panels.clear();
}

void TParentPanel::BuildPanels() {
    ClearPanels();
    const int32_t count = Paper.QuestionCount();
    if (count <= 0)
        return;
    stackedWidth = width();
    int top = 0;
    for (int32_t i = 0; i < count; ++i) {
        const TQuestion* question = Paper.GetQuestion(i);
        std::unique_ptr<TQuestionPanel> panel = CreatePanelFor(question, this);
        panel->SetBounds(0, top, width(), 0);
        panel->SetQuestion(question);
        panel->show();
        top += panel->height();
        Panels.append(panel.release());
    }
    resize(width(), top);
}

bool TParentPanel::AllAnswered(int& position) const {
    if (Panels.isEmpty())
        return false;
    for (qsizetype i = 0; i < Panels.size(); ++i) {
        if (!Panels[i]->IsAnswered()) {
            position = static_cast<int>(i);
            return false;
        }
    }
    return true;
}

TQuestionPanel* TParentPanel::PanelAt(uint8_t position) const {
    return position < Panels.size() ? Panels[position] : nullptr;
}

int32_t TParentPanel::GetScore() const {
    int64_t sum = 0;
    for (const TQuestionPanel* panel : Panels)
        sum += panel->GetScore();
    return panellayout::ClampScore(sum);
}

void TParentPanel::resizeEvent(QResizeEvent* event) {
    TObjClass::resizeEvent(event);
    // Only a new width lays the panels out again; moving the top edge while scrolling does not.
    if (width() != stackedWidth && !Panels.isEmpty())
        resize(width(), StackPanels());
}

int TParentPanel::StackPanels() {
    stackedWidth = width();
    int top = 0;
    for (TQuestionPanel* panel : std::as_const(Panels)) {
        panel->SetBounds(0, top, width(), 0);
        top += panel->height();
    }
    return top;
}
