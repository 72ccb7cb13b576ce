#include "platform/ClientCursor.h"
#include "platform/DatabaseQuery.h"
#include "tests/support/LocalZone.h"
#include "tests/support/PgServer.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace platform;
using testsupport::Backend;
using testsupport::LocalZone;
using testsupport::TestDatabase;

namespace {

struct Reading {
    const char* stored;
    QDate date;
    QTime time;
    const char* shown;
};

// One date-time field filled with the stored texts, as the SQLite fetch fills it.
void FillWithTexts(ClientCursor& cursor, const std::vector<const char*>& texts) {
    cursor.Reset({{u"STime"_qs, FieldKind::DateTime}});
    for (const char* text : texts) {
        if (text)
            cursor.AppendText(0, text);
        else
            cursor.AppendNull(0);
        cursor.FinishRow();
    }
    cursor.FinishFetch();
}

void ExpectReadings(const std::vector<Reading>& readings) {
    std::vector<const char*> texts;
    for (const Reading& reading : readings)
        texts.push_back(reading.stored);
    ClientCursor cursor;
    FillWithTexts(cursor, texts);
    ASSERT_EQ(cursor.Kind(0), FieldKind::DateTime);
    for (int row = 0; row < cursor.RowCount(); ++row) {
        const Reading& reading = readings[static_cast<size_t>(row)];
        SCOPED_TRACE(reading.stored);
        const QVariant value = cursor.Value(row, 0);
        ASSERT_EQ(value.typeId(), QMetaType::QDateTime);
        const QDateTime dateTime = value.toDateTime();
        EXPECT_EQ(dateTime.timeSpec(), Qt::LocalTime);
        EXPECT_EQ(dateTime.date(), reading.date);
        EXPECT_EQ(dateTime.time(), reading.time);
        EXPECT_EQ(dateTime, QDateTime(reading.date, reading.time));
        EXPECT_EQ(DateTimeText(dateTime), QString::fromUtf8(reading.shown));
        const auto local = cursor.DateTimeAt(row, 0);
        ASSERT_TRUE(local.has_value());
        EXPECT_EQ(local->date, reading.date);
        EXPECT_EQ(local->time, reading.time);
        EXPECT_EQ(DateTimeText(local->date, local->time), QString::fromUtf8(reading.shown));
    }
}

const std::vector<Reading> kReadings = {
    {"2026-12-09 08:01:02", {2026, 12, 9}, {8, 1, 2}, "2026-12-09 08:01:02"},
    {"1969-12-31 23:59:59.999", {1969, 12, 31}, {23, 59, 59, 999}, "1969-12-31 23:59:59.999"},
    {"1900-01-01 00:00:00", {1900, 1, 1}, {0, 0}, "1900-01-01 00:00:00"},
    {"0001-01-01 00:00:00", {1, 1, 1}, {0, 0}, "0001-01-01 00:00:00"},
    {"2038-01-19 03:14:08", {2038, 1, 19}, {3, 14, 8}, "2038-01-19 03:14:08"},
    {"2100-02-28 12:00:00.5", {2100, 2, 28}, {12, 0, 0, 500}, "2100-02-28 12:00:00.500"},
    {"9999-12-31 23:59:59.999", {9999, 12, 31}, {23, 59, 59, 999}, "9999-12-31 23:59:59.999"},
    {"2026-12-10 00:00:00", {2026, 12, 10}, {0, 0}, "2026-12-10 00:00:00"},
    {"2026-12-10", {2026, 12, 10}, {0, 0}, "2026-12-10 00:00:00"},
    {"2026/1/5 7:08", {2026, 1, 5}, {7, 8}, "2026-01-05 07:08:00"},
    {"2024-02-29T23:59:59,25", {2024, 2, 29}, {23, 59, 59, 250}, "2024-02-29 23:59:59.250"},
    {" 2026-12-09  08:01:02.123456 ", {2026, 12, 9}, {8, 1, 2, 123}, "2026-12-09 08:01:02.123"},
    {"2026-12-09 08:01:02.000", {2026, 12, 9}, {8, 1, 2}, "2026-12-09 08:01:02"},
};

} // namespace

TEST(ClientCursorDateTime, StoredTextsReadAsLocalDateTimesAndShowAsStored) {
    ExpectReadings(kReadings);
    {
        SCOPED_TRACE("in a zone with daylight saving time");
        LocalZone zone("America/New_York");
        ExpectReadings(kReadings);
    }
}

