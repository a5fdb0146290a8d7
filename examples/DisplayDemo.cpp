// display-demo: shows a skin with a screen picture in a main window, to look
// at the picture windows and the layout by eye.
//
//   display-demo [--zoom 2] [--no-skins] [--idle] [--rec] [--uiq] [--skin N]
#include "display/FrameClient.h"
#include "display/ScreenWnd.h"
#include "display/SkinCatalog.h"
#include "display/SkinDisplay.h"
#include "display/SkinMenu.h"
#include "display/SkinWnd.h"
#include "res/BitmapResources.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

#include <cstring>
#include <vector>

namespace {

struct CDemoHost : IPictureHost {
    bool recording = false;
    CFrameClient* frame = nullptr;
    bool IsRecording() const override { return recording; }
    void ResizeToContent(int cx, int cy) override {
        if (frame)
            frame->ResizeToContent(cx, cy);
    }
};

// Colour bars with a grid, a diagonal and a frame: easy to check by eye that
// nothing is shifted, mirrored or smoothed.
std::vector<std::uint8_t> DemoScreen(int w, int h) {
    const std::size_t stride = lumetto::DibRowStride(w);
    std::vector<std::uint8_t> bits(lumetto::ScreenImageSize(w, h), 0xFF);
    const std::uint8_t bars[8][3] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
                                     {255, 0, 255},   {0, 0, 255},   {255, 0, 0},   {0, 0, 0}};
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = bits.data() + stride * (h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* c = bars[x * 8 / w]; // r, g, b
            std::uint8_t r = c[0], g = c[1], b = c[2];
            if (y > h / 2) {
                r = g = b = static_cast<std::uint8_t>(x * 255 / (w - 1));
            }
            if (x % 16 == 0 || y % 16 == 0 || x == y || x == 0 || y == 0 || x == w - 1 ||
                y == h - 1)
                r = 255, g = 0, b = 0;
            if (y < 12 && x < 12)
                r = 0, g = 0, b = 255; // top-left marker
            row[3 * x] = b;
            row[3 * x + 1] = g;
            row[3 * x + 2] = r;
        }
    }
    return bits;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int zoom = 1, skinIndex = 0;
    bool noSkins = false, idle = false, rec = false, uiq = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--zoom") && i + 1 < argc)
            zoom = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--skin") && i + 1 < argc)
            skinIndex = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--no-skins"))
            noSkins = true;
        else if (!std::strcmp(argv[i], "--idle"))
            idle = true;
        else if (!std::strcmp(argv[i], "--rec"))
            rec = true;
        else if (!std::strcmp(argv[i], "--uiq"))
            uiq = true;
    }
    const int platform = uiq ? 1 : 0;

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("No connection - Morvane Lumetto"));
    window.setWindowIcon(ApplicationIcon());
    QMenu* view = window.menuBar()->addMenu(QStringLiteral("&View"));
    window.menuBar()->insertMenu(view->menuAction(), new QMenu(QStringLiteral("&File"), &window));
    view->addAction(QStringLiteral("&Zoom 200%"));
    view->addMenu(QStringLiteral("&Select background image"));

    auto* frame = new CFrameClient(&window);
    window.setCentralWidget(frame);
    auto* client = new QWidget;
    frame->SetView(client);
    CDemoHost host;
    host.frame = frame;
    host.recording = rec;
    auto* screen = new CScreenWnd(&host, client);
    screen->LoadResourceBitmap(uiq ? 202 : 201);
    auto* skin = new CSkinWnd(&host, client);
    skin->LoadResourceBitmap(140);
    screen->SetSkinWindow(skin);
    frame->SetPictureWindows(skin, screen);

    CSkinDisplay display(skin, screen);
    CSkinCatalog catalog(SkinBitmapLoads);
    catalog.SetWindows(&display);
    if (noSkins)
        catalog.SetProgramFolder("/nonexistent/");
    RebuildSkinMenu(window.menuBar(), catalog, platform);
    catalog.OnSelectSkin(CSkinCatalog::kFirstCommand + skinIndex);

    const int w = uiq ? 208 : 176, h = uiq ? 320 : 208;
    // The screen model the decoder would fill, with the window as its sink.
    CScreenModel model;
    const std::vector<std::uint8_t> bits = DemoScreen(w, h);
    if (!idle) {
        std::copy(bits.begin(), bits.end(), model.NewPicture(w, h).Bits());
        model.AddSink(screen);
        model.Publish(0, h, 12);
    }
    window.show();
    if (zoom != 1)
        screen->SetZoom(zoom);
    return app.exec();
}
