#pragma once

#include <QString>

namespace lookup {

// A value from a group of the settings file other than [sites] (Sites.h reads
// that one): the file Sites reads, the default one or the one
// Sites::useSettingsFile named. Empty when the file, the group or the key is
// missing; an unquoted comma's split is joined again.
QString SettingsValue(const QString& group, const QString& key);

} // namespace lookup
