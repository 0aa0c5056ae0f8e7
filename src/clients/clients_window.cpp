#include "clients/clients_window.h"

#include "clients/client_picker.h"
#include "core/prompter.h"
#include "core/spanish_ids.h"
#include "platform/desktop_links.h"
#include "store/app_context.h"
#include "widgets/form_is_open.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

namespace {

const QString kNifLabel = QStringLiteral("N.I.F / C.I.F.");

} // namespace

TFormCliPral::TFormCliPral(AppContext &context, QWidget *parent)
    : RecordWindow(context, ClientsFile(),
                   {QStringLiteral("Nombre Cliente"), QStringLiteral("Correo Electrónico"), QStringLiteral("Nif Cliente"),
                    QStringLiteral("Teléfono 1"), QStringLiteral("Fax"), QStringLiteral("Móvil")},
                   parent)
{
    setObjectName(QStringLiteral("FormCliPral"));
    setUp(QStringLiteral("Clientes"), QStringLiteral("TsCli"), QStringLiteral("TsCliMan"));
}

QWidget *TFormCliPral::buildEditPage()
{
    const TableDef &def = ClientsFile();
    auto *page = new QWidget;
    auto *grid = new QGridLayout;
    int row = 0;
    const auto put = [&](const QString &label, const char *field, int column, QWidget *extra = nullptr,
                         QWidget *extra2 = nullptr) {
        QWidget *editor = editorFor(*def.field(QLatin1String(field)), page);
        auto *caption = new QLabel(label, page);
        caption->setBuddy(editor);
        grid->addWidget(caption, row, column * 2);
        if (extra) {
            auto *box = new QHBoxLayout;
            box->addWidget(editor, 1);
            box->addWidget(extra);
            if (extra2)
                box->addWidget(extra2);
            grid->addLayout(box, row, column * 2 + 1);
        } else {
            grid->addWidget(editor, row, column * 2 + 1);
        }
        return editor;
    };

    put(QStringLiteral("Nombre:"), "SNombreCli", 0);
    ++row;
    put(QStringLiteral("Dirección:"), "SDomicilioCli", 0);
    ++row;
    put(QStringLiteral("Población:"), "SPoblacionCli", 0);
    auto *postal = qobject_cast<QLineEdit *>(put(QStringLiteral("Cód. Postal:"), "SCodPostalCli", 1));
    connect(postal, &QLineEdit::editingFinished, this, &TFormCliPral::postalCodeLeft);
    ++row;
    m_province = new QComboBox(page);
    m_province->setObjectName(QStringLiteral("DBComboSProvinciaCli"));
    m_province->setEditable(true);
    m_province->setInsertPolicy(QComboBox::NoInsert);
    m_province->addItems(ProvinceNames(m_context.store.database(Alias::General)));
    m_province->lineEdit()->setMaxLength(30);
    m_editors.insert(QStringLiteral("SProvinciaCli"), m_province);
    auto *provinceLabel = new QLabel(QStringLiteral("Provincia:"), page);
    provinceLabel->setBuddy(m_province);
    grid->addWidget(provinceLabel, row, 0);
    grid->addWidget(m_province, row, 1);
    put(QStringLiteral("Nacionalidad:"), "Nacionalidad", 1);
    ++row;

    auto *letter = addButton(QStringLiteral("&Letra"), QStringLiteral("BtnLetra"), page);
    auto *check = addButton(QStringLiteral("Comprobar"), QStringLiteral("BtnComprobar"), page);
    connect(letter, &QPushButton::clicked, this, &TFormCliPral::completeNif);
    connect(check, &QPushButton::clicked, this, &TFormCliPral::checkTaxId);
    put(kNifLabel, "SNifCli", 0, letter, check);
    ++row;
    put(QStringLiteral("Teléfono 1:"), "STelefonoCli", 0);
    put(QStringLiteral("Teléfono 2:"), "Telefono2", 1);
    ++row;
    put(QStringLiteral("Teléfono 3:"), "Telefono3", 0);
    put(QStringLiteral("FAX:"), "SFaxCli", 1);
    ++row;
    put(QStringLiteral("Teléfono Móvil:"), "SMovilCli", 0);
    ++row;

    auto *mail = new QToolButton(page);
    mail->setObjectName(QStringLiteral("BtnEMail"));
    mail->setText(QStringLiteral("@"));
    mail->setToolTip(QStringLiteral("Enviar Correo"));
    connect(mail, &QToolButton::clicked, this, [this] {
        const QString address = lineEdit(QStringLiteral("EMail"))->text().trimmed();
        if (!address.isEmpty())
            OpenAddress(QUrl(QStringLiteral("mailto:") + address));
    });
    put(QStringLiteral("Correo Electrónico:"), "EMail", 0, mail);
    auto *web = new QToolButton(page);
    web->setObjectName(QStringLiteral("BtnPagWeb"));
    web->setText(QStringLiteral("www"));
    web->setToolTip(QStringLiteral("Ir a Página Web"));
    connect(web, &QToolButton::clicked, this, [this] {
        const QString address = lineEdit(QStringLiteral("PagWeb"))->text().trimmed();
        if (!address.isEmpty())
            OpenAddress(QUrl::fromUserInput(address));
    });
    put(QStringLiteral("Página Web:"), "PagWeb", 1, web);
    ++row;

    auto *iban = addButton(QStringLiteral("IBAN"), QStringLiteral("BtnIBAN"), page);
    iban->setToolTip(QStringLiteral("Convertir la cuenta (C.C.C.) en su IBAN"));
    connect(iban, &QPushButton::clicked, this, &TFormCliPral::accountToIban);
    auto *account = qobject_cast<QLineEdit *>(put(QStringLiteral("Número de Cuenta Bancaria:"), "CuentaBanco", 0, iban));
    account->setPlaceholderText(QStringLiteral("0000-0000-00-0000000000 o ES00 0000 0000 0000 0000 0000"));
    connect(account, &QLineEdit::editingFinished, this, &TFormCliPral::checkAccount);
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
    connect(ok, &QPushButton::clicked, this, &TFormCliPral::accept);
    connect(cancel, &QPushButton::clicked, this, &TFormCliPral::cancelEdit);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    return page;
}

