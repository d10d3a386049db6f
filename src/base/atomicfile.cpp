#include "base/atomicfile.h"

#include <QDir>
#include <QSaveFile>

namespace AtomicFile {

bool write(const QString &path, QByteArrayView bytes, QString *error, Access access)
{
    QSaveFile file(path);
    const auto fail = [&] {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    if (access == Access::OwnerOnly
        && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return fail();
    // flush() reports what commit() would swallow: the bytes still buffered not fitting.
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.flush())
        return fail();
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace AtomicFile
