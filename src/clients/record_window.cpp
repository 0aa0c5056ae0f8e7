#include "clients/record_window.h"

#include "clients/record_export.h"
#include "clients/search_content_window.h"
#include "core/errors.h"
#include "core/prompter.h"
#include "store/app_context.h"
#include "widgets/list_grid.h"
#include "widgets/wait_cursor.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>

RecordListModel::RecordListModel(const RecordList &list, QStringList titles, QObject *parent)
    : QAbstractTableModel(parent)
    , m_list(list)
    , m_titles(std::move(titles))
{
}

void RecordListModel::reset()
{
    beginResetModel();
    endResetModel();
}

int RecordListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_list.size();
}

int RecordListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_titles.size());
}

QVariant RecordListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return m_list.cell(index.row(), index.column());
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return m_titles.value(section);
}

RecordWindow::RecordWindow(AppContext &context, const TableDef &def, QStringList listTitles, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_file(context.store.database(Alias::Intereses), def)
    , m_list(def)
    , m_actions(m_file, context.prompter)
    , m_model(new RecordListModel(m_list, std::move(listTitles), this))
{
}

RecordWindow::~RecordWindow() = default;

QPushButton *RecordWindow::addButton(const QString &text, const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

void RecordWindow::setUp(const QString &caption, const QString &listPageName, const QString &editPageName)
{
    m_caption = caption;
    setWindowTitle(caption);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    // Narrower or lower than this the pages no longer fit.
    setMinimumSize(581, 330);
    resize(980, 640);
    setWindowState(Qt::WindowMaximized);

    m_pages = new QStackedWidget(this);
    auto *listPage = new QWidget(m_pages);
    listPage->setObjectName(listPageName);
    auto *nameLabel = new QLabel(QStringLiteral("Nombre:"), listPage);
    m_nameSearch = new QLineEdit(listPage);
    m_nameSearch->setObjectName(QStringLiteral("EditNOMBRE"));
    nameLabel->setBuddy(m_nameSearch);
    connect(m_nameSearch, &QLineEdit::textChanged, this, &RecordWindow::positionByName);
    m_nameSearch->installEventFilter(this);

    m_grid = new QTableView(listPage);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    SetUpListGrid(m_grid, m_model);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QTableView::customContextMenuRequested, this, &RecordWindow::showGridMenu);
    connect(m_grid, &QTableView::doubleClicked, this, &RecordWindow::modify);
    const int wide = m_grid->fontMetrics().horizontalAdvance(QLatin1Char('n'));
    const QList<int> widths{40, 30, 14, 14, 14, 14};
    for (int c = 0; c < m_model->columnCount(); ++c)
        m_grid->setColumnWidth(c, wide * widths.value(c, 14));

    auto *add = addButton(QStringLiteral("&Altas"), QStringLiteral("BtnAltas"), listPage);
    auto *remove = addButton(QStringLiteral("&Bajas"), QStringLiteral("BtnBajas"), listPage);
    m_modify = addButton(QStringLiteral("&Modif."), QStringLiteral("BtnModif"), listPage);
    auto *find = addButton(QStringLiteral("B&uscar"), QStringLiteral("BtnBuscar"), listPage);
    m_select = addButton(QStringLiteral("S&eleccionar"), QStringLiteral("BtnSeleccionar"), listPage);
    auto *close = addButton(QStringLiteral("&Salir"), QStringLiteral("BtnSalir"), listPage);
    m_modify->setDefault(true);
    m_select->hide();
    connect(add, &QPushButton::clicked, this, &RecordWindow::add);
    connect(remove, &QPushButton::clicked, this, &RecordWindow::remove);
    connect(m_modify, &QPushButton::clicked, this, &RecordWindow::modify);
    connect(find, &QPushButton::clicked, this, &RecordWindow::search);
    connect(m_select, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
    connect(close, &QPushButton::clicked, this, &RecordWindow::reject);

    auto *top = new QHBoxLayout;
    top->addWidget(nameLabel);
    top->addWidget(m_nameSearch, 1);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {add, remove, m_modify, find})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(m_select);
    buttons->addWidget(close);
    auto *listLayout = new QVBoxLayout(listPage);
    listLayout->addLayout(top);
    listLayout->addWidget(m_grid, 1);
    listLayout->addLayout(buttons);

    QWidget *editPage = buildEditPage();
    editPage->setObjectName(editPageName);
    m_pages->addWidget(listPage);
    m_pages->addWidget(editPage);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);

    reloadList(0);
    showList();
}

