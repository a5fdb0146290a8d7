// Presentation mode and the right-click menu, in the whole program on the
// offscreen platform (one screen): the phone drawn by whole pixels on black,
// the keys, a platform switch, and the window as it was afterwards.
#include "app/AboutDlg.h"
#include "app/PresentationMode.h"
#include "app/Settings.h"
#include "display/FrameClient.h"
#include "display/SkinWnd.h"
#include "res/ResourceIds.h"
#include "tests/app/PhoneLine.h"

#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

using namespace reliability;
using testsupport::WaitFor;

namespace {

// A picture whose neighbouring pixels differ, so that any misplaced or
// blended pixel shows.
Picture Noise(int w, int h) {
    Picture pic(static_cast<std::size_t>(w) * h);
    for (std::size_t i = 0; i < pic.size(); ++i)
        pic[i] = static_cast<std::uint16_t>((i * 37 + 11) & 0xFFF);
    return pic;
}

QRgb Colour(std::uint16_t c) {
    return qRgb(((c >> 8) & 0xF) * 17, ((c >> 4) & 0xF) * 17, (c & 0xF) * 17);
}

// What the window looks like from outside.
struct SWindowLook {
    QRect geometry;
    int nZoom;
    int nScrollX, nScrollY;
    bool bMenuBar;
    bool bFixedSize;
    bool operator==(const SWindowLook&) const = default;
};

SWindowLook Look(CProgram& p) {
    CMainFrame* f = p.app.MainWindow();
    return {f->geometry(),
            p.View()->Zoom(),
            f->Client()->Layout().ScrollPosX(),
            f->Client()->Layout().ScrollPosY(),
            f->menuBar()->isVisible(),
            f->minimumSize() == f->maximumSize()};
}

// Every phone pixel is a k x k block of its own colour at (x0, y0).
int WrongPixels(const QImage& img, const Picture& pic, int w, int h, int x0, int y0, int k) {
    int wrong = 0;
    for (int y = 0; y < h * k; ++y)
        for (int x = 0; x < w * k; ++x)
            if ((img.pixel(x0 + x, y0 + y) & 0xFFFFFF) !=
                (Colour(pic[static_cast<std::size_t>(y / k) * w + x / k]) & 0xFFFFFF))
                ++wrong;
    return wrong;
}

} // namespace

