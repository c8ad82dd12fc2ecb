#include "clipboard.h"

#include "app_error.h"
#include "external_call.h"
#include "owners.h"

#include <algorithm>

namespace octolume {

namespace {

// About a fifth of a second in all: long enough for a program that reads the clipboard,
// short enough that a stuck one does not hold the user's window.
constexpr int kOpenAttempts = 20;
constexpr DWORD kOpenPauseMs = 10;

bool OpenClipboardWhenFree(HWND owner) {
    for (int attempt = 1;; ++attempt) {
        if (External(::OpenClipboard, owner))
            return true;
        if (attempt == kOpenAttempts)
            return false;
        External(::Sleep, kOpenPauseMs);
    }
}

} // namespace

void PutTextOnClipboard(HWND owner, std::wstring_view text) {
    PutTextOnClipboardAs(owner, text, CF_UNICODETEXT);
}

void PutTextOnClipboardAs(HWND owner, std::wstring_view text, UINT format) {
    // Made before the clipboard is touched: running out of memory changes nothing there.
    GlobalMemory block(External(::GlobalAlloc, GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
    if (!block)
        throw AppError(error_number::kOutOfMemory, L"Out of memory");
    {
        const GlobalLockScope lock(block.get());
        auto* const to = static_cast<wchar_t*>(lock.Data());
        if (!to)
            throw AppError(error_number::kOutOfMemory, L"Out of memory");
        std::copy(text.begin(), text.end(), to);
        to[text.size()] = L'\0';
    }
    if (!OpenClipboardWhenFree(owner))
        throw AppError(error_number::kInternal, L"The clipboard is in use by another program");
    const ScopeExit close([] { External(::CloseClipboard); });
    // The error is made before the close, so it carries the refusing call's code. Once the
    // old content is emptied it cannot come back: a refused text leaves the clipboard empty.
    if (!External(::EmptyClipboard) || !External(::SetClipboardData, format, block.get()))
        throw AppError(error_number::kInternal, L"The text could not be put on the clipboard.");
    // Once set, the block is the clipboard's.
    static_cast<void>(block.release());
}

} // namespace octolume
