#include "display/SkinBitmapInfo.h"

#include "display/RegularFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

namespace {

// The header of every format the loader reads lies well within this; a JPEG
// may carry metadata before its size, so the first 64 KiB are read.
constexpr std::size_t kHeaderBytes = 64 * 1024;

} // namespace

SSkinBitmapInfo ReadSkinBitmapInfo(const std::string& strPath) {
    SSkinBitmapInfo info;
    std::string bytes;
    if (!ReadRegularFile(strPath, kSkinBitmapMaxBytes, kHeaderBytes, bytes, info.strError, "it"))
        return info;
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QSize size = reader.canRead() ? reader.size() : QSize();
    if (reader.canRead() && !size.isValid()) {
        // A format that does not tell its size from its header: decode it.
        const QImage image = DecodeSkinBitmap(strPath, &info.strError);
        if (image.isNull())
            return info;
        size = image.size();
    }
    if (!size.isValid() || size.isEmpty()) {
        info.strError =
            bytes.empty() ? "the file is empty" : "not a picture the image loader reads";
        return info;
    }
    info.bLoads = true;
    info.nWidth = size.width();
    info.nHeight = size.height();
    return info;
}

QImage DecodeSkinBitmap(const std::string& strPath, std::string* pError) {
    std::string bytes, problem;
    if (!ReadRegularFile(strPath, kSkinBitmapMaxBytes, kSkinBitmapMaxBytes, bytes, problem, "it")) {
        if (pError)
            *pError = problem;
        return QImage();
    }
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage image = reader.read();
    if (image.isNull() && pError)
        *pError = reader.errorString().toStdString();
    return image;
}
