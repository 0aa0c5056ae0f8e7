#include "interest/settlement_view_window.h"

#include "core/errors.h"
#include "interest/rate_table.h"
#include "interest/settlement_rows_model.h"
#include "store/app_context.h"
#include "widgets/application.h"
#include "widgets/wait_cursor.h"
#include "widgets/list_grid.h"

#include <QHBoxLayout>

#include <algorithm>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QLabel *TotalLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(QStringLiteral("0,00"), parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QPushButton *Button(const QString &text, const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// The client area of a window in global coordinates: below its menu bar when it has one.
QRect ClientArea(QWidget *window)
{
    QRect area = window->rect();
    if (auto *main = qobject_cast<QMainWindow *>(window)) {
        if (QWidget *menu = main->menuWidget(); menu && menu->isVisible())
            area.setTop(menu->geometry().bottom() + 1);
    }
    return {window->mapToGlobal(area.topLeft()), area.size()};
}

} // namespace

TFormInterVi::TFormInterVi(AppContext &context, QWidget *mainWindow)
    : QDialog(mainWindow)
    , m_context(context)
    , m_mainWindow(mainWindow)
    , m_model(new SettlementRowsModel(this))
    , m_grid(new QTableView(this))
    , m_capital(TotalLabel(QStringLiteral("LabelCAPITAL"), this))
    , m_interest(TotalLabel(QStringLiteral("LabelTOTINTER"), this))
    , m_payments(TotalLabel(QStringLiteral("LabelTOTPAGOS"), this))
    , m_entries(TotalLabel(QStringLiteral("LabelTOTENTRADAS"), this))
    , m_total(TotalLabel(QStringLiteral("LabelTOTAL"), this))
    , m_store(Button(QStringLiteral("&Grabar"), QStringLiteral("BtnGrabar"), this))
    , m_print(Button(QStringLiteral("  &Imprimir"), QStringLiteral("BtnImprimir"), this))
{
    setObjectName(QStringLiteral("FormInterVi"));
    setWindowTitle(QStringLiteral("Vista de la Liquidación"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    SetUpListGrid(m_grid, m_model);
    const QFontMetrics metrics = m_grid->fontMetrics();
    const int dateWidth = metrics.horizontalAdvance(QStringLiteral("00/00/00000")) + 24;
    const int amountWidth = metrics.horizontalAdvance(QStringLiteral("000.000.000.000,00")) + 24;
    m_grid->setColumnWidth(SettlementRowsModel::Desde, dateWidth);
    m_grid->setColumnWidth(SettlementRowsModel::Hasta, dateWidth);
    m_grid->setColumnWidth(SettlementRowsModel::Dias, metrics.horizontalAdvance(QStringLiteral("000000")) + 24);
    m_grid->setColumnWidth(SettlementRowsModel::Capital, amountWidth);
    m_grid->setColumnWidth(SettlementRowsModel::Interes, metrics.horizontalAdvance(QStringLiteral("% Interés")) + 24);
    m_grid->setColumnWidth(SettlementRowsModel::Total, amountWidth);
    // The columns share the window's width; none gets narrower than its content needs.
    QHeaderView *header = m_grid->horizontalHeader();
    header->setMinimumSectionSize(std::min(dateWidth, metrics.horizontalAdvance(QStringLiteral("% Interés")) + 24));
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Stretch);

    // Read left to right as a sum: capital + interest - payments + entries = total.
    auto *strip = new QHBoxLayout;
    const auto text = [this](const char *t) { return new QLabel(QString::fromUtf8(t), this); };
    strip->addWidget(text("Capital Inicial:"));
    strip->addWidget(m_capital);
    strip->addWidget(text("+"));
    strip->addWidget(text("Intereses:"));
    strip->addWidget(m_interest);
    strip->addWidget(text("-"));
    strip->addWidget(text("Pagos:"));
    strip->addWidget(m_payments);
    strip->addWidget(text("+"));
    strip->addWidget(text("Entradas:"));
    strip->addWidget(m_entries);
    strip->addWidget(text("="));
    strip->addWidget(text("Total:"));
    strip->addWidget(m_total);
    strip->addStretch();

    auto *back = Button(QStringLiteral("  &Volver"), QStringLiteral("BtnVolver"), this);
    back->setDefault(true);
    m_store->setEnabled(false);
    m_print->setEnabled(false);
    connect(m_store, &QPushButton::clicked, this, [this] { runHandler(m_storeHandler); });
    connect(m_print, &QPushButton::clicked, this, [this] { runHandler(m_printHandler); });
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_store);
    buttons->addWidget(m_print);
    buttons->addStretch();
    buttons->addWidget(back);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addLayout(strip);
    layout->addLayout(buttons);

    coverClientArea();
    m_grid->setFocus();
}

void TFormInterVi::setSettlement(const SettlementInput &input, SettlementResult result)
{
    m_input = input;
    m_result = std::move(result);
    m_model->setRows(m_result.rows);
    const SettlementTotalsTexts texts = TotalsTexts(m_input, m_result);
    m_capital->setText(texts.capital);
    m_interest->setText(texts.interest);
    m_payments->setText(texts.payments);
    m_entries->setText(texts.entries);
    m_total->setText(texts.total);
    if (m_model->rowCount() > 0)
        m_grid->selectRow(0);
}

void TFormInterVi::setStoreHandler(std::function<void(TFormInterVi &)> handler)
{
    m_storeHandler = std::move(handler);
    m_store->setEnabled(static_cast<bool>(m_storeHandler));
}

void TFormInterVi::setPrintHandler(std::function<void(TFormInterVi &)> handler)
{
    m_printHandler = std::move(handler);
    m_print->setEnabled(static_cast<bool>(m_printHandler));
}

void TFormInterVi::setActions(const SettlementViewActions &actions)
{
    setStoreHandler(actions.store);
    setPrintHandler(actions.print);
}

void TFormInterVi::runHandler(const std::function<void(TFormInterVi &)> &handler)
{
    if (handler)
        handler(*this);
}

void TFormInterVi::coverClientArea()
{
    if (!m_mainWindow) {
        resize(900, 600);
        return;
    }
    const QRect area = ClientArea(m_mainWindow);
    move(area.topLeft()); // the frame's corner
    resize(area.size());
}

void TFormInterVi::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_mainWindow)
        return;
    // Only a shown window knows its frame: the outer size, frame included, is the client area.
    const QRect area = ClientArea(m_mainWindow);
    const QSize frame = frameGeometry().size() - geometry().size();
    move(area.topLeft());
    resize(area.size() - frame);
}

bool ViewSettlement(AppContext &context, QWidget *mainWindow, const SettlementInput &input,
                    const SettlementViewActions &actions)
{
    SettlementResult result;
    try {
        const WaitCursor wait;
        result = ComputeSettlement(input, LoadRatePeriods(context.store.database(Alias::Devenix)));
    } catch (const AppError &e) {
        ShowStandardError(context.prompter, e.message());
        return false;
    }
    for (const QString &message : std::as_const(result.messages))
        context.prompter.inform(message);
    TFormInterVi view(context, mainWindow);
    view.setSettlement(input, std::move(result));
    view.setActions(actions);
    view.exec();
    return true;
}
