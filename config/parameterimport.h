#pragma once
#include <QString>

#include <optional>

// Copies a teacher's parameter file (".prm", the settings files' own format)
// into the working then the program settings file, entry by entry:
// Web/Upload, Web/Site and email/Destinataire when not empty, then Web/Proxy,
// Web/ProxyPort and IniPath/Perso always, even empty. Values go as read, cut
// to 254 characters, nothing cleaned or checked. Returns the complaint when
// all six were empty (the always-copied ones are written all the same),
// none otherwise.
std::optional<QString> ImportParameterFile(const QString& parameterFile);
