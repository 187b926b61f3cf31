#include "core/FrmDebug.h"

#include "support/FakeClock.h"
#include "support/FakeLog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTabWidget>

#include <functional>
#include <memory>

namespace {


class DebugForm : public ::testing::Test {
 protected:
  TFakeLog Log;
  TFakeClock Clock{LocalTime(2024, 3, 5, 9, 5, 7)};
  TDebugForm Form{Log, Clock};
};

TEST_F(DebugForm, StartsHiddenWithTwoReadOnlyPages) {
  EXPECT_TRUE(Form.isHidden());
  EXPECT_EQ(Form.windowTitle(), "DebugForm");
  EXPECT_EQ(Form.size(), QSize(568, 558));
  EXPECT_TRUE(Form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  ASSERT_EQ(Form.PageControl1()->count(), 2);
  EXPECT_EQ(Form.PageControl1()->tabText(0), QStringLiteral("简单"));
  EXPECT_EQ(Form.PageControl1()->tabText(1), QStringLiteral("详细"));
  EXPECT_EQ(Form.PageControl1()->widget(0), Form.mmoLog());
  EXPECT_EQ(Form.PageControl1()->widget(1), Form.mmoLogEx());
  for (QPlainTextEdit* memo : {Form.mmoLog(), Form.mmoLogEx()}) {
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_TRUE(memo->toPlainText().isEmpty());
  }
}

TEST_F(DebugForm, AddLogShowsStampThenEachLineOfTheTextAndLogsItAsHint) {
  Form.AddLog(QStringLiteral("第一行\r\nsecond\nthird"));
  EXPECT_EQ(Form.mmoLog()->toPlainText(), QStringLiteral("09:05:07\n第一行\nsecond\nthird"));
  EXPECT_EQ(Form.mmoLog()->blockCount(), 4);
  EXPECT_EQ(Log.Hints, QStringList{QStringLiteral("第一行\r\nsecond\nthird")});
  EXPECT_TRUE(Form.mmoLogEx()->toPlainText().isEmpty());
}

TEST_F(DebugForm, AddLogExShowsEachPendingTextInOrderOnceTheLoopRuns) {
  Form.AddLogEx("one");
  Form.AddLogEx("two");
  // Logged at once, shown only from the event loop, stamped when shown.
  EXPECT_EQ(Log.Hints, (QStringList{"one", "two"}));
  EXPECT_TRUE(Form.mmoLogEx()->toPlainText().isEmpty());
  Clock.Set(LocalTime(2024, 3, 5, 21, 0, 1));
  QCoreApplication::processEvents();
  EXPECT_EQ(Form.mmoLogEx()->toPlainText(), "21:00:01\none\n21:00:01\ntwo");
  EXPECT_TRUE(Form.mmoLog()->toPlainText().isEmpty());
}

TEST_F(DebugForm, PageOverTheByteLimitIsEmptiedThoughItHasFewLines) {
  const qint64 half = TDebugForm::kMaxMemoBytes / static_cast<qint64>(sizeof(QChar));
  const std::pair<qint64, bool> cases[] = {{half - 100, false}, {half + 100, true}};
  for (const auto& [chars, emptied] : cases) {
    Form.mmoLog()->setPlainText(QString(chars, u'x'));
    Form.AddLog("new");
    EXPECT_EQ(Form.mmoLog()->toPlainText() == "09:05:07\nnew", emptied) << chars;
  }
}

TEST(DebugFormLifetime, PendingDisplayIsDroppedWithTheWindow) {
  TFakeLog log;
  TFakeClock clock{LocalTime(2024, 3, 5, 9, 5, 7)};
  auto form = std::make_unique<TDebugForm>(log, clock);
  form->AddLogEx("late");
  form.reset();
  QCoreApplication::processEvents();  // must not reach the freed window
  EXPECT_EQ(log.Hints, QStringList{"late"});
}

// --- the 500-line page limit, on both pages -------------------------------------------------

struct PageCase {
  const char* name;
  std::function<QPlainTextEdit*(TDebugForm&)> memo;
  std::function<void(TDebugForm&, const QString&)> add;
};

struct LimitCase {
  int linesBefore;
  bool emptied;
};

void PrintTo(const PageCase& c, std::ostream* os) { *os << c.name; }
void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.linesBefore << " lines"; }

class DebugFormPageLimit
    : public DebugForm,
      public ::testing::WithParamInterface<std::tuple<PageCase, LimitCase>> {};

TEST_P(DebugFormPageLimit, PageOverTheLimitIsEmptiedBeforeTheNewEntry) {
  const auto& [page, limit] = GetParam();
  QPlainTextEdit* memo = page.memo(Form);
  QStringList old;
  for (int i = 0; i < limit.linesBefore; ++i) old << QStringLiteral("old %1").arg(i);
  memo->setPlainText(old.join(u'\n'));

  page.add(Form, "new");
  QCoreApplication::processEvents();

  if (limit.emptied) {
    EXPECT_EQ(memo->toPlainText(), "09:05:07\nnew");
  } else {
    EXPECT_EQ(memo->blockCount(), limit.linesBefore + 2);
    EXPECT_TRUE(memo->toPlainText().endsWith("old 499\n09:05:07\nnew"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, DebugFormPageLimit,
    ::testing::Combine(
        ::testing::Values(
            PageCase{"Simple", [](TDebugForm& f) { return f.mmoLog(); },
                     [](TDebugForm& f, const QString& t) { f.AddLog(t); }},
            PageCase{"Detailed", [](TDebugForm& f) { return f.mmoLogEx(); },
                     [](TDebugForm& f, const QString& t) { f.AddLogEx(t); }}),
        ::testing::Values(LimitCase{TDebugForm::kMaxMemoLines, false},
                          LimitCase{TDebugForm::kMaxMemoLines + 1, true})),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "_" +
             std::to_string(std::get<1>(info.param).linesBefore) + "Lines";
    });

}  // namespace

int main(int argc, char** argv) {
  // Test discovery runs the binary outside ctest's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
