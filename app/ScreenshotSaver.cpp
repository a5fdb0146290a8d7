#include "app/ScreenshotSaver.h"

#include "app/CaptureNames.h"
#include "app/ScreenImage.h"
#include "codec/ScreenDib.h"
#include "media/BmpWriter.h"
#include "media/MovieFormat.h"
#include "platform/LocalTime.h"
#include "platform/OutputFile.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QStandardPaths>

#include <algorithm>
#include <ctime>
#include <filesystem>

std::vector<std::string> ScreenshotExtensions() {
    std::vector<std::string> out{"png", "bmp"};
    for (const QByteArray& f : QImageWriter::supportedImageFormats())
        if (const std::string ext = f.toLower().toStdString();
            std::find(out.begin(), out.end(), ext) == out.end())
            out.push_back(ext);
    return out;
}

bool IsScreenshotName(const std::string& strPath, std::string& strError) {
    const std::string ext = lumetto::ExtensionOf(strPath);
    const std::vector<std::string> known = ScreenshotExtensions();
    if (ext.empty() || std::find(known.begin(), known.end(), ext) != known.end())
        return true;
    std::string list;
    for (const std::string& k : known)
        list += (list.empty() ? "." : ", .") + k;
    strError = "\"" + FileNameOf(strPath) + "\": no picture format has the extension ." + ext +
               "; a screenshot's name ends in one of " + list + ".";
    return false;
}

std::string ScreenshotFilter() {
    std::string filter;
    for (const std::string& ext : ScreenshotExtensions()) {
        const std::string upper = QString::fromStdString(ext).toUpper().toStdString();
        const std::string kind = ext == "bmp" ? "BMP files" : upper + " images";
        filter += kind + " (*." + ext + ")|*." + ext + "|";
    }
    return filter + "|";
}

bool SaveScreenPicture(const CScreenDib& dib, const std::string& strPath, std::string& strError) {
    const std::string ext = lumetto::ExtensionOf(strPath);
    if (ext.empty() || ext == "bmp")
        return lumetto::WriteBmpFile(strPath, dib.Width(), dib.Rows(), dib.Bits(), strError);
    if (!IsScreenshotName(strPath, strError))
        return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, QByteArray::fromStdString(ext));
    // Lossy formats at their best; PNG keeps its usual compression (its
    // quality setting would turn compression off) and is lossless anyway.
    if (ext != "png")
        writer.setQuality(100);
    if (!writer.write(ScreenImage(dib).convertToFormat(QImage::Format_RGB888))) {
        strError = "The picture could not be encoded as " +
                   QString::fromStdString(ext).toUpper().toStdString() + ": " +
                   writer.errorString().toStdString();
        return false;
    }
    return lumetto::WriteFileReplacing(strPath, bytes.constData(),
                                       static_cast<std::size_t>(bytes.size()), strError);
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
