#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tovrin::test {

// The application object the network code and local event loops need; made
// once, on first use, for the whole test executable.
inline QCoreApplication& CoreApp()
{
    static int argc = 1;
    static char name[] = "tovrin-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Writes `bytes` as the file `name` in `dir`; answers its path.
inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    EXPECT_EQ(file.write(bytes), bytes.size());
    return path;
}

}  // namespace tovrin::test
