#include "platform/LinkWalk.h"

#include <cerrno>
#include <deque>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

void PushFront(std::deque<std::string>& parts, const std::string& path)
{
    std::vector<std::string> found;
    for (size_t at = 0; at <= path.size();) {
        const size_t slash = std::min(path.find('/', at), path.size());
        found.push_back(path.substr(at, slash - at));
        at = slash + 1;
    }
    parts.insert(parts.begin(), found.begin(), found.end());
}

std::string Join(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder.back() == '/' ? folder + name : folder + '/' + name;
}

} // namespace

bool IsTrustedInFolder(const std::string& folder, uid_t owner)
{
    struct stat dir {};
    if (::stat(folder.empty() ? "." : folder.c_str(), &dir) != 0)
        return false;
    const bool shared = (dir.st_mode & S_ISVTX) && (dir.st_mode & S_IWOTH);
    return !shared || owner == ::geteuid() || owner == dir.st_uid;
}

bool IsSharedFolder(const std::string& folder) { return !IsTrustedInFolder(folder, uid_t(-1)); }

TLinkWalk WalkFileLinks(const std::string& path)
{
    TLinkWalk walk;
    std::string done = !path.empty() && path[0] == '/' ? "/" : "";  // no link in it
    std::deque<std::string> todo;
    PushFront(todo, path);
    int hops = 0;
    while (!todo.empty()) {
        const std::string part = todo.front();
        todo.pop_front();
        if (part.empty() || part == ".")
            continue;
        const std::string next = Join(done, part);
        struct stat st {};
        if (part == ".." || ::lstat(next.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            done = next;  // what is missing is taken as it stands
            continue;
        }
        if (++hops > 40) {  // as many as the system itself follows
            walk.Error = ELOOP;
            return walk;
        }
        if (!IsTrustedInFolder(done, st.st_uid)) {
            walk.Error = EACCES;
            walk.Refused = next;
            return walk;
        }
        std::vector<char> to(size_t(st.st_size > 0 ? st.st_size : 255) + 1);
        ssize_t n;
        while ((n = ::readlink(next.c_str(), to.data(), to.size())) == ssize_t(to.size()))
            to.resize(to.size() * 2);
        if (n < 0) {
            done = next;
            continue;
        }
        const std::string link(to.data(), size_t(n));
        if (!link.empty() && link[0] == '/')
            done = "/";
        PushFront(todo, link);
    }
    walk.Target = done.empty() ? "." : done;
    return walk;
}
