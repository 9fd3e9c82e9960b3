#pragma once

#include "support/asf_sample.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace tovrin::test {

// A folder holding the sample under a name the test server serves
// (media/clip.wmv), the recorder's settings home, and a place for recordings.
struct Workspace {
    QTemporaryDir dir;
    QString media = dir.filePath(QStringLiteral("media"));
    QString config = dir.filePath(QStringLiteral("config"));
    Workspace()
    {
        QDir().mkpath(media);
        QDir().mkpath(config);
        QFile::copy(SamplePath(Sample::Wmv), source());
    }
    QString out(const QString& name) const { return dir.filePath(name); }
    // Writes `bytes` as the file `name` in the workspace; its path.
    QString put(const QString& name, const QByteArray& bytes) const { return WriteFile(dir, name, bytes); }
    QString source() const { return media + QStringLiteral("/clip.wmv"); }
};

}  // namespace tovrin::test
