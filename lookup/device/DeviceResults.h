#pragma once

#include "DeviceDates.h"
#include "lookup/Form.h"
#include "lookup/Messages.h"

#include <QString>

// What the serial-number and the IMEI lookup both write into the device result
// boxes, whichever site answered.
namespace lookup {

inline const QString ReplacedText = QStringLiteral("已换机！");
inline const QString NotReplacedText = QStringLiteral("未换机，可查询FT和ICCID信息");
inline const QString ActivatedText = QStringLiteral("已激活");
inline const QString ExpiredText = QStringLiteral("已过期");

// `text` into T(first)..T(last), in ascending order.
void WriteEach(Form& form, int first, int last, const QString& text);

// "未激活" into T(3), then a backslash into T(4)..T(8): a phone never
// activated has no coverage or support to speak of.
void WriteNotActivated(Form& form);

// No active coverage: "已过期" into T(5), T(6) and T(7), then "未查询到信息"
// into T(4), as no first activation can be estimated.
void WriteCoverageExpired(Form& form);

// Active coverage ending on `end`: the end date into T(6), the days left
// followed by `daysUnit` into T(7), the estimated first activation into T(4).
void WriteCoverageDates(Form& form, const DeviceDate& end, const QString& daysUnit);

} // namespace lookup
