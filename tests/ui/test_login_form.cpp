// The login window: the checks before a login starts, what it stores, the progress the controller
// reports back, and the modal wait that outlives a trip to the tray.

#include "UiFakes.h"
#include "support/QtPrinters.h"
#include "ui/FrmLogins.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TIniParams StoredSettings() {
  TIniParams params;
  params.SvrHost = QStringLiteral("10.0.0.1");
  params.SvrPort = 9000;
  params.SvrUser = QStringLiteral("t01");
  params.SvrPassword = QStringLiteral("pw");
  params.AutoHide = true;
  params.AutoHideCaption = kAutoHideCaption;
  return params;
}

class LoginFormTest : public ::testing::Test {
 protected:

  // Fills the four edits as a person would have typed them.
  void Type(const QString& host, const QString& port, const QString& user, const QString& password) {
    FForm.edtHost()->setText(host);
    FForm.edtPort()->setText(port);
    FForm.edtUser()->setText(user);
    FForm.edtPassword()->setText(password);
  }

  QString Status() const { return FForm.pnlStatus()->isHidden() ? QString() : FForm.pnlStatus()->text(); }

  TIniParams FParams = StoredSettings();
  TFakeControl FControl{FParams};
  TFakeMessages FMessages;
  TLoginForm FForm{FParams, FControl, FMessages, QStringLiteral("2.6.0.41")};
};

TEST_F(LoginFormTest, StartsFilledFromTheSettingsHiddenWithNoLogin) {
  EXPECT_EQ(FForm.edtHost()->text(), "10.0.0.1");
  EXPECT_EQ(FForm.edtPort()->text(), "9000");
  EXPECT_EQ(FForm.edtUser()->text(), "t01");
  EXPECT_EQ(FForm.edtPassword()->text(), "pw");
  EXPECT_EQ(FForm.edtPassword()->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(FForm.cbAppAutoHide()->isChecked());
  EXPECT_EQ(FForm.cbAppAutoHide()->text(), kAutoHideCaption);
  EXPECT_EQ(FForm.lbVer()->text(), "v2.6.0.41");
  EXPECT_EQ(FForm.pos(), QPoint(812, 200));
  EXPECT_FALSE(FForm.IsVisible());
  EXPECT_FALSE(FForm.LoggedIn());
  EXPECT_FALSE(FForm.tmrCheckSvr()->isActive());
  EXPECT_EQ(FForm.tmrCheckSvr()->interval(), 5000);
}

struct RejectCase {
  const char* host;
  const char* port;
  const char* user;
  const char* message;
};

void PrintTo(const RejectCase& c, std::ostream* os) { *os << '"' << c.host << "\" \"" << c.port << "\" \"" << c.user << '"'; }

class LoginRejectTest : public LoginFormTest, public ::testing::WithParamInterface<RejectCase> {};

TEST_P(LoginRejectTest, ShowsTheFirstFailedCheckAndStartsNothing) {
  const RejectCase& c = GetParam();
  FForm.Show();
  Type(c.host, c.port, c.user, QStringLiteral("x"));
  FForm.btnOkClick();
  EXPECT_THAT(FMessages.Texts, ElementsAre(QString::fromUtf8(c.message)));
  EXPECT_THAT(FControl.Calls, IsEmpty());
  EXPECT_TRUE(FForm.btnOk()->isEnabled());
  EXPECT_EQ(FParams.SvrHost, "10.0.0.1");
  EXPECT_EQ(FParams.SvrUser, "t01");
}

INSTANTIATE_TEST_SUITE_P(
    Fields, LoginRejectTest,
    ::testing::Values(RejectCase{"10.0.0.256", "9000", "t01", "IP填写错误！"},
                      RejectCase{"10.0.1", "9000", "t01", "IP填写错误！"},
                      RejectCase{"server.local", "0", "", "IP填写错误！"},  // the first failure only
                      RejectCase{" 10.0.0.1", "9000", "t01", "IP填写错误！"},
                      RejectCase{"10.0.0.1", "0", "t01", "端口填写错误！"},
                      RejectCase{"10.0.0.1", "65535", "t01", "端口填写错误！"},
                      RejectCase{"10.0.0.1", "abc", "t01", "端口填写错误！"},
                      RejectCase{"10.0.0.1", "9000", "   ", "用户名不能为空！"}));

TEST_F(LoginFormTest, BlankUserIsSelectedAndFocusedForRetyping) {
  FForm.Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&FForm));
  FForm.edtHost()->setFocus();
  Type(QStringLiteral("10.0.0.1"), QStringLiteral("9000"), QStringLiteral("  "), QString());
  FForm.btnOkClick();
  EXPECT_THAT(FMessages.Texts, ElementsAre("用户名不能为空！"));
  EXPECT_TRUE(FForm.edtUser()->hasFocus());
  EXPECT_EQ(FForm.edtUser()->selectedText(), "  ");
}

