#include "phone/HomeScreenScene.h"

#include "phone/Rgb12.h"

#include <QDateTime>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

struct AppIcon {
    const char* label;
    QRgb colour;
};

const AppIcon kApps[] = {
    {"Messages", 0x3A8FE0}, {"Contacts", 0x4CB050}, {"Camera", 0x9C5DD0}, {"Gallery", 0xE0A030},
    {"Calendar", 0xE05050}, {"Music", 0xE060A8},    {"Web", 0x30B8C0},    {"Settings", 0x808890},
    {"Clock", 0xF0C040},    {"Notes", 0xC0A070},    {"Games", 0x60C070},  {"Tools", 0x7078D0},
};

QFont Font(double pixels, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(std::max(6, static_cast<int>(std::lround(pixels))));
    f.setBold(bold);
    return f;
}

// A small picture on each icon so the grid looks like a launcher.
void DrawGlyph(QPainter& p, int index, const QRectF& r) {
    p.setPen(QPen(Qt::white, std::max(1.0, r.width() / 12)));
    p.setBrush(Qt::NoBrush);
    const QPointF c = r.center();
    const double s = r.width() / 2;
    switch (index % 6) {
    case 0: // envelope
        p.drawRect(QRectF(c.x() - s * 0.6, c.y() - s * 0.4, s * 1.2, s * 0.8));
        p.drawLine(QPointF(c.x() - s * 0.6, c.y() - s * 0.4), QPointF(c.x(), c.y() + s * 0.1));
        p.drawLine(QPointF(c.x() + s * 0.6, c.y() - s * 0.4), QPointF(c.x(), c.y() + s * 0.1));
        break;
    case 1: // person
        p.drawEllipse(QPointF(c.x(), c.y() - s * 0.25), s * 0.25, s * 0.25);
        p.drawArc(QRectF(c.x() - s * 0.5, c.y() + s * 0.05, s, s * 0.8), 0, 180 * 16);
        break;
    case 2: // lens
        p.drawRoundedRect(QRectF(c.x() - s * 0.6, c.y() - s * 0.35, s * 1.2, s * 0.8), 3, 3);
        p.drawEllipse(c + QPointF(0, s * 0.05), s * 0.25, s * 0.25);
        break;
    case 3: // mountains
        p.drawPolyline(QPolygonF({c + QPointF(-s * 0.6, s * 0.4), c + QPointF(-s * 0.2, -s * 0.2),
                                  c + QPointF(s * 0.1, s * 0.2), c + QPointF(s * 0.3, 0),
                                  c + QPointF(s * 0.6, s * 0.4)}));
        break;
    case 4: // grid page
        p.drawRect(QRectF(c.x() - s * 0.5, c.y() - s * 0.5, s, s));
        p.drawLine(QPointF(c.x() - s * 0.5, c.y() - s * 0.2),
                   QPointF(c.x() + s * 0.5, c.y() - s * 0.2));
        p.drawLine(QPointF(c.x(), c.y() - s * 0.2), QPointF(c.x(), c.y() + s * 0.5));
        break;
    default: // note
        p.drawLine(QPointF(c.x() + s * 0.2, c.y() - s * 0.5),
                   QPointF(c.x() + s * 0.2, c.y() + s * 0.3));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(c.x(), c.y() + s * 0.3), s * 0.2, s * 0.15);
        break;
    }
}

} // namespace

CHomeScreenScene::CHomeScreenScene(int nWidth, int nHeight)
    : m_nWidth(nWidth), m_nHeight(nHeight), m_image(nWidth, nHeight, QImage::Format_RGB32) {}

void CHomeScreenScene::Render(std::int64_t, std::int64_t msTime, std::vector<std::uint16_t>& pic) {
    Draw(msTime);
    ToRgb12(m_image, pic);
}

