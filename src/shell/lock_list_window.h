#pragma once

#include "store/lock_list.h"

#include <QDialog>

#include <vector>

struct AppContext;
class QTableWidget;
class QPushButton;

// "Bloqueos": the record locks held now, and "&Liberar" for a lock left by a program that
// ended on another computer.
class TFormBloqueos final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormBloqueos)

public:
    explicit TFormBloqueos(AppContext &app, QWidget *parent = nullptr);

    // Reads the locks again (GridBLOQUEOS).
    void refresh();
    // "&Liberar" on the selected row.
    void releaseSelected();

private:
    AppContext &m_app;
    QTableWidget *m_grid;
    QPushButton *m_release;
    std::vector<HeldLock> m_locks;
};

// Opens "Bloqueos" as a modal window (the main window's "&Bloqueos").
void ShowLockListWindow(AppContext &app, QWidget *parent);
