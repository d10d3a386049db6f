#pragma once

#include "cli/command.h"
#include "cli/commandcontext.h"

#include <QCommandLineParser>

#include <optional>

// Parses the arguments of one command the same way for every command: "-h"/"--help" prints
// the command's usage and options, anything that does not fit prints the problem and the
// usage on standard error. "--" ends the options, so a value may start with a hyphen.
class CommandParser
{
public:
    explicit CommandParser(Command command);

    // Adds an option before parse().
    void addOption(const QCommandLineOption &option);

    // Nothing when the command should run; otherwise the exit code to end with: 0 after the
    // help was printed, 2 after a usage error. `maxPositional` -1 means no upper limit.
    std::optional<int> parse(const QStringList &arguments, const CommandContext &context,
                             qsizetype minPositional, qsizetype maxPositional);

    // Wrong usage found by the command itself: the problem and the usage on standard
    // error; returns 2.
    int usageError(const CommandContext &context, const QString &problem) const;

    QCommandLineParser &parser() { return m_parser; }
    bool isSet(const QCommandLineOption &option) const { return m_parser.isSet(option); }
    QString value(const QCommandLineOption &option) const { return m_parser.value(option); }
    // Every value of an option given more than once, in order.
    QStringList values(const QCommandLineOption &option) const { return m_parser.values(option); }
    QStringList positionalArguments() const { return m_parser.positionalArguments(); }

private:
    QString usageLine() const;

    Command m_command;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
};
