// vireo-preview: the terminal's four content frames in one window, driven from standard input,
// so that platform operators can check their streams and pages before a classroom does.

#include "TPreviewCommand.h"
#include "TPreviewWindow.h"
#include "frames/TWebView.h"

#include <QApplication>
#include <QMetaObject>

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>

namespace {

constexpr const char* kUsage =
    "usage: vireo-preview [--play-url URL] [--video-url URL] [--size WxH]\n"
    "commands on stdin, one a line: live ADDRESS | stoplive | point ADDRESS | loop on|off | list |\n"
    "  preload ADDRESS | notice ADDRESS | cancel | script TEXT | quit\n";

void Fail(const QString& message) {
  std::fprintf(stderr, "vireo-preview: %s\n", qPrintable(message));
  std::fflush(stderr);
}

// Reads lines from a file descriptor as they arrive and hands each to a handler, which returns
// false to stop reading. The end of input acts as quit.
class TCommandReader {
 public:
  TCommandReader(int fd, std::function<bool(const QString&)> handler)
      : FFd(fd), FHandler(std::move(handler)), FNotifier(fd, QSocketNotifier::Read) {
    ::fcntl(FFd, F_SETFL, ::fcntl(FFd, F_GETFL) | O_NONBLOCK);
    QObject::connect(&FNotifier, &QSocketNotifier::activated, [this] { ReadAvailable(); });
  }

 private:
  void ReadAvailable() {
    char chunk[4096];
    for (;;) {
      const ssize_t n = ::read(FFd, chunk, sizeof chunk);
      if (n > 0) {
        FPending.append(chunk, n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      // End of input (or a broken descriptor): the last unterminated line still counts.
      if (!FPending.isEmpty()) FPending.append('\n');
      if (Dispatch()) QCoreApplication::exit(0);
      FNotifier.setEnabled(false);
      return;
    }
    if (!Dispatch()) FNotifier.setEnabled(false);
  }

  // Runs every complete line; false once a handler said stop.
  bool Dispatch() {
    qsizetype end;
    while ((end = FPending.indexOf('\n')) >= 0) {
      const QString line = QString::fromUtf8(FPending.left(end));
      FPending.remove(0, end + 1);
      if (!FHandler(line)) return false;
    }
    return true;
  }

  int FFd;
  std::function<bool(const QString&)> FHandler;
  QSocketNotifier FNotifier;
  QByteArray FPending;
};

}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (arguments == QStringList{QStringLiteral("--help")}) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  QString error;
  const auto options = ParsePreviewOptions(arguments, &error);
  if (!options) {
    Fail(error);
    return 2;
  }

  PrepareWebEngineEnvironment();
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  QApplication::setApplicationName(QStringLiteral("vireo-preview"));

  TPreviewWindow window(*options);
  window.show();
  EmitEvent({{"event", "ready"}});

  // Commands are read as they arrive and run in order on the GUI thread; no thread of our own.
  TCommandReader reader(STDIN_FILENO, [&window](const QString& line) {
    QString failure;
    const auto command = ParsePreviewCommand(line, &failure);
    if (!command) {
      if (failure.isEmpty()) return true;  // an empty line
      Fail(failure);
      QCoreApplication::exit(2);
      return false;
    }
    if (command->Kind == TPreviewCommand::Quit) {
      QCoreApplication::exit(0);
      return false;
    }
    window.Run(*command);
    return true;
  });
  return QApplication::exec();
}
