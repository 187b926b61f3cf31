#pragma once
// The debug window: the recent lines of the two log streams on two pages. Created hidden at
// start-up; its memos fill while it is hidden. Everything shown is also written to the log.

#include "core/uClock.h"
#include "core/uDebugLog.h"
#include "platform/uLogSink.h"

#include <QQueue>
#include <QString>
#include <QWidget>

class QPlainTextEdit;
class QTabWidget;
class QWidget;

class TDebugForm : public QWidget, public IDebugLog {
  Q_OBJECT

 public:
  // A memo holding more than this many lines is emptied before the next entry.
  static constexpr int kMaxMemoLines = 500;
  // ...or more than this many bytes of text (UTF-16): a few schedules of half a megabyte each
  // would otherwise hold hundreds of megabytes before their lines add up.
  static constexpr qint64 kMaxMemoBytes = 4 * 1024 * 1024;

  TDebugForm(ILogSink& log, const IClock& clock, QWidget* parent = nullptr);

  // Shows the text on page "简单" at once and logs it as a hint.
  void AddLog(const QString& text) override;
  // Logs the text as a hint and shows it on page "详细" from the event loop, so a caller inside
  // a socket handler never touches the memo itself.
  void AddLogEx(const QString& text);

  QPlainTextEdit* mmoLog() const { return FMmoLog; }
  QPlainTextEdit* mmoLogEx() const { return FMmoLogEx; }
  QTabWidget* PageControl1() const { return FPageControl1; }

 private slots:
  void HandleAddLogEx();

 private:
  QPlainTextEdit* CreateMemo(const QString& name);
  void AppendStamped(QPlainTextEdit* memo, const QString& text);

  ILogSink& FLog;
  const IClock& FClock;
  QTabWidget* FPageControl1 = nullptr;
  QPlainTextEdit* FMmoLog = nullptr;
  QPlainTextEdit* FMmoLogEx = nullptr;
  // Texts waiting for their queued display, oldest first: each post shows its own text.
  QQueue<QString> PendingText;
};
