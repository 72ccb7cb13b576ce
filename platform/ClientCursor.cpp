#include "platform/ClientCursor.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <bit>
#include <limits>
#include <numeric>
#include <unordered_set>

namespace platform {
namespace {

constexpr std::int64_t MsecsPerDay = 86400000;

std::int64_t EncodeDateTime(const QDate& date, const QTime& time) {
    return date.toJulianDay() * MsecsPerDay + (time.isValid() ? time.msecsSinceStartOfDay() : 0);
}

LocalDateTime DecodeLocalDateTime(std::int64_t value) {
    const std::int64_t day =
        value >= 0 ? value / MsecsPerDay : (value - MsecsPerDay + 1) / MsecsPerDay;
    return {QDate::fromJulianDay(day),
            QTime::fromMSecsSinceStartOfDay(static_cast<int>(value - day * MsecsPerDay))};
}

// Making a local QDateTime asks the C library for the zone's offset, a few microseconds each.
QDateTime DecodeDateTime(std::int64_t value) {
    const LocalDateTime local = DecodeLocalDateTime(value);
    return QDateTime(local.date, local.time);
}

// Writes value as exactly `digits` decimal digits and returns the position after them.
char16_t* PutDigits(char16_t* out, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    }
    return out + digits;
}

FieldKind KindOfValue(const QVariant& value) {
    return KindOfType(value.metaType());
}

} // namespace

FieldKind KindOfType(QMetaType type) {
    switch (type.id()) {
    case QMetaType::Bool:
        return FieldKind::Boolean;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return FieldKind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return FieldKind::Float;
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        return FieldKind::DateTime;
    default:
        return FieldKind::Text;
    }
}

QMetaType MetaTypeOf(FieldKind kind) {
    switch (kind) {
    case FieldKind::Integer:
        return QMetaType(QMetaType::LongLong);
    case FieldKind::Float:
        return QMetaType(QMetaType::Double);
    case FieldKind::Boolean:
        return QMetaType(QMetaType::Bool);
    case FieldKind::DateTime:
        return QMetaType(QMetaType::QDateTime);
    case FieldKind::Text:
        return QMetaType(QMetaType::QString);
    case FieldKind::Unknown:
        break;
    }
    return {};
}

// Written digit by digit: this text is made for every date-time cell of an export.
QString DateTimeText(QDate date, QTime time) {
    if (!date.isValid())
        return {};
    const int msecs = time.isValid() ? time.msecsSinceStartOfDay() : 0;
    const QTime clock = QTime::fromMSecsSinceStartOfDay(msecs);
    const bool withMsecs = clock.msec() != 0;
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    if (year < 1 || year > 9999)
        return QDateTime(date, clock, Qt::UTC)
            .toString(withMsecs ? u"yyyy-MM-dd HH:mm:ss.zzz"_qs : u"yyyy-MM-dd HH:mm:ss"_qs);
    char16_t text[23];
    char16_t* out = PutDigits(text, year, 4);
    *out++ = u'-';
    out = PutDigits(out, month, 2);
    *out++ = u'-';
    out = PutDigits(out, day, 2);
    *out++ = u' ';
    out = PutDigits(out, clock.hour(), 2);
    *out++ = u':';
    out = PutDigits(out, clock.minute(), 2);
    *out++ = u':';
    out = PutDigits(out, clock.second(), 2);
    if (withMsecs) {
        *out++ = u'.';
        out = PutDigits(out, clock.msec(), 3);
    }
    return QString(reinterpret_cast<const QChar*>(text), out - text);
}

QString DateTimeText(const QDateTime& value) {
    return DateTimeText(value.date(), value.time());
}

