#pragma once

#include "updates/appcastitem.h"
#include "updates/updateconfiguration.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// velm's updater: on the user's request it reads the update feed, offers the newest release
// that is newer than this build, downloads its file and keeps it only when its Ed25519
// signature verifies against the key this build carries. Checks happen only when the user
// asks; nothing is checked in the background.
//
// One check or download runs at a time; canCheckForUpdates() is false meanwhile. With
// updating off (see UpdateConfiguration) it never checks and never touches the network.
class DirectUpdater : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    // The process's updater, with this build's configuration; created on first use and
    // deleted with the application object. Call it on the main thread once the application
    // object exists.
    static DirectUpdater *shared();

    // An updater with its own configuration; `network` may be null, in which case the
    // updater makes one of its own when it first needs it.
    DirectUpdater(const UpdateConfiguration &configuration, QNetworkAccessManager *network,
                  QObject *parent = nullptr);
    ~DirectUpdater() override;

    const UpdateConfiguration &configuration() const { return m_configuration; }
    bool isEnabled() const { return m_configuration.isEnabled(); }
    bool canCheckForUpdates() const;
    bool isBusy() const { return m_busy; }

    // The build version releases are compared with; this build's version unless set.
    QString currentVersion() const { return m_currentVersion; }
    void setCurrentVersion(const QString &version);
    // Where verified downloads are kept; "updates" in the cache location unless set.
    QString downloadDirectory() const;
    void setDownloadDirectory(const QString &directory);

    // A check the user started: reports updateFound, noUpdateFound or checkFailed. Does
    // nothing while another check or a download runs, or with updating off.
    void checkForUpdates();
    // Downloads the file of `item` (from updateFound) and reports downloadFinished with the
    // path of the verified file, or downloadFailed. Does nothing while busy.
    void download(const AppcastItem &item);
    // Stops a running check or download quietly; a partial download is deleted.
    void cancel();

    static QString unreachableMessage();
    static QString serverErrorMessage(int httpStatus);
    static QString unreadableFeedMessage();
    static QString downloadFailedMessage();
    static QString saveFailedMessage();
    static QString damagedMessage();

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);
    void checkStarted();
    void updateFound(const AppcastItem &item);
    void noUpdateFound();
    void checkFailed(const QString &message);
    void downloadStarted();
    // `total` is -1 while the size is not known.
    void downloadProgress(qint64 received, qint64 total);
    void downloadFinished(const QString &filePath);
    void downloadFailed(const QString &message);

private:
    QCoro::Task<> runCheck();
    QCoro::Task<> runDownload(AppcastItem item);
    QNetworkAccessManager *network();
    void setBusy(bool busy);
    bool isGone() const;

    UpdateConfiguration m_configuration;
    QPointer<QNetworkAccessManager> m_network;
    QString m_currentVersion;
    QString m_downloadDirectory;
    bool m_busy = false;
    bool m_cancelled = false;
    bool m_shuttingDown = false;
    QPointer<QNetworkReply> m_reply;
};
