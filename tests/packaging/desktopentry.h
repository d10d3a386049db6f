#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// Reads desktop entry files the way a desktop's launcher does, so that tests check what
// will be run rather than how the text looks.
namespace DesktopEntry {

// Group name → key → raw value (string escapes are left in place, as Exec needs them).
using Groups = QHash<QString, QHash<QString, QString>>;

Groups parse(const QByteArray &text);

// The program and arguments an Exec value runs: string escapes undone, then the quoting
// rules applied and "%%" turned into "%". Returns an empty list for a value that a launcher
// would reject (an unterminated quote, a reserved character outside quotes).
QStringList execArguments(const QString &value);

// Runs `program` with `arguments` and returns its exit code (-1 when it could not start or
// did not finish); its output goes to `output`.
int run(const QString &program, const QStringList &arguments, QString *output = nullptr,
        int timeoutMs = 120000);

} // namespace DesktopEntry
