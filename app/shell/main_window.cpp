#include "shell/main_window.h"

#include "shell/load_and_display.h"
#include "shell/message_pump.h"
#include "shell/mouse_pointer.h"
#include "shell/picture_box.h"
#include "shell/resource.h"
#include "engine/engine_contract.h"
#include "support/app_error.h"
#include "support/external_call.h"
#include "support/helpers.h"
#include "support/report_error.h"

#include <optional>
#include <string>

namespace octolume {

namespace {

constexpr DWORD kMainWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
// The colour of the banner picture's right edge, so a window wider than the picture
// shows one continuous band.
constexpr COLORREF kBannerBackground = RGB(28, 60, 96);
// A library the system refuses to unload must not hold the exit here for ever.
constexpr int kMostEngineReleases = 1000;
constexpr int kCannotCreateWindow = error_number::kInternal;

int ScreenDotsPerInch(int axis) {
    ScreenDcHandle screen(External(::GetDC, nullptr));
    const int dotsPerInch = screen ? External(::GetDeviceCaps, screen.get(), axis) : 0;
    return dotsPerInch > 0 ? dotsPerInch : 96;
}

HICON LoadProgramIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
    const int width = External(::GetSystemMetrics, widthMetric);
    const int height = External(::GetSystemMetrics, heightMetric);
    // Shared icons belong to the system: nothing to destroy.
    return static_cast<HICON>(External(::LoadImageW, instance, MAKEINTRESOURCEW(IDI_OCTOLUME32),
                                       IMAGE_ICON, width, height, LR_DEFAULTCOLOR | LR_SHARED));
}

void RegisterMainWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadProgramIcon(instance, SM_CXICON, SM_CYICON);
    windowClass.hIconSm = LoadProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
    windowClass.hCursor = External(::LoadCursorW, nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDR_MAIN_MENU);
    windowClass.lpszClassName = OCTOLUME_MAIN_WINDOW_CLASS;
    RegisterWindowClass(windowClass);
}

FontHandle CreateDesignFont(const wchar_t* face, double points, int dotsPerInch, DWORD pitch) {
    FontHandle font(External(::CreateFontW, -FontHeightForPoints(points, dotsPerInch), 0, 0, 0,
                             kNormalFontWeight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, pitch,
                             face));
    if (!font) {
        throw AppError(kCannotCreateWindow, L"Unable to create the font " + std::wstring(face));
    }
    return font;
}

} // namespace

int FontHeightForPoints(double points, int dotsPerInch) {
    return static_cast<int>(RoundHalfEven(points * dotsPerInch / 72.0));
}

struct frmOctolume::CreationState {
    std::optional<AppError> error;
};

frmOctolume::frmOctolume(Passkey, HINSTANCE instance, EndProgramFunction endProgram)
    : instance_(instance), endProgram_(endProgram), finder_(instance, view_),
      tools_(instance, view_),
      dropTarget_([this](IDataObject* data) { rtfOctolume_OLEDragDrop(data); }) {}

frmOctolume::~frmOctolume() {
    if (window_ != nullptr) {
        External(::DestroyWindow, window_);
    }
}

std::unique_ptr<frmOctolume> frmOctolume::Create(HINSTANCE instance, int showCommand,
                                                 EndProgramFunction endProgram) {
    RegisterMainWindowClass(instance, &frmOctolume::WindowProcedure);
    RegisterPictureBoxClass(instance, kBannerBackground);

    auto form = std::make_unique<frmOctolume>(Passkey{}, instance, endProgram);
    form->dotsPerInchX_ = ScreenDotsPerInch(LOGPIXELSX);
    form->dotsPerInchY_ = ScreenDotsPerInch(LOGPIXELSY);

    RECT frame{0, 0, TwipsToPixels(design::kClientWidth, form->dotsPerInchX_),
               TwipsToPixels(design::kClientHeight, form->dotsPerInchY_)};
    External(::AdjustWindowRectEx, &frame, kMainWindowStyle, TRUE, 0);

    CreationState creation;
    form->creation_ = &creation;
    const HWND window =
        External(::CreateWindowExW, 0, OCTOLUME_MAIN_WINDOW_CLASS, kMainWindowCaption,
                 kMainWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                 frame.bottom - frame.top, nullptr, nullptr, instance, form.get());
    form->creation_ = nullptr;
    if (window == nullptr) {
        if (creation.error) {
            throw *creation.error;
        }
        throw AppError(kCannotCreateWindow, L"Unable to create the main window");
    }
    form->OnLoad(showCommand);
    return form;
}

