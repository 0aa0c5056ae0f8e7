#include "store/store_error.h"

#include <QDir>

StoreError::StoreError(StoreCode code, QString message, QString detail)
    : AppError(std::move(message), std::move(detail))
    , m_code(code)
{
}

bool StoreError::isLockOutcome() const noexcept
{
    switch (m_code) {
    case StoreCode::DeletedByOther:
    case StoreCode::LockedByOther:
    case StoreCode::TableBusy:
    case StoreCode::TableLocked:
    case StoreCode::AlreadyLockedHere:
        return true;
    default:
        return false;
    }
}

AppError DamagedDatabase(const QString &filePath, const QString &detail)
{
    return AppError(QStringLiteral("La base de datos \"%1\" está dañada; restaure una copia de seguridad "
                                   "(Utilidades, Restaurar Copia de Seguridad).")
                        .arg(QDir::toNativeSeparators(filePath)),
                    detail);
}
