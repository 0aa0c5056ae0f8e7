#pragma once

#include "interest/working_movements.h"

#include <QDialog>

struct AppContext;
class NumberEdit;
class QComboBox;
class QSpinBox;

// "Alta de Pagos Parciales Periódicos" / "Alta de Entradas Periódicas": a series of monthly
// movements of one kind. " &Aceptar" posts them one by one; a date held by the other kind
// shows "Ya existe un pago o un entrada con esa fecha." and ends the series there.
class TFormPagPer final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormPagPer)

public:
    // kind: "P" (payments) or "E" (entries).
    TFormPagPer(AppContext &context, const QString &kind, QWidget *parent = nullptr);

    // The series as the fields stand (an empty amount counts as 0).
    PeriodicSeries series() const;

    void accept() override;

    // Checks ComboDIA as leaving it does: typed text must be a whole number, otherwise
    // "El día introducido no es un día válido." and the first item is chosen.
    bool validateDay();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    AppContext &m_context;
    QString m_kind;
    QSpinBox *m_count;
    NumberEdit *m_amount;
    QComboBox *m_month;
    QSpinBox *m_year;
    QComboBox *m_day;
};
