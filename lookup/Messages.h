#pragma once

#include "lookup/Form.h"

#include <QString>

namespace lookup {

// The title of every message box and the start of the window caption.
inline const QString ProductTitle = QStringLiteral("Kestrune助理");

// What the window says to a device input of the wrong length.
inline const QString WrongLengthMessage = QStringLiteral("请输入正确的序列号或IMEI号码！");

// What a lookup says when no site answered: the warranty-check service's
// lookup (which the IMEI lookup falls back to) and the ICCID lookup.
inline const QString DeviceNoAnswerMessage = QStringLiteral("网络异常或者服务器维护!");
inline const QString SimNoAnswerMessage
    = QStringLiteral("网络通信异常，可能是服务器维护，请稍后再试！");

// What the sites' answers say of an identifier they do not take: both device
// sites reject serial numbers and IMEIs alike (the message speaks of the IMEI
// either way), and the ICCID site.
inline const QString InvalidNumberMessage
    = QStringLiteral("您输入的IMEI无效，无法查询相关信息，请核对后重新输入!");
inline const QString SimInvalidMessage
    = QStringLiteral("亲，你输入的不是一个有效的ICCID码，请输入正确的ICCID码进行查询！");

// Message box style: information icon and an OK button.
constexpr int MbInformation = 64;

// Every message of the program is one of these: the product title, the
// information style, the button pressed is of no interest.
inline void Show(Form& form, const QString& prompt)
{
    form.msgBox(prompt, MbInformation, ProductTitle);
}

} // namespace lookup
