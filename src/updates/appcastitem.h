#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

// One release in an update feed, as far as velm uses it.
struct AppcastItem
{
    enum class NotesFormat : quint8 { Html, PlainText };

    QString title;
    // The build version that is compared with the running one, and the version shown to
    // people (the build version when the feed gives none).
    QString version;
    QString shortVersion;
    // The notes written into the feed, and where to fetch them when they live elsewhere.
    QString releaseNotes;
    NotesFormat releaseNotesFormat = NotesFormat::Html;
    QUrl releaseNotesLink;
    QDateTime publicationDate;

    // The file to download: its address (made absolute against the feed's), its length in
    // bytes (-1 when the feed does not say), its media type and its Ed25519 signature as the
    // feed wrote it (base64).
    QUrl fileUrl;
    qint64 fileLength = -1;
    QString fileType;
    QString signature;

    QString displayVersion() const { return shortVersion.isEmpty() ? version : shortVersion; }
};
