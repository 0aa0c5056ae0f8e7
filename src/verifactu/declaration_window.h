#pragma once

#include <QDialog>

// Ayuda > "Declaración responsable VERI*FACTU": the producer's declaration, read only.
class TFormDeclaracion final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormDeclaracion)

public:
    TFormDeclaracion(const QString &text, QWidget *parent = nullptr);
};
