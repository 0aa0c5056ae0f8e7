#include "core/ini_file.h"

#include "core/errors.h"
#include "core/number_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

constexpr qint64 kMaxSettingsBytes = 1024 * 1024;

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
const char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

QString DecodeCp1252(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(char16_t(b));
    }
    return out;
}

QString DecodeSettings(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return DecodeCp1252(bytes);
}

struct Contents
{
    QStringList lines;
    QString newline = QStringLiteral("\n");
};

[[noreturn]] void Unreadable(const QString &path, const QString &why, const QString &detail = {})
{
    throw SettingsUnreadable(
        QStringLiteral("No se puede leer el archivo de configuración \"%1\": %2.").arg(QDir::toNativeSeparators(path), why),
        detail);
}

// Text a person or an older version wrote: no control characters but tabs and line ends, and
// no byte that Windows-1252 leaves undefined.
bool LooksLikeText(const QString &text)
{
    for (const QChar c : text) {
        if ((c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            || c.unicode() == 0x7F || c == QChar(0xFFFD))
            return false;
    }
    return true;
}

Contents Load(const QString &path)
{
    Contents c;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return c;
    if (info.isDir())
        Unreadable(path, QStringLiteral("es una carpeta"));
    if (info.size() > kMaxSettingsBytes)
        throw SettingsUnreadable(QStringLiteral("El archivo \"%1\" no es un archivo de configuración: ocupa más de 1 MB.")
                                     .arg(QDir::toNativeSeparators(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Unreadable(path, QStringLiteral("no se puede abrir (compruebe los permisos)"), file.errorString());
    const QByteArray bytes = file.read(kMaxSettingsBytes + 1);
    if (bytes.size() > kMaxSettingsBytes)
        throw SettingsUnreadable(QStringLiteral("El archivo \"%1\" no es un archivo de configuración: ocupa más de 1 MB.")
                                     .arg(QDir::toNativeSeparators(path)));
    const QString text = DecodeSettings(bytes);
    if (!LooksLikeText(text))
        Unreadable(path, QStringLiteral("no es un archivo de texto"));
    if (text.contains(QLatin1String("\r\n")))
        c.newline = QStringLiteral("\r\n");
    c.lines = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    if (!c.lines.isEmpty() && c.lines.constLast().isEmpty())
        c.lines.removeLast();
    return c;
}

// Name of the section a line opens, or a null string.
QString SectionOf(const QString &line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return {};
    const auto close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return {};
    return t.mid(1, close - 1).trimmed();
}

// Key of a "key=value" line (trimmed), or a null string for other lines.
QString KeyOf(const QString &line)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('[')))
        return {};
    const auto eq = t.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return {};
    return t.left(eq).trimmed();
}

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct Location
{
    qsizetype sectionLine = -1;  // line of the section header
    qsizetype keyLine = -1;      // line of the key inside it
    qsizetype lastEntryLine = -1; // last non-blank line of the section
};

Location Find(const QStringList &lines, const QString &section, const QString &key)
{
    Location loc;
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString s = SectionOf(lines[i]);
        if (!s.isNull()) {
            if (inSection)
                break; // only the first section of that name counts
            inSection = SameName(s, section);
            if (inSection)
                loc.sectionLine = loc.lastEntryLine = i;
            continue;
        }
        if (!inSection)
            continue;
        if (!lines[i].trimmed().isEmpty())
            loc.lastEntryLine = i;
        if (loc.keyLine < 0 && SameName(KeyOf(lines[i]), key))
            loc.keyLine = i;
    }
    return loc;
}

void Save(const QString &path, const Contents &c)
{
    QSaveFile file(path);
    const QString text = c.lines.join(c.newline) + c.newline;
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw AppError(QStringLiteral("No se ha podido guardar el archivo de configuración \"%1\".").arg(path),
                       file.errorString());
}

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{
}

QString IniFile::PathForExecutable(const QString &executablePath)
{
    const QFileInfo info(executablePath);
    const QString suffix = info.suffix();
    QString base = executablePath;
    if (!suffix.isEmpty() && !info.completeBaseName().isEmpty())
        base.chop(suffix.size() + 1);
    return base + QStringLiteral(".ini");
}

IniFile IniFile::ForRunningProgram()
{
    return IniFile(PathForExecutable(QCoreApplication::applicationFilePath()));
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const Contents c = Load(m_path);
    const Location loc = Find(c.lines, section, key);
    if (loc.keyLine < 0)
        return defaultValue;
    const QString line = c.lines[loc.keyLine];
    return line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    static const QRegularExpression pattern(QStringLiteral("^[+-]?\\d+$"));
    const QString text = readString(section, key).trimmed();
    if (!pattern.match(text).hasMatch())
        return defaultValue;
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : defaultValue;
}

double IniFile::readDecimal(const QString &section, const QString &key, double defaultValue) const
{
    return ParseSpanishNumber(readString(section, key)).value_or(defaultValue);
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    Contents c = Load(m_path);
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const Location loc = Find(c.lines, section, key);
    if (loc.keyLine >= 0) {
        c.lines[loc.keyLine] = KeyOf(c.lines[loc.keyLine]) + QLatin1Char('=') + clean;
    } else if (loc.sectionLine >= 0) {
        c.lines.insert(loc.lastEntryLine + 1, key + QLatin1Char('=') + clean);
    } else {
        if (!c.lines.isEmpty() && !c.lines.constLast().trimmed().isEmpty())
            c.lines.append(QString());
        c.lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        c.lines.append(key + QLatin1Char('=') + clean);
    }
    Save(m_path, c);
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

std::optional<QString> RescueUnreadableSettings(const QString &path)
{
    try {
        Load(path);
        return std::nullopt;
    } catch (const SettingsUnreadable &e) {
        QString kept = path + QStringLiteral(".dañado");
        for (int n = 2; QFileInfo::exists(kept) || QFileInfo(kept).isSymLink(); ++n)
            kept = path + QStringLiteral(".dañado-%1").arg(n);
        if (!QFile::rename(path, kept) && !QDir().rename(path, kept))
            return e.message()
                   + QStringLiteral(" No se ha podido apartar: corríjalo o retírelo y vuelva a iniciar el programa.");
        return e.message()
               + QStringLiteral(" Se ha guardado como \"%1\" y el programa empieza con la configuración inicial.")
                     .arg(QDir::toNativeSeparators(kept));
    }
}
