#pragma once

#include "chat/askdialogmodel.h"
#include "controllerfixture.h"

#include <QTest>

#include <memory>

// A bar over the controller fixture's settings and fake services, whose searches find
// nothing unless a test says otherwise.
class AskFixture : public ControllerFixture
{
public:
    AskFixture()
        : bar(std::make_unique<AskDialogModel>(settings(), events(), network()))
    {
        instant().serveAnswer({});
        searxng().serveResults({});
    }

    // Asks `question` and waits for the end; false when the bar never settles.
    bool ask(const QString &question)
    {
        bar->setQuery(question);
        bar->sendQuery();
        return waitUntilIdle();
    }

    bool waitUntilIdle()
    {
        return QTest::qWaitFor([this] { return !bar->isLoading() && !bar->hasStreamTask(); },
                               15000);
    }

    int completionRequests()
    {
        return model().http().requestCount(QStringLiteral("/v1/chat/completions"));
    }

    std::unique_ptr<AskDialogModel> bar;
};
