// The message that tells the user a data file was found neither on disk nor
// in the archive: "ファイルのオープンに失敗しました", a line feed and the name in
// double quotation marks, caption "Error!!", owned by the main window.
// It is shown only between ArchiveStartup and ArchiveShutdown.
//
// Threads: main thread only (it shows a modal message box).
#ifndef MORVANE_DATA_OPEN_ERROR_H
#define MORVANE_DATA_OPEN_ERROR_H

#include <windows.h>

// Shows the message for `fileName` (CP932) and returns when it is closed;
// does nothing while the message is disabled.
void ShowOpenError(const char* fileName);

// Used by ArchiveStartup and ArchiveShutdown.
void EnableOpenError(HWND owner);
void DisableOpenError();

#endif  // MORVANE_DATA_OPEN_ERROR_H
