#include "e2e/e2efixture.h"
#include "support/testregistry.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A photo-sized picture with something to recognise in its thumbnail.
bool writePhoto(const QString &path)
{
    QImage image(2400, 1600, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 1600);
    sky.setColorAt(0, QColor(0x4a, 0x90, 0xd9));
    sky.setColorAt(1, QColor(0xf5, 0xd0, 0x8a));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor(0xff, 0xe0, 0x60));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(1700, 500), 260, 260);
    painter.setBrush(QColor(0x2e, 0x5e, 0x3a));
    painter.drawPolygon(QPolygon({{0, 1600}, {900, 700}, {1500, 1600}}));
    painter.end();
    return image.save(path, "PNG");
}

QString content(const QJsonValue &message, const QString &type)
{
    for (const QJsonValue &part : message[u"content"].toArray()) {
        if (part[u"type"].toString() == type)
            return type == u"text"_s ? part[u"text"].toString()
                                     : part[u"image_url"][u"url"].toString();
    }
    return {};
}

} // namespace

// Attaching files in the real velm: the paperclip's file dialog adds a photo and a document
// as chips, the question goes out with the photo as a content part and the document in its
// text, the sent question shows the photo's thumbnail and the document's card, and a server
// that refuses images says so in its own words with velm's note. Screenshots of each.
class TestE2EAttachments : public QObject
{
    Q_OBJECT

private:
    QString log() const { return m_e2e.log(); }

    // Opens the paperclip's dialog from the field of the window titled `window` and chooses
    // `path` in it.
    void attachThroughTheDialog(const QString &path,
                                const QString &window = E2EFixture::windowTitle)
    {
        // Without a window manager nothing gives the window the keyboard back after a dialog.
        E2E_STEP(focus(window));
        // From the text field, the paperclip is the next stop.
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Tab"_s}), 0);
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"space"_s}), 0);
        QVERIFY2(QTest::qWaitFor(
                     [this] { return !m_e2e.x().visibleWindows(u"Attach Files"_s).isEmpty(); },
                     E2EFixture::waitMs),
                 qPrintable(log()));
        QTest::qWait(300);
        QCOMPARE(m_e2e.x().xdotool({u"type"_s, u"--delay"_s, u"5"_s, path}), 0);
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Return"_s}), 0);
        QVERIFY2(QTest::qWaitFor(
                     [this] { return m_e2e.x().visibleWindows(u"Attach Files"_s).isEmpty(); },
                     E2EFixture::waitMs),
                 qPrintable(log()));
    }

    void focus(const QString &title)
    {
        QString window;
        const auto shown = [&] {
            window = m_e2e.x().visibleWindows(title).value(0);
            return !window.isEmpty();
        };
        QVERIFY2(QTest::qWaitFor(shown, 5000), qPrintable(title));
        QCOMPARE(m_e2e.x().xdotool({u"windowfocus"_s, u"--sync"_s, window}), 0);
    }

    E2EFixture m_e2e;
    QTemporaryDir m_files;

