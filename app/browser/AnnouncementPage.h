#pragma once

#include <QFont>
#include <QTextDocument>
#include <QUrl>

#include <functional>
#include <memory>

class QThread;

// The announcement page as the light pane shows it: fetched through the
// program's request object and laid out by Qt's rich-text engine, on the
// thread that calls Fetch, never the window's.
namespace announcement {

// A page longer than this is not shown: an announcement is a few KiB, and
// laying out more would take the window seconds.
inline constexpr qsizetype MaxPageBytes = 1024 * 1024;

// A document that reads nothing by itself: the pictures it shows are the ones
// handed to it, and a name it asks for that was not (a file: address, a
// style sheet, a background) stays empty. Qt's own document would read local
// files and decode data: pictures of any size.
class Document : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int type, const QUrl& name) override;
};

struct Request {
    QUrl address;
    QFont font; // the pane's, for text the page gives no font
    int fitWidth = 0; // pictures wider than this are scaled down to it
    QThread* deliverTo = nullptr; // the thread that takes the documents
};

// Hands over a finished document, already moved to the thread that takes it.
// `complete` is false for the page's text shown while its pictures still come.
using Deliver = std::function<void(std::unique_ptr<QTextDocument> document, bool complete)>;

// Fetches the page and then its pictures. Calls `deliver` with the page
// without pictures as soon as it is read, then, if any picture came, with
// the page and them; the last call says complete. False, without a call,
// when the page cannot be had: no answer, an error status, not HTML, too
// long. Ends early, false or with what it has, when its thread is asked to
// stop.
bool Fetch(const Request& request, const Deliver& deliver);

} // namespace announcement
