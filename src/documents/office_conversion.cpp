#include "documents/office_conversion.h"

#include "core/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

QString OfficeProgram()
{
    for (const char *name : {"soffice", "libreoffice"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
#if defined(Q_OS_WIN)
    for (const QString &base : {qEnvironmentVariable("ProgramFiles"), qEnvironmentVariable("ProgramFiles(x86)")}) {
        const QString candidate = base + QStringLiteral("/LibreOffice/program/soffice.exe");
        if (!base.isEmpty() && QFileInfo::exists(candidate))
            return candidate;
    }
#endif
    return {};
}

QString ConvertToDocx(const QString &source, const QString &outDir, const QString &program)
{
    const QString shown = QDir::toNativeSeparators(source);
    if (program.isEmpty()) {
        throw AppError(QStringLiteral("El documento \"%1\" no es un documento .docx y no se puede convertir porque "
                                      "LibreOffice no está instalado. Ábralo con su procesador de textos y guárdelo "
                                      "como documento de Word (.docx).")
                           .arg(shown));
    }
    const QString failure = QStringLiteral("No se ha podido convertir el documento \"%1\" a .docx.").arg(shown);
    // A profile of its own, so that a LibreOffice the user has open does not swallow the job.
    QTemporaryDir profile;
    QProcess process;
    process.start(program, {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile.path()).toString(),
                            QStringLiteral("--headless"), QStringLiteral("--norestore"),
                            QStringLiteral("--convert-to"), QStringLiteral("docx:MS Word 2007 XML"),
                            QStringLiteral("--outdir"), outDir, source});
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        throw AppError(failure, process.errorString());
    }
    const QString result = outDir + QLatin1Char('/') + QFileInfo(source).completeBaseName() + QStringLiteral(".docx");
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || !QFileInfo::exists(result))
        throw AppError(failure, QString::fromLocal8Bit(process.readAllStandardError()));
    return result;
}
