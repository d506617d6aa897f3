// cmake --install into a scratch prefix: both programs in one folder, the
// link on PATH, the desktop entry, its icons, manual pages and metadata, the
// help, and the shared settings file in <prefix>/etc/mirlo, where the
// installed Mirlo reads it.
#include "foundation/helpfile.h"
#include "foundation/settings.h"
#include "platform/places.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <filesystem>

namespace {

class InstallTest : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        prefix = tempPath("prefix");
        Install();
    }
    void Install()
    {
        QProcess cmake;
        cmake.setProcessChannelMode(QProcess::MergedChannels);
        cmake.start(QStringLiteral(MIRLO_CMAKE_COMMAND),
                    {"--install", QStringLiteral(MIRLO_BINARY_DIR), "--prefix", prefix});
        ASSERT_TRUE(cmake.waitForFinished(120000));
        output = QString::fromLocal8Bit(cmake.readAll());
        ASSERT_EQ(cmake.exitCode(), 0) << output.toStdString();
    }
    QString at(const QString& relative) const { return JoinPath(prefix, relative); }

    QString prefix;
    QString output;
};

} // namespace

TEST_F(InstallTest, ProgramsSideBySideWithLinkEntryAndIcon)
{
    for (const char* name : {"lib/mirlo/Mirlo", "lib/mirlo/Launch"}) {
        const QFileInfo program(at(name));
        EXPECT_TRUE(program.isFile() && program.isExecutable()) << name;
    }
    const QFileInfo link(at("bin/mirlo"));
    ASSERT_TRUE(link.isSymLink());
    // Relative, so a staged (DESTDIR) install still points at the right file.
    EXPECT_EQ(std::filesystem::read_symlink(at("bin/mirlo").toStdString()).string(), "../lib/mirlo/Mirlo");
    EXPECT_EQ(link.canonicalFilePath(), QFileInfo(at("lib/mirlo/Mirlo")).canonicalFilePath());

    const QString entry = QString::fromUtf8(ReadFile(at("share/applications/mirlo.desktop")));
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nExec=mirlo\n"));
    EXPECT_TRUE(entry.contains("\nIcon=mirlo\n"));
    EXPECT_TRUE(entry.contains("\nType=Application\n"));
    for (const int size : {48, 64, 128, 256}) {
        const QImage icon(at(QStringLiteral("share/icons/hicolor/%1x%1/apps/mirlo.png").arg(size)));
        EXPECT_EQ(icon.size(), QSize(size, size));
    }
    EXPECT_TRUE(ReadFile(at("share/icons/hicolor/scalable/apps/mirlo.svg")).startsWith("<svg "));
    for (const char* file :
         {"share/man/man1/mirlo.1.gz", "share/man/man1/mirlo-launch.1.gz", "share/doc/mirlo/changelog.gz",
          "share/doc/mirlo/copyright", "share/metainfo/fr.mirlo_ecole.mirlo.metainfo.xml"})
        EXPECT_TRUE(QFileInfo(at(file)).isFile()) << file;

    // The guide beside the programs: every window's page, in French, with its style.
    for (const HelpPage page : {HelpPage::Contents, HelpPage::Recording, HelpPage::Settings}) {
        const QString html = QString::fromUtf8(ReadFile(HelpPagePath(at("lib/mirlo"), page)));
        EXPECT_TRUE(html.contains("<html lang=\"fr\">") && html.contains("href=\"aide.css\""))
            << HelpPagePath(at("lib/mirlo"), page).toStdString();
    }
    EXPECT_TRUE(QFileInfo(at("lib/mirlo/help/aide.css")).isFile());

    // Every link between the pages leads to a page and a section that exist.
    const QDir help(at("lib/mirlo/help"));
    const QRegularExpression href(QStringLiteral("href=\"([^\"#]*)(?:#([^\"]*))?\""));
    for (const QString& name : help.entryList({"*.html"})) {
        const QString html = QString::fromUtf8(ReadFile(help.filePath(name)));
        for (auto it = href.globalMatch(html); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const QString target = m.captured(1).isEmpty() ? name : m.captured(1);
            const QString targetHtml = QString::fromUtf8(ReadFile(help.filePath(target)));
            EXPECT_FALSE(targetHtml.isEmpty()) << name.toStdString() << " -> " << target.toStdString();
            if (!m.captured(2).isEmpty()) {
                EXPECT_TRUE(targetHtml.contains("id=\"" + m.captured(2) + "\""))
                    << name.toStdString() << " -> " << m.captured(0).toStdString();
            }
        }
    }
}

