#pragma once

#include "clients/email_list.h"
#include "clients/record_window.h"

class QComboBox;
class QListWidget;

// "Contactos": the address book, a list page `TsCorCon` and an editing page `TsCorCoMa` with
// its list of up to five e-mail addresses.
class TFormCorConPral final : public RecordWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormCorConPral)

public:
    explicit TFormCorConPral(AppContext &context, QWidget *parent = nullptr);

    // The address list's buttons: "A&ñadir", "&Modif.", "&Quitar", "&Predeterminada".
    void addAddress();
    void modifyAddress();
    void removeAddress();
    void makeDefaultAddress();
    void completeNif();
    void postalCodeLeft();

    const EmailList &addresses() const { return m_addresses; }

protected:
    QWidget *buildEditPage() override;
    void showRecord(const Record &record) override;
    Record editedRecord() const override;
    QString maintenanceCaption(RecordActions::Mode mode) const override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showAddresses(int selected);
    int selectedAddress() const;

    EmailList m_addresses;
    QListWidget *m_addressGrid = nullptr;
    QLineEdit *m_newAddress = nullptr;
    QComboBox *m_province = nullptr;
};

// Opens the contacts window modally, unless one is already open.
void ShowContacts(AppContext &context, QWidget *parent);
