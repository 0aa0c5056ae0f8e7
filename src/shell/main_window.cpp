#include "shell/main_window.h"

#include "store/server.h"

#include "core/errors.h"
#include "core/ini_file.h"
#include "core/version.h"
#include "fees/region_modules.h"
#include "invoicing/company_data.h"
#include "platform/desktop_links.h"
#include "platform/online_check.h"
#include "shell/nav_icons.h"
#include "shell/startup.h"
#include "shell/web_panel.h"
#include "shell/window_openers.h"
#include "store/server.h"
#include "verifactu/declaration.h"
#include "verifactu/certificate_password.h"
#include "verifactu/declaration_window.h"
#include "verifactu/pending_sender.h"
#include "verifactu/record_check.h"
#include "verifactu/rejected_records_window.h"
#include "widgets/application.h"
#include "widgets/qt_prompter.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

// The area right of the navigation panel: the background image, covered by the web panel
// while that is shown.
class BackgroundArea final : public QWidget
{
public:
    explicit BackgroundArea(QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("ImagenFondo"));
        setAutoFillBackground(true);
    }

    void setImage(const QString &path)
    {
        m_image = path.isEmpty() ? QPixmap() : QPixmap(path);
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0xF4, 0xF1, 0xEA));
        if (m_image.isNull())
            return;
        const QPixmap scaled = m_image.scaled(size(), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        painter.drawPixmap(0, 0, scaled);
    }

private:
    QPixmap m_image;
};

namespace {

constexpr int kCloseEnabledAfterMs = 20000;

Prompter &ChoosePrompter(const MenuOptions &options, std::unique_ptr<Prompter> &own, QWidget *window)
{
    if (options.prompter)
        return *options.prompter;
    own = std::make_unique<QtPrompter>(window);
    return *own;
}

QToolButton *NavButton(QWidget *parent, const char *name, const QString &text, const QIcon &icon, QAction *runs)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(text);
    button->setIcon(icon);
    button->setIconSize(QSize(48, 48));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setMinimumWidth(124);
    button->setCursor(Qt::PointingHandCursor);
    QObject::connect(button, &QToolButton::clicked, runs, &QAction::trigger);
    return button;
}

} // namespace

TFormMenu::TFormMenu(MenuOptions options, QWidget *parent)
    : QMainWindow(parent)
    , m_options(std::move(options))
    , m_prompter(ChoosePrompter(m_options, m_ownPrompter, this))
    , m_store(m_options.connectionPrefix)
    , m_context{m_session, m_store, m_prompter, m_options.settingsPath}
{
    setObjectName(QStringLiteral("FormMenu"));
    setWindowTitle(kDesignCaption);
    setMinimumSize(605, 460);
    m_session.programDir = WithoutTrailingSeparator(m_options.programDir);
    try {
        m_support = ReadSupportSettings(m_context.settings());
    } catch (...) {
        ReportCurrentException(m_prompter);
    }
    m_fileVersion = ReadVersionValue(QStringLiteral("FileVersion"));

    buildActions();
    buildMenus();
    auto *central = new QWidget(this);
    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addWidget(buildNavigation());
    m_background = new BackgroundArea(central);
    m_web = new WebPanel(m_options.browserFactory, m_background);
    m_web->hide();
    auto *backgroundLayout = new QVBoxLayout(m_background);
    backgroundLayout->setContentsMargins(4, 4, 4, 4);
    backgroundLayout->addWidget(m_web);
    body->addWidget(m_background, 1);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(body, 1);
    layout->addWidget(buildVerifactuBar());
    layout->addWidget(buildFooter());
    setCentralWidget(central);
    buildRegionLists();
    connect(m_web, &WebPanel::homeRequested, this, [this] {
        if (!m_session.supportUrl.isEmpty())
            m_web->showAddress(m_session.supportUrl);
    });

    try {
        m_store.setEngine(AskServerPassword(DatabaseEngine::Read(m_context.settings()), m_prompter));
        m_store.connectMain(m_session.programDir);
        m_store.OpenWorkTables();
    } catch (...) {
        ReportCurrentException(m_prompter);
    }
    Openers::CreateRunWindows(m_context, this);
    startVerifactuSender();

    placeOnScreen();
    m_backgroundImage = BackgroundImageFor(m_session.programDir, screen() ? screen()->size().width() : 0);
    m_background->setImage(m_backgroundImage);

    m_closeTimer = new QTimer(this);
    m_closeTimer->setObjectName(QStringLiteral("Timer1"));
    m_closeTimer->setSingleShot(true);
    m_closeTimer->setInterval(kCloseEnabledAfterMs);
    connect(m_closeTimer, &QTimer::timeout, m_web, &WebPanel::enableClose);
    m_closeTimer->start();
}

