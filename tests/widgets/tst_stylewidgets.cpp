#include "support/testregistry.h"
#include "widgets/animations.h"
#include "widgets/hoveranimation.h"
#include "widgets/plaintext.h"

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// Remembers the hover progress it was last painted with.
class HoverProbe : public QWidget
{
public:
    HoverAnimation *hover = nullptr;
    qreal paintedProgress = -1;

protected:
    void paintEvent(QPaintEvent *) override { paintedProgress = hover->progress(); }
};

} // namespace

class TestStyleWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A server's model id, a chat's title or an address shows as it is in a tooltip, and Qt
    // reads none of it as markup.
    void plainToolTips_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << u"Model: qwen3-8b"_s;
        QTest::newRow("a tag in the middle") << u"Written by <img src=\"/etc/x\"> model"_s;
        QTest::newRow("markup at the start") << u"<b>bold</b> & more"_s;
        QTest::newRow("an escape") << u"a &lt; b"_s;
    }

    void plainToolTips()
    {
        QFETCH(QString, text);
        const QString tip = PlainText::toolTip(text);
        if (!Qt::mightBeRichText(text))
            QCOMPARE(tip, text);
        QTextDocument shown;
        if (Qt::mightBeRichText(tip))
            shown.setHtml(tip);
        else
            shown.setPlainText(tip);
        QCOMPARE(shown.toPlainText(), text);
    }

    void menuTextKeepsAmpersands()
    {
        QCOMPARE(PlainText::menuText(u"R&D model & co"_s), u"R&&D model && co"_s);
    }

    void springAnimationEndsAtTarget();
    void laterAnimationReplacesEarlier();
    void hoverFollowsPointer();
};

void TestStyleWidgets::springAnimationEndsAtTarget()
{
    QObject holder;
    holder.setProperty("level", 0.0);
    auto *animation = new SpringAnimation(&holder, "level", Animations::hoverSpring());
    animation->setEndValue(1.0);
    QSignalSpy finished(animation, &QAbstractAnimation::finished);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    QVERIFY(finished.wait(3000));
    QCOMPARE(holder.property("level").toReal(), 1.0);
}

void TestStyleWidgets::laterAnimationReplacesEarlier()
{
    // A hover that ends before its fade-in finished must not be overtaken by the fade-in.
    QObject holder;
    holder.setProperty("level", 0.0);
    Animations::animate(&holder, "level", 1.0, Animations::entranceEase());
    auto *fadeOut = Animations::animate(&holder, "level", 0.0, Animations::quickEase());
    if (!fadeOut) // animations switched off: the property jumped
        QCOMPARE(holder.property("level").toReal(), 0.0);
    else
        QVERIFY(QTest::qWaitFor([&] { return holder.property("level").toReal() == 0.0; }));
    QTest::qWait(450);
    QCOMPARE(holder.property("level").toReal(), 0.0);
}

void TestStyleWidgets::hoverFollowsPointer()
{
    HoverProbe probe;
    probe.hover = new HoverAnimation(&probe, Animations::hoverSpring());
    probe.resize(40, 20);
    probe.show();
    QVERIFY(QTest::qWaitForWindowExposed(&probe));

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&probe, &enter);
    // Every step repaints the widget, the last one included.
    QTRY_COMPARE(probe.paintedProgress, 1.0);
    QCOMPARE(probe.hover->bounded(), 1.0);

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&probe, &leave);
    QTRY_COMPARE(probe.paintedProgress, 0.0);
}

VELM_TEST_MAIN(TestStyleWidgets)
#include "tst_stylewidgets.moc"
