#include "core/ini_file.h"
#include "invoicing/company_data_window.h"
#include "verifactu/certificate_password.h"
#include "support/app_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class CompanyDataWindowTest : public ::testing::Test
{
protected:
    // A fresh installation's settings, without the office N.I.F. test installations get.
    CompanyDataWindowTest() { QFile::remove(m_app.context.settingsPath); }

    void open()
    {
        m_window = std::make_unique<TFormConfHono>(m_app.context);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }
    QLineEdit *edit(const char *name) const { return m_window->findChild<QLineEdit *>(QLatin1String(name)); }
    QComboBox *provinces() const { return m_window->findChild<QComboBox *>(QStringLiteral("tbxProvincia")); }
    QString vatCaption() const { return m_window->findChild<QLabel *>(QStringLiteral("lblIVA"))->text(); }
    QString setting(const char *section, const char *key) const
    {
        return IniFile(m_app.context.settingsPath).readString(QLatin1String(section), QLatin1String(key));
    }

    void fillRequired(const QString &provincia)
    {
        edit("tbxEmpresa")->setText(QStringLiteral("Bufete Peña Abogados"));
        edit("tbxNif")->setText(QStringLiteral("B12345674"));
        edit("tbxDireccion")->setText(QStringLiteral("Calle Mayor, 1"));
        edit("tbxLocalidad")->setText(QStringLiteral("Elche"));
        edit("tbxTelefono")->setText(QStringLiteral("965000000"));
        edit("tbxemail")->setText(QStringLiteral("despacho@example.es"));
        edit("tbxcodpostal")->setText(QStringLiteral("03201"));
        provinces()->setCurrentIndex(provinces()->findText(provincia));
    }
    void typePostalCodeAndLeave(const QString &code)
    {
        QLineEdit *postal = edit("tbxcodpostal");
        postal->setFocus();
        postal->selectAll();
        QTest::keyClicks(postal, code);
        edit("tbxEmpresa")->setFocus();
        QCoreApplication::processEvents();
    }
    void press(const char *button)
    {
        QTest::mouseClick(m_window->findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
    }

    AppFixture m_app;
    std::unique_ptr<TFormConfHono> m_window;
};

} // namespace

TEST_F(CompanyDataWindowTest, OpensWithTheProposedValuesOnAFreshInstallation)
{
    open();
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Datos Empresa"));
    EXPECT_EQ(edit("tbxEmpresa")->text(), QStringLiteral("Empresa de Ejemplo S.A."));
    EXPECT_EQ(edit("tbxIVA")->text(), QStringLiteral("21"));
    for (const char *name : {"tbxNif", "tbxDireccion", "tbxLocalidad", "tbxIRPF", "tbxTelefono", "tbxTelefono2",
                             "tbxMovil", "tbxFax", "tbxInscripcion", "tbxemail", "tbxcodpostal"})
        EXPECT_TRUE(edit(name)->text().isEmpty()) << name;
    EXPECT_EQ(provinces()->currentIndex(), -1);
    EXPECT_EQ(provinces()->count(), 52);
    EXPECT_EQ(provinces()->itemText(0), QStringLiteral("Álava"));
    EXPECT_EQ(vatCaption(), QStringLiteral("I.V.A."));
    EXPECT_EQ(edit("tbxInscripcion")->maxLength(), 170);
}

TEST_F(CompanyDataWindowTest, StoredValuesAreShownAndCanariasShowsIgic)
{
    IniFile settings(m_app.context.settingsPath);
    settings.writeString(QStringLiteral("FACTURACION"), QStringLiteral("PROVINCIA"), QStringLiteral("35"));
    settings.writeString(QStringLiteral("FACTURACION"), QStringLiteral("IVA"), QStringLiteral("7,00"));
    m_app.session.regionName = QStringLiteral("Canarias");
    open();
    EXPECT_EQ(provinces()->currentText(), QStringLiteral("Las Palmas"));
    EXPECT_EQ(edit("tbxIVA")->text(), QStringLiteral("7,00"));
    EXPECT_EQ(vatCaption(), QStringLiteral("I.G.I.C."));
}