TEST(ClientCursorDateTime, NullsAreNullDateTimes) {
    ClientCursor cursor;
    FillWithTexts(cursor, {"2026-12-09 08:01:02", nullptr});
    ASSERT_EQ(cursor.Kind(0), FieldKind::DateTime);
    EXPECT_FALSE(cursor.IsNull(0, 0));
    EXPECT_TRUE(cursor.IsNull(1, 0));
    const QVariant null = cursor.Value(1, 0);
    EXPECT_TRUE(null.isNull());
    EXPECT_EQ(null.typeId(), QMetaType::QDateTime);
    EXPECT_TRUE(cursor.DateTimeAt(0, 0).has_value());
    EXPECT_FALSE(cursor.DateTimeAt(1, 0).has_value());
    EXPECT_FALSE(cursor.Utf8At(0, 0).has_value());
}

TEST(ClientCursorDateTime, TextIsQtsFormattingOfTheReadingAcrossTheCalendar) {
    const QDate first(1, 1, 1);
    const QDate last(9999, 12, 31);
    int compared = 0;
    for (qint64 day = first.toJulianDay(); day <= last.toJulianDay(); day += 997) {
        const QDate date = QDate::fromJulianDay(day);
        const int msecs = static_cast<int>((day * 7919 * 1009) % 86400000);
        for (const QTime time :
             {QTime(0, 0), QTime(23, 59, 59, 999), QTime::fromMSecsSinceStartOfDay(msecs),
              QTime::fromMSecsSinceStartOfDay(msecs / 1000 * 1000)}) {
            const QDateTime utc(date, time, Qt::UTC);
            const QString expected = utc.toString(time.msec() ? u"yyyy-MM-dd HH:mm:ss.zzz"_qs
                                                              : u"yyyy-MM-dd HH:mm:ss"_qs);
            ASSERT_EQ(DateTimeText(date, time), expected) << date.toJulianDay();
            ++compared;
        }
    }
    EXPECT_GT(compared, 14000);
    // Years outside 1..9999 as Qt writes them; no date, no text.
    for (const QDate date : {QDate(-44, 3, 15), QDate(10000, 1, 1)})
        EXPECT_EQ(DateTimeText(date, QTime(12, 0)),
                  QDateTime(date, QTime(12, 0), Qt::UTC).toString(u"yyyy-MM-dd HH:mm:ss"_qs));
    EXPECT_EQ(DateTimeText(QDate(), QTime(12, 0)), QString());
    EXPECT_EQ(DateTimeText(QDateTime()), QString());
    EXPECT_EQ(DateTimeText(QDate(2026, 12, 9), QTime()), u"2026-12-09 00:00:00");
}

TEST(ClientCursorDateTime, DaylightSavingChangeDaysKeepTheStoredReading) {
    LocalZone zone("America/New_York");
    // 2024-03-10: clocks go from 02:00 to 03:00; 2024-11-03: from 02:00 back to 01:00.
    ExpectReadings({
        {"2024-03-10 00:00:00", {2024, 3, 10}, {0, 0}, "2024-03-10 00:00:00"},
        {"2024-03-10 01:59:59.999", {2024, 3, 10}, {1, 59, 59, 999}, "2024-03-10 01:59:59.999"},
        {"2024-03-10 03:00:00", {2024, 3, 10}, {3, 0}, "2024-03-10 03:00:00"},
        {"2024-11-03 01:30:00", {2024, 11, 3}, {1, 30}, "2024-11-03 01:30:00"},
        {"2024-11-03 02:00:00", {2024, 11, 3}, {2, 0}, "2024-11-03 02:00:00"},
    });
    EXPECT_EQ(QDateTime(QDate(2024, 3, 10), QTime(1, 59, 59))
                  .secsTo(QDateTime(QDate(2024, 3, 10), QTime(3, 0))),
              1);

    // A reading that the local clock skipped still shows what was stored, and a sort puts it
    // between its neighbours; it is not shown empty.
    ClientCursor cursor;
    FillWithTexts(cursor, {"2024-03-10 03:00:00", "2024-03-10 02:30:00", "2024-03-10 01:59:59"});
    ASSERT_EQ(cursor.Kind(0), FieldKind::DateTime);
    EXPECT_EQ(cursor.Value(1, 0).toDateTime().date(), QDate(2024, 3, 10));
    EXPECT_EQ(cursor.Value(1, 0).toDateTime().time(), QTime(2, 30));
    EXPECT_EQ(DateTimeText(cursor.Value(1, 0).toDateTime()), u"2024-03-10 02:30:00");
    cursor.Sort({{0, false}});
    EXPECT_EQ(cursor.StoredRow(0), 2);
    EXPECT_EQ(cursor.StoredRow(1), 1);
    EXPECT_EQ(cursor.StoredRow(2), 0);
}

