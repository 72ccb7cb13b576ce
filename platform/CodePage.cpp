#include "platform/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace platform {

// Opening a converter costs more than converting most texts, so each thread keeps its own.
QString FromGbk(const std::string& bytes) {
    thread_local QStringDecoder decoder("GBK");
    decoder.resetState();
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string ToGbk(const QString& text) {
    thread_local QStringEncoder encoder("GBK");
    encoder.resetState();
    const QByteArray encoded = encoder.encode(text);
    return {encoded.constData(), static_cast<size_t>(encoded.size())};
}

bool IsValidUtf8(const std::string& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // decode() is lazy: the conversion runs only when its result becomes a QString.
    const QString decoded =
        decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !decoder.hasError();
}

} // namespace platform