TEST_F(CompanyDataWindowTest, EveryRequiredFieldIsAskedForAndNothingIsWritten)
{
    open();
    const std::pair<const char *, const char *> required[] = {
        {"tbxEmpresa", "Empresa"},     {"tbxNif", "D.N.I./N.I.F."},    {"tbxDireccion", "Dirección"},
        {"tbxLocalidad", "Población"}, {"tbxTelefono", "Teléfono"},     {"tbxemail", "E-Mail"},
        {"tbxcodpostal", "Código Postal"}};
    for (const auto &[name, caption] : required) {
        fillRequired(QStringLiteral("Alicante"));
        edit(name)->clear();
        press("btnAceptar");
        EXPECT_EQ(m_app.prompter.lastMessage(),
                  QStringLiteral("Debe completar la casilla \"%1\".").arg(QString::fromUtf8(caption)));
        EXPECT_TRUE(m_window->isVisible()) << name;
        EXPECT_EQ(QApplication::focusWidget(), edit(name)) << name;
    }
    fillRequired(QStringLiteral("Alicante"));
    provinces()->setCurrentIndex(-1);
    press("btnAceptar");
    EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("Debe completar la casilla \"Provincia\"."));
    EXPECT_EQ(QApplication::focusWidget(), provinces());
    EXPECT_EQ(m_app.prompter.messages().size(), 8);
    EXPECT_EQ(m_app.prompter.shown().back().icon, Prompter::Icon::Information);
    // Leaving the postal code box is the only thing that writes before "&Aceptar".
    EXPECT_TRUE(setting("FACTURACION", "EMPRESA").isEmpty());
    EXPECT_TRUE(setting("INICIO", "REGION").isEmpty());
    EXPECT_EQ(m_app.session.regionId, 0);
}

TEST_F(CompanyDataWindowTest, ATelephoneTypedWithSpacesFitsAndKeepsThem)
{
    open();
    QLineEdit *phone = edit("tbxTelefono");
    phone->clear();
    phone->setFocus();
    QTest::keyClicks(phone, QStringLiteral("915 550 1234"));
    EXPECT_EQ(phone->text(), QStringLiteral("915 550 123")); // the tenth digit does not go in
    fillRequired(QStringLiteral("Madrid"));
    phone->setText(QStringLiteral("915 550 123"));
    press("btnAceptar");
    EXPECT_EQ(setting("FACTURACION", "TELEFONO"), QStringLiteral("915 550 123"));
}

TEST_F(CompanyDataWindowTest, PostalCodeChoosesTheProvinceAndTheTaxCaption)
{
    open();
    typePostalCodeAndLeave(QStringLiteral("38001"));
    EXPECT_EQ(provinces()->currentData().toInt(), 38);
    EXPECT_EQ(provinces()->currentText(), QStringLiteral("Santa Cruz de Tenerife"));
    EXPECT_EQ(vatCaption(), QStringLiteral("I.G.I.C."));
    EXPECT_EQ(setting("FACTURACION", "CODIGOPOSTAL"), QStringLiteral("38001"));

    typePostalCodeAndLeave(QStringLiteral("28001"));
    EXPECT_EQ(provinces()->currentText(), QStringLiteral("Madrid"));
    EXPECT_EQ(vatCaption(), QStringLiteral("I.V.A."));

    // Not digits: the province stays, nothing is said.
    typePostalCodeAndLeave(QStringLiteral("AB-12"));
    EXPECT_EQ(provinces()->currentText(), QStringLiteral("Madrid"));
    // A number that is no province leaves the box for the user to choose.
    typePostalCodeAndLeave(QStringLiteral("99001"));
    EXPECT_EQ(provinces()->currentIndex(), -1);
    EXPECT_TRUE(m_app.prompter.messages().isEmpty());

    provinces()->setCurrentIndex(provinces()->findText(QStringLiteral("Las Palmas")));
    emit provinces()->activated(provinces()->currentIndex());
    EXPECT_EQ(vatCaption(), QStringLiteral("I.G.I.C."));
}

