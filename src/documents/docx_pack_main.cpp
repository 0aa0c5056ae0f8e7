// cuantix-docx-pack SOURCE_FOLDER OUT.docx: zips the WordprocessingML text parts of a template
// (data/plantillas/<name>/) into a document. Every part is checked to be well-formed first.
#include "documents/xml_tree.h"
#include "documents/zip_archive.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fputs("Uso: cuantix-docx-pack CARPETA_FUENTE DOCUMENTO.docx\n", stderr);
        return 2;
    }
    const QDir source(args.at(1));
    std::vector<ZipEntry> entries;
    QDirIterator it(source.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "No se puede leer %s\n", qPrintable(path));
            return 1;
        }
        ZipEntry entry{source.relativeFilePath(path), file.readAll(), true};
        try {
            XmlDocument::Parse(entry.data);
        } catch (const XmlError &e) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(e.message()));
            return 1;
        }
        entries.push_back(std::move(entry));
    }
    // Readers look for the content types first.
    std::sort(entries.begin(), entries.end(), [](const ZipEntry &a, const ZipEntry &b) {
        const bool aTypes = a.name == QLatin1String("[Content_Types].xml");
        const bool bTypes = b.name == QLatin1String("[Content_Types].xml");
        return aTypes != bTypes ? aTypes : a.name < b.name;
    });
    QDir().mkpath(QFileInfo(args.at(2)).absolutePath());
    QString error;
    if (!WriteZip(args.at(2), entries, &error)) {
        std::fprintf(stderr, "No se puede escribir %s: %s\n", qPrintable(args.at(2)), qPrintable(error));
        return 1;
    }
    return 0;
}
