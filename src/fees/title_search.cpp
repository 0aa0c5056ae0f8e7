#include "fees/title_search.h"

#include "fees/criteria.h"
#include "widgets/list_grid.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

class MatchesModel final : public QAbstractTableModel
{
public:
    explicit MatchesModel(std::vector<TitleMatch> matches, QObject *parent)
        : QAbstractTableModel(parent)
        , m_matches(std::move(matches))
    {
    }
    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_matches.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 1; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        return m_matches[static_cast<std::size_t>(index.row())].titulo;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
            return QStringLiteral("Título");
        return {};
    }
    int idAt(int row) const { return m_matches[static_cast<std::size_t>(row)].id; }

private:
    std::vector<TitleMatch> m_matches;
};

QPushButton *Button(const QString &text, const char *name, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

} // namespace

std::optional<int> RunTitleSearch(QWidget *parent, const QSqlDatabase &modulo)
{
    QDialog ask(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint); // no close box
    ask.setObjectName(QStringLiteral("formBuscar"));
    ask.setWindowTitle(QStringLiteral("Búsqueda"));
    auto *edit = new QLineEdit(&ask);
    edit->setObjectName(QStringLiteral("Edit1"));
    auto *accept = Button(QStringLiteral("&Aceptar"), "BitBtn1", &ask);
    auto *cancel = Button(QStringLiteral("&Cancelar"), "BitBtn2", &ask);
    accept->setDefault(true); // Enter in the edit accepts
    cancel->setAutoDefault(false);
    QObject::connect(accept, &QPushButton::clicked, &ask, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &ask, &QDialog::reject);
    auto *askLayout = new QVBoxLayout(&ask);
    askLayout->addWidget(new QLabel(QStringLiteral("Buscar el siguiente texto en el campo Título:"), &ask));
    askLayout->addWidget(edit);
    auto *askButtons = new QHBoxLayout;
    askButtons->addStretch();
    askButtons->addWidget(accept);
    askButtons->addWidget(cancel);
    askLayout->addLayout(askButtons);
    if (ask.exec() != QDialog::Accepted)
        return std::nullopt;

    QDialog result(parent);
    result.setObjectName(QStringLiteral("formResBus"));
    result.setWindowTitle(QStringLiteral("Resultado Búsqueda"));
    result.resize(640, 420);
    auto *model = new MatchesModel(SearchCriterionTitles(modulo, edit->text()), &result);
    auto *grid = new QTableView(&result);
    grid->setObjectName(QStringLiteral("DBGrid1"));
    SetUpListGrid(grid, model);
    grid->horizontalHeader()->setStretchLastSection(true);
    if (model->rowCount() > 0)
        grid->selectRow(0);
    auto *select = Button(QStringLiteral("S&eleccionar"), "BitBtn1", &result);
    auto *close = Button(QStringLiteral("&Salir"), "BitBtn2", &result);
    select->setDefault(true);
    std::optional<int> chosen;
    const auto take = [&] {
        const QModelIndex current = grid->currentIndex();
        if (!current.isValid())
            return;
        chosen = model->idAt(current.row());
        result.accept();
    };
    QObject::connect(select, &QPushButton::clicked, &result, take);
    QObject::connect(grid, &QTableView::doubleClicked, &result, take);
    QObject::connect(close, &QPushButton::clicked, &result, &QDialog::reject);
    auto *layout = new QVBoxLayout(&result);
    layout->addWidget(grid);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(select);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    result.exec();
    return chosen;
}
