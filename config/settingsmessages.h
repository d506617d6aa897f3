#pragma once
#include "foundation/inifile.h"

#include <QString>

// What the pupil is told when a settings file could not be written: the
// folder and the reason.
QString SettingsSaveFailureText(SettingsFileFault fault, const QString& file);

// What the pupil is told when a settings or parameter file was refused.
QString SettingsReadFailureText(SettingsFileFault fault, const QString& file);

// What the pupil is told when a field holds characters a settings file cannot
// give back as typed; `field` is the field's label.
QString UnstorableFieldText(const QString& field, const QList<char32_t>& characters);

// What the pupil is told when a chosen recording file's name or folder holds
// characters that the settings file and the sound layer cannot keep.
QString UnstorableRecordingPathText(const QList<char32_t>& characters);
