#include "XClientMessages.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

struct XClientMessages::Display {
    ::Display* x = nullptr;

    Atom atom(const char* name) { return XInternAtom(x, name, False); }

    QStringList atomList(Window window, const char* property)
    {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        QStringList names;
        if (XGetWindowProperty(x, window, atom(property), 0, 64, False, XA_ATOM, &type, &format,
                &count, &after, &data)
                != Success
            || !data)
            return names;
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) {
            char* name = XGetAtomName(x, atoms[i]);
            names << QString::fromLatin1(name);
            XFree(name);
        }
        XFree(data);
        return names;
    }
};

XClientMessages::XClientMessages()
    : display_(std::make_unique<Display>())
{
    display_->x = XOpenDisplay(nullptr);
}

XClientMessages::~XClientMessages()
{
    if (display_->x)
        XCloseDisplay(display_->x);
}

bool XClientMessages::connected() const
{
    return display_->x != nullptr;
}

void XClientMessages::closeRequest(unsigned long window)
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = display_->atom("WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(display_->atom("WM_DELETE_WINDOW"));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_->x, window, False, NoEventMask, &event);
    XFlush(display_->x);
}

void XClientMessages::changeState(unsigned long window, bool add, const QString& state)
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = display_->atom("_NET_WM_STATE");
    event.xclient.format = 32;
    event.xclient.data.l[0] = add ? 1 : 0;
    event.xclient.data.l[1] = long(display_->atom(state.toLatin1().constData()));
    event.xclient.data.l[3] = 1; // from an ordinary application
    XSendEvent(display_->x, DefaultRootWindow(display_->x), False,
        SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display_->x);
}

QStringList XClientMessages::states(unsigned long window)
{
    return display_->atomList(window, "_NET_WM_STATE");
}

QStringList XClientMessages::allowedActions(unsigned long window)
{
    return display_->atomList(window, "_NET_WM_ALLOWED_ACTIONS");
}
