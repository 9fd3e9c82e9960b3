#pragma once

#include "support/core_app.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tovrin::test {

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
