#include "core/ini_file.h"
#include "platform/process.h"
#include "platform/single_instance.h"
#include "shell/main_window.h"
#include "shell/splash_window.h"
#include "shell/startup.h"
#include "shell/web_engine_browser.h"
#include "widgets/application.h"

#include <QLocale>

#include <memory>

int main(int argc, char **argv)
{
    // Chromium will not start its sandbox for the superuser.
    if (RunsAsRoot() && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    CuantixApplication app(argc, argv);
    // Spanish whatever the machine's settings (the browser's own pages included).
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));

    SingleInstance instance(kSingleInstanceName);
    if (!instance.start())
        return 0;

    auto splash = std::make_unique<TFormInicio>(QCoreApplication::applicationDirPath());
    splash->show();
    splash->repaint();
    QCoreApplication::processEvents();
    const QString programDir = splash->runStartSteps();

    MenuOptions options;
    options.programDir = programDir;
    options.settingsPath = IniFile::ForRunningProgram().path();
    options.startNotices = splash->notices();
    if (const auto rescued = RescueUnreadableSettings(options.settingsPath))
        options.startNotices.append(*rescued);
    options.browserFactory = &MakeWebEngineBrowser;
    TFormMenu menu(std::move(options));
    splash.reset();
    app.setErrorPrompter(&menu.context().prompter);
    QObject::connect(&instance, &SingleInstance::activationRequested, &menu, &TFormMenu::bringToFront);
    QObject::connect(&menu, &TFormMenu::quitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    menu.show();
    return app.exec();
}
