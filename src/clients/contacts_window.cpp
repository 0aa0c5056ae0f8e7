#include "clients/contacts_window.h"

#include "core/prompter.h"
#include "core/spanish_ids.h"
#include "platform/desktop_links.h"
#include "store/app_context.h"
#include "widgets/form_is_open.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kNifLabel = QStringLiteral("N.I.F.:");

} // namespace

TFormCorConPral::TFormCorConPral(AppContext &context, QWidget *parent)
    : RecordWindow(context, ContactsFile(),
                   {QStringLiteral("Nombre"), QStringLiteral("Correo Electrónico"), QStringLiteral("NIF"),
                    QStringLiteral("Telefono1"), QStringLiteral("Fax"), QStringLiteral("Movil")},
                   parent)
{
    setObjectName(QStringLiteral("FormCorConPral"));
    setUp(QStringLiteral("Contactos"), QStringLiteral("TsCorCon"), QStringLiteral("TsCorCoMa"));
}

QWidget *TFormCorConPral::buildEditPage()
{
    const TableDef &def = ContactsFile();
    auto *page = new QWidget;
    auto *grid = new QGridLayout;
    int row = 0;
    const auto put = [&](const QString &label, const char *field, int column, QWidget *extra = nullptr) {
        QWidget *editor = editorFor(*def.field(QLatin1String(field)), page);
        auto *caption = new QLabel(label, page);
        caption->setBuddy(editor);
        grid->addWidget(caption, row, column * 2);
        if (extra) {
            auto *box = new QHBoxLayout;
            box->addWidget(editor, 1);
            box->addWidget(extra);
            grid->addLayout(box, row, column * 2 + 1);
        } else {
            grid->addWidget(editor, row, column * 2 + 1);
        }
        return editor;
    };

    put(QStringLiteral("Nombre:"), "Nombre", 0);
    ++row;
    put(QStringLiteral("Dirección:"), "Domicilio", 0);
    ++row;
    put(QStringLiteral("Población:"), "Poblacion", 0);
    auto *postal = qobject_cast<QLineEdit *>(put(QStringLiteral("Cód. Postal:"), "CodPostal", 1));
    connect(postal, &QLineEdit::editingFinished, this, &TFormCorConPral::postalCodeLeft);
    ++row;
    m_province = new QComboBox(page);
    m_province->setObjectName(QStringLiteral("DBComboProvincia"));
    m_province->setEditable(true);
    m_province->setInsertPolicy(QComboBox::NoInsert);
    m_province->addItems(ProvinceNames(m_context.store.database(Alias::General)));
    m_province->lineEdit()->setMaxLength(30);
    m_editors.insert(QStringLiteral("Provincia"), m_province);
    auto *provinceLabel = new QLabel(QStringLiteral("Provincia:"), page);
    provinceLabel->setBuddy(m_province);
    grid->addWidget(provinceLabel, row, 0);
    grid->addWidget(m_province, row, 1);
    put(QStringLiteral("Nacionalidad:"), "Nacionalidad", 1);
    ++row;
    auto *letter = addButton(QStringLiteral("&Letra"), QStringLiteral("BtnLetra"), page);
    connect(letter, &QPushButton::clicked, this, &TFormCorConPral::completeNif);
    put(kNifLabel, "Nif", 0, letter);
    ++row;
    put(QStringLiteral("Teléfono 1:"), "Telefono1", 0);
    put(QStringLiteral("Teléfono 2:"), "Telefono2", 1);
    ++row;
    put(QStringLiteral("Teléfono 3: "), "Telefono3", 0);
    put(QStringLiteral("FAX:"), "Fax", 1);
    ++row;
    put(QStringLiteral("Movil:"), "Movil", 0);
    auto *web = new QToolButton(page);
    web->setObjectName(QStringLiteral("BtnPagWeb"));
    web->setText(QStringLiteral("www"));
    web->setToolTip(QStringLiteral("Ir a Página Web"));
    connect(web, &QToolButton::clicked, this, [this] {
        const QString address = lineEdit(QStringLiteral("PagWeb"))->text().trimmed();
        if (!address.isEmpty())
            OpenAddress(QUrl::fromUserInput(address));
    });
    auto *webEdit = qobject_cast<QLineEdit *>(put(QStringLiteral("Página Web:"), "PagWeb", 1, web));
    webEdit->setMaxLength(50);
    ++row;

    // The address list.
    auto *mailBox = new QWidget(page);
    auto *mailLayout = new QGridLayout(mailBox);
    mailLayout->setContentsMargins(0, 0, 0, 0);
    mailLayout->addWidget(new QLabel(QStringLiteral("Direcciones de Correo Electrónico:"), mailBox), 0, 0, 1, 2);
    m_newAddress = new QLineEdit(mailBox);
    m_newAddress->setObjectName(QStringLiteral("Edit1"));
    m_newAddress->setMaxLength(50);
    auto *addAddressButton = addButton(QStringLiteral("A&ñadir"), QStringLiteral("BtnAnadir"), mailBox);
    addAddressButton->setEnabled(false);
    connect(m_newAddress, &QLineEdit::textChanged, addAddressButton,
            [addAddressButton](const QString &text) { addAddressButton->setEnabled(!text.isEmpty()); });
    m_newAddress->installEventFilter(this);
    connect(addAddressButton, &QPushButton::clicked, this, &TFormCorConPral::addAddress);
    mailLayout->addWidget(m_newAddress, 1, 0);
    mailLayout->addWidget(addAddressButton, 1, 1);
    m_addressGrid = new QListWidget(mailBox);
    m_addressGrid->setObjectName(QStringLiteral("StringGrid1"));
    m_addressGrid->setToolTip(QStringLiteral("Doble click para enviar correo"));
    connect(m_addressGrid, &QListWidget::itemDoubleClicked, this, [](QListWidgetItem *item) {
        if (!item->text().isEmpty())
            OpenAddress(QUrl(QStringLiteral("mailto:") + item->text()));
    });
    mailLayout->addWidget(m_addressGrid, 2, 0, 4, 1);
    auto *removeButton = addButton(QStringLiteral("&Quitar"), QStringLiteral("BtnQuitar"), mailBox);
    auto *modifyButton = addButton(QStringLiteral("&Modif."), QStringLiteral("BtnModifCorreo"), mailBox);
    auto *defaultButton = addButton(QStringLiteral("&Predeterminada"), QStringLiteral("BtnPredeterminada"), mailBox);
    connect(removeButton, &QPushButton::clicked, this, &TFormCorConPral::removeAddress);
    connect(modifyButton, &QPushButton::clicked, this, &TFormCorConPral::modifyAddress);
    connect(defaultButton, &QPushButton::clicked, this, &TFormCorConPral::makeDefaultAddress);
    mailLayout->addWidget(removeButton, 2, 1);
    mailLayout->addWidget(modifyButton, 3, 1);
    mailLayout->addWidget(defaultButton, 4, 1);
    grid->addWidget(mailBox, row, 0, 1, 4);
    ++row;

    auto *notesLabel = new QLabel(QStringLiteral("Notas:"), page);
    QWidget *notes = editorFor(*def.field(QStringLiteral("Notas")), page);
    notesLabel->setBuddy(notes);
    grid->addWidget(notesLabel, row, 0, Qt::AlignTop);
    grid->addWidget(notes, row, 1, 1, 3);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);

    auto *ok = addButton(QStringLiteral("&Aceptar"), QStringLiteral("BtnAceptar"), page);
    auto *cancel = addButton(QStringLiteral("&Cancelar"), QStringLiteral("BtnCancelar"), page);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TFormCorConPral::accept);
    connect(cancel, &QPushButton::clicked, this, &TFormCorConPral::cancelEdit);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    return page;
}