void TFormCliPral::showRecord(const Record &record)
{
    loadEditors(record);
}

Record TFormCliPral::editedRecord() const
{
    Record record = readEditors(m_loaded);
    const QString account = record.value(QStringLiteral("CuentaBanco")).toString();
    if (!account.isEmpty())
        record.insert(QStringLiteral("CuentaBanco"), NormalizeBankAccount(account));
    return record;
}

QString TFormCliPral::maintenanceCaption(RecordActions::Mode mode) const
{
    return mode == RecordActions::Mode::Adding ? QStringLiteral("Mantenimiento de Clientes (Altas)")
                                               : QStringLiteral("Mantenimiento de Clientes (Modificaciones)");
}

void TFormCliPral::setPickerMode(const QString &initialName)
{
    m_select->show();
    m_modify->setDefault(false);
    m_nameSearch->setFocus();
    m_nameSearch->setText(initialName);
    m_nameSearch->setCursorPosition(static_cast<int>(initialName.size()));
}

void TFormCliPral::completeNif()
{
    QLineEdit *nif = lineEdit(QStringLiteral("SNifCli"));
    const NifCompletion completion = CompleteNif(nif->text());
    if (completion.outcome != NifCompletion::Outcome::Completed) {
        m_context.prompter.inform(NifCompletionMessage(completion.outcome, kNifLabel));
        return;
    }
    nif->setText(completion.value);
}

void TFormCliPral::checkTaxId()
{
    const TaxIdKind kind = CheckTaxId(lineEdit(QStringLiteral("SNifCli"))->text());
    if (kind == TaxIdKind::Invalid)
        m_context.prompter.warn(TaxIdCheckMessage(kind));
    else
        m_context.prompter.inform(TaxIdCheckMessage(kind));
}

void TFormCliPral::checkAccount()
{
    QLineEdit *account = lineEdit(QStringLiteral("CuentaBanco"));
    if (!account->isModified())
        return;
    account->setModified(false);
    // Stored as typed (without the separators) whatever the outcome; a wrong one is only told.
    account->setText(NormalizeBankAccount(account->text()));
    const QString message = BankAccountMessage(account->text());
    if (!message.isEmpty())
        m_context.prompter.inform(message);
}

void TFormCliPral::accountToIban()
{
    QLineEdit *account = lineEdit(QStringLiteral("CuentaBanco"));
    const QString text = NormalizeBankAccount(account->text());
    if (text.startsWith(QLatin1String("ES")))
        return;
    const std::optional<QString> iban = IbanFromCcc(text);
    if (!iban) {
        const QString message = BankAccountMessage(text);
        m_context.prompter.inform(message.isEmpty() ? QStringLiteral("revise el número de cuenta. faltan dígitos.")
                                                    : message);
        return;
    }
    account->setText(*iban);
}

void TFormCliPral::postalCodeLeft()
{
    QLineEdit *postal = lineEdit(QStringLiteral("SCodPostalCli"));
    if (!editing() || !postal->isModified())
        return;
    postal->setModified(false);
    const QString code = postal->text().trimmed();
    if (code.isEmpty())
        return;
    const std::optional<QString> province = ProvinceOfPostalCode(m_context.store.database(Alias::General), code);
    if (!province) {
        m_context.prompter.inform(QStringLiteral("El código postal introducido no es válido."));
        postal->clear();
        postal->setFocus();
        return;
    }
    m_province->setCurrentIndex(m_province->findText(*province));
    m_province->setEditText(*province);
}

void ShowClients(AppContext &context, QWidget *parent)
{
    if (FormIsOpen(QStringLiteral("FormCliPral")))
        return;
    TFormCliPral window(context, parent);
    window.exec();
}

int PickClient(AppContext &context, const QString &initialName, QWidget *parent)
{
    TFormCliPral window(context, parent);
    window.setPickerMode(initialName);
    if (window.exec() != QDialog::Accepted)
        return 0;
    return window.currentNumber();
}

std::optional<Record> FindClient(AppContext &context, int number)
{
    return RecordFile(context.store.database(Alias::Intereses), ClientsFile()).find(number);
}
