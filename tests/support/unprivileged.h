// SPDX-License-Identifier: MIT
// Runs a test case as an ordinary user. Root may write and remove where the
// case needs a refusal, so started as root (as CI and a fresh machine run)
// the case runs in a child process that has given up root for the user
// "nobody", with the test's folder handed to that user. POSIX only: only
// tests built for POSIX alone include this.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavelin::testing {

template <class Body>
void RunUnprivileged(const std::filesystem::path& dir, Body body)
{
    if (geteuid() != 0) {
        body();
        return;
    }
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr) << "no user nobody to run the case as";
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    ASSERT_EQ(chown(dir.c_str(), uid, gid), 0);
    std::fflush(nullptr); // nothing buffered is written twice
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0 || geteuid() == 0)
            _exit(2);
        body();
        std::fflush(nullptr);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the case ended by signal " << WTERMSIG(status);
    EXPECT_NE(WEXITSTATUS(status), 2) << "could not give up root";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the case failed as user nobody (its messages are above)";
}

} // namespace tavelin::testing
