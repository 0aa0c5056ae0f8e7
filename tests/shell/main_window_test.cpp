#include "core/ini_file.h"
#include "interest/settlement_input_window.h"
#include "invoicing/company_data_window.h"
#include "shell/about_window.h"
#include "shell/main_window.h"
#include "shell/splash_window.h"
#include "shell/web_panel.h"
#include "support/scripted_prompter.h"
#include "support/temp_installation.h"
#include "verifactu/ledger_fixture.h"
#include "verifactu/pending_sender.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QKeySequence>
#include <QMenuBar>
#include <QSet>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

namespace {

// Records what the web panel asks of its browser.
class RecordingBrowser final : public BrowserView
{
public:
    using BrowserView::BrowserView;
    void navigate(const QUrl &url) override { shown.append(url); }
    void back() override {}
    void forward() override {}
    void stop() override { ++stops; }
    void reload() override {}

    QList<QUrl> shown;
    int stops = 0;
};

QString UniquePrefix()
{
    static std::atomic<int> next{0};
    return QStringLiteral("menu%1-").arg(next++);
}

// Runs `act` on the window of that name once it is open (it is opened modally inside the
// code under test).
template<typename Window>
void WhenOpen(const QString &name, std::function<void(Window *)> act)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, name, act] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == name && w->isVisible()) {
                poll->stop();
                poll->deleteLater();
                act(qobject_cast<Window *>(w));
                return;
            }
        }
    });
    poll->start();
}

class MainWindowTest : public ::testing::Test
{
protected:
    IniFile settings() const { return IniFile(m_install.file(QStringLiteral("Devenix.ini"))); }
    void configure(const QString &region)
    {
        IniFile ini = settings();
        ini.writeString(QStringLiteral("INICIO"), QStringLiteral("REGION"), region);
    }
    void setSupport(const char *key, const QString &value)
    {
        IniFile ini = settings();
        ini.writeString(QStringLiteral("SOPORTE"), QLatin1String(key), value);
    }

    // The program's start: the creation step, then showing the window runs the show step.
    TFormMenu &start()
    {
        MenuOptions options;
        options.programDir = m_install.path() + QLatin1Char('/');
        options.settingsPath = m_install.file(QStringLiteral("Devenix.ini"));
        options.prompter = &m_prompter;
        options.isOnline = [this] { return m_online; };
        options.browserFactory = [this](QWidget *parent) {
            m_browser = new RecordingBrowser(parent);
            ++m_browsersMade;
            return m_browser;
        };
        options.openExternally = [this](const QUrl &url) {
            m_opened.append(url);
            return m_openSucceeds;
        };
        options.connectionPrefix = UniquePrefix();
        m_menu = std::make_unique<TFormMenu>(std::move(options));
        m_quit = std::make_unique<QSignalSpy>(m_menu.get(), &TFormMenu::quitRequested);
        m_menu->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_menu.get()));
        EXPECT_TRUE(QTest::qWaitFor([this] { return m_menu->showStepDone(); }));
        return *m_menu;
    }
    QAction *action(const char *name) const { return m_menu->findChild<QAction *>(QLatin1String(name)); }
    QWidget *widget(const char *name) const { return m_menu->findChild<QWidget *>(QLatin1String(name)); }
    QLabel *label(const char *name) const { return m_menu->findChild<QLabel *>(QLatin1String(name)); }
    bool moduleOpenAt(const QString &dir) const
    {
        return m_menu->context().store.isConnected(Alias::Modulo) && m_menu->context().store.path(Alias::Modulo) == dir;
    }

    TempInstallation m_install;
    ScriptedPrompter m_prompter;
    bool m_online = false;
    RecordingBrowser *m_browser = nullptr;
    int m_browsersMade = 0;
    QList<QUrl> m_opened;
    bool m_openSucceeds = true;
    std::unique_ptr<TFormMenu> m_menu;
    std::unique_ptr<QSignalSpy> m_quit;
};

} // namespace

