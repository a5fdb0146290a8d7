// The notice drawn over the lower part of the main window's client area: a
// dark band with the text, centred, wrapped to the visible width, its letters
// sized by the visible height so that they read at every zoom and across the
// room in presentation. A child window of its own above the picture, so the
// picture's bytes never hold it; hidden, it costs nothing. UI thread only.
#pragma once

#include <QBasicTimer>
#include <QWidget>

#include <functional>

class CNoticeWnd : public QWidget {
public:
    // area gives the part of the parent the notice may cover (the visible
    // picture, without scroll bars).
    CNoticeWnd(QWidget* pParent, std::function<QRect()> area);

    // Shows strText for nMs milliseconds, in the colours of an error when bError.
    void Show(const QString& strText, int nMs, bool bError);
    QString Text() const { return m_strText; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;

private:
    void Place();
    QFont NoticeFont(const QRect& area) const;

    std::function<QRect()> m_area;
    QString m_strText;
    bool m_bError = false;
    QBasicTimer m_timer;
};
