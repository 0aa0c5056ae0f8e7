#include "verifactu/certificate_password.h"

#include "core/prompter.h"

#include <QFileInfo>

std::optional<QString> CertificatePassword::obtain(const QString &certificateFile, Prompter &prompter)
{
    if (known(certificateFile))
        return m_password;
    forget();
    const std::optional<QString> typed = prompter.askPassword(
        QStringLiteral("Certificado VERI*FACTU"),
        QStringLiteral("Contraseña del certificado \"%1\":").arg(QFileInfo(certificateFile).fileName()));
    if (!typed)
        return std::nullopt;
    m_file = certificateFile;
    m_password = *typed;
    m_known = true;
    return m_password;
}

void CertificatePassword::forget()
{
    // Overwritten rather than only released, so the old text does not linger in freed memory.
    m_password.fill(QLatin1Char('\0'));
    m_password.clear();
    m_file.clear();
    m_known = false;
}

std::optional<ClientCertificate> CertificatePassword::open(const QString &certificateFile, Prompter &prompter,
                                                           const QDateTime &now)
{
    // A missing file is told before the password is asked for it.
    if (certificateFile.isEmpty() || !QFileInfo(certificateFile).isFile())
        return LoadClientCertificate(certificateFile, QString(), now);
    const std::optional<QString> password = obtain(certificateFile, prompter);
    if (!password)
        return std::nullopt;
    try {
        return LoadClientCertificate(certificateFile, *password, now);
    } catch (const CertificatePasswordError &) {
        forget();
        throw;
    }
}

CertificatePassword &ProgramCertificatePassword()
{
    static CertificatePassword holder;
    return holder;
}

std::optional<ConnectionCheck> ProbeAgencyConnection(const VerifactuSettings &settings, CertificatePassword &password,
                                                     Prompter &prompter)
{
    SendOptions options;
    try {
        const std::optional<ClientCertificate> certificate = password.open(settings.certificateFile, prompter);
        if (!certificate)
            return std::nullopt;
        options.certificate = *certificate;
    } catch (const AppError &e) {
        return ConnectionCheck{false, e.message()};
    }
    options.endpoint = AgencyEndpoint(settings.environment);
    options.timeoutMs = 30000;
    return CheckAgencyConnection(options, settings.environment == AgencyEnvironment::Produccion
                                              ? QStringLiteral("entorno de producción")
                                              : QStringLiteral("entorno de pruebas"));
}
