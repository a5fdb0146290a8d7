#include "display/SkinBitmapInfo.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

SSkinBitmapInfo ReadSkinBitmapInfo(const std::string& strPath) {
    SSkinBitmapInfo info;
    QImageReader reader(QFile::decodeName(strPath.c_str()));
    const QImage image = reader.read();
    if (image.isNull()) {
        info.strError = reader.errorString().toStdString();
        return info;
    }
    info.bLoads = true;
    info.nWidth = image.width();
    info.nHeight = image.height();
    return info;
}
