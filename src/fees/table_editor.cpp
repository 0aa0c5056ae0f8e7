#include "fees/table_editor.h"

#include "core/errors.h"
#include "core/number_text.h"
#include "fees/criterion_record.h"
#include "fees/region_selection.h"
#include "fees/scale_tables.h"
#include "store/app_context.h"
#include "store/sql.h"
#include "widgets/application.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

bool IsTextColumn(const QModelIndex &index)
{
    const auto *model = qobject_cast<const QSqlTableModel *>(index.model());
    return model && model->record().field(index.column()).metaType().id() == QMetaType::QString;
}

// Numbers in the grid: shown with a decimal comma, typed with a comma or a point, and refused
// with a Spanish message when they are not numbers (SQLite would keep the text).
class NumberDelegate final : public QStyledItemDelegate
{
public:
    NumberDelegate(Prompter &prompter, QObject *parent)
        : QStyledItemDelegate(parent)
        , m_prompter(prompter)
    {
    }

    QString displayText(const QVariant &value, const QLocale &locale) const override
    {
        if (value.isNull())
            return {};
        bool ok = false;
        const double number = value.toDouble(&ok);
        return ok ? FormatGeneral(number) : QStyledItemDelegate::displayText(value, locale);
    }
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!IsTextColumn(index))
            option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        if (IsTextColumn(index)) {
            QStyledItemDelegate::setEditorData(editor, index);
            return;
        }
        if (auto *edit = qobject_cast<QLineEdit *>(editor))
            edit->setText(displayText(index.data(Qt::EditRole), {}));
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        auto *edit = qobject_cast<QLineEdit *>(editor);
        if (!edit)
            return;
        if (IsTextColumn(index)) {
            model->setData(index, edit->text().isEmpty() ? QVariant() : QVariant(edit->text()));
            return;
        }
        try {
            const std::optional<double> value = ParseFieldNumber(edit->text());
            model->setData(index, value ? QVariant(*value) : QVariant());
        } catch (const AppError &e) {
            m_prompter.error(e.message());
        }
    }
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return new QLineEdit(parent);
    }

private:
    Prompter &m_prompter;
};

QString DatabaseMessage(const QSqlError &error)
{
    const QString text = error.databaseText();
    if (text.contains(QLatin1String("UNIQUE"), Qt::CaseInsensitive))
        return QStringLiteral("Ya existe una fila con ese número.");
    if (text.contains(QLatin1String("NOT NULL"), Qt::CaseInsensitive))
        return QStringLiteral("Falta un valor obligatorio en la fila.");
    if (text.contains(QLatin1String("locked"), Qt::CaseInsensitive) || text.contains(QLatin1String("busy")))
        return QStringLiteral("Los datos están siendo usados por otro programa. Inténtelo más tarde.");
    return QStringLiteral("No se ha podido guardar la fila en la base de datos.");
}

QToolButton *NavButton(const char *name, const QString &glyph, const QString &tip, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(glyph);
    b->setToolTip(tip);
    b->setAutoRaise(true);
    b->setMinimumWidth(28);
    return b;
}

} // namespace

