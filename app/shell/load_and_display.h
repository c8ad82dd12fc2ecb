#pragma once
// The load-and-display pipeline: a path in, its dump in the view and the path in the label.

#include "dump/dump_view.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace octolume {

struct ViewerControls {
    DumpView& view; // the dump view
    HWND label;     // the file-name label below it
};

// The message shown when the engine cannot dump a file.
extern const wchar_t kUnableToLoadMessage[];

// Dumps the file through the engine and shows it. Reports its own failures; the
// application-wide pointer is back to the default whatever happens. Answers the full path
// of the file shown, nothing when it shows none.
std::optional<std::wstring> GetAndDisplayOctolume(const ViewerControls& controls,
                                                  std::wstring path);

// Calls the engine's DoOctolume on the path, which may come back rewritten (full path), and
// answers the dump text (ASCII). Throws error 9 when the engine cannot dump the file.
std::string DoOctolume(std::wstring& path);

// Up to this size a file's dump is held whole, made by DoOctolume: 64 KiB make 4,097 lines,
// 0.6 MiB of text in the view, less than the engine's cache of pages, and the file is then
// not held open while it is shown. A larger file is shown through the engine's pages.
constexpr std::uint64_t kMostHeldBytes = 64 * 1024;

// The file's dump, for the view: held whole or in the engine's pages. `path` becomes the
// file's full path. Throws AppError (9 for a file the engine cannot dump).
std::shared_ptr<const DumpSource> OpenDump(std::wstring& path);

} // namespace octolume
