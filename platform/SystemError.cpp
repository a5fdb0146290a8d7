#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

std::string SystemErrorText(int nCode) {
    char buf[256];
    // The GNU strerror_r returns a pointer to the text, which may or may not be buf.
    const char* text = ::strerror_r(nCode, buf, sizeof buf);
    if (text == nullptr || *text == '\0')
        return "Unknown error " + std::to_string(nCode);
    return text;
}

std::string DeviceGroupName(const std::string& strPath) {
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0)
        return {};
    long hint = ::sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buf(hint > 0 ? static_cast<std::size_t>(hint) : 1024);
    for (int attempt = 0; attempt < 6; ++attempt) {
        group gr{};
        group* found = nullptr;
        const int rc = ::getgrgid_r(st.st_gid, &gr, buf.data(), buf.size(), &found);
        if (rc == ERANGE) {
            buf.resize(buf.size() * 4);
            continue;
        }
        if (rc == 0 && found != nullptr && found->gr_name != nullptr)
            return found->gr_name;
        break;
    }
    return {};
}

std::string PortOpenAdvice(int nCode, const std::string& strPortName,
                           const std::string& strDevice) {
    const std::string& what = strDevice.empty() ? strPortName : strDevice;
    switch (nCode) {
    case EACCES:
    case EPERM: {
        std::string group = DeviceGroupName(what);
        if (group.empty())
            group = "dialout";
        return "To use " + what + ", your user must be a member of the group \"" + group +
               "\" that owns it (for example: sudo usermod -aG " + group +
               " $USER), then log in again.";
    }
    case EBUSY:
    case EWOULDBLOCK:
        return what + " is in use by another program. Close that program or choose another port.";
    case ENOENT:
        if (strDevice.empty())
            return "No serial device is known as " + strPortName +
                   ". Choose a port from the list, or name one in LUMETTO_PORTS.";
        return strDevice + " does not exist. Check that the phone is connected.";
    default:
        return {};
    }
}
