#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "e2e/e2efixture.h"
#include "e2e/xtrayhost.h"
#include "support/testregistry.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Nothing here makes the automatic mode search: only "always" does.
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

const QString quickQuestion = u"What is the square root of pi, roughly?"_s;
const QString quickAnswer = u"About **1.7725**."_s;

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

// One user's first day with the real velm, on a virtual X display with a stand-in tray: the
// first-run flow walked with the keyboard against the fake servers, a first question
// searched and answered with Markdown, formulas and three source cards, a Quick Ask opened by
// the chord and saved into a chat, the bar opened again and closed with Escape, the main
// window closed to the tray and brought back by launching velm again, and an export of both
// chats. Screenshots of every step are saved under the build tree.
class TestE2EJourney : public QObject
{
    Q_OBJECT

private:
    QString log() const { return m_e2e.log(); }

    // Typed without a scheme: what is stored must be the text as typed, not the address
    // the client makes of it.
    QString modelAddress() { return u"127.0.0.1:%1"_s.arg(m_e2e.model().http().port()); }

    E2EFixture m_e2e;
    XTrayHost m_tray;
    FakeHttpServer m_favicons;

private Q_SLOTS:
    void initTestCase()
    {
        if (!m_e2e.setUp())
            return;
        // Before velm starts, as a desktop's panel is.
        QVERIFY(m_tray.start(m_e2e.x().display()));
        m_e2e.serveStreamedAnswer(answer, u"Euler's identity"_s, 12);
        m_e2e.serveHits(hits);
        // Two sites have an icon, the third fails and keeps the globe.
        QVERIFY(m_favicons.listen());
        m_favicons.route("GET", u"/ip3/en.wikipedia.org.ico"_s,
                         FakeResponse::text(iconPng(QColor(0x33, 0x66, 0xcc)), 200, "image/png"));
        m_favicons.route("GET", u"/ip3/mathworld.wolfram.com.ico"_s,
                         FakeResponse::text(iconPng(QColor(0xdd, 0x44, 0x22)), 200, "image/png"));
        m_e2e.velm().setEnvironmentVariable(u"VELM_FAVICON_URL"_s, m_favicons.url().toString());
        // Nothing is written beforehand: a first start.
        m_e2e.startVelm();
    }

    void onboarding()
    {
        QVERIFY2(m_e2e.velm().waitForLog(u"Onboarding shows stage welcome"_s), qPrintable(log()));
        E2E_STEP(m_e2e.walkOnboarding(u"Ada"_s, modelAddress(),
                                      u"http://127.0.0.1:%1/"_s.arg(m_e2e.searxng().port()),
                                      u"journey-1-onboarding-"_s));
        const QRegularExpression line(u"Onboarding shows stage (\\w+)"_s);
        QStringList shown;
        for (const QRegularExpressionMatch &match : line.globalMatch(log()))
            shown.append(match.captured(1));
        QCOMPARE(
            shown,
            QStringList({u"welcome"_s, u"name"_s, u"llm"_s, u"search"_s, u"theme"_s, u"done"_s}));
        QCOMPARE(m_e2e.searxng().requests().constLast().query().queryItemValue(u"q"_s), u"test"_s);

        const QSettings stored(m_e2e.velm().settingsFile(), QSettings::IniFormat);
        QCOMPARE(stored.value(SettingsKeys::userName.toString()).toString(), u"Ada"_s);
        QCOMPARE(stored.value(SettingsKeys::lmStudioServerAddress.toString()).toString(),
                 modelAddress());
        QCOMPARE(stored.value(SettingsKeys::searxngHost.toString()).toString(), u"127.0.0.1"_s);
        QCOMPARE(stored.value(SettingsKeys::searxngPort.toString()).toString(),
                 QString::number(m_e2e.searxng().port()));
        QCOMPARE(stored.value(SettingsKeys::webSearchMode.toString()).toString(), u"auto"_s);
        // The new-chat screen's entrance.
        QTest::qWait(1200);
        m_e2e.screenshot(u"journey-2-newchat.png"_s);
    }

