#include "core/errors.h"
#include "core/ini_file.h"
#include "fees/criteria.h"
#include "fees/criteria_tree_model.h"
#include "fees/criteria_window.h"
#include "fees/criterion_editor.h"
#include "fees/point_value.h"
#include "fees/region_window.h"
#include "fees/scale_tables.h"
#include "fees/table_editor.h"
#include "store/record_locks.h"
#include "store/sql.h"
#include "support/app_fixture.h"
#include "support/modal.h"
#include "support/widget_lookup.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSqlTableModel>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace {

class FeeWindowsTest : public ::testing::Test
{
protected:
    QSqlDatabase general() const { return m_app.store.database(Alias::General); }
    QSqlDatabase modulo() const { return m_app.store.database(Alias::Modulo); }
    void openRegion(const char *name)
    {
        const auto region = FindRegionByName(general(), QString::fromUtf8(name));
        ASSERT_TRUE(region.has_value());
        OpenRegionModule(m_app.session, m_app.store, *region);
        m_app.session.regionName = region->nombre;
    }
    double ipcOf(const char *name) const { return FindRegionByName(general(), QString::fromUtf8(name))->ipc; }
    static void typeInto(QLineEdit *edit, const QString &text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        emit edit->editingFinished();
    }

    AppFixture m_app;
};

} // namespace

TEST_F(FeeWindowsTest, RegionWindowStoresTheIPCOnlyWhenARegionIsSelected)
{
    m_app.context.settings().writeInteger(QStringLiteral("FACTURACION"), QStringLiteral("PROVINCIA"), 28); // Madrid
    {
        TFormSelRegion window(m_app.context);
        auto *list = Find<QComboBox>(&window, "dbLookRegiones");
        auto *points = Find<QLineEdit>(&window, "tbxValorEuros");
        EXPECT_EQ(list->currentText(), QStringLiteral("Madrid"));
        EXPECT_FALSE(points->isEnabled());
        list->setCurrentIndex(list->findText(QStringLiteral("Málaga")));
        EXPECT_TRUE(points->isEnabled());
        EXPECT_EQ(points->text(), QStringLiteral("55"));
        Find<QLineEdit>(&window, "DBEdit1")->setText(QStringLiteral("3"));
        window.reject(); // the close box
    }
    EXPECT_EQ(ipcOf("Málaga"), 0.0);

    TFormSelRegion window(m_app.context);
    auto *list = Find<QComboBox>(&window, "dbLookRegiones");
    list->setCurrentIndex(list->findText(QStringLiteral("Málaga")));
    Find<QLineEdit>(&window, "DBEdit1")->setText(QStringLiteral("3"));
    Find<QLineEdit>(&window, "tbxValorEuros")->setText(QStringLiteral("0,6"));
    Click(&window, "btn_seleccionar");
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(ipcOf("Málaga"), 3.0);
    EXPECT_EQ(m_app.session.regionIPC, 3.0f);
    EXPECT_EQ(m_app.session.regionName, QStringLiteral("Málaga"));
    EXPECT_EQ(PointFileText(m_app.session.moduleDir), QStringLiteral("0.6"));
    EXPECT_EQ(m_app.context.settings().readString(QStringLiteral("INICIO"), QStringLiteral("REGION")),
              QStringLiteral("8"));
    EXPECT_TRUE(m_app.store.isConnected(Alias::Modulo));

    // A region that does not count in points loses a point file it holds.
    const QString madrid = m_app.install.file(QStringLiteral("modulos/madrid"));
    WritePointValue(madrid, 2);
    TFormSelRegion again(m_app.context);
    auto *list2 = Find<QComboBox>(&again, "dbLookRegiones");
    list2->setCurrentIndex(list2->findText(QStringLiteral("Madrid")));
    Click(&again, "btn_seleccionar");
    EXPECT_FALSE(QFile::exists(PointFilePath(madrid)));
    EXPECT_TRUE(m_app.prompter.shown().empty());
}

