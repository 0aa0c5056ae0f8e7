// cuantix-seed SOURCE DEST: builds the data of a new installation from the text sources.
#include "core/errors.h"
#include "store/seed.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fputs("Uso: cuantix-seed CARPETA_DATOS CARPETA_INSTALACION\n", stderr);
        return 2;
    }
    try {
        SeedInstallation(args.at(1), args.at(2));
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n%s\n", e.message().toUtf8().constData(), e.detail().toUtf8().constData());
        return 1;
    }
    return 0;
}
