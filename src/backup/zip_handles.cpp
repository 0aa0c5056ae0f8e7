#include "backup/zip_handles.h"

QString ZipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

QString ZipErrorText(zip_t *archive)
{
    return QString::fromUtf8(zip_strerror(archive));
}
