#include "Fields.h"

#include "lookup/offline/Describe.h"

#include <QDate>

namespace lookup {

const std::vector<Field>& DeviceFields()
{
    static const std::vector<Field> fields {
        {T(1), "replaced", QStringLiteral("是否换机:")},
        {T(2), "model", QStringLiteral("型号:")},
        {T(3), "activation", QStringLiteral("激活状态:")},
        {T(10), "ios_version", QStringLiteral("当前IOS版本:")},
        {T(4), "first_activation", QStringLiteral("首次激活时间:")},
        {T(5), "warranty", QStringLiteral("保修状态:")},
        {T(6), "warranty_end", QStringLiteral("保修时间截止:")},
        {T(7), "warranty_days_left", QStringLiteral("剩余保修天数:")},
        {T(8), "phone_support", QStringLiteral("电话支持:")},
        {T(9), "phone_support_end", QStringLiteral("电话支持截止:")},
    };
    return fields;
}

const std::vector<Field>& SimFields()
{
    static const std::vector<Field> fields {
        {T1(1), "carrier", QStringLiteral("运营商:")},
        {T1(2), "number", QStringLiteral("部分手机号(参考):")},
        {T1(3), "card_year", QStringLiteral("卡年代:")},
        {T1(4), "region", QStringLiteral("归属地(区号):")},
    };
    return fields;
}

const std::vector<Field>& FieldsOf(Kind kind)
{
    static const std::vector<Field> none;
    switch (kind) {
    case Kind::Serial:
    case Kind::Imei: return DeviceFields();
    case Kind::Iccid: return SimFields();
    case Kind::Invalid: break;
    }
    return none;
}

namespace {

// What the identifier itself says, as the window's line below the ICCID frame
// says it: an ICCID as typed into the SIM card box, anything else as typed into
// the device box.
QString readOffline(Kind kind, const QString& identifier)
{
    using offline::Input;
    return offline::Describe(
        kind == Kind::Iccid ? Input::Sim : Input::Device, identifier, QDate::currentDate());
}

} // namespace

const std::vector<Extra>& Extras()
{
    static const std::vector<Extra> extras {
        {"offline", QStringLiteral("离线解析:"), readOffline},
    };
    return extras;
}

} // namespace lookup
