#pragma once

#include <QDialog>

struct AppContext;
class FeeEngine;
class QLabel;
class QLineEdit;
class QPushButton;

// "Calculo de Honorarios" (TformCopyDescripcion): a fee worked out without an invoice. It
// drives a FeeEngine of its own, kept by the caller for the whole run so that the amount of
// one calculation carries over to the next window; after each step the window copies the
// engine's texts into its fields. "Aceptar" puts "description|fee" on the clipboard.
class TformCopyDescripcion final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TformCopyDescripcion)

public:
    TformCopyDescripcion(AppContext &context, FeeEngine &engine, QWidget *parent = nullptr);

    // The criterion selection: module files, the selection dialog, a run, the limits.
    void selectCriterion();
    // The vary-references dialog over the engine, then a run.
    void varyReferences();
    // "Aceptar": the clipboard text, then the window closes.
    void copyAndClose();
    // The line put on the clipboard: description, "|", the fee text.
    QString clipboardText() const;

    // Closing ("Salir", "Aceptar" or the close box) lets go of the module database.
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void amountEdited(const QString &text);
    void mirror();
    bool criterionMissing();

    AppContext &m_context;
    FeeEngine &m_engine;
    QLineEdit *m_criterio;
    QLineEdit *m_amount;
    QLabel *m_plus;
    QLineEdit *m_fijo;
    QLineEdit *m_incremento;
    QLineEdit *m_reduccion;
    QLineEdit *m_tabla;
    QLineEdit *m_porcentaje;
    QLineEdit *m_minimo;
    QLineEdit *m_maximo;
    QLineEdit *m_titulo;
    QLineEdit *m_importe;
};

// "Calcular Honorarios": a new calculator window, shown modally, over the engine of the run
// (made at the first call, and again when the program's prompter is another one).
void ShowFeeCalculator(AppContext &context, QWidget *parent);
