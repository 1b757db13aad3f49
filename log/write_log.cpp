#include "log/write_log.h"

#include <windows.h>

#include "app/handles.h"

namespace hint {

bool WriteBytesToFile(const char* path, ByteSequences sequences) {
    if (!path || path[0] == '\0') return false;
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    security.bInheritHandle = TRUE;
    // Share mode 0: nobody else may read, write or delete the file while it is open.
    UniqueFile file(CreateFileA(path, GENERIC_WRITE, 0, &security, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    bool written = true;
    for (const ByteSequence& sequence : sequences) {
        if (sequence.Count() <= 0) continue;
        const auto count = static_cast<DWORD>(sequence.Count());
        DWORD done = 0;
        if (!WriteFile(file.Get(), sequence.Bytes(), count, &done, nullptr) || done != count) {
            written = false;
            break;
        }
    }
    const bool closed = file.Reset();
    return written && closed;
}

bool WriteTextToLog(const char* text, const char* path) {
    MadeByteSequence sequence = TextToBytes(text);
    const ByteSequence& bytes = sequence ? *sequence : EmptyByteSequence();
    const bool written = WriteBytesToFile(path, {bytes});
    ReleaseByteSequence(sequence);
    return written;
}

void WriteLog() {
    static_cast<void>(WriteTextToLog(kLogText, kLogPath));
}

}  // namespace hint
