#include "verifactu/rejected_records_window.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TFormVerifactuRechazados::TFormVerifactuRechazados(const std::vector<StoredRecord> &records, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FormVerifactuRechazados"));
    setWindowTitle(QStringLiteral("Registros VERI*FACTU rechazados"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(records.empty()
                                     ? QStringLiteral("La Agencia Tributaria no ha rechazado ningún registro.")
                                     : QStringLiteral("Corrija la factura y acéptela de nuevo: se enviará un registro "
                                                      "de subsanación."),
                                 this));
    const QStringList headers{QStringLiteral("Registro"), QStringLiteral("Factura"), QStringLiteral("Fecha"),
                              QStringLiteral("Tipo"),     QStringLiteral("Estado"),  QStringLiteral("Código"),
                              QStringLiteral("Descripción"), QStringLiteral("Respuesta")};
    auto *grid = new QTableWidget(static_cast<int>(records.size()), static_cast<int>(headers.size()), this);
    grid->setObjectName(QStringLiteral("GridRechazados"));
    grid->setHorizontalHeaderLabels(headers);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->verticalHeader()->hide();
    int row = 0;
    for (const StoredRecord &r : records) {
        const QString cells[] = {QString::number(r.numero),
                                 r.numSerie,
                                 QString(r.fecha).replace(QLatin1Char('-'), QLatin1Char('/')), // dd/mm/yyyy
                                 r.alta ? QStringLiteral("Alta") : QStringLiteral("Anulación"),
                                 r.estado == kStateRejected ? QStringLiteral("Rechazado") : QStringLiteral("Aceptado con errores"),
                                 r.codigoError,
                                 r.descripcionError,
                                 QDateTime::fromString(r.respuesta, Qt::ISODate).toString(QStringLiteral("dd/MM/yyyy HH:mm"))};
        for (int column = 0; column < static_cast<int>(std::size(cells)); ++column)
            grid->setItem(row, column, new QTableWidgetItem(cells[column]));
        ++row;
    }
    grid->resizeColumnsToContents();
    grid->horizontalHeader()->setSectionResizeMode(6, QHeaderView::Stretch);
    layout->addWidget(grid);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *close = buttons->addButton(QStringLiteral("&Cerrar"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("BotonCerrar"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(900, 420);
}