TFormMenu::~TFormMenu()
{
    // Windows owned by this one, and the sender, go before the databases and the session they use.
    delete m_verifactu;
    const auto children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children)
        delete child;
}

QAction *TFormMenu::makeAction(const char *name, const QString &text, std::function<void()> run)
{
    auto *made = new QAction(text, this);
    made->setObjectName(QLatin1String(name));
    connect(made, &QAction::triggered, this, std::move(run));
    return made;
}

QAction *TFormMenu::action(const char *name) const
{
    return findChild<QAction *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

void TFormMenu::startVerifactuSender()
{
    PendingSenderSetup setup;
    setup.database = [this] {
        return m_store.isConnected(Alias::Devenix) ? m_store.database(Alias::Devenix) : QSqlDatabase();
    };
    setup.settingsPath = m_options.settingsPath;
    setup.prompter = &m_prompter;
    setup.password = &ProgramCertificatePassword();
    setup.userBusy = [] { return QApplication::activeModalWidget() != nullptr; };
    m_verifactu = new PendingSender(std::move(setup), this);
    const auto showBar = [this] {
        m_pendingLabel->parentWidget()->setVisible(!m_pendingLabel->isHidden() || !m_verifactuNotice->isHidden());
    };
    connect(m_verifactu, &PendingSender::pendingChanged, this, [this, showBar](int count) {
        m_pendingLabel->setText(PendingRecordsText(count));
        m_pendingLabel->setVisible(count > 0);
        showBar();
    });
    connect(m_verifactu, &PendingSender::problemChanged, this, [this, showBar](const QString &text) {
        m_verifactuNotice->setText(text);
        m_verifactuNotice->setVisible(!text.isEmpty());
        showBar();
    });
    m_verifactu->refresh();
}

void TFormMenu::buildActions()
{
    using Opener = void (*)(AppContext &, QWidget *);
    // Any window may have issued or cancelled invoices: the pending count follows.
    const auto opens = [this](Opener open) {
        return [this, open] {
            open(m_context, this);
            if (m_verifactu)
                m_verifactu->refresh();
        };
    };
    makeAction("tiposdeinteres", QStringLiteral("&Tipos de Interés"), opens(&Openers::OpenRateTable));
    makeAction("liquidaciones", QStringLiteral("&Liquidaciones"), opens(&Openers::OpenSettlement));
    makeAction("Action2", QStringLiteral("&Salir"), [this] { close(); });
    // Its own caption is the older "&Configurar Facturación"; the menu shows the entry's.
    makeAction("Action10", QStringLiteral("&Configurar Datos Empresa"), opens(&Openers::OpenCompanyData))
        ->setIconText(QStringLiteral("&Configurar Facturación"));
    makeAction("Action12", QStringLiteral("Configurar Plantillas de &Intereses"), opens(&Openers::OpenTemplates));
    makeAction("Action9", QStringLiteral("&Realizar Copia de Seguridad"), opens(&Openers::OpenBackup));
    makeAction("Action1", QStringLiteral("R&estaurar Copia de Seguridad"), opens(&Openers::OpenRestore));
    makeAction("ActionBloqueos", QStringLiteral("&Bloqueos"), opens(&Openers::OpenLocks));
    makeAction("Action8", QStringLiteral("&Info. Versión"), opens(&Openers::OpenAbout));
    makeAction("Action3", QStringLiteral("&Manual"), [this] {
        const QString manual = m_session.programDir + QStringLiteral("/manual.pdf");
        if (!QFileInfo::exists(manual)) {
            m_prompter.inform(QStringLiteral("No se encuentra el manual \"%1\".").arg(QDir::toNativeSeparators(manual)));
            return;
        }
        showManual(manual);
    });
    makeAction("Action5", QStringLiteral("Manual &On-Line"), [this] { showManual(m_support.manual); })
        ->setEnabled(!m_support.manual.isEmpty());

    makeAction("DeclaracionVerifactu", QStringLiteral("&Declaración responsable VERI*FACTU"), [this] {
        try {
            const Declaration declaration = ReadDeclaration(m_session.programDir + QLatin1Char('/') + kDeclarationFile);
            TFormDeclaracion window(DeclarationText(declaration), this);
            window.exec();
        } catch (const AppError &e) {
            m_prompter.inform(e.message());
        }
    });

    makeAction("VerifactuEnviar", QStringLiteral("&Enviar registros pendientes"), [this] { m_verifactu->sendNow(); });
    makeAction("VerifactuRechazados", QStringLiteral("Registros &rechazados"), [this] {
        TFormVerifactuRechazados window(RecordsWithAgencyErrors(m_store.database(Alias::Devenix)), this);
        window.exec();
    });
    makeAction("VerifactuComprobar", QStringLiteral("&Comprobar registros"), [this] {
        const ChainCheck check = CheckRecordChain(m_store.database(Alias::Devenix));
        m_prompter.message(ChainCheckText(check), check.ok() ? Prompter::Icon::Information : Prompter::Icon::Warning,
                           Prompter::Buttons::Ok, QStringLiteral("Comprobar registros"));
    });

    makeAction("Action11", QStringLiteral("Seleccionar Región"), opens(&Openers::OpenRegionSelection));
    makeAction("Gestionar_Honorarios", QStringLiteral("Gestión de Conceptos"), opens(&Openers::OpenFeeConcepts));
    makeAction("Editar_Tabla", QStringLiteral("Editor de Tablas/Ref."), opens(&Openers::OpenScaleTables));
    makeAction("Facturar", QStringLiteral("Facturar"), opens(&Openers::OpenInvoicing));
    makeAction("ListadoFacturas", QStringLiteral("Listado Facturas"), opens(&Openers::OpenInvoiceList));
    makeAction("Action13", QStringLiteral("Calcular Honorarios"), opens(&Openers::OpenFeeCalculator));
    makeAction("clientes", QStringLiteral("&Clientes"), opens(&Openers::OpenClients));
    makeAction("contactos", QStringLiteral("C&ontactos"), opens(&Openers::OpenContacts));
    makeAction("agenda", QStringLiteral("&Agenda"), [] {});
    for (const char *name : {"clientes", "contactos", "agenda", "Facturar", "ListadoFacturas"})
        action(name)->setProperty("category", QStringLiteral("Ostrana"));
}

void TFormMenu::buildMenus()
{
    QMenu *files = menuBar()->addMenu(QStringLiteral("&Ficheros"));
    files->setObjectName(QStringLiteral("MenuFicheros"));
    QMenu *interest = files->addMenu(QStringLiteral("&Intereses"));
    interest->setObjectName(QStringLiteral("MenuIntereses"));
    interest->addAction(action("tiposdeinteres"));
    interest->addAction(action("liquidaciones"));
    files->addSeparator();
    files->addAction(action("clientes"));
    files->addAction(action("contactos"));
    files->addSeparator();
    files->addAction(action("Action2"));

    QMenu *tools = menuBar()->addMenu(QStringLiteral("&Utilidades"));
    tools->setObjectName(QStringLiteral("MenuUtilidades"));
    tools->addSeparator();
    tools->addAction(action("Action10"));
    tools->addAction(action("Action12"));
    tools->addSeparator();
    tools->addAction(action("Action9"));
    tools->addAction(action("Action1"));
    tools->addSeparator();
    tools->addAction(action("ActionBloqueos"));
    QMenu *verifactu = tools->addMenu(QStringLiteral("&VERI*FACTU"));
    verifactu->setObjectName(QStringLiteral("MenuVerifactu"));
    verifactu->addAction(action("VerifactuEnviar"));
    verifactu->addAction(action("VerifactuRechazados"));
    verifactu->addAction(action("VerifactuComprobar"));

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Ayuda"));
    help->setObjectName(QStringLiteral("MenuAyuda"));
    help->addAction(action("Action8"));
    help->addAction(action("Action3"));
    help->addAction(action("Action5"));
    help->addAction(action("DeclaracionVerifactu"));
}

QWidget *TFormMenu::buildNavigation()
{
    auto *panel = new QFrame;
    panel->setObjectName(QStringLiteral("PanelNavegacion"));
    panel->setStyleSheet(QStringLiteral(
        "#PanelNavegacion { background: #1f3a5f; }"
        "#PanelNavegacion QToolButton { color: white; font-weight: bold; padding: 6px; border-radius: 6px; }"
        "#PanelNavegacion QToolButton:hover { background: #2d5286; }"
        "#PanelNavegacion QLabel { color: #c9d6e8; font-weight: bold; }"));
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 12, 6, 12);

    struct Entry
    {
        const char *name;
        QString text;
        NavGlyph glyph;
        const char *action;
    };
    const auto group = [this, panel, layout](const char *name, const QString &title,
                                             std::initializer_list<Entry> entries) {
        auto *box = new QWidget(panel);
        box->setObjectName(QLatin1String(name));
        auto *boxLayout = new QVBoxLayout(box);
        boxLayout->setContentsMargins(0, 0, 0, 12);
        boxLayout->addWidget(new QLabel(title, box), 0, Qt::AlignHCenter);
        for (const Entry &entry : entries)
            boxLayout->addWidget(NavButton(box, entry.name, entry.text, NavIcon(entry.glyph), action(entry.action)));
        layout->addWidget(box);
        return box;
    };
    group("PadreIntereses", QStringLiteral("Intereses"),
          {{"BtnTiposInteres", QStringLiteral("Tipos de Interés "), NavGlyph::Rates, "tiposdeinteres"},
           {"BtnCalcular", QStringLiteral("Calcular Intereses"), NavGlyph::Settlement, "liquidaciones"}});
    group("PadreClientes", QStringLiteral("Clientes"),
          {{"BtnClientes", QStringLiteral("Clientes"), NavGlyph::Clients, "clientes"},
           {"BtnContactos", QStringLiteral("Contactos"), NavGlyph::Contacts, "contactos"}});
    group("PadreHonorarios", QStringLiteral("Honorarios y Facturación"),
          {{"BtnRegion", QStringLiteral("Seleccionar Región"), NavGlyph::Region, "Action11"},
           {"BtnConceptos", QStringLiteral("Gestión de Conceptos"), NavGlyph::Concepts, "Gestionar_Honorarios"},
           {"BtnTablas", QStringLiteral("Editor de Tablas/Ref."), NavGlyph::Tables, "Editar_Tabla"},
           {"BtnFacturar", QStringLiteral("Facturar"), NavGlyph::Invoice, "Facturar"},
           {"BtnListado", QStringLiteral("Listado Facturas"), NavGlyph::InvoiceList, "ListadoFacturas"},
           {"BtnHonorarios", QStringLiteral("Calcular Honorarios"), NavGlyph::Fees, "Action13"}});
    layout->addStretch(1);
    // Three groups do not fit a short screen: the panel scrolls rather than squeezing its buttons.
    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("ScrollNavegacion"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setWidget(panel);
    scroll->setFixedWidth(panel->sizeHint().width() + scroll->verticalScrollBar()->sizeHint().width());
    scroll->setStyleSheet(QStringLiteral("QScrollArea { background: #1f3a5f; }"));
    return scroll;
}

// The pending VERI*FACTU records and the last automatic sending's trouble, shown only while
// there is something to tell.
QWidget *TFormMenu::buildVerifactuBar()
{
    auto *bar = new QFrame;
    bar->setObjectName(QStringLiteral("PanelVerifactu"));
    bar->setStyleSheet(QStringLiteral("#PanelVerifactu { background: #fbe9e7; border-top: 1px solid #d7a8a0; }"
                                      "#PanelVerifactu QLabel { color: #a00000; }"));
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(10, 4, 10, 4);
    layout->setSpacing(18);
    m_pendingLabel = new QLabel(bar);
    m_pendingLabel->setObjectName(QStringLiteral("LabelVerifactuPendientes"));
    m_pendingLabel->setStyleSheet(QStringLiteral("font-weight: bold;"));
    m_pendingLabel->hide();
    layout->addWidget(m_pendingLabel);
    m_verifactuNotice = new QLabel(bar);
    m_verifactuNotice->setObjectName(QStringLiteral("LabelVerifactuAviso"));
    m_verifactuNotice->setWordWrap(true);
    m_verifactuNotice->hide();
    layout->addWidget(m_verifactuNotice, 1);
    bar->hide();
    return bar;
}

QWidget *TFormMenu::buildFooter()
{
    auto *footer = new QFrame;
    footer->setObjectName(QStringLiteral("PanelPie"));
    footer->setStyleSheet(QStringLiteral("#PanelPie { background: #e6e1d6; border-top: 1px solid #b9b2a3; }"));
    auto *layout = new QHBoxLayout(footer);
    layout->setContentsMargins(10, 4, 10, 4);
    layout->setSpacing(18);
    const auto link = [this, footer, layout](const char *name, const QString &text, bool enabled,
                                             std::function<void()> run) {
        auto *label = new QLabel(footer);
        label->setObjectName(QLatin1String(name));
        label->setText(enabled ? QStringLiteral("<a href=\"#\">%1</a>").arg(text.toHtmlEscaped()) : text);
        label->setEnabled(enabled);
        connect(label, &QLabel::linkActivated, this, std::move(run));
        layout->addWidget(label);
        return label;
    };
    const bool hasPage = !m_support.url.isEmpty();
    link("LblSoporte", QStringLiteral("Soporte Tecnico"), hasPage, [this] { showFooterSupport(); });
    link("LblTelefono1", m_support.phone1, hasPage, [this] { showFooterSupport(); })
        ->setVisible(!m_support.phone1.isEmpty());
    link("LblTelefono2", m_support.phone2, hasPage, [this] { showFooterSupport(); })
        ->setVisible(!m_support.phone2.isEmpty());
    layout->addStretch(1);
    link("LblWeb1", m_support.web1.isEmpty() ? QStringLiteral("Sitio web") : m_support.web1, !m_support.web1.isEmpty(),
         [this] { openExternally(QUrl::fromUserInput(m_support.web1)); });
    link("LblWeb2", m_support.web2.isEmpty() ? QStringLiteral("Sitio web") : m_support.web2, !m_support.web2.isEmpty(),
         [this] { openExternally(QUrl::fromUserInput(m_support.web2)); });
    link("LblEmail", QStringLiteral("Correo de soporte"), !m_support.email.isEmpty(),
         [this] { openExternally(QUrl(QStringLiteral("mailto:") + m_support.email)); });
    link("LblSugerencias", QStringLiteral("Sugerencias"), !m_support.suggestions.isEmpty(),
         [this] { openExternally(QUrl(QStringLiteral("mailto:") + m_support.suggestions)); });
    return footer;
}

void TFormMenu::buildRegionLists()
{
    auto *holder = new QWidget(this);
    holder->setObjectName(QStringLiteral("RegionLists"));
    holder->hide();
    for (const CommunityList &community : RegionLists()) {
        auto *list = new QListWidget(holder);
        list->setObjectName(community.name);
        list->addItems(community.provinces);
    }
}

void TFormMenu::placeOnScreen()
{
    if (const QScreen *where = screen())
        setGeometry(where->availableGeometry());
}

void TFormMenu::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_showStepQueued) {
        m_showStepQueued = true;
        QTimer::singleShot(0, this, &TFormMenu::runShowStep);
    }
}

