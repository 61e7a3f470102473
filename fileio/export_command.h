// The Export command (按钮2, "导出"): the results box saved as a text file.
#pragma once

#include <windows.h>

#include "fileio/file_dialog.h"

// Shows `dialog` as a save dialog with the one filter "文本文件(*.txt)" and,
// when a name is confirmed, writes the whole text of `resultsBox` to that
// file: the bytes of the box in code page 936, no mark, no NUL. Reports
// nothing; a cancelled dialog or a failed write changes nothing.
void ExportResults(FileDialog& dialog, HWND resultsBox);
