#pragma once

#include <QObject>
#include <QTest>

#include <functional>
#include <memory>

class QCoreApplication;

// The test classes of one folder share one executable, which builds and links far faster
// than one executable each; CTest still runs every class as a test of its own:
//
//     tests_chat TestChatStore [QtTest options…]
//
// A test file ends in VELM_TEST_MAIN(TestClass) where it would end in QTEST_MAIN. As with
// QTEST_MAIN, a static initMain() of the class runs before the application is made.
namespace TestRegistry {

struct Entry
{
    const char *name;
    void (*initMain)();
    std::unique_ptr<QObject> (*create)();
};

bool add(const Entry &entry);

using ApplicationMaker = std::function<std::unique_ptr<QCoreApplication>(int &argc, char **argv)>;
// Runs the class that argv[1] names with the arguments after it; lists the classes when it
// names none of them.
int run(int argc, char **argv, const ApplicationMaker &makeApplication);

} // namespace TestRegistry

#define VELM_TEST_MAIN(TestObject)                                                                 \
    static const bool velmTestRegistered = TestRegistry::add(                                      \
        {#TestObject, [] { QTest::Internal::callInitMain<TestObject>(); },                         \
         []() -> std::unique_ptr<QObject> { return std::make_unique<TestObject>(); }});
