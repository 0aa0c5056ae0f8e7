#pragma once

#include "core/errors.h"
#include "interest/settlement_types.h"

#include <QByteArray>
#include <QDate>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

// The settlement history of the Historico connection: Cabecera (one record per case number),
// its movements in Pagos and its rows in Tramos. It keeps a settlement's input, not its
// result: a reloaded settlement is computed again with the rates of the day.

inline const QString HistoryKindInterest = QStringLiteral("I"); // Cabecera.Tipo of our settlements
inline const QString HistoryTableName = QStringLiteral("Cabecera"); // record locks are taken on it

inline const QString HistoryStoreQuestion = QStringLiteral("¿Desea pasar al histórico la liquidación actual?");
inline const QString HistoryStoredMessage = QStringLiteral("La liquidación ha sido almacenada en el histórico.");
inline const QString EmptyCaseNumberMessage = QStringLiteral("Es necesario rellenar el campo Núm. Asunto.");
inline const QString DuplicateCaseNumberMessage = QStringLiteral("Ya existe una liquidación con ese Núm. de Asunto.");

// Field sizes of Cabecera, as the store dialog limits them.
constexpr int CaseNumberLength = 20;
constexpr int DescriptionLength = 80;

// The fields of a stored settlement that the user types when storing it.
struct HistoryHeader
{
    QString numAsunto;
    QDate fecha;          // may be blank
    QString descripcion;
    QString notas;

    bool operator==(const HistoryHeader &) const = default;
};

// A Cabecera record and its movements. Blank fields are empty texts and invalid dates.
struct StoredSettlement
{
    HistoryHeader header;
    double capital = 0.0;
    QDate desde1;
    QDate hasta1;
    QString tipoInteres1;       // item text of the first period's type
    bool conSentencia = false;
    QDate desde2;               // only with conSentencia
    QDate hasta2;               // only with conSentencia
    QString tipoInteres2;       // only with conSentencia
    QString interes1;           // only for "Interés Pactado"
    QString interes2;           // only with conSentencia and "Interés Pactado"
    bool inteAcumu = false;
    QString moneda = QStringLiteral("Eur");
    QString tipo = HistoryKindInterest;
    std::vector<Movement> movements; // both kinds, ascending date

    bool operator==(const StoredSettlement &) const = default;
};

// Why a settlement is not stored: the user's message (empty or taken case number, a case
// number or description longer than its field).
class HistoryRefusal : public AppError
{
public:
    using AppError::AppError;
};

// The record "&Grabar" writes for an input: the second period's fields only when it is on, an
// agreed rate only for "Interés Pactado", Tipo "I". The case number is taken without
// surrounding blanks. Imputation and the per-period/daily choice are not kept.
StoredSettlement StoredFromInput(const HistoryHeader &header, const SettlementInput &input);

// Writes the record and its movements in one transaction: either all of it is stored or
// nothing. Throws HistoryRefusal for an empty or duplicate case number (another program may
// have just taken it) or a text longer than its field; StoreError for other failures.
void StoreSettlement(const QSqlDatabase &db, const StoredSettlement &settlement);

bool StoredSettlementExists(const QSqlDatabase &db, const QString &numAsunto);
// The stored settlement of a case number with its movements, or nullopt.
std::optional<StoredSettlement> LoadStoredSettlement(const QSqlDatabase &db, const QString &numAsunto);

// The input window's values after reloading `stored` over `current`: principal, dates,
// currency, types (a type text that matches no item keeps the current one; an agreed rate
// only for "Interés Pactado"), the second period (off: first item of its list, and its end
// kept no earlier than the day after the first period's), compound interest and the
// movements. Imputation and the per-period/daily choice keep their current state.
SettlementInput ReloadedInput(const StoredSettlement &stored, const SettlementInput &current);

// The input that "devenix-cli historico mostrar" writes: ReloadedInput over a fresh window.
SettlementInput StoredInput(const StoredSettlement &stored);

// New Fecha, Descripcion and Notas of a stored settlement. Returns false when it is no longer
// stored (deleted by another program). Throws HistoryRefusal for a description too long.
bool UpdateHistoryHeader(const QSqlDatabase &db, const HistoryHeader &header);

// Deletes the settlement's Tramos rows, its movements and its record, in one transaction.
// Returns false when there was no such settlement.
bool DeleteStoredSettlement(const QSqlDatabase &db, const QString &numAsunto);

// The stored case in the JSON of devenix-cli: the case of StoredInput, preceded by "NumAsunto",
// "Fecha", "Descripcion" and "Notas".
QByteArray WriteStoredSettlementCase(const StoredSettlement &stored);
// "Fecha", "Descripcion" and "Notas" of a case written by WriteStoredSettlementCase. Without
// "Fecha" the date is today's, as for a settlement stored from the window; "" is a blank
// date; other absent keys give blanks. Throws CaseError for a Fecha that is not a date.
HistoryHeader ReadHistoryHeader(const QByteArray &json);
