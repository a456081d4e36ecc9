#pragma once
// Who may do what with a file beyond its owner, group and mode: its extended attributes, the
// access ACL among them.
#include <string>

#include <sys/types.h>

// Gives file `to` the extended attributes of file `from`, each where the system allows it; its
// access ACL exactly: the one of `from`, or none (not even one a folder's default gave it).
void CopyExtendedAttributes(const std::string& from, int to);

// Gives the owner and group of a file back their rights (from its mode) to a copy of it that
// could not be given to them, through named entries of the copy's access ACL.
void GrantOwnerAndGroup(int fd, uid_t uid, gid_t gid, mode_t mode);
