#include "sheets/Table.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"

#include <QFile>
#include <algorithm>
#include <string_view>

namespace sheets {

namespace {

constexpr char Utf8Mark[] = "\xEF\xBB\xBF";

// Control bytes other than tab, line feed, form feed and carriage return do not occur in text.
bool LooksLikeText(const std::string& bytes) {
    return std::none_of(bytes.begin(), bytes.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\f' && byte != '\r';
    });
}

bool IsStrictGbk(const std::string& bytes, QString& text) {
    text = platform::FromGbk(bytes);
    return platform::ToGbk(text) == bytes;
}

} // namespace

QString FaultLine(const Fault& fault) {
    if (fault.place.row <= 0)
        return QStringLiteral("%1: %2").arg(fault.place.file, fault.message);
    return QStringLiteral("%1:%2: %3")
        .arg(fault.place.file)
        .arg(fault.place.row)
        .arg(fault.message);
}

QString DecodeText(const std::string& bytes) {
    if (!LooksLikeText(bytes))
        throw SheetError(QStringLiteral("不是文本文件"));
    if (bytes.starts_with(Utf8Mark)) {
        // A mark written twice is a mark all the same, not a character of the first title.
        std::string_view body = bytes;
        while (body.starts_with(Utf8Mark))
            body.remove_prefix(3);
        const std::string rest(body);
        if (!platform::IsValidUtf8(rest))
            throw SheetError(QStringLiteral("文件以 UTF-8 标记开头，内容却不是有效的 UTF-8"));
        return QString::fromUtf8(rest.data(), static_cast<qsizetype>(rest.size()));
    }
    if (platform::IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString text;
    if (IsStrictGbk(bytes, text))
        return text;
    throw SheetError(QStringLiteral("文件既不是 UTF-8 也不是 GBK 编码的文本"));
}

std::string ReadFileBytes(const QString& file) {
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        throw SheetError(QStringLiteral("无法读取文件：%1").arg(input.errorString()));
    const QByteArray bytes = input.readAll();
    if (input.error() != QFile::NoError)
        throw SheetError(QStringLiteral("无法读取文件：%1").arg(input.errorString()));
    return bytes.toStdString();
}

void ReplaceFile(const QString& file, const std::string& bytes) {
    try {
        platform::ReplaceFileAtomically(file.toStdString(), bytes);
    } catch (const platform::Exception& e) {
        throw SheetError(QString::fromUtf8(e.what()));
    }
}

} // namespace sheets
