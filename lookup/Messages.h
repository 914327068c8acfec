#pragma once

#include "lookup/Form.h"

#include <QString>

namespace lookup {

// The title of every message box and the start of the window caption.
inline const QString ProductTitle = QStringLiteral("Kestrune助理");

// Message box style: information icon and an OK button.
constexpr int MbInformation = 64;

// Every message of the program is one of these: the product title, the
// information style, the button pressed is of no interest.
inline void Show(Form& form, const QString& prompt)
{
    form.msgBox(prompt, MbInformation, ProductTitle);
}

} // namespace lookup