TEST_F(CompanyDataWindowTest, AlicanteLoadsTheFeesOfElche)
{
    open();
    fillRequired(QStringLiteral("Alicante"));
    edit("tbxIVA")->setText(QStringLiteral("21,00"));
    press("btnAceptar");
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_EQ(m_window->result(), QDialog::Accepted);
    EXPECT_TRUE(m_app.prompter.messages().isEmpty());
    EXPECT_EQ(setting("FACTURACION", "PROVINCIA"), QStringLiteral("3"));
    EXPECT_EQ(setting("FACTURACION", "IVA"), QStringLiteral("21,00"));
    EXPECT_EQ(setting("FACTURACION", "EMPRESA"), QStringLiteral("Bufete Peña Abogados"));
    EXPECT_EQ(setting("INICIO", "REGION"), QStringLiteral("19"));
    EXPECT_EQ(m_app.session.regionId, 19);
    EXPECT_EQ(m_app.session.regionName, QStringLiteral("Elche"));
    EXPECT_EQ(m_app.session.moduleDir, m_app.install.path() + QStringLiteral("/modulos/elche"));
    EXPECT_EQ(m_app.store.path(Alias::Modulo), m_app.session.moduleDir);
    EXPECT_TRUE(m_app.store.isConnected(Alias::Modulo));
}

TEST_F(CompanyDataWindowTest, BadajozHasNoFeesOfItsOwnAndGetsThoseOfGalicia)
{
    open();
    fillRequired(QStringLiteral("Badajoz"));
    press("btnAceptar");
    EXPECT_EQ(m_app.prompter.messages(),
              QStringList{QStringLiteral("No existe esa región de honorarios. Se cargarán los honorarios de Galicia.")});
    EXPECT_EQ(m_app.session.regionId, 6);
    EXPECT_EQ(m_app.session.regionName, QStringLiteral("Galicia"));
    EXPECT_EQ(setting("INICIO", "REGION"), QStringLiteral("6"));
    EXPECT_EQ(setting("FACTURACION", "PROVINCIA"), QStringLiteral("6"));
    EXPECT_TRUE(m_app.store.isConnected(Alias::Modulo));
}

TEST_F(CompanyDataWindowTest, AModuleThatCannotBeOpenedIsToldAndTheRegionKept)
{
    ASSERT_TRUE(QDir(m_app.install.file(QStringLiteral("modulos/elche"))).removeRecursively());
    open();
    fillRequired(QStringLiteral("Alicante"));
    press("btnAceptar");
    EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("Hubo un error al intentar abrir la información de Elche"));
    EXPECT_EQ(m_app.session.regionName, QStringLiteral("Elche"));
    EXPECT_EQ(setting("INICIO", "REGION"), QStringLiteral("19"));
    EXPECT_EQ(setting("FACTURACION", "PROVINCIA"), QStringLiteral("3"));
}

TEST_F(CompanyDataWindowTest, CancellingKeepsOnlyThePostalCode)
{
    open();
    fillRequired(QStringLiteral("Alicante"));
    typePostalCodeAndLeave(QStringLiteral("03203"));
    press("btnCancelar");
    EXPECT_EQ(m_window->result(), QDialog::Rejected);
    CompanyData expected;
    expected.empresa = QStringLiteral("Empresa de Ejemplo S.A.");
    expected.iva = QStringLiteral("21");
    expected.codigoPostal = QStringLiteral("03203");
    EXPECT_EQ(ReadCompanyData(IniFile(m_app.context.settingsPath)), expected);
    EXPECT_TRUE(setting("INICIO", "REGION").isEmpty());
}

