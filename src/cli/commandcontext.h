#pragma once

class QNetworkAccessManager;
class QTextStream;

// What a terminal command may use; everything is owned by the command line runner.
struct CommandContext
{
    QNetworkAccessManager *network = nullptr;
    QTextStream *out = nullptr;
    QTextStream *err = nullptr;
    // Standard error is a terminal that may be written to in colour (and NO_COLOR is unset).
    bool errIsColourTerminal = false;
};
