// The tip band on a real X server: translucent only while a compositing manager runs, opaque
// (and said so once in the log) otherwise.

#include "support/FakeLog.h"
#include "support/QtPrinters.h"
#include "ui/FrmTips.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

// Another client on the same display that claims to be the compositing manager of screen 0, the
// way a real one announces itself.
class TFakeCompositor {
 public:
  TFakeCompositor() : FConnection(xcb_connect(nullptr, nullptr)) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(FConnection)).data;
    const xcb_window_t window = xcb_generate_id(FConnection);
    xcb_create_window(FConnection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const char name[] = "_NET_WM_CM_S0";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(FConnection, xcb_intern_atom(FConnection, 0, sizeof name - 1, name), nullptr);
    xcb_set_selection_owner(FConnection, window, atom->atom, XCB_CURRENT_TIME);
    std::free(atom);
    std::free(xcb_get_input_focus_reply(FConnection, xcb_get_input_focus(FConnection), nullptr));  // round trip
  }
  ~TFakeCompositor() { xcb_disconnect(FConnection); }

 private:
  xcb_connection_t* FConnection;
};

TEST(TipFormOnX11, OpaqueWithoutACompositorTranslucentWithOne) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  TFakeLog log;
  QWidget main;
  main.setGeometry(0, 0, 640, 480);
  auto* first = new TTipForm(&main, log);
  auto* second = new TTipForm(&main, log);

  ASSERT_FALSE(TTipForm::CanBeTranslucent());  // Xvfb alone composes nothing
  first->ShowTip(QStringLiteral("一"));
  second->ShowTip(QStringLiteral("二"));
  EXPECT_TRUE(first->isVisible());
  EXPECT_DOUBLE_EQ(first->windowOpacity(), 1.0);
  EXPECT_EQ(log.Hints, QStringList{QStringLiteral("提示窗口无法半透明（没有合成窗口管理器），以不透明方式显示")});

  {
    TFakeCompositor compositor;
    EXPECT_TRUE(TTipForm::CanBeTranslucent());
    first->tmrAutoHideTimer();
    first->ShowTip(QStringLiteral("三"));
    EXPECT_DOUBLE_EQ(first->windowOpacity(), TTipForm::kOpacity);
  }
  EXPECT_FALSE(TTipForm::CanBeTranslucent());  // the owner left with its connection
  EXPECT_EQ(log.Hints.size(), 1);
}

}  // namespace
