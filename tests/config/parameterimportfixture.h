#pragma once
// Importing a parameter file over settings that already hold a site and a proxy.
#include "config/parameterimport.h"
#include "foundation/settings.h"
#include "tests/support/testenv.h"

#include <optional>

class ParameterImport : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        settings.settingsFolder = appDataDir();
        for (const QString& file : {settings.workingFile(), settings.programFile()}) {
            WriteSetting("Web", "Site", "old.site.fr", file);
            WriteSetting("Web", "Proxy", "10.0.0.1", file);
        }
    }

    std::optional<QString> importing(const QByteArray& content)
    {
        const QString path = tempPath("params.prm");
        WriteFile(path, content);
        return ImportParameterFile(settings, path).message;
    }
};
