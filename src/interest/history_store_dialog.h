#pragma once

#include "interest/settlement_history.h"

#include <QDialog>

struct AppContext;
class DateBox;
class QLineEdit;
class QPlainTextEdit;

// "Alta en el Histórico": the case number, date, description and notes under which a
// settlement is stored. "&Aceptar" stores it; an empty or taken case number is told and the
// dialog stays open for another.
class TFormHisAlt final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormHisAlt)

public:
    TFormHisAlt(AppContext &context, SettlementInput input, QWidget *parent = nullptr);

    HistoryHeader header() const;
    void accept() override;

private:
    AppContext &m_context;
    SettlementInput m_input;
    DateBox *m_fecha;
    QLineEdit *m_descripcion;
    QLineEdit *m_numAsunto;
    QPlainTextEdit *m_notas;
};

// "&Grabar" of the settlement view: nothing without rows; otherwise asks "¿Desea pasar al
// histórico la liquidación actual?" and shows the store dialog; once stored, "La liquidación
// ha sido almacenada en el histórico.".
void StoreSettlementInHistory(AppContext &context, QWidget *parent, const SettlementInput &input,
                              const SettlementResult &result);
