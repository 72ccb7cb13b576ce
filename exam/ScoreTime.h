#pragma once

#include <QDateTime>
#include <QString>

// The text STime is written as: local time as "yyyy-MM-dd HH:mm:ss", which sorts right as text
// and converts to a date-time column in every database.
QString ScoreTimeText(const QDateTime& moment);
