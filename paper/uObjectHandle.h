#pragma once

#include "paper/PanelLayout.h"
#include "paper/uFileHandle.h"
#include "platform/RuntimeErrors.h"

#include <QComboBox>
#include <QFont>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

class QButtonGroup;
class QPainter;

// Failures of the question display, with a short Chinese message.
class EObjError final : public platform::Exception {
public:
    using Exception::Exception;
};

// Common base of the question panels and of the paper panel.
class TObjClass : public QWidget {
    Q_OBJECT
public:
    explicit TObjClass(QWidget* owner = nullptr);

private:
    Q_DISABLE_COPY_MOVE(TObjClass)
};

// One question on screen: a framed white header band with the score line and the wrapped stem,
// then one 28-pixel row per option holding the kind's control. The header is painted at the top
// of the widget and the rows lie below it. The panel's height always follows from its content.
class TQuestionPanel : public TObjClass {
    Q_OBJECT
public:
    explicit TQuestionPanel(QWidget* owner = nullptr);
    ~TQuestionPanel() override;

    // Copies the question and builds the panel for it. Raises EObjError without a question.
    virtual void SetQuestion(const TQuestion* question) = 0;

    virtual void CreateItemControls() = 0;
    virtual std::string GetStem() const = 0;
    virtual int ItemsHeight() const = 0;
    virtual int ItemHeight() const;
    virtual void ArrangeItems();
    // Row i of the item area, counted from the top of the item area without the leading Margin.
    virtual QRect GetItemRect(int row) const;
    virtual bool IsCorrect() const = 0;
    virtual int32_t GetFullMarks() const = 0;
    virtual int32_t GetScore() const = 0;
    // Frees the item controls.
    virtual void Clear();
    virtual bool IsAnswered() const = 0;

    // The examinee's answer, one entry per answer row: 1 or 0 for a ticked or unticked option,
    // the chosen letter (or -1) of a matching item.
    std::vector<int32_t> Answer() const;
    // Puts back an answer of Answer's form, as a resumed exam does; entries beyond the rows are
    // ignored. Emits no AnswerChanged.
    void RestoreAnswer(const std::vector<int32_t>& answer);

    // Places the panel; the width is raised to at least 128 and the height argument is ignored:
    // the panel is always ItemsHeight + HeaderHeight + Margin high.
    void SetBounds(int left, int top, int width, int height);
    void AddItemControl(QWidget* control);
    void RefreshLayout();
    void LayoutStem();
    void WrapLines(std::vector<std::string>& lines, int byteWidth) const;
    // Draws the header band on any painter, in the font the stem was laid out with.
    void DrawHeader(QPainter& painter) const;
    void PaintHeader();

    int32_t LayoutWidth = 0;
    std::vector<std::string> Lines; // GBK bytes, one entry per drawn stem line
    QList<QPointer<QWidget>> ItemControls;
    int32_t HeaderHeight = 0;
    const int32_t Margin = panellayout::Margin;

signals:
    // The examinee ticked, unticked or picked something.
    void AnswerChanged();

protected:
    virtual void Rebuild();
    int ComputedHeight() const;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ApplyBounds(int left, int top);
    bool StemIsStale() const;

    QFont headerFont;
    QStringList shownLines;
    int lineHeight = 0;
    int laidOutWidth = -1;
    bool fontChanged = true;
    bool applyingBounds = false;

    Q_DISABLE_COPY_MOVE(TQuestionPanel)
};

// What the three kinds share: their own copy of the question, of class Q, never written to.
template <class Q> class TQuestionPanelOf : public TQuestionPanel {
public:
    using TQuestionPanel::TQuestionPanel;

    void SetQuestion(const TQuestion* question) override {
        if (question == &Question)
            return;
        if (question == nullptr)
            throw EObjError("不正确的赋值对象.");
        Clear();
        Question.Assign(question);
        Rebuild();
    }
    std::string GetStem() const override { return Question.Stem; }
    int ItemsHeight() const override { return ItemHeight() * RowCount() + Margin; }
    int32_t GetFullMarks() const override { return Question.FullMarks; }
    void Clear() override {
        TQuestionPanel::Clear();
        Question.Clear();
    }

    Q Question;

protected:
    // Options beyond the 256th cannot be addressed by the 8-bit option index; they get no row.
    int RowCount() const { return panellayout::RowCount(Question.OptionCount()); }
};

