#include "base/appidentity.h"
#include "chat/autostartentry.h"
#include "desktopentry.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_AutostartEntry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writtenEntryRunsTheBinaryHidden_data();
    void writtenEntryRunsTheBinaryHidden();
    void enableAndDisable();
    void switchedOffByTheDesktop_data();
    void switchedOffByTheDesktop();
    void unwritableFolderIsReported();
    void defaultDirectoryFollowsXdgConfigHome_data();
    void defaultDirectoryFollowsXdgConfigHome();
};

void tst_AutostartEntry::writtenEntryRunsTheBinaryHidden_data()
{
    QTest::addColumn<QString>("executable");
    QTest::newRow("plain") << u"/usr/bin/velm"_s;
    QTest::newRow("space") << u"/home/ann/My Apps/velm"_s;
    QTest::newRow("double quote") << u"/opt/\"velm\"/velm"_s;
    QTest::newRow("dollar and backtick") << u"/opt/$HOME/`id`/velm"_s;
    QTest::newRow("backslash") << u"/opt/back\\slash/velm"_s;
    QTest::newRow("percent") << u"/opt/100%/velm"_s;
}

// Whatever the binary's path, a launcher that reads the entry runs exactly that binary with
// --hidden, and the desktop's own validator accepts the file.
void tst_AutostartEntry::writtenEntryRunsTheBinaryHidden()
{
    QFETCH(QString, executable);
    QTemporaryDir home;
    QVERIFY(home.isValid());
    AutostartEntry entry(home.filePath(u"autostart"_s), executable);
    QVERIFY(entry.setEnabled(true));

    QFile file(entry.filePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const DesktopEntry::Groups groups = DesktopEntry::parse(file.readAll());
    const QHash<QString, QString> main = groups.value(u"Desktop Entry"_s);
    QCOMPARE(DesktopEntry::execArguments(main.value(u"Exec"_s)),
             QStringList({executable, u"--hidden"_s}));
    QCOMPARE(main.value(u"Type"_s), u"Application"_s);
    QCOMPARE(main.value(u"Icon"_s), QString(AppIdentity::applicationId));

    const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed (Debian package desktop-file-utils)");
    QString output;
    QCOMPARE(DesktopEntry::run(validator, {entry.filePath()}, &output), 0);
    QVERIFY2(output.trimmed().isEmpty(), qPrintable(output));
}

void tst_AutostartEntry::enableAndDisable()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    // The folder does not exist yet on a fresh account.
    const QString folder = home.filePath(u"config/autostart"_s);
    AutostartEntry entry(folder, u"/usr/bin/velm"_s);
    QCOMPARE(entry.filePath(), folder + u'/' + AppIdentity::applicationId + u".desktop"_s);
    QVERIFY(!entry.isEnabled());

    QVERIFY(entry.setEnabled(true));
    QVERIFY(QFile::exists(entry.filePath()));
    QVERIFY(entry.isEnabled());
    // Only the entry is written: no temporary file of the atomic write stays behind.
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
             QStringList({AppIdentity::applicationId + u".desktop"_s}));

    QVERIFY(entry.setEnabled(false));
    QVERIFY(!QFile::exists(entry.filePath()));
    QVERIFY(!entry.isEnabled());
    // Switching off what is already off is no error.
    QVERIFY(entry.setEnabled(false));
}

void tst_AutostartEntry::switchedOffByTheDesktop_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("enabled");
    const QByteArray head = "[Desktop Entry]\nType=Application\nExec=velm --hidden\n";
    QTest::newRow("as written") << head << true;
    QTest::newRow("Hidden=true") << head + "Hidden=true\n" << false;
    QTest::newRow("Hidden=false") << head + "Hidden=false\n" << true;
    QTest::newRow("GNOME switch off") << head + "X-GNOME-Autostart-enabled=false\n" << false;
    QTest::newRow("GNOME switch on") << head + "X-GNOME-Autostart-enabled=true\n" << true;
    QTest::newRow("spaces around =") << head + "Hidden = true\n" << false;
    QTest::newRow("Hidden in another group") << head + "\n[Desktop Action QuickAsk]\nHidden=true\n"
                                             << true;
}

void tst_AutostartEntry::switchedOffByTheDesktop()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, enabled);
    QTemporaryDir home;
    QVERIFY(home.isValid());
    AutostartEntry entry(home.path(), u"/usr/bin/velm"_s);
    QFile file(entry.filePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    QCOMPARE(entry.isEnabled(), enabled);
}

void tst_AutostartEntry::unwritableFolderIsReported()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    // A file where the folder should be: neither root nor anyone else can write below it.
    const QString blocker = home.filePath(u"autostart"_s);
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    AutostartEntry entry(blocker, u"/usr/bin/velm"_s);
    QString error;
    QVERIFY(!entry.setEnabled(true, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!entry.isEnabled());
}

void tst_AutostartEntry::defaultDirectoryFollowsXdgConfigHome_data()
{
    QTest::addColumn<QByteArray>("configHome");
    QTest::addColumn<QString>("expected");
    const QString home = QDir::homePath();
    QTest::newRow("set") << QByteArray("/srv/ann/conf") << u"/srv/ann/conf/autostart"_s;
    QTest::newRow("unset") << QByteArray() << home + u"/.config/autostart"_s;
    QTest::newRow("relative is ignored") << QByteArray("conf") << home + u"/.config/autostart"_s;
}

void tst_AutostartEntry::defaultDirectoryFollowsXdgConfigHome()
{
    QFETCH(QByteArray, configHome);
    QFETCH(QString, expected);
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    if (configHome.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", configHome);
    const QString directory = AutostartEntry::defaultDirectory();
    if (wasSet)
        qputenv("XDG_CONFIG_HOME", saved);
    else
        qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(directory, expected);
}

VELM_TEST_MAIN(tst_AutostartEntry)
#include "tst_autostartentry.moc"
