#include "ui/DisplayFormat.h"

#include <charconv>
#include <cmath>
#include <string>

namespace ui {

namespace {

// The length of the run of `letter` (ignoring case) that starts at position i of the mask.
qsizetype RunLength(const QString& mask, qsizetype i, QChar letter) {
    qsizetype end = i;
    while (end < mask.size() && mask[end].toLower() == letter)
        ++end;
    return end - i;
}

QString Padded(int value, int digits) {
    return QString::number(value).rightJustified(digits, QLatin1Char('0'));
}

// Copies the quoted text that starts at position i and returns the position after it.
qsizetype CopyQuoted(const QString& mask, qsizetype i, QString& out) {
    const QChar quote = mask[i];
    qsizetype end = mask.indexOf(quote, i + 1);
    if (end < 0)
        end = mask.size();
    out += QStringView(mask).mid(i + 1, end - i - 1);
    return end + 1;
}

bool IsQuote(QChar c) {
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

// The date-time field a run of letters stands for, or an empty string for a literal.
QString DateTimeField(QChar letter, qsizetype run, QDate date, QTime time) {
    auto oneOrTwo = [run](int v) {
        return run >= 2 ? Padded(v, 2) : QString::number(v);
    };
    switch (letter.unicode()) {
    case 'y':
        return run >= 3 ? Padded(date.year(), 4) : Padded(date.year() % 100, 2);
    case 'm':
        return oneOrTwo(date.month());
    case 'd':
        return oneOrTwo(date.day());
    case 'h':
        return oneOrTwo(time.hour());
    case 'n':
        return oneOrTwo(time.minute());
    case 's':
        return oneOrTwo(time.second());
    case 'z':
        return run >= 3 ? Padded(time.msec(), 3) : QString::number(time.msec());
    default:
        return {};
    }
}

// Longest runs a letter takes as one field: yyyy, mm, dd, hh, nn, ss, zzz.
qsizetype MaxRun(QChar letter) {
    switch (letter.unicode()) {
    case 'y':
        return 4;
    case 'z':
        return 3;
    default:
        return 2;
    }
}

struct NumberMask {
    QString prefix;
    QString suffix;
    int minIntegerDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool thousands = false;
    bool hasPlaceholders = false;
};

bool IsPlaceholder(QChar c) {
    return c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char(',') ||
           c == QLatin1Char('.');
}

NumberMask ParseNumberMask(const QString& mask) {
    NumberMask parsed;
    bool afterPoint = false;
    bool inBody = false;
    bool bodyDone = false;
    for (qsizetype i = 0; i < mask.size();) {
        const QChar c = mask[i];
        if (IsQuote(c)) {
            QString literal;
            i = CopyQuoted(mask, i, literal);
            (inBody || bodyDone ? parsed.suffix : parsed.prefix) += literal;
            if (inBody)
                bodyDone = true, inBody = false;
            continue;
        }
        if (IsPlaceholder(c) && !bodyDone) {
            inBody = true;
            parsed.hasPlaceholders = true;
            if (c == QLatin1Char('.'))
                afterPoint = true;
            else if (c == QLatin1Char(','))
                parsed.thousands = parsed.thousands || !afterPoint;
            else if (afterPoint) {
                ++parsed.maxDecimals;
                if (c == QLatin1Char('0'))
                    parsed.minDecimals = parsed.maxDecimals;
            } else if (c == QLatin1Char('0') || parsed.minIntegerDigits > 0) {
                ++parsed.minIntegerDigits;
            }
        } else {
            if (inBody)
                bodyDone = true, inBody = false;
            (bodyDone ? parsed.suffix : parsed.prefix) += c;
        }
        ++i;
    }
    return parsed;
}

// The digits of |value| rounded half away from zero to `decimals` places, as integer digits and
// decimal digits. Rounding works on the shortest decimal form of the double, so 2.675 rounds
// to 2.68 as a reader of the number expects.
void RoundedDigits(double value, int decimals, std::string& integerDigits,
                   std::string& decimalDigits) {
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
    std::string text(buffer, result.ptr);
    const auto point = text.find('.');
    integerDigits = point == std::string::npos ? text : text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
    const bool roundUp = fraction.size() > static_cast<size_t>(decimals) &&
                         fraction[static_cast<size_t>(decimals)] >= '5';
    fraction.resize(static_cast<size_t>(decimals), '0');
    std::string digits = integerDigits + fraction;
    if (roundUp) {
        qsizetype i = static_cast<qsizetype>(digits.size()) - 1;
        for (; i >= 0 && digits[static_cast<size_t>(i)] == '9'; --i)
            digits[static_cast<size_t>(i)] = '0';
        if (i < 0)
            digits.insert(digits.begin(), '1');
        else
            ++digits[static_cast<size_t>(i)];
    }
    integerDigits = digits.substr(0, digits.size() - static_cast<size_t>(decimals));
    decimalDigits = digits.substr(digits.size() - static_cast<size_t>(decimals));
}

QString GroupThousands(const std::string& digits) {
    QString grouped;
    const auto count = static_cast<qsizetype>(digits.size());
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0)
            grouped += QLatin1Char(',');
        grouped += QLatin1Char(digits[static_cast<size_t>(i)]);
    }
    return grouped;
}

} // namespace

