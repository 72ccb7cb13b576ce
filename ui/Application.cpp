#include "ui/Application.h"

#include "ui/ErrorBox.h"
#include "ui/Fonts.h"

#include <QLibraryInfo>
#include <QLocale>
#include <exception>

namespace ui {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    if (!InstallChineseTranslations(qtTranslations))
        qWarning("Qt's Chinese translations (qtbase_zh_CN.qm) were not found in %s",
                 qPrintable(QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    InstallFontSubstitutions();
}

Application::~Application() = default;

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(error);
    } catch (...) {
        ShowUnknownException();
    }
    return false;
}

bool InstallChineseTranslations(QTranslator& translator) {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    if (!translator.load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

} // namespace ui
