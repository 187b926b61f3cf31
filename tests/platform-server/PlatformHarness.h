#pragma once
// Runs the real vireo-platform on free loopback ports with a scenario of the test's own, and
// talks to it as a terminal would: bare JSON text out, framed messages in.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtEndian>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

using json = nlohmann::json;

constexpr int kAnswerMs = 3000;  // generous: only a failing test waits this long

// The login and heartbeat texts in the terminal's form: sorted members, one space per level,
// CR LF between lines, non-ASCII escaped.
inline QByteArray TerminalText(const json& message) {
  QByteArray text = QByteArray::fromStdString(message.dump(1, ' ', true));
  return text.replace("\n", "\r\n");
}

inline QByteArray LoginText(const std::string& user, const std::string& password) {
  return TerminalText({{"key", "001"}, {"username", user}, {"password", password}, {"serverIp", "127.0.0.1"}});
}

inline QByteArray HeartbeatText() {
  return TerminalText(
      {{"key", "002"},
       {"data", {{"serverIp", "127.0.0.1"}, {"tasks", json::array()}, {"terminalGroupId", 7}, {"terminalId", 1001}}},
       {"errorCode", "001"},
       {"html", ""},
       {"list", ""},
       {"message", ""},
       {"query", ""},
       {"success", "success"},
       {"uri", ""}});
}

using TMediaFiles = std::vector<std::pair<QString, QByteArray>>;

// A scenario file's text as it is, for scenarios that are not JSON.
struct TRawScenario {
  QByteArray Text;
};

class TPlatformRun {
 public:
  explicit TPlatformRun(const json& scenario, const TMediaFiles& media = {}, const QStringList& extraArgs = {})
      : TPlatformRun(TRawScenario{QByteArray::fromStdString(scenario.dump())}, media, extraArgs) {}

  // Starts the server and waits for its ports line; Started() tells whether it came.
  explicit TPlatformRun(const TRawScenario& scenario, const TMediaFiles& media = {},
                        const QStringList& extraArgs = {}) {
    MediaDir = FDir.filePath("media");
    RecordPath = FDir.filePath("record.jsonl");
    QDir().mkpath(MediaDir);
    for (const auto& [name, bytes] : media) WriteFile(QDir(MediaDir).filePath(name), bytes);
    const QString scenarioPath = FDir.filePath("scenario.json");
    WriteFile(scenarioPath, scenario.Text);
    Process.setStandardErrorFile(FDir.filePath("stderr.txt"));
    Process.start(QStringLiteral(VIREO_BIN_DIR "/vireo-platform"),
                  QStringList{"--port", "0", "--http-port", "0", "--scenario", scenarioPath, "--media", MediaDir,
                              "--record", RecordPath} +
                      extraArgs);
    // Generous: the first GStreamer start on a machine (--rtsp-port) scans its plugins for seconds.
    const QDeadlineTimer deadline(20000);
    while (!Process.canReadLine() && Process.state() != QProcess::NotRunning && !deadline.hasExpired())
      Process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    if (!Process.canReadLine()) return;
    const json ports = json::parse(Process.readLine().toStdString(), nullptr, false);
    if (!ports.is_object() || !ports.contains("tcpPort") || !ports.contains("httpPort")) return;
    TcpPort = ports["tcpPort"].get<quint16>();
    HttpPort = ports["httpPort"].get<quint16>();
    if (ports.contains("rtspPort")) RtspPort = ports["rtspPort"].get<quint16>();
  }

  ~TPlatformRun() {
    if (Process.state() == QProcess::NotRunning) return;
    Process.terminate();
    if (!Process.waitForFinished(5000)) Process.kill();
    Process.waitForFinished(1000);
  }

  bool Started() const { return TcpPort != 0 && HttpPort != 0; }
  QString HttpBase() const { return QStringLiteral("http://127.0.0.1:%1").arg(HttpPort); }
  QString RtspBase() const { return QStringLiteral("rtsp://127.0.0.1:%1").arg(RtspPort); }
  QByteArray Stderr() const {
    QFile file(FDir.filePath("stderr.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  // The record file, one parsed line each.
  std::vector<json> Recorded() const {
    std::vector<json> lines;
    QFile file(RecordPath);
    if (!file.open(QIODevice::ReadOnly)) return lines;
    for (const QByteArray& line : file.readAll().split('\n'))
      if (!line.isEmpty()) lines.push_back(json::parse(line.toStdString(), nullptr, false));
    return lines;
  }

  QProcess Process;
  quint16 TcpPort = 0;
  quint16 HttpPort = 0;
  quint16 RtspPort = 0;  // only with --rtsp-port
  QString MediaDir;
  QString RecordPath;

 private:
  static void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
  }

  QTemporaryDir FDir;
};

struct TFrame {
  QByteArray Header;
  QByteArray Body;
  json Value;  // discarded when the body is not JSON
};

// One connection as a terminal sees it, with blocking reads bounded by deadlines.
class TTerminal {
 public:
  explicit TTerminal(quint16 port) {
    Socket.connectToHost(QHostAddress::LocalHost, port);
    Connected = Socket.waitForConnected(kAnswerMs);
  }

  void Send(const QByteArray& bytes) {
    Socket.write(bytes);
    Socket.waitForBytesWritten(kAnswerMs);
  }

  // Whatever arrives in one read, or nothing by the deadline.
  QByteArray ReadChunk(int timeoutMs = kAnswerMs) {
    if (Socket.bytesAvailable() == 0) Socket.waitForReadyRead(timeoutMs);
    return Socket.readAll();
  }

  // Fills Pending up to n bytes; false when they do not come in time.
  bool Fill(qsizetype n, int timeoutMs = kAnswerMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (Pending.size() < n && !deadline.hasExpired()) {
      if (Socket.bytesAvailable() == 0 && !Socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) break;
      Pending += Socket.readAll();
    }
    return Pending.size() >= n;
  }

  // The next frame, checked for its markers and length; nothing when none comes in time.
  std::optional<TFrame> NextFrame(int timeoutMs = kAnswerMs) {
    if (!Fill(16, timeoutMs)) return std::nullopt;
    const QByteArray header = Pending.left(16);
    EXPECT_EQ(header.left(2), QByteArray("\xFF\x04", 2)) << "start marker";
    EXPECT_EQ(header.mid(14, 2), QByteArray("\xFF\x05", 2)) << "end-of-header marker";
    const qint32 length = qFromLittleEndian<qint32>(header.constData() + 4);
    if (length < 0 || !Fill(16 + length, timeoutMs)) return std::nullopt;
    TFrame frame{header, Pending.mid(16, length), {}};
    Pending.remove(0, 16 + length);
    frame.Value = json::parse(frame.Body.toStdString(), nullptr, false);
    return frame;
  }

  // The next frame's body as JSON, or null when no frame comes.
  json Next(int timeoutMs = kAnswerMs) {
    const std::optional<TFrame> frame = NextFrame(timeoutMs);
    return frame ? frame->Value : json();
  }

  // Logs in and returns the reply.
  json Login(const std::string& user = "1001", const std::string& password = "1234") {
    Send(LoginText(user, password));
    return Next();
  }

  QTcpSocket Socket;
  QByteArray Pending;
  bool Connected = false;
};
