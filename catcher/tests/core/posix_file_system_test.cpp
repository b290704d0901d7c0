#include <gtest/gtest.h>
#include <sys/stat.h>

#include "chatkeeper/file_system.h"
#include "test_support.h"

namespace chatkeeper {
namespace {

using test::ReadAll;
using test::SetMtime;
using test::TempDir;
using test::WriteFileBytes;

TEST(PosixFileSystem, StampHasFullResolutionAndSize) {
    TempDir dir;
    PosixFileSystem fs;
    const std::string f = dir / "0.log";
    EXPECT_TRUE(fs.Stamp(f).missing);
    EXPECT_TRUE(fs.Stamp(dir.path()).missing);
    EXPECT_TRUE(fs.Stamp("").missing);
    EXPECT_EQ(fs.Stamp(f), FileStamp::Missing());

    WriteFileBytes(f, "abc");
    SetMtime(f, 1'600'000'000, 100);
    const FileStamp a = fs.Stamp(f);
    EXPECT_FALSE(a.missing);
    EXPECT_EQ(a.size, 3);
    EXPECT_EQ(a, fs.Stamp(f));

    SetMtime(f, 1'600'000'000, 200);
    EXPECT_NE(a, fs.Stamp(f));  // 100 ns apart

    WriteFileBytes(f, "abcd");
    SetMtime(f, 1'600'000'000, 100);
    EXPECT_NE(a, fs.Stamp(f));  // same time, other size
    EXPECT_NE(a, FileStamp::Missing());
}

TEST(PosixFileSystem, AppendCreatesFilesButNeverFolders) {
    TempDir dir;
    PosixFileSystem fs;
    EXPECT_EQ(fs.OpenAppend(dir / "none/a.log"), nullptr);
    EXPECT_FALSE(test::Exists(dir / "none"));
    EXPECT_EQ(fs.OpenAppend(dir.path()), nullptr);
    EXPECT_EQ(fs.OpenAppend(dir.path().string() + "/"), nullptr);
    EXPECT_EQ(fs.OpenRead(dir.path()), nullptr);
    EXPECT_EQ(fs.OpenRead(dir / "missing"), nullptr);
    EXPECT_EQ(fs.FileSize(dir / "missing"), -1);
    EXPECT_EQ(fs.FileSize(dir.path()), -1);

    {
        auto a = fs.OpenAppend(dir / "a.log");
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->Length(), 0);
        EXPECT_TRUE(a->Write("hello", 5));
        EXPECT_TRUE(a->Sync());
    }
    auto a = fs.OpenAppend(dir / "a.log");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Length(), 5);
    EXPECT_TRUE(a->Write(" world", 6));
    EXPECT_TRUE(a->TruncateTo(5));
    EXPECT_TRUE(a->Write("!", 1));  // appends after the cut
    a.reset();
    EXPECT_EQ(ReadAll(dir / "a.log"), "hello!");
    EXPECT_EQ(fs.FileSize(dir / "a.log"), 6);
    EXPECT_FALSE(fs.UndoAppend(dir / "a.log", -2, 6));  // -1 (created by the append) is the only length below 0
    EXPECT_EQ(ReadAll(dir / "a.log"), "hello!");

    // Folders are made only when asked for, private; a file in the way is none.
    EXPECT_TRUE(fs.CreateFolders(dir / "made/deeper"));
    struct stat st {};
    ASSERT_EQ(::stat((dir / "made/deeper").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_TRUE(fs.CreateFolders(dir / "made/deeper"));
    EXPECT_FALSE(fs.CreateFolders(dir / "a.log"));
    EXPECT_FALSE(fs.CreateFolders(dir / "a.log/below"));

    auto r = fs.OpenRead(dir / "a.log");
    ASSERT_NE(r, nullptr);
    char buf[4];
    EXPECT_EQ(r->Read(buf, 4), 4);
    EXPECT_EQ(r->Read(buf, 4), 2);
    EXPECT_EQ(r->Read(buf, 4), 0);
    auto w = fs.OpenAppend(dir / "a.log");
    EXPECT_EQ(r->Identity(), w->Identity());
}

}  // namespace
}  // namespace chatkeeper
