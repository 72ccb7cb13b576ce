#pragma once

#include "paperbuilder/Bank.h"

#include <optional>

namespace paperbuilder {

using sheets::Table;
using sheets::TableRow;

// The sheet that may hold the paper's title, rules and time limit.
inline const QString InfoSheetName = QStringLiteral("试卷信息");

// Column titles of the question table and names of the information sheet.
namespace column {
inline const QString Kind = QStringLiteral("题型");
inline const QString Stem = QStringLiteral("题干");
inline const QString Marks = QStringLiteral("分值");
inline const QString Scoring = QStringLiteral("计分方式");
inline const QString Items = QStringLiteral("配伍项");
inline const QString Answer = QStringLiteral("答案");
inline const QString OptionPrefix = QStringLiteral("选项");
inline const QString Title = QStringLiteral("试卷名称");
inline const QString Rules = QStringLiteral("考试说明");
inline const QString Minutes = QStringLiteral("考试时长(分钟)");
} // namespace column

// The questions of a table whose row 1 holds the column titles, in any order. Throws BankError
// for a missing or repeated column.
Bank BankFromTables(const QString& file, const Table& questions, const std::optional<Table>& info);

// The rows of a bank in the same columns: the title row, then one row per question; and the rows
// of the information sheet. The options columns run as far as the widest question needs.
std::vector<QStringList> QuestionRows(const Bank& bank);
std::vector<QStringList> InfoRows(const Bank& bank);

} // namespace paperbuilder
