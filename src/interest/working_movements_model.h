#pragma once

#include "store/store_error.h"

#include <QSqlTableModel>

#include <optional>

// The working movements of one kind, edited in place by a grid (manual submit: a row is posted
// when the grid leaves it). Fecha is shown and edited as dd/mm/yyyy, Importe shown as
// "###,###,##0.00" and edited as a plain number with the decimal comma. Rows are posted
// through working_movements.h, so a date already taken fails with the key violation.
class WorkingMovementsModel final : public QSqlTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WorkingMovementsModel)

public:
    // The text a grid edits: dd/mm/yyyy, or the amount with the decimal comma and no
    // thousands points.
    static constexpr int EditTextRole = Qt::UserRole + 1;

    // Why the last submit failed.
    enum class Failure { None, DuplicateDate, MissingDate, MissingAmount, RefusedDate, RefusedAmount, Other };

    // kind: "P" or "E"; only movements of that kind are listed.
    WorkingMovementsModel(QSqlDatabase db, const QString &kind, QObject *parent = nullptr);

    const QString &kind() const { return m_kind; }
    int fechaColumn() const { return m_fecha; }
    int importeColumn() const { return m_importe; }

    // A new row at the end, dated `date`, of the given kind; not posted yet.
    int appendMovement(const QDate &date, const QString &kind);
    // Row of the movement dated `date`, or -1.
    int rowOfDate(const QDate &date) const;
    QDate dateAt(int row) const;
    // Whether the row holds changes not posted (a new row included).
    bool rowIsPending(int row) const;
    // Whether the row is a new movement not posted yet.
    bool rowIsNew(int row) const;

    Failure lastFailure() const { return m_failure; }
    // The user's text for the last failure ("Ya existe un pago o un entrada con esa fecha.", ...).
    QString lastFailureMessage() const;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Fecha takes a dd/mm/yyyy text or a QDate; Importe a number or its text with the decimal
    // comma (thousands points ignored); an empty text clears the field. Anything else is
    // refused (false); so are a date after 31/12/2099 and an amount of 0 or less or too large,
    // with lastRefusal() saying why.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // Why the last setData refused a value it could read (empty when it could not read it).
    const QString &lastRefusal() const { return m_refusal; }
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void setDateTitle(const QString &title) { m_dateTitle = title; }

protected:
    bool insertRowIntoTable(const QSqlRecord &values) override;
    bool updateRowInTable(int row, const QSqlRecord &values) override;
    bool deleteRowFromTable(int row) override;

private:
    // Stores the failure and returns false, or runs `post` and returns true.
    template<class Post>
    bool posting(Post post);
    std::optional<QString> missingField(const QSqlRecord &values);
    std::optional<QString> ValueRefusal(int column, const QVariant &stored) const;

    QString m_kind;
    QString m_dateTitle;
    int m_fecha;
    int m_importe;
    int m_tipo;
    Failure m_failure = Failure::None;
    QString m_failureDetail;
    QString m_refusal;
};
