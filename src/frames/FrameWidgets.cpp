#include "frames/FrameWidgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QResizeEvent>

namespace {

void PaintBlack(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, Qt::black);
  palette.setColor(QPalette::WindowText, Qt::white);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

TPanel::TPanel(QWidget* parent) : QWidget(parent) {}

TErrorPanel::TErrorPanel(const QString& picture, QWidget* parent) : TPanel(parent), FPicture(picture) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TErrorPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  if (FPicture.isNull()) return;
  // The whole picture, as large as the panel allows, centred on white: never cropped or skewed.
  const QSize size = FPicture.size().scaled(this->size(), Qt::KeepAspectRatio);
  const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(target, FPicture);
}

TPlayerBar::TPlayerBar(QWidget* parent) : TPanel(parent) {
  PaintBlack(this);
  setFixedHeight(kHeight);
  FNowTime = Named(new QLabel(QStringLiteral("00:00:00"), this), "lbNowTime");
  FProgress = Named(new QProgressBar(this), "pbPlayer");
  FProgress->setTextVisible(false);
  FProgress->setRange(0, 0);
  FDuration = Named(new QLabel(QStringLiteral("00:00:00"), this), "lbDuration");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(12, 0, 12, 0);
  layout->addWidget(FNowTime);
  layout->addWidget(FProgress, 1);
  layout->addWidget(FDuration);
}

void TPlayerBar::SetNowTime(const QString& text) { FNowTime->setText(text); }
void TPlayerBar::SetDuration(const QString& text) { FDuration->setText(text); }
void TPlayerBar::SetProgressMax(std::int32_t max) { FProgress->setMaximum(max); }
void TPlayerBar::SetProgressValue(std::int32_t value) { FProgress->setValue(value); }

TFrameWidget::TFrameWidget(QWidget* parent) : QWidget(parent) { PaintBlack(this); }

void TFrameWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutChildren();
}

void TFrameWidget::LayoutChildren() {
  for (QWidget* child : FFilling) child->setGeometry(rect());
}

TFrameDirectPlayerWidget::TFrameDirectPlayerWidget(TFrameContext context, QWidget* parent) : TFrameWidget(parent) {
  setObjectName(QStringLiteral("FrameDirectPlayer"));
  FShowPlayer = Filling(Named(new TVlcPlayerView(context.Log, this), "ShowPlayer"));
  FErrorPanel = Filling(Named(new TErrorPanel(QStringLiteral(":/frames/pictures/live-error.png"), this), "pnlErrorVideo"));
  FErrorPanel->hide();
  // At creation the (blank) web view is visible and on top.
  FChromium1 = Filling(Named(new TWebView(context.Log, this), "Chromium1"));
  FChromium1->raise();
  FFrame = std::make_unique<TFrameDirectPlayer>(TDirectPlayerParts{*FShowPlayer, *FErrorPanel, *FChromium1}, context);
  FFrame->InitLayout();
  LayoutChildren();
}

TFramePointPlayerWidget::TFramePointPlayerWidget(TFrameContext context, QWidget* parent) : TFrameWidget(parent) {
  setObjectName(QStringLiteral("FramePointPlayer"));
  FShowPlayer = Filling(Named(new TVlcPlayerView(context.Log, this), "ShowPlayer"));
  FErrorPanel =
      Filling(Named(new TErrorPanel(QStringLiteral(":/frames/pictures/video-error.png"), this), "pnlErrorVideo"));
  FErrorPanel->hide();
  FPanel5 = Named(new TPlayerBar(this), "Panel5");
  FPanel5->hide();  // kept up to date, never shown
  FPlayList = std::make_unique<TVlcMediaList>(*FShowPlayer, context.Log);
  FFrame = std::make_unique<TFramePointPlayer>(TPointPlayerParts{*FShowPlayer, *FPlayList, *FErrorPanel, *FPanel5},
                                               context);
  LayoutChildren();
}

void TFramePointPlayerWidget::LayoutChildren() {
  TFrameWidget::LayoutChildren();
  FPanel5->setGeometry(0, height() - TPlayerBar::kHeight, width(), TPlayerBar::kHeight);
}

TFramePointPlayPageWidget::TFramePointPlayPageWidget(const TWebSDK& webSdk, ILogSink& log, QWidget* parent)
    : TFrameWidget(parent) {
  setObjectName(QStringLiteral("FramePointPlayPage"));
  FWbPointPlay = Filling(Named(new TWebView(log, this), "wbPointPlay"));
  FFrame = std::make_unique<TFramePointPlayPage>(*FWbPointPlay, webSdk, log);
  LayoutChildren();
}

TFrameNotifyPageWidget::TFrameNotifyPageWidget(TFrameContext context, QWidget* parent) : TFrameWidget(parent) {
  setObjectName(QStringLiteral("FrameNotifyPage"));
  // The attachment download display sits centred behind the pages; nothing starts a download.
  FDownLoad = Named(new QProgressBar(this), "pbDownLoad");
  FDownLoad->setFixedWidth(320);
  FDownLoadLabel = Named(new QLabel(QStringLiteral("正在下载附件...   "), this), "lbDownLoad");
  const char* panelNames[2] = {"pnlCur", "pnlPre"};
  const char* viewNames[2] = {"wbNotify", "wbNotifyPre"};
  for (int i = 0; i < 2; ++i) {
    FPanels[i] = Filling(Named(new TPanel(this), panelNames[i]));
    PaintBlack(FPanels[i]);
    FViews[i] = Named(new TWebView(context.Log, FPanels[i]), viewNames[i]);
    auto* layout = new QHBoxLayout(FPanels[i]);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FViews[i]);
  }
  FFrame = std::make_unique<TFrameNotifyPage>(TNotifyPageParts{*FViews[0], *FPanels[0], *FViews[1], *FPanels[1]},
                                              context);
  FFrame->InitLayout();
  LayoutChildren();
}

void TFrameNotifyPageWidget::LayoutChildren() {
  TFrameWidget::LayoutChildren();
  const QSize bar = FDownLoad->sizeHint();
  FDownLoad->setGeometry((width() - 320) / 2, (height() - bar.height()) / 2, 320, bar.height());
  FDownLoadLabel->move(FDownLoad->x(), FDownLoad->y() + 20);
}

TWebView& TFrameNotifyPageWidget::wbNotify() { return static_cast<TWebView&>(FFrame->wbNotify()); }
TWebView& TFrameNotifyPageWidget::wbNotifyPre() { return static_cast<TWebView&>(FFrame->wbNotifyPre()); }
