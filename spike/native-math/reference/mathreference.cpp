// Draws every formula of the corpus through the web view velm shows formulas with today, and
// saves each picture: the references the native renderer is compared against, made once
// while the web engine is still there.
//
//   mathreference tests/data/math/corpus.tsv out-folder [group]
//
// Light scheme, black text on white, device pixel ratio as QT_SCALE_FACTOR sets it; the
// formula alone in a block as wide as a message's text.
#include "markdown/mathpage.h"
#include "markdown/view/katexhtmlblockview.h"
#include "markdown/view/mathwebprofile.h"
#include "markdown/view/passthroughkatexwebview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>

#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QVariant run(QWebEnginePage *page, const QString &script)
{
    auto result = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
    page->runJavaScript(script, [result](const QVariant &value) {
        result->first = true;
        result->second = value;
    });
    QElapsedTimer timer;
    timer.start();
    while (!result->first && timer.elapsed() < 10000)
        wait(10);
    return result->second;
}

bool ready(KaTeXHTMLBlockView *block)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 20000) {
        if (block->webView()
            && run(block->webView()->page(),
                   u"document.body !== null && document.body.classList.contains('math-ready')"_s)
                   .toBool())
            return true;
        wait(30);
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    MathWebProfile::prepareApplication();
    QApplication app(argc, argv);
    if (argc < 3) {
        fprintf(stderr, "usage: mathreference corpus.tsv out-folder\n");
        return 2;
    }
    QPalette palette = app.palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Text, Qt::black);
    app.setPalette(palette);

    QFile corpus(QString::fromLocal8Bit(argv[1]));
    if (!corpus.open(QIODevice::ReadOnly | QIODevice::Text))
        return 1;
    QDir out(QString::fromLocal8Bit(argv[2]));
    out.mkpath(u"."_s);
    QTextStream in(&corpus);
    QFile manifestFile(out.filePath(u"manifest.tsv"_s));
    manifestFile.open(QIODevice::WriteOnly | QIODevice::Text);
    QTextStream manifest(&manifestFile);
    manifest << "# picture\tblock height (logical px)\tink x\tink y\tink width\tink height "
                "(device pixels of the picture)\n";
    int number = 0;
    int failed = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(u'#') || line.trimmed().isEmpty())
            continue;
        const QStringList columns = line.split(u'\t');
        if (columns.size() != 3)
            continue;
        ++number;
        if (argc > 3 && columns.at(0) != QString::fromLocal8Bit(argv[3]))
            continue;
        const bool display = columns.at(1) == u"display"_s;
        const QString body = MathPage::mathSpanHTML(columns.at(2), display);
        QWidget window;
        window.setPalette(palette);
        window.setAutoFillBackground(true);
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto *block = new KaTeXHTMLBlockView(display ? KaTeXHTMLStyle::mathBlock()
                                                     : KaTeXHTMLStyle::paragraph(),
                                             display ? body : u"<p>"_s + body + u"</p>"_s, &window);
        layout->addWidget(block);
        window.resize(720, 400);
        window.show();
        if (!ready(block)) {
            fprintf(stderr, "%d: not ready\n", number);
            ++failed;
            continue;
        }
        // The block takes the page's height; then one more frame for the engine to draw it.
        wait(150);
        window.resize(720, block->frameHeight());
        wait(250);
        // On white: the grab leaves some pixels transparent, which would turn black.
        const QImage grabbed = block->grab().toImage();
        QImage whole(grabbed.size(), QImage::Format_RGB32);
        whole.setDevicePixelRatio(grabbed.devicePixelRatio());
        whole.fill(Qt::white);
        {
            QPainter onWhite(&whole);
            onWhite.drawImage(0, 0, grabbed);
        }
        // Only the ink and a little white around it: the place of a formula in its block is
        // the block's business, compared apart (the block's height goes to the manifest).
        QRect ink;
        for (int y = 0; y < whole.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(whole.constScanLine(y));
            for (int x = 0; x < whole.width(); ++x) {
                if (qGray(line[x]) < 250)
                    ink |= QRect(x, y, 1, 1);
            }
        }
        const QString name = u"%1-%2.png"_s.arg(number, 3, 10, QChar(u'0')).arg(columns.at(0));
        // Grey where the picture is black on white (a third of the size), colour where a
        // formula has colours of its own.
        // On white again: QImage::copy makes what lies outside the image black, and an inline
        // formula starts at the block's left edge.
        QImage picture = whole;
        if (!ink.isEmpty()) {
            const QRect padded = ink.adjusted(-4, -4, 4, 4);
            picture = QImage(padded.size(), QImage::Format_RGB32);
            picture.setDevicePixelRatio(whole.devicePixelRatio());
            picture.fill(Qt::white);
            QPainter onWhite(&picture);
            onWhite.drawImage(
                QRectF(QPointF(0, 0), QSizeF(padded.size()) / whole.devicePixelRatio()), whole,
                padded);
        }
        bool coloured = false;
        for (int y = 0; y < picture.height() && !coloured; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
            for (int x = 0; x < picture.width() && !coloured; ++x)
                coloured = std::abs(qRed(line[x]) - qGreen(line[x])) > 24
                    || std::abs(qGreen(line[x]) - qBlue(line[x])) > 24;
        }
        if (!coloured)
            picture = picture.convertToFormat(QImage::Format_Grayscale8);
        if (!picture.save(out.filePath(name)))
            ++failed;
        manifest << name << '\t' << block->frameHeight() << '\t' << ink.x() << '\t' << ink.y()
                 << '\t' << ink.width() << '\t' << ink.height() << '\n';
        if (number % 50 == 0)
            fprintf(stderr, "%d formulas\n", number);
    }
    fprintf(stderr, "%d formulas, %d failed\n", number, failed);
    return failed == 0 ? 0 : 1;
}