TEST(Presentation, DrawsThePhoneByWholePixelsAndLeavesTheWindowAsItWas) {
    CProgram p;
    ASSERT_TRUE(p.Start());
    CMainFrame* frame = p.app.MainWindow();
    const QRect screen = frame->screen()->geometry();
    // The largest whole factor that fits, and the phone in the middle.
    auto expectPlaced = [&](int w, int h) {
        const SPresentationPlacement& at = frame->Presentation().Placement();
        const int k = std::max(1, std::min(screen.width() / w, screen.height() / h));
        EXPECT_EQ(at.nScale, k);
        EXPECT_EQ(QRect(at.x, at.y, at.cx, at.cy),
                  QRect((screen.width() - k * w) / 2, (screen.height() - k * h) / 2, k * w, k * h));
        EXPECT_EQ(p.View()->geometry(), QRect(at.x, at.y, at.cx, at.cy));
        return at;
    };
    Picture pic = Noise(kWidth, kHeight);
    p.phone.Write(ScreenFrame(pic, nullptr));
    ASSERT_TRUE(p.Shows(pic));

    // A window at zoom 2 on a small work area: scroll bars, scrolled off the
    // centre, and moved.
    frame->Client()->OverrideWorkArea(SWorkArea{0, 0, 300, 300});
    ASSERT_TRUE(p.Run(ID_VIEW_ZOOM));
    frame->Client()->OnVScroll(ScrollCode::LineDown, 0);
    frame->move(40, 30);
    const SWindowLook before = Look(p);
    ASSERT_TRUE(before.bMenuBar && before.bFixedSize && before.nZoom == 2);
    ASSERT_GT(before.nScrollY, 0);

    CPresentationMode& presentation = frame->Presentation();
    presentation.SetCursorDelayMs(1);
    auto checkPresenting = [&] {
        ASSERT_TRUE(presentation.IsOn());
        EXPECT_FALSE(frame->menuBar()->isVisible());
        EXPECT_EQ(frame->geometry(), screen);
        // The built-in S60 frame is the screen's own size, 176 x 208.
        const SPresentationPlacement at = expectPlaced(kWidth, kHeight);
        ASSERT_GE(at.nScale, 2);
        const QImage img = frame->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(WrongPixels(img, pic, kWidth, kHeight, at.x, at.y, at.nScale), 0);
        for (const QPoint& pt : {QPoint(0, 0), QPoint(at.x - 1, at.y + 9),
                                 QPoint(at.x + at.cx, at.y + 9), QPoint(at.x + 9, at.y + at.cy)})
            EXPECT_EQ(img.pixel(pt) & 0xFFFFFF, 0u) << pt.x() << "," << pt.y();
        // The cursor hides while the mouse rests and comes back when it moves.
        EXPECT_TRUE(WaitFor([&] { return presentation.IsCursorHidden(); }));
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(p.View(), &move);
        EXPECT_FALSE(presentation.IsCursorHidden());
    };

    // The menu command on, Esc off; F11 on and, with the menu bar hidden, off.
    ASSERT_TRUE(p.Run(ID_VIEW_PRESENTATION));
    checkPresenting();
    // Changes repaint only their rows; the screen then shows the whole new
    // picture.
    for (int seed : {3, 4}) {
        const Picture next = Changed(pic, seed);
        p.phone.Write(ScreenFrame(next, &pic));
        ASSERT_TRUE(p.Shows(next));
        pic = next;
    }
    const SPresentationPlacement& s60 = presentation.Placement();
    const QImage shown =
        frame->screen()->grabWindow(frame->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), screen.size());
    EXPECT_EQ(WrongPixels(shown, pic, kWidth, kHeight, s60.x, s60.y, s60.nScale), 0);
    QTest::keyClick(frame, Qt::Key_Escape);
    EXPECT_FALSE(presentation.IsOn());
    EXPECT_EQ(Look(p), before);
    QTest::keyClick(frame, Qt::Key_F11);
    checkPresenting();
    QTest::keyClick(frame, Qt::Key_F11);
    EXPECT_FALSE(presentation.IsOn());
    EXPECT_EQ(Look(p), before);
    EXPECT_EQ(frame->cursor().shape(), Qt::ArrowCursor);

    // A UIQ phone switches the platform while presenting: the phone is
    // placed again at once, for its built-in frame of 208 x 320.
    ASSERT_TRUE(p.Run(ID_VIEW_PRESENTATION));
    const Picture uiq = Noise(208, 320);
    p.phone.Write(ScreenFrame(uiq, nullptr, 208, 320));
    ASSERT_TRUE(p.Shows(uiq, 208, 320));
    const SPresentationPlacement at = expectPlaced(208, 320);
    const QImage img = frame->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(WrongPixels(img, uiq, 208, 320, at.x, at.y, at.nScale), 0);
    ASSERT_TRUE(p.Run(ID_VIEW_PRESENTATION));
    EXPECT_TRUE(frame->menuBar()->isVisible());
    EXPECT_EQ(p.View()->SkinWindow()->size(), QSize(416, 640)); // the UIQ frame at zoom 2
}