TEST_F(LoginFormTest, ValidFieldsAreStoredTrimmedSavedAndConnected) {
  FForm.Show();
  FParams.AutoHide = true;
  Type(QStringLiteral("192.168.10.254"), QStringLiteral("65534"), QStringLiteral(" t02 "), QStringLiteral(" "));
  FForm.cbAppAutoHide()->setChecked(false);
  FForm.btnOkClick();

  EXPECT_THAT(FMessages.Texts, IsEmpty());
  EXPECT_THAT(FControl.Calls, ElementsAre("SaveSettings", "ConnectTo 192.168.10.254:65534"));
  ASSERT_EQ(FControl.Saved.size(), 1u);
  const TIniParams& saved = FControl.Saved[0];
  EXPECT_EQ(saved.SvrHost, "192.168.10.254");
  EXPECT_EQ(saved.SvrPort, 65534);
  EXPECT_EQ(saved.SvrUser, "t02");
  EXPECT_EQ(saved.SvrPassword, "");  // an empty password is allowed
  EXPECT_FALSE(saved.AutoHide);
  EXPECT_EQ(FForm.LastHost(), "192.168.10.254");
  EXPECT_EQ(FForm.LastPort(), 65534);
  EXPECT_FALSE(FForm.btnOk()->isEnabled());
  EXPECT_EQ(Status(), "连接中......");
}

TEST_F(LoginFormTest, ProgressReportsSetTheStatusAndReleaseTheButton) {
  FForm.Show();
  FForm.btnOkClick();
  ASSERT_FALSE(FForm.btnOk()->isEnabled());

  FForm.Connected();
  EXPECT_EQ(Status(), "登录中......");
  EXPECT_FALSE(FForm.btnOk()->isEnabled());
  ASSERT_TRUE(FForm.tmrCheckSvr()->isActive());
  const int timerId = FForm.tmrCheckSvr()->timerId();
  FForm.Connected();  // a running check is not restarted
  EXPECT_EQ(FForm.tmrCheckSvr()->timerId(), timerId);

  FForm.LoginSucceeded();
  FForm.LoginFailed(QStringLiteral("密码错误"));
  EXPECT_EQ(Status(), "登陆服务器失败！ 密码错误");
  EXPECT_TRUE(FForm.btnOk()->isEnabled());
  EXPECT_FALSE(FForm.LoggedIn()) << "a refused login ends the session";

  FForm.btnOkClick();
  FForm.ConnectFailed(10061);
  EXPECT_EQ(Status(), "连接服务器失败！错误代码 10061");
  EXPECT_TRUE(FForm.btnOk()->isEnabled());
  EXPECT_FALSE(FForm.LoggedIn());
}

TEST_F(LoginFormTest, CheckTimerReleasesOnlyALoginStillWaiting) {
  FForm.Show();
  FForm.btnOkClick();
  FForm.Connected();
  FForm.tmrCheckSvrTimer();
  EXPECT_FALSE(FForm.tmrCheckSvr()->isActive());
  EXPECT_TRUE(FForm.btnOk()->isEnabled());
  EXPECT_EQ(Status(), "服务器未响应");

  // The button already released by a failure: the failure's text stays.
  FForm.btnOkClick();
  FForm.LoginFailed(QStringLiteral("x"));
  FForm.tmrCheckSvrTimer();
  EXPECT_EQ(Status(), "登陆服务器失败！ x");

  // Logged in: nothing to release.
  FForm.btnOkClick();
  FForm.Connected();
  FForm.LoginSucceeded();
  FForm.tmrCheckSvrTimer();
  EXPECT_FALSE(FForm.tmrCheckSvr()->isActive());
  EXPECT_FALSE(FForm.btnOk()->isEnabled());
  EXPECT_EQ(Status(), "登录中......");
}

