#include "store/store_error.h"

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
