#include "LightPane.h"

#include "AnnouncementPage.h"

#include <QScrollBar>
#include <QThread>

#include <algorithm>

namespace {

// What a screen reader is told of the page beside the pane's name; the
// whole text it reads through the view's own text interface.
constexpr int DescriptionChars = 2000;

bool isWeb(const QUrl& address)
{
    return address.scheme() == QLatin1String("http") || address.scheme() == QLatin1String("https");
}

} // namespace

LightPane::LightPane(QWidget* parent)
    : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setFrameShape(QFrame::NoFrame);
    connect(this, &QTextBrowser::anchorClicked, this, &LightPane::follow);
}

LightPane::~LightPane()
{
    stopFetching();
    // Each transfer ends as soon as its thread is asked to stop; results it
    // posted meanwhile are dropped with this object.
    for (QThread* thread : fetching_) {
        thread->wait();
        delete thread;
    }
    // The view lets go of the page before the page goes.
    setDocument(nullptr);
}

QVariant LightPane::loadResource(int, const QUrl&)
{
    return {};
}

void LightPane::stopFetching()
{
    ++ticket_;
    for (QThread* thread : fetching_)
        thread->requestInterruption();
}

int LightPane::pictureWidth() const
{
    const int margins = 2 * int(document()->documentMargin());
    const int scrollBar = verticalScrollBar()->sizeHint().width();
    // The pane's own width: its viewport is laid out only once it shows.
    return std::max(16, contentsRect().width() - margins - scrollBar);
}

void LightPane::clearPage()
{
    stopFetching();
    page_.clear();
    clear();
    setAccessibleDescription(QString());
}

void LightPane::load(const QString& address)
{
    stopFetching();
    page_ = QUrl(address);
    const quint64 ticket = ticket_;
    const announcement::Request request {page_, font(), pictureWidth(), thread()};
    QThread* worker = QThread::create([this, ticket, request] {
        const auto deliver
            = [this, ticket](std::unique_ptr<QTextDocument> document, bool complete) {
                  // Moved into the call, so that this thread keeps no share of a
                  // document that now belongs to the window's thread.
                  QMetaObject::invokeMethod(
                      this,
                      [this, ticket, complete,
                          shared = std::shared_ptr<QTextDocument>(std::move(document))] {
                          fetched(ticket, shared, complete);
                      },
                      Qt::QueuedConnection);
              };
        if (!announcement::Fetch(request, deliver))
            QMetaObject::invokeMethod(
                this, [this, ticket] { fetchFailed(ticket); }, Qt::QueuedConnection);
    });
    fetching_.push_back(worker);
    connect(worker, &QThread::finished, this, [this, worker] {
        fetching_.erase(std::remove(fetching_.begin(), fetching_.end(), worker), fetching_.end());
        worker->deleteLater();
    });
    worker->start();
}

void LightPane::fetched(quint64 ticket, std::shared_ptr<QTextDocument> document, bool complete)
{
    if (ticket != ticket_)
        return;
    if (document)
        showDocument(std::move(document));
    if (complete)
        emit loaded();
}

void LightPane::fetchFailed(quint64 ticket)
{
    if (ticket == ticket_)
        emit failed();
}

// The page with its pictures replaces the page without them where the
// reader has got to.
void LightPane::showDocument(std::shared_ptr<QTextDocument> document)
{
    const int scrolled = verticalScrollBar()->value();
    setDocument(document.get());
    shown_ = std::move(document);
    verticalScrollBar()->setValue(scrolled);
    setAccessibleDescription(shown_->toPlainText().left(DescriptionChars));
}

// Within the page a link moves to its anchor; an http or https one goes to
// the system browser; anything else (file:, javascript:, ...) goes nowhere.
void LightPane::follow(const QUrl& link)
{
    if (link.isRelative() && link.path().isEmpty() && link.hasFragment()) {
        scrollToAnchor(link.fragment());
        return;
    }
    const QUrl target = page_.resolved(link);
    if (isWeb(target))
        emit openRequested(target.toString());
}