QString FormatDateTime(const QString& mask, const QDateTime& value) {
    return FormatDateTime(mask, value.date(), value.time());
}

QString FormatDateTime(const QString& mask, QDate date, QTime time) {
    QString out;
    QChar lastLetter;
    for (qsizetype i = 0; i < mask.size();) {
        const QChar c = mask[i];
        if (IsQuote(c)) {
            i = CopyQuoted(mask, i, out);
            continue;
        }
        const QChar written = c.toLower();
        const QChar letter = written == QLatin1Char('m') && lastLetter == QLatin1Char('h')
                                 ? QLatin1Char('n')
                                 : written;
        if (written >= QLatin1Char('a') && written <= QLatin1Char('z'))
            lastLetter = written;
        const qsizetype run = std::min(RunLength(mask, i, written), MaxRun(letter));
        const QString field = run > 0 ? DateTimeField(letter, run, date, time) : QString();
        if (field.isEmpty()) {
            out += c;
            ++i;
            continue;
        }
        out += field;
        i += run;
    }
    return out;
}

QString FormatNumber(const QString& mask, double value) {
    const NumberMask parsed = ParseNumberMask(mask);
    if (!parsed.hasPlaceholders)
        return mask;
    std::string integerDigits;
    std::string decimalDigits;
    RoundedDigits(value, parsed.maxDecimals, integerDigits, decimalDigits);
    while (decimalDigits.size() > static_cast<size_t>(parsed.minDecimals) &&
           decimalDigits.back() == '0')
        decimalDigits.pop_back();
    const auto firstNonZero = integerDigits.find_first_not_of('0');
    integerDigits =
        firstNonZero == std::string::npos ? std::string() : integerDigits.substr(firstNonZero);
    if (integerDigits.size() < static_cast<size_t>(parsed.minIntegerDigits))
        integerDigits.insert(0, static_cast<size_t>(parsed.minIntegerDigits) - integerDigits.size(),
                             '0');
    const bool isZero = integerDigits.find_first_not_of('0') == std::string::npos &&
                        decimalDigits.find_first_not_of('0') == std::string::npos;
    QString number = parsed.thousands ? GroupThousands(integerDigits)
                                      : QString::fromLatin1(integerDigits.c_str());
    if (!decimalDigits.empty())
        number += QLatin1Char('.') + QString::fromLatin1(decimalDigits.c_str());
    if (value < 0 && !isZero)
        number.prepend(QLatin1Char('-'));
    return parsed.prefix + number + parsed.suffix;
}

QString FormatValue(const QString& mask, const QVariant& value) {
    if (mask.isEmpty() || value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return FormatDateTime(mask, value.toDateTime());
    case QMetaType::QDate:
        return FormatDateTime(mask, value.toDate().startOfDay());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return FormatNumber(mask, value.toDouble());
    default:
        return {};
    }
}

} // namespace ui
