#include "updates/directupdater.h"

#include "base/replyholder.h"
#include "updates/appcast.h"
#include "updates/updatesignature.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>

#include <QCoroNetworkReply>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

Q_LOGGING_CATEGORY(lcUpdates, "velm.updates", QtWarningMsg)

// The feed and the notes are small; a server that takes longer than this is not answering.
constexpr int feedTimeoutMs = 30000;
constexpr qint64 feedByteLimit = 8 * 1024 * 1024;
constexpr qint64 notesByteLimit = 1024 * 1024;
// Downloads may take long; only silence this long ends them.
constexpr int downloadIdleTimeoutMs = 60000;

// Nothing may reach the handlers of an operation that has ended.
constexpr auto handlersEnd = ReplyHolder::Signals::Disconnected;

QNetworkRequest makeRequest(const QUrl &url, int transferTimeoutMs)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(transferTimeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      u"velm/%1"_s.arg(QStringLiteral(VELM_VERSION)));
    return request;
}

// Gives up on a reply that is not done within `timeoutMs`, or that grows beyond `byteLimit`.
void limitReply(QNetworkReply *reply, int timeoutMs, qint64 byteLimit)
{
    QTimer::singleShot(timeoutMs, reply, &QNetworkReply::abort);
    if (byteLimit > 0) {
        QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                         [reply, byteLimit](qint64 received, qint64) {
                             if (received > byteLimit)
                                 reply->abort();
                         });
    }
}

int httpStatus(QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

bool succeeded(QNetworkReply *reply)
{
    const int status = httpStatus(reply);
    return reply->error() == QNetworkReply::NoError && status >= 200 && status <= 299;
}

// A file name from the download's address that cannot leave the download directory.
QString fileNameFor(const QUrl &url)
{
    QString name = QFileInfo(url.path()).fileName();
    for (QChar &c : name) {
        const bool safe = (c.unicode() < 128 && c.isLetterOrNumber()) || c == u'.' || c == u'-'
            || c == u'_' || c == u'+';
        if (!safe)
            c = u'_';
    }
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    return name.isEmpty() ? u"velm-update"_s : name;
}

} // namespace

DirectUpdater *DirectUpdater::shared()
{
    // A function-local static is initialised once even when threads race to it.
    static DirectUpdater *const instance = [] {
        const UpdateConfiguration configuration = UpdateConfiguration::fromBuild();
        if (!configuration.isEnabled())
            qCInfo(lcUpdates, "Updates are off: %s", qPrintable(configuration.disabledReason()));
        return new DirectUpdater(configuration, nullptr, QCoreApplication::instance());
    }();
    return instance;
}

DirectUpdater::DirectUpdater(const UpdateConfiguration &configuration,
                             QNetworkAccessManager *network, QObject *parent)
    : QObject(parent)
    , m_configuration(configuration)
    , m_network(network)
    , m_currentVersion(QStringLiteral(VELM_VERSION))
{ }

DirectUpdater::~DirectUpdater()
{
    // A running operation wakes up from the abort while this object is still whole; it sees
    // the flag and leaves without touching anything.
    m_shuttingDown = true;
    if (m_reply)
        m_reply->abort();
}

bool DirectUpdater::canCheckForUpdates() const
{
    return isEnabled() && !m_busy;
}

void DirectUpdater::setCurrentVersion(const QString &version)
{
    m_currentVersion = version;
}

QString DirectUpdater::downloadDirectory() const
{
    if (!m_downloadDirectory.isEmpty())
        return m_downloadDirectory;
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + u"/updates"_s;
}

void DirectUpdater::setDownloadDirectory(const QString &directory)
{
    m_downloadDirectory = directory;
}

void DirectUpdater::checkForUpdates()
{
    if (!canCheckForUpdates())
        return;
    runCheck();
}

void DirectUpdater::download(const AppcastItem &item)
{
    if (!canCheckForUpdates())
        return;
    runDownload(item);
}

void DirectUpdater::cancel()
{
    if (!m_busy)
        return;
    m_cancelled = true;
    if (m_reply)
        m_reply->abort();
}

QString DirectUpdater::unreachableMessage()
{
    return tr("velm could not reach the update server. Check your connection and try again.");
}

QString DirectUpdater::serverErrorMessage(int httpStatus)
{
    return tr("The update server answered with an error (HTTP %1).").arg(httpStatus);
}

QString DirectUpdater::unreadableFeedMessage()
{
    return tr("The update information from the server could not be read.");
}

QString DirectUpdater::downloadFailedMessage()
{
    return tr("The update could not be downloaded. Check your connection and try again.");
}

QString DirectUpdater::saveFailedMessage()
{
    return tr("The update could not be saved on this computer.");
}

QString DirectUpdater::damagedMessage()
{
    return tr("The update is damaged or not signed by velm's developers.");
}

QNetworkAccessManager *DirectUpdater::network()
{
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    return m_network;
}

void DirectUpdater::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    const bool could = canCheckForUpdates();
    m_busy = busy;
    if (!busy)
        m_cancelled = false;
    if (could != canCheckForUpdates())
        Q_EMIT canCheckForUpdatesChanged(canCheckForUpdates());
}

bool DirectUpdater::isGone() const
{
    return m_shuttingDown;
}