TEST_F(InstallTest, InstalledLaunchRestartsItsNeighbourThroughALink)
{
    // Reached through a link, Launch still looks for Mirlo in its own real folder.
    const QString folder = at("lib/mirlo");
    ASSERT_TRUE(QFile::remove(JoinPath(folder, "Mirlo")));
    WriteFile(JoinPath(folder, "Mirlo"), "#!/bin/sh\necho started >> \"$(dirname \"$0\")/starts.log\"\n");
    QFile::setPermissions(JoinPath(folder, "Mirlo"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(QFile::link("../lib/mirlo/Launch", at("bin/launch")));

    QProcess launch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("APPDATA", appDataDir());
    launch.setProcessEnvironment(env);
    launch.start(at("bin/launch"), {});
    ASSERT_TRUE(launch.waitForFinished(30000));
    EXPECT_EQ(launch.exitCode(), 0);
    const QString log = JoinPath(folder, "starts.log");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(log); }, 10000));
    QTest::qWait(300);
    EXPECT_EQ(ReadFile(log), QByteArray("started\n"));
}

TEST_F(InstallTest, SharedSettingsFileInstalledOnceThenKeptAndReadByTheInstalledMirlo)
{
    const QString shared = at("etc/mirlo/Mirlox.ini");
    ASSERT_TRUE(QFileInfo(shared).isFile());
    EXPECT_FALSE(QFileInfo::exists(at("lib/mirlo/Mirlox.ini")));
    EXPECT_TRUE(ReadFile(shared).contains("\r\n[IniPath]\r\n"));
    // A school's own settings survive a reinstall.
    const QString share = tempPath("share");
    QDir().mkpath(share);
    WriteSetting("IniPath", "Location", "Lycee", shared);
    WriteSetting("IniPath", "Perso", share, shared);
    Install();
    EXPECT_EQ(ReadSetting("IniPath", "Location", shared), "Lycee");

    // School mode makes the pupil's folder on the share at start-up.
    QProcess mirlo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("APPDATA", appDataDir());
    env.insert("ALSA_CONFIG_PATH", QStringLiteral(MIRLO_TESTS_DIR "/audio/harness/noaudio.conf"));
    env.insert("MIRLO_REPORT_SHOWN", "1");
    mirlo.setProcessEnvironment(env);
    mirlo.start(at("bin/mirlo"), {});
    QByteArray shown;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            shown += mirlo.readAllStandardOutput();
            return shown.contains('\n') || mirlo.state() == QProcess::NotRunning;
        },
        60000));
    mirlo.kill();
    mirlo.waitForFinished(10000);
    EXPECT_TRUE(QFileInfo(JoinPath(share, "Mirlo")).isDir()) << shown.toStdString();
}

TEST(SharedSettingsFolder, BesideTheProgramUnlessInstalledUnderAPrefix)
{
    const struct {
        const char* program;
        const char* shared;
    } cases[] = {
        {"/usr/lib/mirlo", "/etc/mirlo"},
        {"/usr/local/lib/mirlo", "/usr/local/etc/mirlo"},
        {"/home/eleve/.local/lib/mirlo/", "/home/eleve/.local/etc/mirlo"},
        {"/home/eleve/mirlo/build/bin", "/home/eleve/mirlo/build/bin"},
        {"/opt/mylib/mirlo", "/opt/mylib/mirlo"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::SharedSettingsFolder(c.program), c.shared) << c.program;
}
