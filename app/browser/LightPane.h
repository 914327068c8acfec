#pragma once

#include <QTextBrowser>

#include <memory>
#include <vector>

class QThread;

// The announcement without a web engine: Qt's rich-text browser showing the
// page as fetched through the program's request object on a thread of its
// own. Nothing on the page runs (Qt's rich text has no scripts and no
// forms), nothing is read from local files, and a link is handed out, not
// followed.
class LightPane : public QTextBrowser {
    Q_OBJECT

public:
    explicit LightPane(QWidget* parent = nullptr);
    ~LightPane() override; // stops the fetch in flight and waits for its thread

    // Fetches and shows the page; a page still coming is dropped.
    void load(const QString& address);
    // Shows nothing; a page still coming is dropped.
    void clearPage();

    // The largest width a picture is shown at: the text's width in the pane.
    int pictureWidth() const;

signals:
    // The page and whatever pictures came are shown.
    void loaded();
    // The page cannot be had (no answer, an error status, not HTML).
    void failed();
    // An http or https link the user chose, to go to the system browser.
    void openRequested(const QString& address);

protected:
    // Nothing the page names is read by the view itself (Qt's would read
    // local files); every picture comes in its document.
    QVariant loadResource(int type, const QUrl& name) override;

private:
    void follow(const QUrl& link);
    void showDocument(std::shared_ptr<QTextDocument> document);
    void fetched(quint64 ticket, std::shared_ptr<QTextDocument> document, bool complete);
    void fetchFailed(quint64 ticket);
    void stopFetching();

    QUrl page_;
    quint64 ticket_ = 0; // the fetch whose results are still wanted
    std::shared_ptr<QTextDocument> shown_;
    std::vector<QThread*> fetching_;
};
