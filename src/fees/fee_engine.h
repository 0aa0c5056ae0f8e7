#pragma once

#include "core/prompter.h"
#include "fees/fee_calculation.h"
#include "fees/lookup_cache.h"
#include "fees/scale_tables.h"

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

struct Criterion;

// The fee engine: one criterion of the active region module and an amount typed by the user
// give a fee. It holds FeeCalculation and the texts of the controls it touches (the amount, the
// fee, the five reference fields, the criterion and the description, Label17), asks its
// questions and shows its hints through the Prompter. The invoice editor and the fee calculator
// are views over it. Nothing here rounds except the fee text ("0.##", FormatUpTo2Decimals).
class FeeEngine final
{
public:
    enum class HintTarget { Amount, Fee }; // RxCalcLibre, tbxImporte

    struct Hint
    {
        QString title;
        QString text;
        Prompter::Icon icon = Prompter::Icon::Information;
        HintTarget target = HintTarget::Amount;

        bool operator==(const Hint &) const = default;
    };

    // What the fee row's controls show.
    struct Fields
    {
        QString amount;   // RxCalcLibre, "Cuantía"
        QString importe;  // tbxImporte, "Importe"
        QString criterio; // tbxCriterio
        QString titulo;   // tbxTitulo, the line's description
        QString fijo, incremento, reduccion, tabla, porcentaje; // the reference fields
        bool label17Visible = true; // the "+" after the amount

        bool operator==(const Fields &) const = default;
    };

    // What an invoice line receives when the user adds it.
    struct Line
    {
        QString criterio;
        QString titulo;
        double subTotal = 0.0; // the fee text as a number: two decimals at most
        double fijo = 0.0;
        float incremento = 0.0f;
        float reduccion = 0.0f;
        qint32 tabla = 0;
        float porcentaje = 0.0f;

        bool operator==(const Line &) const = default;
    };

    // The four texts of the vary-references dialog.
    struct ReferenceTexts
    {
        QString fijo, incremento, reduccion, porcentaje;
    };

    // Shows the selection dialog: the Id chosen, nullopt when it was left with "&Salir".
    using CriterionChooser = std::function<std::optional<int>()>;

    static QString FeeConcept() { return QStringLiteral("Honorario"); }

    explicit FeeEngine(Prompter &prompter);

    // Loads the module files: tablas.xml, PointValue from puntos.ini (0 without the file) and
    // the region's IPC; table rows are read afresh from here on. Throws AppError naming the file that cannot be read; nothing changes then.
    void loadModule(const QSqlDatabase &modulo, const QString &moduleDir, float regionIPC);

    // Lets go of the module database, so that it can be closed and opened on another module;
    // the next loadModule takes it again.
    void releaseModule()
    {
        m_modulo = QSqlDatabase();
        m_lookups.clear();
    }

    // The line's concept (cmbTipo): "Honorario", "Provision" or "Suplido".
    void setConcept(const QString &lineConcept) { m_concept = lineConcept; }
    const QString &lineConcept() const { return m_concept; }

    // Criterion selection: for a concept other than "Honorario" only the message "No existen
    // criterios para el tipo …"; otherwise the chooser, LoadCriterion and AdjustFixed when a
    // criterion was chosen, and a run either way. Failures are shown, not thrown.
    void selectCriterion(const CriterionChooser &choose);

    // The amount field's text changes: a run follows.
    void setAmountText(const QString &text);
    // One run of the calculation. A failure (a lookup, an amount that is not a number) is shown
    // through the Prompter and stops the run; the fields keep what they showed.
    void recalculate();
    // The amount field loses the focus: warnings below MinLibre and above MaxLibre.
    void checkAmountLimits();

    // Vary the references: the message "No se puede seleccionar las referencias…" before any
    // selection; otherwise the dialog (which calls acceptReferences) and a run. CalcMode stays.
    void varyReferences(const std::function<void()> &showDialog);
    // "Aceptar" of the dialog: the limit questions of the criterion, then the four values
    // stored. False (nothing stored) when a question was answered No. Throws AppError for a
    // text that is not a number or a fixed sum beyond the amount limit.
    bool acceptReferences(const ReferenceTexts &texts);

    // What the invoice line receives, then the reset for the next line.
    Line addLine();

    const FeeCalculation &calculation() const { return m_calc; }
    const Fields &fields() const { return m_fields; }
    qint32 hintMark() const { return m_hintMark; }
    const QSqlDatabase &modulo() const { return m_modulo; }
    // Hints shown since the last clearHints(), with where they point.
    const std::vector<Hint> &hintsShown() const { return m_hints; }
    void clearHints() { m_hints.clear(); }

    // The steps of a selection, for views that show the dialog themselves.
    void loadCriterion(const Criterion &criterion);
    void adjustFixed();

private:
    enum class Outcome { Done, Restart };

    void run();
    Outcome runMode(double x, double &r);
    Outcome questionMode(double &x, double &r);
    Outcome caseTable(qint32 base);
    void showReferences();
    void setAmountFromRun(double value);
    bool once();
    void hint(const QString &title, const QString &text, HintTarget target = HintTarget::Amount,
              Prompter::Icon icon = Prompter::Icon::Information);
    void hintRecommended();
    bool ask(const QString &first, const QString &second);
    void showFailure(const QString &message);

    double scaleAmount(double x);
    double bracketAmount(double x);
    double questionAmount();

    Prompter &m_prompter;
    QSqlDatabase m_modulo;
    std::optional<QuestionFile> m_questionFile;
    LookupCache m_lookups;
    QString m_concept = FeeConcept();
    FeeCalculation m_calc;
    Fields m_fields;
    qint32 m_hintMark = 0;
    std::vector<Hint> m_hints;
};
