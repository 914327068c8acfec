#pragma once

#include <QValidator>

class QLineEdit;

// The most characters an input box takes, counted without the blanks (spaces,
// tabs, line breaks) around what is typed or pasted. An identifier copied from
// a spreadsheet or a web page often brings a blank along; a limit that counted
// it would cut the identifier's last character instead, and the box would hold
// another card's number. Blanks inside what is pasted stay, for the lookups to
// judge; the limit then cuts what is inserted, as a box's own limit does.
class InputLimit : public QValidator {
public:
    // Installs itself on the box, which owns it and takes over its limit.
    InputLimit(QLineEdit* box, int limit);

    State validate(QString& text, int& cursor) const override;

private:
    int limit_;
    // The box's text before the change being validated: the box validates its
    // text after every change, so that is the last text this let through.
    mutable QString before_;
};
