// The terminal's readiness and watchdog messages, received on a datagram socket standing in for
// the service manager's NOTIFY_SOCKET.

#include "platform/TServiceNotify.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

void RunLoop(std::chrono::milliseconds duration) {
  QEventLoop loop;
  QTimer::singleShot(duration, &loop, &QEventLoop::quit);
  loop.exec();
}

class ServiceNotifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FDir.isValid());
    const std::string path = FDir.filePath(QStringLiteral("notify")).toStdString();
    FSocket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    ASSERT_GE(FSocket, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof(address.sun_path));
    path.copy(address.sun_path, path.size());
    ASSERT_EQ(::bind(FSocket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ::setenv("NOTIFY_SOCKET", path.c_str(), 1);
    SetWatchdog("400000", ::getpid());
  }

  void TearDown() override {
    ::unsetenv("NOTIFY_SOCKET");
    ::unsetenv("WATCHDOG_USEC");
    ::unsetenv("WATCHDOG_PID");
    if (FSocket >= 0) ::close(FSocket);
  }

  static void SetWatchdog(const char* usec, pid_t pid) {
    ::setenv("WATCHDOG_USEC", usec, 1);
    ::setenv("WATCHDOG_PID", std::to_string(pid).c_str(), 1);
  }

  // Every message queued on the socket so far, oldest first.
  std::vector<std::string> Received() {
    std::vector<std::string> messages;
    char buffer[256];
    for (;;) {
      const ssize_t n = ::recv(FSocket, buffer, sizeof(buffer), 0);
      if (n < 0) break;
      messages.emplace_back(buffer, static_cast<size_t>(n));
    }
    return messages;
  }

  static long Count(const std::vector<std::string>& messages, const std::string& what) {
    return std::count(messages.begin(), messages.end(), what);
  }

  QTemporaryDir FDir;
  int FSocket = -1;
};

TEST_F(ServiceNotifyTest, PingsOnlyWhileTheEventLoopTurns) {
  TServiceNotify notify;
  ASSERT_EQ(notify.WatchdogPeriod(), 200ms);

  RunLoop(1000ms);
  const std::vector<std::string> running = Received();
  ASSERT_FALSE(running.empty());
  EXPECT_EQ(running.front(), "READY=1");
  EXPECT_GE(Count(running, "WATCHDOG=1"), 3);
  EXPECT_EQ(Count(running, "WATCHDOG=1"), static_cast<long>(running.size()) - 1);

  // A GUI thread stuck outside its event loop must fall silent, so the manager's deadline passes.
  std::this_thread::sleep_for(1000ms);
  EXPECT_TRUE(Received().empty());

  // Back in the loop, the pings resume.
  RunLoop(500ms);
  EXPECT_GE(Count(Received(), "WATCHDOG=1"), 1);

  notify.Stopping();
  RunLoop(500ms);
  EXPECT_EQ(Received(), std::vector<std::string>{"STOPPING=1"});
}

TEST_F(ServiceNotifyTest, EndOfTheApplicationLoopSendsStopping) {
  TServiceNotify notify;
  QTimer::singleShot(300ms, QCoreApplication::instance(), &QCoreApplication::quit);
  QCoreApplication::exec();
  const std::vector<std::string> messages = Received();
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages.front(), "READY=1");
  EXPECT_EQ(messages.back(), "STOPPING=1");
  notify.Stopping();  // once only
  EXPECT_TRUE(Received().empty());
}

// The period follows the manager's deadline: half of it, at most 10 s, and none for a watchdog that
// belongs to another process (a helper that inherited the environment).
TEST_F(ServiceNotifyTest, PeriodFollowsTheDeadline) {
  const struct {
    const char* usec;
    bool ours;
    std::chrono::milliseconds period;
  } cases[] = {
      {"400000", true, 200ms},      {"30000000", true, 10000ms}, {"20000000", true, 10000ms},
      {"19000000", true, 9500ms},   {"400000", false, 0ms},      {"0", true, 0ms},
      {"not a number", true, 0ms},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.usec) + (c.ours ? " ours" : " another process"));
    SetWatchdog(c.usec, c.ours ? ::getpid() : ::getpid() + 1);
    const TServiceNotify notify;
    EXPECT_EQ(notify.WatchdogPeriod(), c.period);
    EXPECT_EQ(Received(), std::vector<std::string>{"READY=1"});
  }
}

TEST_F(ServiceNotifyTest, SilentWithoutAManager) {
  ::unsetenv("NOTIFY_SOCKET");
  TServiceNotify notify;
  EXPECT_EQ(notify.WatchdogPeriod(), 0ms);
  RunLoop(300ms);
  notify.Stopping();
  EXPECT_TRUE(Received().empty());
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
