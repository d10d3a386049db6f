#include "support/testregistry.h"
#include "widgets/animations.h"
#include "widgets/glasssurface.h"
#include "widgets/hoveranimation.h"

#include <QEnterEvent>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

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
    void spring_data();
    void spring();
    void springAnimationEndsAtTarget();
    void laterAnimationReplacesEarlier();
    void glassFollowsScheme_data();
    void glassFollowsScheme();
    void hoverFollowsPointer_data();
    void hoverFollowsPointer();
};

void TestStyleWidgets::spring_data()
{
    QTest::addColumn<qreal>("response");
    QTest::addColumn<qreal>("damping");
    QTest::addColumn<bool>("overshoots");

    QTest::newRow("hover spring") << 0.25 << 0.7 << true;
    QTest::newRow("list spring") << 0.3 << 0.85 << true;
    QTest::newRow("critical") << 0.25 << 1.0 << false;
}

void TestStyleWidgets::spring()
{
    QFETCH(qreal, response);
    QFETCH(qreal, damping);
    QFETCH(bool, overshoots);

    const DampedSpring spring{response, damping};
    QCOMPARE(spring.value(0), 0.0);
    qreal peak = 0;
    for (qreal t = 0; t < 2; t += 0.001)
        peak = qMax(peak, spring.value(t));
    QCOMPARE(peak > 1.0005, overshoots);

    // Settled for good after settlingTime, and not long before: an animation cut there
    // neither jumps nor lingers.
    const qreal settled = spring.settlingTime();
    QVERIFY(settled > response * 0.4);
    QVERIFY(settled < response * 4);
    for (qreal t = settled; t < settled + 1; t += 0.001)
        QVERIFY2(qAbs(spring.value(t) - 1) <= 0.001, qPrintable(QString::number(t)));
    QVERIFY(qAbs(spring.value(settled * 0.5) - 1) > 0.001);
}

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

void TestStyleWidgets::glassFollowsScheme_data()
{
    QTest::addColumn<GlassSurface::Material>("material");
    QTest::addColumn<bool>("dark");
    QTest::addColumn<qreal>("minAlpha");
    QTest::addColumn<qreal>("maxAlpha");

    // A panel is translucent, but only a little: nothing blurs the desktop behind it.
    QTest::newRow("panel, dark") << GlassSurface::Material::Panel << true << 0.8 << 0.99;
    QTest::newRow("panel, light") << GlassSurface::Material::Panel << false << 0.8 << 0.99;
    // A control lets the window under it show through.
    QTest::newRow("control, dark") << GlassSurface::Material::Control << true << 0.3 << 0.8;
    QTest::newRow("control, light") << GlassSurface::Material::Control << false << 0.3 << 0.8;
}

void TestStyleWidgets::glassFollowsScheme()
{
    QFETCH(GlassSurface::Material, material);
    QFETCH(bool, dark);
    QFETCH(qreal, minAlpha);
    QFETCH(qreal, maxAlpha);
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    GlassSurface::paint(painter, QRectF(0, 0, 40, 40), 18, dark, material);
    painter.end();
    const QColor centre = image.pixelColor(20, 30);
    if (dark)
        QVERIFY(centre.lightnessF() < 0.3);
    else
        QVERIFY(centre.lightnessF() > 0.7);
    QVERIFY2(centre.alphaF() > minAlpha && centre.alphaF() < maxAlpha,
             qPrintable(QString::number(centre.alphaF())));
}

void TestStyleWidgets::hoverFollowsPointer_data()
{
    QTest::addColumn<bool>("spring");
    QTest::newRow("timing") << false;
    QTest::newRow("spring") << true;
}

void TestStyleWidgets::hoverFollowsPointer()
{
    QFETCH(bool, spring);
    HoverProbe probe;
    probe.hover = spring ? new HoverAnimation(&probe, Animations::hoverSpring())
                         : new HoverAnimation(&probe, Animations::quickEase());
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