// A single-choice question: one radio button per option, one exclusive group per panel.
class TSinglePanel final : public TQuestionPanelOf<TQSingle> {
    Q_OBJECT
public:
    explicit TSinglePanel(QWidget* owner = nullptr);

    void CreateItemControls() override;
    bool IsCorrect() const override;
    int32_t GetScore() const override;
    bool IsAnswered() const override;

private:
    QButtonGroup* group;
};

// A multiple-choice question: one check box per option.
class TMultiPanel final : public TQuestionPanelOf<TQMulti> {
    Q_OBJECT
public:
    explicit TMultiPanel(QWidget* owner = nullptr);

    void CreateItemControls() override;
    bool IsCorrect() const override;
    int32_t GetScore() const override;
    bool IsAnswered() const override;
};

// An item row of a matching question: a letter list at the left, the item's text 20 pixels to
// its right. The letters are kept in ItemsText and put into the list whenever it is shown.
class TLabelComBoBox final : public QWidget {
    Q_OBJECT
public:
    explicit TLabelComBoBox(QWidget* owner = nullptr);

    QComboBox* ComboBox() const { return comboBox; }
    // Index of the letter the examinee last picked; -1 until one is picked.
    int32_t SelectedIndex() const { return selectedIndex; }
    // Sets the pick as if the examinee had made it, and shows it in the list, also when the
    // letters are put in later as the control is first shown.
    void RestoreSelection(int32_t index);
    const QString& ItemsText() const { return itemsText; }
    void SetItemsText(const QString& text);
    const QString& Caption() const { return caption; }
    void SetCaption(const QString& text);
    void SetBounds(int left, int top, int width, int height);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void PlaceComboBox();
    void ReplaceEntries();

    QComboBox* comboBox;
    int32_t selectedIndex = -1;
    bool showRestoredPick = false;
    QString itemsText;
    QStringList letters;
    QString caption;

    Q_DISABLE_COPY_MOVE(TLabelComBoBox)
};

// A matching question: the first LeftCount options are items with a letter list each, the rest
// are the choices, shown as plain text rows.
class TMatchingPanel final : public TQuestionPanelOf<TQMatching> {
    Q_OBJECT
public:
    explicit TMatchingPanel(QWidget* owner = nullptr);

    void CreateItemControls() override;
    bool IsCorrect() const override;
    int32_t GetScore() const override;
    bool IsAnswered() const override;

    // "A", CR LF, "B", ... for n choices; empty for n <= 0.
    static QString BuildChoiceLetters(int n);
    void AddChoiceLabel(const QString& text);

private:
    panellayout::Selection Selection() const;
};

// The paper on screen: one question panel per question, stacked from the top in the order of the
// sequence numbers, each as wide as this panel, which is as high as all of them together.
class TParentPanel final : public TObjClass {
    Q_OBJECT
public:
    explicit TParentPanel(QWidget* owner = nullptr);
    ~TParentPanel() override;

    void ClearPanels();
    // Rebuilds the panels from Paper. A failing question ends the build: the panels before it
    // stay, its own panel is freed at once, and the height is left as it was.
    void BuildPanels();
    // False with the position of the first unanswered panel; false without writing it when there
    // are no panels.
    bool AllAnswered(int& position) const;
    TQuestionPanel* PanelAt(uint8_t position) const;
    int32_t GetScore() const;

    TQFileHandle Paper;
    QList<TQuestionPanel*> Panels;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int StackPanels();

    int stackedWidth = -1;
};
