#pragma once

#include "store/database_engine.h"

#include <QString>

class QSqlDatabase;

// Builds the data of a new installation in destDir (which must not hold one yet) from the
// text sources of sourceDir (the project's data/ folder): Datos with the provinces, regions,
// merge-field labels, official rates and the catalogue of the shipped templates; an empty
// Historia; one module folder per region with its files, the module's tables loaded from
// their text (LoadModuleText); an empty DocPlant (the shipped template documents are built
// into instalacion/DocPlant and copied by make-install-dir); the folder verifactu with the tax
// agency's schemas and the producer's declaration.
// With a server engine the data go into its database (which must hold no installation yet)
// and the installation's Devenix.ini names it in [BASEDATOS].
// Throws AppError.
void SeedInstallation(const QString &sourceDir, const QString &destDir, const DatabaseEngine &engine = {});

// Fills the rate table of an open main database from the official rates file
// ("desde;hasta;legal;judicial;demora;..." with dates dd/mm/yyyy and decimal points).
void LoadOfficialRates(const QSqlDatabase &db, const QString &csvPath);
