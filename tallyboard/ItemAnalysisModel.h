#pragma once

#include "tallyboard/ItemAnalysis.h"
#include "tallyboard/SortableTableModel.h"

#include <QString>
#include <QStringList>
#include <vector>

class TQFileHandle;

// The texts of a paper's questions that the item analysis shows, decoded for display.
struct TItemTexts {
    QString kind;         // 单选题, 多选题 or 配伍题
    QString stem;         // the whole stem, on one line
    QStringList rows;     // options, or the items of a matching question
    QStringList letters;  // the choices of a matching question
    std::vector<int> key; // the right answer in the panels' form
};

std::vector<TItemTexts> ItemTextsOf(const TQFileHandle& paper);

// One row per question: 题号, 题型, 题干, 满分, 得分率, 标准差, 随机猜测得分, 区分度, 区分效率
// and 提示. Sorted by a title click; RawValueRole gives the numbers behind the texts.
class TItemAnalysisModel final : public TSortableTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TItemAnalysisModel)

public:
    enum Column {
        Number,
        Kind,
        Stem,
        FullMarks,
        Facility,
        Deviation,
        Guess,
        Discrimination,
        Efficiency,
        Hint,
        ColumnCount
    };

    explicit TItemAnalysisModel(QObject* parent = nullptr);

    void SetAnalysis(std::vector<TItemTexts> texts, std::vector<tallyboard::ItemQuestion> questions,
                     tallyboard::ItemAnalysis analysis);
    void SortBy(int column, bool descending);
    // The question shown in a row.
    std::size_t QuestionAt(int row) const { return order[static_cast<std::size_t>(row)]; }
    const tallyboard::ItemAnalysis& Analysis() const { return analysis; }
    const std::vector<TItemTexts>& Texts() const { return texts; }
    const std::vector<tallyboard::ItemQuestion>& Questions() const { return questions; }
    // A cell as an export writes it: texts as shown, figures as numbers rounded as shown.
    QVariant ExportValue(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QVariant RawAt(std::size_t question, int column) const;
    QString TextAt(std::size_t question, int column) const;

    std::vector<TItemTexts> texts;
    std::vector<tallyboard::ItemQuestion> questions;
    tallyboard::ItemAnalysis analysis;
};

// How the attempts answered one question. A choice question: one row per option with 选项,
// 内容, 正确, 人数 and 比例. A matching question: one row per item with 配伍项, 内容, 正确 and a
// column per letter with its count. A last row counts the attempts that left it open.
class TResponseModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TResponseModel)

public:
    explicit TResponseModel(QObject* parent = nullptr);

    // The question's responses out of `attempts`; no question shows an empty table.
    void SetQuestion(const TItemTexts* texts, const tallyboard::ItemQuestion* question,
                     const tallyboard::ResponseCounts* counts, long long attempts);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    bool Matching() const;
    QString CellText(int row, int column) const;

    const TItemTexts* texts = nullptr;
    const tallyboard::ItemQuestion* question = nullptr;
    const tallyboard::ResponseCounts* counts = nullptr;
    long long attempts = 0;
};

// Letter `index` of the answer letters: A, B, C, ...
QString AnswerLetter(int index);
