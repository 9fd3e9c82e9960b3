#pragma once

#include <QMap>
#include <QString>

namespace tovrin {

// The persistent settings: string values under one key, read as empty when
// missing. Each call opens and closes the store; nothing is cached, so a value
// written by one part of the program is seen at once by every other.
//
// The product store is QSettings with organization "Tovrin Streaming" and
// application "Tovrin" (the registry on Windows; on Linux
// ~/.config/Tovrin Streaming/Tovrin.conf, which honours XDG_CONFIG_HOME). On
// Linux the file is kept at mode 0600 because it may hold saved credentials.
class SettingsStore {
public:
    SettingsStore();                          // the product location
    explicit SettingsStore(QString iniPath);  // a file of the caller's choosing (tests)

    // Empty text when the value or the store is missing. Never writes.
    QString read(const QString& name) const;
    // Creates the store when missing. False, with a message naming the
    // value in *error, when it cannot be written.
    bool write(const QString& name, const QString& value, QString* error = nullptr);

    // Every value under `group` (a list kept in the settings), keyed by its
    // name within the group ("3/Address"). Never writes.
    QMap<QString, QString> readGroup(const QString& group) const;
    // Replaces what `group` holds with `values` in one write; false as for
    // write().
    bool replaceGroup(const QString& group, const QMap<QString, QString>& values, QString* error = nullptr);

    // Where the values live (a file path, or a registry path on Windows).
    QString location() const;

private:
    QString m_iniPath;  // empty: the product location
};

}  // namespace tovrin
