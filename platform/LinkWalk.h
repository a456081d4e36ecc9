#pragma once
// Following the links of a name by hand, as the kernel would for a process that writes there.
#include <string>

#include <sys/types.h>

struct TLinkWalk {
    std::string Target;   // the name with every link in it followed; empty when refused
    int Error = 0;        // ELOOP for a chain that never ends, EACCES for a refused link
    std::string Refused;  // the link refused
};

// In a sticky folder that everyone may write (/tmp), a link is followed only when it belongs to
// this process's user or to the folder's owner: another user's link there must not lead a write
// into this user's files, whatever the machine's own setting for such links says.
TLinkWalk WalkFileLinks(const std::string& path);

// Whether what belongs to owner may be trusted in folder: in a sticky folder that everyone may
// write, only what belongs to this process's user or to the folder's owner is.
bool IsTrustedInFolder(const std::string& folder, uid_t owner);
// A sticky folder that everyone may write (or one that cannot be looked at).
bool IsSharedFolder(const std::string& folder);
