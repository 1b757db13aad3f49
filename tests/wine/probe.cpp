// probe: a console helper run inside the Wine prefix of a test session. It looks at windows of
// other processes, sends them messages, starts programs, holds files open, rewrites resources
// and loads inspect.dll into a running program.
//
// Every answer is printed as lines of space separated key=value tokens; one line is one record.
// Texts (window titles, class names, paths) travel as hex of their bytes in the ANSI code page,
// which the session sets to 936. A text argument is given either as "hex:<digits>" or as plain
// ASCII.
// windows.h must come before the other Windows headers.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "records.h"

namespace {

using records::Handle;
using records::hex_value;
using records::Record;
using records::to_hex;

// Memory allocated in another process, released with the owner.
class RemoteMemory {
  public:
    RemoteMemory(HANDLE process, SIZE_T size)
        : process_(process),
          ptr_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    ~RemoteMemory() {
        if (ptr_ != nullptr) VirtualFreeEx(process_, ptr_, 0, MEM_RELEASE);
    }
    void* get() const { return ptr_; }

  private:
    HANDLE process_;
    void* ptr_;
};

// A module loaded only to read its resources.
class DataModule {
  public:
    explicit DataModule(const std::string& path)
        : module_(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;
    ~DataModule() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    HMODULE get() const { return module_; }

  private:
    HMODULE module_;
};

// An open resource update; discarded unless commit() succeeded.
class ResourceUpdate {
  public:
    ResourceUpdate(const std::string& path, bool delete_existing)
        : handle_(BeginUpdateResourceA(path.c_str(), delete_existing)) {}
    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;
    ~ResourceUpdate() {
        if (handle_ != nullptr) EndUpdateResourceA(handle_, TRUE);
    }
    HANDLE get() const { return handle_; }
    bool commit() {
        HANDLE h = std::exchange(handle_, nullptr);
        return EndUpdateResourceA(h, FALSE) != FALSE;
    }

  private:
    HANDLE handle_;
};

// ---------------------------------------------------------------- text and numbers

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool from_hex(const std::string& hex, std::string* out) {
    if (hex.size() % 2 != 0) return false;
    out->clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = hex_digit(hex[i]);
        int lo = hex_digit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out->push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}

// A text argument: "hex:<digits>" or the argument itself.
std::string text_arg(const char* arg) {
    std::string s(arg);
    if (s.rfind("hex:", 0) == 0) {
        std::string decoded;
        if (from_hex(s.substr(4), &decoded)) return decoded;
    }
    return s;
}

// Numbers accept decimal, 0x hex and a leading minus sign.
unsigned long long number_arg(const char* arg) {
    if (arg[0] == '-') return static_cast<unsigned long long>(std::strtoll(arg, nullptr, 0));
    return std::strtoull(arg, nullptr, 0);
}

HWND hwnd_arg(const char* arg) {
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(number_arg(arg)));
}

std::string hwnd_value(HWND hwnd) {
    return hex_value(reinterpret_cast<ULONG_PTR>(hwnd));
}

std::string rect_value(const RECT& r) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
    return buf;
}

std::string wide_to_ansi(const std::wstring& wide) {
    if (wide.empty()) return {};
    int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

int fail(const char* what, DWORD code = GetLastError()) {
    Record().add("error", what).add("code", static_cast<long long>(code)).print();
    return 1;
}

// ---------------------------------------------------------------- windows

std::string class_name(HWND hwnd) {
    char buf[256] = {};
    int n = GetClassNameA(hwnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

// The caption Windows keeps for a window; never sends a message.
std::string caption(HWND hwnd) {
    wchar_t buf[1024] = {};
    int n = InternalGetWindowText(hwnd, buf, 1024);
    return wide_to_ansi(std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0));
}

// The text a control reports through WM_GETTEXT (an edit's contents, say), with the stored
// caption as fallback when the owner does not answer in time.
std::string control_text(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &length)) {
        return caption(hwnd);
    }
    std::wstring buf(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                             SMTO_ABORTIFHUNG, 1000, &copied)) {
        return caption(hwnd);
    }
    buf.resize(copied < buf.size() ? copied : buf.size() - 1);
    return wide_to_ansi(buf);
}