TEST_F(MainWindowTest, FirstStartAsksForTheCompanyDataAndOpensTheRegionOfItsProvince)
{
    WhenOpen<TFormConfHono>(QStringLiteral("FormConfHono"), [](TFormConfHono *window) {
        const auto fill = [window](const char *name, const QString &text) {
            window->findChild<QLineEdit *>(QLatin1String(name))->setText(text);
        };
        fill("tbxEmpresa", QStringLiteral("Bufete Peña Abogados"));
        fill("tbxNif", QStringLiteral("B12345674"));
        fill("tbxDireccion", QStringLiteral("Calle Mayor, 1"));
        fill("tbxLocalidad", QStringLiteral("Elche"));
        fill("tbxTelefono", QStringLiteral("965000000"));
        fill("tbxemail", QStringLiteral("despacho@example.es"));
        fill("tbxcodpostal", QStringLiteral("03201"));
        auto *provinces = window->findChild<QComboBox *>(QStringLiteral("tbxProvincia"));
        provinces->setCurrentIndex(provinces->findText(QStringLiteral("Alicante")));
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("btnAceptar")), Qt::LeftButton);
    });
    TFormMenu &menu = start();
    EXPECT_TRUE(m_prompter.messages().isEmpty()) << m_prompter.lastMessage().toStdString();
    EXPECT_EQ(m_quit->count(), 0);
    EXPECT_EQ(menu.windowTitle(), QStringLiteral("Cuantix"));
    EXPECT_EQ(menu.session().regionName, QStringLiteral("Elche"));
    EXPECT_EQ(menu.session().regionId, 19);
    EXPECT_EQ(settings().readString(QStringLiteral("INICIO"), QStringLiteral("REGION")), QStringLiteral("19"));
    EXPECT_TRUE(moduleOpenAt(m_install.path() + QStringLiteral("/modulos/elche")));
    // The program folder is kept without its trailing separator.
    EXPECT_EQ(menu.session().programDir, m_install.path());
}

TEST_F(MainWindowTest, FirstStartAbandonedWarnsAndEndsTheProgram)
{
    WhenOpen<TFormConfHono>(QStringLiteral("FormConfHono"), [](TFormConfHono *window) { window->reject(); });
    start();
    EXPECT_EQ(m_prompter.messages(),
              QStringList{QStringLiteral("Cuantix no funcionará si no esta correctamente configurado")});
    EXPECT_EQ(m_prompter.shown().back().icon, Prompter::Icon::Warning);
    EXPECT_EQ(m_quit->count(), 1);
    EXPECT_FALSE(m_menu->context().store.isConnected(Alias::Modulo));
}

TEST_F(MainWindowTest, AStartWithARegionOpensThatRegionsModule)
{
    configure(QStringLiteral("6"));
    TFormMenu &menu = start();
    EXPECT_TRUE(m_prompter.shown().empty());
    EXPECT_EQ(menu.windowTitle(), QStringLiteral("Cuantix"));
    EXPECT_EQ(menu.session().regionName, QStringLiteral("Galicia"));
    EXPECT_EQ(menu.session().moduleDir, m_install.path() + QStringLiteral("/modulos/galicia"));
    EXPECT_TRUE(moduleOpenAt(menu.session().moduleDir));
    EXPECT_EQ(m_quit->count(), 0);
    // The working movements start empty and the main databases are open for every window.
    EXPECT_TRUE(menu.context().store.isConnected(Alias::Devenix));
    EXPECT_TRUE(menu.context().store.isConnected(Alias::Historico));
}

TEST_F(MainWindowTest, AnUnknownRegionTakesTheFirstOne)
{
    configure(QStringLiteral("999"));
    TFormMenu &menu = start();
    EXPECT_TRUE(m_prompter.shown().empty());
    EXPECT_EQ(menu.session().regionId, 1);
    EXPECT_EQ(menu.session().regionName, QStringLiteral("Almería"));
    EXPECT_TRUE(moduleOpenAt(m_install.path() + QStringLiteral("/modulos/almeria")));
}

