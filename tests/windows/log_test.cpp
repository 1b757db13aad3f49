// The write-out action against real files, run under Windows (or Wine).
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "app/memory.h"
#include "log/write_log.h"
#include "tests/windows/test_threads.h"

namespace hint {
namespace {

constexpr char kExpected[] = "ypxt{ptez_gt_skgq????}";

std::string Contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Put(const std::string& path, const std::string& contents) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << contents;
}

// No handle of the file is left open: an exclusive open succeeds.
bool NobodyHolds(const std::string& path) {
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    return true;
}

ByteSequence Sequence(const std::string& bytes) {
    HeapBytes storage = AllocateBytes(bytes.size() + 1);
    CopyMemory(storage.get(), bytes.data(), bytes.size());
    return ByteSequence(std::move(storage), static_cast<std::int32_t>(bytes.size()));
}

// Each test writes into a folder of its own.
class WriteOutTest : public testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        folder_ = std::string(temp) + "hint-log-test-" + std::to_string(GetCurrentProcessId()) +
                  "-" + testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(folder_.c_str(), nullptr);
        path_ = folder_ + "\\flag.txt";
    }
    void TearDown() override {
        SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path_.c_str());
        RemoveDirectoryA(path_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    bool Write() { return WriteTextToLog(kLogText, path_.c_str()); }

    std::string folder_;
    std::string path_;
};

TEST_F(WriteOutTest, WithNoFileBeforeTheFileHoldsExactlyTheText) {
    ASSERT_FALSE(Exists(path_));
    EXPECT_TRUE(Write());
    EXPECT_EQ(Contents(path_), kExpected);
    EXPECT_EQ(Contents(path_).size(), 22u);
    EXPECT_TRUE(NobodyHolds(path_));
}

TEST_F(WriteOutTest, ALongerFileIsReplacedWhole) {
    Put(path_, std::string(4096, 'x') + "\r\ntail");
    EXPECT_TRUE(Write());
    EXPECT_EQ(Contents(path_), kExpected);
    EXPECT_TRUE(NobodyHolds(path_));
}

TEST_F(WriteOutTest, RepeatedRunsReplaceAndNeverAppend) {
    for (int run = 0; run < 3; ++run) EXPECT_TRUE(Write()) << run;
    EXPECT_EQ(Contents(path_), kExpected);
}

TEST_F(WriteOutTest, ADirectoryInTheWayFailsAndLaterRunsWriteOnceItIsGone) {
    ASSERT_TRUE(CreateDirectoryA(path_.c_str(), nullptr));
    EXPECT_FALSE(Write());
    EXPECT_TRUE(GetFileAttributesA(path_.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_TRUE(RemoveDirectoryA(path_.c_str()));
    EXPECT_TRUE(Write());
    EXPECT_EQ(Contents(path_), kExpected);
}

TEST_F(WriteOutTest, AFileHeldOpenByAnotherIsLeftAlone) {
    Put(path_, "held by someone else");
    const HANDLE holder = CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Write());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    CloseHandle(holder);
    EXPECT_EQ(Contents(path_), "held by someone else");
    EXPECT_TRUE(Write());
    EXPECT_EQ(Contents(path_), kExpected);
}

TEST_F(WriteOutTest, WhileTheActionHoldsTheFileNobodyElseMayOpenIt) {
    // Another thread keeps trying to open the file while runs go on; it may
    // only ever get in between runs, never see a half-written file.
    std::atomic<bool> stop{false};
    std::atomic<int> partial{0};
    Thread reader([&] {
        while (!stop) {
            const HANDLE handle = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, 0, nullptr);
            if (handle == INVALID_HANDLE_VALUE) continue;
            const DWORD size = GetFileSize(handle, nullptr);
            if (size != 22) ++partial;
            CloseHandle(handle);
        }
    });
    for (int run = 0; run < 200; ++run) Write();
    stop = true;
    reader.Join();
    EXPECT_EQ(partial, 0);
}

TEST_F(WriteOutTest, SequencesAreWrittenBackToBackSkippingEmptyOnes) {
    const ByteSequence first = Sequence("abc");
    const ByteSequence none(AllocateBytes(4), 0);
    const ByteSequence negative(AllocateBytes(4), -3);
    const ByteSequence second = Sequence(std::string("\x00\xFF\r\n", 4));
    EXPECT_TRUE(WriteBytesToFile(path_.c_str(), {first, none, negative, second, first}));
    EXPECT_EQ(Contents(path_), std::string("abc\x00\xFF\r\nabc", 10));
}

TEST_F(WriteOutTest, AnEmptyPathTouchesNoFile) {
    const ByteSequence bytes = Sequence("abc");
    EXPECT_FALSE(WriteBytesToFile("", {bytes}));
    EXPECT_FALSE(WriteBytesToFile(nullptr, {bytes}));
    EXPECT_FALSE(Exists(path_));
}

TEST_F(WriteOutTest, AnEmptyTextWritesTheEmptySequence) {
    Put(path_, "old");
    EXPECT_FALSE(TextToBytes("").has_value());
    EXPECT_TRUE(WriteTextToLog("", path_.c_str()));
    EXPECT_TRUE(Exists(path_));
    EXPECT_EQ(Contents(path_), "");
    EXPECT_EQ(EmptyByteSequence().Count(), 0);
    EXPECT_TRUE(NobodyHolds(path_));
}

TEST_F(WriteOutTest, AMissingFolderIsNotCreated) {
    const std::string deeper = folder_ + "\\missing\\flag.txt";
    EXPECT_FALSE(WriteTextToLog(kLogText, deeper.c_str()));
    EXPECT_FALSE(Exists(folder_ + "\\missing"));
}

TEST(TextToBytesTest, CopiesTheBytesBeforeTheZeroUnchanged) {
    const char text[] = "A\xB1\xEA\xC7\xA9z";
    MadeByteSequence sequence = TextToBytes(text);
    ASSERT_TRUE(sequence.has_value());
    ASSERT_EQ(sequence->Count(), 6);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sequence->Bytes()), 6), text);
    EXPECT_NE(reinterpret_cast<const char*>(sequence->Bytes()), text) << "a copy, not the text";
    ReleaseByteSequence(sequence);
    EXPECT_FALSE(sequence.has_value());
    ReleaseByteSequence(sequence);  // releasing none does nothing
}

TEST(WriteLogTest, WritesTheFixedTextToTheLogFile) {
    DeleteFileA(kLogPath);
    WriteLog();
    EXPECT_EQ(Contents(kLogPath), kExpected);
    WriteLog();
    EXPECT_EQ(Contents(kLogPath), kExpected);
    EXPECT_TRUE(NobodyHolds(kLogPath));
    DeleteFileA(kLogPath);
}

void* RefuseEveryRequest(std::size_t) {
    return nullptr;
}

TEST(WriteLogDeathTest, MemoryThatCannotBeObtainedIsAFatalError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    DeleteFileA(kLogPath);
    FatalBoxWatcher watcher;
    EXPECT_EXIT(
        {
            ReplaceHeapRequest(&RefuseEveryRequest);
            WriteLog();
        },
        [](int code) { return static_cast<DWORD>(code) == 0xFFFFFFFFu; }, "");
    const std::string box = watcher.Text();
    // A message box shows its text with CR LF turned into line breaks.
    EXPECT_NE(box.find("错误信息：分配 22 字节内存失败!"), std::string::npos) << box;
    EXPECT_NE(box.find("运行时出错!"), std::string::npos) << box;
    EXPECT_FALSE(Exists(kLogPath)) << "nothing may be written after a fatal error";
}

}  // namespace
}  // namespace hint
