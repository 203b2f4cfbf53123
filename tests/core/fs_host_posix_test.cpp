// The host's file calls over what only POSIX systems have: FIFOs, device nodes and
// sockets as outputs, file modes and owners, the file-size limit and signals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/errors.hpp"
#include "core/fs.hpp"
#include "tests/core/host_calls.hpp"

namespace {

namespace fs = core::fs;
using host_calls::HostCalls;
using host_calls::NUL_TAIL;

// The errno that read_whole raises for `path`, 0 for none.
int read_whole_error(const std::string& path) {
    try {
        fs::read_whole(path);
        return 0;
    } catch (const core::OsError& e) {
        EXPECT_EQ(e.filename, path);
        return e.err;
    }
}

// Only a regular file is read whole: a FIFO without a writer would wait for ever, so it
// is refused without being opened, as a directory is.
TEST_F(HostCalls, ReadWholeReadsOnlyARegularFile) {
    file("f.txt", "abc");
    link("f.txt", "to-f");
    ASSERT_EQ(mkfifo(at("fifo").c_str(), 0600), 0);
    link("fifo", "to-fifo");
    EXPECT_EQ(fs::read_whole(at("to-f")), "abc");
    for (const auto& [p, err] : std::vector<std::pair<std::string, int>>{{dir, EISDIR},
                                                                         {at("missing"), ENOENT},
                                                                         {at("f.txt") + NUL_TAIL, ENOENT},
                                                                         {at("fifo"), EINVAL},
                                                                         {at("to-fifo"), EINVAL}})
        EXPECT_EQ(read_whole_error(p), err) << p;
}

// What the entry at `path` is, links followed: the S_IFMT bits and the device number.
std::pair<mode_t, dev_t> kind_of(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return {0, 0};
    return {st.st_mode & S_IFMT, st.st_rdev};
}

// A device node at the output path (or at the end of a link) is written in place, never
// replaced by a regular file, and is not read as a file. The nodes are private ones in the scratch folder: the
// null and zero devices' numbers, which take any write.
TEST_F(HostCalls, ADeviceIsWrittenInPlaceAndNeverRead) {
    for (const auto& [name, minor] : std::vector<std::pair<std::string, unsigned>>{{"null", 3}, {"zero", 5}}) {
        if (mknod(at(name).c_str(), S_IFCHR | 0666, makedev(1, minor)) != 0)
            GTEST_SKIP() << "no device node can be made here: " << std::strerror(errno);
    }
    link("zero", "to-zero");
    for (const char* rel : {"null", "to-zero"}) {
        fs::replace_text(at(rel), "{\n}");
        fs::replace_text(at(rel), std::string(1 << 20, 'x'));
    }
    EXPECT_EQ(kind_of(at("null")), std::make_pair(mode_t{S_IFCHR}, makedev(1, 3)));
    EXPECT_EQ(kind_of(at("zero")), std::make_pair(mode_t{S_IFCHR}, makedev(1, 5)));
    EXPECT_TRUE(fs::is_link(at("to-zero")));
    EXPECT_EQ(names().size(), 3u);  // no temporary file left beside them
    // The zero device's bytes never end.
    EXPECT_EQ(read_whole_error(at("to-zero")), EINVAL);
    std::string bytes;
    EXPECT_EQ(fs::disk().read_regular_file(at("zero"), bytes), EINVAL);
}

// A FIFO, directly or through a link, gets the whole content through its reader and
// stays a FIFO; a socket, which cannot be opened for writing, refuses and stays a
// socket.
TEST_F(HostCalls, ReplaceWritesIntoAFifoAndLeavesASocket) {
    ASSERT_EQ(mkfifo(at("fifo").c_str(), 0600), 0);
    link(at("fifo"), "to-fifo");
    const std::string big(1 << 20, 'g');  // far beyond the pipe's buffer
    for (const char* rel : {"fifo", "to-fifo"}) {
        // A descriptor open for both ends holds the FIFO open, so the reader's open
        // never waits and its read ends only once that one closes after the write.
        const int hold = open(at("fifo").c_str(), O_RDWR);
        ASSERT_GE(hold, 0);
        std::string got;
        std::thread reader([&] {
            const int fd = open(at("fifo").c_str(), O_RDONLY);
            char buf[65536];
            for (ssize_t n; fd >= 0 && (n = ::read(fd, buf, sizeof buf)) > 0;) got.append(buf, static_cast<size_t>(n));
            if (fd >= 0) close(fd);
        });
        EXPECT_NO_THROW(fs::replace_text(at(rel), big)) << rel;
        close(hold);
        reader.join();
        EXPECT_EQ(got.size(), big.size()) << rel;
        EXPECT_EQ(kind_of(at("fifo")).first, mode_t{S_IFIFO}) << rel;
    }
    EXPECT_TRUE(fs::is_link(at("to-fifo")));

    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sock_path = at("sock");
    ASSERT_LT(sock_path.size(), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, sock_path.c_str(), sock_path.size() + 1);
    ASSERT_EQ(bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    try {
        fs::replace_text(sock_path, "x");
        ADD_FAILURE() << "a socket was written";
    } catch (const core::OsError& e) {
        EXPECT_EQ(e.err, ENXIO);
    }
    close(sock);
    EXPECT_EQ(kind_of(sock_path).first, mode_t{S_IFSOCK});
    EXPECT_EQ(names().size(), 3u);
}

// Runs `write` under a file-size limit of `limit` bytes (SIGXFSZ ignored, as the host
// does) and returns the errno of the OsError it raised, 0 for none.
int errno_under_size_limit(rlim_t limit, const std::function<void()>& write) {
    struct rlimit saved;
    if (getrlimit(RLIMIT_FSIZE, &saved) != 0) return -1;
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = limit;
    int err = setrlimit(RLIMIT_FSIZE, &small) == 0 ? 0 : -1;
    if (err == 0) {
        try {
            write();
        } catch (const core::OsError& e) {
            err = e.err;
        }
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    return err;
}

// A write that fails part-way (here: the file-size limit) leaves the previous content.
TEST_F(HostCalls, ReplaceFailingPartWayKeepsThePreviousFile) {
    fs::replace_text(at("graph.json"), "old");
    EXPECT_EQ(errno_under_size_limit(16, [&] { fs::replace_text(at("graph.json"), std::string(100, 'x')); }), EFBIG);
    EXPECT_EQ(read("graph.json"), "old");
    EXPECT_EQ(names(), std::vector<std::string>{"graph.json"});
}

// Rewriting an output keeps who may read it: the new file takes the old one's mode,
// and its owner where the process may set one (root may; others keep their own).
TEST_F(HostCalls, ReplaceKeepsTheModeAndOwnerOfTheFileItReplaces) {
    for (const mode_t mode : {0600, 0640, 0755, 0444}) {
        file("graph.json", "old");
        ASSERT_EQ(chmod(at("graph.json").c_str(), mode), 0);
        fs::replace_text(at("graph.json"), "new");
        struct stat st;
        ASSERT_EQ(stat(at("graph.json").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
        EXPECT_EQ(read("graph.json"), "new");
        ASSERT_EQ(chmod(at("graph.json").c_str(), 0644), 0);
    }
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(at("graph.json").c_str(), 4321, 4322), 0);
    }
    fs::replace_text(at("graph.json"), "again");
    struct stat st;
    ASSERT_EQ(stat(at("graph.json").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, root ? 4321u : geteuid());
    EXPECT_EQ(st.st_gid, root ? 4322u : getegid());
    EXPECT_EQ(names(), std::vector<std::string>{"graph.json"});
}

// A process ended by SIGINT, SIGTERM or SIGHUP while it replaces a file leaves the old
// or the new file and no temporary one. The child replaces the file over and over, so
// almost every kill lands while a temporary file exists.
TEST_F(HostCalls, AKillDuringReplaceLeavesNoTemporaryFile) {
    const std::string big(4 << 20, 'x');
    fs::replace_text(at("graph.json"), big);
    int kills = 0;
    for (const int sig : {SIGTERM, SIGHUP, SIGINT}) {
        for (int round = 0; round < 4; ++round) {
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                try {
                    for (;;) fs::replace_text(at("graph.json"), big);
                } catch (...) {
                }
                _exit(3);
            }
            usleep(static_cast<useconds_t>(2000 + 7000 * round));
            ASSERT_EQ(kill(child, sig), 0);
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig << " " << status;
            ++kills;
            EXPECT_EQ(names(), std::vector<std::string>{"graph.json"}) << "signal " << sig << ", round " << round;
            EXPECT_EQ(read("graph.json").size(), big.size());
        }
    }
    EXPECT_EQ(kills, 12);
}

// An append cut short leaves a line without its line feed; the next one starts anew
// instead of joining it, so the next line is whole.
TEST_F(HostCalls, AppendAfterOneCutShortStartsItsOwnLine) {
    fs::append_lines(at("log.jsonl"), "{\"a\": 1}\n");
    EXPECT_EQ(errno_under_size_limit(14, [&] { fs::append_lines(at("log.jsonl"), "{\"b\": 2}\n"); }), EFBIG);
    EXPECT_EQ(read("log.jsonl"), "{\"a\": 1}\n{\"b\":");
    fs::append_lines(at("log.jsonl"), "{\"c\": 3}\n");
    EXPECT_EQ(read("log.jsonl"), "{\"a\": 1}\n{\"b\":\n{\"c\": 3}\n");
    file("empty.jsonl", "");
    fs::append_lines(at("empty.jsonl"), "x\n");
    EXPECT_EQ(read("empty.jsonl"), "x\n");
}

TEST_F(HostCalls, ExecutableAsTheProcessMayRunIt) {
    file("run.sh", "#!/bin/sh\n");
    file("plain.txt");
    ASSERT_EQ(chmod(at("run.sh").c_str(), 0755), 0);
    EXPECT_TRUE(fs::disk().executable(at("run.sh")));
    EXPECT_FALSE(fs::disk().executable(at("plain.txt")));
    EXPECT_FALSE(fs::disk().executable(at("missing")));
    EXPECT_FALSE(fs::disk().executable(at("run.sh") + NUL_TAIL));
}

}  // namespace
