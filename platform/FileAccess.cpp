#include "platform/FileAccess.h"

#include <acl/libacl.h>
#include <sys/acl.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <vector>

namespace {

constexpr const char* AccessAcl = "system.posix_acl_access";

// An ACL of the library's, freed with it; the library may move it when it grows.
struct TAcl {
    acl_t acl;
    explicit TAcl(acl_t a) : acl(a) {}
    ~TAcl()
    {
        if (acl)
            ::acl_free(acl);
    }
    TAcl(const TAcl&) = delete;
    TAcl& operator=(const TAcl&) = delete;
};

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

// Every attribute but the access ACL, which is about access and is given on its own.
void CopyOtherAttributes(const std::string& from, int to)
{
    std::vector<char> value;
    for (const std::string& name : AttributeNames(from)) {
        if (name == AccessAcl)
            continue;
        const ssize_t size = ::getxattr(from.c_str(), name.c_str(), nullptr, 0);
        if (size < 0)
            continue;
        value.resize(size_t(size) + 1);
        const ssize_t got = ::getxattr(from.c_str(), name.c_str(), value.data(), value.size());
        if (got >= 0)
            (void)::fsetxattr(to, name.c_str(), value.data(), size_t(got), 0);
    }
}

mode_t PermsOf(acl_entry_t entry)
{
    acl_permset_t set = nullptr;
    if (::acl_get_permset(entry, &set) != 0)
        return 0;
    return (::acl_get_perm(set, ACL_READ) == 1 ? 4 : 0) | (::acl_get_perm(set, ACL_WRITE) == 1 ? 2 : 0) |
           (::acl_get_perm(set, ACL_EXECUTE) == 1 ? 1 : 0);
}

void SetPerms(acl_entry_t entry, mode_t perms)
{
    acl_permset_t set = nullptr;
    if (::acl_get_permset(entry, &set) != 0)
        return;
    ::acl_clear_perms(set);
    for (acl_perm_t perm : {ACL_READ, ACL_WRITE, ACL_EXECUTE})
        if (perms & perm)
            ::acl_add_perm(set, perm);
    ::acl_set_permset(entry, set);
}

// The entry with this tag (and, for named entries, this id), or null.
acl_entry_t Find(acl_t acl, acl_tag_t tag, id_t id = 0)
{
    acl_entry_t entry = nullptr;
    for (int which = ACL_FIRST_ENTRY; ::acl_get_entry(acl, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
        acl_tag_t got = ACL_UNDEFINED_TAG;
        if (::acl_get_tag_type(entry, &got) != 0 || got != tag)
            continue;
        if (tag != ACL_USER && tag != ACL_GROUP)
            return entry;
        void* qualifier = ::acl_get_qualifier(entry);
        const bool same = qualifier && *static_cast<id_t*>(qualifier) == id;
        ::acl_free(qualifier);
        if (same)
            return entry;
    }
    return nullptr;
}

// Adds perms to the named entry of id, made when there is none.
bool Grant(acl_t& acl, acl_tag_t tag, id_t id, mode_t perms)
{
    if (perms == 0)
        return true;
    acl_entry_t entry = Find(acl, tag, id);
    if (!entry) {
        if (::acl_create_entry(&acl, &entry) != 0 || ::acl_set_tag_type(entry, tag) != 0 ||
            ::acl_set_qualifier(entry, &id) != 0)
            return false;
        SetPerms(entry, 0);
    }
    SetPerms(entry, PermsOf(entry) | perms);
    return true;
}

} // namespace

void CopyExtendedAttributes(const std::string& from, int to)
{
    CopyOtherAttributes(from, to);
    // Also a file without an ACL gives its (minimal) one: that drops whatever a folder's default
    // ACL gave the new file.
    const TAcl acl(::acl_get_file(from.c_str(), ACL_TYPE_ACCESS));
    if (acl.acl)
        (void)::acl_set_fd(to, acl.acl);
}

void GiveCopyTheOldAccess(const std::string& from, int to, uid_t uid, gid_t gid, mode_t mode)
{
    CopyOtherAttributes(from, to);
    struct stat copy {};
    if (::fstat(to, &copy) != 0)
        return;
    const mode_t others = mode & 7;
    TAcl held(::acl_get_file(from.c_str(), ACL_TYPE_ACCESS));
    if (!held.acl)
        held.acl = ::acl_from_mode(mode);
    acl_t& acl = held.acl;
    bool given = acl != nullptr;
    if (given) {
        // What the mask held back stays held back, whatever mask the new entries need.
        const acl_entry_t mask = Find(acl, ACL_MASK);
        const mode_t allowed = mask ? PermsOf(mask) : 7;
        acl_entry_t entry = nullptr;
        for (int which = ACL_FIRST_ENTRY; ::acl_get_entry(acl, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
            acl_tag_t tag = ACL_UNDEFINED_TAG;
            if (::acl_get_tag_type(entry, &tag) == 0 && (tag == ACL_USER || tag == ACL_GROUP_OBJ || tag == ACL_GROUP))
                SetPerms(entry, PermsOf(entry) & allowed);
        }
        const acl_entry_t userObj = Find(acl, ACL_USER_OBJ), groupObj = Find(acl, ACL_GROUP_OBJ);
        const mode_t ownerPerms = userObj ? PermsOf(userObj) : (mode >> 6) & 7;
        const mode_t groupPerms = groupObj ? PermsOf(groupObj) : (mode >> 3) & 7;
        if (copy.st_uid != uid)
            given = Grant(acl, ACL_USER, uid, ownerPerms);
        if (given && copy.st_gid != gid) {
            given = Grant(acl, ACL_GROUP, gid, groupPerms);
            // The saver's group is not the file's: it gets what everyone else got.
            if (const acl_entry_t own = Find(acl, ACL_GROUP_OBJ))
                SetPerms(own, others);
        }
        given = given && ::acl_calc_mask(&acl) == 0 && ::acl_valid(acl) == 0;
    }
    // The mode follows the ACL that is set; where none can be, the group bits are the others'.
    if (!given || ::acl_set_fd(to, acl) != 0)
        (void)::fchmod(to, (mode & ~mode_t(070)) | (copy.st_gid != gid ? others << 3 : mode & 070));
}
