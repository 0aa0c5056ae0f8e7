#pragma once

#include "clients/record_actions.h"
#include "clients/record_file.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QHash>

#include <memory>

struct AppContext;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTableView;

// The list page's grid over a RecordList.
class RecordListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordListModel)

public:
    RecordListModel(const RecordList &list, QStringList titles, QObject *parent = nullptr);

    // After the list was read again.
    void reset();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const RecordList &m_list;
    QStringList m_titles;
};

// What the clients and contacts windows share: two pages without tabs, the list page with the
// name search and "&Altas", "&Bajas", "&Modif.", "B&uscar", "&Salir", the grid's exports, and
// the editing page's storing. Each window builds its own editing page and moves a record in
// and out of it.
class RecordWindow : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordWindow)

public:
    ~RecordWindow() override;

    // "&Altas", "&Bajas", "&Modif.", "B&uscar", "&Aceptar", "&Cancelar".
    void add();
    void remove();
    void modify();
    void search();
    void accept() override;
    void cancelEdit();

    // The list page's current record: its number, or 0 when the list is empty.
    int currentNumber() const;
    int currentRow() const;
    void setCurrentRow(int row);
    const RecordList &list() const { return m_list; }
    RecordActions::Mode mode() const { return m_actions.mode(); }
    bool editing() const { return m_actions.mode() != RecordActions::Mode::Idle; }

    // The grid's context menu.
    void exportExcel();
    void exportVcards();
    void copyToClipboard();

protected:
    RecordWindow(AppContext &context, const TableDef &def, QStringList listTitles, QWidget *parent);
    // Builds both pages; called by the derived constructor once it can build its editing page.
    void setUp(const QString &caption, const QString &listPageName, const QString &editPageName);

    virtual QWidget *buildEditPage() = 0;
    virtual void showRecord(const Record &record) = 0;
    virtual Record editedRecord() const = 0;
    virtual QString maintenanceCaption(RecordActions::Mode mode) const = 0;

    // Field editors of the editing page, by field name: line edits, plain-text edits and
    // editable combo boxes move their field in and out generically.
    QWidget *editorFor(const FieldDef &field, QWidget *parent);
    void loadEditors(const Record &record);
    Record readEditors(Record base) const;
    QLineEdit *lineEdit(const QString &field) const;
    QPushButton *addButton(const QString &text, const QString &name, QWidget *parent);

    void reloadList(int keepNumber);
    void closeEvent(class QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    QStringList listTitles() const;
    void reject() override;
    void done(int result) override;

    AppContext &m_context;
    RecordFile m_file;
    RecordList m_list;
    RecordActions m_actions;
    RecordListModel *m_model = nullptr;
    QStackedWidget *m_pages = nullptr;
    QLineEdit *m_nameSearch = nullptr;
    QTableView *m_grid = nullptr;
    QPushButton *m_modify = nullptr;
    QPushButton *m_select = nullptr;
    QHash<QString, QWidget *> m_editors;
    Record m_loaded; // the record shown, with the fields the page does not show
    QString m_caption;

private:
    void positionByName(const QString &text);
    void showList();
    void showEditPage();
    void showGridMenu(const QPoint &pos);
    // Posts a record still being edited; false when it could not be stored (message shown).
    bool postPending();
};
