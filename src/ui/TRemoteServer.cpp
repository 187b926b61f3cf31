#include "ui/TRemoteServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMetaObject>
#include <QTimer>
#include <QVariant>

#include <limits>
#include <optional>

namespace {

// How long the start-up check may wait for an existing socket to answer. Connecting to a local
// socket completes at once, answered or refused; the bound only matters for a swamped server.
constexpr int kProbeTimeoutMs = 1000;

QString Hex(quint32 value) { return QStringLiteral("0x") + QString::number(value, 16).toUpper(); }

// An integer as the sender wrote it: 1037, not 1037.0 nor "1037". Qt keeps JSON integers exact,
// so the whole qint64 range comes through.
std::optional<qint64> Integer(const QJsonValue& value) {
  const QVariant variant = value.toVariant();
  if (variant.typeId() != QMetaType::LongLong) return std::nullopt;
  return variant.toLongLong();
}

// A bounded, single-line excerpt of what a client sent, for the log.
QString Excerpt(const QByteArray& bytes) {
  constexpr qsizetype kShown = 80;
  QString text = QString::fromUtf8(bytes.left(kShown)).simplified();
  if (bytes.size() > kShown) text += QStringLiteral("…");
  return text;
}

}  // namespace

TRemoteServer::TRemoteServer(ILogSink& log, THandler handler, QString name, int idleTimeoutMs, QObject* parent)
    : QObject(parent),
      FLog(log),
      FHandler(std::move(handler)),
      FName(std::move(name)),
      FIdleTimeoutMs(idleTimeoutMs),
      FServer(new QLocalServer(this)) {
  FServer->setSocketOptions(QLocalServer::UserAccessOption);
  connect(FServer, &QLocalServer::newConnection, this, &TRemoteServer::AcceptPending);
}

TRemoteServer::~TRemoteServer() {
  // Close the clients while this object is whole: their signals reach its handlers.
  delete FServer;
}

bool TRemoteServer::Listen() {
  if (FServer->isListening()) return true;

  // Qt makes a restricted socket under a private name and renames it over ours, which would take
  // the name from a running terminal without a word; so ask whoever is there first.
  QLocalSocket probe;
  probe.connectToServer(FName);
  if (probe.waitForConnected(kProbeTimeoutMs)) {
    probe.abort();
    FLog.LogError(QStringLiteral("本地消息端点 %1 已由另一个终端使用, 本终端不接收本地消息").arg(FName));
    return false;
  }
  if (probe.error() == QLocalSocket::ConnectionRefusedError) {
    // A socket file left by a terminal that ended without closing it.
    QLocalServer::removeServer(FName);
    FLog.LogHint(QStringLiteral("本地消息端点 %1 的旧套接字已失效, 已删除").arg(FName));
  }

  if (!FServer->listen(FName)) {
    FLog.LogError(QStringLiteral("本地消息端点 %1 无法打开: %2").arg(FName, FServer->errorString()));
    return false;
  }
  FLog.LogHint(QStringLiteral("本地消息端点已打开: %1").arg(FServer->fullServerName()));
  return true;
}

bool TRemoteServer::IsListening() const { return FServer->isListening(); }

QString TRemoteServer::FullServerName() const { return FServer->fullServerName(); }

void TRemoteServer::AcceptPending() {
  while (QLocalSocket* client = FServer->nextPendingConnection()) {
    // The buffer never holds more than one request may be long; the rest waits in the kernel.
    client->setReadBufferSize(kMaxRequestBytes);
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    connect(client, &QLocalSocket::readyRead, this, [this, client] { ReadRequest(client); });

    auto* idle = new QTimer(client);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, client, [this, client] {
      FLog.LogError(QStringLiteral("本地消息连接 %1 毫秒内未发来完整请求, 已断开").arg(FIdleTimeoutMs));
      client->disconnect(this);
      client->abort();
      client->deleteLater();
    });
    idle->start(FIdleTimeoutMs);

    if (client->bytesAvailable() > 0) ReadRequest(client);
  }
}

void TRemoteServer::ReadRequest(QLocalSocket* client) {
  if (client->canReadLine()) {
    HandleLine(client, client->readLine().trimmed());
  } else if (client->bytesAvailable() >= kMaxRequestBytes) {
    FLog.LogError(QStringLiteral("本地消息请求超过 %1 字节, 已拒绝: %2")
                      .arg(kMaxRequestBytes)
                      .arg(Excerpt(client->peek(kMaxRequestBytes))));
    Answer(client, false, QStringLiteral("request longer than %1 bytes").arg(kMaxRequestBytes));
  }
}

void TRemoteServer::HandleLine(QLocalSocket* client, const QByteArray& line) {
  auto refuse = [&](const QString& reason) {
    FLog.LogError(QStringLiteral("本地消息格式错误 (%1), 已拒绝: %2").arg(reason, Excerpt(line)));
    Answer(client, false, reason);
  };

  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
  if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
    refuse(QStringLiteral("not a JSON object"));
    return;
  }
  const QJsonObject request = document.object();
  const std::optional<qint64> message = Integer(request.value(QStringLiteral("message")));
  if (!message || *message < 0 || *message > std::numeric_limits<quint32>::max()) {
    refuse(QStringLiteral("message must be an integer from 0 to 0xFFFFFFFF"));
    return;
  }
  const QJsonValue wParamValue = request.value(QStringLiteral("wParam"));
  const std::optional<qint64> wParam = wParamValue.isUndefined() ? 0 : Integer(wParamValue);
  if (!wParam) {
    refuse(QStringLiteral("wParam must be an integer"));
    return;
  }

  const quint32 number = static_cast<quint32>(*message);
  if (number != kWmRemoteStop && number != kWmRemoteExit) {
    FLog.LogHint(QStringLiteral("忽略本地消息 %1 (wParam %2)").arg(Hex(number)).arg(*wParam));
    Answer(client, false, QStringLiteral("unknown message %1").arg(Hex(number)));
    return;
  }
  FLog.LogHint(QStringLiteral("收到本地消息 %1 (wParam %2)").arg(Hex(number)).arg(*wParam));
  Answer(client, true);
  // From the event loop, not from inside the socket's signal: the handler may well end the
  // terminal, this endpoint with it.
  QMetaObject::invokeMethod(
      this, [this, number, value = *wParam] { if (FHandler) FHandler(number, value); }, Qt::QueuedConnection);
}

void TRemoteServer::Answer(QLocalSocket* client, bool ok, const QString& error) {
  QJsonObject reply{{QStringLiteral("ok"), ok}};
  if (!ok) reply.insert(QStringLiteral("error"), error);
  // One answer per connection: whatever else the client sends is not read.
  client->disconnect(this);
  if (auto* idle = client->findChild<QTimer*>()) idle->stop();
  if (client->state() != QLocalSocket::ConnectedState) return;  // it left without waiting
  client->write(QJsonDocument(reply).toJson(QJsonDocument::Compact) + '\n');
  // Out now rather than on a later turn of the loop, which a handler ending the terminal may not
  // leave it; a line this short always fits the socket's buffer.
  client->flush();
  client->disconnectFromServer();
}
