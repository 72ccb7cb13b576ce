#include "exam/ScoreTime.h"

QString ScoreTimeText(const QDateTime& moment) {
    return moment.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_qs);
}
