// The tip band: where it appears over the main window, how long it stays and its close mark.

#include "support/FakeLog.h"
#include "support/QtPrinters.h"
#include "ui/FrmTips.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

class TipFormTest : public ::testing::Test {
 protected:
  TipFormTest() { FMain.setGeometry(100, 50, 1001, 600); }

  TFakeLog FLog;
  QWidget FMain{nullptr, Qt::FramelessWindowHint};  // like the terminal's main window
  TTipForm* FTip = new TTipForm(&FMain, FLog);  // owned by the main window
};

TEST_F(TipFormTest, ShowsAsABandOverTheTopOfTheMainWindow) {
  FTip->ShowTip(QStringLiteral("今天下午停电"));
  EXPECT_TRUE(FTip->isVisible());
  EXPECT_EQ(FTip->geometry(), QRect(100, 50, 1001, 70));
  EXPECT_EQ(FTip->lbTip()->text(), "今天下午停电");
  EXPECT_EQ(FTip->lbTip()->x(), 400);  // (1001 - 200) / 2, truncated
  EXPECT_LE(std::abs(FTip->lbTip()->geometry().center().y() - 35), 1);
  EXPECT_EQ(FTip->lbClose()->geometry(), QRect(1001 - 20 - 10, 13, 20, 21));
  EXPECT_TRUE(FTip->lbTitle()->isHidden());
  EXPECT_DOUBLE_EQ(FTip->windowOpacity(), TTipForm::kOpacity);
  EXPECT_THAT(FLog.Hints, IsEmpty());  // offscreen keeps the opacity
}

TEST_F(TipFormTest, ASecondTipKeepsTheBandAndRestartsTheTimer) {
  FTip->ShowTip(QStringLiteral("一"));
  FMain.move(300, 80);
  // A coarse timer may fire up to 5 % (200 ms) either side of its interval.
  QTest::qWait(600);
  ASSERT_LE(FTip->tmrAutoHide()->remainingTime(), 3650);
  FTip->ShowTip(QStringLiteral("第二条提示"));
  EXPECT_GE(FTip->tmrAutoHide()->remainingTime(), 3750);
  EXPECT_EQ(FTip->lbTip()->text(), "第二条提示");
  EXPECT_EQ(FTip->pos(), QPoint(100, 50));  // not moved while shown

  FTip->tmrAutoHideTimer();
  EXPECT_FALSE(FTip->isVisible());
  FMain.resize(800, 600);
  FTip->ShowTip(QStringLiteral("三"));
  EXPECT_EQ(FTip->geometry(), QRect(300, 80, 800, 70));
  EXPECT_EQ(FTip->lbTip()->x(), 300);
  EXPECT_EQ(FTip->lbClose()->x(), 800 - 20 - 10);
}

TEST_F(TipFormTest, CloseMarkLightsUpAndHidesAtOnce) {
  FTip->ShowTip(QStringLiteral("提示"));
  QEvent enter(QEvent::Enter);
  QCoreApplication::sendEvent(FTip->lbClose(), &enter);
  EXPECT_THAT(FTip->lbClose()->styleSheet().toStdString(), HasSubstr("red"));
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(FTip->lbClose(), &leave);
  EXPECT_THAT(FTip->lbClose()->styleSheet().toStdString(), HasSubstr("white"));

  QTest::mouseClick(FTip->lbClose(), Qt::LeftButton);
  EXPECT_FALSE(FTip->isVisible());
  EXPECT_FALSE(FTip->tmrAutoHide()->isActive());
}

}  // namespace
