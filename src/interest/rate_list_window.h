#pragma once

#include "interest/settlement_types.h"

#include <QDialog>

#include <optional>

struct AppContext;
class QTableView;
class RateTableModel;

// "Mantenimiento de Intereses": the rate table, read only, with add, delete and modify. Changing
// or deleting a period takes its record lock first (LockConflict).
class TFormInt final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormInt)

public:
    explicit TFormInt(AppContext &context, QWidget *parent = nullptr);

    // "  &Altas": the add dialog.
    void addPeriod();
    // "  &Bajas": asks, then deletes the selected period.
    void deletePeriod();
    // " &Modif." and a double click: the modify dialog on the selected period.
    void modifyPeriod();

    std::optional<RatePeriod> selectedPeriod() const;
    void selectPeriod(const QDate &desde);
    QTableView *grid() const { return m_grid; }

private:
    void reload();

    AppContext &m_context;
    RateTableModel *m_model;
    QTableView *m_grid;
};

// Opens the rate table window modally ("Tipos de Interés" of the main window).
void OpenRateTable(AppContext &context, QWidget *parent);
