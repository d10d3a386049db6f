#include "base/appidentity.h"
#include "desktopentry.h"
#include "shell/desktopapp.h"
#include "support/testregistry.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

const QString appId = AppIdentity::applicationId;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// `cmake --install` of this build tree into a throw-away DESTDIR, as a package build does it.
class tst_InstallLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void installsExactlyTheDesktopFiles();
    void iconsAreTheApplicationsOwn_data();
    void iconsAreTheApplicationsOwn();
    void desktopFileValidates();
    void desktopFileLaunchesVelm_data();
    void desktopFileLaunchesVelm();
    void desktopFileNamesTheApplication();
    void metainfoValidates();
    void metainfoDescribesThisBuild();

private:
    QString installed(const QString &path) const { return m_root.path() + u"/usr/"_s + path; }
    QString desktopFile() const { return installed(u"share/applications/%1.desktop"_s.arg(appId)); }
    QString metainfoFile() const
    {
        return installed(u"share/metainfo/%1.metainfo.xml"_s.arg(appId));
    }

    QTemporaryDir m_root;
};

void tst_InstallLayout::initTestCase()
{
    QVERIFY(m_root.isValid());
    QProcess install;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DESTDIR"_s, m_root.path());
    install.setProcessEnvironment(environment);
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(VELM_CMAKE),
                  {u"--install"_s, QStringLiteral(VELM_BUILD_DIR), u"--prefix"_s, u"/usr"_s});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
             install.readAll().constData());
}

void tst_InstallLayout::installsExactlyTheDesktopFiles()
{
    QStringList files;
    QDirIterator it(m_root.path(), QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next().mid(m_root.path().size() + 1));
    files.sort();
    const QStringList expected{
        u"usr/bin/velm"_s,
        u"usr/share/applications/%1.desktop"_s.arg(appId),
        u"usr/share/icons/hicolor/scalable/apps/%1.svg"_s.arg(appId),
        u"usr/share/icons/hicolor/symbolic/apps/%1-symbolic.svg"_s.arg(appId),
        u"usr/share/metainfo/%1.metainfo.xml"_s.arg(appId),
    };
    QCOMPARE(files, expected);
    QVERIFY(QFileInfo(installed(u"bin/velm"_s)).isExecutable());
}

void tst_InstallLayout::iconsAreTheApplicationsOwn_data()
{
    QTest::addColumn<QString>("installedPath");
    QTest::addColumn<QString>("source");
    QTest::newRow("application") << u"share/icons/hicolor/scalable/apps/%1.svg"_s.arg(appId)
                                 << u"resources/icons/velm.svg"_s;
    QTest::newRow("tray") << u"share/icons/hicolor/symbolic/apps/%1-symbolic.svg"_s.arg(appId)
                          << u"resources/icons/velm-symbolic.svg"_s;
}

void tst_InstallLayout::iconsAreTheApplicationsOwn()
{
    QFETCH(QString, installedPath);
    QFETCH(QString, source);
    const QByteArray icon = readFile(installed(installedPath));
    QVERIFY(icon.contains("<svg"));
    QCOMPARE(icon, readFile(QStringLiteral(VELM_SOURCE_DIR) + u'/' + source));
}

void tst_InstallLayout::desktopFileValidates()
{
    const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed (Debian package desktop-file-utils)");
    QString output;
    QCOMPARE(DesktopEntry::run(validator, {desktopFile()}, &output), 0);
    // Hints and warnings too: the file should be clean.
    QVERIFY2(output.trimmed().isEmpty(), qPrintable(output));
}

void tst_InstallLayout::desktopFileLaunchesVelm_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("opensQuickAsk");
    QTest::newRow("application") << u"Desktop Entry"_s << u"velm"_s << false;
    QTest::newRow("Quick Ask action") << u"Desktop Action QuickAsk"_s << u"Quick Ask"_s << true;
}

// What the launcher runs is the installed binary, and velm reads its arguments as meant.
void tst_InstallLayout::desktopFileLaunchesVelm()
{
    QFETCH(QString, group);
    QFETCH(QString, name);
    QFETCH(bool, opensQuickAsk);
    const DesktopEntry::Groups groups = DesktopEntry::parse(readFile(desktopFile()));
    QVERIFY2(groups.contains(group), qPrintable(group));
    QCOMPARE(groups[group].value(u"Name"_s), name);
    const QStringList arguments = DesktopEntry::execArguments(groups[group].value(u"Exec"_s));
    QVERIFY(!arguments.isEmpty());
    QCOMPARE(arguments.first(), u"velm"_s);
    QVERIFY(QFileInfo::exists(installed(u"bin/"_s + arguments.first())));
    const DesktopOptions options = DesktopOptions::fromArguments(arguments);
    QCOMPARE(options.openQuickAsk, opensQuickAsk);
    QVERIFY(!options.startHidden);
}

void tst_InstallLayout::desktopFileNamesTheApplication()
{
    const DesktopEntry::Groups groups = DesktopEntry::parse(readFile(desktopFile()));
    const QHash<QString, QString> main = groups.value(u"Desktop Entry"_s);
    QCOMPARE(main.value(u"Icon"_s), appId);
    // On X11 Qt sets the window's WM_CLASS class to the application name; docks match the
    // window to this file by it.
    QCOMPARE(main.value(u"StartupWMClass"_s), QString(AppIdentity::applicationName));
    QVERIFY(main.value(u"Actions"_s).split(u';').contains(u"QuickAsk"_s));
}

void tst_InstallLayout::metainfoValidates()
{
    const QString validator = QStandardPaths::findExecutable(u"appstreamcli"_s);
    if (validator.isEmpty())
        QSKIP("appstreamcli is not installed (Debian package appstream)");
    QString output;
    QCOMPARE(DesktopEntry::run(validator, {u"validate"_s, u"--no-net"_s, metainfoFile()}, &output),
             0);
    // Errors, warnings and infos alike; the pedantic notes are not asked for.
    for (const QString &line : output.split(u'\n'))
        QVERIFY2(!line.startsWith(u"E:") && !line.startsWith(u"W:") && !line.startsWith(u"I:"),
                 qPrintable(output));
}

void tst_InstallLayout::metainfoDescribesThisBuild()
{
    QXmlStreamReader xml(readFile(metainfoFile()));
    QString id;
    QString launchable;
    QString newestRelease;
    QStringList images;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"id") {
            id = xml.readElementText();
        } else if (xml.name() == u"launchable") {
            launchable = xml.readElementText();
        } else if (xml.name() == u"release" && newestRelease.isEmpty()) {
            // Releases are listed newest first.
            newestRelease = xml.attributes().value(u"version"_s).toString();
        } else if (xml.name() == u"image") {
            images.append(xml.readElementText());
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(id, appId);
    QCOMPARE(launchable, appId + u".desktop"_s);
    QCOMPARE(newestRelease, QStringLiteral(VELM_VERSION));

    // Screenshots point at images kept in the repository, on its main branch.
    QVERIFY(!images.isEmpty());
    for (const QString &image : std::as_const(images)) {
        const qsizetype docs = image.indexOf(u"/main/docs/"_s);
        QVERIFY2(docs > 0, qPrintable(image));
        const QString path = QStringLiteral(VELM_SOURCE_DIR) + image.mid(docs + 5);
        QVERIFY2(QFileInfo::exists(path), qPrintable(path));
    }
}

VELM_TEST_MAIN(tst_InstallLayout)
#include "tst_installlayout.moc"
