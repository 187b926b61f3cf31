// The settings window: what a confirmed change stores, and when it makes the terminal drop its
// schedule and log in again.

#include "UiFakes.h"
#include "support/QtPrinters.h"
#include "ui/FrmSettings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QScreen>

#include <functional>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class SettingFormTest : public ::testing::Test {
 protected:
  SettingFormTest() {
    FParams.SvrHost = QStringLiteral("10.0.0.1");
    FParams.SvrPort = 9000;
    FParams.SvrUser = QStringLiteral("t01");
    FParams.SvrPassword = QStringLiteral("pw");
    FParams.AutoHide = true;
    FParams.LoopPointPlay = true;
    FParams.AutoHideCaption = kAutoHideCaption;
    FForm.show();
  }

  TIniParams FParams;
  TFakeControl FControl{FParams};
  TFakeMessages FMessages;
  TSettingForm FForm{FParams, FControl, FMessages};
};

TEST_F(SettingFormTest, ShowsTheStoredSettingsCentred) {
  EXPECT_EQ(FForm.edtHost()->text(), "10.0.0.1");
  EXPECT_EQ(FForm.edtPort()->text(), "9000");
  EXPECT_EQ(FForm.edtUser()->text(), "t01");
  EXPECT_EQ(FForm.edtPassword()->text(), "pw");
  EXPECT_EQ(FForm.edtPassword()->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(FForm.cbAppAutoHide()->isChecked());
  EXPECT_EQ(FForm.cbAppAutoHide()->text(), kAutoHideCaption);
  EXPECT_TRUE(FForm.cbLoopPointPlay()->isChecked());
  EXPECT_EQ(FForm.size(), QSize(385, 345));
  EXPECT_EQ(FForm.geometry().center(), FForm.screen()->geometry().center());
}

struct ChangeCase {
  const char* name;
  std::function<void(TSettingForm&)> edit;
  QStringList calls;
  const char* message;  // "" when accepted
};

void PrintTo(const ChangeCase& c, std::ostream* os) { *os << c.name; }

class SettingChangeTest : public SettingFormTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(SettingChangeTest, StoresAndLogsInAgainOnlyForAnotherServerOrAccount) {
  const ChangeCase& c = GetParam();
  c.edit(FForm);
  const TIniParams before = FParams;
  FForm.btnOkClick();
  EXPECT_THAT(FControl.Calls, ElementsAreArray(c.calls));
  if (*c.message) {
    EXPECT_THAT(FMessages.Texts, ElementsAre(QString::fromUtf8(c.message)));
    EXPECT_TRUE(FForm.isVisible());
    EXPECT_EQ(FParams.SvrHost, before.SvrHost);
    EXPECT_EQ(FParams.LoopPointPlay, before.LoopPointPlay);
    return;
  }
  EXPECT_THAT(FMessages.Texts, IsEmpty());
  EXPECT_FALSE(FForm.isVisible());
  ASSERT_FALSE(FControl.Saved.empty());
  const TIniParams& saved = FControl.Saved[0];
  EXPECT_EQ(saved.SvrHost, FForm.edtHost()->text().trimmed());
  EXPECT_EQ(saved.SvrPort, FForm.edtPort()->text().toInt());
  EXPECT_EQ(saved.SvrUser, FForm.edtUser()->text().trimmed());
  EXPECT_EQ(saved.SvrPassword, FForm.edtPassword()->text().trimmed());
  EXPECT_EQ(saved.AutoHide, FForm.cbAppAutoHide()->isChecked());
  EXPECT_EQ(saved.LoopPointPlay, FForm.cbLoopPointPlay()->isChecked());
}

const QStringList kSaveOnly{QStringLiteral("SaveSettings")};
const QStringList kRelogin{QStringLiteral("SaveSettings"), QStringLiteral("StopTasks"), QStringLiteral("Relogin")};

INSTANTIATE_TEST_SUITE_P(
    Changes, SettingChangeTest,
    ::testing::Values(
        ChangeCase{"LoopOnly", [](TSettingForm& f) { f.cbLoopPointPlay()->setChecked(false); }, kSaveOnly, ""},
        ChangeCase{"AutoHideOnly", [](TSettingForm& f) { f.cbAppAutoHide()->setChecked(false); }, kSaveOnly, ""},
        ChangeCase{"BlanksAroundTheSameUser", [](TSettingForm& f) { f.edtUser()->setText(" t01 "); }, kSaveOnly,
                   ""},
        ChangeCase{"Password", [](TSettingForm& f) { f.edtPassword()->setText("pw2"); }, kRelogin, ""},
        ChangeCase{"Port", [](TSettingForm& f) { f.edtPort()->setText("9001"); }, kRelogin, ""},
        ChangeCase{"Host", [](TSettingForm& f) { f.edtHost()->setText("10.0.0.2"); }, kRelogin, ""},
        ChangeCase{"EmptyUser", [](TSettingForm& f) { f.edtUser()->clear(); }, kRelogin, ""},
        ChangeCase{"HostName",
                   [](TSettingForm& f) {
                     f.edtHost()->setText("server.local");
                     f.cbLoopPointPlay()->setChecked(false);
                   },
                   {}, "IP填写错误！"},
        ChangeCase{"PortAboveRange", [](TSettingForm& f) { f.edtPort()->setText("65535"); }, {}, "端口填写错误！"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingFormTest, CancelStoresNothingAndShowingAgainShowsTheStoredValues) {
  FForm.move(10, 10);
  FForm.edtHost()->setText(QStringLiteral("10.9.9.9"));
  FForm.edtPassword()->setText(QStringLiteral("other"));
  FForm.cbLoopPointPlay()->setChecked(false);
  FForm.btnCancelClick();
  EXPECT_FALSE(FForm.isVisible());
  EXPECT_THAT(FControl.Calls, IsEmpty());
  EXPECT_EQ(FParams.SvrHost, "10.0.0.1");

  FParams.SvrUser = QStringLiteral("t09");  // changed elsewhere meanwhile
  FForm.show();
  EXPECT_EQ(FForm.pos(), QPoint(10, 10));  // centred only the first time
  EXPECT_EQ(FForm.edtHost()->text(), "10.0.0.1");
  EXPECT_EQ(FForm.edtPassword()->text(), "pw");
  EXPECT_EQ(FForm.edtUser()->text(), "t09");
  EXPECT_TRUE(FForm.cbLoopPointPlay()->isChecked());

  FForm.close();  // the system close hides the same way
  EXPECT_FALSE(FForm.isVisible());
  EXPECT_THAT(FControl.Calls, IsEmpty());
}

}  // namespace
