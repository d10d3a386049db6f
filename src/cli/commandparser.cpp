#include "cli/commandparser.h"

#include <QTextStream>

using namespace Qt::StringLiterals;

CommandParser::CommandParser(Command command)
    : m_command(std::move(command))
    , m_help({u"h"_s, u"help"_s}, u"Show this help."_s)
{
    m_parser.setApplicationDescription(m_command.summary);
    m_parser.addOption(m_help);
}

void CommandParser::addOption(const QCommandLineOption &option)
{
    m_parser.addOption(option);
}

std::optional<int> CommandParser::parse(const QStringList &arguments, const CommandContext &context,
                                        qsizetype minPositional, qsizetype maxPositional)
{
    if (!m_parser.parse(QStringList{u"velm"_s} + arguments))
        return usageError(context, m_parser.errorText());
    if (m_parser.isSet(m_help)) {
        // QCommandLineParser's own text names the program, not the command.
        const QString options = m_parser.helpText().section(u'\n', 1);
        *context.out << usageLine() << "\n" << options << Qt::flush;
        return 0;
    }
    const QStringList positional = m_parser.positionalArguments();
    if (positional.size() < minPositional)
        return usageError(context, u"missing argument"_s);
    if (maxPositional >= 0 && positional.size() > maxPositional)
        return usageError(context,
                          u"unexpected argument: "_s + positional.mid(maxPositional).join(u' '));
    return std::nullopt;
}

int CommandParser::usageError(const CommandContext &context, const QString &problem) const
{
    *context.err << "velm " << m_command.name << ": " << problem << "\n" << usageLine() << Qt::endl;
    return 2;
}

QString CommandParser::usageLine() const
{
    return u"Usage: velm "_s + m_command.name + u' ' + m_command.synopsis;
}
