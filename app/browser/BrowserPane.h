#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;

// WB1, the browser pane. Loading the web engine costs about as much as the
// rest of the start-up together, so the pane starts as a plain panel and
// loads the engine's module only once the window has been painted. Where the
// module is missing, the plain panel stays and offers the page as a link.
class BrowserPane : public QWidget {
    Q_OBJECT

public:
    explicit BrowserPane(QWidget* parent = nullptr);

    // Both only ask for the page; neither waits for it.
    void Navigate(const QString& address);
    void Navigate2(const QString& address);

    // Loads the web engine's module and hands it the page last asked for.
    // False when there is none; the plain panel then stays.
    bool loadEngine();

    bool engineLoaded() const { return engine_ != nullptr; }

    // Every address asked for, in order (what a reader of the pane sees first).
    const QStringList& navigations() const { return navigations_; }

signals:
    void engineReady();
    // The engine has loaded the page asked for, or failed to.
    void pageLoaded(bool ok);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void show(const QString& address);

    QStringList navigations_;
    QLabel* plain_ = nullptr;
    QWidget* engine_ = nullptr;
};
