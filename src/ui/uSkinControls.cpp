#include "ui/uSkinControls.h"

#include <QEnterEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

QFont UiFont(int pixelHeight, bool bold) {
  QFont font;
  font.setFamilies({QStringLiteral("微软雅黑"), QStringLiteral("Noto Sans CJK SC")});
  font.setPixelSize(pixelHeight);
  font.setBold(bold);
  return font;
}

void SetUiFont(QWidget* widget, int pixelHeight, bool bold) { widget->setFont(UiFont(pixelHeight, bold)); }

TImageButton::TImageButton(const QString& strip, QWidget* parent) : QWidget(parent) {
  const QPixmap all(strip);
  const int width = all.width() / 3;
  for (int i = 0; i < 3; ++i) FPictures[i] = all.copy(i * width, 0, width, all.height());
  resize(FPictures[0].size());
  setAttribute(Qt::WA_Hover);
  setCursor(Qt::PointingHandCursor);
}

void TImageButton::SetMarked(bool marked) {
  if (FMarked == marked) return;
  FMarked = marked;
  update();
}

TImageButton::TState TImageButton::State() const {
  if (FMarked || (FPressed && FHover)) return TState::Pressed;
  if (FHover && isEnabled()) return TState::Hover;
  return TState::Normal;
}

void TImageButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!isEnabled()) painter.setOpacity(0.5);
  painter.drawPixmap(rect(), FPictures[static_cast<int>(State())]);
}

void TImageButton::enterEvent(QEnterEvent*) {
  FHover = true;
  update();
}

void TImageButton::leaveEvent(QEvent*) {
  FHover = false;
  update();
}

void TImageButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    FPressed = true;
    update();
  }
  event->accept();
}

void TImageButton::mouseReleaseEvent(QMouseEvent* event) {
  const bool inside = rect().contains(event->position().toPoint());
  const bool wasPressed = FPressed && event->button() == Qt::LeftButton;
  if (event->button() == Qt::LeftButton) FPressed = false;
  update();
  event->accept();
  if (!inside) return;
  emit mouseReleased(event->button());
  if (wasPressed) emit clicked();
}

void TImageButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) {
    FPressed = false;
    update();
  }
  QWidget::changeEvent(event);
}

void TClickLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  QLabel::mouseDoubleClickEvent(event);
  emit doubleClicked();
}

TTitleStrip::TTitleStrip(const QColor& colour, QWidget* parent) : QWidget(parent) {
  QPalette strip = palette();
  strip.setColor(QPalette::Window, colour);
  setPalette(strip);
  setAutoFillBackground(true);
}

void TTitleStrip::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  QWindow* handle = window()->windowHandle();
  if (handle && handle->startSystemMove()) return;
  FDragging = true;
  FGrab = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
}

void TTitleStrip::mouseMoveEvent(QMouseEvent* event) {
  if (FDragging) window()->move(event->globalPosition().toPoint() - FGrab);
}

void TTitleStrip::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) FDragging = false;
}

void TModalMessageBoxes::ShowMessage(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("Vireo"), text, QMessageBox::Ok, owner);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  box.setFont(UiFont(16));
  box.exec();
}
