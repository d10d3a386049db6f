#include "chat/chatcodec.h"
#include "chat/settings.h"
#include "e2e/scriptedservers.h"
#include "e2e/velmprocess.h"
#include "e2e/xsession.h"
#include "support/fakemodelserver.h"
#include "support/fakesearxngserver.h"
#include "support/testregistry.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int waitMs = 30000;
const QString windowTitle = u"velm"_s;
const QString question = u"What is Euler's identity, and what is the integral of x squared?"_s;

// Everything the conversation view draws in its own way: a heading, a list, a code block,
// inline math and a display formula. The site names and the words shared with the hits
// below make every hit a source worth showing.
const QString answer = uR"(## Euler's identity

Euler's identity, $e^{i\pi}+1=0$, joins five constants in one equation. Wikipedia,
MathWorld and Britannica all call it the most remarkable formula in mathematics.

- It follows from Euler's formula $e^{ix} = \cos x + i\sin x$ at $x = \pi$.
- It uses **addition**, *multiplication* and exponentiation once each.
- It is often quoted as an example of `mathematical beauty`.

```python
import cmath
print(cmath.exp(1j * cmath.pi) + 1)  # about 1.2e-16j
```

The integral of $x^2$ over the unit interval:

$$\int_0^1 x^2\,dx = \tfrac13$$

That is the area under the parabola between 0 and 1.)"_s;

const QList<SearchHit> hits = {
    {u"Euler's identity - Wikipedia"_s, u"https://en.wikipedia.org/wiki/Euler%27s_identity"_s,
     u"In mathematics, Euler's identity is the equality e^{iπ} + 1 = 0, an example of "
     u"mathematical beauty."_s},
    {u"Euler Formula -- from Wolfram MathWorld"_s,
     u"https://mathworld.wolfram.com/EulerFormula.html"_s,
     u"The Euler formula states that e^{ix} = cos x + i sin x; with x = π it gives Euler's "
     u"identity."_s},
    {u"Euler's identity | Definition, Formula & Facts | Britannica"_s,
     u"https://www.britannica.com/topic/Eulers-identity"_s,
     u"Euler's identity, equation of complex analysis that joins five fundamental constants."_s},
};

// A 16×16 PNG: a coloured disc, so that a loaded favicon is told apart from the globe.
QByteArray iconPng(const QColor &color)
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(QRectF(1, 1, 14, 14));
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

} // namespace

// The real velm on a virtual X display: the new-chat screen, then a question typed into
// the composer, searched on the fake SearXNG instance and answered by the fake model
// server with Markdown and math, ending in three source cards. Screenshots of both
// screens are saved under the build tree for people to look at.
class TestE2EMainWindow : public QObject
{
    Q_OBJECT

private:
    QString log() const { return m_velm.log(); }

    QString windowId() const { return m_x.visibleWindows(windowTitle).value(0); }

    // The whole screen, and the window on its own where its place is known.
    void saveScreenshot(const QString &name)
    {
        // The pointer off the window, so that no row shows its hover look.
        QCOMPARE(m_x.xdotool({u"mousemove"_s, u"0"_s, u"0"_s}), 0);
        QTest::qWait(300);
        QVERIFY(!m_x.saveScreenshot(name, windowId()).isEmpty());
    }

    // The streamed completion request (the title request is sent without streaming).
    QJsonObject answerRequest()
    {
        const QList<FakeRequest> &requests = m_model.http().requests();
        for (auto it = requests.crbegin(); it != requests.crend(); ++it) {
            const QJsonObject body = QJsonDocument::fromJson(it->body).object();
            if (it->path() == u"/v1/chat/completions"_s && body.value(u"stream"_s).toBool())
                return body;
        }
        return {};
    }

    XSession m_x;
    FakeModelServer m_model;
    FakeSearxngServer m_searxng;
    FakeHttpServer m_favicons;
    VelmProcess m_velm{&m_x};

private Q_SLOTS:
    void initTestCase()
    {
        const QStringList missing = XSession::missingTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(u"not installed: "_s + missing.join(u", "_s)));
        QVERIFY(m_velm.isValid());
        QVERIFY(m_x.start());

        QVERIFY(m_model.listen());
        serveStreamedAnswer(m_model, answer, u"Euler's identity"_s, 12);

        QVERIFY(m_searxng.listen());
        serveHits(m_searxng, hits);

        // Two sites have an icon, the third fails and keeps the globe.
        QVERIFY(m_favicons.listen());
        const FakeResponse png
            = FakeResponse::text(iconPng(QColor(0x33, 0x66, 0xcc)), 200, "image/png");
        m_favicons.route("GET", u"/ip3/en.wikipedia.org.ico"_s, png);
        m_favicons.route("GET", u"/ip3/mathworld.wolfram.com.ico"_s,
                         FakeResponse::text(iconPng(QColor(0xdd, 0x44, 0x22)), 200, "image/png"));

        {
            Settings settings(m_velm.settingsFile(), m_velm.dataDirectory());
            settings.setLmStudioServerAddress(m_model.address());
            settings.setHasCompletedOnboarding(true);
            settings.setWebSearchMode(u"always"_s);
            settings.setSearxngHost(u"127.0.0.1"_s);
            settings.setSearxngPort(QString::number(m_searxng.port()));
            settings.setSearxngUseHTTPS(false);
            settings.setUserName(u"Ada"_s);
        }

