#pragma once
#include "foundation/settings.h"
#include "tests/support/scripted.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Every test gets a private program folder and APPDATA folder, scripted
// prompt/shell/clock, fresh settings in that program folder, and an
// EndProgram that only records.
class MirloTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString programDir() const { return m_program.path(); }
    QString appDataDir() const { return m_appData.path(); }
    QString tempPath(const QString& name) const { return m_scratch.filePath(name); }
    QString scratchDir() const { return m_scratch.path(); }

    static void WriteFile(const QString& path, const QByteArray& bytes);
    static QByteArray ReadFile(const QString& path);

    ScriptedPrompt prompter;
    RecordingShell shellLog;
    ManualClock testClock;
    Settings settings;
    int endCalls = 0;
    int lastExitCode = -1;

private:
    QTemporaryDir m_program;
    QTemporaryDir m_appData;
    QTemporaryDir m_scratch;
};
