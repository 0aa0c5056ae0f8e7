#include "shell/about_window.h"

#include "core/ini_file.h"
#include "shell/version_texts.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit *Field(QWidget *parent, const char *name, const QString &text)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    edit->setCursorPosition(0);
    // Wide enough for the whole text: a long office name must not be cut.
    const QMargins margins = edit->textMargins() + edit->contentsMargins();
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(text) + margins.left() + margins.right() + 16);
    return edit;
}

} // namespace

tformacerca::tformacerca(const IniFile &settings, const QString &fileVersion, const QString &imageDir,
                         QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("formacerca"));
    setWindowTitle(QStringLiteral("Cuantix"));
    const AboutTexts texts = AboutTextsFor(fileVersion);
    const QString company = QStringLiteral("FACTURACION");

    auto *form = new QFormLayout;
    form->addRow(Field(this, "Edit1", texts.versionLine));
    form->addRow(QStringLiteral("Programa:"), Field(this, "EdtPrograma", texts.program));
    form->addRow(QStringLiteral("Año:"), Field(this, "EdtYear", texts.year));
    form->addRow(QStringLiteral("Mes:"), Field(this, "EdtMes", texts.month));
    form->addRow(QStringLiteral("Base de Datos:"), Field(this, "EdtBBDD", texts.database));
    form->addRow(QStringLiteral("Service Pack:"), Field(this, "EdtServicePack", texts.servicePack));
    form->addRow(QStringLiteral("Empresa:"),
                 Field(this, "EdtEmpresa", settings.readString(company, QStringLiteral("EMPRESA"))));
    form->addRow(QStringLiteral("Teléfono:"),
                 Field(this, "EdtTelefono", settings.readString(company, QStringLiteral("TELEFONO"))));

    auto *body = new QHBoxLayout;
    const QString image = imageDir + QStringLiteral("/532.jpg");
    if (QFileInfo::exists(image)) {
        auto *picture = new QLabel(this);
        picture->setObjectName(QStringLiteral("Image1"));
        picture->setPixmap(QPixmap(image).scaledToWidth(220, Qt::SmoothTransformation));
        picture->setAlignment(Qt::AlignTop);
        body->addWidget(picture);
    }
    body->addLayout(form, 1);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&Aceptar"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
    setMinimumWidth(520);
}