void TFormMenu::runShowStep()
{
    if (m_showStepStarted)
        return;
    m_showStepStarted = true;
    try {
        showStepBody();
    } catch (...) {
        ReportCurrentException(m_prompter);
    }
    m_showStepDone = true;
}

void TFormMenu::showStepBody()
{
    for (const QString &notice : std::as_const(m_options.startNotices))
        m_prompter.warn(notice);

    m_online = m_options.isOnline ? m_options.isOnline() : IsOnline();
    if (!m_online)
        m_web->closePanel();

    const QString region = m_context.settings().readString(kStartSection, kRegionKey).trimmed();
    takeStartRegion();
    setWindowTitle(kMainCaption);

    if (region.isEmpty()) {
        // Without the general database the company data window cannot list the provinces;
        // its failure has been shown already.
        if (m_store.isConnected(Alias::General))
            Openers::OpenCompanyData(m_context, this);
        if (m_context.settings().readString(kStartSection, kRegionKey).trimmed().isEmpty()) {
            m_prompter.warn(kNotConfiguredWarning);
            emit quitRequested();
        }
    } else if (!m_session.moduleDir.isEmpty()) {
        try {
            m_store.openModule(m_session.moduleDir);
        } catch (...) {
            ReportCurrentException(m_prompter);
        }
    }

    m_supportPage = BuildSupportUrl(m_support.url, m_fileVersion);
    m_session.supportUrl = m_supportPage;
    if (m_online && !m_session.supportUrl.isEmpty())
        showSupportPage();
    else
        m_web->closePanel();
}

