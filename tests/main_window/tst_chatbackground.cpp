#include "main_window/velmchatbackground.h"
#include "support/testregistry.h"
#include "widgets/appcolors.h"

#include <QApplication>
#include <QTest>

class TestChatBackground : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsScheme_data();
    void followsScheme();
};

void TestChatBackground::followsScheme_data()
{
    QTest::addColumn<bool>("dark");
    QTest::newRow("dark") << true;
    QTest::newRow("light") << false;
}

// The window's scheme reaches the background through its palette alone: the corners carry
// the scheme's two background colours, and a child without a background shows them.
void TestChatBackground::followsScheme()
{
    QFETCH(bool, dark);
    VelmChatBackground background;
    background.setPalette(AppColors::palette(dark));
    background.resize(400, 300);
    QWidget child(&background);
    child.setGeometry(0, 0, 40, 40);

    const QImage image = background.grab().toImage();
    const auto near = [](const QColor &a, const QColor &b) {
        return qAbs(a.red() - b.red()) <= 3 && qAbs(a.green() - b.green()) <= 3
            && qAbs(a.blue() - b.blue()) <= 3;
    };
    const QColor start = AppColors::named(NamedColor::AppBackgroundStart, dark);
    const QColor end = AppColors::named(NamedColor::AppBackgroundEnd, dark);
    QVERIFY(start != end);
    QVERIFY(near(image.pixelColor(2, 2), start));
    QVERIFY(near(image.pixelColor(397, 297), end));
}

VELM_TEST_MAIN(TestChatBackground)

#include "tst_chatbackground.moc"
