// Attaching a 12-megapixel photo (4000 × 3000 JPEG, about 5 MB) to the main window's
// composer, offscreen, with the real controller and the fake model server on loopback:
//
// - From the drop to the chip with its picture: reading, decoding, scaling to 2048 pixels and
//   re-encoding happen on the thread pool, so the figure that matters for the window is the
//   main thread's longest stall meanwhile (a 1 ms timer that notes how late it fires; budget
//   one frame, 16 ms).
// - From the drop with Return pressed at once to the request at the model server: the
//   question waits for the file, then goes out with the photo as a data: URL. The server
//   reads the request on the main thread here, so this stall includes its reading.
//
// Each figure is the median and the worst of several runs, beside the stall of the same window
// doing nothing for as long (the floor: what the machine's timers and other processes cost).

#include "chat/controllerfixture.h"
#include "chat/conversationcontroller.h"
#include "main_window/composertextedit.h"
#include "main_window/composerview.h"
#include "support/fakemodelserver.h"
#include "widgets/attachmentchiprow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int runs = 7;

// Something with the detail of a photo, so that JPEG has work to do: gradients, shapes and
// fine noise.
bool writePhoto(const QString &path)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 3000);
    sky.setColorAt(0, QColor(0x30, 0x70, 0xc0));
    sky.setColorAt(1, QColor(0xe0, 0xb0, 0x70));
    painter.fillRect(image.rect(), sky);
    QRandomGenerator random(12);
    for (int i = 0; i < 400; ++i) {
        painter.setBrush(QColor::fromRgb(random.generate()));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPoint(random.bounded(4000), random.bounded(3000)),
                            random.bounded(20, 200), random.bounded(20, 200));
    }
    painter.end();
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(random.bounded(24)) - 12;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                           std::clamp(qBlue(c) + n, 0, 255));
        }
    }
    return image.save(path, "JPEG", 92);
}

// The main thread's longest wait for a 1 ms timer while it runs.
class StallMeter
{
public:
    StallMeter()
    {
        m_timer.setInterval(1);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_clock.restart()); });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_timer.start();
    }
    qint64 stop()
    {
        m_timer.stop();
        return std::max(m_longest, m_clock.elapsed());
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

// Runs the event loop until `done`, at most `timeoutMs`. Not QTest::qWaitFor: that sleeps in
// slices of 10 ms, which would be measured as stalls.
template<typename Done>
bool waitFor(Done done, int timeoutMs)
{
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    if (!done())
        loop.exec();
    return done();
}

struct Figures
{
    std::vector<double> ms;
    std::vector<double> stall;

    void print(const char *what) const
    {
        auto sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        auto stalls = stall;
        std::sort(stalls.begin(), stalls.end());
        std::printf("%-34s median %7.1f ms  worst %7.1f ms   main-thread stall median %5.1f ms  "
                    "worst %5.1f ms\n",
                    what, sorted[sorted.size() / 2], sorted.back(), stalls[stalls.size() / 2],
                    stalls.back());
    }
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("VELM_NO_ANIMATIONS", "1");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString photo = dir.filePath(u"photo.jpg"_s);
    if (!writePhoto(photo)) {
        std::fprintf(stderr, "could not write the photo\n");
        return 1;
    }
    std::printf("photo: 4000 x 3000 JPEG, %.1f MB\n", QFileInfo(photo).size() / 1e6);

    Figures chip;
    Figures request;
    Figures idle;
    StallMeter meter;
    for (int run = 0; run < runs; ++run) {
        ControllerFixture f;
        if (!f.isValid())
            return 1;
        f.model().setStream({u"A photo."_s});
        ConversationController &controller = f.controller();
        ComposerView view(controller, f.settings());
        view.resize(800, 200);
        view.show();
        QTest::qWait(50);

        // The floor: the same window doing nothing for as long as a read takes.
        QElapsedTimer clock;
        meter.start();
        clock.start();
        waitFor([] { return false; }, 120);
        idle.ms.push_back(clock.nsecsElapsed() / 1e6);
        idle.stall.push_back(double(meter.stop()));

        // The drop, then the chip.
        meter.start();
        clock.start();
        view.attach({{photo, {}, {}}});
        if (!waitFor([&] { return controller.draftAttachments().size() == 1; }, 20000))
            return 1;
        chip.ms.push_back(clock.nsecsElapsed() / 1e6);
        chip.stall.push_back(double(meter.stop()));
        controller.removeAttachment(0);

        // The drop with Return at once, then the request at the server.
        const int before = f.model().http().requestCount(u"/v1/chat/completions"_s);
        meter.start();
        clock.restart();
        view.attach({{photo, {}, {}}});
        controller.setDraft(u"What is in it?"_s);
        QTest::keyClick(view.textEdit(), Qt::Key_Return);
        if (!waitFor(
                [&] { return f.model().http().requestCount(u"/v1/chat/completions"_s) > before; },
                20000))
            return 1;
        request.ms.push_back(clock.nsecsElapsed() / 1e6);
        request.stall.push_back(double(meter.stop()));
        f.waitUntilIdle();
    }
    idle.print("idle window (the floor)");
    chip.print("drop to chip");
    request.print("drop + Return to request received");
    return 0;
}