void TFormMenu::takeStartRegion()
{
    if (!m_store.isConnected(Alias::General))
        return;
    const QString id = m_context.settings().readString(kStartSection, kRegionKey).trimmed();
    const auto region = RegionOrFirst(m_store.database(Alias::General), id);
    if (!region)
        return;
    m_session.regionId = region->id.toInt();
    m_session.regionIPC = static_cast<float>(region->ipc);
    m_session.moduleDir = ModuleDirFor(m_session.programDir, *region);
    m_session.regionName = region->nombre;
}

void TFormMenu::showSupportPage()
{
    const IniFile settings = m_context.settings();
    m_web->showAddress(SupportPageAddress(m_session.supportUrl,
                                          settings.readString(kCompanySection, kPostalCodeKey),
                                          settings.readString(kCompanySection, QStringLiteral("TELEFONO"))));
}

void TFormMenu::showManual(const QString &address)
{
    if (address.isEmpty())
        return;
    m_session.supportUrl = address;
    if (m_online) {
        m_web->showAddress(address);
        return;
    }
    // The panel stays hidden without internet; the manual still opens in the user's viewer.
    m_web->closePanel();
    const QUrl url = BrowserUrl(address);
    if (!openExternally(url) && url.isLocalFile())
        ReportUnopenedFile(m_prompter, QStringLiteral("el manual"), url.toLocalFile());
}

void TFormMenu::showFooterSupport()
{
    if (!m_supportPage.isEmpty())
        m_web->showAddress(FooterSupportAddress(m_supportPage, m_fileVersion, m_session.regionName));
}

bool TFormMenu::openExternally(const QUrl &url)
{
    return m_options.openExternally ? m_options.openExternally(url) : OpenAddress(url);
}

void TFormMenu::bringToFront()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TFormMenu::closeEvent(QCloseEvent *event)
{
    try {
        m_store.CloseDatabases();
    } catch (...) {
        // Closing cannot be refused; whatever was not closed goes with the program.
    }
    if (isVisible())
        emit quitRequested();
    QMainWindow::closeEvent(event);
}