namespace {

// The date-time reader works on UTF-16 text and on UTF-8 bytes alike.
char16_t CharAt(QStringView text, qsizetype pos) {
    return text[pos].unicode();
}
char16_t CharAt(std::string_view text, qsizetype pos) {
    return static_cast<unsigned char>(text[static_cast<size_t>(pos)]);
}
qsizetype LengthOf(QStringView text) {
    return text.size();
}
qsizetype LengthOf(std::string_view text) {
    return static_cast<qsizetype>(text.size());
}
QStringView Slice(QStringView text, qsizetype length) {
    return text.first(length);
}
std::string_view Slice(std::string_view text, qsizetype length) {
    return text.substr(0, static_cast<size_t>(length));
}

// Reads digits at pos: at least minDigits, at most maxDigits.
template <typename Text>
std::optional<int> ReadNumber(Text text, qsizetype& pos, int minDigits, int maxDigits) {
    int value = 0;
    int digits = 0;
    while (pos < LengthOf(text) && digits < maxDigits && CharAt(text, pos) >= u'0' &&
           CharAt(text, pos) <= u'9') {
        value = value * 10 + (CharAt(text, pos) - u'0');
        ++pos;
        ++digits;
    }
    return digits >= minDigits ? std::optional<int>(value) : std::nullopt;
}

template <typename Text> bool Accept(Text text, qsizetype& pos, char16_t c) {
    if (pos < LengthOf(text) && CharAt(text, pos) == c) {
        ++pos;
        return true;
    }
    return false;
}

template <typename Text> std::optional<std::int64_t> ParseEncodedDateTime(Text text) {
    qsizetype pos = 0;
    qsizetype end = LengthOf(text);
    while (pos < end && CharAt(text, pos) <= u' ')
        ++pos;
    while (end > pos && CharAt(text, end - 1) <= u' ')
        --end;
    text = Slice(text, end);
    const auto year = ReadNumber(text, pos, 4, 4);
    if (!year || pos >= end || (CharAt(text, pos) != u'-' && CharAt(text, pos) != u'/'))
        return std::nullopt;
    const char16_t separator = CharAt(text, pos++);
    const auto month = ReadNumber(text, pos, 1, 2);
    if (!month || !Accept(text, pos, separator))
        return std::nullopt;
    const auto day = ReadNumber(text, pos, 1, 2);
    const QDate date(year.value_or(0), month.value_or(0), day.value_or(0));
    if (!day || !date.isValid())
        return std::nullopt;
    if (pos == end)
        return EncodeDateTime(date, QTime(0, 0));
    if (!Accept(text, pos, u'T')) {
        if (!Accept(text, pos, u' '))
            return std::nullopt;
        while (Accept(text, pos, u' ')) {
        }
    }
    const auto hour = ReadNumber(text, pos, 1, 2);
    if (!hour || !Accept(text, pos, u':'))
        return std::nullopt;
    const auto minute = ReadNumber(text, pos, 2, 2);
    std::optional<int> second = 0;
    int msec = 0;
    if (minute && Accept(text, pos, u':')) {
        second = ReadNumber(text, pos, 2, 2);
        if (second && (Accept(text, pos, u'.') || Accept(text, pos, u','))) {
            const qsizetype start = pos;
            const auto fraction = ReadNumber(text, pos, 1, 3);
            if (!fraction)
                return std::nullopt;
            msec = *fraction;
            for (qsizetype digits = pos - start; digits < 3; ++digits)
                msec *= 10;
            ReadNumber(text, pos, 0, 6);
        }
    }
    const QTime time(hour.value_or(-1), minute.value_or(-1), second.value_or(-1), msec);
    if (!minute || !second || pos != end || !time.isValid())
        return std::nullopt;
    return EncodeDateTime(date, time);
}

} // namespace

std::optional<QDateTime> ParseDateTimeText(QStringView text) {
    const auto encoded = ParseEncodedDateTime(text);
    return encoded ? std::optional<QDateTime>(DecodeDateTime(*encoded)) : std::nullopt;
}

// Texts of one column, each stored once while the rows are fetched.
class TextDictionary final {
public:
    TextDictionary() = default;
    TextDictionary(const TextDictionary&) = delete;
    TextDictionary& operator=(const TextDictionary&) = delete;

