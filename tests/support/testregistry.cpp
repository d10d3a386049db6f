#include "support/testregistry.h"

#include <QCoreApplication>
#include <QList>

#include <cstdio>
#include <cstring>
#include <vector>

namespace TestRegistry {

namespace {

// Filled by static initialisers of the test files, in whatever order they run.
QList<Entry> &entries()
{
    static QList<Entry> list;
    return list;
}

} // namespace

bool add(const Entry &entry)
{
    entries().append(entry);
    return true;
}

int run(int argc, char **argv, const ApplicationMaker &makeApplication)
{
    const Entry *chosen = nullptr;
    for (const Entry &entry : entries()) {
        if (argc > 1 && std::strcmp(argv[1], entry.name) == 0)
            chosen = &entry;
    }
    if (!chosen) {
        std::fprintf(stderr, "usage: %s TESTCLASS [QtTest options]\nclasses:\n", argv[0]);
        for (const Entry &entry : entries())
            std::fprintf(stderr, "  %s\n", entry.name);
        return 2;
    }
    // The class name is the executable's to read; QtTest sees the rest.
    std::vector<char *> arguments{argv[0]};
    arguments.insert(arguments.end(), argv + 2, argv + argc);
    int count = int(arguments.size());
    chosen->initMain();
    const std::unique_ptr<QCoreApplication> application = makeApplication(count, arguments.data());
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, true);
    const std::unique_ptr<QObject> test = chosen->create();
    return QTest::qExec(test.get(), count, arguments.data());
}

} // namespace TestRegistry
