#pragma once
#include <QString>

struct Settings;

#include <optional>

struct ImportOutcome {
    std::optional<QString> message; // what the pupil is told, if anything
    bool stored = false;            // the settings files took the values: the dialog reloads
};

// Copies a teacher's parameter file (".prm", the settings files' own format)
// into the working then the program settings file: Web/Upload, Web/Site and
// email/Destinataire when not empty, then Web/Proxy, Web/ProxyPort and
// IniPath/Perso always, even empty. Values go whole as read, nothing cleaned
// or checked. All six empty
// is a complaint, the always-copied ones written all the same. A parameter
// file that cannot be read, or a working file that cannot be written (or a
// program file whose Perso would then lead the next start elsewhere), is told
// and nothing is reloaded.
ImportOutcome ImportParameterFile(const Settings& settings, const QString& parameterFile);
