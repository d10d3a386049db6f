#pragma once

#include <QCoroTask>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>

namespace TestSupport {

namespace detail {
template<typename T>
QCoro::Task<> storeResult(QCoro::Task<T> task, std::shared_ptr<std::optional<T>> result,
                          QPointer<QEventLoop> loop)
{
    result->emplace(co_await std::move(task));
    if (loop)
        loop->quit();
}
} // namespace detail

// Runs the event loop until `task` is done and returns its result; nothing when it is not
// done within `timeoutMs` (a generous limit: it only keeps a broken test from hanging).
// A real event loop rather than QTest::qWaitFor, which naps between rounds and would make
// a stream of many small reads crawl.
template<typename T>
std::optional<T> awaitTask(QCoro::Task<T> task, int timeoutMs = 10000)
{
    auto result = std::make_shared<std::optional<T>>();
    QEventLoop loop;
    detail::storeResult(std::move(task), result, QPointer<QEventLoop>(&loop));
    if (!result->has_value()) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return std::move(*result);
}

} // namespace TestSupport
