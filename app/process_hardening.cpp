#include "app/process_hardening.h"

#include <windows.h>

namespace hint {
namespace {

// Not every system has these calls, so they are looked up at run time: an
// older system (or one that lacks them) goes on without the protection.
constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;
// PROCESS_MITIGATION_POLICY value of the redirection-trust policy and its
// "enforce" flag, as the system defines them.
constexpr int kProcessRedirectionTrustPolicy = 16;
constexpr DWORD kEnforceRedirectionTrust = 0x1;

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD directoryFlags);
using SetProcessMitigationPolicyFunction = BOOL(WINAPI*)(int policy, void* buffer,
                                                         SIZE_T length);

template <class Function>
Function Kernel32Function(const char* name) {
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    if (!kernel32) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel32, name)));
}

}  // namespace

void HardenProcess() {
    if (const auto setDefault =
            Kernel32Function<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories")) {
        setDefault(kLoadLibrarySearchSystem32);
    }
    if (const auto setPolicy =
            Kernel32Function<SetProcessMitigationPolicyFunction>("SetProcessMitigationPolicy")) {
        DWORD flags = kEnforceRedirectionTrust;
        // Refused where the system does not know the policy; nothing else to do then.
        setPolicy(kProcessRedirectionTrustPolicy, &flags, sizeof flags);
    }
}

}  // namespace hint
