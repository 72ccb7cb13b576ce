#include "platform/ClientCursor.h"

#include <QByteArray>
#include <QDate>
#include <gtest/gtest.h>

using platform::FieldKind;

// The cursor, the query and the export all ask this one classifier; every integral type is an
// integer, whatever its width or signedness, and what is neither number nor date-time is text.
TEST(FieldKind, EveryIntegralFloatDateAndOtherTypeHasOneKind) {
    const struct {
        QMetaType::Type type;
        FieldKind kind;
    } cases[] = {
        {QMetaType::Bool, FieldKind::Boolean},   {QMetaType::Int, FieldKind::Integer},
        {QMetaType::Long, FieldKind::Integer},   {QMetaType::ULongLong, FieldKind::Integer},
        {QMetaType::UChar, FieldKind::Integer},  {QMetaType::Short, FieldKind::Integer},
        {QMetaType::Float, FieldKind::Float},    {QMetaType::Double, FieldKind::Float},
        {QMetaType::QDate, FieldKind::DateTime}, {QMetaType::QDateTime, FieldKind::DateTime},
        {QMetaType::QString, FieldKind::Text},   {QMetaType::QByteArray, FieldKind::Text},
        {QMetaType::QTime, FieldKind::Text},     {QMetaType::UnknownType, FieldKind::Text},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QMetaType(c.type).name());
        EXPECT_EQ(platform::KindOfType(QMetaType(c.type)), c.kind);
        if (c.kind != FieldKind::Text)
            EXPECT_EQ(platform::KindOfType(platform::MetaTypeOf(c.kind)), c.kind);
    }
}
