#include "support/tempsettings.h"

using namespace Qt::StringLiterals;

TempSettings::TempSettings()
    : m_settings(settingsFile(), dataDirectory())
{ }

QString TempSettings::settingsFile() const
{
    return m_dir.filePath(u"velm.conf"_s);
}

QString TempSettings::dataDirectory() const
{
    return m_dir.filePath(u"data"_s);
}