Record describe(HWND hwnd, bool as_child) {
    Record r;
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(hwnd, &pid);
    HWND parent = GetAncestor(hwnd, GA_PARENT);
    RECT window = {};
    GetWindowRect(hwnd, &window);
    RECT client = {};
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    r.add("hwnd", hwnd_value(hwnd))
        .add("parent", hwnd_value(parent))
        .add("owner", hwnd_value(GetWindow(hwnd, GW_OWNER)))
        .add("pid", pid)
        .add("tid", tid)
        .text("class", class_name(hwnd))
        .add("classstyle", hex_value(GetClassLongPtrA(hwnd, GCL_STYLE)))
        .add("style", hex_value(static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE))))
        .add("exstyle", hex_value(static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE))))
        .add("id", static_cast<long long>(GetWindowLongPtrA(hwnd, GWLP_ID)))
        .text("text", as_child ? control_text(hwnd) : caption(hwnd))
        .add("visible", IsWindowVisible(hwnd) ? 1 : 0)
        .add("enabled", IsWindowEnabled(hwnd) ? 1 : 0)
        .add("rect", rect_value(window))
        .add("client", rect_value(client));
    if (as_child) {
        RECT in_parent = window;
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&in_parent), 2);
        r.add("prect", rect_value(in_parent));
    }
    return r;
}

BOOL CALLBACK collect_window(HWND hwnd, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

// All top-level windows, topmost first.
std::vector<HWND> top_level_windows() {
    std::vector<HWND> all;
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&all));
    return all;
}

DWORD window_pid(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

// find <title> <timeout-ms> [pid=N] [class=<text>] [hidden]
int cmd_find(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string title = text_arg(argv[0]);
    DWORD timeout = static_cast<DWORD>(number_arg(argv[1]));
    DWORD want_pid = 0;
    bool want_class = false;
    std::string klass;
    bool hidden_too = false;
    for (int i = 2; i < argc; ++i) {
        std::string opt = argv[i];
        if (opt.rfind("pid=", 0) == 0) {
            want_pid = static_cast<DWORD>(number_arg(opt.c_str() + 4));
        } else if (opt.rfind("class=", 0) == 0) {
            want_class = true;
            klass = text_arg(opt.c_str() + 6);
        } else if (opt == "hidden") {
            hidden_too = true;
        } else {
            return 2;
        }
    }
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND hwnd : top_level_windows()) {
            if (!hidden_too && !IsWindowVisible(hwnd)) continue;
            if (want_pid != 0 && window_pid(hwnd) != want_pid) continue;
            if (want_class && class_name(hwnd) != klass) continue;
            if (caption(hwnd) != title) continue;
            describe(hwnd, false).print();
            return 0;
        }
        if (GetTickCount() - start >= timeout) break;
        Sleep(20);
    }
    Record().add("found", 0).print();
    return 3;
}

int cmd_window(int argc, char** argv) {
    if (argc < 1) return 2;
    HWND hwnd = hwnd_arg(argv[0]);
    if (!IsWindow(hwnd)) return fail("no-window");
    describe(hwnd, GetAncestor(hwnd, GA_PARENT) != GetDesktopWindow()).print();
    return 0;
}

int cmd_children(int argc, char** argv) {
    if (argc < 1) return 2;
    HWND parent = hwnd_arg(argv[0]);
    if (!IsWindow(parent)) return fail("no-window");
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        describe(child, true).print();
    }
    return 0;
}

int cmd_toplevel(int, char**) {
    for (HWND hwnd : top_level_windows()) describe(hwnd, false).print();
    return 0;
}

