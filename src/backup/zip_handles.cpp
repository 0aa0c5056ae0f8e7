#include "backup/zip_handles.h"

#include <cerrno>

namespace {

// libzip's texts are English; the user reads what they mean.
QString Meaning(int code)
{
    switch (code) {
    case ZIP_ER_OK:
        return QStringLiteral("sin error");
    case ZIP_ER_MULTIDISK:
        return QStringLiteral("las copias repartidas en varios discos no se admiten");
    case ZIP_ER_RENAME:
        return QStringLiteral("no se ha podido renombrar el archivo temporal");
    case ZIP_ER_CLOSE:
        return QStringLiteral("no se ha podido cerrar el archivo");
    case ZIP_ER_SEEK:
    case ZIP_ER_TELL:
    case ZIP_ER_READ:
        return QStringLiteral("error de lectura");
    case ZIP_ER_WRITE:
        return QStringLiteral("error de escritura");
    case ZIP_ER_CRC:
    case ZIP_ER_COMPRESSED_DATA:
    case ZIP_ER_ZLIB:
        return QStringLiteral("los datos comprimidos están dañados");
    case ZIP_ER_NOENT:
        return QStringLiteral("no existe el archivo");
    case ZIP_ER_EXISTS:
        return QStringLiteral("el archivo ya existe");
    case ZIP_ER_OPEN:
        return QStringLiteral("no se puede abrir el archivo");
    case ZIP_ER_TMPOPEN:
        return QStringLiteral("no se puede crear el archivo temporal");
    case ZIP_ER_MEMORY:
        return QStringLiteral("memoria insuficiente");
    case ZIP_ER_COMPNOTSUPP:
        return QStringLiteral("método de compresión no admitido");
    case ZIP_ER_EOF:
        return QStringLiteral("el archivo termina antes de tiempo");
    case ZIP_ER_NOZIP:
        return QStringLiteral("no es un archivo zip");
    case ZIP_ER_INCONS:
        return QStringLiteral("el archivo zip es incoherente");
    case ZIP_ER_REMOVE:
        return QStringLiteral("no se puede eliminar el archivo");
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return QStringLiteral("el archivo está cifrado");
    case ZIP_ER_RDONLY:
        return QStringLiteral("el archivo es de solo lectura");
    default:
        return QStringLiteral("error interno del compresor (%1)").arg(code);
    }
}

QString Text(const zip_error_t *error)
{
    const int code = zip_error_code_zip(error);
    if (zip_error_system_type(error) == ZIP_ET_SYS && zip_error_code_system(error) == ENOSPC)
        return ZipOutOfSpaceText();
    return Meaning(code);
}

} // namespace

QString ZipOutOfSpaceText()
{
    return QStringLiteral("No queda espacio en el disco");
}

QString ZipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = Text(&error);
    zip_error_fini(&error);
    return text;
}

QString ZipErrorText(zip_t *archive)
{
    return Text(zip_get_error(archive));
}

QString ZipErrorText(zip_file_t *file)
{
    return Text(zip_file_get_error(file));
}