TFormTablas::TFormTablas(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_tables(new QComboBox(this))
    , m_grid(new QTableView(this))
    , m_extraPorc(new QLineEdit(this))
    , m_extraFijo(new QLineEdit(this))
{
    setObjectName(QStringLiteral("FormTablas"));
    setWindowTitle(QStringLiteral("Editar Tabla"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    resize(900, 600);
    setWindowState(Qt::WindowMaximized);

    m_tables->setObjectName(QStringLiteral("DBLookupComboBox1"));
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setItemDelegate(new NumberDelegate(m_context.prompter, m_grid));
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 8);
    m_extraPorc->setObjectName(QStringLiteral("DBEdit1"));
    m_extraFijo->setObjectName(QStringLiteral("DBEdit2"));

    std::vector<TableRegisterRow> rows = TableRegister(ActiveModule(m_context));
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TableRegisterRow &a, const TableRegisterRow &b) { return a.nombreTabla < b.nombreTabla; });
    for (const TableRegisterRow &row : rows)
        m_tables->addItem(row.nombreTabla, row.id);
    m_tables->setCurrentIndex(-1);
    connect(m_tables, &QComboBox::activated, this, [this](int index) { chooseTable(m_tables->itemData(index).toInt()); });
    connect(m_extraPorc, &QLineEdit::editingFinished, this, [this] { storeExtra(m_extraPorc, "ExtraPorc"); });
    connect(m_extraFijo, &QLineEdit::editingFinished, this, [this] { storeExtra(m_extraFijo, "ExtraFijo"); });

    auto *navigator = new QWidget(this);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    auto *nav = new QHBoxLayout(navigator);
    nav->setContentsMargins(0, 0, 0, 0);
    const auto navButton = [&](const char *name, const QString &glyph, const QString &tip, auto run) {
        auto *b = NavButton(name, glyph, tip, navigator);
        connect(b, &QToolButton::clicked, this, run);
        nav->addWidget(b);
    };
    navButton("nbFirst", QStringLiteral("|◀"), QStringLiteral("Primera fila"), [this] { first(); });
    navButton("nbPrior", QStringLiteral("◀"), QStringLiteral("Fila anterior"), [this] { previous(); });
    navButton("nbNext", QStringLiteral("▶"), QStringLiteral("Fila siguiente"), [this] { next(); });
    navButton("nbLast", QStringLiteral("▶|"), QStringLiteral("Última fila"), [this] { last(); });
    navButton("nbInsert", QStringLiteral("+"), QStringLiteral("Insertar fila"), [this] { insertRow(); });
    navButton("nbDelete", QStringLiteral("−"), QStringLiteral("Borrar fila"), [this] { deleteRow(); });
    navButton("nbPost", QStringLiteral("✔"), QStringLiteral("Guardar"), [this] { storeRows(); });
    navButton("nbCancel", QStringLiteral("✖"), QStringLiteral("Cancelar los cambios"), [this] { cancelRows(); });
    nav->addStretch();

    auto *close = new QPushButton(QStringLiteral("&Salir"), this);
    close->setObjectName(QStringLiteral("BitBtn1"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Tabla/Ref:"), this), 0, 0);
    top->addWidget(m_tables, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("% Extra Tabla/Ref:"), this), 0, 2);
    top->addWidget(m_extraPorc, 0, 3);
    top->addWidget(new QLabel(QStringLiteral("Extra Fijo Tabla/Ref:"), this), 0, 4);
    top->addWidget(m_extraFijo, 0, 5);
    top->setColumnStretch(1, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(navigator);
    bottom->addStretch();
    bottom->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_grid);
    layout->addLayout(bottom);
    showExtras();
}

void TFormTablas::closeTable()
{
    if (m_model)
        m_model->revertAll();
    m_grid->setModel(nullptr);
    delete m_model;
    m_model = nullptr;
}

bool TFormTablas::chooseTable(int id)
{
    closeTable();
    m_tableId = id;
    const int index = m_tables->findData(id);
    if (index >= 0)
        m_tables->setCurrentIndex(index);
    showExtras();
    if (id == 0)
        return false;
    const QSqlDatabase modulo = m_context.store.database(Alias::Modulo);
    if (!TipoTableExists(modulo, id)) {
        m_context.prompter.error(QStringLiteral("La tabla %1 no existe en el módulo de la región.").arg(id));
        return false;
    }
    auto *model = new QSqlTableModel(this, modulo);
    model->setTable(ModelTableName(modulo, TipoTableName(id)));
    model->setEditStrategy(QSqlTableModel::OnManualSubmit);
    model->setSort(0, Qt::AscendingOrder);
    if (!model->select()) {
        m_context.prompter.error(QStringLiteral("No se ha podido abrir la tabla %1: %2").arg(id).arg(DatabaseMessage(model->lastError())));
        delete model;
        return false;
    }
    while (model->canFetchMore())
        model->fetchMore();
    try {
        if (const auto titles = ColumnTitles(m_context.session.moduleDir, id)) {
            for (int c = 0; c < model->columnCount() && c < titles->size(); ++c)
                model->setHeaderData(c, Qt::Horizontal, titles->at(c));
        }
    } catch (...) {
        ReportCurrentException(m_context.prompter);
    }
    m_model = model;
    m_grid->setModel(model);
    m_grid->setColumnHidden(0, true);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TFormTablas::rowChanged);
    if (model->rowCount() > 0)
        m_grid->setCurrentIndex(model->index(0, 1));
    return true;
}

