#pragma once
// Who may do what with a file beyond its owner, group and mode: its extended attributes, the
// access ACL among them.
#include <string>

#include <sys/types.h>

// Gives file `to` the extended attributes of file `from`, each where the system allows it; its
// access ACL exactly: the one of `from`, or none (not even one a folder's default gave it).
void CopyExtendedAttributes(const std::string& from, int to);

// Gives a copy of file `from` (owner uid, group gid, mode) that could not be given that owner
// and group no more access than `from` gave: the copy's own group gets only what `from` gave
// everyone else, and `from`'s owner and group keep their rights through named ACL entries.
// Where the copy keeps no ACL, its group bits are those of everyone else.
void GiveCopyTheOldAccess(const std::string& from, int to, uid_t uid, gid_t gid, mode_t mode);
