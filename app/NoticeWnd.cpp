#include "app/NoticeWnd.h"

#include <QEvent>
#include <QPainter>
#include <QTimerEvent>

#include <algorithm>
#include <utility>

namespace {
// Letters of a thirtieth of the visible height, 12 to 40 pixels.
constexpr int kMinFontPx = 12;
constexpr int kMaxFontPx = 40;
constexpr int kHeightShare = 30;
} // namespace

CNoticeWnd::CNoticeWnd(QWidget* pParent, std::function<QRect()> area)
    : QWidget(pParent), m_area(std::move(area)) {
    // Clicks go to the picture below (the right-click menu).
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

QFont CNoticeWnd::NoticeFont(const QRect& area) const {
    QFont f = font();
    f.setBold(true);
    f.setPixelSize(std::clamp(area.height() / kHeightShare, kMinFontPx, kMaxFontPx));
    return f;
}

void CNoticeWnd::Show(const QString& strText, int nMs, bool bError) {
    m_strText = strText;
    m_bError = bError;
    m_timer.start(nMs, this);
    // Follows the window's size only while shown.
    parentWidget()->installEventFilter(this);
    Place();
    show();
    raise();
    update();
}

void CNoticeWnd::Place() {
    const QRect area = m_area();
    const QFont f = NoticeFont(area);
    const int pad = f.pixelSize() / 2;
    const int maxW = std::max(area.width() - 4 * pad, 1);
    const QRect text = QFontMetrics(f).boundingRect(QRect(0, 0, maxW, 10000),
                                                    Qt::AlignCenter | Qt::TextWordWrap, m_strText);
    // A few pixels of slack, so that the text wraps where it was measured.
    const int w = std::min(text.width() + 2 * pad + 4, area.width());
    const int h = std::min(text.height() + 2 * pad, area.height());
    // In the lower part, a line's height above the bottom edge.
    setGeometry(area.left() + (area.width() - w) / 2, area.bottom() + 1 - h - f.pixelSize(), w, h);
}

void CNoticeWnd::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    dc.setRenderHint(QPainter::Antialiasing);
    const QFont f = NoticeFont(m_area());
    const int pad = f.pixelSize() / 2;
    dc.setPen(Qt::NoPen);
    dc.setBrush(m_bError ? QColor(150, 0, 0, 225) : QColor(0, 0, 0, 200));
    dc.drawRoundedRect(rect(), pad, pad);
    dc.setFont(f);
    dc.setPen(Qt::white);
    dc.drawText(rect().adjusted(pad, pad, -pad, -pad), Qt::AlignCenter | Qt::TextWordWrap,
                m_strText);
}

void CNoticeWnd::timerEvent(QTimerEvent* pEvent) {
    if (pEvent->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(pEvent);
        return;
    }
    m_timer.stop();
    parentWidget()->removeEventFilter(this);
    hide();
}

bool CNoticeWnd::eventFilter(QObject* pObject, QEvent* pEvent) {
    if (pObject == parentWidget() && pEvent->type() == QEvent::Resize)
        Place();
    return QWidget::eventFilter(pObject, pEvent);
}
