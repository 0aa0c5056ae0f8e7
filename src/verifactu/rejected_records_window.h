#pragma once

#include "verifactu/verifactu_ledger.h"

#include <QDialog>

#include <vector>

// "Registros VERI*FACTU rechazados": the records the agency rejected or accepted with errors,
// each with the agency's code and text, read only.
class TFormVerifactuRechazados final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormVerifactuRechazados)

public:
    TFormVerifactuRechazados(const std::vector<StoredRecord> &records, QWidget *parent = nullptr);
};
