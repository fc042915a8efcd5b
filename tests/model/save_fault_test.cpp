// Saving when things go wrong: writes that fail part-way, a file system that is full or read-only,
// a folder or file the user may not write, the process killed at any moment of a save, and paths
// that are symbolic links or not files at all. In every trial the file at the path stays the
// previous project byte for byte (or, once a save has completed, is the new one whole), the save
// says it failed and why, and no temporary file is left behind, even by a save cut off while
// writing.

#include "model/project_file.h"
#include "support/forked.h"
#include "support/project_bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace cartonic {
namespace {

using test::fileOf;
using test::readBytes;
using test::TempDir;
using Bytes = std::vector<char>;

ProjectData record(float width) {
    ProjectData d;
    d.setDimensions(width, kStartBoxDepth, kStartBoxHeight);
    setPath(d.faceSlots[Front].imagePath, "front.png");
    return d;
}

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A write that lets budget bytes through, at most chunk per call, and then fails with error,
// or kills the process when error is kKilled.
struct WriteFault {
    static constexpr int kKilled = 0;
    static inline std::size_t budget = 0;
    static inline std::size_t chunk = 0;
    static inline int error = 0;

    static ssize_t write(int fd, const void* buffer, std::size_t n) {
        if (budget == 0) {
            if (error == kKilled) {
                ::raise(SIGKILL);
            }
            errno = error;
            return -1;
        }
        const std::size_t k = std::min({n, chunk, budget});
        budget -= k;
        return ::write(fd, buffer, k);
    }

    WriteFault(std::size_t allowed, std::size_t perCall, int failure) {
        budget = allowed;
        chunk = perCall;
        error = failure;
        setSaveWriteFunction(&WriteFault::write);
    }
    ~WriteFault() { setSaveWriteFunction(nullptr); }
};

TEST(SaveFault, WriteFailingAtAnyPointKeepsThePreviousFile) {
    TempDir dir;
    const std::string path = dir.file("keep.ctn");
    ASSERT_TRUE(saveProject(record(2.0f), path));
    const Bytes previous = readBytes(path);
    const ProjectData next = record(3.0f);

    int trials = 0;
    for (std::size_t allowed : {0, 1, 3, 4, 5, 100, 2048, 4420, 4423}) {
        for (std::size_t perCall :
             {std::size_t{1}, std::size_t{7}, std::size_t{4096}, kProjectFileSize}) {
            for (int error : {ENOSPC, EIO, EDQUOT}) {
                SCOPED_TRACE(testing::Message() << allowed << " bytes in " << perCall
                                                << "-byte writes, then " << std::strerror(error));
                WriteFault fault(allowed, perCall, error);
                const Status status = saveProject(next, path);
                EXPECT_EQ(status.kind(), Status::Kind::WriteFailed);
                EXPECT_NE(status.message().find(std::strerror(error)), std::string::npos)
                    << status.message();
                ASSERT_EQ(readBytes(path), previous);
                ASSERT_EQ(entries(dir.path()), std::vector<std::string>{"keep.ctn"});
                ++trials;
            }
        }
    }
    EXPECT_EQ(trials, 108);

    // Enough room, however it is written in pieces: the new file, whole.
    WriteFault enough(kProjectFileSize, 7, ENOSPC);
    ASSERT_TRUE(saveProject(next, path));
    EXPECT_EQ(readBytes(path), fileOf(next));
}

TEST(SaveFault, ASaveKilledWhileWritingLeavesNothingBehind) {
    TempDir dir;
    const std::string path = dir.file("keep.ctn");
    ASSERT_TRUE(saveProject(record(2.0f), path));
    const Bytes previous = readBytes(path);
    for (std::size_t written : {std::size_t{0}, std::size_t{2048}}) {
        const test::ChildResult result = test::runForked([&] {
            WriteFault killed(written, kProjectFileSize, WriteFault::kKilled);
            static_cast<void>(saveProject(record(3.0f), path)); // killed inside
            return 0;
        });
        ASSERT_EQ(result.status, 128 + SIGKILL) << written;
        EXPECT_EQ(readBytes(path), previous) << written;
        EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"keep.ctn"}) << written;
    }
}

TEST(SaveFault, FileSizeLimitKeepsThePreviousFile) {
    // The kernel refuses the write itself, as on a full disk, with no privileges needed.
    TempDir dir;
    const std::string path = dir.file("keep.ctn");
    ASSERT_TRUE(saveProject(record(2.0f), path));
    const Bytes previous = readBytes(path);
    const test::ChildResult result = test::runForked([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &small);
        const Status status = saveProject(record(3.0f), path);
        if (status) {
            return 1;
        }
        return status.message().find(std::strerror(EFBIG)) != std::string::npos ? 0 : 2;
    });
    EXPECT_EQ(result.status, 0) << "1: the save claimed success, 2: the reason was not given";
    EXPECT_EQ(readBytes(path), previous);
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"keep.ctn"});
}

