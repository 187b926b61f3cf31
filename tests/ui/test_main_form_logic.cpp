// The main window's decisions with a fake window and fake frames that write every call into one
// journal, so the order of switching, stopping and starting is checked as well as the result.
// Timer handlers are called by hand.

#include "support/FakeLog.h"
#include "support/QtPrinters.h"
#include "ui/uMainFormLogic.h"
#include "ui/uRemoteMessages.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <stdexcept>

namespace {

QString Name(TPanelId panel) {
  static const char* const names[] = {"None", "MainImg", "DirectPlayer", "PointPlayer", "PointPlayPage", "NotifyPage"};
  return QString::fromLatin1(names[static_cast<int>(panel)]);
}

QString Name(TButtonId button) {
  static const char* const names[] = {"None", "DirectPlay", "PointPlayPage", "Notify"};
  return QString::fromLatin1(names[static_cast<int>(button)]);
}

class FakeDebugLog final : public IDebugLog {
 public:
  void AddLog(const QString& text) override { Lines << text; }
  QStringList Lines;
};

class FakeWindow final : public IMainFormView, public IMainFrames {
 public:
  void SetPanelVisible(TPanelId panel, bool visible) override {
    Journal << (visible ? "show " : "hide ") + Name(panel);
  }
  void SetButtonMarked(TButtonId button, bool marked) override {
    Journal << (marked ? "mark " : "unmark ") + Name(button);
  }
  void PostPresentRequest(int code) override { Journal << QStringLiteral("post %1").arg(code); }
  void Delay(std::chrono::milliseconds wait) override {
    Journal << QStringLiteral("delay %1").arg(wait.count());
    if (DuringDelay) std::exchange(DuringDelay, nullptr)();
  }
  void Sleep(std::chrono::milliseconds wait) override { Journal << QStringLiteral("sleep %1").arg(wait.count()); }
  void ShowTip(const QString& text) override { Journal << "tip " + text; }
  void ShowWindow() override {
    Journal << "ShowWindow";
    Visible = true;
  }
  void HideWindow() override {
    Journal << "HideWindow";
    Visible = false;
  }
  bool WindowVisible() const override { return Visible; }
  void SetWindowTransparent(bool transparent) override { Journal << (transparent ? "transparent" : "opaque"); }
  void SetToolsVisible(bool visible) override {
    Journal << (visible ? "tools on" : "tools off");
    ToolsVisible = visible;
  }
  void GiveUpActivation() override {}
  bool SettingsVisible() const override { return SettingsOpen; }
  void ShowSettings() override { Journal << "ShowSettings"; }
  bool LoggedIn() const override { return IsLoggedIn; }
  void ShowLoginWindow() override { Journal << "ShowLoginWindow"; }
  void SetLoginState(bool visible, const QString& text) override {
    LoginStateVisible = visible;
    LoginStateText = text;
  }
  bool TrayAvailable() const override { return Tray; }
  void Terminate() override { Journal << "Terminate"; }

  void LiveToDo(const TServerMsg& msg) override { Journal << "LiveToDo " + msg.Url; }
  void LiveStop() override { Journal << "LiveStop"; }
  void LiveSetMuted(bool muted) override { Journal << (muted ? "mute" : "unmute"); }
  bool LiveActive() const override { return Live; }
  void SetLiveActive(bool active) override { Live = active; }
  void PointPlayTask(const TServerMsg& msg) override { Journal << "PointPlayTask " + msg.Url; }
  void PointPause() override { Journal << "PointPause"; }
  void PointStop() override {
    Journal << "PointStop";
    if (PointStopFails) throw std::runtime_error("player stuck");
  }
  void PointResume() override { Journal << "PointResume"; }
  void ListLoad() override { Journal << "ListLoad"; }
  void NoticeShow(const TServerMsg& msg) override { Journal << "NoticeShow " + msg.Url; }
  void NoticePreload(const TServerMsg& msg) override { Journal << "NoticePreload " + msg.Url; }
  void NoticeCancelPreload() override { Journal << "NoticeCancelPreload"; }
  void NoticeResume() override { Journal << "NoticeResume"; }

