#include "tests/support/testenv.h"

#include "foundation/settings.h"

#include <QFile>

void MirloTest::SetUp()
{
    ASSERT_TRUE(m_program.isValid() && m_appData.isValid() && m_scratch.isValid());
    qputenv("APPDATA", m_appData.path().toLocal8Bit());
    settings = Settings();
    settings.programFolder = m_program.path();
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
