// The protections taken at start-up, seen from inside a process.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/process_hardening.h"

namespace hint {
namespace {

constexpr char kPlantedLibrary[] = "planted_library.dll";

bool ProgramFolderHolds(const char* name) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.erase(folder.find_last_of('\\') + 1);
    return GetFileAttributesA((folder + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Loads the library by its bare name, as a program asking for a DLL does.
bool LoadsPlantedLibrary() {
    const HMODULE module = LoadLibraryA(kPlantedLibrary);
    if (!module) return false;
    FreeLibrary(module);
    return true;
}

TEST(HardeningDeathTest, ADllBesideTheProgramIsNoLongerLoaded) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_TRUE(ProgramFolderHolds(kPlantedLibrary)) << "the build places it there";
    // In a process of its own, as the change lasts for the rest of the process.
    EXPECT_EXIT(
        {
            const bool before = LoadsPlantedLibrary();
            HardenProcess();
            const bool after = LoadsPlantedLibrary();
            ExitProcess(before && !after ? 0 : (before ? 1 : 2));
        },
        testing::ExitedWithCode(0), "")
        << "exit 1: still loaded after hardening; exit 2: not even found before";
}

TEST(HardeningDeathTest, SystemLibrariesStillLoad) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            HardenProcess();
            const HMODULE module = LoadLibraryA("version.dll");
            ExitProcess(module ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace hint
