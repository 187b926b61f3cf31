#include "ui/uSkinControls.h"

#include <QCheckBox>
#include <QEnterEvent>
#include <QFrame>
#include <QLineEdit>
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

namespace SkinnedDialog {

TImageButton* Dress(QWidget* window, const QString& windowTitle, const QString& caption, QSize size) {
  window->setWindowTitle(windowTitle);
  window->setFixedSize(size);
  window->setAutoFillBackground(true);
  QPalette white = window->palette();
  white.setColor(QPalette::Window, Qt::white);
  window->setPalette(white);
  window->setStyleSheet(QStringLiteral(
      "QLabel { color: #333333; }"
      "QLineEdit { border: 1px solid #C8CDD4; border-radius: 3px; padding: 0 6px; background: white; color: #222222; }"
      "QLineEdit:focus { border-color: #0080FF; }"
      "QFrame#separator { background: #E6E9EE; }"
      "QCheckBox { color: #333333; }"));

  auto* title = new TTitleStrip(QColor(0x00, 0x80, 0xFF), window);
  title->setGeometry(0, 0, size.width(), kTitleHeight);
  auto* label = new QLabel(caption, title);
  SetUiFont(label, 18, true);
  label->setStyleSheet(QStringLiteral("color: white;"));
  label->setGeometry(16, 0, 200, kTitleHeight);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  auto* close = new TImageButton(QStringLiteral(":/ui/pictures/btn-close.png"), title);
  close->setGeometry(size.width() - 41, 0, 41, 41);
  return close;
}

QLineEdit* AddRowEdit(QWidget* parent, const QString& label, int top) {
  auto* caption = new QLabel(label, parent);
  SetUiFont(caption, 16);
  caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  caption->setGeometry(kLabelLeft, top, kLabelWidth, kRowHeight);
  auto* edit = new QLineEdit(parent);
  SetUiFont(edit, 16);
  edit->setGeometry(kEditLeft, top, kEditWidth, kRowHeight);
  return edit;
}

QCheckBox* AddRowCheckBox(QWidget* parent, const QString& caption, int top) {
  auto* box = new QCheckBox(caption, parent);
  SetUiFont(box, 16);
  box->setGeometry(kEditLeft, top, kEditWidth, 22);
  return box;
}

void AddSeparator(QWidget* parent, int top) {
  auto* line = new QFrame(parent);
  line->setObjectName(QStringLiteral("separator"));
  line->setGeometry(20, top, parent->width() - 40, 1);
}

}  // namespace SkinnedDialog
