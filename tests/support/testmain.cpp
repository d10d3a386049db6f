// The main() of the folded test executables (see testregistry.h): a QApplication for the
// folders whose tests show widgets, a QCoreApplication for the others.

#include "support/testregistry.h"

#ifdef VELM_TEST_WIDGETS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

int main(int argc, char **argv)
{
    return TestRegistry::run(argc, argv, [](int &count, char **arguments) {
#ifdef VELM_TEST_WIDGETS
        return std::unique_ptr<QCoreApplication>(std::make_unique<QApplication>(count, arguments));
#else
        return std::make_unique<QCoreApplication>(count, arguments);
#endif
    });
}
