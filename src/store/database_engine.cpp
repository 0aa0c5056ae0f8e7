#include "store/database_engine.h"

#include "core/errors.h"
#include "core/ini_file.h"

#include <QDir>
#include <QHash>
#include <QMutex>

namespace {

const QString kSection = QStringLiteral("BASEDATOS");

QString ServerKey(const DatabaseEngine &engine)
{
    return engine.user + QLatin1Char('@') + engine.serverText();
}

QMutex &PasswordsMutex()
{
    static QMutex mutex;
    return mutex;
}

QHash<QString, QString> &Passwords()
{
    static QHash<QString, QString> passwords;
    return passwords;
}

[[noreturn]] void BadSetting(const IniFile &settings, const QString &what)
{
    throw AppError(QStringLiteral("La configuración de la base de datos en \"%1\" no es válida: %2.")
                       .arg(QDir::toNativeSeparators(settings.path()), what));
}

} // namespace

QString DatabaseEngine::serverText() const
{
    return QStringLiteral("%1:%2/%3").arg(host).arg(port).arg(database);
}

DatabaseEngine DatabaseEngine::Read(const IniFile &settings)
{
    DatabaseEngine engine;
    const QString motor = settings.readString(kSection, QStringLiteral("MOTOR")).trimmed();
    if (motor.isEmpty() || motor.compare(QLatin1String("sqlite"), Qt::CaseInsensitive) == 0)
        return engine;
    if (motor.compare(QLatin1String("postgresql"), Qt::CaseInsensitive) != 0)
        BadSetting(settings, QStringLiteral("MOTOR debe ser sqlite o postgresql, no \"%1\"").arg(motor));
    engine.kind = Kind::PostgreSQL;
    engine.host = settings.readString(kSection, QStringLiteral("SERVIDOR")).trimmed();
    engine.database = settings.readString(kSection, QStringLiteral("BASE")).trimmed();
    engine.user = settings.readString(kSection, QStringLiteral("USUARIO")).trimmed();
    const QString port = settings.readString(kSection, QStringLiteral("PUERTO")).trimmed();
    if (engine.host.isEmpty())
        BadSetting(settings, QStringLiteral("falta SERVIDOR"));
    if (engine.database.isEmpty())
        BadSetting(settings, QStringLiteral("falta BASE"));
    if (!port.isEmpty()) {
        bool ok = false;
        engine.port = port.toInt(&ok);
        if (!ok || engine.port < 1 || engine.port > 65535)
            BadSetting(settings, QStringLiteral("PUERTO \"%1\" no es un puerto").arg(port));
    }
    const QMutexLocker lock(&PasswordsMutex());
    engine.password = Passwords().value(ServerKey(engine));
    return engine;
}

DatabaseEngine DatabaseEngine::ForInstallation(const QString &installationDir)
{
    return Read(IniFile(installationDir + QStringLiteral("/Devenix.ini")));
}

void DatabaseEngine::write(IniFile &settings) const
{
    if (!isServer()) {
        settings.writeString(kSection, QStringLiteral("MOTOR"), QStringLiteral("sqlite"));
        return;
    }
    settings.writeString(kSection, QStringLiteral("MOTOR"), QStringLiteral("postgresql"));
    settings.writeString(kSection, QStringLiteral("SERVIDOR"), host);
    settings.writeInteger(kSection, QStringLiteral("PUERTO"), port);
    settings.writeString(kSection, QStringLiteral("BASE"), database);
    settings.writeString(kSection, QStringLiteral("USUARIO"), user);
}

void RememberPassword(const DatabaseEngine &engine, const QString &password)
{
    const QMutexLocker lock(&PasswordsMutex());
    Passwords().insert(ServerKey(engine), password);
}

QString ModuleSchemaName(const QString &regionFolder)
{
    QString name = QStringLiteral("modulo_");
    for (const QChar c : regionFolder.toLower())
        name += (c.isLetterOrNumber() && c.unicode() < 128) || c == u'_' ? c : QChar(u'_');
    return name;
}
