#include "Describe.h"

#include "ReadIccid.h"
#include "ReadImei.h"
#include "ReadSerial.h"

namespace lookup::offline {

namespace {

// Serial numbers have 10 to 12 characters and letters among them; IMEIs have
// 14 to 16 digits. A short text with a letter is read as a serial number; the
// rest as an IMEI, which then names a stray letter in a long number.
bool looksLikeSerial(QStringView text)
{
    qsizetype length = 0;
    bool letter = false;
    for (QChar c : text) {
        if (c.isSpace() || c == u'-' || c == u'/')
            continue;
        ++length;
        letter = letter || c.isLetter();
    }
    return letter && length <= 12;
}

} // namespace

QString Describe(Input box, QStringView text, QDate today)
{
    if (box == Input::Sim)
        return ReadIccid(text, today).summary;
    return looksLikeSerial(text) ? ReadSerial(text, today).summary : ReadImei(text).summary;
}

} // namespace lookup::offline