    void searchModeSetFromTheCommandLine()
    {
        // Onboarding leaves "auto"; every question is to be looked up from here on.
        const VelmCommandRun run = m_e2e.velm().run({u"config"_s, u"webSearchMode"_s, u"always"_s});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(
            Settings(m_e2e.velm().settingsFile(), m_e2e.velm().dataDirectory()).webSearchMode(),
            u"always"_s);
    }

    void firstQuestionIsAnsweredWithMathAndSources()
    {
        E2E_STEP(m_e2e.askInComposer(question));
        QVERIFY2(
            QTest::qWaitFor([&] { return !m_e2e.answerRequests().isEmpty(); }, E2EFixture::waitMs),
            qPrintable(log()));
        const QJsonArray messages
            = m_e2e.answerRequests().constLast().value(u"messages"_s).toArray();
        QCOMPARE(messages.last().toObject().value(u"role"_s).toString(), u"user"_s);
        QCOMPARE(messages.last().toObject().value(u"content"_s).toString(), question);
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
        E2E_STEP(m_e2e.waitForAnswer(question, answer));
        // The onboarding's test, and this question: the running velm read the mode the
        // command wrote.
        QCOMPARE(m_e2e.searxng().requestCount(u"/search"_s), 2);
        QCOMPARE(m_e2e.searxng().requests().constLast().query().queryItemValue(u"q"_s,
                                                                               QUrl::FullyDecoded),
                 question);
        const ChatMessage reply = m_e2e.storedChat(question)->messages.last();
        QVERIFY(reply.sources.has_value());
        QCOMPARE(reply.sources->size(), hits.size());
        for (qsizetype i = 0; i < hits.size(); ++i) {
            QCOMPARE(reply.sources->at(i).title, hits.at(i).title);
            QCOMPARE(reply.sources->at(i).url, hits.at(i).url);
        }
        // The favicons of the cards come from the loopback service only.
        QVERIFY2(QTest::qWaitFor([&] { return m_favicons.requests().size() >= hits.size(); },
                                 E2EFixture::waitMs),
                 qPrintable(log()));

        // The formulas are typeset on the math thread as the answer ends; the entrance ends.
        QTest::qWait(1500);
        m_e2e.screenshot(u"journey-3-answer.png"_s);

        // The question and the start of the answer, wheeled back into view.
        const QString window = m_e2e.windowId();
        const QRect geometry = m_e2e.x().windowGeometry(window);
        QCOMPARE(m_e2e.x().xdotool({u"mousemove"_s, u"--window"_s, window, u"--sync"_s,
                                    QString::number(geometry.width() / 2),
                                    QString::number(geometry.height() / 2)}),
                 0);
        QCOMPARE(
            m_e2e.x().xdotool({u"click"_s, u"--repeat"_s, u"20"_s, u"--delay"_s, u"20"_s, u"4"_s}),
            0);
        QTest::qWait(1000);
        m_e2e.screenshot(u"journey-3-answer-top.png"_s);

        // The window kept the keyboard through the formulas' arrival; the sidebar slides in.
        QVERIFY(m_e2e.x().hasFocusedWindow(E2EFixture::windowTitle));
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"ctrl+alt+s"_s}), 0);
        QTest::qWait(1000);
        m_e2e.screenshot(u"journey-3-sidebar.png"_s);
        QVERIFY(m_e2e.velm().isRunning());
    }

    void quickAskOpensByTheChord()
    {
        m_e2e.model().setStream(E2EFixture::streamPieces(quickAnswer));
        E2E_STEP(m_e2e.openQuickAskByChord());
        E2E_STEP(m_e2e.askInQuickAsk(quickQuestion));
        const QJsonArray messages = m_e2e.model().lastChatRequest().value(u"messages"_s).toArray();
        QVERIFY(!messages.isEmpty());
        QCOMPARE(messages.last().toObject().value(u"content"_s).toString(), quickQuestion);

        // The answer's entrance.
        QTest::qWait(1500);
        m_e2e.screenshot(u"journey-4-quickask.png"_s, true);
    }

    void saveAndContinueInChat()
    {
        const qsizetype mark = m_e2e.velm().logMark();
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"ctrl+s"_s}), 0);
        QVERIFY2(m_e2e.x().waitForWindow(E2EFixture::barTitle, false), qPrintable(log()));
        QVERIFY2(m_e2e.velm().waitForLog(u"Presented the main window"_s, mark), qPrintable(log()));
        QVERIFY2(m_e2e.x().waitForWindow(E2EFixture::windowTitle), qPrintable(log()));

        // The exchange as it stood, turned into a chat of its own next to the first.
        E2E_STEP(m_e2e.waitForAnswer(quickQuestion, quickAnswer));
        QCOMPARE(m_e2e.velm().storedSessions().size(), 2);
        QTest::qWait(1000);
        m_e2e.screenshot(u"journey-5-saved-chat.png"_s);
    }

    void escapeClosesTheBar()
    {
        E2E_STEP(m_e2e.openQuickAskByChord());
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Escape"_s}), 0);
        QVERIFY2(m_e2e.x().waitForWindow(E2EFixture::barTitle, false), qPrintable(log()));
        QVERIFY(m_e2e.velm().isRunning()); // closing the bar is not quitting
    }

    void closeToMenuBarKeepsVelmRunning()
    {
        E2E_STEP(m_e2e.focusMainWindow());
        const qsizetype mark = m_e2e.velm().logMark();
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"ctrl+q"_s}), 0);
        QVERIFY2(m_e2e.velm().waitForLog(u"Hid every window to the tray"_s, mark),
                 qPrintable(log()));
        QVERIFY2(m_e2e.x().waitForWindow(E2EFixture::windowTitle, false), qPrintable(log()));
        // Hiding is not quitting: velm stays, with its icon docked in the tray.
        QTest::qWait(1000);
        QVERIFY2(m_e2e.velm().isRunning(), qPrintable(log()));
        QVERIFY(m_tray.dockRequests() >= 1);
        m_e2e.screenshot(u"journey-6-closed-to-tray.png"_s, true);
    }

    void launchingAgainReopensTheWindow()
    {
        const qsizetype mark = m_e2e.velm().logMark();
        const VelmCommandRun launch = m_e2e.velm().run({});
        // The second launch hands the running velm the window and ends.
        QVERIFY2(launch.exitCode == 0, launch.err.constData());
        QVERIFY2(m_e2e.velm().waitForLog(u"Another launch asked for \"show\""_s, mark),
                 qPrintable(log()));
        QVERIFY2(m_e2e.x().waitForWindow(E2EFixture::windowTitle), qPrintable(log()));
        QTest::qWait(1000);
        m_e2e.screenshot(u"journey-7-reopened.png"_s);
        QVERIFY(m_e2e.velm().isRunning());
    }

    void exportHoldsBothChats()
    {
        const QString path = m_e2e.velm().homePath(u"velm-export.json"_s);
        const VelmCommandRun run = m_e2e.velm().run({u"export"_s, path});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY2(QString::fromUtf8(run.out).startsWith(u"Exported 2 chats"_s), run.out.constData());

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
        QVERIFY(document.isArray());
        const QJsonArray chats = document.array();
        QCOMPARE(chats.size(), 2);
        QHash<QString, QJsonArray> byQuestion;
        for (const QJsonValue &chat : chats) {
            const QJsonArray messages = chat.toObject().value(u"messages"_s).toArray();
            byQuestion.insert(messages.first().toObject().value(u"text"_s).toString(), messages);
        }
        QVERIFY(byQuestion.contains(question));
        QVERIFY(byQuestion.contains(quickQuestion));

        const QJsonObject mathAnswer = byQuestion.value(question).last().toObject();
        QCOMPARE(mathAnswer.value(u"role"_s).toString(), u"assistant"_s);
        QCOMPARE(mathAnswer.value(u"text"_s).toString(), answer);
        const QJsonArray sources = mathAnswer.value(u"sources"_s).toArray();
        QCOMPARE(sources.size(), hits.size());
        QCOMPARE(sources.first().toObject().value(u"url"_s).toString(), hits.first().url);

        const QJsonObject quick = byQuestion.value(quickQuestion).last().toObject();
        QCOMPARE(quick.value(u"role"_s).toString(), u"assistant"_s);
        QCOMPARE(quick.value(u"text"_s).toString(), quickAnswer);
    }
};

VELM_TEST_MAIN(TestE2EJourney)
#include "tst_e2e_journey.moc"
