#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

// Shared by the fuzz targets: raw input as bytes, text, and a scratch folder
// that lives for the whole fuzzing run.
inline QByteArray InputBytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

inline const QTemporaryDir& ScratchFolder()
{
    static const QTemporaryDir folder;
    return folder;
}

void WriteWholeFile(const QString& path, const QByteArray& bytes);

// Fails the run (libFuzzer reports the crash and keeps the input).
[[noreturn]] void FuzzFailure(const char* what, const QString& detail);