  QStringList Journal;
  std::function<void()> DuringDelay;
  bool Visible = true;
  bool ToolsVisible = true;
  bool SettingsOpen = false;
  bool IsLoggedIn = true;
  bool LoginStateVisible = false;
  QString LoginStateText;
  bool Tray = true;
  bool Live = false;
  bool PointStopFails = false;
};

TServerMsg Msg(TMsgKind kind, TContentType type = ctNone, const QString& url = {}, int id = 1) {
  TServerMsg msg;
  msg.Kind = kind;
  msg.ContentType = type;
  msg.Url = url;
  msg.ScheduleId = id;
  msg.Valid = true;
  return msg;
}

// A schedule whose current task is of this type and runs now (or none for -1).
void SetCurrentTask(TTaskList& list, int taskType) {
  list.Clear();
  list.ResetCurrent();
  if (taskType < 0) return;
  auto task = std::make_shared<TTask>();
  task->ScheduleId = 7;
  task->TaskType = taskType;
  task->SendTime = 1000;
  task->EndTime = 5000;
  task->Data.DirectPlayUrl = task->Data.PointPlayUrl = task->Data.Content = QStringLiteral("u");
  list.ReplaceTasks({task});
  TServerMsg selected;
  list.SelectCurrent(selected);
}

class MainFormLogicTest : public testing::Test {
 protected:
  void SetUp() override {
    AppStatus.Closing = false;
    Logic.FormCreate();
    Window.Journal.clear();
  }

  // Brings the window to a panel through a task, and forgets the journal so far.
  void Present(const TServerMsg& msg) {
    Logic.PresentMsg(msg);
    Window.Journal.clear();
  }