// In a child with a mount namespace of its own: a 16 KiB tmpfs at folder. False when this
// system does not allow it.
bool mountSmallFileSystem(const std::string& folder) {
    if (::unshare(CLONE_NEWNS) != 0) {
        return false;
    }
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=16k,mode=0700") == 0;
}

TEST(SaveFault, FullAndReadOnlyFileSystemsKeepThePreviousFile) {
    TempDir dir;
    const std::string folder = dir.file("small");
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/keep.ctn";
    // Each failed check ends the child with its own code.
    const test::ChildResult result = test::runForked([&] {
        if (!mountSmallFileSystem(folder)) {
            return 77;
        }
        if (!saveProject(record(2.0f), path)) {
            return 10;
        }
        const Bytes previous = readBytes(path);
        // Fill what is left of the file system.
        {
            std::FILE* filler = std::fopen((folder + "/filler").c_str(), "wb");
            const std::vector<char> block(512, 'f');
            while (filler && std::fwrite(block.data(), 1, block.size(), filler) == block.size() &&
                   std::fflush(filler) == 0) {
            }
            if (filler) {
                std::fclose(filler);
            }
        }
        const Status full = saveProject(record(3.0f), path);
        if (full) {
            return 11;
        }
        if (full.message().find(std::strerror(ENOSPC)) == std::string::npos) {
            return 12;
        }
        if (readBytes(path) != previous || entries(folder).size() != 2) {
            return 13;
        }
        // The same file system made read-only.
        std::filesystem::remove(folder + "/filler");
        if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            return 14;
        }
        const Status readOnly = saveProject(record(3.0f), path);
        if (readOnly || readOnly.message().empty()) {
            return 15;
        }
        return readBytes(path) == previous ? 0 : 16;
    });
    if (result.status == 77) {
        GTEST_SKIP() << "no tmpfs can be mounted here; the file size limit test stands in";
    }
    EXPECT_EQ(result.status, 0) << "see the return codes in the test";
}

TEST(SaveFault, ReadOnlyFolderAndWriteProtectedFileAreNotOverwritten) {
    TempDir dir;
    const std::string lockedFolder = dir.file("locked");
    const std::string openFolder = dir.file("open");
    std::filesystem::create_directory(lockedFolder);
    std::filesystem::create_directory(openFolder);
    const std::string inLocked = lockedFolder + "/keep.ctn";
    const std::string protectedFile = openFolder + "/keep.ctn";
    ASSERT_TRUE(saveProject(record(2.0f), inLocked));
    ASSERT_TRUE(saveProject(record(2.0f), protectedFile));
    const Bytes previous = readBytes(inLocked);
    ASSERT_EQ(::chmod(lockedFolder.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(protectedFile.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);

    // Root may write anything, so the saves are tried as a user who owns both files and the
    // folder "open", but not the folder "locked".
    const bool root = ::geteuid() == 0;
    if (root) {
        for (const std::string& p : {openFolder, protectedFile, inLocked}) {
            ASSERT_EQ(::chown(p.c_str(), test::kNobody, test::kNobody), 0);
        }
    }
    const test::ChildResult result = test::runForked([&] {
        if (root && !test::becomeNobody()) {
            return 77;
        }
        const Status locked = saveProject(record(3.0f), inLocked);
        if (locked || locked.message().find("cannot create a file in " + lockedFolder) != 0) {
            return 1;
        }
        const Status writeProtected = saveProject(record(3.0f), protectedFile);
        if (writeProtected ||
            writeProtected.message().find("write-protected") == std::string::npos) {
            return 2;
        }
        return 0;
    });
    ASSERT_NE(result.status, 77) << "cannot switch to an unprivileged user";
    EXPECT_EQ(result.status, 0) << "1: the read-only folder, 2: the write-protected file";
    EXPECT_EQ(readBytes(inLocked), previous);
    EXPECT_EQ(readBytes(protectedFile), previous);
    EXPECT_EQ(entries(lockedFolder), std::vector<std::string>{"keep.ctn"});
    EXPECT_EQ(entries(openFolder), std::vector<std::string>{"keep.ctn"});
    ::chmod(lockedFolder.c_str(), 0755);
}

TEST(SaveFault, ALinkIsFollowedAndTheFileItLeadsToReplaced) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("real"));
    const std::string target = dir.file("real/keep.ctn");
    ASSERT_TRUE(saveProject(record(2.0f), target));
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    const Bytes previous = readBytes(target);
    // A chain: a relative link, read from its own folder, to an absolute link to the file.
    std::filesystem::create_symlink(target, dir.file("real/absolute.ctn"));
    std::filesystem::create_symlink("real/absolute.ctn", dir.file("link.ctn"));
    const std::string link = dir.file("link.ctn");
    const std::vector<std::string> real = {"absolute.ctn", "keep.ctn"};

    {
        WriteFault full(100, 7, ENOSPC);
        EXPECT_FALSE(saveProject(record(3.0f), link));
        EXPECT_EQ(readBytes(target), previous);
    }
    ASSERT_TRUE(saveProject(record(3.0f), link));
    EXPECT_EQ(readBytes(target), fileOf(record(3.0f)));
    EXPECT_EQ(std::filesystem::read_symlink(link), "real/absolute.ctn");
    EXPECT_EQ(std::filesystem::read_symlink(dir.file("real/absolute.ctn")), target);
    EXPECT_EQ(entries(dir.file("real")), real);
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(SaveFault, WhatLeadsToNoFileOrToNoRegularFileIsNeverReplaced) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo.ctn").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder.ctn"));
    std::filesystem::create_symlink("missing.ctn", dir.file("dangling.ctn"));
    std::filesystem::create_symlink(dir.file("fifo.ctn"), dir.file("to-fifo.ctn"));
    std::filesystem::create_symlink("loop.ctn", dir.file("loop.ctn"));
    using Kind = Status::Kind;
    struct Case {
        std::string name;
        std::string why;
        Kind kind;
    };
    std::vector<Case> cases = {
        {"fifo.ctn", "it is a FIFO (named pipe), not a file", Kind::WriteFailed},
        {"folder.ctn", "it is a folder, not a file", Kind::WriteFailed},
        {"dangling.ctn", "it is a symbolic link to a missing file: " + dir.file("missing.ctn"),
         Kind::NotFound},
        {"to-fifo.ctn",
         "it is a symbolic link to a FIFO (named pipe), not a file: " + dir.file("fifo.ctn"),
         Kind::WriteFailed},
        {"loop.ctn", "it is a symbolic link that leads to no file: " + std::string(strerror(ELOOP)),
         Kind::NotFound},
    };
    // A device of its own, where this system lets the test make one (the null device's numbers).
    if (::mknod(dir.file("null.ctn").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        cases.push_back({"null.ctn", "it is a device, not a file", Kind::WriteFailed});
    }
    const std::vector<std::string> before = entries(dir.path());
    for (const Case& c : cases) {
        const Status status = saveProject(record(3.0f), dir.file(c.name));
        EXPECT_EQ(status.message(), c.why) << c.name;
        EXPECT_EQ(status.kind(), c.kind) << c.name;
    }
    EXPECT_EQ(entries(dir.path()), before) << "nothing created, nothing left";
    struct stat info {};
    ASSERT_EQ(::lstat(dir.file("fifo.ctn").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("dangling.ctn")));
}

