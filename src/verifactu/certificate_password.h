#pragma once

#include "verifactu/agency_sender.h"

#include <QString>

#include <optional>

class Prompter;

// The password of the office's certificate for the running program: asked the first time it
// is needed, kept only in memory (never written anywhere), and forgotten when the certificate
// does not open with it, so that it is asked again.
class CertificatePassword
{
public:
    CertificatePassword() = default;
    ~CertificatePassword() { forget(); }
    CertificatePassword(const CertificatePassword &) = delete;
    CertificatePassword &operator=(const CertificatePassword &) = delete;

    bool known(const QString &certificateFile) const { return m_known && m_file == certificateFile; }
    // The password kept for `certificateFile`, else the one the user types now; nullopt when
    // the user cancels (or the prompter cannot hide what is typed).
    std::optional<QString> obtain(const QString &certificateFile, Prompter &prompter);
    void forget();

    // The certificate opened with obtain()'s password; nullopt when the user cancels. Throws
    // LoadClientCertificate's AppError; a wrong password is forgotten first.
    std::optional<ClientCertificate> open(const QString &certificateFile, Prompter &prompter,
                                          const QDateTime &now = QDateTime::currentDateTimeUtc());

private:
    QString m_file;
    QString m_password;
    bool m_known = false;
};

// The one holder of the running program.
CertificatePassword &ProgramCertificatePassword();

// "Probar conexión" with the settings as they stand in the window: the certificate opened with
// the run's password (asked when unknown) and a request to the agency. nullopt when the user
// cancels the password; a certificate that does not open gives its message, not ok.
std::optional<ConnectionCheck> ProbeAgencyConnection(const VerifactuSettings &settings, CertificatePassword &password,
                                                     Prompter &prompter);
