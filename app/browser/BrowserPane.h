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

    // Before the application exists: the engine draws through an OpenGL
    // context it shares with the window, which Qt makes with the application.
    // OpenGL loads before the first paint anyway (prepareWindowForEngine), so
    // this costs the start-up nothing measurable.
    static void prepareApplication();

    // Readies the window for the engine before it is first shown. The engine
    // draws through OpenGL, and a window that was not made for that from the
    // start is made anew the moment the engine joins it: a new native window,
    // so the window manager and any tool that had hold of the old one lose
    // it (a close request sent to it goes nowhere). Made ready, the window
    // keeps one identity for its whole life; it costs loading OpenGL before
    // the first paint instead of after it.
    void prepareWindowForEngine();
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
