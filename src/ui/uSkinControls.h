#pragma once
// The few skinned controls the windows are built from: picture buttons with three states, the
// draggable title strip, a picture that reacts to double clicks, and the windows' font.

#include <QLabel>
#include <QPixmap>
#include <QWidget>

class QCheckBox;
class QFont;
class QLineEdit;
class TImageButton;

// The windows' font: "微软雅黑" where a school has it, the installed CJK font otherwise. Asked for
// by the first family alone, Qt would pick a Latin font and take Chinese glyphs from another cut.
QFont UiFont(int pixelHeight, bool bold = false);
void SetUiFont(QWidget* widget, int pixelHeight, bool bold = false);

// A picture button drawn from a strip of three equal pictures: normal, hover, pressed. A marked
// button shows the pressed picture in every state.
class TImageButton final : public QWidget {
  Q_OBJECT

 public:
  enum class TState { Normal = 0, Hover = 1, Pressed = 2 };

  TImageButton(const QString& strip, QWidget* parent = nullptr);

  void SetMarked(bool marked);
  bool Marked() const { return FMarked; }
  // The picture drawn now.
  TState State() const;
  QSize sizeHint() const override { return FPictures[0].size(); }

 signals:
  // A left press and release over the button.
  void clicked();
  // Any button released over the button (the buttons that react on mouse release).
  void mouseReleased(Qt::MouseButton button);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QPixmap FPictures[3];
  bool FMarked = false;
  bool FHover = false;
  bool FPressed = false;
};

// A still picture or text label that reports double clicks.
class TClickLabel final : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 signals:
  void doubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// The coloured title strip of the login and settings windows: dragging it with the left button
// moves its window.
class TTitleStrip final : public QWidget {
 public:
  TTitleStrip(const QColor& colour, QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Without a window manager there is no system move; the strip then moves the window itself.
  bool FDragging = false;
  QPoint FGrab;
};

// Modal messages with one button. The windows reach them through this seam so that tests can
// record the texts instead of blocking on a dialog.
class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  virtual void ShowMessage(QWidget* owner, const QString& text) = 0;
};

class TModalMessageBoxes final : public IMessageBoxes {
 public:
  void ShowMessage(QWidget* owner, const QString& text) override;
};

// The login and settings windows share one look: a white body, labelled edits in rows and a blue
// title strip with its caption and close button.
namespace SkinnedDialog {
inline constexpr int kTitleHeight = 41;
inline constexpr int kRowHeight = 32;
// Labels end where the edits begin; the pair is centred in the 385 pixels of the windows.
inline constexpr int kLabelLeft = 30;
inline constexpr int kLabelWidth = 100;
inline constexpr int kEditLeft = 136;
inline constexpr int kEditWidth = 210;

// Makes window a borderless, white dialog of this size with the title strip; returns the strip's
// close button.
TImageButton* Dress(QWidget* window, const QString& windowTitle, const QString& caption, QSize size);
QLineEdit* AddRowEdit(QWidget* parent, const QString& label, int top);
QCheckBox* AddRowCheckBox(QWidget* parent, const QString& caption, int top);
void AddSeparator(QWidget* parent, int top);
}  // namespace SkinnedDialog
