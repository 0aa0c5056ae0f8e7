#include "shell/web_panel.h"

#include "shell/support_links.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <functional>

WebPanel::WebPanel(BrowserFactory factory, QWidget *parent)
    : QWidget(parent)
    , m_factory(std::move(factory))
{
    setObjectName(QStringLiteral("PanelWEB"));
    auto *tools = new QToolBar(this);
    tools->setObjectName(QStringLiteral("ToolBarWEB"));
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const auto add = [this, tools](const char *name, const QString &text, QStyle::StandardPixmap icon,
                                   std::function<void()> run) {
        QAction *action = tools->addAction(style()->standardIcon(icon), text);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, std::move(run));
        return action;
    };
    // Back and forward with no page to go to do nothing.
    add("BtnAtras", QStringLiteral("Atrás"), QStyle::SP_ArrowBack, [this] {
        if (m_browser)
            m_browser->back();
    });
    add("BtnAdelante", QStringLiteral("Adelante"), QStyle::SP_ArrowForward, [this] {
        if (m_browser)
            m_browser->forward();
    });
    add("BtnDetener", QStringLiteral("Detener"), QStyle::SP_BrowserStop, [this] {
        if (m_browser)
            m_browser->stop();
    });
    add("BtnActualizar", QStringLiteral("Actualizar"), QStyle::SP_BrowserReload, [this] {
        if (m_browser)
            m_browser->reload();
    });
    add("BtnInicio", QStringLiteral("Inicio"), QStyle::SP_DirHomeIcon, [this] { emit homeRequested(); });
    m_close = add("BtnCerrar", QStringLiteral("Cerrar"), QStyle::SP_DialogCloseButton, [this] { closePanel(); });
    m_close->setEnabled(false);

    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("EdtDIR"));
    m_go = new QPushButton(QStringLiteral("Ir a"), this);
    m_go->setObjectName(QStringLiteral("BitIra"));
    m_go->setDefault(true);
    connect(m_go, &QPushButton::clicked, this, &WebPanel::goToTypedAddress);
    connect(m_address, &QLineEdit::returnPressed, this, &WebPanel::goToTypedAddress);

    auto *addressLine = new QHBoxLayout;
    addressLine->addWidget(new QLabel(QStringLiteral("Dirección"), this));
    addressLine->addWidget(m_address, 1);
    addressLine->addWidget(m_go);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(tools);
    layout->addLayout(addressLine);
    layout->addStretch(1);
}

void WebPanel::showEvent(QShowEvent *event)
{
    ensureBrowser();
    QWidget::showEvent(event);
}

BrowserView *WebPanel::ensureBrowser()
{
    if (m_browser || !m_factory)
        return m_browser;
    m_browser = m_factory(this);
    if (!m_browser)
        return nullptr;
    m_browser->setObjectName(QStringLiteral("WebBrowser1"));
    auto *layout = static_cast<QVBoxLayout *>(this->layout());
    // The browser takes the place of the stretch below the address line.
    delete layout->takeAt(layout->count() - 1);
    layout->addWidget(m_browser, 1);
    connect(m_browser, &BrowserView::addressChanged, this, [this](const QUrl &url) {
        m_address->setText(url.isLocalFile() ? url.toLocalFile() : url.toDisplayString());
    });
    return m_browser;
}

void WebPanel::showAddress(const QString &address)
{
    setVisible(true);
    m_address->setText(address);
    if (BrowserView *browser = ensureBrowser())
        browser->navigate(BrowserUrl(address));
}

void WebPanel::goToTypedAddress()
{
    if (!m_address->text().trimmed().isEmpty())
        showAddress(m_address->text().trimmed());
}

void WebPanel::closePanel()
{
    if (m_browser)
        m_browser->stop();
    setVisible(false);
}

void WebPanel::enableClose()
{
    m_close->setEnabled(true);
}
