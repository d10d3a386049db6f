#include "cli/configcommand.h"

#include "chat/settings.h"
#include "cli/commandparser.h"
#include "cli/terminaltext.h"
#include "llm/serveraddress.h"

#include <QDir>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace ConfigCommand {

namespace {

// The choices of the keys whose other values are accepted by the app but silently mean
// something else ("never", dark): a typo here would go unnoticed.
QStringList choicesOf(QStringView key)
{
    if (key == SettingsKeys::webSearchMode)
        return {u"auto"_s, u"always"_s, u"never"_s};
    if (key == SettingsKeys::appTheme)
        return {u"dark"_s, u"light"_s, u"system"_s};
    return {};
}

bool isPort(const QString &text)
{
    const QString port = text.trimmed();
    if (port.isEmpty())
        return true;
    for (const QChar c : port) {
        if (c < u'0' || c > u'9')
            return false;
    }
    bool ok = false;
    const int number = port.toInt(&ok);
    return ok && number >= 1 && number <= 65535;
}

QString keyList()
{
    QStringList names;
    for (const SettingsKeys::KeySpec &entry : SettingsKeys::preferences)
        names.append(entry.name.toString());
    return names.join(u", "_s);
}

// Text values in double quotes with JSON's escapes, so that empty and multi-line values stay
// visible on one line of the list.
QString shown(const SettingsKeys::KeySpec &entry, const QVariant &value)
{
    if (entry.type == SettingsKeys::KeyType::Bool)
        return value.toBool() ? u"true"_s : u"false"_s;
    if (entry.type == SettingsKeys::KeyType::Integer)
        return QString::number(value.toInt());
    if (entry.type == SettingsKeys::KeyType::Number)
        return QString::number(value.toDouble());
    QString out = u"\""_s;
    for (const QChar c : value.toString()) {
        if (c == u'"' || c == u'\\')
            out += u'\\' + c;
        else if (c == u'\n')
            out += u"\\n"_s;
        else if (c == u'\t')
            out += u"\\t"_s;
        else if (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f))
            out += u"\\u"_s + QString::number(c.unicode(), 16).rightJustified(4, u'0');
        else
            out += c;
    }
    return out + u'"';
}

// The value as a script wants it: bools as true/false, text as stored.
QString plain(const SettingsKeys::KeySpec &entry, const QVariant &value)
{
    if (entry.type == SettingsKeys::KeyType::Bool)
        return value.toBool() ? u"true"_s : u"false"_s;
    if (entry.type == SettingsKeys::KeyType::Number)
        return QString::number(value.toDouble());
    return TerminalText::printable(value.toString());
}

int unknownKey(const CommandContext &context, const QString &key)
{
    *context.err << "velm config: unknown setting \"" << TerminalText::singleLine(key)
                 << "\"; the settings are: " << keyList() << Qt::endl;
    return 2;
}

int list(const CommandContext &context, const Settings &settings)
{
    qsizetype width = 0;
    for (const SettingsKeys::KeySpec &entry : SettingsKeys::preferences)
        width = std::max(width, entry.name.size());
    for (const SettingsKeys::KeySpec &entry : SettingsKeys::preferences) {
        const QVariant value = settings.value(entry.name);
        *context.out << entry.name.toString().leftJustified(width + 2) << shown(entry, value);
        if (value == SettingsKeys::defaultValue(entry))
            *context.out << "  (default)";
        *context.out << "\n";
    }
    *context.out << Qt::flush;
    return 0;
}

int writeFailed(const CommandContext &context, const Settings &settings)
{
    *context.err << "velm config: could not write " << QDir::toNativeSeparators(settings.fileName())
                 << Qt::endl;
    return 1;
}

int set(const CommandContext &context, Settings &settings, const SettingsKeys::KeySpec &entry,
        const QString &text)
{
    const QString key = entry.name.toString();
    QVariant value = text;
    if (entry.type == SettingsKeys::KeyType::Bool) {
        if (text != u"true"_s && text != u"false"_s) {
            *context.err << "velm config: " << key << " takes true or false" << Qt::endl;
            return 2;
        }
        value = text == u"true"_s;
    }
    const QStringList choices = choicesOf(entry.name);
    if (!choices.isEmpty() && !choices.contains(text)) {
        *context.err << "velm config: " << key << " takes " << choices.join(u", "_s) << Qt::endl;
        return 2;
    }
    if (entry.name == SettingsKeys::searxngPort && !isPort(text)) {
        *context.err << "velm config: " << key
                     << " takes a port number from 1 to 65535, or \"\" for none" << Qt::endl;
        return 2;
    }
    if (entry.name == SettingsKeys::temperature) {
        bool ok = false;
        const double temperature = text.trimmed().toDouble(&ok);
        if (!ok || !(temperature >= SettingsKeys::minTemperature)
            || !(temperature <= SettingsKeys::maxTemperature)) {
            *context.err << "velm config: " << key << " takes a number from "
                         << SettingsKeys::minTemperature << " to " << SettingsKeys::maxTemperature
                         << Qt::endl;
            return 2;
        }
        value = temperature;
    }
    if (entry.name == SettingsKeys::maxTokens) {
        bool ok = false;
        const int tokens = text.trimmed().toInt(&ok);
        if (!ok || tokens < 0) {
            *context.err << "velm config: " << key << " takes a number of tokens, or 0 for no limit"
                         << Qt::endl;
            return 2;
        }
        value = tokens;
    }
    if (entry.name == SettingsKeys::attachmentTextLimit) {
        bool ok = false;
        const int characters = text.trimmed().toInt(&ok);
        if (!ok || characters < 0) {
            *context.err << "velm config: " << key << " takes a number of characters" << Qt::endl;
            return 2;
        }
        value = characters;
    }
    if (entry.name == SettingsKeys::preferredModel)
        value = text.trimmed();
    if (entry.name == SettingsKeys::lmStudioServerAddress) {
        if (const std::optional<QString> problem = serverAddressProblem(text)) {
            *context.err << "velm config: " << key << ": " << *problem << Qt::endl;
            return 2;
        }
        value = text.trimmed();
    }
    return settings.setValue(entry.name, value) ? 0 : writeFailed(context, settings);
}

} // namespace

Command command()
{
    return {u"config"_s, u"[KEY [VALUE] | --unset KEY]"_s,
            u"List, show, change or reset the settings"_s, &run};
}

QCoro::Task<int> run(QStringList arguments, CommandContext context)
{
    CommandParser parser(command());
    const QCommandLineOption unset(u"unset"_s,
                                   u"Remove KEY, so that it reads as its default again."_s);
    parser.addOption(unset);
    if (const std::optional<int> exitCode = parser.parse(arguments, context, 0, 2))
        co_return *exitCode;
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(unset) && positional.size() != 1)
        co_return parser.usageError(context, u"--unset takes one KEY"_s);

    Settings settings;
    if (positional.isEmpty())
        co_return list(context, settings);

    const QString key = positional.constFirst();
    const SettingsKeys::KeySpec *entry = SettingsKeys::preference(key);
    if (!entry)
        co_return unknownKey(context, key);

    if (parser.isSet(unset))
        co_return settings.remove(entry->name) ? 0 : writeFailed(context, settings);
    if (positional.size() == 2)
        co_return set(context, settings, *entry, positional.at(1));
    *context.out << plain(*entry, settings.value(entry->name)) << "\n" << Qt::flush;
    co_return 0;
}

} // namespace ConfigCommand
