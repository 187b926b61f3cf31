#pragma once
// A "Setting.ini" in a folder of the test's own, written and read back as raw bytes.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

class TempIniTest : public ::testing::Test {
 protected:
  QString Path() const { return FDir.filePath(QStringLiteral("Setting.ini")); }

  void Put(const QByteArray& bytes) const {
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
  }

  QByteArray Bytes() const {
    QFile file(Path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QTemporaryDir FDir;
};
