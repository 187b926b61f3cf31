#pragma once
// What one received message body does to the terminal's state, in one place: the terminal, the
// protocol inspector and the receive fuzzer all go through it, so the tools exercise exactly what
// the terminal does.

#include "platform/uLogSink.h"
#include "protocol/uMyRecords.h"
#include "schedule/uTaskList.h"

#include <QString>

struct TReceivedMsg {
  TServerMsg Msg;      // the decoded record; a schedule keeps its tasks (shared with the list)
  TUpdateData Update;  // the update offer, decoded for a valid message only
};

// Decodes the body (a login reply stores its play page address in playUrl); a valid schedule
// then replaces the list's tasks, and a valid message's update offer is decoded.
TReceivedMsg ReceiveMessage(const QString& body, QString& playUrl, ILogSink& log, TTaskList& list);
