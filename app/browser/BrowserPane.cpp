#include "BrowserPane.h"

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
    if (address == QLatin1String("about:blank")) {
        plain_->clear();
        return;
    }
    plain_->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                        .arg(address.toHtmlEscaped(), address.toHtmlEscaped()));
}

bool BrowserPane::loadEngine()
{
    if (engine_)
        return true;
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
        qCInfo(lcPane) << "no web engine module; the pane shows the page as a link";
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
    if (engine_)
        engine_->setGeometry(QRect(QPoint(), event->size()));
}
