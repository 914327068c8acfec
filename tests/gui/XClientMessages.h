#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// What a window manager or a desktop's key binding sends a window, sent from
// a connection of its own to the X server, as they would.
class XClientMessages {
public:
    XClientMessages(); // opens the display in DISPLAY
    ~XClientMessages();
    XClientMessages(const XClientMessages&) = delete;
    XClientMessages& operator=(const XClientMessages&) = delete;

    bool connected() const;

    // WM_PROTOCOLS / WM_DELETE_WINDOW, what a title bar's close button sends.
    void closeRequest(unsigned long window);
    // _NET_WM_STATE to the root window: add (true) or remove (false) a state
    // such as "_NET_WM_STATE_FULLSCREEN".
    void changeState(unsigned long window, bool add, const QString& state);
    // The window's _NET_WM_STATE, and the actions the window manager allows it.
    QStringList states(unsigned long window);
    QStringList allowedActions(unsigned long window);

private:
    struct Display;
    std::unique_ptr<Display> display_;
};
