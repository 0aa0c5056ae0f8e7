#pragma once

#include "invoicing/company_data.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
struct AppContext;

// "Datos Empresa": the office's own data, its default VAT and withholding rates, and its
// province, from which " Aceptar" chooses the fee region.
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

    void accept() override;

private:
    void buildForm();
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
    bool m_postalCodeEdited = false;
};
