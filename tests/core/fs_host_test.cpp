// The host's file calls over the file system in force: existence and directory tests as
// the host answers them, nested directory creation, whole reads, and the replacing and
// appending writes.
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
#include "tests/core/host_script.hpp"
#include "tests/core/scratch_tree.hpp"

namespace {

namespace fs = core::fs;

class HostCalls : public scratch::Tree {
protected:
    std::vector<std::string> names() const {
        std::vector<fs::DirEntry> entries;
        fs::Status self;
        EXPECT_EQ(fs::disk().list_dir(dir, entries, self), 0);
        std::vector<std::string> out;
        for (const auto& e : entries) out.push_back(e.name);
        return out;
    }
};

const std::string NUL_TAIL("\0x", 2);

TEST_F(HostCalls, ExistsIsDirAndIsLink) {
    file("a/f.txt");
    link(at("a/missing"), "dangling");
    link(at("loop"), "loop");
    EXPECT_TRUE(fs::exists(at("a/f.txt")));
    EXPECT_TRUE(fs::exists(at("a")));
    EXPECT_TRUE(fs::is_dir(at("a")));
    EXPECT_FALSE(fs::is_dir(at("a/f.txt")));
    for (const char* rel : {"nope", "a/f.txt/under", "dangling", "loop"}) {
        EXPECT_FALSE(fs::exists(at(rel))) << rel;
        EXPECT_FALSE(fs::is_dir(at(rel))) << rel;
    }
    // A NUL names no file, not the file before it.
    EXPECT_FALSE(fs::exists(at("a") + NUL_TAIL));
    EXPECT_FALSE(fs::is_dir(at("a") + NUL_TAIL));
    EXPECT_TRUE(fs::is_link(at("dangling")));
    EXPECT_FALSE(fs::is_link(at("a")));
    EXPECT_FALSE(fs::is_link(at("dangling") + NUL_TAIL));
}

// Path.exists() and .is_dir() raise for a failure other than the four they pass over:
// a name longer than the file system takes (for every user, root included), and a
// directory that may not be searched (for every user but root). Both sides answer each
// path: a truth value, or the error number raised.
TEST_F(HostCalls, ExistsRaisesWhatTheHostDoesNotIgnore) {
    file("locked/f.txt");
    file("a/f.txt");
    link(at("loop"), "loop");
    const std::string long_name(300, 'n');
    std::vector<std::pair<std::string, int>> raising = {{at(long_name), ENAMETOOLONG},
                                                        {at("a/" + long_name + "/f.txt"), ENAMETOOLONG}};
    struct Unlock {
        std::string dir;
        ~Unlock() { chmod(dir.c_str(), 0755); }
    } unlock{at("locked")};
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(at("locked").c_str(), 0), 0);
        raising.emplace_back(at("locked/f.txt"), EACCES);
    }
    const auto answer = [](const std::function<bool()>& test) -> nlohmann::json {
        try {
            return test();
        } catch (const core::OsError& e) {
            return e.err;
        }
    };
    std::vector<std::string> paths = {at("a/f.txt"), at("a"), at("nope"), at("a/f.txt/under"), at("loop")};
    nlohmann::json ours = nlohmann::json::array();
    for (const auto& [raised_at, err] : raising) {
        const std::string& path = raised_at;
        EXPECT_EQ(answer([&] { return fs::exists(path); }), err) << path;
        EXPECT_EQ(answer([&] { return fs::is_dir(path); }), err) << path;
        paths.push_back(path);
    }
    for (const std::string& path : paths)
        ours.push_back({answer([&] { return fs::exists(path); }), answer([&] { return fs::is_dir(path); })});
    const nlohmann::json host = host_script::run_host_script(R"py(import json, pathlib, sys
def answer(test):
    try:
        return test()
    except OSError as e:
        return e.errno
paths = json.load(open(sys.argv[1]))["paths"]
out = [[answer(pathlib.Path(p).exists), answer(pathlib.Path(p).is_dir)] for p in paths]
json.dump(out, open(sys.argv[2], "w"))
)py",
                                                             {{"paths", paths}});
    EXPECT_EQ(ours, host);
}

TEST_F(HostCalls, MakeDirsCreatesParentsAndAcceptsAnExistingDirectory) {
    fs::make_dirs(at("x/y/z"));
    EXPECT_TRUE(fs::is_dir(at("x/y/z")));
    fs::make_dirs(at("x/y"));
    file("x/plain");
    try {
        fs::make_dirs(at("x/plain"));
        ADD_FAILURE() << "no error for an existing file";
    } catch (const core::OsError& e) {
        EXPECT_EQ(e.err, EEXIST);
    }
    EXPECT_THROW(fs::make_dirs(at("x/plain/under")), core::OsError);
    try {
        fs::make_dirs(at("x/n") + NUL_TAIL);
        ADD_FAILURE() << "no error for a NUL";
    } catch (const core::OsError& e) {
        EXPECT_EQ(e.err, EINVAL);
    }
    EXPECT_FALSE(fs::exists(at("x/n")));
}

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

TEST_F(HostCalls, ReplaceWritesThroughALinkAndLeavesNoTemporary) {
    link("target.json", "graph.json");
    fs::replace_text(at("graph.json"), "{\n}");
    EXPECT_TRUE(fs::is_link(at("graph.json")));
    EXPECT_EQ(read("target.json"), "{\n}");
    fs::replace_text(at("graph.json"), "[]");
    EXPECT_EQ(read("target.json"), "[]");
    EXPECT_EQ(names().size(), 2u);
    // The mode a plain create gives, the creation mask applied.
    const mode_t mask = umask(0);
    umask(mask);
    struct stat st;
    ASSERT_EQ(stat(at("target.json").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    try {
        fs::replace_text(at("missing/x.json"), "x");
        ADD_FAILURE() << "no error";
    } catch (const core::OsError& e) {
        EXPECT_EQ(e.err, ENOENT);
        EXPECT_EQ(e.filename, at("missing/x.json"));
    }
    EXPECT_THROW(fs::replace_text(at("n") + NUL_TAIL, "x"), core::OsError);
    EXPECT_EQ(names().size(), 2u);
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

TEST_F(HostCalls, AppendCreatesThenAdds) {
    fs::append_lines(at("log.jsonl"), "a\n");
    fs::append_lines(at("log.jsonl"), "b\n");
    EXPECT_EQ(read("log.jsonl"), "a\nb\n");
    EXPECT_THROW(fs::append_lines(at("missing/log"), "x\n"), core::OsError);
    EXPECT_THROW(fs::append_lines(at("log") + NUL_TAIL, "x\n"), core::OsError);
    EXPECT_FALSE(fs::exists(at("log")));
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

TEST_F(HostCalls, MappedReadsHoldTheWholeFile) {
    const std::string big = std::string("a\0b\r\n", 5) + std::string(100000, 'z');
    file("big.bin", big);
    file("empty.txt", "");
    for (const auto& [rel, want] :
         std::vector<std::pair<std::string, std::string>>{{"big.bin", big}, {"empty.txt", ""}}) {
        fs::FileBytes bytes;
        ASSERT_EQ(fs::disk().map_file(at(rel), bytes), 0) << rel;
        EXPECT_TRUE(bytes.bytes() == want) << rel;
    }
    fs::FileBytes none;
    EXPECT_EQ(fs::disk().map_file(at("missing"), none), ENOENT);
    EXPECT_EQ(fs::disk().map_file(dir, none), EISDIR);
    EXPECT_EQ(fs::disk().map_file(at("big.bin") + NUL_TAIL, none), ENOENT);
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
