#pragma once

#include <QString>

namespace lookup {

// The result boxes a lookup may write: T(1)..T(10) of the device section and
// T1(1)..T1(4) of the SIM card section.
struct Box {
    enum class Array { T, T1 };
    Array array;
    int index;

    friend bool operator==(const Box&, const Box&) = default;
};

inline constexpr Box T(int index)
{
    return {Box::Array::T, index};
}
inline constexpr Box T1(int index)
{
    return {Box::Array::T1, index};
}

// The sites a lookup asks, each by the request it sends there.
enum class Request {
    Warranty, // the warranty-check service (serial numbers, and IMEIs it falls back to)
    ImeiCheck, // the IMEI check site
    IosVersion, // the iOS version site
    Iccid, // the ICCID site
};

// What a lookup may do to the window, and nothing more. The window implements
// it; the tests implement it with a recorder.
class Form {
public:
    virtual ~Form() = default;
    virtual void setText(Box box, const QString& text) = 0;
    // Shows a modal message box and returns the code of the button pressed.
    virtual int msgBox(const QString& prompt, int style, const QString& title) = 0;
    virtual void openInSystemBrowser(const QString& address) = 0;
    // A request of the lookup got no answer (no connection, no whole answer,
    // an error page), whatever the lookup then shows. The window shows what
    // the lookup writes and nothing more, so by default this does nothing; a
    // record keeps it, so that a script can tell a partial answer.
    virtual void unanswered(Request /*request*/) { }
};

} // namespace lookup
