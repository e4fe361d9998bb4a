#pragma once
// Small files the window tests write before a window reads them.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace grainix::testing {

inline void writeFile(const QString& path, const QByteArray& text, bool executable = false) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(text);
  f.close();
  if (executable) f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

}  // namespace grainix::testing
