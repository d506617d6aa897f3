#pragma once
// Saving the settings dialog's values: a school pupil's typical entries.
#include "config/settingsform.h"
#include "tests/support/testenv.h"

class SettingsSave : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        settings.settingsFolder = appDataDir();
        settings.location = QStringLiteral("Lycee");
        settings.perso = QStringLiteral("Y:");
        settings.sendMode = QStringLiteral("ftp");
        typed.sender = QStringLiteral("moi@lycee.fr");
        typed.recipient = QStringLiteral("prof@lycee.fr");
        typed.login = QStringLiteral("eleve1");
        typed.site = QStringLiteral("http://www.lycee.fr/depot/");
        typed.password = QStringLiteral("secret");
        typed.proxyHost = QStringLiteral("172.20.0.254");
        typed.proxyPort = QStringLiteral("3128");
        typed.folderLocation = tempPath("voix");
        typed.folderName = QStringLiteral("Mirlo");
    }
    TypedSettings typed;
};
