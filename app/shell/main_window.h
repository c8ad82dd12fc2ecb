#pragma once
// frmOctolume: the program's one main window - a banner across the top, the dump
// view below it and the current file's name in a label at the bottom, under the
// menu bar File (Open File..., Exit) and About.

#include "shell/drop_intake.h"
#include "dump/byte_tools.h"
#include "dump/dump_view.h"
#include "dump/find_and_go_to.h"
#include "shell/layout.h"
#include "support/owners.h"

#include <windows.h>

#include <memory>
#include <string>

namespace octolume {

constexpr wchar_t kMainWindowCaption[] = L"Octolume32 - Binary Content Viewer";

// The view's font and the label's, by face, points (as the designer set them) and weight.
constexpr wchar_t kViewFontFace[] = L"Courier New";
constexpr double kViewFontPoints = 9.75;
constexpr wchar_t kLabelFontFace[] = L"Segoe UI";
constexpr double kLabelFontPoints = 8.25;
constexpr int kNormalFontWeight = FW_NORMAL;
constexpr wchar_t kLabelDesignCaption[] = L"File:";

// The last step of the exit sequence. The program ends the process; tests put a
// function here that only records the call, so the window survives for inspection.
using EndProgramFunction = void (*)(UINT exitCode);

class frmOctolume {
    // Only Create makes windows; the constructor is public for std::make_unique.
    class Passkey {
        friend class frmOctolume;
        Passkey() = default;
    };

public:
    frmOctolume(Passkey, HINSTANCE instance, EndProgramFunction endProgram);

    // Creates the window and its controls and runs the load handler, which shows it.
    // Throws AppError when the window or a control cannot be created.
    static std::unique_ptr<frmOctolume> Create(HINSTANCE instance, int showCommand,
                                               EndProgramFunction endProgram);

    frmOctolume(const frmOctolume&) = delete;
    frmOctolume& operator=(const frmOctolume&) = delete;
    ~frmOctolume();

    HWND hWnd() const noexcept { return window_; }
    HWND rtfOctolume() const noexcept { return view_.Handle(); }
    HWND lblFileName() const noexcept { return label_; }
    HWND pctBanner() const noexcept { return banner_; }
    // The inspector, Select Block and Copy as, for tests and benchmarks in this process.
    ByteTools& Tools() noexcept { return tools_; }
    int DotsPerInchX() const noexcept { return dotsPerInchX_; }
    int DotsPerInchY() const noexcept { return dotsPerInchY_; }

    // File > Exit: unloads the window, exactly like closing it any other way.
    void mnuFileExit_Click();
    // File > Open File...: lets the user pick a file and shows its dump.
    void mnuFileOpenFile_Click();
    // About: shows the program's version and maker.
    void mnuAbout_Click();
    // Picks a file with the open dialog and hands it to the load pipeline.
    void GetFileAndDoOctolume();
    // The full path of the file chosen in the open dialog, or empty when the user
    // cancelled or the dialog failed (the failure is reported).
    std::wstring GetFileToDump();
    // Shows the file's dump in the view and its full path in the label.
    void GetAndDisplayOctolume(const std::wstring& path);
    // Something was dropped on the view: show the file it names.
    void rtfOctolume_OLEDragDrop(IDataObject* data);

    // The view's keys (Ctrl+F, Ctrl+G, F3, Shift+F3, F5, Ctrl+I, Ctrl+E, Ctrl+Shift+C, Escape)
    // and the keyboard of the Find and Go To dialogs and of the inspector, before a message of
    // the thread is dispatched: true when it was taken.
    bool TakeKeyboardMessage(MSG& message);

private:
    struct CreationState;

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    bool OnCreate();
    void OnLoad(int showCommand);
    void OnSize();
    void OnCommand(WORD commandId);
    void OnSetFocus();
    void OnClose();
    void OnEndSession(bool ending);
    void OnDestroy();

    void CreateFonts();
    HWND CreateControl(DWORD extendedStyle, const wchar_t* className, const wchar_t* caption,
                       DWORD style, const TwipsRect& designRect, int controlId);
    void MoveControl(HWND control, const TwipsRect& rect);
    TwipsRect ControlRectInTwips(HWND control) const;

    // Releases the engine library, empties the view and ends the program.
    void Unload();

    HINSTANCE instance_;
    EndProgramFunction endProgram_;
    HWND window_ = nullptr;
    DumpView view_;
    HWND label_ = nullptr;
    HWND banner_ = nullptr;
    HACCEL viewKeys_ = nullptr; // a resource's: nothing to destroy
    FindAndGoTo finder_;
    ByteTools tools_;
    int dotsPerInchX_ = 96;
    int dotsPerInchY_ = 96;
    bool unloading_ = false;
    // Carries an error out of WM_CREATE while CreateWindowExW runs.
    CreationState* creation_ = nullptr;
    FontHandle viewFont_;
    FontHandle labelFont_;
    BitmapHandle bannerPicture_;
    ViewDropTarget dropTarget_;
    std::wstring shownPath_; // the full path of the file last shown, for F5
};

// Window-system font height, in pixels, for a size in points at the given DPI.
int FontHeightForPoints(double points, int dotsPerInch);

} // namespace octolume
