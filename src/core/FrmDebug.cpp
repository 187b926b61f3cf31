#include "core/FrmDebug.h"

#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Logical lines, as a memo counts them: an empty memo holds none.
int LineCount(const QPlainTextEdit* memo) {
  return memo->document()->isEmpty() ? 0 : memo->blockCount();
}

qint64 MemoBytes(const QPlainTextEdit* memo) {
  return static_cast<qint64>(memo->document()->characterCount()) * static_cast<qint64>(sizeof(QChar));
}

// Texts from the protocol side end lines with CR LF; each kind of break starts a new line.
QString WithLfBreaks(QString text) {
  return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

}  // namespace

TDebugForm::TDebugForm(ILogSink& log, const IClock& clock, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), FLog(log), FClock(clock) {
  setObjectName(QStringLiteral("DebugForm"));
  setWindowTitle(QStringLiteral("DebugForm"));
  resize(568, 558);

  FPageControl1 = new QTabWidget(this);
  FPageControl1->setObjectName(QStringLiteral("PageControl1"));
  FMmoLog = CreateMemo(QStringLiteral("mmoLog"));
  FMmoLogEx = CreateMemo(QStringLiteral("mmoLogEx"));
  FPageControl1->addTab(FMmoLog, QStringLiteral("简单"));
  FPageControl1->addTab(FMmoLogEx, QStringLiteral("详细"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FPageControl1);

  FMmoLog->clear();
}

QPlainTextEdit* TDebugForm::CreateMemo(const QString& name) {
  auto* memo = new QPlainTextEdit;
  memo->setObjectName(name);
  memo->setReadOnly(true);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return memo;
}

void TDebugForm::AddLog(const QString& text) {
  AppendStamped(FMmoLog, text);
  FLog.LogHint(text);
}

void TDebugForm::AddLogEx(const QString& text) {
  PendingText.enqueue(text);
  QMetaObject::invokeMethod(this, &TDebugForm::HandleAddLogEx, Qt::QueuedConnection);
  FLog.LogHint(text);
}

void TDebugForm::HandleAddLogEx() {
  if (PendingText.isEmpty()) return;
  AppendStamped(FMmoLogEx, PendingText.dequeue());
}

void TDebugForm::AppendStamped(QPlainTextEdit* memo, const QString& text) {
  // The page is cleared rather than scrolled, so a fresh page starts with the new entry.
  if (LineCount(memo) > kMaxMemoLines || MemoBytes(memo) > kMaxMemoBytes) memo->clear();
  memo->appendPlainText(FClock.Now().toString(QStringLiteral("HH:mm:ss")));
  memo->appendPlainText(WithLfBreaks(text));
}
