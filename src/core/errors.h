#pragma once

#include <QString>

#include <exception>

// A failure the user is told about. `message()` is the Spanish text shown in the error dialog;
// `detail()` is developer context (SQL text, file name, library error) for logs and stderr.
class AppError : public std::exception
{
public:
    explicit AppError(QString message, QString detail = {});

    const QString &message() const noexcept { return m_message; }
    const QString &detail() const noexcept { return m_detail; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QString m_detail;
    QByteArray m_utf8;
};
