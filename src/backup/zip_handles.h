#pragma once

#include <QString>

#include <memory>

#include <zip.h>

// libzip objects that are freed on every exit path. An archive being written is discarded
// (nothing written) unless zip_close succeeded and the pointer was released.
struct ZipDiscard
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
struct ZipFileClose
{
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};
using ZipArchive = std::unique_ptr<zip_t, ZipDiscard>;
using ZipEntryFile = std::unique_ptr<zip_file_t, ZipFileClose>;

// What a libzip error code (as zip_open reports it), an archive's or an entry's last error
// means, in Spanish ("no es un archivo zip"; "No queda espacio en el disco").
QString ZipErrorText(int code);
QString ZipErrorText(zip_t *archive);
QString ZipErrorText(zip_file_t *file);
// The text above for a disk that filled up.
QString ZipOutOfSpaceText();
