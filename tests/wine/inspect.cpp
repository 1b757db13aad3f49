// inspect.dll: loaded into a running program by "probe inject". It reports what only the
// program's own process can answer: the font, icons, cursor and background brush of each of
// its windows. The report path is read from the file mapping "hint-inspect-<pid>"; when the
// report is written the event "hint-inspect-done-<pid>" is set and the dll unloads itself.
//
// Report lines are space separated key=value tokens. The first line describes the process,
// every further line one window (top-level windows, each followed by all its descendants).
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "records.h"

namespace {

using records::Handle;
using records::hex_value;
using records::Record;
using records::to_hex;

class MappedView {
  public:
    explicit MappedView(HANDLE mapping)
        : view_(mapping != nullptr ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr) {}
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    ~MappedView() {
        if (view_ != nullptr) UnmapViewOfFile(view_);
    }
    const char* get() const { return static_cast<const char*>(view_); }

  private:
    void* view_;
};

// A bitmap handed out by GetIconInfo, which the caller must delete.
class Bitmap {
  public:
    explicit Bitmap(HBITMAP b) : b_(b) {}
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    ~Bitmap() {
        if (b_ != nullptr) DeleteObject(b_);
    }
    HBITMAP get() const { return b_; }

  private:
    HBITMAP b_;
};

// "WxH" of the color bitmap (or of the mask for monochrome icons), "none" without an icon.
std::string icon_size(HICON icon) {
    if (icon == nullptr) return "none";
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return "invalid";
    Bitmap color(info.hbmColor);
    Bitmap mask(info.hbmMask);
    BITMAP bm = {};
    if (color.get() != nullptr && GetObjectA(color.get(), sizeof bm, &bm) != 0) {
        return std::to_string(bm.bmWidth) + "x" + std::to_string(bm.bmHeight);
    }
    if (mask.get() != nullptr && GetObjectA(mask.get(), sizeof bm, &bm) != 0) {
        return std::to_string(bm.bmWidth) + "x" + std::to_string(bm.bmHeight / 2);
    }
    return "invalid";
}

int icon_bits(HICON icon) {
    if (icon == nullptr) return 0;
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return 0;
    Bitmap color(info.hbmColor);
    Bitmap mask(info.hbmMask);
    BITMAP bm = {};
    if (color.get() != nullptr && GetObjectA(color.get(), sizeof bm, &bm) != 0) {
        return bm.bmBitsPixel;
    }
    return 1;
}

std::string cursor_name(HCURSOR cursor) {
    if (cursor == nullptr) return "none";
    static const std::pair<LPCSTR, const char*> known[] = {
        {IDC_ARROW, "arrow"}, {IDC_IBEAM, "ibeam"},
        {IDC_WAIT, "wait"},   {IDC_CROSS, "cross"},
        {IDC_HAND, "hand"},   {IDC_SIZEALL, "sizeall"},
        {IDC_NO, "no"},       {IDC_APPSTARTING, "appstarting"},
    };
    for (const auto& [id, name] : known) {
        if (cursor == LoadCursorA(nullptr, id)) return name;
    }
    return "other";
}

// 0, "sys:<COLOR_ index>" for a system color brush given as index+1, "solid:rrggbb" for a solid
// brush, "other" otherwise.
std::string brush_name(ULONG_PTR value) {
    if (value == 0) return "0";
    if (value <= COLOR_MENUBAR + 1) return "sys:" + std::to_string(value - 1);
    LOGBRUSH lb = {};
    if (GetObjectA(reinterpret_cast<HBRUSH>(value), sizeof lb, &lb) == sizeof lb) {
        if (lb.lbStyle == BS_SOLID) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "solid:%02x%02x%02x", GetRValue(lb.lbColor),
                          GetGValue(lb.lbColor), GetBValue(lb.lbColor));
            return buf;
        }
        if (lb.lbStyle == BS_NULL) return "null";
    }
    return "other";
}