// Help > Keyboard shortcuts lists every key the window's commands answer to,
// with the command's name as its menu item shows it.
TEST(Presentation, KeyboardShortcutsListEveryKeyOfTheMenus) {
    CProgram p;
    ASSERT_TRUE(p.Start());
    const QString text = CShortcutsDlg(p.app.MainWindow()).Text();
    int keys = 0;
    for (const QAction* a : p.app.MainWindow()->actions())
        for (const QKeySequence& key : a->shortcuts()) {
            const QString row = key.toString() + QStringLiteral("  ") + a->text().remove('&');
            ++keys;
            EXPECT_TRUE(text.contains(key.toString()) &&
                        text.contains(QStringLiteral("  ") + a->text().remove('&') + '\n'))
                << row.toStdString() << "\n"
                << text.toStdString();
        }
    EXPECT_GE(keys, 12);
    EXPECT_TRUE(text.contains(QStringLiteral("Esc  Leave presentation mode\n")));
}

TEST(Presentation, RightClickMenuHoldsTheFileAndViewItemsUnderTheMenuBarsRules) {
    CProgram p;
    p.dialogs.answer = p.dir.File("m.avi");
    CMainFrame* frame = nullptr;
    const int commands[] = {ID_FILE_OPEN_CONNECTION,     ID_FILE_CLOSE_CONNECTION,
                            ID_FILE_RECORD_MOVIE,        ID_FILE_STOP_RECORDING,
                            ID_FILE_CAPTURE_SCREEN,      ID_APP_EXIT,
                            ID_VIEW_RECORDING_INDICATOR, ID_VIEW_PRESENTATION,
                            ID_VIEW_FILL_SCREEN,         ID_VIEW_STAY_ON_TOP};
    auto texts = [](const QList<QAction*>& actions) {
        QStringList t;
        for (const QAction* a : actions)
            t << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return t;
    };
    auto check = [&](const char* state) {
        SCOPED_TRACE(state);
        const QList<QAction*> bar = frame->menuBar()->actions();
        QStringList want = texts(bar[0]->menu()->actions());
        want << QStringLiteral("-") << texts(bar[1]->menu()->actions());
        QMenu* menu = frame->ContextMenu();
        EXPECT_EQ(texts(menu->actions()), want);
        int disabled = 0;
        for (int id : commands) {
            QAction* a = frame->Action(id);
            ASSERT_TRUE(menu->actions().contains(a)) << id;
            EXPECT_EQ(a->isEnabled(), frame->IsCommandEnabled(id)) << id;
            disabled += a->isEnabled() ? 0 : 1;
        }
        EXPECT_GT(disabled, 0);
        const QList<QAction*> items = menu->actions();
        EXPECT_TRUE(std::any_of(items.begin(), items.end(), [](QAction* a) {
            return a->menu() != nullptr;
        })) << "the skin submenu";
        menu->hide();
    };

    p.bChoosePort = false;
    ASSERT_TRUE(p.app.InitInstance({}));
    frame = p.app.MainWindow();
    ASSERT_TRUE(WaitFor([&] { return p.nChooserCalls == 1; }));
    check("not connected");
    p.bChoosePort = true;
    ASSERT_TRUE(p.Run(ID_FILE_OPEN_CONNECTION));
    ASSERT_TRUE(WaitFor([&] { return p.app.Serial().IsOpen(); }));
    check("connected");
    const Picture pic = BlockPicture(2);
    p.phone.Write(ScreenFrame(pic, nullptr));
    ASSERT_TRUE(p.Shows(pic));
    check("live picture");
    ASSERT_TRUE(p.Run(ID_FILE_RECORD_MOVIE));
    ASSERT_TRUE(p.View()->IsRecording());
    check("recording");
    ASSERT_TRUE(p.Run(ID_VIEW_PRESENTATION));
    ASSERT_TRUE(p.Run(ID_VIEW_STAY_ON_TOP));
    check("recording, presenting");
    EXPECT_TRUE(frame->Action(ID_VIEW_PRESENTATION)->isChecked());
    EXPECT_TRUE(frame->Action(ID_VIEW_STAY_ON_TOP)->isChecked());
    EXPECT_FALSE(frame->Action(ID_VIEW_FILL_SCREEN)->isChecked());
}
