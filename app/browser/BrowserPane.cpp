#include "BrowserPane.h"

#include "LightPane.h"
#include "PaneChoice.h"
#include "WebEngineModule.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLibrary>
#include <QLoggingCategory>
#include <QResizeEvent>
#include <QUrl>

// Which module file loaded is said only on request
// (QT_LOGGING_RULES="kestrune.pane.debug=true"): the package's install test asks.
Q_LOGGING_CATEGORY(lcPane, "kestrune.pane", QtInfoMsg)

BrowserPane::BrowserPane(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    plain_ = new QLabel(this);
    plain_->setAlignment(Qt::AlignCenter);
    plain_->setWordWrap(true);
    plain_->setOpenExternalLinks(true);
    // The pane itself takes its turn of the Tab key; the link is for the mouse.
    plain_->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    plain_->setFocusPolicy(Qt::NoFocus);
}

void BrowserPane::Navigate(const QString& address)
{
    navigations_ << address;
    show(address);
}

void BrowserPane::Navigate2(const QString& address)
{
    Navigate(address);
}

void BrowserPane::show(const QString& address)
{
    if (engine_) {
        engine_->setProperty("url", QUrl(address));
        return;
    }
    const bool blank = address == QLatin1String("about:blank");
    if (light_) {
        // The light pane's place, until it says the page cannot be had.
        plain_->hide();
        light_->show();
        setFocusProxy(light_);
        if (blank)
            light_->clearPage();
        else
            light_->load(address);
        return;
    }
    if (blank)
        plain_->clear();
    else
        showLink(address, false);
}

// The link stays clickable whatever became of the page: the system browser
// may get what the pane could not.
void BrowserPane::showLink(const QString& address, bool loadFailed)
{
    QString text = QStringLiteral("<a href=\"%1\">%2</a>")
                       .arg(address.toHtmlEscaped(), address.toHtmlEscaped());
    const QString notice = QStringLiteral("公告未能加载，请点击上面的链接在浏览器中查看。");
    if (loadFailed)
        text += QStringLiteral("<p>%1</p>").arg(notice);
    plain_->setText(text);
    plain_->setAccessibleName(accessibleName());
    plain_->setAccessibleDescription(loadFailed ? notice : address);
}

bool BrowserPane::loadEngine()
{
    if (engine_)
        return true;
    if (light_)
        return false;
    if (LightPaneChosen() || !loadWebEngine()) {
        startLightPane();
        return false;
    }
    return true;
}

void BrowserPane::startLightPane()
{
    light_ = new LightPane(this);
    light_->setGeometry(rect());
    light_->setAccessibleName(accessibleName());
    connect(light_, &LightPane::openRequested, this, &BrowserPane::openRequested);
    connect(light_, &LightPane::loaded, this, [this] { emit pageLoaded(true); });
    connect(light_, &LightPane::failed, this, [this] {
        light_->hide();
        setFocusProxy(nullptr);
        showLink(navigations_.last(), true);
        plain_->show();
        emit pageLoaded(false);
    });
    if (!navigations_.isEmpty())
        show(navigations_.last());
}

bool BrowserPane::loadWebEngine()
{
    // Beside the program when built; when installed, in its private library
    // folder, found from the program's own folder whatever the prefix.
    const QString dir = QCoreApplication::applicationDirPath();
    const WebEngineModule::QuietLoading quiet;
    for (const QString& path :
        {dir + QStringLiteral("/") + QLatin1String(WebEngineModule::FileName),
            dir + QStringLiteral("/" KESTRUNE_MODULE_DIR_FROM_BIN "/")
                + QLatin1String(WebEngineModule::FileName)}) {
        QLibrary module(path);
        auto create = reinterpret_cast<WebEngineModule::CreateFunction>(
            module.resolve(WebEngineModule::CreateSymbol));
        if (!create)
            continue;
        qCDebug(lcPane) << "web engine module loaded from" << module.fileName();
        engine_ = create(this);
        break;
    }
    if (!engine_) {
        qCInfo(lcPane) << "no web engine module; the light pane shows the page";
        return false;
    }
    connect(engine_, SIGNAL(loadFinished(bool)), this, SIGNAL(pageLoaded(bool)));
    engine_->setGeometry(rect());
    engine_->show();
    plain_->hide();
    setFocusProxy(engine_);
    if (!navigations_.isEmpty())
        show(navigations_.last());
    emit engineReady();
    return true;
}

void BrowserPane::resizeEvent(QResizeEvent* event)
{
    plain_->setGeometry(QRect(QPoint(), event->size()));
    if (light_)
        light_->setGeometry(QRect(QPoint(), event->size()));
    if (engine_)
        engine_->setGeometry(QRect(QPoint(), event->size()));
}
