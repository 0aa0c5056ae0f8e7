#pragma once

#include <QDialog>

class FeeEngine;
class Prompter;
class QLineEdit;

// "Variar Referencias" (TFormVarRef): Fijo, Incremento, Reducción and % of the current
// calculation, each with its spin button; an edit whose digit of CalcMode is 1 is disabled.
// "Aceptar" asks the criterion's limit questions and stores the four values (a No keeps the
// dialog open with nothing stored); "Cancelar" and Esc close without a change.
class TFormVarRef final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormVarRef)

public:
    TFormVarRef(FeeEngine &engine, Prompter &prompter, QWidget *parent = nullptr);

    void tryAccept();

private:
    void spin(QLineEdit *edit, bool up, bool percent);

    FeeEngine &m_engine;
    Prompter &m_prompter;
    QLineEdit *m_fijo;
    QLineEdit *m_inc;
    QLineEdit *m_red;
    QLineEdit *m_porc;
};