        m_velm.setEnvironmentVariable(u"VELM_FAVICON_URL"_s, m_favicons.url().toString());
        QVERIFY2(m_velm.start(), qPrintable(log()));
        QVERIFY2(m_x.waitForWindow(windowTitle), qPrintable(log()));
    }

    void cleanupTestCase() { m_velm.stop(); }

    void newChatScreen()
    {
        // Let the greeting and the starters finish their entrance.
        QTest::qWait(1500);
        saveScreenshot(u"mainwindow-newchat.png"_s);
        QVERIFY(m_velm.isRunning());
    }

    void typedQuestionIsAnsweredWithSources()
    {
        const QString window = windowId();
        QVERIFY(!window.isEmpty());
        const QRect geometry = m_x.windowGeometry(window);
        QVERIFY(!geometry.isEmpty());
        // Without a window manager nothing hands the window the keyboard; and the composer
        // gets it by a click, as a user gives it, on its first line near the window's foot.
        QCOMPARE(m_x.xdotool({u"windowfocus"_s, u"--sync"_s, window}), 0);
        QCOMPARE(m_x.xdotool({u"mousemove"_s, u"--window"_s, window, u"--sync"_s,
                              QString::number(geometry.width() / 2),
                              QString::number(geometry.height() - 74)}),
                 0);
        QCOMPARE(m_x.xdotool({u"click"_s, u"1"_s}), 0);
        QCOMPARE(m_x.xdotool({u"type"_s, u"--delay"_s, u"15"_s, question}), 0);
        QCOMPARE(m_x.xdotool({u"key"_s, u"Return"_s}), 0);

        QVERIFY2(QTest::qWaitFor([&] { return !answerRequest().isEmpty(); }, waitMs),
                 qPrintable(log()));
        const QJsonArray messages = answerRequest().value(u"messages"_s).toArray();
        QVERIFY(!messages.isEmpty());
        const QJsonObject last = messages.last().toObject();
        QCOMPARE(last.value(u"role"_s).toString(), u"user"_s);
        QCOMPARE(last.value(u"content"_s).toString(), question);
        QVERIFY(m_searxng.requestCount(u"/search"_s) >= 1);
        // The hits went to the model in a system message of their own.
        bool hitsSent = false;
        for (const QJsonValue &message : messages) {
            const QJsonObject object = message.toObject();
            hitsSent = hitsSent
                || (object.value(u"role"_s).toString() == u"system"_s
                    && object.value(u"content"_s).toString().contains(hits.at(2).url));
        }
        QVERIFY(hitsSent);

        // The assistant message is stored only once the answer has ended.
        const auto answered = [&] {
            const QList<ChatSession> sessions = m_velm.storedSessions();
            return sessions.size() == 1 && sessions.first().messages.size() == 2
                && sessions.first().messages.last().text == answer;
        };
        QVERIFY2(QTest::qWaitFor(answered, waitMs), qPrintable(log()));
        const ChatSession session = m_velm.storedSessions().first();
        QCOMPARE(session.messages.first().role, ChatMessage::Role::User);
        QCOMPARE(session.messages.first().text, question);
        const ChatMessage &reply = session.messages.last();
        QCOMPARE(reply.role, ChatMessage::Role::Assistant);
        QVERIFY(reply.sources.has_value());
        QCOMPARE(reply.sources->size(), hits.size());
        for (qsizetype i = 0; i < hits.size(); ++i) {
            QCOMPARE(reply.sources->at(i).title, hits.at(i).title);
            QCOMPARE(reply.sources->at(i).url, hits.at(i).url);
        }

        // The favicons of the cards come from the loopback service only.
        QVERIFY2(
            QTest::qWaitFor([&] { return m_favicons.requests().size() >= hits.size(); }, waitMs),
            qPrintable(log()));

        // The formulas are typeset by web pages that load after the answer has ended.
        QTest::qWait(4000);
        saveScreenshot(u"mainwindow-answer.png"_s);
        QVERIFY(m_velm.isRunning());
    }

    void answerFromItsTop()
    {
        // The question and the start of the answer, wheeled back into view.
        const QString window = windowId();
        const QRect geometry = m_x.windowGeometry(window);
        QVERIFY(!geometry.isEmpty());
        QCOMPARE(m_x.xdotool({u"mousemove"_s, u"--window"_s, window, u"--sync"_s,
                              QString::number(geometry.width() / 2),
                              QString::number(geometry.height() / 2)}),
                 0);
        QCOMPARE(m_x.xdotool({u"click"_s, u"--repeat"_s, u"20"_s, u"--delay"_s, u"20"_s, u"4"_s}),
                 0);
        QTest::qWait(1000);
        saveScreenshot(u"mainwindow-answer-top.png"_s);
        QVERIFY(m_velm.isRunning());
    }

    void sidebarListsTheChat()
    {
        // The window kept the keyboard through the formulas' arrival.
        QVERIFY(m_x.hasFocusedWindow(windowTitle));
        QCOMPARE(m_x.xdotool({u"key"_s, u"ctrl+alt+s"_s}), 0);
        // The sidebar slides in.
        QTest::qWait(1000);
        saveScreenshot(u"mainwindow-sidebar.png"_s);
        QVERIFY(m_velm.isRunning());
    }
};

VELM_TEST_MAIN(TestE2EMainWindow)
#include "tst_e2e_mainwindow.moc"
