#include "cli/cli.h"

#include "core/date_text.h"
#include "interest/settlement_history.h"
#include "interest/settlement_json.h"
#include "store/data_store.h"
#include "store/sql.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString NotStoredMessage(const QString &numAsunto)
{
    return QStringLiteral("No existe ninguna liquidación con el Núm. de Asunto \"%1\".").arg(numAsunto);
}

// The history of an installation, for the life of one command.
class InstalledHistory
{
public:
    explicit InstalledHistory(const QString &dir)
        : m_store(QStringLiteral("cli-"))
    {
        const QString historia = dir + QStringLiteral("/Historia");
        if (!QFileInfo(historia).isDir())
            throw AppError(QStringLiteral("No hay una instalación de Cuantix en \"%1\": falta la carpeta Historia. "
                                          "Indique la carpeta con --instalacion.").arg(QDir::toNativeSeparators(dir)));
        m_store.setPath(Alias::Historico, historia);
        m_store.connect(Alias::Historico);
    }

    QSqlDatabase db() const { return m_store.database(Alias::Historico); }

private:
    DataStore m_store;
};

// Texts of one listed field: a tab or a line break would split the line.
QString OneLine(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

int Store(QStringList &args, const QString &dir, CliIo &io)
{
    const bool hasDescripcion = args.contains(QStringLiteral("--descripcion"));
    const QString descripcion = TakeOption(args, QStringLiteral("--descripcion"));
    const QString fecha = TakeOption(args, QStringLiteral("--fecha"));
    if (args.size() != 1)
        return ReportBadInput(io, args.isEmpty() ? EmptyCaseNumberMessage : QStringLiteral("Argumento no reconocido: %1").arg(args.at(1)));

    const QByteArray json = io.readAllInput();
    SettlementCase c;
    HistoryHeader header;
    try {
        c = ParseSettlementCase(json);
        header = ReadHistoryHeader(json);
    } catch (const CaseError &e) {
        return ReportBadInput(io, e.message());
    }
    if (const auto refusal = CheckSettlementDates(c.input))
        return ReportBadInput(io, refusal->message);
    header.numAsunto = args.at(0);
    if (hasDescripcion)
        header.descripcion = descripcion;
    if (!fecha.isEmpty()) {
        header.fecha = ParseDate(fecha);
        if (!header.fecha.isValid())
            return ReportBadInput(io, QStringLiteral("La fecha introducida no es válida."));
    }

    const InstalledHistory history(dir);
    try {
        StoreSettlement(history.db(), StoredFromInput(header, c.input));
    } catch (const HistoryRefusal &refusal) {
        return ReportBadInput(io, refusal.message());
    }
    return CliOk;
}

int Show(const QStringList &args, const QString &dir, CliIo &io)
{
    if (args.size() != 1)
        return ReportBadInput(io, QStringLiteral("Indique un Núm. de Asunto: devenix-cli historico mostrar NUMASUNTO."));
    const InstalledHistory history(dir);
    const auto stored = LoadStoredSettlement(history.db(), args.at(0));
    if (!stored)
        return ReportBadInput(io, NotStoredMessage(args.at(0)));
    io.outUtf8(WriteStoredSettlementCase(*stored));
    return CliOk;
}

int List(const QStringList &args, const QString &dir, CliIo &io)
{
    if (!args.isEmpty())
        return ReportBadInput(io, QStringLiteral("Argumento no reconocido: %1").arg(args.at(0)));
    const InstalledHistory history(dir);
    QSqlQuery query = Prepare(history.db(), QStringLiteral("SELECT NumAsunto, Fecha, Descripcion FROM Cabecera"
                                                           " WHERE Tipo = ? ORDER BY NumAsunto"));
    query.setForwardOnly(true);
    query.addBindValue(HistoryKindInterest);
    Exec(query);
    QByteArray out;
    while (query.next()) {
        out += OneLine(query.value(0).toString()).toUtf8() + '\t'
               + FormatDate(DateFromIso(query.value(1).toString())).toUtf8() + '\t'
               + OneLine(query.value(2).toString()).toUtf8() + '\n';
        if (out.size() > 64 * 1024) {
            io.outUtf8(out);
            out.clear();
        }
    }
    io.outUtf8(out);
    return CliOk;
}

int Delete(const QStringList &args, const QString &dir, CliIo &io)
{
    if (args.size() != 1)
        return ReportBadInput(io, QStringLiteral("Indique un Núm. de Asunto: devenix-cli historico borrar NUMASUNTO."));
    const InstalledHistory history(dir);
    if (!DeleteStoredSettlement(history.db(), args.at(0)))
        return ReportBadInput(io, NotStoredMessage(args.at(0)));
    return CliOk;
}

} // namespace

int RunHistoryCommand(const QStringList &arguments, CliIo &io)
{
    QStringList args = arguments;
    const QString dir = InstallationDir(args);
    const QString order = args.isEmpty() ? QString() : args.takeFirst();
    try {
        if (order == QLatin1String("guardar"))
            return Store(args, dir, io);
        if (order == QLatin1String("mostrar"))
            return Show(args, dir, io);
        if (order == QLatin1String("listar"))
            return List(args, dir, io);
        if (order == QLatin1String("borrar"))
            return Delete(args, dir, io);
    } catch (const HistoryRefusal &refusal) {
        return ReportBadInput(io, refusal.message());
    }
    return ReportBadInput(io, QStringLiteral("Indique guardar, mostrar, listar o borrar: devenix-cli historico ORDEN."));
}