TEST(ClientCursorDateTime, DateTimeValuesOfADriverKeepTheirReading) {
    LocalZone zone("America/New_York");
    ClientCursor cursor;
    cursor.Reset({{u"STime"_qs, FieldKind::DateTime}});
    const QDateTime values[] = {
        QDateTime(QDate(1969, 7, 20), QTime(20, 17, 40, 5)),
        QDateTime(QDate(2040, 1, 1), QTime(0, 0)),
        QDateTime(QDate(2024, 3, 10), QTime(2, 30)),
    };
    for (const QDateTime& value : values) {
        cursor.AppendVariant(0, value);
        cursor.FinishRow();
    }
    cursor.AppendVariant(0, QVariant(QDate(2024, 11, 3)));
    cursor.FinishRow();
    ASSERT_EQ(cursor.Kind(0), FieldKind::DateTime);
    EXPECT_EQ(DateTimeText(cursor.Value(0, 0).toDateTime()), u"1969-07-20 20:17:40.005");
    EXPECT_EQ(DateTimeText(cursor.Value(1, 0).toDateTime()), u"2040-01-01 00:00:00");
    EXPECT_EQ(DateTimeText(cursor.Value(2, 0).toDateTime()), u"2024-03-10 02:30:00");
    EXPECT_EQ(DateTimeText(cursor.Value(3, 0).toDateTime()), u"2024-11-03 00:00:00");
}

TEST(ClientCursorDateTime, AFieldTurnedToTextKeepsTheReadingsAsText) {
    LocalZone zone("America/New_York");
    ClientCursor cursor;
    FillWithTexts(cursor, {"1969-12-31 23:59:59.999", nullptr, "2024-03-10 02:30:00", "gestern"});
    ASSERT_EQ(cursor.Kind(0), FieldKind::Text);
    EXPECT_EQ(cursor.Value(0, 0).toString(), u"1969-12-31 23:59:59.999");
    EXPECT_TRUE(cursor.IsNull(1, 0));
    EXPECT_EQ(cursor.Value(2, 0).toString(), u"2024-03-10 02:30:00");
    EXPECT_EQ(cursor.Value(3, 0).toString(), u"gestern");
    EXPECT_EQ(cursor.Utf8At(2, 0), std::string_view("2024-03-10 02:30:00"));
    EXPECT_FALSE(cursor.Utf8At(1, 0).has_value());
    EXPECT_FALSE(cursor.DateTimeAt(0, 0).has_value());
}

TEST(ClientCursorDateTime, TextReaderRejectsWhatIsNoDateTime) {
    for (const char* text : {"", "2026", "2026-13-01", "2026-02-30", "2026-12-09 24:00:00",
                             "2026-12-09 08:60", "2026-12-09 08:01:02.", "26-12-09", "2026-12/09",
                             "2026-12-09 08", "2026-12-09 08:01 pm"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseDateTimeText(QString::fromUtf8(text)).has_value());
    }
    const auto parsed = ParseDateTimeText(u"2026-12-09 08:01"_qs);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, QDateTime(QDate(2026, 12, 9), QTime(8, 1)));
}

// Through the query, as the grid reads the score table: the stored texts of SQLite, the
// timestamps of PostgreSQL; numbers in a date-time column are not taken for julian or unix
// times but keep the whole column as text.
class QueryDateTimes : public ::testing::TestWithParam<Backend> {};

