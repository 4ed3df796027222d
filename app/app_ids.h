#pragma once
// Control ids, menu commands and the window messages of the shell, in one
// place: the worker, the tray window and the main window all name them.

#include <windows.h>

#include "scan_thread.h"  // WM_SCAN_DONE, WM_SCAN_PROGRESS

namespace tw {

// Controls of the main window.
inline constexpr int IDC_DRIVE_COMBO = 1001;
inline constexpr int IDC_SCAN_BUTTON = 1002;
inline constexpr int IDC_FOLDER_LIST = 1003;
inline constexpr int IDC_EXTENSION_LIST = 1004;
inline constexpr int IDC_STATUS = 1005;
inline constexpr int IDC_TREEMAP = 1009;
inline constexpr int IDC_TABS = 1013;
inline constexpr int IDC_FILE_LIST = 1014;
// The 变化 page: the folder changes, the files that grew, and the one line
// shown instead of both when there is nothing to compare with.
inline constexpr int IDC_CHANGE_LIST = 1020;
inline constexpr int IDC_CHANGE_FILES = 1021;
inline constexpr int IDC_CHANGE_MESSAGE = 1022;
inline constexpr int IDC_CHANGE_TITLE = 1023;
inline constexpr int IDC_GROWN_TITLE = 1024;
// The 全景 page's one control: path bar, picture and legend.
inline constexpr int IDC_OVERVIEW = 1030;

// Tray menu commands (also accepted as WM_COMMAND by the main window).
inline constexpr int IDM_SHOW_MAIN = 1015;
inline constexpr int IDM_EXIT = 1016;
inline constexpr int IDM_CLEAR_SCANS = 1017;  // deletes the remembered scans

// Messages of the shell.
inline constexpr UINT WM_TRAY_NOTIFY = WM_USER + 100;       // 0x464, to the tray window
inline constexpr UINT WM_SHOW_MAIN_WINDOW = WM_USER + 101;  // 0x465, to the main window
inline constexpr UINT WM_SHOW_TRAY_MENU = WM_USER + 102;    // 0x466, to the main window

inline constexpr wchar_t kMainClassName[] = L"TarnwickWindow";
inline constexpr wchar_t kTrayClassName[] = L"TarnwickTrayWindow";
inline constexpr wchar_t kMutexName[] = L"Local\\Tarnwick_SingleInstance";

}  // namespace tw
