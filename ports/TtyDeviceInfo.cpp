#include "ports/TtyDeviceInfo.h"

#include "platform/RegularFile.h"

#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Levels from a tty's device to its USB device: the interface (ttyACM), or
// the usb-serial port and then the interface (ttyUSB), and a spare.
constexpr int kMaxLevelsUp = 4;
// More than any sysfs text a device gives; a longer file is cut.
constexpr std::size_t kMaxAttributeBytes = 256;
// sysfs gives every attribute the size of a page.
constexpr std::size_t kMaxAttributeFileBytes = 4096;

// The attribute's text, cleaned; empty when it is missing or not a regular
// file (read as every file from outside is: never blocking, bounded).
std::string ReadAttribute(const fs::path& file) {
    std::string text, problem;
    if (!ReadRegularFile(file.string(), kMaxAttributeFileBytes, kMaxAttributeBytes, text, problem))
        return {};
    return CleanDeviceText(text);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// "Maker Product"; the product alone when it starts with the maker's name.
std::string UsbDeviceText(const fs::path& device) {
    const std::string maker = ReadAttribute(device / "manufacturer");
    const std::string product = ReadAttribute(device / "product");
    if (!maker.empty() && !product.empty())
        return StartsWithNoCase(product, maker) ? product : maker + " " + product;
    if (!maker.empty() || !product.empty())
        return maker + product;
    const std::string vendor = ReadAttribute(device / "idVendor");
    const std::string id = ReadAttribute(device / "idProduct");
    return vendor.empty() || id.empty() ? std::string() : vendor + ":" + id;
}

// Whether path lies inside root (both canonical).
bool IsInside(const fs::path& path, const fs::path& root) {
    const std::string p = path.string();
    const std::string r = root.string();
    return p.size() > r.size() && p.compare(0, r.size(), r) == 0 && p[r.size()] == '/';
}

// The byte length of the UTF-8 character at text[i], or 0 when none starts there.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t n = lead < 0x80                    ? 1
                          : lead >= 0xC2 && lead <= 0xDF ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

} // namespace

std::string CleanDeviceText(std::string_view raw) {
    std::string text;
    bool bBlank = false; // a blank is owed before the next character
    for (std::size_t i = 0; i < raw.size();) {
        const auto c = static_cast<unsigned char>(raw[i]);
        if (c < 0x20 || c == 0x7F || c == ' ') {
            bBlank = !text.empty();
            ++i;
            continue;
        }
        const std::size_t n = Utf8Length(raw, i);
        const std::string_view character = n == 0 ? std::string_view("?") : raw.substr(i, n);
        i += n == 0 ? 1 : n;
        if (text.size() + (bBlank ? 1 : 0) + character.size() > kMaxDeviceText)
            break;
        if (bBlank)
            text += ' ';
        bBlank = false;
        text += character;
    }
    return text;
}

TtyDeviceInfo ReadTtyDeviceInfo(const std::string& strDevicePath, const std::string& strSysRoot) {
    TtyDeviceInfo info;
    std::error_code ec;
    const fs::path root = fs::canonical(strSysRoot, ec);
    if (ec)
        return info;
    // A symlink such as /dev/serial/by-id/... stands for the device it names.
    fs::path device = fs::canonical(strDevicePath, ec);
    if (ec)
        device = fs::path(strDevicePath).lexically_normal();
    if (device.parent_path() != "/dev" || device.filename().empty())
        return info;
    const std::string name = device.filename().string();
    const fs::path tty = root / "class" / "tty" / name;

    if (name.rfind("rfcomm", 0) == 0) {
        info.strWhat = ReadAttribute(tty / "address");
        if (!info.strWhat.empty())
            info.eBus = TtyDeviceInfo::Bus::Bluetooth;
        return info;
    }

    fs::path dir = fs::canonical(tty / "device", ec);
    for (int level = 0; !ec && level < kMaxLevelsUp && IsInside(dir, root); ++level) {
        std::error_code noFile;
        if (fs::is_regular_file(dir / "idVendor", noFile)) {
            info.eBus = TtyDeviceInfo::Bus::Usb;
            info.strWhat = UsbDeviceText(dir);
            return info;
        }
        dir = dir.parent_path();
    }
    return info;
}
