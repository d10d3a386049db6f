#pragma once

#include <QByteArray>
#include <QString>

namespace TestData {

// Absolute path of a file under tests/data.
QString path(const QString &relativePath);

// The bytes of a file under tests/data; fails the current test when it cannot be read.
QByteArray read(const QString &relativePath);

} // namespace TestData