int cmd_focus(int argc, char** argv) {
    if (argc < 1) return 2;
    HWND hwnd = hwnd_arg(argv[0]);
    DWORD tid = GetWindowThreadProcessId(hwnd, nullptr);
    if (tid == 0) return fail("no-window");
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(tid, &info)) return fail("GetGUIThreadInfo");
    Record()
        .add("focus", hwnd_value(info.hwndFocus))
        .add("active", hwnd_value(info.hwndActive))
        .add("capture", hwnd_value(info.hwndCapture))
        .add("caret", hwnd_value(info.hwndCaret))
        .add("flags", hex_value(info.flags))
        .add("foreground", hwnd_value(GetForegroundWindow()))
        .print();
    return 0;
}

int cmd_message(const char* verb, int argc, char** argv) {
    if (argc < 4) return 2;
    HWND hwnd = hwnd_arg(argv[0]);
    UINT msg = static_cast<UINT>(number_arg(argv[1]));
    WPARAM w = static_cast<WPARAM>(number_arg(argv[2]));
    LPARAM l = static_cast<LPARAM>(number_arg(argv[3]));
    std::string v(verb);
    if (v == "post") {
        if (!PostMessageA(hwnd, msg, w, l)) return fail("PostMessage");
        Record().add("ok", 1).print();
    } else if (v == "postthread") {
        DWORD tid = GetWindowThreadProcessId(hwnd, nullptr);
        if (tid == 0) return fail("no-window");
        if (!PostThreadMessageA(tid, msg, w, l)) return fail("PostThreadMessage");
        Record().add("ok", 1).add("tid", tid).print();
    } else {
        UINT timeout = argc > 4 ? static_cast<UINT>(number_arg(argv[4])) : 5000;
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(hwnd, msg, w, l, SMTO_ABORTIFHUNG, timeout, &result)) {
            return fail("SendMessageTimeout");
        }
        Record().add("ok", 1).add("result", hex_value(result)).print();
    }
    return 0;
}

// ---------------------------------------------------------------- processes

int cmd_procs(int, char**) {
    Handle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap.valid()) return fail("CreateToolhelp32Snapshot");
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32First(snap.get(), &entry); ok; ok = Process32Next(snap.get(), &entry)) {
        Record()
            .add("pid", entry.th32ProcessID)
            .add("ppid", entry.th32ParentProcessID)
            .text("exe", entry.szExeFile)
            .print();
    }
    return 0;
}

int cmd_kill(int argc, char** argv) {
    if (argc < 1) return 2;
    DWORD pid = static_cast<DWORD>(number_arg(argv[0]));
    UINT code = argc > 1 ? static_cast<UINT>(number_arg(argv[1])) : 1;
    Handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process.valid()) return fail("OpenProcess");
    if (!TerminateProcess(process.get(), code)) return fail("TerminateProcess");
    WaitForSingleObject(process.get(), 5000);
    Record().add("ok", 1).print();
    return 0;
}

bool write_whole_file(const std::string& path, const std::string& data) {
    std::string tmp = path + ".tmp";
    {
        Handle file(CreateFileA(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) return false;
        DWORD written = 0;
        if (!WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written,
                       nullptr) ||
            written != data.size()) {
            return false;
        }
    }
    return MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

// exec <info-file> <command-line>: starts a program that shares this probe's standard handles,
// writes "pid=N tid=N" to info-file as soon as it runs, waits for it, appends "exit=0x..." and
// exits with the program's exit code.
int cmd_exec(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string info_path = text_arg(argv[0]);
    std::string command_line = text_arg(argv[1]);
    Handle job(CreateJobObjectA(nullptr, nullptr));
    if (job.valid()) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                sizeof limits);
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info = {};
    std::vector<char> mutable_line(command_line.begin(), command_line.end());
    mutable_line.push_back('\0');
    if (!CreateProcessA(nullptr, mutable_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &info)) {
        DWORD code = GetLastError();
        write_whole_file(info_path, "error=CreateProcess code=" + std::to_string(code) + "\n");
        return 127;
    }
    Handle process(info.hProcess);
    Handle thread(info.hThread);
    if (job.valid()) AssignProcessToJobObject(job.get(), process.get());
    std::string pid_line = "pid=" + std::to_string(info.dwProcessId) +
                           " tid=" + std::to_string(info.dwThreadId) + "\n";
    write_whole_file(info_path, pid_line);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD exit_code = 0;
    GetExitCodeProcess(process.get(), &exit_code);
    write_whole_file(info_path, pid_line + "exit=" + hex_value(exit_code) + "\n");
    return static_cast<int>(exit_code);
}