TEST_F(MainWindowTest, AMissingDataFolderIsReportedAndTheWindowStillOpens)
{
    configure(QStringLiteral("6"));
    ASSERT_TRUE(QDir(m_install.datos()).removeRecursively());
    TFormMenu &menu = start();
    ASSERT_EQ(m_prompter.messages().size(), 1);
    EXPECT_EQ(m_prompter.lastMessage(), QStringLiteral("No existe la carpeta de datos \"%1\".")
                                            .arg(QDir::toNativeSeparators(m_install.datos())));
    EXPECT_EQ(m_prompter.shown().back().icon, Prompter::Icon::Error);
    EXPECT_EQ(m_prompter.shown().back().title, QStringLiteral("Cuantix"));
    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(m_quit->count(), 0);
}

TEST_F(MainWindowTest, WithoutDataOnAFirstStartTheProgramEndsAfterSayingWhy)
{
    ASSERT_TRUE(QDir(m_install.datos()).removeRecursively());
    start();
    ASSERT_EQ(m_prompter.messages().size(), 2);
    EXPECT_TRUE(m_prompter.messages().constFirst().startsWith(QStringLiteral("No existe la carpeta de datos")));
    EXPECT_EQ(m_prompter.lastMessage(), QStringLiteral("Cuantix no funcionará si no esta correctamente configurado"));
    EXPECT_EQ(m_quit->count(), 1);
}

