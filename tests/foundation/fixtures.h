#pragma once
// Fixtures shared by the settings tests that run everywhere and those that
// need POSIX.
#include "tests/support/testenv.h"

class IniFiles : public MirloTest {
protected:
    QString file() const { return tempPath("Mirlox.ini"); }
};

class SettingsLocation : public MirloTest {};
