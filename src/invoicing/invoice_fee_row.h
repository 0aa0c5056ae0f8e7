#pragma once

#include "fees/fee_engine.h"

#include <QGroupBox>

class QComboBox;
class QLabel;
class QLineEdit;
struct AppContext;

// "Según Criterios Honorarios": the editor's criterion row, a view over the fee engine. The
// chosen criterion's fee goes into the line's amount and description boxes of the manual row;
// the reference boxes show the criterion's Fijo, Incremento, Reducción, Tabla and Porcentaje.
class InvoiceFeeRow final : public QGroupBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InvoiceFeeRow)

public:
    // `tipo`, `importe` and `titulo` are the manual row's type list, amount and description.
    InvoiceFeeRow(AppContext &context, QComboBox *tipo, QLineEdit *importe, QLineEdit *titulo, QWidget *parent);

    // A click, a double click or a key in "Criterio", or its button.
    void selectCriterion();
    // The buttons above Fijo, Incremento and Reducción.
    void varyReferences();
    // The invoice's data changed: the fee of a chosen criterion is worked out again.
    void recalculate();

    // The criterion's values a new line records (all 0 without a criterion).
    struct References
    {
        double fijo = 0.0;
        double incremento = 0.0;
        double reduccion = 0.0;
        int tabla = 0;
        double porcentaje = 0.0;
    };
    References references() const;
    // The chosen criterion's code, as "Criterio" shows it.
    QString criterio() const;
    // After "&Altas": the calculation starts afresh and "Cuantía" shows 0.
    void reset();

    // The editor closes: the module database is let go, so that it can be opened on another
    // region.
    void release() { m_engine.releaseModule(); }

    const FeeEngine &engine() const { return m_engine; }

signals:
    // Enter in "Cuantía": the editor moves on to "&Altas".
    void amountEntered();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool moduleLoaded(bool report = true);
    // Copies into the boxes what the engine changed since the last copy, so that an amount or a
    // description typed by hand stays until the engine writes a new one.
    void mirror();

    AppContext &m_context;
    FeeEngine m_engine;
    FeeEngine::Fields m_shown;
    bool m_loaded = false;
    QComboBox *m_tipo;
    QLineEdit *m_importe;
    QLineEdit *m_titulo;
    QLineEdit *m_criterio;
    QLineEdit *m_amount;
    QLabel *m_plus;
    QLineEdit *m_fijo;
    QLineEdit *m_incremento;
    QLineEdit *m_reduccion;
    QLineEdit *m_tabla;
    QLineEdit *m_porcentaje;
};