// ---------------------------------------------------------------- files

// hold <path> [create]: opens the file with share mode 0 and keeps it open until standard input
// reaches its end.
int cmd_hold(int argc, char** argv) {
    if (argc < 1) return 2;
    std::string path = text_arg(argv[0]);
    bool create = argc > 1 && std::strcmp(argv[1], "create") == 0;
    Handle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return fail("CreateFile");
    Record().add("held", 1).print();
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    char buf[256];
    DWORD got = 0;
    while (ReadFile(in, buf, sizeof buf, &got, nullptr) && got > 0) {
    }
    return 0;
}

// ---------------------------------------------------------------- resources

// A resource type or name: an integer id or a string.
struct ResId {
    bool is_int = true;
    WORD id = 0;
    std::string name;

    static ResId from(LPCSTR value) {
        ResId r;
        if (IS_INTRESOURCE(value)) {
            r.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(value));
        } else {
            r.is_int = false;
            r.name = value;
        }
        return r;
    }
    // "#14" or "14" for integers, "hex:<digits>" or plain text for strings.
    static ResId parse(const char* arg) {
        ResId r;
        const char* digits = arg[0] == '#' ? arg + 1 : arg;
        char* end = nullptr;
        unsigned long value = std::strtoul(digits, &end, 10);
        if (*digits != '\0' && *end == '\0' && value <= 0xffff) {
            r.id = static_cast<WORD>(value);
        } else {
            r.is_int = false;
            r.name = text_arg(arg);
        }
        return r;
    }
    LPCSTR ptr() const { return is_int ? MAKEINTRESOURCEA(id) : name.c_str(); }
    std::string show() const {
        // Built up step by step: GCC 12 misreports "literal + string" as an overlapping copy.
        std::string text = is_int ? "#" : "hex:";
        text += is_int ? std::to_string(id) : to_hex(name);
        return text;
    }
    bool operator==(const ResId& o) const {
        if (is_int != o.is_int) return false;
        return is_int ? id == o.id : lstrcmpiA(name.c_str(), o.name.c_str()) == 0;
    }
};

struct Resource {
    ResId type;
    ResId name;
    WORD lang = 0;
    std::string data;
};

struct Enumeration {
    HMODULE module;
    ResId type;
    ResId name;
    std::vector<Resource>* out;
};

BOOL CALLBACK on_language(HMODULE module, LPCSTR, LPCSTR, WORD lang, LONG_PTR param) {
    auto* e = reinterpret_cast<Enumeration*>(param);
    Resource r;
    r.type = e->type;
    r.name = e->name;
    r.lang = lang;
    HRSRC found = FindResourceExA(module, e->type.ptr(), e->name.ptr(), lang);
    if (found != nullptr) {
        HGLOBAL loaded = LoadResource(module, found);
        DWORD size = SizeofResource(module, found);
        const char* bytes = static_cast<const char*>(LockResource(loaded));
        if (bytes != nullptr) r.data.assign(bytes, size);
    }
    e->out->push_back(std::move(r));
    return TRUE;
}

BOOL CALLBACK on_name(HMODULE module, LPCSTR, LPSTR name, LONG_PTR param) {
    auto* e = reinterpret_cast<Enumeration*>(param);
    Enumeration inner = *e;
    inner.name = ResId::from(name);
    EnumResourceLanguagesA(module, inner.type.ptr(), inner.name.ptr(), on_language,
                           reinterpret_cast<LONG_PTR>(&inner));
    return TRUE;
}

