#include "TPreviewCommand.h"

#include <QRegularExpression>
#include <QStringList>

#include <map>

namespace {

struct TVerb {
  TPreviewCommand::TKind Kind;
  bool TakesArgument;
};

const std::map<QString, TVerb>& Verbs() {
  static const std::map<QString, TVerb> verbs = {
      {"live", {TPreviewCommand::Live, true}},       {"stoplive", {TPreviewCommand::StopLive, false}},
      {"point", {TPreviewCommand::Point, true}},     {"loop", {TPreviewCommand::Loop, true}},
      {"list", {TPreviewCommand::List, false}},      {"preload", {TPreviewCommand::Preload, true}},
      {"notice", {TPreviewCommand::Notice, true}},   {"cancel", {TPreviewCommand::Cancel, false}},
      {"script", {TPreviewCommand::Script, true}},   {"quit", {TPreviewCommand::Quit, false}},
  };
  return verbs;
}

}  // namespace

std::optional<TPreviewCommand> ParsePreviewCommand(const QString& line, QString* error) {
  QString text = line;
  if (text.endsWith(u'\r')) text.chop(1);  // input written on Windows
  if (text.trimmed().isEmpty()) {
    error->clear();
    return std::nullopt;
  }
  // The argument is the rest of the line after one space, unchanged: an address with a leading
  // blank is a case worth previewing.
  const qsizetype space = text.indexOf(u' ');
  const QString verb = space < 0 ? text : text.left(space);
  const QString argument = space < 0 ? QString() : text.mid(space + 1);
  const auto it = Verbs().find(verb);
  if (it == Verbs().end()) {
    *error = QStringLiteral("unknown command: %1").arg(verb);
    return std::nullopt;
  }
  if (!it->second.TakesArgument && space >= 0 && !argument.trimmed().isEmpty()) {
    *error = QStringLiteral("%1 takes no argument").arg(verb);
    return std::nullopt;
  }
  if (it->second.Kind == TPreviewCommand::Loop && argument != u"on" && argument != u"off") {
    *error = QStringLiteral("loop takes on or off");
    return std::nullopt;
  }
  if (it->second.Kind == TPreviewCommand::Script && argument.trimmed().isEmpty()) {
    *error = QStringLiteral("script takes a script text");
    return std::nullopt;
  }
  return TPreviewCommand{it->second.Kind, it->second.TakesArgument ? argument : QString()};
}

std::optional<TPreviewOptions> ParsePreviewOptions(const QStringList& arguments, QString* error) {
  TPreviewOptions options;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& name = arguments[i];
    if (name != u"--play-url" && name != u"--video-url" && name != u"--size") {
      *error = QStringLiteral("unknown option: %1").arg(name);
      return std::nullopt;
    }
    if (i + 1 >= arguments.size()) {
      *error = QStringLiteral("%1 needs a value").arg(name);
      return std::nullopt;
    }
    const QString& value = arguments[++i];
    if (name == u"--play-url") {
      options.PlayUrl = value;
    } else if (name == u"--video-url") {
      options.VideoUrl = value;
    } else {
      static const QRegularExpression kSize(QStringLiteral(R"(^(\d{1,5})x(\d{1,5})$)"));
      const QRegularExpressionMatch match = kSize.match(value);
      const int width = match.hasMatch() ? match.captured(1).toInt() : 0;
      const int height = match.hasMatch() ? match.captured(2).toInt() : 0;
      if (width < 1 || height < 1 || width > 16384 || height > 16384) {
        *error = QStringLiteral("--size takes WIDTHxHEIGHT, e.g. 1280x720: %1").arg(value);
        return std::nullopt;
      }
      options.Size = QSize(width, height);
    }
  }
  return options;
}
