#pragma once

#include "core/errors.h"
#include "verifactu/invoice_snapshot.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <optional>

// Texts of an invoicing record exactly as written into its XML and hashed: the same literal
// everywhere, so the hash, the record and the QR code agree.

// Euros to "-1234.50": cents rounded half away from zero, always two decimals, never "-0.00".
QString RecordAmount(double euros);
qint64 AmountCents(double euros);
QString CentsText(qint64 cents);
// A tax rate in percent as "21.00".
QString RecordRate(double percent);
// "dd-mm-yyyy".
QString RecordDate(const QDate &date);
QDate DateFromRecord(const QString &text);
// ISO 8601 with the zone's offset written as "+hh:mm" (never "Z"): "2027-07-15T10:00:00+02:00".
QString RecordTimestamp(const QDateTime &moment, const QTimeZone &zone);
// The office's zone: "Atlantic/Canary" in the Canary Islands, else "Europe/Madrid".
QTimeZone OfficeTimeZone(bool canarias);
// Year + "/" + number zero-padded to six digits: "2027/000058".
QString InvoiceSeriesNumber(int number, int year);
// A tax number as the records hold it: upper case, without the spaces, dots and dashes typed
// between its characters ("12345678-z" gives "12345678Z").
QString NormalizedTaxId(const QString &text);

// A refused invoice: the message names the field ("Nombre del cliente").
class RecordRefusal : public AppError
{
public:
    using AppError::AppError;
};

// Checks what the records will hold; throws RecordRefusal naming the first field that the
// agency's schema or rules refuse: blank or too long names, characters outside what XML and
// the agency accept, a NIF that is not nine letters and digits, a number outside 1..999999,
// more than twelve tax rates, amounts over twelve integer digits.
void CheckInvoiceSnapshot(const InvoiceSnapshot &snapshot);
// The same check for one text: std::nullopt when `text` (trimmed) is acceptable as a field
// of at most `maxLength` characters, else the message naming `field`.
std::optional<QString> TextRefusal(const QString &field, const QString &text, int maxLength);
