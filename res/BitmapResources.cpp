#include "res/BitmapResources.h"

#include "res/ResourceIds.h"

#include <QPixmap>
#include <QString>

QImage LoadBitmapResource(int nId) {
    switch (nId) {
    case IDR_MAINFRAME:
    case IDB_S60_FRAME:
    case IDB_UIQ_FRAME:
    case IDB_S60_IDLE:
    case IDB_UIQ_IDLE:
        return QImage(QStringLiteral(":/lumetto/bitmaps/%1.bmp").arg(nId), "BMP");
    default:
        return QImage();
    }
}

QIcon ApplicationIcon() {
    return QIcon(QPixmap::fromImage(LoadBitmapResource(IDR_MAINFRAME)));
}
