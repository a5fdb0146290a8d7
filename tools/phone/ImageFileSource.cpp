#include "tools/phone/ImageFileSource.h"

#include "phone/Rgb12.h"

#include <QImage>
#include <QImageReader>
#include <QPainter>

bool CImageFileSource::Load(const std::vector<std::string>& paths, std::string& error) {
    m_pictures.clear();
    for (const std::string& path : paths) {
        QImageReader reader(QString::fromStdString(path));
        const QImage image = reader.read();
        if (image.isNull()) {
            error = "cannot read the image '" + path + "': " + reader.errorString().toStdString() +
                    " (give a file in a format Qt reads, such as PNG, JPEG or BMP)";
            return false;
        }
        QImage screen(m_nWidth, m_nHeight, QImage::Format_RGB32);
        screen.fill(Qt::black);
        const QImage scaled =
            image.scaled(m_nWidth, m_nHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter painter(&screen);
        painter.drawImage((m_nWidth - scaled.width()) / 2, (m_nHeight - scaled.height()) / 2,
                          scaled);
        painter.end();
        m_pictures.emplace_back();
        ToRgb12(screen, m_pictures.back());
    }
    if (m_pictures.empty()) {
        error = "no image files given";
        return false;
    }
    return true;
}

void CImageFileSource::Render(std::int64_t nFrame, std::int64_t, std::vector<std::uint16_t>& pic) {
    pic = m_pictures[std::size_t(nFrame % std::int64_t(m_pictures.size()))];
}