BOOL CALLBACK on_type(HMODULE module, LPSTR type, LONG_PTR param) {
    auto* e = reinterpret_cast<Enumeration*>(param);
    Enumeration inner = *e;
    inner.type = ResId::from(type);
    EnumResourceNamesA(module, inner.type.ptr(), on_name, reinterpret_cast<LONG_PTR>(&inner));
    return TRUE;
}

bool read_resources(const std::string& path, std::vector<Resource>* out) {
    DataModule module(path);
    if (module.get() == nullptr) return false;
    Enumeration e{module.get(), {}, {}, out};
    EnumResourceTypesA(module.get(), on_type, reinterpret_cast<LONG_PTR>(&e));
    return true;
}

bool read_whole_file(const std::string& path, std::string* out) {
    Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    out->clear();
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buf, sizeof buf, &got, nullptr) && got > 0) out->append(buf, got);
    return true;
}

int cmd_resources(int argc, char** argv) {
    if (argc < 1) return 2;
    std::vector<Resource> all;
    if (!read_resources(text_arg(argv[0]), &all)) return fail("LoadLibraryEx");
    for (const Resource& r : all) {
        Record()
            .add("type", r.type.show())
            .add("name", r.name.show())
            .add("lang", r.lang)
            .add("size", static_cast<long long>(r.data.size()))
            .text("data", r.data)
            .print();
    }
    return 0;
}

// resource <in> <out> <type> <name> <lang|*> <datafile|-remove>: writes a copy of <in> to <out>
// whose resources are those of <in> except <type>/<name>. Unless -remove is given, <datafile>
// becomes that resource, in language <lang> or, for "*", in the language it had (neutral if new).
int cmd_resource(int argc, char** argv) {
    if (argc < 6) return 2;
    std::string in = text_arg(argv[0]);
    std::string out = text_arg(argv[1]);
    ResId type = ResId::parse(argv[2]);
    ResId name = ResId::parse(argv[3]);
    bool keep_lang = std::strcmp(argv[4], "*") == 0;
    WORD lang = keep_lang ? 0 : static_cast<WORD>(number_arg(argv[4]));
    bool remove = std::strcmp(argv[5], "-remove") == 0;
    std::string replacement;
    if (!remove && !read_whole_file(text_arg(argv[5]), &replacement)) return fail("read-data");

    std::vector<Resource> all;
    if (!read_resources(in, &all)) return fail("LoadLibraryEx");
    if (!CopyFileA(in.c_str(), out.c_str(), FALSE)) return fail("CopyFile");

    ResourceUpdate update(out, true);
    if (update.get() == nullptr) return fail("BeginUpdateResource");
    int kept = 0;
    int dropped = 0;
    bool seen_lang = false;
    for (Resource& r : all) {
        if (r.type == type && r.name == name) {
            if (keep_lang && !seen_lang) {
                lang = r.lang;
                seen_lang = true;
            }
            ++dropped;
            continue;
        }
        if (!UpdateResourceA(update.get(), r.type.ptr(), r.name.ptr(), r.lang, r.data.data(),
                             static_cast<DWORD>(r.data.size()))) {
            return fail("UpdateResource");
        }
        ++kept;
    }
    if (!remove && !UpdateResourceA(update.get(), type.ptr(), name.ptr(), lang, replacement.data(),
                                    static_cast<DWORD>(replacement.size()))) {
        return fail("UpdateResource");
    }
    if (!update.commit()) return fail("EndUpdateResource");
    Record()
        .add("ok", 1)
        .add("kept", kept)
        .add("dropped", dropped)
        .add("added", remove ? 0 : 1)
        .add("lang", lang)
        .print();
    return 0;
}

// ---------------------------------------------------------------- injection

// The address of LoadLibraryA in the target: kernel32 may sit at another base there.
ULONG_PTR remote_load_library(DWORD pid) {
    HMODULE local = GetModuleHandleA("kernel32.dll");
    auto proc = reinterpret_cast<ULONG_PTR>(GetProcAddress(local, "LoadLibraryA"));
    Handle snap(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, pid));
    if (snap.valid()) {
        MODULEENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL ok = Module32First(snap.get(), &entry); ok;
             ok = Module32Next(snap.get(), &entry)) {
            if (lstrcmpiA(entry.szModule, "kernel32.dll") == 0) {
                auto remote_base = reinterpret_cast<ULONG_PTR>(entry.modBaseAddr);
                return proc - reinterpret_cast<ULONG_PTR>(local) + remote_base;
            }
        }
    }
    return proc;
}