TEST_F(MainWindowTest, ADamagedDatabaseIsReportedAndTheWindowStillOpens)
{
    configure(QStringLiteral("6"));
    QFile damaged(m_install.file(QStringLiteral("Historia/historia.sqlite")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    TFormMenu &menu = start();
    ASSERT_FALSE(m_prompter.messages().isEmpty());
    EXPECT_TRUE(m_prompter.messages().constFirst().contains(QStringLiteral("historia.sqlite")))
        << m_prompter.messages().constFirst().toStdString();
    EXPECT_TRUE(menu.isVisible());
}

TEST_F(MainWindowTest, MenusActionsAndPanelsAreThoseOfTheProgram)
{
    configure(QStringLiteral("6"));
    TFormMenu &menu = start();
    QStringList entries;
    for (QAction *top : menu.menuBar()->actions()) {
        entries << top->text();
        for (QAction *entry : top->menu()->actions()) {
            if (entry->isSeparator())
                entries << QStringLiteral("-");
            else if (entry->menu())
                for (QAction *sub : entry->menu()->actions())
                    entries << entry->text() + QStringLiteral(" > ") + sub->text();
            else
                entries << entry->text();
        }
    }
    EXPECT_EQ(entries, (QStringList{QStringLiteral("&Ficheros"), QStringLiteral("&Intereses > &Tipos de Interés"),
                                    QStringLiteral("&Intereses > &Liquidaciones"), QStringLiteral("-"),
                                    QStringLiteral("&Clientes"), QStringLiteral("C&ontactos"), QStringLiteral("-"),
                                    QStringLiteral("&Salir"), QStringLiteral("&Utilidades"), QStringLiteral("-"),
                                    QStringLiteral("&Configurar Datos Empresa"),
                                    QStringLiteral("Configurar Plantillas de &Intereses"), QStringLiteral("-"),
                                    QStringLiteral("&Realizar Copia de Seguridad"),
                                    QStringLiteral("R&estaurar Copia de Seguridad"), QStringLiteral("-"),
                                    QStringLiteral("&Bloqueos"),
                                    QStringLiteral("&VERI*FACTU > &Enviar registros pendientes"),
                                    QStringLiteral("&VERI*FACTU > Registros &rechazados"),
                                    QStringLiteral("&VERI*FACTU > &Comprobar registros"), QStringLiteral("&Ayuda"),
                                    QStringLiteral("&Info. Versión"), QStringLiteral("&Manual"),
                                    QStringLiteral("Manual &On-Line"),
                                    QStringLiteral("&Declaración responsable VERI*FACTU")}));
    // Every entry of a menu, and every menu of the bar, answers to its own letter.
    std::vector<QList<QAction *>> menus{menu.menuBar()->actions()};
    for (std::size_t m = 0; m < menus.size(); ++m) {
        QSet<QString> letters;
        for (QAction *entry : menus[m]) {
            if (entry->isSeparator())
                continue;
            const QString letter = QKeySequence::mnemonic(entry->text()).toString();
            EXPECT_FALSE(letter.isEmpty()) << entry->text().toStdString();
            EXPECT_FALSE(letters.contains(letter)) << entry->text().toStdString();
            letters.insert(letter);
            if (entry->menu())
                menus.push_back(entry->menu()->actions());
        }
    }
    for (const char *name : {"clientes", "contactos", "agenda", "Action11", "Gestionar_Honorarios", "Editar_Tabla",
                             "Facturar", "ListadoFacturas", "Action13"})
        EXPECT_NE(action(name), nullptr) << name;
    EXPECT_EQ(action("contactos")->text(), QStringLiteral("C&ontactos"));
    EXPECT_EQ(action("Facturar")->property("category").toString(), QStringLiteral("Ostrana"));

    EXPECT_TRUE(widget("PadreIntereses")->isVisible());
    EXPECT_TRUE(widget("PadreClientes")->isVisible());
    EXPECT_TRUE(widget("PadreHonorarios")->isVisible());
    EXPECT_EQ(widget("PadreHonorarios")->findChild<QLabel *>()->text(), QStringLiteral("Honorarios y Facturación"));
    for (const char *entry : {"BtnRegion", "BtnConceptos", "BtnTablas", "BtnFacturar", "BtnListado", "BtnHonorarios"})
        EXPECT_TRUE(widget(entry)->isVisible()) << entry;
    EXPECT_EQ(m_menu->findChild<QAbstractButton *>(QStringLiteral("BtnCalcular"))->text(),
              QStringLiteral("Calcular Intereses"));
    // Each built action opens its modal window; closing it leaves the main window as it was.
    const std::pair<const char *, const char *> opened[] = {
        {"tiposdeinteres", "FormInt"}, {"liquidaciones", "FormInter"}, {"Action12", "FormDcto"},
        {"Action9", "FormCopSeg"}, {"Action1", "FormCopRes"}, {"ActionBloqueos", "FormBloqueos"},
        {"clientes", "FormCliPral"}, {"contactos", "FormCorConPral"}, {"DeclaracionVerifactu", "TFormDeclaracion"},
        {"Action11", "FormSelRegion"}, {"Gestionar_Honorarios", "formHonorarios"}, {"Editar_Tabla", "FormTablas"},
        {"Action13", "formCopyDescripcion"}, {"Facturar", "FormFact"}, {"ListadoFacturas", "FormFacBus"}};
    for (const auto &[actionName, windowName] : opened) {
        QString seen;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&seen, &poll] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                seen = modal->objectName();
                poll.stop();
                modal->close();
            }
        });
        poll.start();
        action(actionName)->trigger();
        poll.stop();
        EXPECT_EQ(seen, QString::fromLatin1(windowName)) << actionName;
    }
    EXPECT_TRUE(m_prompter.shown().empty());
    EXPECT_TRUE(menu.isVisible());

    const auto lists = widget("RegionLists")->findChildren<QListWidget *>();
    EXPECT_EQ(lists.size(), 19);
    EXPECT_TRUE(widget("RegionLists")->isHidden());
    const auto *valencia = widget("RegionLists")->findChild<QListWidget *>(QStringLiteral("Valencia"));
    ASSERT_NE(valencia, nullptr);
    EXPECT_EQ(valencia->count(), 3);
    EXPECT_EQ(valencia->item(0)->text(), QStringLiteral("Alicante"));

    EXPECT_EQ(menu.minimumSize(), QSize(605, 460));
    menu.resize(300, 200);
    EXPECT_GE(menu.width(), 605);
    EXPECT_GE(menu.height(), 460);
}

