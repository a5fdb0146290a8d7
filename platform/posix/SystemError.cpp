#include "platform/SystemError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Groups whose members hold rights far beyond a serial port: joining one of
// them to reach a device would hand the user much more.
constexpr const char* kWideRightsGroups[] = {"root",  "sudo",   "wheel", "adm",
                                             "admin", "disk",   "kmem",  "shadow",
                                             "staff", "docker", "lxd",   "libvirt"};

bool GrantsWideRights(const std::string& strGroup) {
    return std::any_of(std::begin(kWideRightsGroups), std::end(kWideRightsGroups),
                       [&](const char* g) { return strGroup == g; });
}

// "crw-rw----", as ls -l shows the mode.
std::string ModeText(unsigned nMode) {
    std::string text(1, S_ISCHR(nMode) ? 'c' : S_ISBLK(nMode) ? 'b' : S_ISDIR(nMode) ? 'd' : '-');
    const char* letters = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit)
        text += (nMode & (0400u >> bit)) ? letters[bit] : '-';
    return text;
}

// The name of a user or group id, looked up with a buffer that grows as the
// lookup asks; empty when there is none.
template <class Entry, class Id, class Lookup>
std::string NameOf(Id id, int nSizeName, Lookup lookup, char* Entry::*pName) {
    const long hint = ::sysconf(nSizeName);
    std::vector<char> buf(hint > 0 ? static_cast<std::size_t>(hint) : 1024);
    for (int attempt = 0; attempt < 6; ++attempt) {
        Entry entry{};
        Entry* found = nullptr;
        const int rc = lookup(id, &entry, buf.data(), buf.size(), &found);
        if (rc == ERANGE) {
            buf.resize(buf.size() * 4);
            continue;
        }
        if (rc == 0 && found != nullptr && found->*pName != nullptr)
            return found->*pName;
        break;
    }
    return {};
}

std::string UserName(uid_t uid) {
    const std::string name =
        NameOf<passwd>(uid, _SC_GETPW_R_SIZE_MAX, ::getpwuid_r, &passwd::pw_name);
    return name.empty() ? std::to_string(uid) : name;
}

std::string GroupName(gid_t gid) {
    const std::string name =
        NameOf<group>(gid, _SC_GETGR_R_SIZE_MAX, ::getgrgid_r, &group::gr_name);
    return name.empty() ? std::to_string(gid) : name;
}

} // namespace

const int kSystemNotFound = ENOENT;
const int kSystemIoError = EIO;
const int kSystemTimedOut = ETIMEDOUT;
const int kSystemCancelled = ECANCELED;
const int kSystemWouldBlock = EAGAIN;
const int kSystemInterrupted = EINTR;

int LastSystemError() {
    return errno;
}

void SetLastSystemError(int nCode) {
    errno = nCode;
}

bool AdviceReplacesSystemText(int nCode) {
    return nCode == ENOTTY || nCode == EISDIR;
}

std::string SystemErrorText(int nCode) {
    char buf[256];
    // The GNU strerror_r returns a pointer to the text, which may or may not be buf.
    const char* text = ::strerror_r(nCode, buf, sizeof buf);
    if (text == nullptr || *text == '\0')
        return "Unknown error " + std::to_string(nCode);
    return text;
}

bool ReadDeviceAccess(const std::string& strPath, DeviceAccess& access) {
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0)
        return false;
    access.nMode = st.st_mode;
    access.strOwner = UserName(st.st_uid);
    access.strGroup = GroupName(st.st_gid);
    return true;
}

std::string PermissionAdvice(const std::string& strDevice, const DeviceAccess& access) {
    const std::string& group = access.strGroup;
    const std::string shown =
        strDevice + " (" + ModeText(access.nMode) + " " + access.strOwner + " " + group + ")";
    const bool bGroupMayUse = (access.nMode & 0060u) == 0060u;
    if (bGroupMayUse && !group.empty() && !GrantsWideRights(group))
        return "To use " + shown + ", your user must be a member of the group \"" + group +
               "\" (for example: sudo usermod -aG " + group + " $USER), then log in again.";
    if ((access.nMode & 0006u) == 0006u)
        return "The permissions of " + shown +
               " let every user open it, so something else refuses access, such as a "
               "security policy.";
    return shown + " may be opened only by its owner, " + access.strOwner +
           ". A udev rule can give the device to the group dialout (GROUP=\"dialout\", "
           "MODE=\"0660\"; see \"Permission\" in the README); then join that group "
           "(sudo usermod -aG dialout $USER) and log in again.";
}

std::string PortOpenAdvice(int nCode, const std::string& strPortName,
                           const std::string& strDevice) {
    const std::string& what = strDevice.empty() ? strPortName : strDevice;
    switch (nCode) {
    case EACCES:
    case EPERM: {
        DeviceAccess access;
        if (!ReadDeviceAccess(what, access))
            return "Your user may not open " + what + "; ls -l " + what +
                   " shows who may, and \"Permission\" in the README says how to get access.";
        return PermissionAdvice(what, access);
    }
    case EBUSY:
    case EWOULDBLOCK:
        return what + " is in use by another program. Close that program or choose another port.";
    case ENOTTY:
    case EISDIR:
        return what + " is not a serial port. Choose the phone's serial device, such as "
                      "/dev/ttyACM0 or /dev/rfcomm0.";
    case ENOENT:
        if (strDevice.empty())
            return "No serial device is known as " + strPortName +
                   ". Choose a port from the list, or name one in LUMETTO_PORTS.";
        return strDevice + " does not exist. Check that the phone is connected.";
    default:
        return {};
    }
}
