// cmake --install into a scratch prefix: both programs in one folder, the
// link on PATH, the desktop entry, its icon, the help and the shared settings file.
#include "foundation/helpfile.h"
#include "foundation/settings.h"
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
    const QImage icon(at("share/icons/hicolor/128x128/apps/mirlo.png"));
    EXPECT_EQ(icon.size(), QSize(128, 128));

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

TEST_F(InstallTest, SharedSettingsFileInstalledOnceThenKept)
{
    const QString shared = at("lib/mirlo/Mirlox.ini");
    ASSERT_TRUE(QFileInfo(shared).isFile());
    EXPECT_TRUE(ReadFile(shared).contains("\r\n[IniPath]\r\n"));
    // A school's own settings survive a reinstall.
    WriteSetting("IniPath", "Location", "Lycee", shared);
    Install();
    EXPECT_EQ(ReadSetting("IniPath", "Location", shared), "Lycee");
}
