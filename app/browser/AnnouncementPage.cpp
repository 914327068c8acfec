#include "AnnouncementPage.h"

#include "PagePictures.h"
#include "web/HttpRequest.h"

#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QThread>

#include <optional>
#include <vector>

namespace announcement {

QVariant Document::loadResource(int, const QUrl&)
{
    return {};
}

namespace {

// Pictures get shorter waits than the page: the text is already shown, and a
// slow picture host must not keep the pane busy for minutes.
constexpr int PictureConnectMs = 10000;
constexpr int PictureReceiveMs = 10000;
constexpr int PictureDeadlineMs = 15000;

bool stopAsked()
{
    return QThread::currentThread()->isInterruptionRequested();
}

bool isWeb(const QUrl& address)
{
    return address.scheme() == QLatin1String("http") || address.scheme() == QLatin1String("https");
}

// The body of a 200 answer to a GET, within `limit` bytes.
std::optional<QByteArray> get(web::HttpRequest& request, const QUrl& address, qsizetype limit)
{
    if (!request.Open(QStringLiteral("GET"), address.toString(QUrl::FullyEncoded), false)
        || !request.Send() || request.Status() != 200)
        return std::nullopt;
    std::optional<QByteArray> body = request.ResponseBody();
    if (!body || body->size() > limit)
        return std::nullopt;
    return body;
}

// HTML by its declared type; a server that declares none is believed when
// the body starts like markup.
bool isHtml(const web::HttpRequest& request, const QByteArray& body)
{
    const QString type = request.GetResponseHeader(QStringLiteral("Content-Type"))
                             .value_or(QString())
                             .section(QLatin1Char(';'), 0, 0)
                             .trimmed()
                             .toLower();
    if (type.isEmpty())
        return body.trimmed().startsWith('<');
    return type == QLatin1String("text/html") || type == QLatin1String("application/xhtml+xml");
}

struct Picture {
    int position; // of its one character in the document
    QString name; // as the page wrote it
};

std::vector<Picture> picturesOf(const QTextDocument& document)
{
    std::vector<Picture> found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            // Consecutive pictures of one format may share a fragment, one
            // character each.
            for (int i = 0; i < fragment.length(); ++i)
                found.push_back(
                    {fragment.position() + i, fragment.charFormat().toImageFormat().name()});
        }
    return found;
}

// The page is shown in the pane's font, in the sizes, weights and colours it
// asks for: a family of its own would load another font beside the window's
// (several MiB each), and the page's Chinese text would come out in whatever
// the family's fallback happens to be.
void useThePanesFont(QTextDocument& document)
{
    struct Run {
        int position;
        int length;
        QTextCharFormat format;
    };
    std::vector<Run> runs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            if (!format.hasProperty(QTextFormat::FontFamilies)
                && !format.hasProperty(QTextFormat::FontFamily))
                continue;
            format.clearProperty(QTextFormat::FontFamilies);
            format.clearProperty(QTextFormat::FontFamily);
            runs.push_back({fragment.position(), fragment.length(), format});
        }
    QTextCursor cursor(&document);
    for (const Run& run : runs) {
        cursor.setPosition(run.position);
        cursor.setPosition(run.position + run.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(run.format);
    }
}

using Loaded = QHash<QString, QImage>; // by the name the page wrote

// The document with the pictures that came; those that did not are taken out
// (a placeholder would be all the pane showed of them), and a size the page
// gives that is wider than the pane is narrowed to it.
std::unique_ptr<QTextDocument> build(
    const Request& request, const QString& html, const Loaded& loaded)
{
    auto document = std::make_unique<Document>();
    document->setDefaultFont(request.font);
    document->setBaseUrl(request.address);
    document->setHtml(html);
    useThePanesFont(*document);
    std::vector<Picture> pictures = picturesOf(*document);
    for (auto it = pictures.rbegin(); it != pictures.rend(); ++it) {
        QTextCursor cursor(document.get());
        cursor.setPosition(it->position);
        cursor.setPosition(it->position + 1, QTextCursor::KeepAnchor);
        const auto image = loaded.constFind(it->name);
        if (image == loaded.cend()) {
            cursor.removeSelectedText();
            continue;
        }
        // Qt looks a picture up by its name as written, or resolved against
        // the base address, depending on its version: both are given.
        document->addResource(QTextDocument::ImageResource, QUrl(it->name), *image);
        document->addResource(
            QTextDocument::ImageResource, request.address.resolved(QUrl(it->name)), *image);
        QTextImageFormat format = cursor.charFormat().toImageFormat();
        if (request.fitWidth > 0 && format.width() > request.fitWidth) {
            if (format.height() > 0)
                format.setHeight(format.height() * request.fitWidth / format.width());
            format.setWidth(request.fitWidth);
            cursor.setCharFormat(format);
        }
    }
    return document;
}

// Through the page's own session, as a browser would: the site's cookies go
// along.
Loaded fetchPictures(
    web::HttpRequest& session, const Request& request, const std::vector<Picture>& pictures)
{
    session.SetTimeouts(PictureConnectMs, PictureReceiveMs, PictureDeadlineMs);
    Loaded loaded;
    QSet<QString> tried;
    for (const Picture& picture : pictures) {
        if (stopAsked() || tried.size() >= pictures::MaxPerPage)
            break;
        if (tried.contains(picture.name))
            continue;
        tried.insert(picture.name);
        const QUrl address = request.address.resolved(QUrl(picture.name));
        std::optional<QByteArray> bytes = pictures::DataUrlBytes(address);
        if (!bytes && isWeb(address))
            bytes = get(session, address, pictures::MaxBytes);
        if (!bytes)
            continue;
        if (std::optional<QImage> image = pictures::Read(*bytes, request.fitWidth))
            loaded.insert(picture.name, *image);
    }
    return loaded;
}

void hand(const Request& request, const Deliver& deliver, std::unique_ptr<QTextDocument> document,
    bool complete)
{
    if (document)
        document->moveToThread(request.deliverTo);
    deliver(std::move(document), complete);
}

} // namespace

bool Fetch(const Request& request, const Deliver& deliver)
{
    if (!isWeb(request.address))
        return false;
    web::HttpRequest session;
    const std::optional<QByteArray> body = get(session, request.address, MaxPageBytes);
    if (!body || !isHtml(session, *body) || stopAsked())
        return false;
    const QString html = session.ResponseText().value_or(QString());
    std::unique_ptr<QTextDocument> text = build(request, html, {});
    const std::vector<Picture> named = [&] {
        Document names;
        names.setHtml(html);
        return picturesOf(names);
    }();
    hand(request, deliver, std::move(text), named.empty());
    if (named.empty())
        return true;
    const Loaded loaded = fetchPictures(session, request, named);
    hand(request, deliver, loaded.isEmpty() ? nullptr : build(request, html, loaded), true);
    return true;
}

} // namespace announcement
