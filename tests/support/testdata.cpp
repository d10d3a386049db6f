#include "support/testdata.h"

#include <QFile>
#include <QTest>

namespace TestData {

QString path(const QString &relativePath)
{
    return QStringLiteral(VELM_TEST_DATA_DIR "/") + relativePath;
}

QByteArray read(const QString &relativePath)
{
    QFile file(path(relativePath));
    if (!file.open(QIODevice::ReadOnly)) {
        QTest::qFail(qPrintable(QStringLiteral("cannot read test data ") + file.fileName()),
                     __FILE__, __LINE__);
        return {};
    }
    return file.readAll();
}

} // namespace TestData