  TIniParams Params;
  TAppStatus AppStatus;
  TTaskList TaskList;
  TFakeLog Log;
  FakeDebugLog Debug;
  FakeWindow Window;
  TMainFormLogic Logic{TMainFormContext{Params, AppStatus, TaskList, Log, Debug}, Window, Window};
};

TEST_F(MainFormLogicTest, CreationShowsTheIdlePictureWithoutLoginState) {
  TFakeLog log;
  FakeWindow window;
  TMainFormLogic logic{TMainFormContext{Params, AppStatus, TaskList, log, Debug}, window, window};
  logic.FormCreate();
  EXPECT_EQ(window.Journal, QStringList{"show MainImg"});
  EXPECT_EQ(logic.CurPanel(), TPanelId::MainImg);
  EXPECT_FALSE(window.LoginStateVisible);
  EXPECT_FALSE(logic.LockScreen());
}

TEST_F(MainFormLogicTest, PresentedMessagesSwitchPanelsAndPostTheirStart) {
  struct Case {
    const char* name;
    std::optional<TServerMsg> before;  // what is on screen first
    TServerMsg msg;
    QStringList journal;
    TPanelId panel;
  };
  const TServerMsg live = Msg(mkTask, ctDirectPlay, "rtmp://a");
  const TServerMsg point = Msg(mkTask, ctPointPlay, "http://v.mp4");
  const TServerMsg notice = Msg(mkTask, ctNotify, "http://n.html");
  const Case cases[] = {
      {"live from idle", {}, live, {"hide MainImg", "show DirectPlayer", "mark DirectPlay", "post 3", "ShowWindow"},
       TPanelId::DirectPlayer},
      // The live frame keeps running: the posted start switches the stream without a blank page.
      {"live on live", live, Msg(mkTask, ctDirectPlay, "rtmp://b", 2), {"post 3", "ShowWindow"},
       TPanelId::DirectPlayer},
      {"on-demand from live", live, point,
       {"hide DirectPlayer", "unmark DirectPlay", "LiveStop", "show PointPlayer", "mark PointPlayPage", "post 2",
        "ShowWindow"},
       TPanelId::PointPlayer},
      // The notice page is asked for a second before its panel replaces the video.
      {"notice from on-demand", point, notice,
       {"post 1", "delay 1000", "hide PointPlayer", "unmark PointPlayPage", "PointPause", "show NotifyPage",
        "mark Notify", "ShowWindow"},
       TPanelId::NotifyPage},
      {"live from notice", notice, live,
       {"hide NotifyPage", "unmark Notify", "NoticeCancelPreload", "show DirectPlayer", "mark DirectPlay", "post 3",
        "ShowWindow"},
       TPanelId::DirectPlayer},
      {"task without content", live, Msg(mkTask, ctNone), {}, TPanelId::DirectPlayer},
      {"preload", live, Msg(mkNoticePreload, ctNotify, "http://p.html"), {"NoticePreload http://p.html"},
       TPanelId::DirectPlayer},
      {"idle", live, Msg(mkIdle),
       {"hide DirectPlayer", "unmark DirectPlay", "LiveStop", "show MainImg", "ShowWindow"}, TPanelId::MainImg},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Logic.PresentMsg(Msg(mkIdle));
    if (c.before) Present(*c.before);
    Window.Journal.clear();
    Logic.PresentMsg(c.msg);
    EXPECT_EQ(Window.Journal, c.journal);
    EXPECT_EQ(Logic.CurPanel(), c.panel);
  }
  EXPECT_EQ(Params.DirectPlayMsg.Url, "rtmp://a");
  EXPECT_EQ(Params.PointPlayMsg.Url, "http://v.mp4");
  EXPECT_EQ(Params.NotifyPageMsg.Url, "http://n.html");
}

TEST_F(MainFormLogicTest, OtherContentEndsTheLiveTaskSoItsReconnectionStops) {
  for (const TContentType type : {ctPointPlay, ctNotify}) {
    Window.Live = true;
    Logic.PresentMsg(Msg(mkTask, type, "x"));
    EXPECT_FALSE(Window.Live);
  }
  Window.Live = true;
  Present(Msg(mkTask, ctDirectPlay, "rtmp://a"));
  Logic.PresentMsg(Msg(mkTaskEnd));
  EXPECT_FALSE(Window.Live);
}

TEST_F(MainFormLogicTest, TheCurrentTasksErrorIsLoggedWhenItIsPresented) {
  SetCurrentTask(TaskList, ttDirectPlay);
  TaskList.CurrentTask()->ErrorCode = "E1";
  TaskList.CurrentTask()->Message = "busy";
  Logic.PresentMsg(Msg(mkTask, ctDirectPlay, "rtmp://a", 7));
  EXPECT_EQ(Debug.Lines, (QStringList{"errorCode:  E1", "Message:   busy", "rtmp://a"}));
}

TEST_F(MainFormLogicTest, TaskEndShowsTheIdlePictureAndHidesTenSecondsLater) {
  Present(Msg(mkTask, ctNotify, "http://n.html"));
  Logic.PresentMsg(Msg(mkTaskEnd));
  EXPECT_EQ(Window.Journal, (QStringList{"hide NotifyPage", "unmark Notify", "NoticeCancelPreload", "show MainImg"}));
  EXPECT_TRUE(Log.Hints.contains(QStringLiteral("任务超时")));
  EXPECT_TRUE(Logic.tmrTimerOutHide().isActive());
  EXPECT_FALSE(Logic.CurMsg().Valid);

  Window.Journal.clear();
  Logic.PresentMsg(Msg(mkTaskEnd));
  EXPECT_TRUE(Window.Journal.isEmpty()) << "a second end changes nothing";
  EXPECT_EQ(Log.Hints.filter("PresentMsg Kind=4").size(), 1) << "and is not described in the log again";

  Logic.tmrTimerOutHideTimer();
  EXPECT_EQ(Window.Journal, QStringList{"HideWindow"});
  EXPECT_FALSE(Logic.tmrTimerOutHide().isActive());
}

TEST_F(MainFormLogicTest, ANewTaskWithinTheTenSecondsKeepsTheWindowUp) {
  Present(Msg(mkTask, ctDirectPlay, "rtmp://a"));
  Logic.PresentMsg(Msg(mkTaskEnd));
  ASSERT_TRUE(Logic.tmrTimerOutHide().isActive());
  Logic.PresentMsg(Msg(mkTask, ctNone));
  EXPECT_FALSE(Logic.tmrTimerOutHide().isActive());
}

TEST_F(MainFormLogicTest, TaskEndOverTheIdlePictureStartsNoHideTimer) {
  Present(Msg(mkTask, ctNone));  // valid, but nothing to show
  Logic.PresentMsg(Msg(mkTaskEnd));
  EXPECT_FALSE(Logic.tmrTimerOutHide().isActive());
  EXPECT_EQ(Logic.CurPanel(), TPanelId::MainImg);
}

TEST_F(MainFormLogicTest, WithoutATrayTheWindowNeverHidesItselfAndSaysWhyOnce) {
  Window.Tray = false;
  Params.AutoHide = true;
  Params.IsFirstUse = true;
  Logic.FormShow();
  EXPECT_FALSE(Logic.tmrHideSelf().isActive());
  EXPECT_TRUE(Params.IsFirstUse);
  Present(Msg(mkTask, ctDirectPlay, "rtmp://a"));
  Logic.PresentMsg(Msg(mkTaskEnd));
  Window.Journal.clear();
  Logic.tmrTimerOutHideTimer();
  EXPECT_TRUE(Window.Journal.isEmpty());
  EXPECT_EQ(Log.Hints.filter(QStringLiteral("系统托盘不可用")).size(), 1);
}

TEST_F(MainFormLogicTest, StartRequestsPauseThenFillTheFrameFromItsSlot) {
  Params.NotifyPageMsg.Url = "n";
  Params.PointPlayMsg.Url = "p";
  Params.DirectPlayMsg.Url = "d";
  const std::pair<int, QStringList> cases[] = {
      {1, {"sleep 100", "NoticeShow n"}}, {2, {"sleep 100", "PointPlayTask p"}}, {3, {"sleep 100", "LiveToDo d"}},
      {4, {"sleep 100", "ListLoad"}},     {0, {"sleep 100"}},                     {5, {"sleep 100"}},
  };
  for (const auto& [code, journal] : cases) {
    Window.Journal.clear();
    Logic.PresentRequest(code);
    EXPECT_EQ(Window.Journal, journal) << code;
  }
}

TEST_F(MainFormLogicTest, AnotherTaskDuringTheNoticeWaitIsNotUndone) {
  // Events are served during the second before the notice panel; a live task arriving then is
  // switched to first, and the notice's own switch follows when the wait ends.
  Window.DuringDelay = [this] { Logic.PresentMsg(Msg(mkTask, ctDirectPlay, "rtmp://a", 2)); };
  Logic.PresentMsg(Msg(mkTask, ctNotify, "http://n.html"));
  EXPECT_EQ(Logic.CurPanel(), TPanelId::NotifyPage);
  EXPECT_EQ(Logic.CurButton(), TButtonId::Notify);
  EXPECT_EQ(Window.Journal.count("post 3"), 1);
}

TEST_F(MainFormLogicTest, ToolsButtonsFollowTheCurrentTask) {
  struct Case {
    int taskType;  // -1: no current task
    void (TMainFormLogic::*button)();
    QStringList journal;
  };
  const QString notLive = TMainFormLogic::kNotLiveTip;
  const QString notNotice = TMainFormLogic::kNotNoticeTip;
  const QString notPoint = TMainFormLogic::kNotPointTip;
  const Case cases[] = {
      {-1, &TMainFormLogic::btnDirectPlayClick, {"tip " + notLive}},
      {ttNotify, &TMainFormLogic::btnDirectPlayClick, {"tip " + notLive}},
      {ttDirectPlay, &TMainFormLogic::btnDirectPlayClick, {"hide MainImg", "show DirectPlayer", "mark DirectPlay", "post 3"}},
      {-1, &TMainFormLogic::btnNotifyClick, {"tip " + notNotice}},
      {ttPointPlay, &TMainFormLogic::btnNotifyClick, {"tip " + notNotice}},
      {ttNotify, &TMainFormLogic::btnNotifyClick, {"post 1", "delay 1000", "hide MainImg", "show NotifyPage", "mark Notify"}},
      {ttDirectPlay, &TMainFormLogic::btnPointPlayPageMouseUp, {"tip " + notPoint}},
      {ttPointPlay, &TMainFormLogic::btnPointPlayPageMouseUp, {}},
      {-1, &TMainFormLogic::btnPointPlayPageMouseUp, {"hide MainImg", "show PointPlayPage", "mark PointPlayPage", "post 4"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.journal.join(", ").toStdString());
    Logic.PresentMsg(Msg(mkIdle));
    Window.Journal.clear();
    SetCurrentTask(TaskList, c.taskType);
    (Logic.*c.button)();
    EXPECT_EQ(Window.Journal, c.journal);
  }
  // The list page loads again when its button is pressed while it is shown; the others do not
  // restart what they show.
  Window.Journal.clear();
  Logic.btnPointPlayPageMouseUp();
  EXPECT_EQ(Window.Journal, QStringList{"post 4"});
  SetCurrentTask(TaskList, ttDirectPlay);
  Logic.btnDirectPlayClick();
  Window.Journal.clear();
  Logic.btnDirectPlayClick();
  EXPECT_TRUE(Window.Journal.isEmpty());
}

TEST_F(MainFormLogicTest, APickedVideoPlaysAndItsEndReturnsToTheListUnlessLooping) {
  TServerMsg picked = Msg(mkTask, ctPointPlay, "http://v/1.mp4");
  Logic.PointPlaySelected(picked);
  EXPECT_EQ(Logic.CurPanel(), TPanelId::PointPlayer);
  EXPECT_EQ(Params.PointPlayMsg.Url, "http://v/1.mp4");
  EXPECT_TRUE(Debug.Lines.contains(QStringLiteral("点击播放点播 ： http://v/1.mp4")));

  Params.LoopPointPlay = true;
  Window.Journal.clear();
  Logic.PointPlayerEndReached();
  EXPECT_TRUE(Window.Journal.isEmpty());
  Params.LoopPointPlay = false;
  Logic.PointPlayerEndReached();
  EXPECT_EQ(Logic.CurPanel(), TPanelId::PointPlayPage);
  EXPECT_TRUE(Window.Journal.contains("post 4"));

  Window.Journal.clear();
  Logic.PointPlayRequestFailed();
  Logic.PageAlert(QStringLiteral("考试通知"));
  EXPECT_EQ(Window.Journal, (QStringList{"tip 加载视频流出错", QStringLiteral("tip 考试通知")}));
}

TEST_F(MainFormLogicTest, LoginStateShowsSixCharactersForThirtySeconds) {
  Params.SvrUser = QStringLiteral("教室ABCDEF");
  Logic.ShowLoginState();
  EXPECT_TRUE(Window.LoginStateVisible);
  EXPECT_EQ(Window.LoginStateText, QStringLiteral("教室ABCD  登录成功"));
  ASSERT_TRUE(Logic.tmrHideLoginState().isActive());
  const int remaining = Logic.tmrHideLoginState().remainingTime();
  Logic.ShowLoginState();
  EXPECT_LE(Logic.tmrHideLoginState().remainingTime(), remaining) << "a second call does not restart it";
  Logic.tmrHideLoginStateTimer();
  EXPECT_FALSE(Window.LoginStateVisible);
  EXPECT_FALSE(Logic.tmrHideLoginState().isActive());
}

TEST_F(MainFormLogicTest, AutoHideMakesTheFirstShowingTransparentAndHidesItOnce) {
  Params.AutoHide = true;
  Params.IsFirstUse = true;
  Logic.FormShow();
  EXPECT_EQ(Window.Journal, QStringList{"transparent"});
  EXPECT_FALSE(Params.IsFirstUse);
  EXPECT_TRUE(Logic.tmrHideSelf().isActive());
  EXPECT_TRUE(Logic.tmrHidePnlTools().isActive());
  Logic.tmrHideSelfTimer();
  EXPECT_EQ(Window.Journal, (QStringList{"transparent", "HideWindow", "opaque"}));

  Window.Journal.clear();
  Logic.FormShow();
  EXPECT_TRUE(Window.Journal.isEmpty()) << "later showings are normal";

  Params.AutoHide = false;
  Params.IsFirstUse = true;
  Logic.FormShow();
  EXPECT_TRUE(Window.Journal.isEmpty());
}

TEST_F(MainFormLogicTest, ToolsBarHidesAfterSixSecondsAndClicksBringItBack) {
  Logic.tmrHidePnlToolsTimer();
  EXPECT_FALSE(Window.ToolsVisible);
  Logic.MouseActivate();
  EXPECT_TRUE(Window.ToolsVisible);
  EXPECT_TRUE(Logic.tmrHidePnlTools().isActive());

  // Open settings keep the bar; a hidden window is left alone.
  Window.SettingsOpen = true;
  Logic.tmrHidePnlToolsTimer();
  EXPECT_TRUE(Window.ToolsVisible);
  EXPECT_FALSE(Logic.tmrHidePnlTools().isActive());
  Window.SettingsOpen = false;
  Window.Visible = false;
  Logic.tmrHidePnlToolsTimer();
  EXPECT_TRUE(Window.ToolsVisible);
  Window.Visible = true;
  Logic.tmrHidePnlToolsTimer();
  EXPECT_FALSE(Window.ToolsVisible);
}

TEST_F(MainFormLogicTest, LockedToolsBarStaysHiddenUntilUnlockedAndClicked) {
  Logic.SetLockScreen(true);
  EXPECT_FALSE(Window.ToolsVisible);
  EXPECT_FALSE(Logic.tmrHidePnlTools().isActive());
  Logic.MouseActivate();
  EXPECT_FALSE(Window.ToolsVisible);
  Window.ToolsVisible = true;  // shown some other way
  Logic.SetLockScreen(true);
  EXPECT_FALSE(Window.ToolsVisible) << "every schedule message hides it again while locked";

  Logic.SetLockScreen(false);
  EXPECT_FALSE(Logic.LockScreen());
  EXPECT_FALSE(Window.ToolsVisible);
  Logic.MouseActivate();
  EXPECT_TRUE(Window.ToolsVisible);
}

TEST_F(MainFormLogicTest, HidingSilencesAndATrayClickResumesWhatWasShown) {
  struct Case {
    TContentType type;
    QString resume;
  };
  for (const Case& c : {Case{ctDirectPlay, "unmute"}, Case{ctPointPlay, "PointResume"}, Case{ctNotify, "NoticeResume"}}) {
    Present(Msg(mkTask, c.type, "x"));
    Logic.btnCloseClick();
    EXPECT_EQ(Window.Journal, (QStringList{"PointPause", "mute", "NoticeCancelPreload", "HideWindow"}));
    EXPECT_TRUE(Logic.CurMsg().Valid);
    Window.Journal.clear();
    Logic.CoolTrayIcon1Click();
    EXPECT_EQ(Window.Journal, (QStringList{c.resume, "ShowWindow"}));
  }
  // The system close command and "Power Off" only hide.
  Window.Journal.clear();
  Logic.FormCloseQuery();
  EXPECT_EQ(Window.Journal.last(), "HideWindow");
}

TEST_F(MainFormLogicTest, TrayClickBeforeLoginOrWhileExitingNeverShowsTheMainWindow) {
  Window.IsLoggedIn = false;
  Logic.CoolTrayIcon1Click();
  EXPECT_EQ(Window.Journal, QStringList{"ShowLoginWindow"});
  Window.Journal.clear();
  Window.IsLoggedIn = true;
  AppStatus.Closing = true;
  Logic.CoolTrayIcon1Click();
  EXPECT_TRUE(Window.Journal.isEmpty());
  // Logged in without a task: the window comes up with whatever it shows.
  AppStatus.Closing = false;
  Logic.CoolTrayIcon1Click();
  EXPECT_EQ(Window.Journal, QStringList{"ShowWindow"});
}

TEST_F(MainFormLogicTest, ExitStopsTheFramesAndEndsTwoSecondsLaterEvenWhenAStopFails) {
  for (const bool fails : {false, true}) {
    SCOPED_TRACE(fails);
    AppStatus.Closing = false;
    Window.Visible = true;
    Window.PointStopFails = fails;
    Window.Journal.clear();
    Logic.N4Click();
    EXPECT_TRUE(AppStatus.Closing);
    EXPECT_EQ(Window.Journal, (QStringList{"HideWindow", "LiveStop", "NoticeCancelPreload", "PointStop"}));
    EXPECT_TRUE(Logic.tmrClose().isActive());
    Logic.tmrCloseTimer();
    EXPECT_EQ(Window.Journal.last(), "Terminate");
    EXPECT_FALSE(Logic.tmrClose().isActive());
  }
}

TEST_F(MainFormLogicTest, RemoteMessagesStopAFrameOrExit) {
  const std::tuple<quint32, qint64, QStringList> cases[] = {
      {kWmRemoteStop, 1, {"PointPause"}},
      {kWmRemoteStop, 2, {"LiveStop"}},
      {kWmRemoteStop, 3, {}},
      {0x40E, 1, {}},
      {kWmRemoteExit, 0, {"HideWindow", "LiveStop", "NoticeCancelPreload", "PointStop"}},
  };
  Present(Msg(mkTask, ctDirectPlay, "rtmp://a"));
  for (const auto& [message, wParam, journal] : cases) {
    Window.Journal.clear();
    Logic.RemoteMessage(message, wParam);
    EXPECT_EQ(Window.Journal, journal) << message << " " << wParam;
    EXPECT_EQ(Logic.CurPanel(), TPanelId::DirectPlayer) << "the panel is not changed";
  }
  EXPECT_TRUE(AppStatus.Closing);
}

TEST(VersionText, SecondAndThirdPartsOfTheFileVersion) {
  const std::pair<const char*, const char*> cases[] = {
      {"1.2.53.3", "2.53"}, {"2.6.0.148", "6.0"}, {"1.2.3", "2.3"}, {"1.2", ""}, {"", ""}, {"7", ""},
  };
  for (const auto& [version, text] : cases) EXPECT_EQ(VersionTextOf(version), text) << version;
}

}  // namespace

int main(int argc, char** argv) {
  // The timers need an application object; nothing here runs its loop.
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
