#include "state/settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <memory>

namespace tovrin {

namespace {

const QString kOrganization = QStringLiteral("Tovrin Streaming");
const QString kApplication = QStringLiteral("Tovrin");

std::unique_ptr<QSettings> openSettings(const QString& iniPath)
{
    if (iniPath.isEmpty())
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kOrganization, kApplication);
    return std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
}

// Creates the settings file owner-only before QSettings first writes it, and
// keeps it so afterwards: it may hold saved credentials.
void restrictFilePermissions(const QString& fileName, bool beforeWrite)
{
#ifdef Q_OS_WIN
    Q_UNUSED(fileName);
    Q_UNUSED(beforeWrite);
#else
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (beforeWrite) {
        if (QFileInfo::exists(fileName))
            return;
        QDir().mkpath(QFileInfo(fileName).absolutePath());
        QFile file(fileName);
        if (file.open(QIODevice::WriteOnly, ownerOnly))
            file.close();
        return;
    }
    if (QFileInfo::exists(fileName))
        QFile::setPermissions(fileName, ownerOnly);
#endif
}

}  // namespace

SettingsStore::SettingsStore() = default;

SettingsStore::SettingsStore(QString iniPath) : m_iniPath(std::move(iniPath)) {}

QString SettingsStore::read(const QString& name) const
{
    const auto settings = openSettings(m_iniPath);
    return settings->value(name).toString();
}

bool SettingsStore::write(const QString& name, const QString& value, QString* error)
{
    auto settings = openSettings(m_iniPath);
    restrictFilePermissions(settings->fileName(), true);
    settings->setValue(name, value);
    settings->sync();
    const bool ok = settings->status() == QSettings::NoError && settings->isWritable();
    restrictFilePermissions(settings->fileName(), false);
    if (!ok && error)
        *error = QStringLiteral("Failed to set data for '%1'").arg(name);
    return ok;
}

QMap<QString, QString> SettingsStore::readGroup(const QString& group) const
{
    const auto settings = openSettings(m_iniPath);
    settings->beginGroup(group);
    QMap<QString, QString> values;
    for (const QString& key : settings->allKeys())
        values.insert(key, settings->value(key).toString());
    return values;
}

bool SettingsStore::replaceGroup(const QString& group, const QMap<QString, QString>& values, QString* error)
{
    auto settings = openSettings(m_iniPath);
    restrictFilePermissions(settings->fileName(), true);
    settings->remove(group);
    settings->beginGroup(group);
    for (auto value = values.cbegin(); value != values.cend(); ++value)
        settings->setValue(value.key(), value.value());
    settings->endGroup();
    settings->sync();
    const bool ok = settings->status() == QSettings::NoError && settings->isWritable();
    restrictFilePermissions(settings->fileName(), false);
    if (!ok && error)
        *error = QStringLiteral("Failed to set data for '%1'").arg(group);
    return ok;
}

QString SettingsStore::location() const
{
    return openSettings(m_iniPath)->fileName();
}

}  // namespace tovrin
