#include "app/ScreenshotSaver.h"
#include "platform/LocalTime.h"

#include "app/CaptureNames.h"
#include "app/ScreenImage.h"
#include "display/ScreenDib.h"
#include "media/BmpWriter.h"
#include "media/OutputFile.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QStandardPaths>

#include <ctime>
#include <filesystem>

bool SaveScreenPicture(const CScreenDib& dib, const std::string& strPath, std::string& strError) {
    if (!HasExtension(strPath, "png"))
        return lumetto::WriteBmpFile(strPath, dib.Width(), dib.Rows(), dib.Bits(), strError);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!ScreenImage(dib).convertToFormat(QImage::Format_RGB888).save(&buffer, "PNG")) {
        strError = "The picture could not be encoded as PNG.";
        return false;
    }
    return lumetto::WriteFileReplacing(strPath, png.constData(),
                                       static_cast<std::size_t>(png.size()), strError);
}

std::string QuickCaptureFolder() {
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty())
        pictures = QDir::homePath() + QStringLiteral("/Pictures");
    return (pictures + QStringLiteral("/Lumetto")).toStdString();
}

bool QuickCapture(const CScreenDib& dib, std::string& strPath, std::string& strError) {
    const std::string folder = QuickCaptureFolder();
    if (!QDir().mkpath(QString::fromStdString(folder))) {
        strError = "The folder \"" + folder + "\" could not be made.";
        return false;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    LocalTime(now, local);
    strPath = FreeFileName(folder, TimestampedName(local), "png", [](const std::string& p) {
        std::error_code ec;
        return std::filesystem::exists(std::filesystem::symlink_status(p, ec));
    });
    return SaveScreenPicture(dib, strPath, strError);
}

void CopyScreenToClipboard(const CScreenDib& dib) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(ScreenImage(dib));
}
