#pragma once

#include <QStringView>

// Orders build versions the way appcast feeds mean them: numbers compare as numbers part by
// part ("1.10" is newer than "1.9"), missing trailing parts count as zero ("1.0" equals
// "1.0.0"), and a word after the numbers marks a pre-release of them ("1.0b1" and
// "1.0-rc.2" come before "1.0", and "rc" after "beta" because words compare alphabetically).
namespace VersionComparator {

// Negative when `a` is older than `b`, zero when they are the same version, positive when
// `a` is newer.
int compare(QStringView a, QStringView b);

inline bool isNewer(QStringView candidate, QStringView current)
{
    return compare(candidate, current) > 0;
}

} // namespace VersionComparator
