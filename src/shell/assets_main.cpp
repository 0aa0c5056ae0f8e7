// cuantix-assets MANUAL.md DIR: writes DIR/manual.pdf and the background pictures.
#include "core/errors.h"
#include "shell/installation_art.h"
#include "shell/manual_pdf.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fputs("Uso: cuantix-assets MANUAL.md CARPETA\n", stderr);
        return 2;
    }
    const QString dir = args.at(2);
    try {
        WriteManualPdf(args.at(1), dir + QStringLiteral("/manual.pdf"));
        for (const BackgroundPicture &picture : BackgroundPictures()) {
            const QString path = dir + QLatin1Char('/') + picture.fileName;
            if (!DrawBackground(picture.size).save(path, "JPG", 88))
                throw AppError(QStringLiteral("No se ha podido escribir \"%1\".").arg(path));
        }
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", e.message().toUtf8().constData());
        return 1;
    }
    return 0;
}
