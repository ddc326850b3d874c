#include "device/DeviceFolderCheck.hpp"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace device {

namespace fs = std::filesystem;

namespace {

// As the kernel's own limit on links followed in one path.
constexpr int kMaxLinks = 40;

std::string modeText(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string userName(uid_t uid)
{
    if (const passwd* entry = ::getpwuid(uid))
        return std::string(entry->pw_name) + " (" + std::to_string(uid) + ")";
    return std::to_string(uid);
}

// A user's private group (named as the user, no other members) lets no one else write.
bool isPrivateGroup(gid_t gid)
{
    const passwd* user = ::getpwuid(::geteuid());
    const group* entry = ::getgrgid(gid);
    if (!user || !entry || std::strcmp(user->pw_name, entry->gr_name) != 0)
        return false;
    for (char** member = entry->gr_mem; *member; ++member) {
        if (std::strcmp(*member, user->pw_name) != 0)
            return false;
    }
    return true;
}

bool othersMayWrite(const struct stat& info)
{
    return (info.st_mode & S_IWOTH) || ((info.st_mode & S_IWGRP) && !isPrivateGroup(info.st_gid));
}

[[noreturn]] void refuse(const std::string& what, const std::string& fix)
{
    throw std::runtime_error(
        what + "; the device's programs run as you, so its folder must be yours alone: " + fix);
}

bool isOwnedByUserOrSystem(const struct stat& info)
{
    return info.st_uid == ::geteuid() || info.st_uid == 0;
}

void checkFolderAbove(const fs::path& folder, const struct stat& info)
{
    std::string what = "the folder " + folder.string() + " above the device folder ";
    if (!isOwnedByUserOrSystem(info))
        refuse(
            what + "belongs to user " + userName(info.st_uid), "choose a device folder elsewhere");
    if (othersMayWrite(info) && !(info.st_mode & S_ISVTX))
        refuse(what + "can be written by other users and has no sticky bit (mode "
                + modeText(info.st_mode) + ")",
            "choose a device folder elsewhere");
}

void checkDevice(const fs::path& folder, const struct stat& info)
{
    std::string what = "the device folder " + folder.string() + " ";
    if (!S_ISDIR(info.st_mode))
        throw std::runtime_error(what + "is not a folder");
    if (info.st_uid != ::geteuid())
        refuse(what + "belongs to user " + userName(info.st_uid),
            "choose a folder of your own, or a new one");
    if (othersMayWrite(info))
        refuse(what + "can be written by other users (mode " + modeText(info.st_mode) + ")",
            "run chmod go-w " + folder.string());
}

// Resolves the path one part at a time, as the kernel does, and judges every folder passed
// through and every link followed: a link can be replaced by its owner and by whoever may write
// its folder, so both count.
class Walk {
public:
    void run(const fs::path& root)
    {
        push(fs::absolute(root));
        fs::path current = "/";
        struct stat info { };
        if (::lstat("/", &info) == 0)
            checkFolderAbove("/", info);
        while (!m_parts.empty()) {
            std::string part = m_parts.back();
            m_parts.pop_back();
            if (part == "..") {
                current = current.parent_path();
                continue;
            }
            fs::path next = current / part;
            if (::lstat(next.c_str(), &info) != 0) {
                if (errno == ENOENT)
                    return;
                throw std::runtime_error(
                    "cannot examine " + next.string() + ": " + std::strerror(errno));
            }
            if (S_ISLNK(info.st_mode)) {
                follow(next, info);
                current = "/";
                continue;
            }
            if (m_parts.empty())
                return checkDevice(next, info);
            if (!S_ISDIR(info.st_mode))
                throw std::runtime_error(next.string() + " is not a folder");
            checkFolderAbove(next, info);
            current = next;
        }
    }

private:
    void push(const fs::path& path)
    {
        std::vector<std::string> parts;
        for (const auto& part : path.lexically_normal().relative_path()) {
            if (!part.empty() && part != ".")
                parts.push_back(part.string());
        }
        for (auto it = parts.rbegin(); it != parts.rend(); ++it)
            m_parts.push_back(*it);
    }

    void follow(const fs::path& link, const struct stat& info)
    {
        if (!isOwnedByUserOrSystem(info))
            refuse("the link " + link.string() + " on the way to the device folder belongs to user "
                    + userName(info.st_uid),
                "use the folder it leads to, or a folder of your own");
        if (++m_links > kMaxLinks)
            throw std::runtime_error(link.string() + " leads through too many links");
        std::error_code error;
        fs::path target = fs::read_symlink(link, error);
        if (error)
            throw std::runtime_error("cannot read the link " + link.string());
        push(target.is_absolute() ? target : link.parent_path() / target);
    }

    std::vector<std::string> m_parts; // what is left to resolve, last part first
    int m_links { 0 };
};

} // namespace

void checkDeviceFolder(const fs::path& root)
{
    Walk().run(root);
}

} // namespace device
