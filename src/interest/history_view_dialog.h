#pragma once

#include "interest/settlement_history.h"

#include <QDialog>

struct AppContext;
class DateBox;
class QLineEdit;
class QPlainTextEdit;

// "Liquidación en Histórico": a stored settlement's case number, its editable date,
// description and notes, and its payments and entries (read only). " &Aceptar" stores the
// edits; closing otherwise drops them.
class TFormHisMan final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormHisMan)

public:
    TFormHisMan(AppContext &context, StoredSettlement stored, QWidget *parent = nullptr);

    HistoryHeader header() const;
    void accept() override;

private:
    AppContext &m_context;
    StoredSettlement m_stored;
    DateBox *m_fecha;
    QLineEdit *m_descripcion;
    QPlainTextEdit *m_notas;
};
