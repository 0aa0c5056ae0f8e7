#include "store/store_error.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace {

// Below this, a database that cannot start its log is taken to have found its disk full.
constexpr qint64 kLeastFreeBytes = 1024 * 1024;

} // namespace

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

AppError UnreadableDatabase(const QString &filePath, AppError otherwise)
{
    const QString dir = QFileInfo(filePath).absolutePath();
    const QStorageInfo disk(dir);
    if (disk.isValid() && disk.bytesAvailable() < kLeastFreeBytes)
        return AppError(QStringLiteral("No queda espacio libre en el disco de la carpeta de datos \"%1\". "
                                       "Libere espacio en ese disco y vuelva a intentarlo.")
                            .arg(QDir::toNativeSeparators(dir)),
                        otherwise.detail());
    return otherwise;
}
