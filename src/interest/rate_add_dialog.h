#pragma once

#include <QDialog>

struct AppContext;
class NumberEdit;
class QLineEdit;

// "Tipos de intereses (Altas)": a new rate period. "&Aceptar" checks the dates (in order: they
// convert, Hasta not before Desde, one calendar year, neither date inside an existing period,
// no existing period inside the new one), then the rates, and closes only when it was stored.
class TFormIntAlt final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormIntAlt)

public:
    explicit TFormIntAlt(AppContext &context, QWidget *parent = nullptr);

    // Stores the period when every check passes; then the dialog closes with OK.
    void tryAccept();

private:
    bool refuse(const QString &message, QWidget *focus = nullptr);

    AppContext &m_context;
    QLineEdit *m_desde;
    QLineEdit *m_hasta;
    NumberEdit *m_inteLega;
    NumberEdit *m_inteJudi;
    NumberEdit *m_inteAdmi;
};
