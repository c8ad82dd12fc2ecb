#pragma once
// The load-and-display pipeline: a path in, its dump in the view and the path in the label.

#include "dump/dump_view.h"

#include <windows.h>

#include <string>

namespace octolume {

struct ViewerControls {
    DumpView& view; // the dump view
    HWND label;     // the file-name label below it
};

// The message shown when the engine cannot dump a file.
extern const wchar_t kUnableToLoadMessage[];

// Dumps the file through the engine and shows it. Reports its own failures; the
// application-wide pointer is back to the default whatever happens.
void GetAndDisplayOctolume(const ViewerControls& controls, std::wstring path);

// Calls the engine's DoOctolume on the path, which may come back rewritten (full path).
// Throws error 9 when the engine cannot dump the file.
std::wstring DoOctolume(std::wstring& path);

} // namespace octolume
