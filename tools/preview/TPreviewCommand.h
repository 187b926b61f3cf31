#pragma once
// The preview's input: one command a line.

#include <QSize>
#include <QString>

#include <optional>

struct TPreviewCommand {
  enum TKind { Live, StopLive, Point, Loop, List, Preload, Notice, Cancel, Script, Quit };
  TKind Kind;
  QString Argument;  // the address or script text as typed; "on"/"off" for Loop
};

// The command on a line, or nothing with error set. An empty line is no command and no error.
std::optional<TPreviewCommand> ParsePreviewCommand(const QString& line, QString* error);

struct TPreviewOptions {
  QString PlayUrl;
  QString VideoUrl;
  QSize Size{1280, 720};
};

// The options of the command line (without the program name), or nothing with error set.
std::optional<TPreviewOptions> ParsePreviewOptions(const QStringList& arguments, QString* error);
