// vireo-remote: sends one message to the Vireo terminal of this user, as the classroom's other
// programs do, and reports by its exit status whether the terminal took it.

#include "ui/uRemoteMessages.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QRegularExpression>

#include <cstdio>
#include <limits>
#include <optional>

namespace {

constexpr const char* kUsage =
    "usage: vireo-remote COMMAND\n"
    "Sends one message to the Vireo terminal of this user.\n"
    "commands:\n"
    "  stop-point            pause the on-demand player (message 0x40D, wParam 1)\n"
    "  stop-live             stop the live frame (message 0x40D, wParam 2)\n"
    "  exit                  end the terminal (message 0x435)\n"
    "  send MESSAGE WPARAM   any message; numbers in decimal or 0x hexadecimal\n"
    "exit status:\n"
    "  0  the terminal took the request\n"
    "  1  no terminal of this user is running\n"
    "  2  bad usage\n"
    "  3  the terminal refused the request (an unknown message) or gave no answer\n"
    "environment:\n"
    "  VIREO_REMOTE_NAME  the endpoint's name or socket path instead of the user's own\n"
    "                     (for tests and debugging)\n";

constexpr int kTookIt = 0;
constexpr int kNoTerminal = 1;
constexpr int kBadUsage = 2;
constexpr int kRefused = 3;

constexpr int kConnectTimeoutMs = 2000;
constexpr int kAnswerTimeoutMs = 5000;

int Fail(int status, const QString& message) {
  std::fprintf(stderr, "vireo-remote: %s\n", qPrintable(message));
  return status;
}

struct TRequest {
  quint32 Message;
  qint64 WParam;
};

// Decimal (a minus sign allowed) or 0x hexadecimal, within [min, max]; nothing else, so that
// "1O37" or "0x" never turn into a number.
std::optional<qint64> ReadNumber(const QString& text, qint64 min, qint64 max) {
  static const QRegularExpression kDecimal(QStringLiteral("^-?[0-9]+$"));
  static const QRegularExpression kHex(QStringLiteral("^0[xX][0-9a-fA-F]+$"));
  bool ok = false;
  qint64 value = 0;
  if (kHex.match(text).hasMatch()) {
    value = text.mid(2).toLongLong(&ok, 16);
  } else if (kDecimal.match(text).hasMatch()) {
    value = text.toLongLong(&ok, 10);
  }
  if (!ok || value < min || value > max) return std::nullopt;
  return value;
}

std::optional<TRequest> ReadCommand(const QStringList& args, QString* error) {
  const QString command = args.value(0);
  const qsizetype operands = args.size() - 1;
  auto fixed = [&](quint32 message, qint64 wParam) -> std::optional<TRequest> {
    if (operands != 0) {
      *error = QStringLiteral("%1 takes no arguments").arg(command);
      return std::nullopt;
    }
    return TRequest{message, wParam};
  };
  if (command == QLatin1String("stop-point")) return fixed(kWmRemoteStop, kRemoteStopPoint);
  if (command == QLatin1String("stop-live")) return fixed(kWmRemoteStop, kRemoteStopLive);
  if (command == QLatin1String("exit")) return fixed(kWmRemoteExit, 0);
  if (command == QLatin1String("send")) {
    if (operands != 2) {
      *error = QStringLiteral("send takes MESSAGE and WPARAM");
      return std::nullopt;
    }
    const auto message = ReadNumber(args[1], 0, std::numeric_limits<quint32>::max());
    if (!message) {
      *error = QStringLiteral("bad MESSAGE \"%1\": a number from 0 to 0xFFFFFFFF").arg(args[1]);
      return std::nullopt;
    }
    const auto wParam = ReadNumber(args[2], std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
    if (!wParam) {
      *error = QStringLiteral("bad WPARAM \"%1\": a 64-bit number").arg(args[2]);
      return std::nullopt;
    }
    return TRequest{static_cast<quint32>(*message), *wParam};
  }
  *error = command.isEmpty() ? QStringLiteral("no command") : QStringLiteral("unknown command \"%1\"").arg(command);
  return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
    std::fputs(kUsage, stdout);
    return kTookIt;
  }
  QString error;
  const std::optional<TRequest> request = ReadCommand(args, &error);
  if (!request) return Fail(kBadUsage, error + QStringLiteral(" (see vireo-remote --help)"));

  const QString name = RemoteEndpointName();
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(kConnectTimeoutMs)) {
    return Fail(kNoTerminal, QStringLiteral("no Vireo terminal of this user is running (%1: %2)")
                                 .arg(name, socket.errorString()));
  }

  const QJsonObject line{{QStringLiteral("message"), static_cast<qint64>(request->Message)},
                         {QStringLiteral("wParam"), request->WParam}};
  socket.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
  const QDeadlineTimer deadline(kAnswerTimeoutMs);
  while (!socket.canReadLine() && socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
  }
  const QByteArray answerLine = socket.readLine();
  const QJsonObject answer = QJsonDocument::fromJson(answerLine).object();
  const QJsonValue ok = answer.value(QStringLiteral("ok"));
  if (!ok.isBool()) return Fail(kRefused, QStringLiteral("no answer from the terminal at %1").arg(name));
  if (!ok.toBool()) {
    return Fail(kRefused, QStringLiteral("the terminal refused the request: %1")
                              .arg(answer.value(QStringLiteral("error")).toString()));
  }
  return kTookIt;
}