TEST_F(FeeWindowsTest, CriterionEditorConvertsPointsAndSpeaksCatalanInCataluna)
{
    openRegion("Madrid");
    CriterionRecord record = ReadCriterionRecord(modulo(), LoadCriteria(modulo()).back().id);
    record.fijo = 30;
    record.porcentaje = 100;
    {
        TFormHono1 editor(m_app.context, record, 2.0, false);
        auto *euros = Find<QLineEdit>(&editor, "tbxPuntos");
        EXPECT_EQ(euros->text(), QStringLiteral("60"));
        EXPECT_EQ(Find<QLabel>(&editor, "LabelFijo")->text(), QStringLiteral("Fijo en Puntos"));
        EXPECT_EQ(Find<QLabel>(&editor, "LabelPuntos")->text(), QStringLiteral("Fijo en Euros (1=2 €)"));
        euros->clear();
        QTest::keyClicks(euros, QStringLiteral("90"));
        EXPECT_EQ(Find<QLineEdit>(&editor, "dbeFijo")->text(), QStringLiteral("45"));
        EXPECT_EQ(editor.record().fijo, 45.0);

        auto *spin = Find<QWidget>(&editor, "RxSpinPorcentaje");
        spin->findChild<QToolButton *>(QStringLiteral("Arriba"))->click();
        EXPECT_EQ(editor.record().porcentaje, 101.0);
        spin->findChild<QToolButton *>(QStringLiteral("Arriba"))->click();
        EXPECT_EQ(editor.record().porcentaje, 1.0);

        // Text in a number field is refused when the field is left.
        typeInto(Find<QLineEdit>(&editor, "dbeIncremento"), QStringLiteral("mucho"));
        EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("«mucho» no es un valor numérico válido."));
        EXPECT_EQ(editor.record().incremento, record.incremento);
    }
    TFormHono1 catalan(m_app.context, record, std::nullopt, true);
    const std::pair<const char *, const char *> labels[] = {
        {"LabelTitulo", "Titol:"},       {"LabelCriterios", "Criteris:"},     {"LabelDescripcion", "Descripció"},
        {"LabelTabla", "Escala"},        {"LabelFijo", "Fix"},                {"LabelIncremento", "Increment"},
        {"LabelReduccion", "Reducció"},  {"LabelMinLibre", "Quantia Minima"}, {"LabelMaxLibre", "Quantia Maxima"},
        {"LabelMinPorc", "Minim"},       {"LabelMaxPorc", "Màxim"}};
    for (const auto &[name, text] : labels)
        EXPECT_EQ(Find<QLabel>(&catalan, name)->text(), QString::fromUtf8(text)) << name;
    EXPECT_FALSE(Find<QLineEdit>(&catalan, "tbxPuntos")->isVisibleTo(&catalan));
    TFormHono1 catalanPoints(m_app.context, record, 2.0, true);
    EXPECT_EQ(Find<QLabel>(&catalanPoints, "LabelFijo")->text(), QStringLiteral("Fix"));
}

TEST_F(FeeWindowsTest, CriteriaWindowShowsTheScheduleAndStoresEdits)
{
    openRegion("Madrid");
    TformHonorarios window(m_app.context);
    auto *tree = Find<QTreeView>(&window, "ArbolHonorario");
    const std::vector<Criterion> criteria = LoadCriteria(modulo());
    int topNodes = 0;
    for (const Criterion &c : criteria)
        topNodes += c.idPadre == 0;
    EXPECT_EQ(tree->model()->rowCount(), topNodes);
    EXPECT_EQ(tree->model()->index(0, 0).data().toString(), criteria.front().titulo);
    EXPECT_EQ(Find<QWidget>(&window, "DBMemo1")->property("plainText").toString(), criteria.front().descripcion);

    const Criterion leaf = criteria.back();
    window.setCurrentId(leaf.id);
    OnModal<TFormHono1>([](TFormHono1 *editor) {
        Find<QLineEdit>(editor, "dbeCriterios")->setText(QStringLiteral("X1"));
        Click(editor, "BitBtn1"); // &Aceptar
    });
    window.editCurrent();
    EXPECT_EQ(FindCriterion(modulo(), leaf.id)->criterios, QStringLiteral("X1"));

    // The close box leaves the edit pending: stored when another criterion becomes current.
    OnModal<TFormHono1>([](TFormHono1 *editor) {
        Find<QLineEdit>(editor, "dbeCriterios")->setText(QStringLiteral("X2"));
        editor->close();
    });
    window.editCurrent();
    EXPECT_EQ(FindCriterion(modulo(), leaf.id)->criterios, QStringLiteral("X1"));
    window.setCurrentId(criteria.front().id);
    EXPECT_EQ(FindCriterion(modulo(), leaf.id)->criterios, QStringLiteral("X2"));

    // "&Buscar": the text, then the matching titles; "S&eleccionar" makes the chosen one current.
    const std::vector<TitleMatch> matches = SearchCriterionTitles(modulo(), QStringLiteral("apelacion"));
    ASSERT_FALSE(matches.empty());
    int listed = -1;
    OnModal<QDialog>([&listed](QDialog *ask) {
        EXPECT_EQ(ask->windowTitle(), QStringLiteral("Búsqueda"));
        OnModal<QDialog>([&listed](QDialog *result) {
            EXPECT_EQ(result->windowTitle(), QStringLiteral("Resultado Búsqueda"));
            auto *grid = Find<QTableView>(result, "DBGrid1");
            listed = grid->model()->rowCount();
            Click(result, "BitBtn1");
        });
        QTest::keyClicks(Find<QLineEdit>(ask, "Edit1"), QStringLiteral("apelacion"));
        QTest::keyClick(Find<QLineEdit>(ask, "Edit1"), Qt::Key_Return);
    });
    window.search();
    EXPECT_EQ(listed, static_cast<int>(matches.size()));
    EXPECT_EQ(window.currentId(), matches.front().id);

    // Another program holds the record: its lock message, no editor.
    RecordLocks(modulo(), {QStringLiteral("Ana"), QStringLiteral("otro-equipo"), 1, QStringLiteral("s")})
        .lock(QStringLiteral("principal"), QString::number(leaf.id));
    window.setCurrentId(leaf.id);
    window.editCurrent();
    EXPECT_EQ(m_app.prompter.lastMessage(),
              QStringLiteral("En este momento el registro está siendo usado por el usuario: \"Ana\". Inténtelo más tarde."));
}

