#pragma once

#include "interest/settlement_types.h"

#include <QDialog>

struct AppContext;
class NumberEdit;

// "Tipos de intereses (Modificaciones)": the three rates of one period; its dates are shown
// but cannot change. "&Aceptar" stores the rates and closes; a rate that is not a number or
// out of range keeps the dialog open.
class TFormIntMan final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormIntMan)

public:
    TFormIntMan(AppContext &context, const RatePeriod &period, QWidget *parent = nullptr);

    void tryAccept();

private:
    // The edit's number; the stored value when the text was not touched (the edit shows
    // three decimals at most).
    std::optional<double> rateOf(NumberEdit *edit, double stored) const;

    AppContext &m_context;
    RatePeriod m_period;
    NumberEdit *m_inteLega;
    NumberEdit *m_inteJudi;
    NumberEdit *m_inteAdmi;
};

// The rate as its edit shows it: up to three decimals, decimal comma ("3,75").
QString RateEditText(double rate);