void CHomeScreenScene::Draw(std::int64_t msTime) {
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(msTime);
    const double w = m_nWidth, h = m_nHeight;
    const double u = w / 176.0; // layout unit: one pixel of the small screen
    QPainter p(&m_image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    // Wallpaper.
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(0x10, 0x30, 0x60));
    sky.setColorAt(1, QColor(0x20, 0x80, 0x90));
    p.fillRect(QRectF(0, 0, w, h), sky);

    // Status bar: signal bars, small clock, battery.
    const double bar = 16 * u;
    p.fillRect(QRectF(0, 0, w, bar), QColor(0x08, 0x10, 0x20));
    p.setPen(Qt::NoPen);
    const int signal = 3 + int((msTime / 7000) % 3); // 3 to 5 bars, changes now and then
    for (int i = 0; i < 5; ++i) {
        const double bh = (3 + 2.2 * i) * u;
        p.setBrush(i < signal ? QColor(0x60, 0xE0, 0x60) : QColor(0x40, 0x48, 0x50));
        p.drawRect(QRectF((3 + 4 * i) * u, bar - 2 * u - bh, 3 * u, bh));
    }
    const double bx = w - 26 * u, by = 4 * u;
    p.setPen(QPen(Qt::white, std::max(1.0, u)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(bx, by, 20 * u, 8 * u));
    p.fillRect(QRectF(bx + 20 * u, by + 2.5 * u, 2 * u, 3 * u), Qt::white);
    const int level = 4 - int((msTime / 60000) % 4); // drains a bar a minute
    for (int i = 0; i < level; ++i)
        p.fillRect(QRectF(bx + (2 + 4.5 * i) * u, by + 2 * u, 3.5 * u, 4 * u),
                   QColor(0xF0, 0xF0, 0x70));
    p.setFont(Font(10 * u, true));
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, w, bar), Qt::AlignCenter, now.toString(QStringLiteral("HH:mm")));

    // The large clock and the date.
    const double clockTop = bar + 6 * u;
    p.setFont(Font(28 * u, true));
    p.setPen(QColor(0xFF, 0xFF, 0xFF));
    p.drawText(QRectF(0, clockTop, w, 34 * u), Qt::AlignCenter,
               now.toString(QStringLiteral("HH:mm:ss")));
    p.setFont(Font(11 * u));
    p.setPen(QColor(0xC8, 0xE8, 0xFF));
    p.drawText(QRectF(0, clockTop + 34 * u, w, 14 * u), Qt::AlignCenter,
               now.toString(QStringLiteral("dddd d MMMM")));

    // Application icons: 3 columns, as many rows as fit above the softkeys.
    const double softkeys = 18 * u;
    const double gridTop = clockTop + 54 * u;
    const int cols = 3;
    const double cellW = w / cols;
    const double cellH = 42 * u;
    const int rows = std::max(1, int((h - softkeys - gridTop) / cellH));
    const int count = std::min<int>(rows * cols, int(std::size(kApps)));
    const int selected = int((msTime / 2000) % count);
    for (int i = 0; i < count; ++i) {
        const int row = i / cols, col = i % cols;
        const double x = col * cellW, y = gridTop + row * cellH;
        const QRectF cell(x + 2 * u, y, cellW - 4 * u, cellH - 2 * u);
        if (i == selected) {
            p.setPen(QPen(QColor(0xFF, 0xD0, 0x40), 1.5 * u));
            p.setBrush(QColor(0xFF, 0xFF, 0xFF, 0x30));
            p.drawRoundedRect(cell, 4 * u, 4 * u);
        }
        const double side = 24 * u;
        const QRectF icon(x + (cellW - side) / 2, y + 2 * u, side, side);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor::fromRgb(kApps[i].colour));
        p.drawRoundedRect(icon, 5 * u, 5 * u);
        DrawGlyph(p, i, icon);
        p.setFont(Font(8.5 * u));
        p.setPen(Qt::white);
        p.drawText(QRectF(x, y + side + 3 * u, cellW, 11 * u), Qt::AlignHCenter | Qt::AlignTop,
                   QString::fromLatin1(kApps[i].label));
    }

    // Softkey labels.
    p.fillRect(QRectF(0, h - softkeys, w, softkeys), QColor(0x08, 0x10, 0x20));
    p.setFont(Font(10 * u, true));
    p.setPen(Qt::white);
    const QRectF keys(5 * u, h - softkeys, w - 10 * u, softkeys);
    p.drawText(keys, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Options"));
    p.drawText(keys, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Exit"));
    p.end();
}
