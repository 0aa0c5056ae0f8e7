#pragma once

#include "fees/criterion_record.h"

#include <QDialog>

#include <map>
#include <optional>

struct AppContext;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// "Honorarios": the editor of one criterion. It edits a copy of the record; the criteria
// window stores it ("&Aceptar"), drops it ("&Cancelar", Esc) or keeps it pending (close box).
class TFormHono1 final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormHono1)

public:
    enum Outcome { Left = 0, Stored = 1, Cancelled = 2 };

    // pointValue: euros per point in a points region, nullopt elsewhere. catalan: the region
    // is "Cataluña". Reads the table list of the module (throws StoreError).
    TFormHono1(AppContext &context, const CriterionRecord &record, std::optional<double> pointValue, bool catalan,
               QWidget *parent = nullptr);

    // The record with the values of the fields.
    CriterionRecord record() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    enum class Field { Fijo, Incremento, Reduccion, Porcentaje, MinLibre, MaxLibre, MinPorc, MaxPorc, Euros };
    struct NumberField
    {
        QLineEdit *edit = nullptr;
        QString lastGood;
    };

    // The field with its spin buttons beside it.
    QWidget *addNumber(Field field, const char *name, const char *spinName, QWidget *host);
    bool checkField(Field field);
    void spin(Field field, bool up);
    void fijoTyped();
    void eurosTyped();
    std::optional<double> valueOf(Field field) const;

    AppContext &m_context;
    CriterionRecord m_record;
    std::optional<double> m_pointValue;
    QLineEdit *m_titulo;
    QPlainTextEdit *m_descripcion;
    QLineEdit *m_criterios;
    QComboBox *m_tabla;
    std::map<Field, NumberField> m_numbers;
};