private Q_SLOTS:
    void initTestCase()
    {
        if (!m_e2e.setUp())
            return;
        QVERIFY(writePhoto(m_files.filePath(u"lake.png"_s)));
        QFile notes(m_files.filePath(u"trip-notes.md"_s));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("# Trip notes\n\nWe hiked to the lake at <b>dawn</b>.\n");
        notes.close();
        m_e2e.model().setModels({u"e2e-vision"_s});
        m_e2e.finishOnboarding(u"never"_s);
        m_e2e.startVelm();
    }

    void attachAskAndSeeTheFiles()
    {
        QTest::qWait(1200);
        m_e2e.serveStreamedAnswer(u"A lake at sunrise under a yellow sun."_s, u"Lake photo"_s);
        E2E_STEP(m_e2e.focusMainWindow());
        // Into the composer as a user clicks it, then the paperclip by keyboard.
        E2E_STEP(m_e2e.clickComposer());
        E2E_STEP(attachThroughTheDialog(m_files.filePath(u"lake.png"_s)));
        E2E_STEP(attachThroughTheDialog(m_files.filePath(u"trip-notes.md"_s)));
        // Back in the field: the chips show once the files are read.
        E2E_STEP(m_e2e.focusMainWindow());
        QTest::qWait(800);
        QCOMPARE(m_e2e.x().xdotool({u"type"_s, u"--delay"_s, u"15"_s, u"What is in the photo?"_s}),
                 0);
        m_e2e.screenshot(u"attachments-1-chips.png"_s);

        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Return"_s}), 0);
        E2E_STEP(m_e2e.waitForAnswer(u"What is in the photo?"_s,
                                     u"A lake at sunrise under a yellow sun."_s));
        QTest::qWait(400);
        m_e2e.screenshot(u"attachments-2-sent.png"_s);

        const QList<QJsonObject> requests = m_e2e.answerRequests();
        QVERIFY(!requests.isEmpty());
        const QJsonValue question = requests.constLast()[u"messages"].toArray().at(1);
        QVERIFY(content(question, u"text"_s).startsWith(u"What is in the photo?\n\n"_s));
        QVERIFY(content(question, u"text"_s).contains(u"We hiked to the lake at <b>dawn</b>."_s));
        // Scaled to 2048 pixels and sent as JPEG: the photo has no transparency.
        QVERIFY(content(question, u"image_url"_s).startsWith(u"data:image/jpeg;base64,/9j/"_s));
        const std::optional<ChatSession> chat = m_e2e.storedChat(u"What is in the photo?"_s);
        QVERIFY(chat);
        QCOMPARE(chat->messages.at(0).attachments.size(), 2);
    }

    // A text-only model refuses the follow-up, which carries the photo again with the history.
    void refusalSaysWhy()
    {
        m_e2e.model().setStreamResponse(FakeResponse::json(
            R"({"error":{"message":"image input is not supported by this model"}})", 400));
        QCOMPARE(m_e2e.x().xdotool({u"type"_s, u"--delay"_s, u"15"_s, u"And the sun?"_s}), 0);
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Return"_s}), 0);
        const auto refused = [this] {
            const std::optional<ChatSession> chat = m_e2e.storedChat(u"What is in the photo?"_s);
            return chat && chat->messages.size() >= 3
                && chat->messages.last().text.contains(u"This model may not accept images."_s);
        };
        const auto last = [this] {
            const std::optional<ChatSession> chat = m_e2e.storedChat(u"What is in the photo?"_s);
            return chat ? chat->messages.constLast().text : QString();
        };
        QVERIFY2(QTest::qWaitFor(refused, E2EFixture::waitMs), qPrintable(last() + log()));
        QVERIFY(m_e2e.storedChat(u"What is in the photo?"_s)
                    ->messages.last()
                    .text.contains(u"image input is not supported by this model"_s));
        QTest::qWait(400);
        m_e2e.screenshot(u"attachments-3-refused.png"_s);
        QVERIFY2(m_e2e.velm().isRunning(), qPrintable(log()));
    }

    // The Quick Ask bar takes a file through its paperclip too, and asks with it.
    void quickAskWithAFile()
    {
        m_e2e.serveStreamedAnswer(u"A green hill."_s, u"Hill"_s);
        E2E_STEP(m_e2e.openQuickAskByChord());
        QVERIFY(QTest::qWaitFor([this] { return m_e2e.x().hasFocusedWindow(E2EFixture::barTitle); },
                                5000));
        // The bar gives its field the keyboard a moment after it shows; a Tab before that
        // would start from elsewhere.
        QTest::qWait(800);
        // From the field, the paperclip is the next stop here as well.
        E2E_STEP(attachThroughTheDialog(m_files.filePath(u"lake.png"_s), E2EFixture::barTitle));
        E2E_STEP(focus(E2EFixture::barTitle));
        QTest::qWait(800);
        QCOMPARE(m_e2e.x().xdotool({u"type"_s, u"--delay"_s, u"15"_s, u"And the hill?"_s}), 0);
        QTest::qWait(300);
        QVERIFY(!m_e2e.x().saveScreenshot(u"attachments-4-quickask-chip.png"_s).isEmpty());
        const qsizetype before = m_e2e.answerRequests().size();
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Return"_s}), 0);
        QVERIFY2(QTest::qWaitFor([&] { return m_e2e.answerRequests().size() > before; },
                                 E2EFixture::waitMs),
                 qPrintable(log()));
        const QJsonValue question
            = m_e2e.answerRequests().constLast()[u"messages"].toArray().last();
        QCOMPARE(content(question, u"text"_s), u"And the hill?"_s);
        QVERIFY(content(question, u"image_url"_s).startsWith(u"data:image/jpeg;base64,"_s));
    }
};

VELM_TEST_MAIN(TestE2EAttachments)
#include "tst_e2e_attachments.moc"