TEST_F(FeeWindowsTest, TableEditorTitlesExtrasAndRows)
{
    openRegion("Madrid");
    TFormTablas window(m_app.context);
    ASSERT_TRUE(window.chooseTable(1));
    auto *grid = Find<QTableView>(&window, "DBGrid1");
    QSqlTableModel *model = window.tableModel();
    EXPECT_TRUE(grid->isColumnHidden(0));
    QStringList titles;
    for (int c = 0; c < model->columnCount(); ++c)
        titles << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Id"), QStringLiteral("Desde"), QStringLiteral("Hasta"),
                                   QStringLiteral("Porcentaje"), QStringLiteral("Acumulado")}));

    // An extra is stored on leaving its field.
    typeInto(Find<QLineEdit>(&window, "DBEdit2"), QStringLiteral("20"));
    EXPECT_EQ(FindTableRow(modulo(), 1)->extraFijo, 20.0);

    // A row is stored on moving to another row, and dropped with the window.
    model->setData(model->index(0, model->fieldIndex(QStringLiteral("porcentaje"))), 26.0);
    window.next();
    EXPECT_EQ(Scalar(modulo(), QStringLiteral("SELECT porcentaje FROM tipo1 WHERE id = 1")).toDouble(), 26.0);
    // Typed values: numbers with a decimal comma, text refused in a number column.
    const QModelIndex third = model->index(2, model->fieldIndex(QStringLiteral("porcentaje")));
    QLineEdit typed;
    typed.setText(QStringLiteral("abc"));
    grid->itemDelegate()->setModelData(&typed, model, third);
    EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("«abc» no es un valor numérico válido."));
    EXPECT_EQ(third.data().toDouble(), 16.0);
    typed.setText(QStringLiteral("12,5"));
    grid->itemDelegate()->setModelData(&typed, model, third);
    EXPECT_EQ(third.data().toDouble(), 12.5);
    model->setData(model->index(1, model->fieldIndex(QStringLiteral("porcentaje"))), 99.0);
    window.reject();
    EXPECT_EQ(Scalar(modulo(), QStringLiteral("SELECT porcentaje FROM tipo1 WHERE id = 2")).toDouble(), 18.0);

    TFormTablas other(m_app.context);
    ASSERT_TRUE(other.chooseTable(4)); // a case table: its own titles
    EXPECT_EQ(other.tableModel()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Caso"));
    typed.setText(QStringLiteral("Ejecución"));
    Find<QTableView>(&other, "DBGrid1")->itemDelegate()->setModelData(&typed, other.tableModel(),
                                                                      other.tableModel()->index(0, 1));
    EXPECT_EQ(other.tableModel()->index(0, 1).data().toString(), QStringLiteral("Ejecución"));
    EXPECT_FALSE(other.chooseTable(0));
    EXPECT_EQ(Find<QTableView>(&other, "DBGrid1")->model(), nullptr);
    EXPECT_FALSE(other.chooseTable(42));
    EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("La tabla 42 no existe en el módulo de la región."));
}

TEST_F(FeeWindowsTest, ADamagedModuleIsNamedAndTheRegionListStillOpens)
{
    const QString valencia = m_app.install.file(QStringLiteral("modulos/valencia"));
    QFile file(valencia + QStringLiteral("/modulo.sqlite"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("esto no es una base de datos");
    file.close();
    const auto region = FindRegionByName(general(), QStringLiteral("Valencia"));
    EXPECT_THROW(OpenRegionModule(m_app.session, m_app.store, *region), AppError);
    try {
        TformHonorarios window(m_app.context);
        ADD_FAILURE() << "the criteria window opened on a damaged module";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("modulo.sqlite"))) << e.message().toStdString();
    }
    EXPECT_THROW(TFormTablas(m_app.context), AppError);
    TFormSelRegion regions(m_app.context);
    EXPECT_GT(Find<QComboBox>(&regions, "dbLookRegiones")->count(), 20);
}
