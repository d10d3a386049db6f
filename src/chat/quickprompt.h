#pragma once

#include <QList>
#include <QString>
#include <QUuid>

class QRandomGenerator;

// One starter of the new-chat screen: choosing it puts `prompt` into the composer.
struct QuickPrompt
{
    QUuid id; // made fresh when the table is built
    QString icon; // symbol name
    QString label; // short title
    QString detail; // one-line description
    QString prompt; // the text placed into the draft

    // The fixed table of starters, built on first use; the ids stay the same for the
    // lifetime of the process.
    static const QList<QuickPrompt> &all();

    // `count` distinct entries of `table` drawn uniformly at random (all of them, shuffled,
    // when the table is shorter).
    static QList<QuickPrompt> randomSelection(QList<QuickPrompt> table, qsizetype count,
                                              QRandomGenerator &random);
    // Four starters from the whole table, drawn with the system's random source.
    static QList<QuickPrompt> randomSelection();

    friend bool operator==(const QuickPrompt &, const QuickPrompt &) = default;
};
