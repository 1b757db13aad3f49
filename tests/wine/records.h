// What probe.exe and inspect.dll share: the owned kernel handle, and the
// record lines both answer in. A record is one line of space separated
// key=value tokens; texts travel as hex of their bytes (harness.py reads them).
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>

namespace records {

// Owns one kernel handle; both NULL and INVALID_HANDLE_VALUE count as empty.
class Handle {
  public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            h_ = std::exchange(other.h_, nullptr);
        }
        return *this;
    }
    ~Handle() { reset(); }

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    void reset() {
        if (valid()) CloseHandle(h_);
        h_ = nullptr;
    }

  private:
    HANDLE h_ = nullptr;
};

inline std::string to_hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

inline std::string hex_value(ULONG_PTR value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(value));
    return buf;
}

// One record line.
class Record {
  public:
    Record& add(const char* key, const std::string& value) {
        if (!line_.empty()) line_ += ' ';
        line_ += key;
        line_ += '=';
        line_ += value;
        return *this;
    }
    Record& add(const char* key, long long value) { return add(key, std::to_string(value)); }
    Record& text(const char* key, const std::string& bytes) { return add(key, to_hex(bytes)); }
    const std::string& str() const { return line_; }
    void print() const {
        std::fputs(line_.c_str(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }

  private:
    std::string line_;
};

}  // namespace records
