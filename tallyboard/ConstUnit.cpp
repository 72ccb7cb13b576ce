#include "tallyboard/ConstUnit.h"

namespace tallyboard {

const QString ColumnFileName = QStringLiteral("列项属性.txt");
const QString MarkColumnTitle = QStringLiteral("选中");
const QString RecordCountLabel = QStringLiteral("记录数:");
const QString NoticeCaption = QStringLiteral("提示");
const QString QuestionCaption = QStringLiteral("询问");
const QString ErrorCaption = QStringLiteral("错误");

} // namespace tallyboard