// Starts a child that saves a and b to path by turns until it is killed.
pid_t startSaving(const std::string& path, const ProjectData& a, const ProjectData& b) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (;;) {
            static_cast<void>(saveProject(b, path));
            static_cast<void>(saveProject(a, path));
        }
    }
    return pid;
}

TEST(SaveFault, KillingTheProcessMidSaveLeavesOneWholeProject) {
    TempDir dir;
    const std::string path = dir.file("keep.ctn");
    const ProjectData a = record(2.0f), b = record(3.0f);
    const Bytes fileA = fileOf(a), fileB = fileOf(b);
    ASSERT_TRUE(saveProject(a, path));
    std::mt19937 random(7);
    std::uniform_int_distribution<int> delayUs(0, 12000);

    constexpr int kTrials = 30;
    int sawA = 0, sawB = 0, leftovers = 0;
    // A signal that can wait does so until a save is complete, so it leaves nothing. SIGKILL
    // cannot: between the new file's taking a temporary name and its rename over the project
    // it leaves that name, and nowhere else.
    for (const int signal : {SIGTERM, SIGKILL}) {
        for (int trial = 0; trial < kTrials; ++trial) {
            const pid_t pid = startSaving(path, a, b);
            ASSERT_GT(pid, 0);
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
            ::kill(pid, signal);
            ASSERT_EQ(test::waitForChild(pid).status, 128 + signal);

            const Bytes now = readBytes(path);
            ASSERT_TRUE(now == fileA || now == fileB)
                << "trial " << trial << ": " << now.size() << " bytes, neither project whole";
            (now == fileA ? sawA : sawB)++;
            for (const std::string& name : entries(dir.path())) {
                if (name != "keep.ctn") {
                    ASSERT_EQ(signal, SIGKILL) << "left " << name;
                    ASSERT_EQ(name.rfind(".cartonic-", 0), 0u) << name;
                    std::filesystem::remove(dir.file(name));
                    ++leftovers;
                }
            }
        }
    }
    RecordProperty("whole_old_or_new", testing::PrintToString(std::pair{sawA, sawB}));
    RecordProperty("temporary_files_left_by_sigkill", leftovers);

    // The very first save of a project, killed: no file or the whole file.
    for (int trial = 0; trial < 10; ++trial) {
        const std::string fresh = dir.file("fresh" + std::to_string(trial) + ".ctn");
        const pid_t pid = startSaving(fresh, a, b);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random) / 4));
        ::kill(pid, SIGKILL);
        test::waitForChild(pid);
        if (std::filesystem::exists(fresh)) {
            const Bytes now = readBytes(fresh);
            EXPECT_TRUE(now == fileA || now == fileB) << fresh;
        }
    }
}

} // namespace
} // namespace cartonic
