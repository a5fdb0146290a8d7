// Pictures from image files, scaled to the screen and shown in turn.
#pragma once

#include "phone/PictureSource.h"

#include <string>
#include <vector>

class CImageFileSource : public IPictureSource {
public:
    CImageFileSource(int nWidth, int nHeight) : m_nWidth(nWidth), m_nHeight(nHeight) {}

    // Loads every file; each is scaled to fit the screen keeping its
    // proportions, centred on black. Returns false with error set when a file
    // cannot be read.
    bool Load(const std::vector<std::string>& paths, std::string& error);

    void Render(std::int64_t nFrame, std::int64_t msTime, std::vector<std::uint16_t>& pic) override;

private:
    int m_nWidth;
    int m_nHeight;
    std::vector<std::vector<std::uint16_t>> m_pictures;
};