    std::uint32_t Intern(std::string_view text) {
        if (!index)
            index = std::make_unique<Index>(1024, Hash{this}, Equal{this});
        const std::uint32_t candidate = Add(text);
        const auto [found, inserted] = index->insert(candidate);
        if (!inserted) {
            bytes.resize(offsets[candidate]);
            offsets.pop_back();
        }
        return *found;
    }
    std::string_view At(std::uint32_t code) const {
        return {bytes.data() + offsets[code], offsets[code + 1] - offsets[code]};
    }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(offsets.size() - 1); }
    void DropIndex() { index.reset(); }
    void Clear() {
        index.reset();
        bytes.clear();
        offsets.assign(1, 0);
    }
    std::size_t MemoryUsage() const {
        return bytes.capacity() + offsets.capacity() * sizeof(std::size_t);
    }

private:
    std::uint32_t Add(std::string_view text) {
        bytes.append(text);
        offsets.push_back(bytes.size());
        return Size() - 1;
    }
    struct Hash {
        const TextDictionary* owner;
        std::size_t operator()(std::uint32_t code) const {
            return std::hash<std::string_view>{}(owner->At(code));
        }
    };
    struct Equal {
        const TextDictionary* owner;
        bool operator()(std::uint32_t a, std::uint32_t b) const {
            return owner->At(a) == owner->At(b);
        }
    };
    using Index = std::unordered_set<std::uint32_t, Hash, Equal>;

    std::string bytes;
    std::vector<std::size_t> offsets{0};
    std::unique_ptr<Index> index;
};

// One field's values. Integers, booleans and date-times share one vector of 64-bit values.
class ClientCursor::Column final {
public:
    explicit Column(const CursorField& field) : name(field.name), kind(field.kind) {}
    Column(const Column&) = delete;
    Column& operator=(const Column&) = delete;

    std::size_t Size() const { return nulls.size(); }
    bool IsNull(std::size_t row) const { return nulls[row]; }

    void AppendNull() {
        PushDefault();
        nulls.push_back(true);
    }

    void AppendVariant(const QVariant& value) {
        if (value.isNull()) {
            AppendNull();
            return;
        }
        if (kind == FieldKind::Unknown)
            SetKind(KindOfValue(value));
        if (!TryAppend(value)) {
            if (kind == FieldKind::Integer && KindOfValue(value) == FieldKind::Float)
                Widen(FieldKind::Float);
            else
                Widen(FieldKind::Text);
            TryAppend(value);
        }
    }

    void AppendInteger(std::int64_t value) {
        if (kind == FieldKind::Unknown)
            SetKind(FieldKind::Integer);
        if (kind == FieldKind::Integer || kind == FieldKind::Boolean) {
            integers.push_back(kind == FieldKind::Boolean ? value != 0 : value);
            nulls.push_back(false);
        } else if (kind == FieldKind::Float) {
            floats.push_back(static_cast<double>(value));
            nulls.push_back(false);
        } else {
            AppendVariant(QVariant(static_cast<qlonglong>(value)));
        }
    }

    void AppendFloat(double value) {
        if (kind == FieldKind::Unknown)
            SetKind(FieldKind::Float);
        if (kind == FieldKind::Float) {
            floats.push_back(value);
            nulls.push_back(false);
        } else {
            AppendVariant(QVariant(value));
        }
    }

