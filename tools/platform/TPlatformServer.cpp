#include "TPlatformServer.h"

#include <QDateTime>
#include <QTcpSocket>

#include "TEnvelope.h"

namespace {

using json = nlohmann::json;

constexpr std::size_t kLogExcerpt = 300;

qint64 PlatformClock() { return QDateTime::currentMSecsSinceEpoch(); }

std::string Excerpt(std::string text) {
  if (text.size() > kLogExcerpt) text = text.substr(0, kLogExcerpt) + "...";
  return text;
}

std::string TextOf(const json& message, const char* name) {
  const auto it = message.find(name);
  if (it == message.end()) return {};
  return it->is_string() ? it->get<std::string>() : it->dump();
}

QByteArray Bytes(const json& message) { return QByteArray::fromStdString(message.dump()); }

const char* EventName(TEventKind kind) {
  switch (kind) {
    case TEventKind::Schedule:
      return "schedule";
    case TEventKind::Update:
      return "update offer";
    case TEventKind::Frame:
      return "frame";
    case TEventKind::Silence:
      return "silence";
    case TEventKind::Close:
      return "close";
    case TEventKind::Garbage:
      return "garbage";
    case TEventKind::Split:
      return "split frame";
    case TEventKind::Coalesce:
      return "coalesced frames";
    case TEventKind::BrokenHeader:
      return "broken header";
  }
  return "?";
}

}  // namespace

TPlatformServer::TPlatformServer(TScenario scenario, TRecorder& recorder)
    : FLogin(std::move(scenario.Login)),
      FRecorder(recorder),
      FTimeline(std::move(scenario.Timeline), [this](const TTimelineEvent& event) { Apply(event); }) {
  FSilenceOver.setSingleShot(true);
  QObject::connect(&FSilenceOver, &QTimer::timeout, [] { qInfo("silence over"); });
  QObject::connect(&FServer, &QTcpServer::newConnection, [this] { Accept(); });
}

TPlatformServer::~TPlatformServer() {
  for (auto& [id, connection] : FConnections) {
    QObject::disconnect(connection->Socket, nullptr, nullptr, nullptr);
    connection->Socket->abort();
    delete connection->Socket;
  }
}

quint16 TPlatformServer::Listen(quint16 port, QString* error) {
  if (FServer.listen(QHostAddress::LocalHost, port)) return FServer.serverPort();
  *error = QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(port).arg(FServer.errorString());
  return 0;
}

void TPlatformServer::Accept() {
  // Bounded by the pending connections the server holds.
  while (QTcpSocket* socket = FServer.nextPendingConnection()) {
    auto connection = std::make_unique<TConnection>();
    connection->Id = FNextId++;
    connection->Socket = socket;
    connection->Writer = std::make_unique<TFrameWriter>(socket);
    const int id = connection->Id;
    qInfo("#%d connected from %s:%d", id, qPrintable(socket->peerAddress().toString()), socket->peerPort());
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, id] {
      const auto it = FConnections.find(id);
      if (it != FConnections.end() && !it->second->Closed) Read(*it->second);
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, id] {
      const auto it = FConnections.find(id);
      if (it == FConnections.end() || it->second->Closed) return;
      qInfo("#%d disconnected", id);
      it->second->Closed = true;
      // Not now: the socket may be in the middle of a call of ours.
      QTimer::singleShot(0, &FServer, [this, id] {
        const auto found = FConnections.find(id);
        if (found == FConnections.end()) return;
        found->second->Socket->deleteLater();
        FConnections.erase(found);
      });
    });
    FConnections.emplace(id, std::move(connection));
  }
}

void TPlatformServer::Read(TConnection& connection) {
  const QByteArray bytes = connection.Socket->readAll();
  for (const TReceived& received : connection.Splitter.Feed(bytes.toStdString())) {
    if (connection.Closed) return;
    if (received.Parsed) {
      FRecorder.Record(connection.Id, received.Value);
      Handle(connection, received.Value);
    } else {
      FRecorder.RecordRaw(connection.Id, received.Raw);
      qInfo("#%d received %zu bytes that are not JSON, dropped: %s", connection.Id, received.Raw.size(),
            Excerpt(json(received.Raw).dump(-1, ' ', true, json::error_handler_t::replace)).c_str());
    }
  }
}

void TPlatformServer::Handle(TConnection& connection, const json& message) {
  const std::string key = message.is_object() ? TextOf(message, "key") : std::string();
  qInfo("#%d received %s", connection.Id, Excerpt(message.dump()).c_str());
  if (key == "001") {
    AnswerLogin(connection, message);
  } else if (key == "002") {
    AnswerHeartbeat(connection);
  } else {
    qInfo("#%d no answer to a message with key \"%s\"", connection.Id, key.c_str());
  }
}

