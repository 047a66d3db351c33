#pragma once
// Reading and writing a test's own files in one call.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

namespace testing {

// The whole file; empty when it cannot be read.
inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes the file anew, making its folder first; false on any failure.
inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && f.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && f.write(bytes) == bytes.size();
}

} // namespace testing
