#pragma once
// Shared by the viewer's in-process tests: a real rich-edit view and label, message-box
// capture, and temporary files.

#include "app/dump_view.h"
#include "app/win_handles.h"
#include "engine/core/dump_format.h"
#include "support/message_box.h"
#include "support/text.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace octolume::testing {

struct ShownBox {
    std::wstring text;
    std::wstring title;
    UINT style;
};

// Captures every message box shown while it lives.
class MessageBoxCapture {
public:
    MessageBoxCapture();
    ~MessageBoxCapture();
    const std::vector<ShownBox>& Boxes() const;

private:
    MessageBoxFunction previous_;
};

// A hidden top-level window holding the program's dump view and a label.
class ViewerWindow {
public:
    ViewerWindow();
    ~ViewerWindow();
    ViewerWindow(const ViewerWindow&) = delete;
    ViewerWindow& operator=(const ViewerWindow&) = delete;
    DumpView& Dump() { return view_; }
    HWND View() const { return view_.Handle(); }
    HWND Label() const { return label_; }
    HWND Frame() const { return frame_; }

private:
    FontHandle font_;
    HWND frame_ = nullptr;
    DumpView view_;
    HWND label_ = nullptr;
};

std::wstring WindowText(HWND window);

// A file in a fresh temporary folder, removed with the folder.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    std::filesystem::path Write(const std::wstring& name, const std::string& bytes) const;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The view's text for a file of these bytes: the engine's dump, widened from ANSI.
inline std::wstring ExpectedDump(const std::string& bytes) {
    return FromAnsi(
        FormatDump(std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()),
                   bytes.size()));
}

// The folder of the running test program, where the program and the engine are built.
std::filesystem::path ProgramFolder();

} // namespace octolume::testing
