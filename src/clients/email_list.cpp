#include "clients/email_list.h"

#include "core/prompter.h"

namespace {

QString EmailField(int index)
{
    return QStringLiteral("Email%1").arg(index + 1);
}

} // namespace

bool LooksLikeEmailAddress(const QString &address)
{
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    return at >= 0 && address.indexOf(QLatin1Char('.'), at) >= 0;
}

void EmailList::load(const Record &record)
{
    m_rows = {QString()};
    for (int i = 0; i < MaxAddresses; ++i) {
        const QString address = record.value(EmailField(i)).toString();
        if (address.isEmpty())
            continue;
        while (m_rows.size() <= i)
            m_rows.append(QString());
        m_rows[i] = address;
    }
    m_changed = false;
}

void EmailList::clear()
{
    m_rows = {QString()};
    m_changed = false;
}

bool EmailList::add(const QString &address, Prompter &prompter)
{
    const bool singleEmpty = m_rows.size() == 1 && m_rows.first().isEmpty();
    if (m_rows.size() >= MaxAddresses && !singleEmpty) {
        prompter.inform(QStringLiteral("El número máximo de direcciones que se pueden almacenar es 5."));
        return false;
    }
    if (!LooksLikeEmailAddress(address)
        && !prompter.askYesNo(QStringLiteral("La dirección introducida no es una dirección de correo válida. "
                                             "¿Desea agregarla de todas formas?"))) {
        return false;
    }
    if (singleEmpty)
        m_rows[0] = address;
    else
        m_rows.append(address);
    m_changed = true;
    return true;
}

bool EmailList::modify(int row, Prompter &prompter)
{
    if (row < 0 || row >= m_rows.size() || m_rows.at(row).isEmpty())
        return false;
    const std::optional<QString> typed =
        prompter.askText(QStringLiteral("Dirección de Correo Electrónico"),
                         QStringLiteral("Introduzca la dirección de correo electrónico:"), m_rows.at(row));
    if (!typed)
        return false;
    if (!LooksLikeEmailAddress(*typed)
        && !prompter.askYesNo(QStringLiteral("La dirección introducida no es una dirección de correo válida. "
                                             "¿Desea modificarla de todas formas?"))) {
        return false;
    }
    m_rows[row] = typed->left(50);
    m_changed = true;
    return true;
}

bool EmailList::remove(int row, Prompter &prompter)
{
    const bool holdsAnything = m_rows.size() > 1 || !m_rows.first().isEmpty();
    if (!holdsAnything || row < 0 || row >= m_rows.size())
        return false;
    if (!prompter.askYesNo(QStringLiteral("¿Desea eliminar la dirección de correo electrónico seleccionada?")))
        return false;
    if (m_rows.size() == 1)
        m_rows[0].clear();
    else
        m_rows.removeAt(row);
    m_changed = true;
    return true;
}

bool EmailList::makeDefault(int row)
{
    if (row <= 0 || row >= m_rows.size())
        return false;
    m_rows.swapItemsAt(0, row);
    m_changed = true;
    return true;
}

void EmailList::store(Record &record) const
{
    if (!m_changed)
        return;
    for (int i = 0; i < MaxAddresses; ++i) {
        const QString address = i < m_rows.size() ? m_rows.at(i) : QString();
        if (address.isEmpty())
            record.remove(EmailField(i));
        else
            record.insert(EmailField(i), address);
    }
}
