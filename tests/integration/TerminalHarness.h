#pragma once
// Runs the real terminal executable from a folder of its own, beside the Setting.ini a test
// writes, and reads what it logs.

#include "platform/uGbk.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDate>
#include <QEventLoop>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

// Waits, serving the event loop, until the condition holds; false when time ran out.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(20);
  }
  return true;
}

inline QByteArray SettingsFor(quint16 port, const QString& user = "1001", const QString& password = "1234") {
  return QStringLiteral("[Svr]\r\nHost=127.0.0.1\r\nPort=%1\r\nSvrUser=%2\r\nPassword=%3\r\n")
      .arg(port)
      .arg(user, password)
      .toUtf8();
}

class TTerminalRun {
 public:
  TTerminalRun() {
    QDir().mkpath(RuntimeDir());
    QFile::setPermissions(RuntimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(QFile::copy(QStringLiteral(VIREO_BIN_DIR "/Vireo"), Path("Vireo")));
  }
  ~TTerminalRun() { Stop(); }

  QString Path(const QString& name) const { return FDir.filePath(name); }
  QString RuntimeDir() const { return FDir.filePath("run"); }
  QString RemoteName() const { return FDir.filePath("run/remote"); }

  // Sends a message to this terminal as another program would; the sender's exit status.
  int Remote(const QStringList& arguments) const {
    QProcess sender;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VIREO_REMOTE_NAME", RemoteName());
    sender.setProcessEnvironment(env);
    sender.start(QStringLiteral(VIREO_BIN_DIR "/vireo-remote"), arguments);
    if (!sender.waitForFinished(10000)) return -1;
    return sender.exitCode();
  }

  void WriteFile(const QString& name, const QByteArray& bytes) const {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }
  QByteArray ReadFile(const QString& name) const {
    QFile file(Path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  // A process of the terminal in this folder; several may be started to try the instance guard.
  void Configure(QProcess& process) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The test's own platform: off screen, or the X server of the on-screen cases.
    env.insert("QT_QPA_PLATFORM", qEnvironmentVariable("QT_QPA_PLATFORM", "offscreen"));
    // The instance lock lives here, so parallel tests do not see each other's terminals.
    env.insert("XDG_RUNTIME_DIR", RuntimeDir());
    // So is the endpoint for messages from other programs.
    env.insert("VIREO_REMOTE_NAME", RemoteName());
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(FDir.path());
    process.setProgram(Path("Vireo"));
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(Path("stderr.txt"));
  }

  void Start() {
    Configure(Process);
    Process.start();
    ASSERT_TRUE(Process.waitForStarted(5000));
  }

  // Ends the terminal as a service manager would; true when it ended by itself in time.
  bool Stop() {
    if (Process.state() == QProcess::NotRunning) return true;
    Process.terminate();
    if (Process.waitForFinished(10000)) return true;
    Process.kill();
    Process.waitForFinished(2000);
    return false;
  }

  QString Log() const {
    return Gbk::Decode(ReadFile("Log/" + QDate::currentDate().toString("yyyy-MM-dd") + ".log"));
  }
  bool WaitForLog(const QString& text, int timeoutMs, int count = 1) const {
    return WaitFor([&] { return Log().count(text) >= count; }, timeoutMs);
  }

  QProcess Process;

 private:
  QTemporaryDir FDir;
};

// A platform played by the test itself, for exact bytes and exact timing on the wire.
class TWireServer {
 public:
  TWireServer() { EXPECT_TRUE(Server.listen(QHostAddress::LocalHost, 0)); }
  quint16 Port() const { return Server.serverPort(); }

  // The next connection, or nullptr when none comes in time.
  QTcpSocket* Accept(int timeoutMs) {
    if (!WaitFor([&] { return Server.hasPendingConnections(); }, timeoutMs)) return nullptr;
    return Server.nextPendingConnection();
  }

  // Reads until `bytes` bytes came; what came.
  static QByteArray Read(QTcpSocket* socket, qsizetype bytes, int timeoutMs) {
    QByteArray got;
    WaitFor(
        [&] {
          got += socket->readAll();
          return got.size() >= bytes;
        },
        timeoutMs);
    return got;
  }

  QTcpServer Server;
};