TEST_F(CompanyDataWindowTest, AnInvalidTaxNumberIsRefusedBesideItsBox)
{
    open();
    const struct
    {
        const char *nif;
        const char *message; // empty: accepted
    } rows[] = {
        {"12345678A", "El D.N.I./N.I.F. \"12345678A\" de la empresa no es un N.I.F., N.I.E. ni C.I.F. válido. "
                      "Revíselo: la Agencia Tributaria lo exige en cada factura VERI*FACTU."},
        {"B1234567", "El D.N.I./N.I.F. \"B1234567\" de la empresa no es un N.I.F., N.I.E. ni C.I.F. válido. "
                     "Revíselo: la Agencia Tributaria lo exige en cada factura VERI*FACTU."},
        {"x1234567-l", ""},
    };
    for (const auto &row : rows) {
        m_app.prompter.clear();
        fillRequired(QStringLiteral("Madrid"));
        edit("tbxNif")->setText(QString::fromUtf8(row.nif));
        press("btnAceptar");
        const QString message = QString::fromUtf8(row.message);
        EXPECT_EQ(m_app.prompter.messages(), message.isEmpty() ? QStringList() : QStringList{message}) << row.nif;
        EXPECT_EQ(m_window->findChild<QLabel *>(QStringLiteral("lblNifError"))->text(), message) << row.nif;
        EXPECT_EQ(m_window->isVisible(), !message.isEmpty()) << row.nif;
        EXPECT_EQ(setting("FACTURACION", "NIF"), message.isEmpty() ? QString::fromUtf8(row.nif) : QString()) << row.nif;
    }
}

TEST_F(CompanyDataWindowTest, VerifactuCertificateAndEnvironmentAreKeptAndABadCertificateIsTold)
{
    const QString p12 = m_app.install.file(QStringLiteral("despacho.p12"));
    {
        QFile text(p12);
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("esto no es un certificado");
    }
    ProgramCertificatePassword().forget();
    open();
    auto *environment = m_window->findChild<QComboBox *>(QStringLiteral("cmbEntorno"));
    auto *endpoint = m_window->findChild<QLabel *>(QStringLiteral("lblDireccionEnvio"));
    EXPECT_EQ(environment->currentText(), QStringLiteral("Pruebas"));
    EXPECT_TRUE(endpoint->text().startsWith(QStringLiteral("https://prewww1.aeat.es/")));

    // A certificate that is not there is told before any password is asked.
    edit("tbxCertificado")->setText(m_app.install.file(QStringLiteral("no-existe.p12")));
    press("btnProbarConexion");
    EXPECT_TRUE(m_app.prompter.lastMessage().startsWith(QStringLiteral("No se encuentra el certificado")));

    m_app.prompter.queueFile(p12);
    press("btnCertificado");
    EXPECT_EQ(edit("tbxCertificado")->text(), p12);
    EXPECT_TRUE(m_app.prompter.lastFileRequest().filters.first().contains(QStringLiteral("*.p12")));
    m_app.prompter.queueText(QStringLiteral("secreto"));
    press("btnProbarConexion");
    EXPECT_TRUE(m_app.prompter.lastMessage().contains(QStringLiteral("no es un archivo PKCS#12"))) << m_app.prompter.lastMessage().toStdString();
    EXPECT_EQ(m_app.prompter.shown().back().icon, Prompter::Icon::Warning);

    environment->setCurrentIndex(environment->findText(QStringLiteral("Producción")));
    EXPECT_TRUE(endpoint->text().startsWith(QStringLiteral("https://www1.agenciatributaria.gob.es/")));
    fillRequired(QStringLiteral("Madrid"));
    press("btnAceptar");
    EXPECT_EQ(setting("VERIFACTU", "CERTIFICADO"), p12);
    EXPECT_EQ(setting("VERIFACTU", "ENTORNO"), QStringLiteral("produccion"));
    const QString ini = [&] {
        QFile f(m_app.context.settingsPath);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }();
    EXPECT_FALSE(ini.contains(QStringLiteral("secreto"))); // the password stays in memory
    EXPECT_TRUE(m_app.prompter.allAnswersUsed());
}
