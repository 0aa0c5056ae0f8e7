#include "fees/point_value.h"

#include "core/errors.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

// The first line of an existing file.
QString FirstLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw AppError(QStringLiteral("No se ha podido leer el archivo del valor del punto \"%1\".").arg(path),
                       file.errorString());
    return QString::fromUtf8(file.readLine()).trimmed();
}

} // namespace

QString PointFilePath(const QString &moduleDir)
{
    return moduleDir + QStringLiteral("/puntos.ini");
}

std::optional<double> ReadPointValue(const QString &moduleDir)
{
    const QString path = PointFilePath(moduleDir);
    if (!QFile::exists(path))
        return std::nullopt;
    const QString line = FirstLine(path);
    static const QRegularExpression number(QStringLiteral("^[-+]?[0-9][0-9.,]*"));
    QString text = number.match(line).captured(0);
    // "1.234,5" has thousands points; otherwise a comma or a point is the decimal mark.
    if (text.contains(u',') && text.contains(u'.'))
        text.remove(u'.');
    text.replace(u',', u'.');
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok)
        throw AppError(QStringLiteral("El archivo \"%1\" no contiene el valor del punto en euros (tiene «%2»).")
                           .arg(path, line));
    return value;
}

double PointValueOrZero(const QString &moduleDir)
{
    return ReadPointValue(moduleDir).value_or(0.0);
}

QString PointFileText(const QString &moduleDir)
{
    const QString path = PointFilePath(moduleDir);
    return QFile::exists(path) ? FirstLine(path) : QString();
}

void WritePointValue(const QString &moduleDir, double value)
{
    const QString path = PointFilePath(moduleDir);
    QSaveFile file(path);
    const QByteArray text = QLocale::c().toString(value, 'f', QLocale::FloatingPointShortest).toUtf8() + "\r\n";
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw AppError(QStringLiteral("No se ha podido guardar el valor del punto en \"%1\".").arg(path),
                       file.errorString());
}

void RemovePointValue(const QString &moduleDir)
{
    QFile file(PointFilePath(moduleDir));
    if (file.exists() && !file.remove())
        throw AppError(QStringLiteral("No se ha podido borrar el archivo \"%1\".").arg(file.fileName()),
                       file.errorString());
}
