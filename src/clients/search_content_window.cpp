#include "clients/search_content_window.h"

#include "clients/record_file.h"
#include "core/prompter.h"
#include "widgets/wait_cursor.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

TFormBusCont::TFormBusCont(const RecordList &list, std::function<int()> currentRow,
                           std::function<void(int)> setCurrentRow, Prompter &prompter, QWidget *parent)
    : QDialog(parent)
    , m_list(list)
    , m_currentRow(std::move(currentRow))
    , m_setCurrentRow(std::move(setCurrentRow))
    , m_prompter(prompter)
{
    setObjectName(QStringLiteral("FormBusCont"));
    setWindowTitle(QStringLiteral("Búsqueda por Contenido"));
    const std::array<const char *, 3> names{"EditBUSQUEDA", "EditTELEFONO", "EditNIF"};
    auto *layout = new QVBoxLayout(this);
    for (int i = 0; i < 3; ++i) {
        const QString word = m_list.def().searchWords.value(i);
        auto *label = new QLabel(QStringLiteral("Caracteres que pueden aparecer en el campo ") + word, this);
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(names[static_cast<std::size_t>(i)]));
        label->setBuddy(edit);
        m_edits[static_cast<std::size_t>(i)] = edit;
        connect(edit, &QLineEdit::textEdited, this, [this, i] { edited(i); });
        layout->addWidget(label);
        layout->addWidget(edit);
        if (word.isEmpty()) {
            label->hide();
            edit->setEnabled(false);
        }
    }
    m_first = new QPushButton(QStringLiteral("&Primero"), this);
    m_first->setObjectName(QStringLiteral("BtnPrimero"));
    m_next = new QPushButton(QStringLiteral("&Siguiente"), this);
    m_next->setObjectName(QStringLiteral("BtnSiguiente"));
    auto *close = new QPushButton(QStringLiteral("&Cerrar"), this);
    close->setObjectName(QStringLiteral("BtnCerrar"));
    m_first->setDefault(true);
    m_next->setEnabled(false);
    connect(m_first, &QPushButton::clicked, this, &TFormBusCont::findFirst);
    connect(m_next, &QPushButton::clicked, this, &TFormBusCont::findNext);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_first);
    buttons->addWidget(m_next);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
}

void TFormBusCont::edited(int which)
{
    QLineEdit *edit = m_edits[static_cast<std::size_t>(which)];
    // The edits take lower case, as the search compares.
    const int caret = edit->cursorPosition();
    edit->setText(edit->text().toLower());
    edit->setCursorPosition(caret);
    for (int i = 0; i < 3; ++i) {
        if (i != which) {
            const QSignalBlocker blocker(m_edits[static_cast<std::size_t>(i)]);
            m_edits[static_cast<std::size_t>(i)]->clear();
        }
    }
    m_first->setDefault(true);
    m_next->setDefault(false);
    if (which == 0)
        m_next->setEnabled(false);
}

std::pair<int, QString> TFormBusCont::criterion() const
{
    for (int i = 0; i < 3; ++i) {
        const QString text = m_edits[static_cast<std::size_t>(i)]->text();
        if (!text.isEmpty())
            return {i, text};
    }
    return {-1, {}};
}

void TFormBusCont::findFrom(int row, const QString &notFound)
{
    const auto [which, text] = criterion();
    int found = -1;
    if (which >= 0) {
        WaitCursor wait;
        const int column = static_cast<int>(m_list.def().listFields.indexOf(m_list.def().searchFields.at(which)));
        found = m_list.findContaining(row, column, text);
    }
    if (found < 0) {
        m_prompter.inform(notFound);
        return;
    }
    m_setCurrentRow(found);
    m_next->setEnabled(true);
    m_next->setDefault(true);
    m_first->setDefault(false);
}

void TFormBusCont::findFirst()
{
    findFrom(0, QStringLiteral("No existe ningún registro con los caracteres introducidos."));
}

void TFormBusCont::findNext()
{
    findFrom(m_currentRow() + 1, QStringLiteral("Se ha llegado al final de la base de datos."));
}