QCoro::Task<> DirectUpdater::runCheck()
{
    const QPointer<DirectUpdater> self(this);
    setBusy(true);
    Q_EMIT checkStarted();
    if (!self)
        co_return;

    const QUrl feedUrl = m_configuration.feedUrl();
    const ReplyHolder feed(network()->get(makeRequest(feedUrl, feedTimeoutMs)), handlersEnd);
    limitReply(feed.get(), feedTimeoutMs, feedByteLimit);
    m_reply = feed.get();
    co_await qCoro(feed.get()).waitForFinished();
    if (!self || isGone())
        co_return;
    if (m_cancelled) {
        setBusy(false);
        co_return;
    }

    if (!succeeded(feed.get())) {
        const int status = httpStatus(feed.get());
        qCInfo(lcUpdates, "Feed %s failed: %s", qPrintable(feedUrl.toString()),
               qPrintable(feed->errorString()));
        setBusy(false);
        Q_EMIT checkFailed(status >= 300 ? serverErrorMessage(status) : unreachableMessage());
        co_return;
    }
    const std::optional<Appcast> appcast = Appcast::parse(feed->readAll(), feed->url());
    if (!appcast) {
        setBusy(false);
        Q_EMIT checkFailed(unreadableFeedMessage());
        co_return;
    }
    std::optional<AppcastItem> newest = appcast->newestNewerThan(m_currentVersion);
    if (!newest) {
        setBusy(false);
        Q_EMIT noUpdateFound();
        co_return;
    }

    // Notes kept elsewhere are fetched now so they can be shown with the offer; without them
    // the offer still stands.
    if (newest->releaseNotes.trimmed().isEmpty() && newest->releaseNotesLink.isValid()) {
        const ReplyHolder notes(
            network()->get(makeRequest(newest->releaseNotesLink, feedTimeoutMs)), handlersEnd);
        limitReply(notes.get(), feedTimeoutMs, notesByteLimit);
        m_reply = notes.get();
        co_await qCoro(notes.get()).waitForFinished();
        if (!self || isGone())
            co_return;
        if (m_cancelled) {
            setBusy(false);
            co_return;
        }
        if (succeeded(notes.get())) {
            const QString type = notes->header(QNetworkRequest::ContentTypeHeader).toString();
            newest->releaseNotes = QString::fromUtf8(notes->readAll());
            newest->releaseNotesFormat = type.startsWith(u"text/plain")
                ? AppcastItem::NotesFormat::PlainText
                : AppcastItem::NotesFormat::Html;
        }
    }
    setBusy(false);
    Q_EMIT updateFound(*newest);
}

QCoro::Task<> DirectUpdater::runDownload(AppcastItem item)
{
    const QPointer<DirectUpdater> self(this);
    setBusy(true);
    Q_EMIT downloadStarted();
    if (!self)
        co_return;

    const QString directory = downloadDirectory();
    const QDir downloads(directory);
    // Pieces left by a velm that ended in the middle of a download.
    for (const QString &stale : downloads.entryList({u"velm-update-*.part"_s}, QDir::Files))
        QFile::remove(downloads.filePath(stale));

    // A release the feed gives no signature for could never be kept: no need to fetch it.
    if (item.signature.trimmed().isEmpty()) {
        setBusy(false);
        Q_EMIT downloadFailed(damagedMessage());
        co_return;
    }

    auto file = std::make_unique<QTemporaryFile>(directory + u"/velm-update-XXXXXX.part"_s);
    if (!downloads.mkpath(u"."_s) || !file->open()) {
        setBusy(false);
        Q_EMIT downloadFailed(saveFailedMessage());
        co_return;
    }

    const ReplyHolder reply(network()->get(makeRequest(item.fileUrl, downloadIdleTimeoutMs)),
                            handlersEnd);
    m_reply = reply.get();
    const qint64 expected = item.fileLength;
    bool writeFailed = false;
    bool tooLong = false;
    QTemporaryFile *target = file.get();
    QNetworkReply *source = reply.get();
    const auto store = [target, source, expected, &writeFailed, &tooLong] {
        // An aborted reply is closed and has nothing more to give.
        if (writeFailed || tooLong || !source->isOpen())
            return;
        const QByteArray bytes = source->readAll();
        if (bytes.isEmpty())
            return;
        if (expected > 0 && target->size() + bytes.size() > expected) {
            tooLong = true;
            source->abort();
            return;
        }
        if (target->write(bytes) != bytes.size()) {
            writeFailed = true;
            source->abort();
        }
    };
    connect(source, &QIODevice::readyRead, source, store);
    connect(source, &QNetworkReply::downloadProgress, this,
            [this, expected](qint64 received, qint64 total) {
                Q_EMIT downloadProgress(received, total > 0 ? total : expected);
            });
    co_await qCoro(source).waitForFinished();
    if (!self || isGone())
        co_return;
    if (m_cancelled) {
        setBusy(false);
        co_return;
    }
    store();

    QString failure;
    if (writeFailed || !file->flush())
        failure = saveFailedMessage();
    else if (tooLong)
        failure = damagedMessage();
    else if (!succeeded(source))
        failure = downloadFailedMessage();
    else if (expected > 0 && file->size() != expected)
        failure = damagedMessage();
    else if (!UpdateSignature::verifyFile(file->fileName(), item.signature,
                                          m_configuration.publicKey()))
        failure = damagedMessage();
    if (!failure.isEmpty()) {
        qCInfo(lcUpdates, "Download of %s failed: %s", qPrintable(item.fileUrl.toString()),
               qPrintable(failure));
        setBusy(false);
        Q_EMIT downloadFailed(failure);
        co_return;
    }

    // Only a verified file gets its real name; an earlier one of the same name gives way.
    const QString finalPath = QDir(directory).filePath(fileNameFor(item.fileUrl));
    file->close();
    QFile::remove(finalPath);
    if (!file->rename(finalPath)) {
        setBusy(false);
        Q_EMIT downloadFailed(saveFailedMessage());
        co_return;
    }
    file->setAutoRemove(false);
    setBusy(false);
    Q_EMIT downloadFinished(finalPath);
}
