#pragma once

#include "clients/record_window.h"

class QComboBox;

// "Clientes": the client file, a list page `TsCli` and an editing page `TsCliMan`. In picker
// mode (PickClient, client_picker.h) "S&eleccionar" closes it with the chosen client.
class TFormCliPral final : public RecordWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormCliPral)

public:
    explicit TFormCliPral(AppContext &context, QWidget *parent = nullptr);

    // Picker mode: "S&eleccionar" shown, the initial name typed into `EditNOMBRE`, "&Modif."
    // no longer the default button.
    void setPickerMode(const QString &initialName);

    // "&Letra", "Comprobar", "IBAN" and the account check of the editing page.
    void completeNif();
    void checkTaxId();
    void accountToIban();
    void checkAccount();
    void postalCodeLeft();

protected:
    QWidget *buildEditPage() override;
    void showRecord(const Record &record) override;
    Record editedRecord() const override;
    QString maintenanceCaption(RecordActions::Mode mode) const override;

private:
    QComboBox *m_province = nullptr;
};

// Opens the clients window modally in list mode, unless one is already open.
void ShowClients(AppContext &context, QWidget *parent);
