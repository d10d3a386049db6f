#include <QGuiApplication>
#include <QImage>
int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QImage i(QString::fromUtf8(argv[1]));
    i.scaled(i.size() * atoi(argv[3]), Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .save(QString::fromUtf8(argv[2]));
}
