#pragma once

#include "support/asf_sample.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tovrin::test {

// VLC (cvlc) run as a test peer. VLC refuses to run as root, so under root
// it runs as the unprivileged user 65534; everything it reads or writes sits
// in folder(), a folder of /tmp that user may enter (a checkout under /root
// is closed to it). Stopped when this goes out of scope.
class VlcProcess {
public:
    VlcProcess();
    ~VlcProcess() { StopProcess(m_process); }

    // False when cvlc is not installed: the test skips.
    static bool available() { return !QStandardPaths::findExecutable(QStringLiteral("cvlc")).isEmpty(); }
    const QString& folder() const { return m_folder; }
    // Copies a file into folder(), readable by VLC; its new path.
    QString share(const QString& path) const;
    // Starts cvlc with these arguments (after -q --no-interact); false when it does not start.
    bool start(const QStringList& args);
    // Waits for VLC to end by itself; false on time-out.
    bool waitForFinished(int timeoutMs) { return m_process.waitForFinished(timeoutMs); }
    // What VLC printed.
    QByteArray log() const { return ReadWholeFile(m_folder + QStringLiteral("/vlc.log")); }

private:
    QTemporaryDir m_dir{QStringLiteral("/tmp/tovrin-vlc-XXXXXX")};
    QString m_folder = m_dir.path();
    QProcess m_process;
};

}  // namespace tovrin::test
