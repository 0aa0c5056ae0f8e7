#include "core/session.h"
#include "store/data_store.h"
#include "widgets/application.h"
#include "widgets/qt_prompter.h"

#include <QDir>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char **argv)
{
    CuantixApplication app(argc, argv);
    QtPrompter prompter;
    app.setErrorPrompter(&prompter);

    Session session;
    session.programDir = WithoutTrailingSeparator(QDir::currentPath());
    DataStore store;
    try {
        store.connectMain(session.programDir);
        store.OpenWorkTables();
    } catch (...) {
        ReportCurrentException(prompter);
    }

    QMainWindow window;
    window.setObjectName(QStringLiteral("FormMenu"));
    window.setWindowTitle(QStringLiteral("Zozazidar"));
    window.setMinimumSize(605, 460);
    window.setCentralWidget(new QLabel(QStringLiteral("Cuantix"), &window));
    prompter.setParent(&window);
    window.show();
    const int status = app.exec();
    store.CloseDatabases();
    return status;
}
