// lumetto-makeres: draws the bitmaps and skins the program ships and writes
// them under a resource folder (bitmaps/ and skins/S60/, skins/UIQ/).
//
//   lumetto-makeres <res folder>
#include "BmpFile.h"
#include "Pictures.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) {
        std::fprintf(stderr, "lumetto-makeres: %s has too many colours for its format\n",
                     path.c_str());
        return false;
    }
    if (!WriteFileBytes(path, bytes)) {
        std::fprintf(stderr, "lumetto-makeres: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool WriteText(const std::string& path, const std::string& text) {
    return Write(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

bool WriteSkin(const std::string& folder, const std::string& base, const std::string& name,
               int platform, const SPhoneSkin& skin) {
    const std::string line = name + "\n" + std::to_string(platform) + " " +
                             std::to_string(skin.left) + " " + std::to_string(skin.top) + " " +
                             std::to_string(skin.right) + " " + std::to_string(skin.bottom) + "\n";
    return WriteText(folder + base + ".lumetto", line) &&
           Write(folder + base + ".bmp", EncodeBmpRle8(skin.picture));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lumetto-makeres <res folder>\n");
        return 2;
    }
    const std::string root = std::string(argv[1]) + "/";
    std::error_code ec;
    for (const char* sub : {"bitmaps", "skins/S60", "skins/UIQ"}) {
        std::filesystem::create_directories(root + sub, ec);
        if (ec) {
            std::fprintf(stderr, "lumetto-makeres: cannot create %s%s: %s\n", root.c_str(), sub,
                         ec.message().c_str());
            return 1;
        }
    }
    const std::string bmp = root + "bitmaps/";
    const std::string s60 = root + "skins/S60/";
    const std::string uiq = root + "skins/UIQ/";
    bool ok = Write(bmp + "140.bmp", EncodeBmp4(DrawWhiteFrame(176, 208)));
    ok = Write(bmp + "143.bmp", EncodeBmp4(DrawWhiteFrame(208, 320))) && ok;
    ok = Write(bmp + "201.bmp", EncodeBmpRle8(DrawIdleScreen(176, 208))) && ok;
    ok = Write(bmp + "202.bmp", EncodeBmpRle8(DrawIdleScreen(208, 320))) && ok;
    ok = Write(bmp + "128.bmp", EncodeBmpRle8(DrawAppIcon(48))) && ok;
    ok = WriteSkin(s60, "default", "Lumetto keypad phone, graphite", 0, DrawS60Phone(false)) && ok;
    ok = WriteSkin(s60, "Silver", "Lumetto keypad phone, silver", 0, DrawS60Phone(true)) && ok;
    ok = WriteSkin(uiq, "default", "Lumetto touch phone", 1, DrawUIQPhone()) && ok;
    return ok ? 0 : 1;
}
