#pragma once

#include <QString>

class QDialog;
class QHBoxLayout;
class QPushButton;

// The row of "Aceptar" and "Cancelar" that closes the program's small dialogs, to the right.
// "Cancelar" rejects the dialog; what "Aceptar" does is the dialog's own.
struct DialogButtons
{
    QPushButton *accept;
    QPushButton *cancel;
    QHBoxLayout *row;
};

DialogButtons AcceptCancelRow(QDialog *dialog, const QString &acceptCaption = QStringLiteral("&Aceptar"));
