#include "display/SkinBitmapInfo.h"

#include "display/RegularFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

SSkinBitmapInfo ReadSkinBitmapInfo(const std::string& strPath) {
    SSkinBitmapInfo info;
    const QImage image = DecodeSkinBitmap(strPath, &info.strError);
    info.bLoads = !image.isNull();
    info.nWidth = image.width();
    info.nHeight = image.height();
    return info;
}

QImage DecodeSkinBitmap(const std::string& strPath, std::string* pError) {
    std::string bytes, problem;
    if (ReadRegularFile(strPath, kSkinBitmapMaxBytes, kSkinBitmapMaxBytes, bytes, problem, "it"))
        problem = bytes.empty() ? "the file is empty" : BmpCutShort(bytes);
    QImage image;
    if (problem.empty()) {
        QByteArray data =
            QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        // A loader that stops early says so here (a PNG cut short) but may
        // still hand over the rows it read.
        if (!reader.read(&image) || image.isNull()) {
            image = QImage();
            problem =
                reader.error() == QImageReader::UnsupportedFormatError
                    ? "not a picture the image loader reads"
                    : "the image loader cannot decode it: " + reader.errorString().toStdString();
        }
    }
    if (image.isNull() && pError)
        *pError = problem;
    return image;
}