    void AppendText(std::string_view utf8) {
        if (kind == FieldKind::Unknown)
            SetKind(FieldKind::Text);
        if (kind == FieldKind::DateTime) {
            if (const auto encoded = ParseEncodedDateTime(utf8)) {
                integers.push_back(*encoded);
                nulls.push_back(false);
                return;
            }
        }
        if (kind != FieldKind::Text) {
            AppendVariant(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
            return;
        }
        codes.push_back(texts.Intern(utf8));
        nulls.push_back(false);
    }

    QVariant Value(std::size_t row) const {
        if (nulls[row])
            return QVariant(MetaTypeOf(kind));
        switch (kind) {
        case FieldKind::Integer:
            return QVariant(static_cast<qlonglong>(integers[row]));
        case FieldKind::Float:
            return QVariant(floats[row]);
        case FieldKind::Boolean:
            return QVariant(integers[row] != 0);
        case FieldKind::DateTime:
            return QVariant(DecodeDateTime(integers[row]));
        case FieldKind::Text:
            return QVariant(TextAt(row));
        case FieldKind::Unknown:
            break;
        }
        return {};
    }

    std::optional<LocalDateTime> DateTimeAt(std::size_t row) const {
        if (kind != FieldKind::DateTime || nulls[row])
            return std::nullopt;
        return DecodeLocalDateTime(integers[row]);
    }

    std::optional<std::string_view> Utf8At(std::size_t row) const {
        if (kind != FieldKind::Text || nulls[row])
            return std::nullopt;
        return texts.At(codes[row]);
    }

    std::optional<double> NumberAt(std::size_t row) const {
        if (nulls[row])
            return std::nullopt;
        if (kind == FieldKind::Integer)
            return static_cast<double>(integers[row]);
        if (kind == FieldKind::Float)
            return floats[row];
        return std::nullopt;
    }

    std::optional<std::uint32_t> CodeAt(std::size_t row) const {
        if (kind != FieldKind::Text || nulls[row])
            return std::nullopt;
        return codes[row];
    }
    std::uint32_t CodeCount() const { return texts.Size(); }
    std::string_view TextOfCode(std::uint32_t code) const { return texts.At(code); }

    QString TextAt(std::size_t row) const {
        const std::string_view text = texts.At(codes[row]);
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }

    std::size_t MemoryUsage() const {
        return integers.capacity() * sizeof(std::int64_t) + floats.capacity() * sizeof(double) +
               codes.capacity() * sizeof(std::uint32_t) + nulls.capacity() / 8 +
               texts.MemoryUsage();
    }

    const QString name;
    FieldKind kind;
    std::vector<std::int64_t> integers;
    std::vector<double> floats;
    std::vector<std::uint32_t> codes;
    std::vector<bool> nulls;
    TextDictionary texts;

private:
    void PushDefault() {
        switch (kind) {
        case FieldKind::Integer:
        case FieldKind::Boolean:
        case FieldKind::DateTime:
            integers.push_back(0);
            break;
        case FieldKind::Float:
            floats.push_back(0);
            break;
        case FieldKind::Text:
            codes.push_back(0);
            break;
        case FieldKind::Unknown:
            break;
        }
    }

    void SetKind(FieldKind newKind) {
        kind = newKind;
        integers.clear();
        floats.clear();
        codes.clear();
        if (kind == FieldKind::Float)
            floats.resize(Size());
        else if (kind == FieldKind::Text)
            codes.resize(Size());
        else
            integers.resize(Size());
    }

    bool TryAppend(const QVariant& value) {
        bool ok = true;
        switch (kind) {
        case FieldKind::Integer:
            if (KindOfValue(value) != FieldKind::Integer && KindOfValue(value) != FieldKind::Text)
                return false;
            integers.push_back(value.toLongLong(&ok));
            break;
        case FieldKind::Float:
            if (KindOfValue(value) == FieldKind::Boolean)
                return false;
            floats.push_back(value.toDouble(&ok));
            break;
        case FieldKind::Boolean:
            if (KindOfValue(value) != FieldKind::Boolean &&
                KindOfValue(value) != FieldKind::Integer)
                return false;
            integers.push_back(value.toBool() ? 1 : 0);
            break;
        case FieldKind::DateTime: {
            std::optional<std::int64_t> encoded;
            // A reading that the local clock skipped makes an invalid QDateTime whose date and
            // time are still the reading.
            if (value.typeId() == QMetaType::QDate && value.toDate().isValid())
                encoded = EncodeDateTime(value.toDate(), QTime(0, 0));
            else if (KindOfValue(value) == FieldKind::DateTime &&
                     value.toDateTime().date().isValid())
                encoded = EncodeDateTime(value.toDateTime().date(), value.toDateTime().time());
            else if (KindOfValue(value) == FieldKind::Text)
                encoded = ParseEncodedDateTime(QStringView(value.toString()));
            if (!encoded)
                return false;
            integers.push_back(*encoded);
            break;
        }
        case FieldKind::Text:
        case FieldKind::Unknown:
            codes.push_back(texts.Intern(value.toString().toUtf8().toStdString()));
            break;
        }
        if (!ok) {
            PopLast();
            return false;
        }
        nulls.push_back(false);
        return true;
    }

    void PopLast() {
        if (kind == FieldKind::Float)
            floats.pop_back();
        else if (kind == FieldKind::Text)
            codes.pop_back();
        else
            integers.pop_back();
    }

    // Re-stores the values so far in a wider kind: integers as floats, anything as text.
    void Widen(FieldKind wider) {
        std::vector<QVariant> values;
        values.reserve(Size());
        for (std::size_t row = 0; row < Size(); ++row) {
            const auto local = DateTimeAt(row);
            values.push_back(local ? QVariant(DateTimeText(local->date, local->time)) : Value(row));
        }
        const FieldKind old = kind;
        kind = wider;
        integers.clear();
        floats.clear();
        codes.clear();
        nulls.clear();
        texts.Clear();
        for (const QVariant& value : values) {
            if (value.isNull())
                AppendNull();
            else if (wider == FieldKind::Text && old == FieldKind::Boolean)
                AppendText(value.toBool() ? "1" : "0");
            else
                TryAppend(value);
        }
    }
};

namespace {

QCollator ChineseCollator() {
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    collator.setNumericMode(false);
    return collator;
}

} // namespace

ClientCursor::ClientCursor() = default;
ClientCursor::~ClientCursor() = default;

void ClientCursor::Reset(const std::vector<CursorField>& fields) {
    columns.clear();
    for (const CursorField& field : fields)
        columns.push_back(std::make_unique<Column>(field));
    order.clear();
    storedRows = 0;
}

ClientCursor::Column& ClientCursor::At(int field) {
    return *columns.at(static_cast<size_t>(field));
}

const ClientCursor::Column& ClientCursor::At(int field) const {
    return *columns.at(static_cast<size_t>(field));
}

void ClientCursor::AppendNull(int field) {
    At(field).AppendNull();
}

void ClientCursor::AppendVariant(int field, const QVariant& value) {
    At(field).AppendVariant(value);
}

void ClientCursor::AppendText(int field, std::string_view utf8) {
    At(field).AppendText(utf8);
}

void ClientCursor::AppendInteger(int field, std::int64_t value) {
    At(field).AppendInteger(value);
}

void ClientCursor::AppendFloat(int field, double value) {
    At(field).AppendFloat(value);
}

void ClientCursor::FinishRow() {
    order.push_back(static_cast<std::uint32_t>(storedRows++));
}

void ClientCursor::FinishFetch() {
    for (auto& column : columns)
        column->texts.DropIndex();
}

const QString& ClientCursor::FieldName(int field) const {
    return At(field).name;
}

FieldKind ClientCursor::Kind(int field) const {
    return At(field).kind;
}

int ClientCursor::FieldIndex(QStringView name) const {
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i]->name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

QVariant ClientCursor::Value(int row, int field) const {
    return At(field).Value(static_cast<size_t>(StoredRow(row)));
}

std::optional<LocalDateTime> ClientCursor::DateTimeAt(int row, int field) const {
    return At(field).DateTimeAt(static_cast<size_t>(StoredRow(row)));
}

std::optional<std::string_view> ClientCursor::Utf8At(int row, int field) const {
    return At(field).Utf8At(static_cast<size_t>(StoredRow(row)));
}

std::optional<double> ClientCursor::NumberAt(int row, int field) const {
    return At(field).NumberAt(static_cast<size_t>(StoredRow(row)));
}

std::optional<std::uint32_t> ClientCursor::TextCodeAt(int row, int field) const {
    return At(field).CodeAt(static_cast<size_t>(StoredRow(row)));
}

std::uint32_t ClientCursor::TextCodeCount(int field) const {
    return At(field).CodeCount();
}

std::string_view ClientCursor::TextOfCode(int field, std::uint32_t code) const {
    return At(field).TextOfCode(code);
}

bool ClientCursor::IsNull(int row, int field) const {
    return At(field).IsNull(static_cast<size_t>(StoredRow(row)));
}

int ClientCursor::PositionOf(int storedRow) const {
    const auto found = std::find(order.begin(), order.end(), static_cast<std::uint32_t>(storedRow));
    return found == order.end() ? -1 : static_cast<int>(found - order.begin());
}

namespace {

// Floats as 64-bit integers in the same order (for all values but NaN).
std::int64_t OrderedBits(double value) {
    const auto bits = std::bit_cast<std::int64_t>(value);
    return bits < 0 ? bits ^ std::numeric_limits<std::int64_t>::max() : bits;
}

// Texts that all read as numbers or all as date-times are ordered by those values; any other
// texts by their rank in the Chinese collation. Gives one ordering key per dictionary entry.
std::vector<std::int64_t> TextKeys(const TextDictionary& texts) {
    const std::uint32_t count = texts.Size();
    std::vector<QString> values(count);
    for (std::uint32_t code = 0; code < count; ++code) {
        const std::string_view text = texts.At(code);
        values[code] = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    std::vector<std::int64_t> keys(count);
    bool allNumbers = true;
    for (std::uint32_t code = 0; code < count && allNumbers; ++code)
        keys[code] = OrderedBits(values[code].trimmed().toDouble(&allNumbers));
    if (allNumbers)
        return keys;
    bool allDateTimes = true;
    for (std::uint32_t code = 0; code < count && allDateTimes; ++code) {
        const auto encoded = ParseEncodedDateTime(QStringView(values[code]));
        allDateTimes = encoded.has_value();
        keys[code] = encoded.value_or(0);
    }
    if (allDateTimes)
        return keys;
    const QCollator collator = ChineseCollator();
    std::vector<QCollatorSortKey> sortKeys;
    sortKeys.reserve(count);
    for (const QString& value : values)
        sortKeys.push_back(collator.sortKey(value));
    std::vector<std::uint32_t> sorted(count);
    std::iota(sorted.begin(), sorted.end(), 0);
    std::sort(sorted.begin(), sorted.end(), [&](std::uint32_t a, std::uint32_t b) {
        return sortKeys[a].compare(sortKeys[b]) < 0;
    });
    std::int64_t rank = 0;
    for (size_t i = 0; i < sorted.size(); ++i) {
        if (i > 0 && sortKeys[sorted[i - 1]].compare(sortKeys[sorted[i]]) != 0)
            ++rank;
        keys[sorted[i]] = rank;
    }
    return keys;
}

// One row of a sort: its key, whether it is null, and the stored row. Sorting these entries,
// which lie side by side in memory, is much faster than sorting row numbers through the columns.
struct SortEntry {
    std::int64_t key;
    std::uint32_t storedRow;
    bool null;
};

} // namespace

std::int64_t ClientCursor::SortKeyOf(const Column& column,
                                     const std::vector<std::int64_t>& textKeys,
                                     std::uint32_t storedRow) {
    switch (column.kind) {
    case FieldKind::Float:
        return OrderedBits(column.floats[storedRow]);
    case FieldKind::Text:
        return textKeys[column.codes[storedRow]];
    case FieldKind::Unknown:
        return 0;
    default:
        return column.integers[storedRow];
    }
}

// A stable sort by each key in turn, from the last to the first, gives the order of all keys.
void ClientCursor::Sort(const std::vector<SortKey>& keys) {
    std::vector<SortEntry> entries(order.size());
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        const Column& column = At(key->field);
        const std::vector<std::int64_t> textKeys =
            column.kind == FieldKind::Text ? TextKeys(column.texts) : std::vector<std::int64_t>();
        for (size_t i = 0; i < order.size(); ++i) {
            const std::uint32_t row = order[i];
            const bool null = column.nulls[row];
            entries[i] = {null ? 0 : SortKeyOf(column, textKeys, row), row, null};
        }
        const bool descending = key->descending;
        std::stable_sort(entries.begin(), entries.end(),
                         [descending](const SortEntry& a, const SortEntry& b) {
                             if (a.null != b.null)
                                 return descending ? b.null : a.null;
                             return descending ? b.key < a.key : a.key < b.key;
                         });
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = entries[i].storedRow;
    }
}

void ClientCursor::RestoreStoredOrder() {
    order.resize(storedRows);
    std::iota(order.begin(), order.end(), 0);
}

std::size_t ClientCursor::MemoryUsage() const {
    std::size_t bytes = order.capacity() * sizeof(std::uint32_t);
    for (const auto& column : columns)
        bytes += column->MemoryUsage();
    return bytes;
}

} // namespace platform
