#include "ui/FrmTips.h"

#include "ui/uSkinControls.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QShowEvent>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr int kCloseTop = 13;
constexpr int kCloseRightMargin = 10;

struct TFreeReply {
  void operator()(void* reply) const { std::free(reply); }
};

// The X screen of the display Qt opened: the n of "host:d.n", 0 when not given.
int DisplayScreenNumber() {
  const QByteArray display = qgetenv("DISPLAY");
  const int colon = display.lastIndexOf(':');
  const int dot = display.indexOf('.', colon < 0 ? 0 : colon);
  if (dot < 0) return 0;
  bool ok = false;
  const int screen = display.mid(dot + 1).toInt(&ok);
  return ok ? screen : 0;
}

// A compositing manager announces itself by owning the selection _NET_WM_CM_S<screen>.
bool X11HasCompositor() {
  const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return false;
  const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(DisplayScreenNumber());
  const std::unique_ptr<xcb_intern_atom_reply_t, TFreeReply> atom(xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.constData()), nullptr));
  if (!atom) return false;
  const std::unique_ptr<xcb_get_selection_owner_reply_t, TFreeReply> owner(
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr));
  return owner && owner->owner != XCB_NONE;
}

void SetTextColour(QLabel* label, const char* colour) {
  label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(QLatin1String(colour)));
}

}  // namespace

TTipForm::TTipForm(QWidget* mainWindow, ILogSink& log)
    : QWidget(mainWindow, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                              Qt::WindowDoesNotAcceptFocus),
      FMainWindow(mainWindow),
      FLog(log) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  resize(mainWindow ? mainWindow->width() : 800, kBandHeight);

  FLbTitle = new QLabel(QStringLiteral("提示"), this);
  SetUiFont(FLbTitle, 16);
  FLbTitle->hide();

  FLbTip = new QLabel(this);
  SetUiFont(FLbTip, 21);
  SetTextColour(FLbTip, "#F7B22F");

  FLbClose = new QLabel(QStringLiteral(" X "), this);
  SetUiFont(FLbClose, 20);
  SetTextColour(FLbClose, "white");
  FLbClose->setAlignment(Qt::AlignCenter);
  FLbClose->resize(20, 21);
  FLbClose->setCursor(Qt::PointingHandCursor);
  FLbClose->installEventFilter(this);

  FTmrAutoHide.setInterval(kAutoHideMs);
  connect(&FTmrAutoHide, &QTimer::timeout, this, &TTipForm::tmrAutoHideTimer);
}

bool TTipForm::CanBeTranslucent() {
  if (QGuiApplication::platformName() == QLatin1String("xcb")) return X11HasCompositor();
  // Wayland composes by design; offscreen and the rest keep the opacity as asked.
  return true;
}

void TTipForm::ShowTip(const QString& text) {
  FLbTip->setText(text);
  CentreTip();
  show();
  FTmrAutoHide.stop();
  FTmrAutoHide.start();
}

void TTipForm::tmrAutoHideTimer() {
  FTmrAutoHide.stop();
  hide();
}

void TTipForm::CentreTip() {
  FLbTip->adjustSize();
  FLbTip->move(FLbTip->x(), (height() - FLbTip->height()) / 2);
}

void TTipForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  // A compositing manager may start after the terminal, so the question is asked at each show.
  if (CanBeTranslucent()) {
    setWindowOpacity(kOpacity);
  } else {
    // Without one, X11 would ignore the opacity anyway; asking for none keeps that explicit.
    setWindowOpacity(1.0);
    static bool logged = false;
    if (!logged) {
      logged = true;
      FLog.LogHint(QStringLiteral("提示窗口无法半透明（没有合成窗口管理器），以不透明方式显示"));
    }
  }
  if (!FMainWindow) return;
  const QRect main = FMainWindow->geometry();
  setGeometry(main.left(), main.top(), main.width(), kBandHeight);  // as wide as the main window
  FLbTip->move((main.width() - 200) / 2, FLbTip->y());
  CentreTip();
}

void TTipForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FLbClose->move(width() - FLbClose->width() - kCloseRightMargin, kCloseTop);
}

// Painted here rather than through the palette: a style sheet on the main window, whose child
// this window is, would otherwise paint the band in the main window's colours.
void TTipForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
}

bool TTipForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched != FLbClose) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Enter:
      SetTextColour(FLbClose, "red");
      break;
    case QEvent::Leave:
      SetTextColour(FLbClose, "white");
      break;
    case QEvent::MouseButtonRelease: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton && FLbClose->rect().contains(mouse->position().toPoint()))
        tmrAutoHideTimer();
      return true;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}
