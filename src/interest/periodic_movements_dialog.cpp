#include "interest/periodic_movements_dialog.h"

#include "core/date_text.h"
#include "core/errors.h"
#include "core/number_text.h"
#include "interest/number_edit.h"
#include "store/app_context.h"
#include "widgets/application.h"
#include "widgets/wait_cursor.h"
#include "widgets/dialog_buttons.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QStringList &DayItems()
{
    static const QStringList items = {QStringLiteral("Primer día del Mes"), QStringLiteral("Último día del Mes"),
                                      QStringLiteral("Día 15 de cada Mes")};
    return items;
}

std::optional<int> WholeNumber(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

TFormPagPer::TFormPagPer(AppContext &context, const QString &kind, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_kind(kind == EntryKind ? EntryKind : PaymentKind)
    , m_count(new QSpinBox(this))
    , m_amount(new NumberEdit(context.prompter, this))
    , m_month(new QComboBox(this))
    , m_year(new QSpinBox(this))
    , m_day(new QComboBox(this))
{
    const bool payments = m_kind == PaymentKind;
    setObjectName(QStringLiteral("FormPagPer"));
    setWindowTitle(payments ? QStringLiteral("Alta de Pagos Parciales Periódicos") : QStringLiteral("Alta de Entradas Periódicas"));

    const QDate today = QDate::currentDate();
    m_count->setObjectName(QStringLiteral("SpinEdit1"));
    m_count->setRange(1, 1000);
    m_count->setValue(1);
    m_amount->setObjectName(QStringLiteral("EditIMPORTE"));
    m_amount->setText(QStringLiteral("0"));
    m_amount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_month->setObjectName(QStringLiteral("ComboMES"));
    for (int month = 1; month <= 12; ++month)
        m_month->addItem(SpanishMonthName(month));
    m_month->setCurrentIndex(today.month() - 1);
    m_year->setObjectName(QStringLiteral("SpinYEAR"));
    m_year->setRange(1, 3000);
    m_year->setValue(today.year());
    m_day->setObjectName(QStringLiteral("ComboDIA"));
    m_day->setEditable(true);
    m_day->setInsertPolicy(QComboBox::NoInsert);
    m_day->addItems(DayItems());
    m_day->setCurrentIndex(-1);
    m_day->setEditText(QStringLiteral("1"));
    m_day->lineEdit()->installEventFilter(this);

    auto *form = new QFormLayout;
    form->addRow(payments ? QStringLiteral("Núm. Pagos:") : QStringLiteral("Núm. Entradas:"), m_count);
    form->addRow(payments ? QStringLiteral("Importe Pagos:") : QStringLiteral("Importe Entrada:"), m_amount);
    form->addRow(QStringLiteral("Desde Mes:"), m_month);
    form->addRow(QStringLiteral("Desde Año:"), m_year);
    form->addRow(payments ? QStringLiteral("Día de Pagos") : QStringLiteral("Día de Entrada"), m_day);

    const DialogButtons buttons = AcceptCancelRow(this, QStringLiteral(" &Aceptar"));
    buttons.cancel->setAutoDefault(false);
    connect(buttons.accept, &QPushButton::clicked, this, &TFormPagPer::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
    m_count->setFocus();
}

PeriodicSeries TFormPagPer::series() const
{
    PeriodicSeries s;
    s.count = m_count->value();
    s.month = m_month->currentIndex() + 1;
    s.year = m_year->value();
    s.kind = m_kind;
    s.amount = m_amount->text().trimmed().isEmpty() ? 0.0 : m_amount->value().value_or(0.0);
    const QString day = m_day->currentText();
    if (day == DayItems().at(0)) {
        s.day = PeriodicSeries::Day::First;
    } else if (day == DayItems().at(1)) {
        s.day = PeriodicSeries::Day::Last;
    } else if (day == DayItems().at(2)) {
        s.day = PeriodicSeries::Day::Fifteenth;
    } else {
        s.day = PeriodicSeries::Day::Number;
        s.dayNumber = WholeNumber(day).value_or(1);
    }
    return s;
}

bool TFormPagPer::validateDay()
{
    const QString day = m_day->currentText();
    if (DayItems().contains(day) || WholeNumber(day))
        return true;
    m_context.prompter.inform(QStringLiteral("El día introducido no es un día válido."));
    m_day->setCurrentIndex(0);
    QTimer::singleShot(0, m_day, [day = m_day] { day->setFocus(); });
    return false;
}

void TFormPagPer::accept()
{
    // Keyboard shortcuts leave the edits without their own checks.
    if (!m_amount->text().trimmed().isEmpty() && !m_amount->validate())
        return;
    if (!validateDay())
        return;
    const PeriodicSeries s = series();
    if (const auto refusal = PeriodicSeriesRefusal(s)) {
        m_context.prompter.inform(refusal->message);
        (refusal->onAmount ? static_cast<QWidget *>(m_amount) : m_year)->setFocus();
        return;
    }
    std::optional<QDate> refused;
    try {
        const WaitCursor wait;
        refused = AddPeriodicMovements(m_context.store.database(Alias::Devenix), s).refusedAt;
    } catch (const AppError &e) {
        ShowStandardError(m_context.prompter, e.message());
    }
    if (refused)
        m_context.prompter.inform(DuplicateMovementMessage);
    QDialog::accept();
}

bool TFormPagPer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_day->lineEdit() && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            validateDay();
    }
    return QDialog::eventFilter(watched, event);
}
