// Message texts that several parts of the program show alike (file and clipboard failures).
#pragma once

#include <string>
#include <string_view>

namespace kalidor {

inline constexpr std::string_view kMsgFileNotOpened = "File could not be opened";
// The report of a file that cannot be read, with the reason the system gave.
inline std::string CannotOpenMessage(const std::string& path, const std::string& why)
{
    return "Cannot open " + path + ":\n" + why;
}
// Clipboard failures, in the order of the steps of putting text on it.
inline constexpr std::string_view kMsgClipboardOpen = "Failed to open clipboard.";
inline constexpr std::string_view kMsgClipboardEmpty = "Faile to empty clipboard.";  // sic
inline constexpr std::string_view kMsgClipboardAlloc = "Failed to allocate memory.";
inline constexpr std::string_view kMsgClipboardLock = "Failed to lock memory.";
inline constexpr std::string_view kMsgClipboardSet = "Failed to set clipboard data";
inline constexpr std::string_view kMsgClipboardClose = "Failed to close clipboard.";

}  // namespace kalidor
