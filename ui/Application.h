#pragma once

#include <QApplication>
#include <QTranslator>

namespace ui {

// The application object of both programs. It makes the interface speak Chinese (Qt's own
// dialogs through Qt's translations, the default locale zh_CN), maps the Windows font names
// the windows are designed in, and is the default error box: an exception that leaves an event
// handler is shown by ShowException and the program goes on; Qt never sees it.
//
// An exception thrown from a slot still unwinds through the emitting widget's code, which is
// built without exception support and skips its own clean-up. Connect handlers that may throw
// with Qt::QueuedConnection: they then run in an event of their own, once the widget is done.
class Application final : public QApplication {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Application)

public:
    Application(int& argc, char** argv);
    ~Application() override;

    bool notify(QObject* receiver, QEvent* event) override;

private:
    QTranslator qtTranslations;
};

// Installs Qt's Chinese translations (qtbase_zh_CN) into the application and makes zh_CN the
// default locale. False when the translation files are missing; the dialogs then stay English.
bool InstallChineseTranslations(QTranslator& translator);

} // namespace ui
