// Fatal errors: the error box, then the end of the process with exit code -1.
#pragma once

#include <cstdint>
#include <string>

#include "ui/identifiers.h"

namespace hint {

struct WindowDescription;

struct FatalError {
    std::string message;         // code page 936, may be empty
    std::int32_t errorCode = 0;  // 0 for none
    Identifier window = 0;       // 0 for none
    Identifier item = 0;         // 0 for none
};

// Messages of the fatal errors this program knows.
inline constexpr char kDescriptionUnreadable[] = "载入窗口模板数据段出错!";
inline constexpr char kStartWindowFailed[] = "载入启动窗口失败";

// "分配 n 字节内存失败!"
std::string AllocationFailedMessage(std::size_t bytes);

// The text of the error box, CR LF separated, ending with CR LF.
std::string FatalReportText(const FatalError& error, const WindowDescription* description);

// Shows the error box, drops the exit routines and ends the process with -1.
[[noreturn]] void ReportFatalError(const FatalError& error);

}  // namespace hint
