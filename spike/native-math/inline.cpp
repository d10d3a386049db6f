// Where QTextDocument puts an inline object against the baseline, for each vertical alignment.
#include <QGuiApplication>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextObjectInterface>
#include <cstdio>

class Box
    : public QObject
    , public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    QSizeF intrinsicSize(QTextDocument *, int, const QTextFormat &) override { return {30, 40}; }
    void drawObject(QPainter *, const QRectF &rect, QTextDocument *, int,
                    const QTextFormat &) override
    {
        last = rect;
    }
    QRectF last;
};

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    for (auto align : {QTextCharFormat::AlignNormal, QTextCharFormat::AlignBaseline,
                       QTextCharFormat::AlignMiddle, QTextCharFormat::AlignBottom}) {
        QTextDocument doc;
        QFont font("KaTeX_Main");
        font.setPixelSize(20);
        doc.setDefaultFont(font);
        Box box;
        doc.documentLayout()->registerHandler(QTextFormat::UserObject + 1, &box);
        QTextCursor cursor(&doc);
        cursor.insertText("ab ");
        QTextCharFormat f;
        f.setObjectType(QTextFormat::UserObject + 1);
        f.setVerticalAlignment(align);
        cursor.insertText(QString(QChar::ObjectReplacementCharacter), f);
        cursor.insertText(" cd");
        doc.setTextWidth(400);
        QImage image(400, 200, QImage::Format_RGB32);
        QPainter p(&image);
        doc.drawContents(&p);
        p.end();
        const QTextLine line = doc.firstBlock().layout()->lineAt(0);
        printf("align %d: object rect top %.1f bottom %.1f; line y %.1f ascent %.1f descent %.1f "
               "baseline %.1f\n",
               int(align), box.last.top(), box.last.bottom(), line.y(), line.ascent(),
               line.descent(), line.y() + line.ascent());
    }
}
#include "inline.moc"
