// The main() of the folded test programs (see testregistry.h) whose tests need no display;
// testmainwidgets.cpp is the one for those that show widgets.

#include "support/testregistry.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    return TestRegistry::run(argc, argv, [](int &count, char **arguments) {
        return std::make_unique<QCoreApplication>(count, arguments);
    });
}