TEST_P(QueryDateTimes, ShowTheStoredReadingsAndNulls) {
    TestDatabase database(GetParam());
    const bool sqlite = GetParam() == Backend::Sqlite;
    database.Execute(sqlite ? u"create table t (id integer, d DATETIME)"_qs
                            : u"create table t (id integer, d timestamp(3))"_qs);
    database.Execute(u"insert into t values (1, '1969-12-31 23:59:59.999'), (2, NULL), "
                     "(3, '2038-01-19 03:14:08'), (4, '2100-02-28 00:00:00'), "
                     "(5, '2026-12-09 08:01:02.5')"_qs);
    TADOConnection connection;
    connection.SetConnectionString(database.ConnectionString());
    TADOQuery query;
    query.SetConnection(&connection);
    query.SetSQL(u"select d from t order by id"_qs);
    query.Open();
    ASSERT_EQ(query.RecordCount(), 5);
    ASSERT_EQ(query.KindOf(0), FieldKind::DateTime);
    const QStringList shown = {u"1969-12-31 23:59:59.999"_qs,
                               {},
                               u"2038-01-19 03:14:08"_qs,
                               u"2100-02-28 00:00:00"_qs,
                               u"2026-12-09 08:01:02.500"_qs};
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(query.DisplayText(row, 0), shown[row]) << row;
    EXPECT_TRUE(query.Value(1, 0).isNull());
    EXPECT_EQ(query.Value(0, 0).toDateTime(),
              QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 999)));
    ASSERT_TRUE(query.DateTimeValue(2, 0).has_value());
    EXPECT_EQ(query.DateTimeValue(2, 0)->date, QDate(2038, 1, 19));
    EXPECT_EQ(query.DateTimeValue(2, 0)->time, QTime(3, 14, 8));
    EXPECT_FALSE(query.DateTimeValue(1, 0).has_value());
    EXPECT_THROW(query.DateTimeValue(5, 0), EDatabaseError);
    EXPECT_THROW(query.DateTimeValue(0, 1), EDatabaseError);
    query.SetSort(u"d DESC"_qs);
    EXPECT_EQ(query.DisplayText(0, 0), u"2100-02-28 00:00:00");
    EXPECT_EQ(query.DisplayText(4, 0), QString());

    if (sqlite) {
        database.Execute(u"insert into t values (6, 2461018.5), (7, 1765267200)"_qs);
        query.Close();
        query.Open();
        ASSERT_EQ(query.RecordCount(), 7);
        EXPECT_EQ(query.KindOf(0), FieldKind::Text);
        EXPECT_EQ(query.DisplayText(0, 0), u"1969-12-31 23:59:59.999");
        EXPECT_EQ(query.DisplayText(4, 0), u"2026-12-09 08:01:02.500");
        EXPECT_EQ(query.DisplayText(5, 0), u"2461018.5");
        EXPECT_EQ(query.DisplayText(6, 0), u"1765267200");
        EXPECT_EQ(query.TextValue(5, 0), std::string_view("2461018.5"));
        EXPECT_FALSE(query.TextValue(1, 0).has_value());
        EXPECT_FALSE(query.DateTimeValue(0, 0).has_value());
    }
    query.Close();
    EXPECT_THROW(query.TextValue(0, 0), EDatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Backends, QueryDateTimes,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return testsupport::BackendName(info.param); });

TEST_P(QueryDateTimes, APostedReadingIsStoredAsTyped) {
    LocalZone zone("America/New_York");
    TestDatabase database(GetParam());
    TADOConnection connection;
    connection.SetConnectionString(database.ConnectionString());
    TADOQuery query;
    query.SetConnection(&connection);
    query.SetSQL(u"select * from Score where id=0"_qs);
    query.Open();
    ASSERT_EQ(query.KindOf(5), FieldKind::DateTime);
    // The second reading is one the local clock skipped; it is stored all the same.
    for (const QString& typed :
         {u"1969-12-31 23:59:59"_qs, u"2024-03-10 02:30:00"_qs, u"2040-1-2 3:04:05"_qs}) {
        query.Append();
        query.SetFieldText(3, u"张伟"_qs);
        query.SetFieldText(5, typed);
        query.Post();
    }
    query.Close();
    query.SetSQL(u"select STime from Score order by id"_qs);
    query.Open();
    ASSERT_EQ(query.RecordCount(), 3);
    EXPECT_EQ(query.DisplayText(0, 0), u"1969-12-31 23:59:59");
    EXPECT_EQ(query.DisplayText(1, 0), u"2024-03-10 02:30:00");
    EXPECT_EQ(query.DisplayText(2, 0), u"2040-01-02 03:04:05");
}
