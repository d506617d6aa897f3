#include "tests/support/testenv.h"

#include "foundation/settings.h"

#include <QFile>

void MirloTest::SetUp()
{
    ASSERT_TRUE(m_program.isValid() && m_appData.isValid() && m_scratch.isValid());
    SetProgramFolderForTesting(m_program.path());
    qputenv("APPDATA", m_appData.path().toLocal8Bit());
    Shared() = SharedValues();
    SetPrompt(&prompter);
    SetShell(&shellLog);
    SetClock(&testClock);
    ResetEndRequested();
    SetEndProgramHandler([this](int code) {
        ++endCalls;
        lastExitCode = code;
    });
}

void MirloTest::TearDown()
{
    SetEndProgramHandler(nullptr);
    SetPrompt(nullptr);
    SetShell(nullptr);
    SetClock(nullptr);
    SetProgramFolderForTesting(QString());
    ResetEndRequested();
}

void MirloTest::WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

QByteArray MirloTest::ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}