void TFormCorConPral::showRecord(const Record &record)
{
    loadEditors(record);
    if (mode() == RecordActions::Mode::Adding)
        m_addresses.clear();
    else
        m_addresses.load(record);
    m_newAddress->clear();
    showAddresses(0);
}

Record TFormCorConPral::editedRecord() const
{
    Record record = readEditors(m_loaded);
    m_addresses.store(record);
    return record;
}

QString TFormCorConPral::maintenanceCaption(RecordActions::Mode mode) const
{
    return mode == RecordActions::Mode::Adding ? QStringLiteral("Mantenimiento de Contactos (Altas)")
                                               : QStringLiteral("Mantenimiento de Contactos (Modif.)");
}

void TFormCorConPral::showAddresses(int selected)
{
    m_addressGrid->clear();
    const QStringList &rows = m_addresses.rows();
    for (int i = 0; i < rows.size(); ++i) {
        auto *item = new QListWidgetItem(rows.at(i), m_addressGrid);
        if (i == 0) {
            // The first address is the default one.
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
        }
    }
    m_addressGrid->setCurrentRow(std::clamp(selected, 0, static_cast<int>(rows.size()) - 1));
}

int TFormCorConPral::selectedAddress() const
{
    return std::max(m_addressGrid->currentRow(), 0);
}

void TFormCorConPral::addAddress()
{
    if (m_newAddress->text().isEmpty())
        return;
    if (m_addresses.add(m_newAddress->text(), m_context.prompter)) {
        m_newAddress->clear();
        showAddresses(static_cast<int>(m_addresses.rows().size()) - 1);
    }
    m_newAddress->setFocus();
}

void TFormCorConPral::modifyAddress()
{
    const int row = selectedAddress();
    if (m_addresses.modify(row, m_context.prompter))
        showAddresses(row);
}

void TFormCorConPral::removeAddress()
{
    const int row = selectedAddress();
    if (m_addresses.remove(row, m_context.prompter))
        showAddresses(row);
}

void TFormCorConPral::makeDefaultAddress()
{
    if (m_addresses.makeDefault(selectedAddress()))
        showAddresses(0);
}

bool TFormCorConPral::eventFilter(QObject *watched, QEvent *event)
{
    // While the new address is being typed, Enter adds it rather than accepting the contact.
    if (watched == m_newAddress && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            addAddress();
            return true;
        }
    }
    return RecordWindow::eventFilter(watched, event);
}

void TFormCorConPral::completeNif()
{
    QLineEdit *nif = lineEdit(QStringLiteral("Nif"));
    const NifCompletion completion = CompleteNif(nif->text());
    if (completion.outcome != NifCompletion::Outcome::Completed) {
        m_context.prompter.inform(NifCompletionMessage(completion.outcome, kNifLabel));
        return;
    }
    nif->setText(completion.value);
}

void TFormCorConPral::postalCodeLeft()
{
    QLineEdit *postal = lineEdit(QStringLiteral("CodPostal"));
    if (!editing() || !postal->isModified())
        return;
    postal->setModified(false);
    const QString code = postal->text().trimmed();
    if (code.isEmpty())
        return;
    // A code that does not begin with two digits is left as typed.
    const std::optional<QString> province = ProvinceOfPostalCode(m_context.store.database(Alias::General), code);
    if (province) {
        m_province->setCurrentIndex(m_province->findText(*province));
        m_province->setEditText(*province);
    }
}

void ShowContacts(AppContext &context, QWidget *parent)
{
    if (FormIsOpen(QStringLiteral("FormCorConPral")))
        return;
    TFormCorConPral window(context, parent);
    window.exec();
}
