#include "platform/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <vector>

namespace {

constexpr const char* AccessAcl = "system.posix_acl_access";

// The names of a file's extended attributes, or none when it has none or they cannot be read.
std::vector<std::string> AttributeNames(const std::string& file)
{
    std::vector<char> list;
    for (;;) {
        const ssize_t size = ::listxattr(file.c_str(), nullptr, 0);
        if (size <= 0)
            return {};
        list.resize(size_t(size));
        const ssize_t got = ::listxattr(file.c_str(), list.data(), list.size());
        if (got >= 0) {
            list.resize(size_t(got));
            break;
        }
        if (errno != ERANGE)  // ERANGE: one was added meanwhile, ask again
            return {};
    }
    std::vector<std::string> names;
    for (size_t at = 0; at < list.size();) {
        const size_t length = ::strnlen(list.data() + at, list.size() - at);
        names.emplace_back(list.data() + at, length);
        at += length + 1;
    }
    return names;
}

} // namespace

void CopyExtendedAttributes(const std::string& from, int to)
{
    bool hadAcl = false;
    std::vector<char> value;
    for (const std::string& name : AttributeNames(from)) {
        hadAcl = hadAcl || name == AccessAcl;
        const ssize_t size = ::getxattr(from.c_str(), name.c_str(), nullptr, 0);
        if (size < 0)
            continue;
        value.resize(size_t(size) + 1);
        const ssize_t got = ::getxattr(from.c_str(), name.c_str(), value.data(), value.size());
        if (got >= 0)
            (void)::fsetxattr(to, name.c_str(), value.data(), size_t(got), 0);
    }
    // A folder's default ACL must not widen what the file allowed.
    if (!hadAcl)
        (void)::fremovexattr(to, AccessAcl);
}

void GrantOwnerAndGroup(int fd, uid_t uid, gid_t gid, mode_t mode)
{
    struct Entry {
        uint16_t tag, perm;
        uint32_t id;
    };
    enum : uint16_t { UserObj = 1, User = 2, GroupObj = 4, Group = 8, Mask = 0x10, Other = 0x20 };
    const uint32_t version = 2;
    std::vector<Entry> entries;
    const ssize_t size = ::fgetxattr(fd, AccessAcl, nullptr, 0);
    std::vector<char> value(size_t(std::max<ssize_t>(size, 0)));
    const ssize_t got = size > 0 ? ::fgetxattr(fd, AccessAcl, value.data(), value.size()) : -1;
    if (got >= ssize_t(sizeof version)) {
        entries.resize((size_t(got) - sizeof version) / sizeof(Entry));
        std::memcpy(entries.data(), value.data() + sizeof version, entries.size() * sizeof(Entry));
    } else {
        entries = {{UserObj, uint16_t((mode >> 6) & 7), ~0u}, {GroupObj, uint16_t((mode >> 3) & 7), ~0u},
                   {Other, uint16_t(mode & 7), ~0u}};
    }
    auto grant = [&](uint16_t tag, uint32_t id, uint16_t perm) -> uint16_t {
        if (perm == 0 && tag != Mask)
            return 0;
        for (Entry& e : entries)
            if (e.tag == tag && e.id == id) {
                e.perm |= perm;
                return perm;
            }
        entries.push_back({tag, perm, id});
        return perm;
    };
    // The mask may have to widen for the new entries; what it held back from the others stays
    // held back.
    const bool masked = std::any_of(entries.begin(), entries.end(), [](const Entry& e) { return e.tag == Mask; });
    for (const Entry& m : entries)
        if (m.tag == Mask)
            for (Entry& e : entries)
                if (e.tag == User || e.tag == GroupObj || e.tag == Group)
                    e.perm &= m.perm;
    // With an ACL the mode's group bits are its mask; the group's own rights are its entry (as
    // the mask let them through).
    uint16_t groupPerm = (mode >> 3) & 7;
    for (const Entry& e : entries)
        if (e.tag == GroupObj)
            groupPerm = e.perm;
    struct stat st {};
    ::fstat(fd, &st);
    uint16_t granted = 0;
    if (st.st_uid != uid)
        granted |= grant(User, uid, (mode >> 6) & 7);
    if (st.st_gid != gid)
        granted |= grant(Group, gid, groupPerm);
    // The mask lets the new entries through, and no more than it did for the others.
    uint16_t mask = granted;
    for (const Entry& e : entries)
        if (!masked && (e.tag == User || e.tag == GroupObj || e.tag == Group))
            mask |= e.perm;
    grant(Mask, ~0u, mask);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.tag != b.tag ? a.tag < b.tag : a.id < b.id;
    });
    std::string acl(reinterpret_cast<const char*>(&version), sizeof version);
    acl.append(reinterpret_cast<const char*>(entries.data()), entries.size() * sizeof(Entry));
    (void)::fsetxattr(fd, AccessAcl, acl.data(), acl.size(), 0);
}