QWidget *RecordWindow::editorFor(const FieldDef &field, QWidget *parent)
{
    QWidget *editor = nullptr;
    if (field.type == FieldType::Memo) {
        auto *memo = new QPlainTextEdit(parent);
        memo->setTabChangesFocus(true);
        editor = memo;
    } else {
        auto *edit = new QLineEdit(parent);
        edit->setMaxLength(field.maxLength > 0 ? field.maxLength : 32767);
        editor = edit;
    }
    editor->setObjectName(QStringLiteral("DBEdit") + field.name);
    m_editors.insert(field.name, editor);
    return editor;
}

QLineEdit *RecordWindow::lineEdit(const QString &field) const
{
    return qobject_cast<QLineEdit *>(m_editors.value(field));
}

void RecordWindow::loadEditors(const Record &record)
{
    m_loaded = record;
    for (auto it = m_editors.cbegin(); it != m_editors.cend(); ++it) {
        const QString text = record.value(it.key()).toString();
        if (auto *edit = qobject_cast<QLineEdit *>(it.value())) {
            edit->setText(text);
            edit->setModified(false);
        } else if (auto *memo = qobject_cast<QPlainTextEdit *>(it.value())) {
            memo->setPlainText(text);
        } else if (auto *combo = qobject_cast<QComboBox *>(it.value())) {
            combo->setCurrentIndex(-1);
            combo->setEditText(text);
        }
    }
}

Record RecordWindow::readEditors(Record base) const
{
    for (auto it = m_editors.cbegin(); it != m_editors.cend(); ++it) {
        QString text;
        if (auto *edit = qobject_cast<QLineEdit *>(it.value()))
            text = edit->text();
        else if (auto *memo = qobject_cast<QPlainTextEdit *>(it.value()))
            text = memo->toPlainText();
        else if (auto *combo = qobject_cast<QComboBox *>(it.value()))
            text = combo->currentText();
        if (text.isEmpty())
            base.remove(it.key());
        else
            base.insert(it.key(), text);
    }
    return base;
}

void RecordWindow::reloadList(int keepNumber)
{
    const int row = currentRow();
    m_list.load(m_file.database());
    m_model->reset();
    int target = keepNumber > 0 ? m_list.rowOfNumber(keepNumber) : -1;
    if (target < 0)
        target = std::min(row, m_list.size() - 1);
    setCurrentRow(std::max(target, m_list.size() > 0 ? 0 : -1));
}

int RecordWindow::currentRow() const
{
    if (!m_grid)
        return -1;
    const QModelIndex current = m_grid->currentIndex();
    return current.isValid() ? current.row() : (m_list.size() > 0 ? 0 : -1);
}

void RecordWindow::setCurrentRow(int row)
{
    if (row < 0 || row >= m_list.size())
        return;
    m_grid->setCurrentIndex(m_model->index(row, 0));
    m_grid->scrollTo(m_model->index(row, 0));
}

int RecordWindow::currentNumber() const
{
    const int row = currentRow();
    return row >= 0 && row < m_list.size() ? m_list.number(row) : 0;
}

void RecordWindow::positionByName(const QString &text)
{
    const int row = m_list.nearest(text);
    if (row >= 0)
        setCurrentRow(row);
}

void RecordWindow::showList()
{
    m_pages->setCurrentIndex(0);
    m_nameSearch->setFocus();
}

void RecordWindow::showEditPage()
{
    setWindowTitle(maintenanceCaption(m_actions.mode()));
    m_pages->setCurrentIndex(1);
    if (QWidget *first = m_editors.value(m_file.def().nameField))
        first->setFocus();
}

void RecordWindow::add()
{
    m_actions.beginAdd();
    Record blank;
    blank.insert(m_file.def().key, m_actions.number());
    showRecord(blank);
    showEditPage();
}

