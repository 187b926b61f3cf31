#pragma once
// The stand-in platform's TCP side: accepts terminals on 127.0.0.1, answers their login and
// heartbeat messages, and carries out the scenario's timeline (schedules, update offers, raw
// frames and faults) on every logged-in connection.

#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTimer>
#include <map>
#include <memory>

#include "TFrameWriter.h"
#include "TMessageSplitter.h"
#include "TRecorder.h"
#include "TScenario.h"
#include "TScheduleBuilder.h"
#include "TTimeline.h"

class TPlatformServer {
 public:
  TPlatformServer(TScenario scenario, TRecorder& recorder);
  ~TPlatformServer();

  // Returns the port, or 0 with error set.
  quint16 Listen(quint16 port, QString* error);

 private:
  struct TConnection {
    int Id = 0;
    QTcpSocket* Socket = nullptr;  // deleted with deleteLater once closed
    TMessageSplitter Splitter;
    std::unique_ptr<TFrameWriter> Writer;
    bool LoggedIn = false;
    bool Closed = false;
    TTaskMemory Memory;
  };

  void Accept();
  void Read(TConnection& connection);
  void Handle(TConnection& connection, const nlohmann::json& message);
  void AnswerLogin(TConnection& connection, const nlohmann::json& message);
  void AnswerHeartbeat(TConnection& connection);
  void Apply(const TTimelineEvent& event);
  // False, with a log line, while the platform is silent.
  bool MaySend(const char* what) const;
  QByteArray ScheduleBody(TConnection& connection);
  template <typename F>
  void ForEachLoggedIn(F&& action);

  TScenarioLogin FLogin;
  TRecorder& FRecorder;
  TScheduleBuilder FSchedule;
  TTimeline FTimeline;
  QTcpServer FServer;
  std::map<int, std::unique_ptr<TConnection>> FConnections;
  int FNextId = 1;
  QDeadlineTimer FSilence;  // expired unless a silence fault is running
  QTimer FSilenceOver;      // only to log the end of a silence
};