LRESULT CALLBACK frmOctolume::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    frmOctolume* form = nullptr;
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        form = static_cast<frmOctolume*>(creation->lpCreateParams);
        form->window_ = window;
        External(::SetWindowLongPtrW, window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    } else {
        form = reinterpret_cast<frmOctolume*>(External(::GetWindowLongPtrW, window, GWLP_USERDATA));
    }
    if (form == nullptr) {
        return External(::DefWindowProcW, window, message, wParam, lParam);
    }
    return form->HandleMessage(message, wParam, lParam);
}

LRESULT frmOctolume::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Kept here: the handle is forgotten on WM_NCDESTROY, before the default handling.
    const HWND window = window_;
    // No exception may cross back into the window system.
    try {
        switch (message) {
        case WM_CREATE:
            return OnCreate() ? 0 : -1;
        case WM_SIZE:
            OnSize();
            return 0;
        case WM_COMMAND:
            if (lParam == 0) {
                OnCommand(LOWORD(wParam));
                return 0;
            }
            break;
        case WM_SETFOCUS:
            OnSetFocus();
            return 0;
        case WM_SETCURSOR:
            // The children ask here first (the system's default handling): the hourglass
            // while a file loads, else a child's own cursor (the view's I-beam).
            if (ApplyMousePointer())
                return TRUE;
            if (reinterpret_cast<HWND>(wParam) != window_)
                return FALSE;
            break;
        case WM_DESTROY:
            OnDestroy();
            break;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_ENDSESSION:
            OnEndSession(wParam != FALSE);
            return 0;
        case kSearchFinishedMessage:
            finder_.OnSearchFinished();
            return 0;
        case WM_TIMER:
            if (wParam == kSearchProgressTimer) {
                finder_.OnSearchProgress();
                return 0;
            }
            break;
        case WM_NCDESTROY:
            window_ = label_ = banner_ = nullptr;
            view_.Forget();
            break;
        default:
            break;
        }
    } catch (...) {
        ReportError(CaughtError(), L"frmOctolume.WindowProcedure");
    }
    return External(::DefWindowProcW, window, message, wParam, lParam);
}

bool frmOctolume::OnCreate() {
    try {
        CreateFonts();
        // Created in tab order: view, label, banner.
        const PixelRect viewRect = TwipsRectToPixels(
            {design::kControlLeft, design::kViewTop, design::kViewWidth, design::kViewHeight},
            dotsPerInchX_, dotsPerInchY_);
        view_.Create({instance_, window_, IDC_RTF_OCTOLUME, viewFont_.get()},
                     RECT{viewRect.left, viewRect.top, viewRect.left + viewRect.width,
                          viewRect.top + viewRect.height});
        dropTarget_.RegisterOn(view_.Handle());
        label_ = CreateControl(
            0, L"STATIC", kLabelDesignCaption,
            SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE | SS_PATHELLIPSIS,
            {design::kControlLeft, design::kLabelTop, design::kLabelWidth, design::kLabelHeight},
            IDC_LBL_FILE_NAME);
        Send(label_, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.get()), FALSE);
        banner_ = CreateControl(
            0, OCTOLUME_PICTURE_BOX_CLASS, L"", 0,
            {design::kControlLeft, design::kBannerTop, design::kBannerWidth, design::kBannerHeight},
            IDC_PCT_BANNER);
        viewKeys_ = External(::LoadAcceleratorsW, instance_, MAKEINTRESOURCEW(IDR_VIEW_KEYS));
        finder_.SetOwner(window_);
        tools_.Attach(window_);
        // Laid out while nothing shows yet, so the first showing finds every control in
        // place and moves none (each move paints the control there and then).
        OnSize();
        return true;
    } catch (...) {
        if (creation_ != nullptr) {
            creation_->error = CaughtError();
        }
        return false;
    }
}

