// The skin folder scan over arbitrary folder contents: skin files and bitmaps
// with any bytes, BMP files whole or cut short, FIFOs, symlinks to /dev/zero,
// to each other or to themselves, folders and large sparse files under skin
// and bitmap names, in the program's and the user's folder, each bitmap
// decoded by the program's own loader. The scan never blocks (libFuzzer's
// -timeout catches that), every skin file is either listed or left out with a
// reason, the list read on the reader thread is the list read in place, a
// listed skin's bitmap decodes, and --check-skin agrees with the list.
//
// Input: entries of [kind, name, length, bytes...]; see Entry below.
#include "display/RegularFile.h"
#include "display/SkinBitmapInfo.h"
#include "display/SkinCatalog.h"
#include "display/SkinCheck.h"
#include "fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The folder the target works in, removed when the run ends (the string is
// never destroyed, so the exit handler can still use it).
const std::string& Root() {
    static const std::string& root = *new std::string([] {
        std::string t = (fs::temp_directory_path() / "lumetto-fuzz-skins-XXXXXX").string();
        if (!::mkdtemp(t.data()))
            std::abort();
        return t + "/";
    }());
    static const bool cleanup = std::atexit([] {
                                    std::error_code ec;
                                    fs::remove_all(root, ec);
                                }) == 0;
    (void)cleanup;
    return root;
}

// The header of a BMP file whose pixels are the bytes after it, whole or cut
// short: 1 to 16 pixels wide, 1 to 8 high, 24 bits or 8 bits run-length
// coded (chosen by the first byte).
std::string BmpHeader(const std::string& bytes) {
    const unsigned choice = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]);
    const bool rle = choice & 1;
    const std::uint32_t palette = rle ? 256 * 4 : 0;
    std::string header(54 + palette, '\x7f'); // a grey palette after the header
    const auto put = [&header](std::size_t at, std::uint32_t v, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            header[at + i] = static_cast<char>(v >> (8 * i));
    };
    // The file's size (not read), resolution and colour counts stay 0.
    std::fill(header.begin(), header.begin() + 54, '\0');
    header[0] = 'B';
    header[1] = 'M';
    put(10, 54 + palette, 4); // where the pixels start
    put(14, 40, 4);           // the size of the header
    put(18, 1 + choice / 2 % 16, 4);
    put(22, 1 + choice / 32, 4);
    put(26, 1, 2);            // planes
    put(28, rle ? 8 : 24, 2); // bits per pixel
    put(30, rle ? 1 : 0, 4);  // compression: none or RLE8
    return header;
}

struct CNames : ISkinMenu {
    std::vector<std::string> names;
    void RemoveAllItems() override { names.clear(); }
    void AppendItem(int, const std::string& text) override { names.push_back(text); }
};

