#include "DeviceResults.h"

namespace lookup {

void WriteEach(Form& form, int first, int last, const QString& text)
{
    for (int box = first; box <= last; ++box)
        form.setText(T(box), text);
}

void WriteNotActivated(Form& form)
{
    form.setText(T(3), NotActivatedText);
    WriteEach(form, 4, 8, QStringLiteral("\\"));
}

void WriteCoverageExpired(Form& form)
{
    WriteEach(form, 5, 7, ExpiredText);
    form.setText(T(4), QStringLiteral("未查询到信息"));
}

void WriteCoverageDates(Form& form, const DeviceDate& end, const QString& daysUnit)
{
    form.setText(T(6), EndDateText(end));
    form.setText(T(7), DaysLeftText(end) + daysUnit);
    form.setText(T(4), FirstActivationText(end));
}

} // namespace lookup