// inject <pid> <dll> <out-file> [timeout-ms]: loads the dll into process <pid>. The dll finds
// <out-file> in the file mapping "hint-inspect-<pid>" and sets the event "hint-inspect-done-<pid>"
// once it has written it.
int cmd_inject(int argc, char** argv) {
    if (argc < 3) return 2;
    DWORD pid = static_cast<DWORD>(number_arg(argv[0]));
    std::string dll = text_arg(argv[1]);
    std::string out = text_arg(argv[2]);
    DWORD timeout = argc > 3 ? static_cast<DWORD>(number_arg(argv[3])) : 10000;

    std::string suffix = std::to_string(pid);
    Handle done(CreateEventA(nullptr, TRUE, FALSE, ("hint-inspect-done-" + suffix).c_str()));
    if (!done.valid()) return fail("CreateEvent");
    ResetEvent(done.get());
    if (out.size() >= MAX_PATH * 2) return fail("out-path-too-long", 0);
    Handle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      MAX_PATH * 2, ("hint-inspect-" + suffix).c_str()));
    if (!mapping.valid()) return fail("CreateFileMapping");
    {
        void* view = MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0);
        if (view == nullptr) return fail("MapViewOfFile");
        std::memset(view, 0, MAX_PATH * 2);
        std::memcpy(view, out.c_str(), out.size());
        UnmapViewOfFile(view);
    }
    DeleteFileA(out.c_str());

    Handle process(OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION |
                                   PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ |
                                   SYNCHRONIZE,
                               FALSE, pid));
    if (!process.valid()) return fail("OpenProcess");
    RemoteMemory remote(process.get(), dll.size() + 1);
    if (remote.get() == nullptr) return fail("VirtualAllocEx");
    if (!WriteProcessMemory(process.get(), remote.get(), dll.c_str(), dll.size() + 1, nullptr)) {
        return fail("WriteProcessMemory");
    }
    auto start = reinterpret_cast<LPTHREAD_START_ROUTINE>(remote_load_library(pid));
    Handle thread(CreateRemoteThread(process.get(), nullptr, 0, start, remote.get(), 0, nullptr));
    if (!thread.valid()) return fail("CreateRemoteThread");
    if (WaitForSingleObject(thread.get(), timeout) != WAIT_OBJECT_0) {
        return fail("LoadLibrary-timeout", 0);
    }
    DWORD loaded = 0;
    GetExitCodeThread(thread.get(), &loaded);
    if (loaded == 0) return fail("LoadLibrary-failed", 0);
    if (WaitForSingleObject(done.get(), timeout) != WAIT_OBJECT_0) {
        return fail("report-timeout", 0);
    }
    Record().add("ok", 1).text("out", out).print();
    return 0;
}

// ---------------------------------------------------------------- misc

// syscolor <index>: the system colour as red, green and blue.
int cmd_syscolor(int n, char** args) {
    if (n < 1) return 2;
    const COLORREF color = GetSysColor(std::atoi(args[0]));
    Record()
        .add("r", GetRValue(color))
        .add("g", GetGValue(color))
        .add("b", GetBValue(color))
        .print();
    return 0;
}

int cmd_acp(int, char**) {
    Record()
        .add("acp", GetACP())
        .add("oemcp", GetOEMCP())
        .add("lcid", hex_value(GetUserDefaultLCID()))
        .print();
    return 0;
}

int cmd_desktop(int, char**) {
    HWND desktop = GetDesktopWindow();
    RECT r = {};
    GetWindowRect(desktop, &r);
    Record()
        .add("hwnd", hwnd_value(desktop))
        .add("rect", rect_value(r))
        .add("cx", GetSystemMetrics(SM_CXSCREEN))
        .add("cy", GetSystemMetrics(SM_CYSCREEN))
        .print();
    return 0;
}

