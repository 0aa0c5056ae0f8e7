#pragma once

#include "invoicing/company_data.h"
#include "verifactu/agency_sender.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
struct AppContext;

// "Datos Empresa": the office's own data, its default VAT and withholding rates, its
// province, from which " Aceptar" chooses the fee region, and how VERI*FACTU records are sent
// (certificate and environment; the certificate's password is never stored).
class TFormConfHono final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormConfHono)

public:
    // Reads the province list and the stored data. Throws AppError when the general database
    // cannot be read.
    TFormConfHono(AppContext &context, QWidget *parent = nullptr);

    CompanyData data() const;
    void setData(const CompanyData &data);
    VerifactuSettings verifactu() const;
    void setVerifactu(const VerifactuSettings &settings);

    void accept() override;

private:
    void buildForm();
    QGroupBox *buildVerifactuGroup();
    void chooseCertificate();
    void testConnection();
    void showEndpoint();
    void postalCodeLeft();
    void showVatCaptionForProvince();
    void selectProvince(int id);
    // The box of a required field, for the focus after "Debe completar la casilla ...".
    QWidget *fieldOf(QString CompanyData::*member) const;

    AppContext &m_context;
    QLineEdit *m_empresa = nullptr;
    QLineEdit *m_nif = nullptr;
    QLineEdit *m_direccion = nullptr;
    QLineEdit *m_localidad = nullptr;
    QComboBox *m_provincia = nullptr;
    QLabel *m_vatCaption = nullptr;
    QLineEdit *m_iva = nullptr;
    QLineEdit *m_irpf = nullptr;
    QLineEdit *m_telefono = nullptr;
    QLineEdit *m_telefono2 = nullptr;
    QLineEdit *m_movil = nullptr;
    QLineEdit *m_fax = nullptr;
    QLineEdit *m_inscripcion = nullptr;
    QLineEdit *m_email = nullptr;
    QLineEdit *m_codigoPostal = nullptr;
    QLabel *m_nifError = nullptr;
    QLineEdit *m_certificate = nullptr;
    QComboBox *m_environment = nullptr;
    QLabel *m_endpoint = nullptr;
    bool m_postalCodeEdited = false;
};
