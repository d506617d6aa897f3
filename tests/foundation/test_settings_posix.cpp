// Where the settings go without APPDATA: the XDG configuration folder.
#include "foundation/settings.h"
#include "tests/foundation/fixtures.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

namespace {

TEST_F(SettingsLocation, AppDataFallsBackToConfigFolder)
{
    EXPECT_EQ(AppDataFolder(), appDataDir());
    qunsetenv("APPDATA");
    EXPECT_EQ(AppDataFolder(), QDir::toNativeSeparators(
                                   QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)));
    EXPECT_FALSE(AppDataFolder().isEmpty());
}

// Without HOME the folder comes from the account, never from the root folder.
TEST_F(SettingsLocation, NoHomeVariableUsesTheAccountsHome)
{
    const QByteArray home = qgetenv("HOME");
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("APPDATA");
    qunsetenv("HOME");
    qunsetenv("XDG_CONFIG_HOME");
    const QString folder = AppDataFolder();
    qputenv("HOME", home);
    if (!xdg.isEmpty())
        qputenv("XDG_CONFIG_HOME", xdg);
    const passwd* account = getpwuid(geteuid());
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(folder, JoinPath(QFile::decodeName(account->pw_dir), ".config"));
    EXPECT_FALSE(folder.startsWith("//"));
}

} // namespace
