// The main() of the folded test programs (see testregistry.h) whose tests show widgets.

#include "support/testregistry.h"

#include <QApplication>

int main(int argc, char **argv)
{
    return TestRegistry::run(argc, argv, [](int &count, char **arguments) {
        return std::unique_ptr<QCoreApplication>(std::make_unique<QApplication>(count, arguments));
    });
}
