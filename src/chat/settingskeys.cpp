#include "chat/settingskeys.h"

#include <algorithm>
#include <cmath>

namespace SettingsKeys {

namespace {

template<typename Table>
const KeySpec *find(const Table &table, QStringView name)
{
    const auto it = std::find_if(table.begin(), table.end(),
                                 [name](const KeySpec &entry) { return entry.name == name; });
    return it == table.end() ? nullptr : &*it;
}

std::optional<bool> boolFrom(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        if (value.toLongLong() == 0 || value.toLongLong() == 1)
            return value.toLongLong() == 1;
        return std::nullopt;
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString text = value.toString().trimmed();
        if (text.compare(u"true", Qt::CaseInsensitive) == 0 || text == u"1")
            return true;
        if (text.compare(u"false", Qt::CaseInsensitive) == 0 || text == u"0")
            return false;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

const KeySpec *preference(QStringView name)
{
    return find(preferences, name);
}

const KeySpec *onboardingDraft(QStringView name)
{
    return find(onboardingDrafts, name);
}

bool isDataKey(QStringView name)
{
    return std::find(dataKeys.begin(), dataKeys.end(), name) != dataKeys.end();
}

bool isLegacyOnboardingKey(QStringView name)
{
    return std::find(legacyOnboardingKeys.begin(), legacyOnboardingKeys.end(), name)
        != legacyOnboardingKeys.end();
}

QVariant defaultValue(const KeySpec &entry)
{
    // The table is written by hand; its defaults always convert.
    return *coerce(entry.type, QVariant(entry.defaultValue.toString()));
}

std::optional<QVariant> coerce(KeyType type, const QVariant &value)
{
    switch (type) {
    case KeyType::Bool:
        if (const auto flag = boolFrom(value))
            return QVariant(*flag);
        return std::nullopt;
    case KeyType::String:
        if (value.typeId() == QMetaType::QStringList)
            return QVariant(value.toStringList().join(u','));
        if (value.typeId() == QMetaType::QString)
            return value;
        if (value.isValid() && !value.isNull() && value.canConvert<QString>())
            return QVariant(value.toString());
        return std::nullopt;
    case KeyType::Integer: {
        bool ok = false;
        const int number = value.typeId() == QMetaType::QString
            ? value.toString().trimmed().toInt(&ok)
            : value.toInt(&ok);
        if (ok && value.typeId() != QMetaType::Bool)
            return QVariant(number);
        return std::nullopt;
    }
    case KeyType::Number: {
        bool ok = false;
        const double number = value.typeId() == QMetaType::QString
            ? value.toString().trimmed().toDouble(&ok)
            : value.toDouble(&ok);
        if (ok && std::isfinite(number) && value.typeId() != QMetaType::Bool)
            return QVariant(number);
        return std::nullopt;
    }
    }
    return std::nullopt;
}

QStringList promptSuggestionIdsFrom(const QString &text)
{
    return text.split(u',', Qt::SkipEmptyParts);
}

} // namespace SettingsKeys