TEST_F(LoginFormTest, ShowingAgainDiscardsTypingAndPlacesTheWindow) {
  FForm.Show();
  FForm.move(500, 300);
  Type(QStringLiteral("1.1.1.1"), QStringLiteral("1"), QStringLiteral("typed"), QStringLiteral("typed"));
  FForm.SetStatus(QStringLiteral("连接中......"));
  FForm.close();  // the system close only hides
  EXPECT_FALSE(FForm.IsVisible());
  EXPECT_EQ(FForm.pos(), QPoint(500, -10000));

  FForm.Show();
  EXPECT_TRUE(FForm.IsVisible());
  EXPECT_EQ(FForm.pos(), QPoint(500, 200));
  EXPECT_EQ(FForm.edtHost()->text(), "10.0.0.1");
  EXPECT_EQ(FForm.edtUser()->text(), "t01");
  EXPECT_EQ(Status(), "连接中......");  // a configured host keeps its last status

  FForm.Hide();
  FParams.SvrHost.clear();
  FForm.Show();
  EXPECT_EQ(FForm.edtHost()->text(), "");
  EXPECT_TRUE(FForm.pnlStatus()->isHidden());
  EXPECT_TRUE(FForm.btnOk()->isEnabled());
}

TEST_F(LoginFormTest, ModalWaitOutlivesHidingAndEndsWithTheLogin) {
  QStringList steps;
  QTimer::singleShot(0, &FForm, [&] {
    steps << QStringLiteral("visible=%1").arg(FForm.IsVisible());
    FForm.Hide();  // to the tray
    QTimer::singleShot(20, &FForm, [&] {
      steps << QStringLiteral("hidden=%1").arg(!FForm.IsVisible());
      FForm.Show();  // back from the tray
      FForm.btnOkClick();
      FForm.Connected();
      QTimer::singleShot(20, &FForm, [&] { FForm.LoginSucceeded(); });
    });
  });
  EXPECT_TRUE(FForm.ShowLoginModal());
  EXPECT_THAT(steps, ElementsAre("visible=1", "hidden=1"));
  EXPECT_TRUE(FForm.LoggedIn());
  EXPECT_FALSE(FForm.IsVisible());
  EXPECT_THAT(FControl.Calls, ElementsAre("SaveSettings", "ConnectTo 10.0.0.1:9000", "SaveSettings"));
}

TEST_F(LoginFormTest, EnterReleasedInAnEditStartsTheLogin) {
  FForm.Show();
  QTest::keyRelease(FForm.edtPassword(), Qt::Key_Return);
  EXPECT_THAT(FControl.Calls, ElementsAre("SaveSettings", "ConnectTo 10.0.0.1:9000"));
  // Also while a login is already under way (the button is disabled then).
  QTest::keyRelease(FForm.edtHost(), Qt::Key_Enter);
  EXPECT_EQ(FControl.Calls.size(), 4);
  EXPECT_EQ(Status(), "连接中......");
}

TEST_F(LoginFormTest, EnterThatClosedAMessageDoesNotRepeatIt) {
  FForm.Show();
  FForm.edtHost()->setText(QStringLiteral("bad"));
  QTest::keyClick(FForm.edtHost(), Qt::Key_Return);
  // The message box took the press; its release reaches the edit.
  QTest::keyRelease(FForm.edtHost(), Qt::Key_Return);
  EXPECT_THAT(FMessages.Texts, ElementsAre("IP填写错误！"));
  QTest::keyClick(FForm.edtHost(), Qt::Key_Return);
  EXPECT_EQ(FMessages.Texts.size(), 2);
}

TEST_F(LoginFormTest, ModalWaitEndsWhenTheApplicationExits) {
  QTimer::singleShot(0, &FForm, [] { QCoreApplication::exit(0); });
  EXPECT_FALSE(FForm.ShowLoginModal());
  // Outside QCoreApplication::exec an exit stays in force and every later loop returns at once;
  // exec clears it, so the cases after this one in the same process can wait again.
  QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

}  // namespace
