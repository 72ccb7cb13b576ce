#include "ui/Fonts.h"

#include <QStringList>

namespace ui {

void InstallFontSubstitutions() {
    const QStringList song{QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW")};
    QFont::insertSubstitutions(QStringLiteral("宋体"), song);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
}

QFont SongFont(int pixelHeight, bool bold) {
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

QFont SansFont(int pixelHeight) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(pixelHeight);
    return font;
}

} // namespace ui
