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

// What a lookup may do to the window, and nothing more. The window implements
// it; the tests implement it with a recorder.
class Form {
public:
    virtual ~Form() = default;
    virtual void setText(Box box, const QString& text) = 0;
    // Shows a modal message box and returns the code of the button pressed.
    virtual int msgBox(const QString& prompt, int style, const QString& title) = 0;
    virtual void openInSystemBrowser(const QString& address) = 0;
};

} // namespace lookup
