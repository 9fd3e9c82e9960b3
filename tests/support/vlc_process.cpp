#include "support/vlc_process.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace tovrin::test {

VlcProcess::VlcProcess()
{
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
}

QString VlcProcess::share(const QString& path) const
{
    const QString copy = m_folder + QLatin1Char('/') + QFileInfo(path).fileName();
    WriteWholeFile(copy, ReadWholeFile(path),
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    return copy;
}

bool VlcProcess::start(const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_folder);
    m_process.setProcessEnvironment(env);
    m_process.setWorkingDirectory(m_folder);
    m_process.setStandardOutputFile(m_folder + QStringLiteral("/vlc.log"));
    m_process.setStandardErrorFile(m_folder + QStringLiteral("/vlc.log"), QIODevice::Append);
    const QStringList vlcArgs =
        QStringList{QStandardPaths::findExecutable(QStringLiteral("cvlc"))} + Args(u"-q --no-interact") + args;
    if (::geteuid() == 0)
        m_process.start(QStringLiteral("setpriv"), Args(u"--reuid=65534 --regid=65534 --clear-groups") + vlcArgs);
    else
        m_process.start(vlcArgs.first(), vlcArgs.mid(1));
    return m_process.waitForStarted(10000);
}

}  // namespace tovrin::test