void RecordWindow::modify()
{
    if (m_list.size() == 0 || m_file.count() == 0) {
        add();
        return;
    }
    const int number = currentNumber();
    if (!m_actions.beginEdit(number, [this] { reloadList(0); }))
        return;
    const std::optional<Record> record = m_file.find(number);
    if (!record) {
        m_actions.cancel();
        reloadList(0);
        return;
    }
    showRecord(*record);
    showEditPage();
}

void RecordWindow::remove()
{
    if (m_list.size() == 0)
        return;
    const int row = currentRow();
    m_actions.remove(currentNumber(), [] {});
    reloadList(0);
    setCurrentRow(std::min(row, m_list.size() - 1));
}

void RecordWindow::accept()
{
    if (!editing()) {
        showList();
        return;
    }
    int stored = 0;
    try {
        stored = m_actions.accept(editedRecord());
    } catch (const AppError &e) {
        m_context.prompter.inform(e.message());
        return;
    }
    reloadList(stored);
    showList();
}

void RecordWindow::cancelEdit()
{
    m_actions.cancel();
    reloadList(currentNumber());
    showList();
}

bool RecordWindow::postPending()
{
    if (!editing())
        return true;
    try {
        m_actions.accept(editedRecord());
    } catch (const AppError &e) {
        m_context.prompter.inform(e.message());
        showEditPage();
        return false;
    }
    return true;
}

void RecordWindow::reject()
{
    // Escape on the editing page cancels the change, as "&Cancelar" does.
    if (editing() && m_pages->currentIndex() == 1) {
        cancelEdit();
        return;
    }
    done(QDialog::Rejected);
}

void RecordWindow::done(int result)
{
    if (!postPending())
        return;
    QDialog::done(result);
}

void RecordWindow::closeEvent(QCloseEvent *event)
{
    if (!postPending()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void RecordWindow::search()
{
    TFormBusCont window(
        m_list, [this] { return currentRow(); }, [this](int row) { setCurrentRow(row); }, m_context.prompter, this);
    window.exec();
}

void RecordWindow::showGridMenu(const QPoint &pos)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("Exportar a &Excel...."), this, &RecordWindow::exportExcel);
    menu.addAction(QStringLiteral("Exportar archivo &Outlook..."), this, &RecordWindow::exportVcards);
    menu.addAction(QStringLiteral("Enviar al &Portapapeles..."), this, &RecordWindow::copyToClipboard);
    menu.exec(m_grid->viewport()->mapToGlobal(pos));
}

void RecordWindow::exportExcel()
{
    const QString path = m_context.prompter.saveFileOfKind(
        QStringLiteral("Exportar a Excel"), QStringLiteral("Libro de Excel (*.xlsx)"), QStringLiteral(".xlsx"));
    if (path.isEmpty())
        return;
    WaitCursor wait;
    WriteXlsx(path, ListTable(m_list, listTitles()), m_caption);
}

void RecordWindow::exportVcards()
{
    const QString path = m_context.prompter.saveFileOfKind(QStringLiteral("Exportar archivo Outlook"),
                                                           QStringLiteral("Tarjetas de visita vCard (*.vcf)"),
                                                           QStringLiteral(".vcf"));
    if (path.isEmpty())
        return;
    WaitCursor wait;
    WriteFileAtomically(path, VCards(m_file.def(), m_file.all()));
}

void RecordWindow::copyToClipboard()
{
    QApplication::clipboard()->setText(TsvText(ListTable(m_list, listTitles())));
}

QStringList RecordWindow::listTitles() const
{
    QStringList titles;
    for (int c = 0; c < m_model->columnCount(); ++c)
        titles << m_model->headerData(c, Qt::Horizontal).toString();
    return titles;
}

bool RecordWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A click in the name search selects its whole text, ready to type another name.
    if (watched == m_nameSearch && event->type() == QEvent::MouseButtonRelease)
        QMetaObject::invokeMethod(m_nameSearch, &QLineEdit::selectAll, Qt::QueuedConnection);
    return QDialog::eventFilter(watched, event);
}
