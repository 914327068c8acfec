#pragma once

#include <QStringList>
#include <QWidget>

class LightPane;
class QLabel;

// WB1, the browser pane. Loading the web engine costs about as much as the
// rest of the start-up together, so the pane starts as a plain panel and
// loads the engine's module only once the window has been painted. Where the
// module is missing (Windows), or the settings file asks for no web engine,
// the light pane shows the page instead; where that cannot have the page,
// the plain panel offers it as a link.
class BrowserPane : public QWidget {
    Q_OBJECT

public:
    explicit BrowserPane(QWidget* parent = nullptr);

    // Both only ask for the page; neither waits for it.
    void Navigate(const QString& address);
    void Navigate2(const QString& address);

    // Loads the web engine's module, or the light pane where there is none or
    // the settings choose it, and hands it the page last asked for. False
    // when the web engine was not loaded.
    bool loadEngine();

    bool engineLoaded() const { return engine_ != nullptr; }
    // The light pane, once started (hidden while the page cannot be had);
    // null while the pane is plain or the web engine shows the page.
    LightPane* lightPane() const { return light_; }

    // Every address asked for, in order (what a reader of the pane sees first).
    const QStringList& navigations() const { return navigations_; }

signals:
    void engineReady();
    // The engine or the light pane has loaded the page asked for, or failed to.
    void pageLoaded(bool ok);
    // A link of the light pane's page, for the system browser.
    void openRequested(const QString& address);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void show(const QString& address);
    bool loadWebEngine();
    void startLightPane();
    void showLink(const QString& address, bool loadFailed);

    QStringList navigations_;
    QLabel* plain_ = nullptr;
    QWidget* engine_ = nullptr;
    LightPane* light_ = nullptr;
};