// One folder entry: byte 0 the kind (low 3 bits) and folder (bit 3: the
// user's), byte 1 the name, byte 2 the length of the bytes that follow.
void MakeEntry(const std::uint8_t*& p, const std::uint8_t* end) {
    static const char* const stems[] = {"a", "b", "default", "Default", "a.dark", "c"};
    static const char* const exts[] = {".lumetto", ".bmp", ".LUMETTO", ".txt"};
    const int kind = p[0] & 7;
    const std::string folder = Root() + ((p[0] & 8) ? "user/S60/" : "skins/S60/");
    const std::string name = std::string(stems[p[1] % 6]) + exts[(p[1] / 6) % 4];
    const std::size_t len = std::min<std::size_t>(p[2], end - p - 3);
    const std::string bytes(reinterpret_cast<const char*>(p + 3), len);
    p += 3 + len;
    const std::string path = folder + name;
    std::error_code ec;
    fs::remove_all(path, ec);
    switch (kind) {
    case 0:
    case 1: { // a regular file with the bytes, for kind 1 behind a BMP header
        std::string file = kind == 1 ? BmpHeader(bytes) + bytes : bytes;
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(file.data(), 1, file.size(), f);
            std::fclose(f);
        }
        break;
    }
    case 2:
        ::mkfifo(path.c_str(), 0644);
        break;
    case 3:
        fs::create_directory_symlink("/dev/zero", path, ec);
        fs::create_symlink("/dev/zero", path, ec);
        break;
    case 4:
        fs::create_directory(path, ec);
        break;
    case 5: // a symlink to itself or to another entry's name
        fs::create_symlink(
            bytes.empty() ? name
                          : std::string(stems[static_cast<unsigned char>(bytes[0]) % 6]) + exts[0],
            path, ec);
        break;
    case 6: { // large and sparse, around the limits
        static const off_t sizes[] = {kSkinFileMaxBytes, kSkinFileMaxBytes + 1,
                                      kSkinBitmapMaxBytes + 1, 300LL << 20};
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
            (void)::truncate(path.c_str(), sizes[bytes.size() % 4]);
        }
        break;
    }
    default: // a file nobody but root may read
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        ::chmod(path.c_str(), 0);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::error_code ec;
    fs::remove_all(Root() + "skins", ec);
    fs::remove_all(Root() + "user", ec);
    fs::create_directories(Root() + "skins/S60");
    fs::create_directories(Root() + "user/S60");
    const std::uint8_t* p = data;
    const std::uint8_t* end = data + size;
    for (int n = 0; n < 24 && end - p >= 3; ++n)
        MakeEntry(p, end);

    CSkinCatalog catalog(ReadSkinBitmapInfo);
    catalog.SetProgramFolder(Root());
    catalog.SetUserSkinRoot(Root() + "user");
    CNames first, second;
    catalog.LoadSkinMenu(&first, 0);
    const std::vector<SLeftOutSkin> leftOut = catalog.LeftOut();
    const int listed = catalog.SkinCount();
    // The list the watched program keeps, read on the reader thread.
    const std::vector<std::string> files = catalog.SkinFiles(0);
    catalog.ReadSkinList(0, files, true);
    catalog.LoadSkinMenu(&second, 0);
    Check(second.names == first.names);
    Check(catalog.LeftOut() == leftOut);

    Check(first.names.size() <= static_cast<std::size_t>(kMaxSkins));
    Check(listed == static_cast<int>(first.names.size()));
    for (const std::string& name : first.names)
        Check(name.size() <= kSkinNameMax);
    // The built-in skin is last unless the list is full.
    Check((listed < kMaxSkins) ==
          (catalog.Skin(listed - 1) && catalog.Skin(listed - 1)->IsBuiltin()));

    // Every skin file is listed or left out, once.
    const std::size_t builtin = listed < kMaxSkins ? 1 : 0;
    Check(files.size() == first.names.size() - builtin + leftOut.size());

    for (int i = 0; i < listed; ++i) {
        const CSkinEntry* skin = catalog.Skin(i);
        Check(skin != nullptr);
        if (skin->IsBuiltin())
            continue;
        // A listed skin's bitmap decodes in full (its rectangle is not held
        // against the bitmap's size: --check-skin only warns of that).
        Check(!DecodeSkinBitmap(skin->m_strBitmapPath).isNull());
    }
    // The skin check says what the list says.
    for (const SLeftOutSkin& out : leftOut) {
        Check(!out.strReason.empty());
        const SSkinCheck check = CheckSkinFile(out.strPath, ReadSkinBitmapInfo);
        if (out.strReason.rfind("the list is full", 0) == 0)
            continue;
        Check(!check.Listed());
        const std::string name = fs::path(out.strPath).filename().string();
        if (name.size() >= 8 && name.compare(name.size() - 8, 8, ".lumetto") == 0)
            Check(check.strLeftOut == out.strReason);
    }
    const std::string list = FormatSkinList(catalog);
    for (const SLeftOutSkin& out : leftOut)
        Check(list.find(out.strPath + ": " + out.strReason) != std::string::npos);
    return 0;
}
