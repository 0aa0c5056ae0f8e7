#pragma once

#include <QDialog>

struct AppContext;
class QComboBox;
class QLineEdit;
class QSqlTableModel;
class QTableView;

// "Editar Tabla": any table of the active module in a grid with a navigator, and the two
// extras of its register row. A row is stored by the store button or by moving to another
// row; closing the window drops a row still being edited.
class TFormTablas final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormTablas)

public:
    // Throws AppError when no module is open.
    explicit TFormTablas(AppContext &context, QWidget *parent = nullptr);

    // Shows table `id` of the register (0: none). False when the table cannot be shown.
    bool chooseTable(int id);
    QSqlTableModel *tableModel() const { return m_model; }

    // The navigator's buttons.
    void first();
    void previous();
    void next();
    void last();
    void insertRow();
    void deleteRow();
    bool storeRows();
    void cancelRows();

protected:
    void done(int result) override;

private:
    void closeTable();
    void goTo(int row);
    void rowChanged(const QModelIndex &current, const QModelIndex &previous);
    void storeExtra(QLineEdit *edit, const char *field);
    void showExtras();

    AppContext &m_context;
    QComboBox *m_tables;
    QTableView *m_grid;
    QLineEdit *m_extraPorc;
    QLineEdit *m_extraFijo;
    QSqlTableModel *m_model = nullptr;
    int m_tableId = 0;
};

void OpenTableEditor(AppContext &context, QWidget *parent);
