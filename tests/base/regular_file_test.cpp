// The bounded read every reader of a named file shares: what it opens, what it refuses and why,
// and that it never blocks on what is not a file.

#include "base/regular_file.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cartonic {
namespace {

using test::TempDir;

constexpr std::int64_t kMost = 16;

TEST(RegularFile, ReadsRegularFilesWithinTheBoundAndRefusesTheRestByKind) {
    TempDir dir;
    test::writeBytes(dir.file("file"), {'a', 'b', 'c'});
    test::writeBytes(dir.file("empty"), {});
    test::writeBytes(dir.file("large"), std::vector<char>(kMost + 1, 'x'));
    std::filesystem::create_directory(dir.file("folder"));
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir.file("fifo"), dir.file("to-fifo"));
    std::filesystem::create_symlink(dir.file("file"), dir.file("to-file"));
    std::filesystem::create_symlink(dir.file("missing"), dir.file("dangling"));
    struct Case {
        std::string path;
        EmptyFile empty;
        Status::Kind kind;
        std::string bytes; // what a read gives, or the start of the reason for a refusal
    };
    const Case cases[] = {
        {dir.file("file"), EmptyFile::Refused, Status::Kind::Ok, "abc"},
        {dir.file("to-file"), EmptyFile::Refused, Status::Kind::Ok, "abc"},
        {dir.file("empty"), EmptyFile::Allowed, Status::Kind::Ok, ""},
        {dir.file("empty"), EmptyFile::Refused, Status::Kind::BadFormat, "empty file"},
        {dir.file("large"), EmptyFile::Refused, Status::Kind::TooLarge, "the file is too large"},
        {dir.file("missing"), EmptyFile::Refused, Status::Kind::NotFound, "cannot open"},
        {dir.file("dangling"), EmptyFile::Refused, Status::Kind::NotFound, "cannot open"},
        {dir.file("folder"), EmptyFile::Refused, Status::Kind::Unreadable, "not a regular file"},
        // Opening either would wait for a writer.
        {dir.file("fifo"), EmptyFile::Refused, Status::Kind::Unreadable, "not a regular file"},
        {dir.file("to-fifo"), EmptyFile::Refused, Status::Kind::Unreadable, "not a regular file"},
        {"/dev/zero", EmptyFile::Refused, Status::Kind::Unreadable, "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string bytes = "before";
        const Status read = readRegularFile(c.path, FileBound{kMost, c.empty}, bytes);
        EXPECT_EQ(read.kind(), c.kind);
        if (read) {
            EXPECT_EQ(bytes, c.bytes);
        } else {
            EXPECT_EQ(read.message().rfind(c.bytes, 0), 0u) << read.message();
            EXPECT_EQ(bytes, "before");
        }
    }

    // A descriptor handed over is checked the same way.
    const FileDescriptor held(::memfd_create("held", MFD_CLOEXEC));
    ASSERT_TRUE(writeAll(held.get(), "held", 4));
    std::vector<char> bytes;
    ASSERT_TRUE(readRegularFile(held.get(), FileBound{kMost, EmptyFile::Refused}, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "held");
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    const FileDescriptor reading(ends[0]);
    const FileDescriptor writing(ends[1]);
    EXPECT_EQ(readRegularFile(reading.get(), FileBound{kMost, EmptyFile::Refused}, bytes).kind(),
              Status::Kind::Unreadable);
}

} // namespace
} // namespace cartonic
