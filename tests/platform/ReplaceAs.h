#pragma once
// Replacing a file as a saver of the tests would: the data file (a backup, nothing but regular
// files) or an export, as root or as another user (setresuid in a child), and in a mount
// namespace of its own (tmpfs, FAT through FUSE) that goes with the child.
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>

#include "platform/Exceptions.h"
#include "platform/SafeFileReplace.h"
#include "platform/Stream.h"
#include "tests/platform/FileSizeLimit.h"

constexpr uid_t kSaver = 4242, kOther = 4343, kRoot = 0;
constexpr gid_t kShared = 4444;  // a group the saver belongs to besides his own

constexpr TReplaceRules kSave{true, true}, kExport{};

// "saved", "saved, " and why no backup was made, or the message of the refusal.
// beforeCommit, when given, runs between the backup and the rename (and may break the save).
// whileWriting, when given, runs while the content is made.
inline std::string Replace(const std::string& name, TReplaceRules rules = kSave, const std::string& bytes = "new",
                           const std::function<void()>& beforeCommit = {}, const std::function<void()>& whileWriting = {})
{
    try {
        TSafeFileReplace replace(name, rules);
        replace.Write([&](TStream& s) {
            if (whileWriting)
                whileWriting();
            s.WriteBuffer(bytes.data(), int64_t(bytes.size()));
        });
        const std::string refused = rules.Backup ? replace.KeepBackup() : "";
        if (beforeCommit)
            beforeCommit();
        replace.Commit();
        return refused.empty() ? "saved" : "saved, " + refused;
    } catch (const Exception& e) {
        return e.Message();
    }
}

inline std::string ReplaceAs(uid_t user, const std::string& name, TReplaceRules rules = kSave,
                             const std::string& bytes = "new", const std::function<void()>& whileWriting = {})
{
    if (user == kRoot)
        return Replace(name, rules, bytes, {}, whileWriting);
    int status = 0;
    return RunInChild(
        [&]() -> std::string {
            if (::setgroups(1, &kShared) != 0 || ::setresgid(user, user, user) != 0 || ::setresuid(user, user, user) != 0)
                return "could not become the user";
            return Replace(name, rules, bytes, {}, whileWriting);
        },
        status);
}

// What f says when run in a child with a mount namespace of its own; "skip: " and why when the
// system gives none.
inline std::string InOwnMountNamespace(const std::function<std::string()>& f)
{
    int status = 0;
    return RunInChild(
        [&]() -> std::string {
            if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return std::string("skip: no mount namespace of our own: ") + std::strerror(errno);
            return f();
        },
        status);
}