std::string describe(HWND hwnd) {
    Record line;
    char klass[256] = {};
    int klass_len = GetClassNameA(hwnd, klass, sizeof klass);
    line.add("hwnd", hex_value(reinterpret_cast<ULONG_PTR>(hwnd)))
        .add("parent", hex_value(reinterpret_cast<ULONG_PTR>(GetAncestor(hwnd, GA_PARENT))))
        .add("class", to_hex(std::string(klass, klass_len > 0 ? klass_len : 0)))
        .add("id", static_cast<long long>(GetWindowLongPtrA(hwnd, GWLP_ID)));

    DWORD_PTR font = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETFONT, 0, 0, SMTO_ABORTIFHUNG, 2000, &font)) font = 0;
    auto hfont = reinterpret_cast<HFONT>(font);
    std::string font_kind = "other";
    if (hfont == nullptr) {
        font_kind = "none";
    } else if (hfont == GetStockObject(DEFAULT_GUI_FONT)) {
        font_kind = "default_gui";
    } else if (hfont == GetStockObject(SYSTEM_FONT)) {
        font_kind = "system";
    }
    line.add("font", font_kind).add("font_default_gui", font_kind == "default_gui" ? "yes" : "no");
    if (hfont != nullptr) {
        LOGFONTA lf = {};
        if (GetObjectA(hfont, sizeof lf, &lf) != 0) {
            line.add("font_face", to_hex(lf.lfFaceName))
                .add("font_height", lf.lfHeight)
                .add("font_weight", lf.lfWeight)
                .add("font_charset", lf.lfCharSet);
        }
    }

    DWORD_PTR big = 0;
    DWORD_PTR small = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETICON, ICON_BIG, 0, SMTO_ABORTIFHUNG, 2000, &big)) big = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETICON, ICON_SMALL, 0, SMTO_ABORTIFHUNG, 2000, &small)) {
        small = 0;
    }
    auto class_big = reinterpret_cast<HICON>(GetClassLongPtrA(hwnd, GCLP_HICON));
    auto class_small = reinterpret_cast<HICON>(GetClassLongPtrA(hwnd, GCLP_HICONSM));
    line.add("icon_big", icon_size(reinterpret_cast<HICON>(big)))
        .add("icon_big_bpp", icon_bits(reinterpret_cast<HICON>(big)))
        .add("icon_small", icon_size(reinterpret_cast<HICON>(small)))
        .add("icon_small_bpp", icon_bits(reinterpret_cast<HICON>(small)))
        .add("class_icon", icon_size(class_big))
        .add("class_icon_small", icon_size(class_small));

    auto cursor = reinterpret_cast<HCURSOR>(GetClassLongPtrA(hwnd, GCLP_HCURSOR));
    line.add("cursor", cursor_name(cursor))
        .add("cursor_arrow", cursor == LoadCursorA(nullptr, IDC_ARROW) ? "yes" : "no")
        .add("brush", brush_name(GetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND)));

    HMENU menu = (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) ? nullptr : GetMenu(hwnd);
    line.add("menu_items", menu != nullptr ? GetMenuItemCount(menu) : -1);
    return line.str();
}

struct Collector {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK collect_child(HWND hwnd, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK collect_top(HWND hwnd, LPARAM param) {
    auto* c = reinterpret_cast<Collector*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != c->pid) return TRUE;
    c->windows.push_back(hwnd);
    EnumChildWindows(hwnd, collect_child, reinterpret_cast<LPARAM>(&c->windows));
    return TRUE;
}

std::string report() {
    std::string out;
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    Record process;
    process.add("process", static_cast<long long>(GetCurrentProcessId()))
        .add("exe", to_hex(exe))
        .add("acp", GetACP());
    out += process.str() + "\n";
    Collector c{GetCurrentProcessId(), {}};
    EnumWindows(collect_top, reinterpret_cast<LPARAM>(&c));
    for (HWND hwnd : c.windows) out += describe(hwnd) + "\n";
    return out;
}

void write_report(const std::string& path, const std::string& text) {
    std::string tmp = path + ".tmp";
    {
        Handle file(CreateFileA(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) return;
        DWORD written = 0;
        WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

DWORD WINAPI worker(void* param) {
    auto self = static_cast<HMODULE>(param);
    std::string suffix = std::to_string(GetCurrentProcessId());
    {
        Handle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, ("hint-inspect-" + suffix).c_str()));
        MappedView view(mapping.get());
        if (view.get() != nullptr) write_report(std::string(view.get()), report());
        Handle done(OpenEventA(EVENT_MODIFY_STATE, FALSE, ("hint-inspect-done-" + suffix).c_str()));
        if (done.valid()) SetEvent(done.get());
    }
    FreeLibraryAndExitThread(self, 0);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        HANDLE thread = CreateThread(nullptr, 0, worker, instance, 0, nullptr);
        if (thread == nullptr) return FALSE;
        CloseHandle(thread);
    }
    return TRUE;
}