// keep: stays a user of the desktop until the session ends. Wine closes its virtual desktop
// (and the X window it is drawn in) soon after the last program using it has gone, and a
// program starting during that shutdown can fail; a hidden window of this process prevents it.
int cmd_keep(int argc, char** argv) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "HintDesktopKeeper";
    if (!RegisterClassA(&wc)) return fail("RegisterClass");
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                wc.hInstance, nullptr);
    if (hwnd == nullptr) return fail("CreateWindowEx");
    int rc = cmd_desktop(argc, argv);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return rc;
}

int usage() {
    std::fputs(
        "usage: probe <command> [args]\n"
        "  acp | desktop | keep | toplevel | procs | syscolor <index>\n"
        "  find <title> <timeout-ms> [pid=N] [class=<text>] [hidden]\n"
        "  window <hwnd> | children <hwnd> | focus <hwnd>\n"
        "  post|send|postthread <hwnd> <msg> <wparam> <lparam> [timeout-ms]\n"
        "  exec <info-file> <command-line> | kill <pid> [code]\n"
        "  hold <path> [create]\n"
        "  resources <file>\n"
        "  resource <in> <out> <type> <name> <lang|*> <datafile|-remove>\n"
        "  inject <pid> <dll> <out-file> [timeout-ms]\n"
        "  serve   (one command per input line, each answer ends with '.end rc=N')\n"
        "texts: hex:<digits> or plain ASCII\n",
        stderr);
    return 2;
}

int dispatch(const std::string& cmd, int n, char** args) {
    using Command = int (*)(int, char**);
    static const std::map<std::string, Command> commands = {
        {"acp", cmd_acp},
        {"syscolor", cmd_syscolor},
        {"desktop", cmd_desktop},
        {"find", cmd_find},
        {"window", cmd_window},
        {"children", cmd_children},
        {"toplevel", cmd_toplevel},
        {"focus", cmd_focus},
        {"procs", cmd_procs},
        {"kill", cmd_kill},
        {"exec", cmd_exec},
        {"hold", cmd_hold},
        {"resources", cmd_resources},
        {"resource", cmd_resource},
        {"inject", cmd_inject},
        {"keep", cmd_keep},
    };
    int rc = 2;
    if (cmd == "post" || cmd == "send" || cmd == "postthread") {
        rc = cmd_message(cmd.c_str(), n, args);
    } else {
        auto it = commands.find(cmd);
        if (it == commands.end()) return usage();
        rc = it->second(n, args);
    }
    if (rc == 2 && cmd != "exec") return usage();
    return rc;
}

// serve: runs one command per line of standard input and ends each answer with a line
// ".end rc=<exit code>", so one process answers many questions. Ends with its input.
int serve() {
    std::string line;
    int c = 0;
    while ((c = std::fgetc(stdin)) != EOF) {
        if (c != '\n') {
            if (c != '\r') line.push_back(static_cast<char>(c));
            continue;
        }
        std::vector<std::string> words;
        size_t pos = 0;
        while (pos < line.size()) {
            size_t end = line.find(' ', pos);
            if (end == std::string::npos) end = line.size();
            if (end > pos) words.push_back(line.substr(pos, end - pos));
            pos = end + 1;
        }
        line.clear();
        int rc = 2;
        if (!words.empty() && words[0] != "exec" && words[0] != "hold" && words[0] != "keep") {
            std::vector<char*> args;
            for (size_t i = 1; i < words.size(); ++i) args.push_back(words[i].data());
            args.push_back(nullptr);
            rc = dispatch(words[0], static_cast<int>(words.size()) - 1, args.data());
        }
        std::printf(".end rc=%d\n", rc);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    std::string cmd = argv[1];
    if (cmd == "serve") return serve();
    return dispatch(cmd, argc - 2, argv + 2);
}
