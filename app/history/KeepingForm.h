#pragma once

#include "lookup/record/Record.h"

// Stands between a lookup and the window: every call goes on to the window
// as before, and is kept in a record as well, so that the history holds
// what the window showed.
class KeepingForm final : public lookup::Form {
public:
    KeepingForm(lookup::Form& window, lookup::Record& record)
        : window_(window)
        , keeping_(record)
    {
    }

    void setText(lookup::Box box, const QString& text) override
    {
        keeping_.setText(box, text);
        window_.setText(box, text);
    }
    int msgBox(const QString& prompt, int style, const QString& title) override
    {
        keeping_.msgBox(prompt, style, title);
        return window_.msgBox(prompt, style, title);
    }
    void openInSystemBrowser(const QString& address) override
    {
        keeping_.openInSystemBrowser(address);
        window_.openInSystemBrowser(address);
    }

private:
    lookup::Form& window_;
    lookup::RecordingWindow keeping_;
};