TEST_F(MainWindowTest, TheCloseButtonOfTheWebPanelWaitsTwentySeconds)
{
    configure(QStringLiteral("6"));
    start();
    auto *timer = m_menu->findChild<QTimer *>(QStringLiteral("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_TRUE(timer->isSingleShot());
    EXPECT_EQ(timer->interval(), 20000);
    EXPECT_FALSE(action("BtnCerrar")->isEnabled());
    QMetaObject::invokeMethod(timer, "timeout");
    EXPECT_TRUE(action("BtnCerrar")->isEnabled());
}

TEST_F(MainWindowTest, OfflineTheWebPanelStaysHiddenAndNoBrowserIsMade)
{
    configure(QStringLiteral("6"));
    setSupport("URL", QStringLiteral("https://soporte.example/pagina"));
    TFormMenu &menu = start();
    EXPECT_FALSE(menu.isOnline());
    EXPECT_TRUE(widget("PanelWEB")->isHidden());
    EXPECT_EQ(m_browsersMade, 0);
    EXPECT_EQ(menu.session().supportUrl, QStringLiteral("https://soporte.example/pagina?ver=CUANTIX&num=26.12.1.200.00000"));

    // Without internet the local manual opens in the user's own viewer; the panel stays hidden.
    action("Action3")->trigger();
    EXPECT_EQ(m_prompter.lastMessage(), QStringLiteral("No se encuentra el manual \"%1\".")
                                            .arg(QDir::toNativeSeparators(m_install.file(QStringLiteral("manual.pdf")))));
    QFile manual(m_install.file(QStringLiteral("manual.pdf")));
    ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
    manual.close();
    action("Action3")->trigger();
    EXPECT_EQ(m_opened, QList<QUrl>{QUrl::fromLocalFile(manual.fileName())});
    EXPECT_EQ(menu.session().supportUrl, manual.fileName());
    EXPECT_TRUE(widget("PanelWEB")->isHidden());
    EXPECT_EQ(m_browsersMade, 0);

    // No viewer took it: the user is told where it is.
    m_openSucceeds = false;
    m_prompter.queueAnswer(Prompter::Answer::No);
    action("Action3")->trigger();
    EXPECT_TRUE(m_prompter.lastMessage().startsWith(
        QStringLiteral("No se ha podido abrir el manual con el programa del sistema.\n\nEstá guardado como \"manual.pdf\"")))
        << m_prompter.lastMessage().toStdString();
}

TEST_F(MainWindowTest, OnlineTheSupportPageIsShownWithTheOfficesPostalCodeAndTelephone)
{
    configure(QStringLiteral("6"));
    setSupport("URL", QStringLiteral("https://soporte.example/pagina"));
    IniFile ini = settings();
    ini.writeString(QStringLiteral("FACTURACION"), QStringLiteral("CODIGOPOSTAL"), QStringLiteral("15001"));
    ini.writeString(QStringLiteral("FACTURACION"), QStringLiteral("TELEFONO"), QStringLiteral("902-123 45"));
    m_online = true;
    TFormMenu &menu = start();
    const QString supportUrl = QStringLiteral("https://soporte.example/pagina?ver=CUANTIX&num=26.12.1.200.00000");
    EXPECT_TRUE(widget("PanelWEB")->isVisible());
    ASSERT_EQ(m_browsersMade, 1);
    EXPECT_EQ(m_browser->objectName(), QStringLiteral("WebBrowser1"));
    ASSERT_EQ(m_browser->shown.size(), 1);
    EXPECT_EQ(m_browser->shown.back(), QUrl(supportUrl + QStringLiteral("&cp=15001&tf=jafnfhcw")));
    EXPECT_EQ(menu.session().supportUrl, supportUrl);
    EXPECT_EQ(m_menu->findChild<QLineEdit *>(QStringLiteral("EdtDIR"))->text(),
              supportUrl + QStringLiteral("&cp=15001&tf=jafnfhcw"));

    // "Inicio" shows SupportUrl itself; the footer adds the version and the region.
    action("BtnInicio")->trigger();
    EXPECT_EQ(m_browser->shown.back(), QUrl(supportUrl));
    emit label("LblSoporte")->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(m_browser->shown.back(), QUrl(supportUrl + QStringLiteral("?ver=26.12.1.0&region=Galicia")));

    // "Cerrar" hides the panel and stops loading; the manual shows it again on the local file.
    action("BtnCerrar")->setEnabled(true);
    action("BtnCerrar")->trigger();
    EXPECT_TRUE(widget("PanelWEB")->isHidden());
    EXPECT_EQ(m_browser->stops, 1);
    QFile manual(m_install.file(QStringLiteral("manual.pdf")));
    ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
    manual.close();
    action("Action3")->trigger();
    EXPECT_TRUE(widget("PanelWEB")->isVisible());
    EXPECT_EQ(m_browser->shown.back(), QUrl::fromLocalFile(manual.fileName()));
    action("BtnInicio")->trigger();
    EXPECT_EQ(m_browser->shown.back(), QUrl::fromLocalFile(manual.fileName()));
    // The footer keeps to the support page whatever "Inicio" shows now.
    emit label("LblSoporte")->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(m_browser->shown.back(), QUrl(supportUrl + QStringLiteral("?ver=26.12.1.0&region=Galicia")));
    EXPECT_EQ(m_browsersMade, 1);
    EXPECT_TRUE(m_opened.isEmpty());
}

TEST_F(MainWindowTest, OnlineWithoutASupportPageTheBackgroundStays)
{
    configure(QStringLiteral("6"));
    m_online = true;
    TFormMenu &menu = start();
    EXPECT_TRUE(menu.isOnline());
    EXPECT_TRUE(menu.session().supportUrl.isEmpty());
    EXPECT_TRUE(widget("PanelWEB")->isHidden());
    EXPECT_EQ(m_browsersMade, 0);
}

TEST_F(MainWindowTest, FooterLinksNeedTheMakersAddresses)
{
    configure(QStringLiteral("6"));
    start();
    for (const char *name : {"LblSoporte", "LblWeb1", "LblWeb2", "LblEmail", "LblSugerencias"})
        EXPECT_FALSE(label(name)->isEnabled()) << name;
    EXPECT_FALSE(action("Action5")->isEnabled());
    EXPECT_TRUE(label("LblTelefono1")->isHidden());
    m_menu.reset();

    setSupport("URL", QStringLiteral("https://soporte.example/pagina"));
    setSupport("MANUAL", QStringLiteral("https://soporte.example/manual.pdf"));
    setSupport("WEB1", QStringLiteral("https://www.example.es"));
    setSupport("EMAIL", QStringLiteral("soporte@example.es"));
    setSupport("SUGERENCIAS", QStringLiteral("ideas@example.es"));
    setSupport("TELEFONO1", QStringLiteral("900 100 200"));
    start();
    for (const char *name : {"LblSoporte", "LblWeb1", "LblEmail", "LblSugerencias", "LblTelefono1"})
        EXPECT_TRUE(label(name)->isEnabled()) << name;
    EXPECT_FALSE(label("LblWeb2")->isEnabled());
    EXPECT_TRUE(label("LblTelefono1")->text().contains(QStringLiteral("900 100 200")));
    emit label("LblWeb1")->linkActivated(QStringLiteral("#"));
    emit label("LblEmail")->linkActivated(QStringLiteral("#"));
    emit label("LblSugerencias")->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(m_opened, (QList<QUrl>{QUrl(QStringLiteral("https://www.example.es")),
                                      QUrl(QStringLiteral("mailto:soporte@example.es")),
                                      QUrl(QStringLiteral("mailto:ideas@example.es"))}));
    action("Action5")->trigger();
    EXPECT_EQ(m_opened.back(), QUrl(QStringLiteral("https://soporte.example/manual.pdf")));
}

TEST_F(MainWindowTest, CompanyDataFromTheMenuSetsTheCaptionAgain)
{
    configure(QStringLiteral("6"));
    TFormMenu &menu = start();
    menu.setWindowTitle(QStringLiteral("Intereses y Honorarios (Region: Galicia)"));
    WhenOpen<TFormConfHono>(QStringLiteral("FormConfHono"), [](TFormConfHono *window) {
        auto *provinces = window->findChild<QComboBox *>(QStringLiteral("tbxProvincia"));
        provinces->setCurrentIndex(provinces->findText(QStringLiteral("Madrid")));
        for (const char *name : {"tbxDireccion", "tbxLocalidad", "tbxTelefono", "tbxemail", "tbxcodpostal"})
            window->findChild<QLineEdit *>(QLatin1String(name))->setText(QStringLiteral("x"));
        window->findChild<QLineEdit *>(QStringLiteral("tbxNif"))->setText(QStringLiteral("B12345674"));
        window->accept();
    });
    action("Action10")->trigger();
    EXPECT_EQ(menu.windowTitle(), QStringLiteral("Cuantix"));
    EXPECT_EQ(menu.session().regionName, QStringLiteral("Madrid"));
    EXPECT_TRUE(moduleOpenAt(m_install.path() + QStringLiteral("/modulos/madrid")));
}

TEST_F(MainWindowTest, LiquidacionesAndItsButtonOpenTheSettlementInput)
{
    configure(QStringLiteral("6"));
    start();
    int opened = 0;
    for (int i = 0; i < 2; ++i) {
        WhenOpen<TFormInter>(QStringLiteral("FormInter"), [&opened](TFormInter *window) {
            ++opened;
            EXPECT_TRUE(window->isModal());
            window->reject();
        });
        if (i == 0)
            action("liquidaciones")->trigger();
        else
            m_menu->findChild<QAbstractButton *>(QStringLiteral("BtnCalcular"))->click();
    }
    EXPECT_EQ(opened, 2);
}

TEST_F(MainWindowTest, ALaterStartBringsTheMinimisedWindowBack)
{
    configure(QStringLiteral("6"));
    TFormMenu &menu = start();
    menu.showMinimized();
    EXPECT_TRUE(QTest::qWaitFor([&menu] { return menu.isMinimized(); }));
    menu.bringToFront();
    EXPECT_TRUE(QTest::qWaitFor([&menu] { return !menu.isMinimized(); }));
    EXPECT_TRUE(menu.isVisible());
}

TEST_F(MainWindowTest, AboutBoxShowsTheVersionAndTheOffice)
{
    IniFile ini = settings();
    ini.writeString(QStringLiteral("FACTURACION"), QStringLiteral("EMPRESA"), QStringLiteral("Bufete Peña"));
    ini.writeString(QStringLiteral("FACTURACION"), QStringLiteral("TELEFONO"), QStringLiteral("965000000"));
    tformacerca about(ini, QStringLiteral("8.3.1.0"), m_install.path());
    const auto text = [&about](const char *name) {
        auto *edit = about.findChild<QLineEdit *>(QLatin1String(name));
        EXPECT_TRUE(edit && edit->isReadOnly()) << name;
        return edit ? edit->text() : QString();
    };
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Cuantix"));
    EXPECT_EQ(text("Edit1"), QStringLiteral("Versión: 8.3.1"));
    EXPECT_EQ(text("EdtPrograma"), QStringLiteral("Quorvia Cuantix"));
    EXPECT_EQ(text("EdtYear"), QStringLiteral("2008"));
    EXPECT_EQ(text("EdtMes"), QStringLiteral("Marzo"));
    EXPECT_EQ(text("EdtBBDD"), QStringLiteral("sqlite"));
    EXPECT_EQ(text("EdtServicePack"), QStringLiteral("0"));
    EXPECT_EQ(text("EdtEmpresa"), QStringLiteral("Bufete Peña"));
    EXPECT_EQ(text("EdtTelefono"), QStringLiteral("965000000"));
    // Every field shows its whole text once laid out.
    about.show();
    for (auto *edit : about.findChildren<QLineEdit *>())
        EXPECT_GE(edit->contentsRect().width(), edit->fontMetrics().horizontalAdvance(edit->text())) << edit->objectName().toStdString();
}

TEST(Splash, CleansUpTheLocksOfTheCurrentFolderBeforeTheMainWindow)
{
    TempInstallation install;
    QFile stale(install.file(QStringLiteral("modulos/galicia/PARADOX.LCK")));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    // What a restore cut short while it extracted leaves behind.
    ASSERT_TRUE(QDir().mkpath(install.file(QStringLiteral(".restauracion-Xy12Ab/new/Datos"))));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(install.path()));
    TFormInicio splash(install.path());
    splash.show();
    const QString programDir = splash.runStartSteps();
    QDir::setCurrent(before);

    EXPECT_EQ(programDir, QDir(install.path()).canonicalPath());
    EXPECT_FALSE(stale.exists());
    EXPECT_FALSE(QFileInfo::exists(install.file(QStringLiteral(".restauracion-Xy12Ab"))));
    EXPECT_EQ(splash.notices(), QStringList{QStringLiteral("Se han eliminado los restos de una restauración de copia "
                                                           "de seguridad interrumpida.")});
    EXPECT_EQ(splash.findChild<QLabel *>(QStringLiteral("Label1"))->text(),
              QStringLiteral("Cargando Menu Principal . . ."));
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST_F(MainWindowTest, VerifactuPendingRecordsAreCountedAfterAWindowAndCheckedAndSentFromTheMenu)
{
    configure(QStringLiteral("6"));
    TFormMenu &menu = start();
    QLabel *pending = label("LabelVerifactuPendientes");
    EXPECT_TRUE(pending->isHidden());
    const VerifactuLedger ledger(TestLedgerOptions());
    const QSqlDatabase db = menu.context().store.database(Alias::Devenix);
    ASSERT_TRUE(ledger.recordIssue(db, SampleInvoice(1)));
    ASSERT_TRUE(ledger.recordIssue(db, SampleInvoice(2)));

    // Any window may have issued invoices: closing it counts again.
    WhenOpen<QDialog>(QStringLiteral("formacerca"), [](QDialog *about) { about->reject(); });
    action("Action8")->trigger();
    EXPECT_FALSE(pending->isHidden());
    EXPECT_EQ(pending->text(), QStringLiteral("Registros VERI*FACTU pendientes de envío: 2"));
    EXPECT_FALSE(menu.verifactuSender().timer().isActive()); // no certificate: nothing automatic

    action("VerifactuComprobar")->trigger();
    EXPECT_EQ(m_prompter.lastMessage(), QStringLiteral("Registros comprobados: 2. Todas las huellas y la cadena son correctas."));
    EXPECT_EQ(m_prompter.shown().back().title, QStringLiteral("Comprobar registros"));

    action("VerifactuEnviar")->trigger();
    EXPECT_EQ(m_prompter.lastMessage(), QStringLiteral("No se ha indicado el certificado para enviar los registros VERI*FACTU."));
    EXPECT_EQ(m_prompter.shown().back().icon, Prompter::Icon::Warning);
    EXPECT_EQ(pending->text(), QStringLiteral("Registros VERI*FACTU pendientes de envío: 2"));
    EXPECT_EQ(label("LabelVerifactuAviso")->text(), m_prompter.lastMessage());
}