void TPlatformServer::AnswerLogin(TConnection& connection, const json& message) {
  if (!MaySend("a login reply")) return;
  const std::string user = TextOf(message, "username");
  const bool accepted = (!FLogin.Username || *FLogin.Username == user) &&
                        (!FLogin.Password || *FLogin.Password == TextOf(message, "password"));
  connection.LoggedIn = accepted;
  if (!accepted) {
    connection.Writer->SendFrame(Bytes(json{{"key", "001"}, {"success", false}, {"message", FLogin.Refusal}}));
    qInfo("#%d refused the login of \"%s\"", connection.Id, user.c_str());
    return;
  }
  // The timeline's clock starts before the reply leaves, so no task time precedes the moment the
  // terminal learns it is logged in.
  const bool firstLogin = !FTimeline.Started();
  if (firstLogin) FSchedule.SetOrigin(PlatformClock());
  connection.Writer->SendFrame(Bytes(MessageEnvelope("001", json{{"terminalId", FLogin.TerminalId},
                                                                 {"terminalGroupId", FLogin.TerminalGroupId},
                                                                 {"playUrl", FLogin.PlayUrl},
                                                                 {"videoUrl", FLogin.VideoUrl}})));
  qInfo("#%d accepted the login of \"%s\" (server address \"%s\")", connection.Id, user.c_str(),
        TextOf(message, "serverIp").c_str());
  if (firstLogin) {
    qInfo("timeline starts");
    FTimeline.Start();
  }
}

void TPlatformServer::AnswerHeartbeat(TConnection& connection) {
  if (!MaySend("a heartbeat answer")) return;
  if (!connection.LoggedIn) qInfo("#%d sent a heartbeat without being logged in; answered anyway", connection.Id);
  connection.Writer->SendFrame(ScheduleBody(connection));
}

QByteArray TPlatformServer::ScheduleBody(TConnection& connection) {
  const json message = FSchedule.Message(PlatformClock(), connection.Memory);
  qInfo("#%d schedule with %zu tasks", connection.Id, message["data"]["tasks"].size());
  return Bytes(message);
}

bool TPlatformServer::MaySend(const char* what) const {
  if (FSilence.hasExpired()) return true;
  qInfo("silent: %s is not sent", what);
  return false;
}

template <typename F>
void TPlatformServer::ForEachLoggedIn(F&& action) {
  for (auto& [id, connection] : FConnections)
    if (connection->LoggedIn && !connection->Closed) action(*connection);
}

void TPlatformServer::Apply(const TTimelineEvent& event) {
  qInfo("timeline at %.3f s (due %.3f s): %s", FTimeline.Elapsed(), event.At, EventName(event.Kind));
  switch (event.Kind) {
    case TEventKind::Schedule:
      FSchedule.SetCurrent(event.Schedule);
      if (MaySend("the schedule")) ForEachLoggedIn([&](TConnection& c) { c.Writer->SendFrame(ScheduleBody(c)); });
      break;
    case TEventKind::Update:
    case TEventKind::Frame:
      if (MaySend(event.Kind == TEventKind::Update ? "the update offer" : "the frame"))
        ForEachLoggedIn([&](TConnection& c) {
          qInfo("#%d frame %s", c.Id, Excerpt(event.Bodies.front().toStdString()).c_str());
          c.Writer->SendFrame(event.Bodies.front());
        });
      break;
    case TEventKind::Silence:
      qInfo("silent for %.3f s", event.Seconds);
      FSilence.setRemainingTime(static_cast<qint64>(event.Seconds * 1000), Qt::PreciseTimer);
      FSilenceOver.start(static_cast<int>(event.Seconds * 1000));
      break;
    case TEventKind::Close:
      for (auto& [id, connection] : FConnections) {
        if (connection->Closed) continue;
        qInfo("#%d closing the connection", id);
        connection->Socket->disconnectFromHost();
      }
      break;
    case TEventKind::Garbage:
      if (MaySend("garbage"))
        ForEachLoggedIn([&](TConnection& c) {
          qInfo("#%d garbage, %lld bytes", c.Id, static_cast<long long>(event.Bytes.size()));
          c.Writer->SendRaw(event.Bytes);
        });
      break;
    case TEventKind::Split:
      if (MaySend("a split frame"))
        ForEachLoggedIn([&](TConnection& c) {
          qInfo("#%d next frame in %d parts, %d ms apart", c.Id, event.Parts, event.DelayMs);
          c.Writer->SendSplit(event.Bodies.isEmpty() ? ScheduleBody(c) : event.Bodies.front(), event.Parts,
                              event.DelayMs);
        });
      break;
    case TEventKind::Coalesce:
      if (MaySend("coalesced frames"))
        ForEachLoggedIn([&](TConnection& c) {
          const QList<QByteArray> bodies =
              event.Bodies.isEmpty() ? QList<QByteArray>{ScheduleBody(c), ScheduleBody(c)} : event.Bodies;
          qInfo("#%d %lld frames in one write", c.Id, static_cast<long long>(bodies.size()));
          c.Writer->SendCoalesced(bodies);
        });
      break;
    case TEventKind::BrokenHeader:
      if (MaySend("a frame with a broken header"))
        ForEachLoggedIn([&](TConnection& c) {
          qInfo("#%d frame with a broken header", c.Id);
          c.Writer->SendBrokenHeader(event.Bodies.isEmpty() ? ScheduleBody(c) : event.Bodies.front());
        });
      break;
  }
}
