#pragma once
// Small file helpers for tests.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace testhost {

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// The folder of shared test data (the DXF corpus) or an empty string when it is not there.
QString CorpusFolder();

// The Python interpreter that has ezdxf, or empty when none was found at configure time.
QString EzdxfPython();

}  // namespace testhost
