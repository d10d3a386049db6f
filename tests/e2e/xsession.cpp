#include "e2e/xsession.h"

#include <QDir>
#include <QHash>
#include <QImage>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

constexpr int toolTimeoutMs = 15000;

} // namespace

XSession::XSession() = default;

XSession::~XSession()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished();
        }
    }
}

QStringList XSession::missingTools()
{
    QStringList missing;
    for (const QString &tool : {u"Xvfb"_s, u"xdotool"_s}) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            missing.append(tool);
    }
    return missing;
}

bool XSession::start(QSize screenSize)
{
    const QString size = u"%1x%2x24"_s.arg(screenSize.width()).arg(screenSize.height());
    // The server picks a free display number itself and tells it once it accepts
    // connections: tests that start at the same moment never end up sharing one, as they
    // could when each looked for a free number first.
    m_server.start(u"Xvfb"_s,
                   {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, size, u"-nolisten"_s, u"tcp"_s});
    QByteArray told;
    // Whether it told or went, what it wrote is read below.
    static_cast<void>(QTest::qWaitFor(
        [&] {
            told += m_server.readAllStandardOutput();
            return told.contains('\n') || m_server.state() == QProcess::NotRunning;
        },
        toolTimeoutMs));
    bool ok = false;
    const int number = told.trimmed().toInt(&ok);
    if (ok && m_server.state() != QProcess::NotRunning) {
        m_display = u":%1"_s.arg(number);
        return true;
    }
    m_server.kill();
    m_server.waitForFinished();
    return false;
}

bool XSession::attach(const QString &display)
{
    m_display = display;
    return !m_display.isEmpty();
}

QProcessEnvironment XSession::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, m_display);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    return environment;
}

int XSession::xdotool(const QStringList &arguments, QString *output) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(u"xdotool"_s, arguments);
    if (!process.waitForFinished(toolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool XSession::hasVisibleWindow(const QString &title) const
{
    return !visibleWindows(title).isEmpty();
}

QStringList XSession::visibleWindows(const QString &title) const
{
    // xdotool matches titles as regular expressions.
    QString pattern = u"^"_s;
    for (const QChar c : title) {
        if (u".[]()*+?{}|^$\\"_s.contains(c))
            pattern += u'\\';
        pattern += c;
    }
    pattern += u'$';
    QString found;
    if (xdotool({u"search"_s, u"--onlyvisible"_s, u"--name"_s, pattern}, &found) != 0)
        return {};
    QStringList ids;
    for (const QString &line : found.split(u'\n', Qt::SkipEmptyParts)) {
        if (!line.trimmed().isEmpty())
            ids.append(line.trimmed());
    }
    return ids;
}

QRect XSession::windowGeometry(const QString &id) const
{
    // --shell prints "WINDOW=…", "X=…", "Y=…", "WIDTH=…", "HEIGHT=…", one a line.
    QString output;
    if (xdotool({u"getwindowgeometry"_s, u"--shell"_s, id}, &output) != 0)
        return {};
    QHash<QString, int> values;
    for (const QString &line : output.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf(u'=');
        bool ok = false;
        const int value = line.mid(equals + 1).trimmed().toInt(&ok);
        if (equals > 0 && ok)
            values.insert(line.left(equals).trimmed(), value);
    }
    for (const QString &key : {u"X"_s, u"Y"_s, u"WIDTH"_s, u"HEIGHT"_s}) {
        if (!values.contains(key))
            return {};
    }
    return QRect(values.value(u"X"_s), values.value(u"Y"_s), values.value(u"WIDTH"_s),
                 values.value(u"HEIGHT"_s));
}

QImage XSession::grabScreen() const
{
    // Read straight from the server: a helper program would take longer to start than the
    // grab itself takes.
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(m_display.toLocal8Bit().constData(), &screenNumber);
    QImage image;
    if (!xcb_connection_has_error(connection)) {
        const xcb_setup_t *setup = xcb_get_setup(connection);
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
            xcb_screen_next(&screens);
        // Only the layout Xvfb gives a 24-bit screen on this machine's byte order: four
        // bytes a pixel, blue first, which is QImage's RGB32.
        int bitsPerPixel = 0;
        for (xcb_format_iterator_t format = xcb_setup_pixmap_formats_iterator(setup);
             format.rem > 0; xcb_format_next(&format)) {
            if (screens.rem > 0 && format.data->depth == screens.data->root_depth)
                bitsPerPixel = format.data->bits_per_pixel;
        }
        const bool usable = screens.rem > 0 && screens.data->root_depth == 24 && bitsPerPixel == 32
            && (setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST)
                == (QSysInfo::ByteOrder == QSysInfo::LittleEndian);
        if (usable) {
            const int width = screens.data->width_in_pixels;
            const int height = screens.data->height_in_pixels;
            xcb_get_image_reply_t *reply
                = xcb_get_image_reply(connection,
                                      xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP,
                                                    screens.data->root, 0, 0, width, height, ~0u),
                                      nullptr);
            if (reply && xcb_get_image_data_length(reply) == width * height * 4) {
                image = QImage(xcb_get_image_data(reply), width, height, width * 4,
                               QImage::Format_RGB32)
                            .copy();
            }
            std::free(reply);
        }
    }
    xcb_disconnect(connection);
    return image;
}

bool XSession::waitForWindow(const QString &title, bool visible, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return hasVisibleWindow(title) == visible; }, timeoutMs);
}

QString XSession::saveScreenshot(const QString &fileName, const QString &windowId) const
{
    const QString directory = QStringLiteral(VELM_SCREENSHOT_DIR);
    QDir().mkpath(directory);
    const QString path = QDir(directory).filePath(fileName);
    QImage shot = grabScreen();
    if (!windowId.isEmpty()) {
        const QRect window = windowGeometry(windowId).intersected(shot.rect());
        if (!window.isEmpty())
            shot = shot.copy(window);
    }
    if (shot.isNull() || !shot.save(path, "PNG"))
        return {};
    qInfo("Screenshot: %s", qPrintable(path));
    return path;
}

bool XSession::hasFocusedWindow(const QString &title) const
{
    QString name;
    return xdotool({u"getwindowfocus"_s, u"getwindowname"_s}, &name) == 0
        && name.trimmed() == title;
}