void frmOctolume::CreateFonts() {
    viewFont_ =
        CreateDesignFont(kViewFontFace, kViewFontPoints, dotsPerInchY_, FIXED_PITCH | FF_MODERN);
    labelFont_ =
        CreateDesignFont(kLabelFontFace, kLabelFontPoints, dotsPerInchY_, DEFAULT_PITCH | FF_SWISS);
}

HWND frmOctolume::CreateControl(DWORD extendedStyle, const wchar_t* className,
                                const wchar_t* caption, DWORD style, const TwipsRect& designRect,
                                int controlId) {
    const PixelRect rect = TwipsRectToPixels(designRect, dotsPerInchX_, dotsPerInchY_);
    const HWND control = External(
        ::CreateWindowExW, extendedStyle, className, caption, WS_CHILD | WS_VISIBLE | style,
        rect.left, rect.top, rect.width, rect.height, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance_, nullptr);
    if (control == nullptr) {
        throw AppError(kCannotCreateWindow,
                       L"Unable to create the control " + std::wstring(className));
    }
    return control;
}

void frmOctolume::OnLoad(int showCommand) {
    bannerPicture_.reset(
        static_cast<HBITMAP>(External(::LoadImageW, instance_, MAKEINTRESOURCEW(IDB_BANNER),
                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bannerPicture_) {
        throw AppError(error_number::kResourceNotFound,
                       L"Resource with identifier '101' not found");
    }
    SetPicture(banner_, bannerPicture_.get());
    External(::ShowWindow, window_, showCommand);
    ProcessPendingMessages();
}

TwipsRect frmOctolume::ControlRectInTwips(HWND control) const {
    RECT rect{};
    External(::GetWindowRect, control, &rect);
    External(::MapWindowPoints, HWND_DESKTOP, window_, reinterpret_cast<POINT*>(&rect), 2);
    return {PixelsToTwips(rect.left, dotsPerInchX_), PixelsToTwips(rect.top, dotsPerInchY_),
            PixelsToTwips(rect.right - rect.left, dotsPerInchX_),
            PixelsToTwips(rect.bottom - rect.top, dotsPerInchY_)};
}

void frmOctolume::MoveControl(HWND control, const TwipsRect& rect) {
    const PixelRect pixels = TwipsRectToPixels(rect, dotsPerInchX_, dotsPerInchY_);
    RECT now{};
    External(::GetWindowRect, control, &now);
    External(::MapWindowPoints, HWND_DESKTOP, window_, reinterpret_cast<POINT*>(&now), 2);
    // A control left where it is is not drawn again: under Wine a move paints the control
    // at once, about 14 ms each when the window is first shown.
    if (now.left == pixels.left && now.top == pixels.top && now.right - now.left == pixels.width &&
        now.bottom - now.top == pixels.height)
        return;
    External(::MoveWindow, control, pixels.left, pixels.top, pixels.width, pixels.height, TRUE);
}

void frmOctolume::OnSize() {
    if (view_.Handle() == nullptr || label_ == nullptr || banner_ == nullptr) {
        return;
    }
    // A pixel count, used as a plain number of twips on purpose.
    const int scrollBarWidth = External(::GetSystemMetrics, SM_CXVSCROLL);
    RECT client{};
    External(::GetClientRect, window_, &client);
    const MainWindowLayout layout = ComputeMainWindowLayout(
        PixelsToTwips(client.right - client.left, dotsPerInchX_),
        PixelsToTwips(client.bottom - client.top, dotsPerInchY_), scrollBarWidth,
        ControlRectInTwips(label_).height, ControlRectInTwips(view_.Handle()).top);
    MoveControl(view_.Handle(), layout.view);
    MoveControl(label_, layout.label);
    MoveControl(banner_, layout.banner);
}

void frmOctolume::OnCommand(WORD commandId) {
    switch (commandId) {
    case IDM_FILE_OPEN_FILE:
        mnuFileOpenFile_Click();
        break;
    case IDM_FILE_EXIT:
        mnuFileExit_Click();
        break;
    case IDM_ABOUT:
        mnuAbout_Click();
        break;
    case IDM_FIND:
        finder_.ShowFind();
        break;
    case IDM_FIND_NEXT:
    case IDM_FIND_PREVIOUS:
        finder_.FindNext(commandId == IDM_FIND_PREVIOUS);
        break;
    case IDM_GO_TO:
        finder_.ShowGoTo();
        break;
    case IDM_INSPECTOR:
        tools_.ToggleInspector();
        break;
    case IDM_SELECT_BLOCK:
        if (!finder_.Loading())
            tools_.SelectBlock();
        break;
    case IDM_COPY_AS_HEX:
        tools_.CopyAs(CopyAsForm::kHex);
        break;
    case IDM_RELOAD:
        // The file shown, loaded again through the same load.
        if (view_.Dump() != nullptr && !shownPath_.empty())
            GetAndDisplayOctolume(std::wstring(shownPath_));
        break;
    default:
        break;
    }
}

void frmOctolume::OnSetFocus() {
    if (view_.Handle() != nullptr) {
        External(::SetFocus, view_.Handle());
    }
}

void frmOctolume::OnClose() {
    Unload();
}

void frmOctolume::OnEndSession(bool ending) {
    if (ending) {
        Unload();
    }
}

void frmOctolume::mnuFileExit_Click() {
    Unload();
}

void frmOctolume::mnuFileOpenFile_Click() {
    GetFileAndDoOctolume();
}

void frmOctolume::GetAndDisplayOctolume(const std::wstring& path) {
    finder_.LoadStarted();
    const ScopeExit loaded([this] { finder_.LoadEnded(); });
    if (std::optional<std::wstring> shown = octolume::GetAndDisplayOctolume({view_, label_}, path))
        shownPath_ = std::move(*shown);
}

bool frmOctolume::TakeKeyboardMessage(MSG& message) {
    if (window_ == nullptr)
        return false;
    // The view's keys work in the main window and in the Find dialog (F3 there too).
    const auto within = [&](HWND window) {
        return window != nullptr &&
               (message.hwnd == window || External(::IsChild, window, message.hwnd));
    };
    if (tools_.TakeKeyboardMessage(message))
        return true;
    // Escape in the window stops a running search first (in the Find dialog, its Cancel
    // does), else closes the inspector.
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE && within(window_) &&
        (finder_.StopSearch() || tools_.CloseInspector()))
        return true;
    if (viewKeys_ != nullptr && (within(window_) || within(finder_.FindDialog())) &&
        External(::TranslateAcceleratorW, window_, viewKeys_, &message))
        return true;
    return finder_.TakeDialogMessage(message);
}

void frmOctolume::rtfOctolume_OLEDragDrop(IDataObject* data) {
    GetAndDisplayOctolume(GetSingleItemFromDataObject(data));
}

void frmOctolume::OnDestroy() {
    finder_.Abandon();
    if (view_.Handle() != nullptr)
        dropTarget_.RevokeFrom(view_.Handle());
}

void frmOctolume::Unload() {
    // The pending messages processed below may carry a second close request.
    if (unloading_) {
        return;
    }
    unloading_ = true;

    // The file shown is closed through the engine: before the engine goes.
    finder_.Abandon();
    view_.ShowText(L""); // an empty text needs no memory: this cannot fail
    // Each release drops one load reference: start-up holds one and the engine calls
    // may have added more. Found again by name, as start-up keeps no handle.
    HMODULE engine = External(::GetModuleHandleW, engine::kLibraryName);
    for (int released = 0; engine != nullptr && released < kMostEngineReleases; ++released) {
        External(::FreeLibrary, engine);
        engine = External(::GetModuleHandleW, engine::kLibraryName);
    }
    ProcessPendingMessages();
    endProgram_(0);
}

} // namespace octolume
