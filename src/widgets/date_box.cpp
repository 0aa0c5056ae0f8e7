#include "widgets/date_box.h"

#include "core/date_text.h"
#include "core/prompter.h"

#include <QCalendarWidget>
#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The text without the input mask's separators and blanks tells whether anything was typed.
bool IsBlank(const QString &text)
{
    for (const QChar c : text) {
        if (c.isDigit())
            return false;
    }
    return true;
}

class CalendarDialog final : public QDialog
{
public:
    explicit CalendarDialog(const QDate &start, QWidget *parent)
        : QDialog(parent)
    {
        setWindowTitle(QStringLiteral("Seleccione Fecha"));
        setObjectName(QStringLiteral("CalendarioFecha"));
        m_calendar = new QCalendarWidget(this);
        m_calendar->setObjectName(QStringLiteral("Calendario"));
        m_calendar->setLocale(QLocale(QLocale::Spanish, QLocale::Spain));
        m_calendar->setFirstDayOfWeek(Qt::Monday);
        m_calendar->setSelectedDate(start.isValid() ? start : QDate::currentDate());
        if (auto *prev = m_calendar->findChild<QToolButton *>(QStringLiteral("qt_calendar_prevmonth")))
            prev->setToolTip(QStringLiteral("Mes Anterior"));
        if (auto *next = m_calendar->findChild<QToolButton *>(QStringLiteral("qt_calendar_nextmonth")))
            next->setToolTip(QStringLiteral("Mes Siguiente"));
        auto *prevYear = new QPushButton(QStringLiteral("<<"), this);
        prevYear->setToolTip(QStringLiteral("Año Anterior"));
        auto *nextYear = new QPushButton(QStringLiteral(">>"), this);
        nextYear->setToolTip(QStringLiteral("Año Siguiente"));
        connect(prevYear, &QPushButton::clicked, this, [this] { shiftYear(-1); });
        connect(nextYear, &QPushButton::clicked, this, [this] { shiftYear(1); });
        auto *ok = new QPushButton(QStringLiteral("&Aceptar"), this);
        auto *cancel = new QPushButton(QStringLiteral("&Cancelar"), this);
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(m_calendar, &QCalendarWidget::activated, this, &QDialog::accept);
        auto *years = new QHBoxLayout;
        years->addWidget(prevYear);
        years->addStretch();
        years->addWidget(nextYear);
        auto *buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(ok);
        buttons->addWidget(cancel);
        auto *layout = new QVBoxLayout(this);
        layout->addLayout(years);
        layout->addWidget(m_calendar);
        layout->addLayout(buttons);
    }

    QDate date() const { return m_calendar->selectedDate(); }

private:
    void shiftYear(int years)
    {
        m_calendar->setSelectedDate(m_calendar->selectedDate().addYears(years));
    }

    QCalendarWidget *m_calendar;
};

} // namespace

DateBox::DateBox(QWidget *parent)
    : QWidget(parent)
    , m_edit(new QLineEdit(this))
    , m_button(new QToolButton(this))
{
    m_edit->setObjectName(QStringLiteral("texto"));
    m_edit->setInputMask(QStringLiteral("99/99/9999;_"));
    m_button->setObjectName(QStringLiteral("calendario"));
    m_button->setText(QStringLiteral("..."));
    m_button->setFocusPolicy(Qt::NoFocus);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(m_edit);
    layout->addWidget(m_button);
    setFocusProxy(m_edit);
    m_edit->installEventFilter(this);
    connect(m_button, &QToolButton::clicked, this, &DateBox::openCalendar);
    connect(m_edit, &QLineEdit::textChanged, this, &DateBox::onTextEdited);
}

QDate DateBox::date() const
{
    return ParseDate(m_edit->text());
}

void DateBox::setDate(const QDate &date)
{
    m_edit->setText(FormatDate(date));
}

QString DateBox::text() const
{
    return IsBlank(m_edit->text()) ? QString() : m_edit->text();
}

void DateBox::setText(const QString &text)
{
    m_edit->setText(text);
}

void DateBox::clear()
{
    m_edit->clear();
}

void DateBox::setReadOnly(bool readOnly)
{
    m_edit->setReadOnly(readOnly);
    m_button->setEnabled(!readOnly);
}

void DateBox::onTextEdited()
{
    const QDate d = date();
    if (d.isValid() && d != m_lastDate) {
        m_lastDate = d;
        emit dateChanged(d);
    }
}

bool DateBox::validate()
{
    if (text().isEmpty() ? m_allowEmpty : date().isValid())
        return true;
    if (m_validating)
        return false;
    m_validating = true;
    const QString shown = m_edit->text();
    if (m_prompter)
        m_prompter->error(QStringLiteral("\"%1\" no es una fecha válida.").arg(shown));
    m_validating = false;
    QTimer::singleShot(0, m_edit, [edit = m_edit] {
        edit->setFocus();
        edit->selectAll();
    });
    return false;
}

void DateBox::openCalendar()
{
    if (m_edit->isReadOnly())
        return;
    CalendarDialog dialog(date(), this);
    if (dialog.exec() == QDialog::Accepted) {
        setDate(dialog.date());
        emit editingFinished();
    }
}

bool DateBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::FocusOut && !m_validating && !m_edit->isReadOnly()) {
            if (validate())
                emit editingFinished();
        } else if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Down && key->modifiers() & Qt::AltModifier) {
                openCalendar();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