void TFormTablas::showExtras()
{
    const auto row = m_tableId != 0 ? FindTableRow(m_context.store.database(Alias::Modulo), m_tableId) : std::nullopt;
    m_extraPorc->setEnabled(row.has_value());
    m_extraFijo->setEnabled(row.has_value());
    m_extraPorc->setText(row && row->extraPorc != 0 ? FormatGeneral(row->extraPorc) : QString());
    m_extraFijo->setText(row && row->extraFijo != 0 ? FormatGeneral(row->extraFijo) : QString());
}

void TFormTablas::storeExtra(QLineEdit *edit, const char *field)
{
    if (m_tableId == 0 || !edit->isModified())
        return;
    try {
        const std::optional<double> value = ParseFieldNumber(edit->text());
        RunSql(m_context.store.database(Alias::Modulo),
               QStringLiteral("UPDATE tablas SET %1 = ? WHERE Id = ?").arg(QLatin1String(field)),
               {value ? QVariant(*value) : QVariant(), m_tableId});
        edit->setModified(false);
    } catch (const AppError &e) {
        m_context.prompter.error(e.message());
        showExtras();
    }
}

void TFormTablas::rowChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (!m_model || !previous.isValid() || current.row() == previous.row() || !m_model->isDirty())
        return;
    if (!storeRows()) {
        // The row that failed stays the one being edited.
        const QSignalBlocker block(m_grid->selectionModel());
        m_grid->setCurrentIndex(previous);
    }
}

void TFormTablas::goTo(int row)
{
    if (!m_model || m_model->rowCount() == 0)
        return;
    row = std::clamp(row, 0, m_model->rowCount() - 1);
    const int column = std::max(1, m_grid->currentIndex().column());
    m_grid->setCurrentIndex(m_model->index(row, column));
}

void TFormTablas::first()
{
    goTo(0);
}

void TFormTablas::previous()
{
    goTo(m_grid->currentIndex().row() - 1);
}

void TFormTablas::next()
{
    goTo(m_grid->currentIndex().row() + 1);
}

void TFormTablas::last()
{
    goTo(m_model ? m_model->rowCount() - 1 : 0);
}

void TFormTablas::insertRow()
{
    if (!m_model || (m_model->isDirty() && !storeRows()))
        return;
    const int row = m_grid->currentIndex().isValid() ? m_grid->currentIndex().row() + 1 : m_model->rowCount();
    m_model->insertRow(row);
    const QSignalBlocker block(m_grid->selectionModel());
    m_grid->setCurrentIndex(m_model->index(row, 1));
}

void TFormTablas::deleteRow()
{
    const QModelIndex current = m_grid->currentIndex();
    if (!m_model || !current.isValid())
        return;
    if (!m_context.prompter.askYesNo(QStringLiteral("¿Borrar la fila seleccionada?")))
        return;
    m_model->removeRow(current.row());
    storeRows();
}

bool TFormTablas::storeRows()
{
    if (!m_model || !m_model->isDirty())
        return true;
    if (m_model->submitAll())
        return true;
    m_context.prompter.error(DatabaseMessage(m_model->lastError()));
    return false;
}

void TFormTablas::cancelRows()
{
    if (m_model)
        m_model->revertAll();
}

void TFormTablas::done(int result)
{
    closeTable();
    QDialog::done(result);
}

void OpenTableEditor(AppContext &context, QWidget *parent)
{
    TFormTablas window(context, parent);
    window.exec();
}
