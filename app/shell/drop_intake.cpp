#include "shell/drop_intake.h"

#include "support/app_error.h"
#include "support/external_call.h"
#include "support/owners.h"
#include "support/report_error.h"
#include "support/text.h"

#include <shellapi.h>

#include <string>
#include <string_view>

namespace octolume {

namespace {

FORMATETC HGlobalFormat(CLIPFORMAT format) {
    return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

bool Offers(IDataObject* data, CLIPFORMAT format) {
    FORMATETC request = HGlobalFormat(format);
    return External([&] { return data->QueryGetData(&request); }) == S_OK;
}

void FetchData(IDataObject* data, CLIPFORMAT format, StorageMedium& medium) {
    FORMATETC request = HGlobalFormat(format);
    const HRESULT result = External([&] { return data->GetData(&request, medium.Receive()); });
    if (FAILED(result))
        throw AppError(result, L"The dropped data could not be read");
}

template <class Character>
std::basic_string<Character> TextBlockOf(IDataObject* data, CLIPFORMAT format) {
    StorageMedium medium;
    FetchData(data, format, medium);
    const GlobalLockScope lock(medium.Global());
    const auto* characters = static_cast<const Character*>(lock.Data());
    if (!characters)
        return {};
    // The text ends at its NUL, or at the end of the block if a source left the NUL out.
    const SIZE_T count = lock.Size() / sizeof(Character);
    const std::basic_string_view<Character> block(characters, count);
    return std::basic_string<Character>(block.substr(0, block.find(Character{})));
}

// A source that also offers the text in Unicode has the exact characters there; its
// CF_TEXT copy has lost those outside the ANSI code page (ā.txt reads as a.txt, the name
// of another file).
std::wstring TextOf(IDataObject* data) {
    if (Offers(data, CF_UNICODETEXT))
        return TextBlockOf<wchar_t>(data, CF_UNICODETEXT);
    return FromAnsi(TextBlockOf<char>(data, CF_TEXT));
}

// A path as users copy it: Explorer's "Copy as path" puts it in double quotes, and text
// copied from a terminal often ends in a line break. Only what surrounds the path goes: one
// pair of quotes (a file name holds none) and blanks and line breaks, so a text of two
// lines stays two lines, which no file is called.
std::wstring PathOfDroppedText(std::wstring_view text) {
    constexpr std::wstring_view kAround = L" \t\r\n";
    const std::size_t first = text.find_first_not_of(kAround);
    if (first == std::wstring_view::npos)
        return {};
    text = text.substr(first, text.find_last_not_of(kAround) - first + 1);
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"' &&
        text.substr(1, text.size() - 2).find(L'"') == std::wstring_view::npos)
        text = text.substr(1, text.size() - 2);
    return std::wstring(text);
}

std::wstring FirstFileOf(IDataObject* data) {
    StorageMedium medium;
    FetchData(data, CF_HDROP, medium);
    const auto drop = static_cast<HDROP>(medium.Global());
    const UINT count = External(::DragQueryFileW, drop, 0xFFFFFFFF, nullptr, 0);
    if (count == 0)
        return {};
    const UINT length = External(::DragQueryFileW, drop, 0, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    const UINT copied = External(::DragQueryFileW, drop, 0, path.data(), length + 1);
    path.resize(copied);
    return path;
}

} // namespace

std::wstring GetSingleItemFromDataObject(IDataObject* data) {
    std::wstring item;
    try {
        if (!data)
            return item;
        // Some sources offer text only in Unicode: it is text all the same.
        if (Offers(data, CF_TEXT) || Offers(data, CF_UNICODETEXT))
            item = PathOfDroppedText(TextOf(data));
        else if (Offers(data, CF_HDROP))
            item = FirstFileOf(data);
    } catch (...) {
        ReportError(CaughtError(), L"frmOctolume.GetSingleItemFromDataObject");
    }
    return item;
}

HRESULT ViewDropTarget::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDropTarget) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ViewDropTarget::AddRef() {
    return ++references_;
}

ULONG ViewDropTarget::Release() {
    return references_ > 0 ? --references_ : 0;
}

HRESULT ViewDropTarget::DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) {
    return DragOver(0, {}, effect);
}

HRESULT ViewDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    if (effect)
        *effect = DROPEFFECT_COPY;
    return S_OK;
}

HRESULT ViewDropTarget::DragLeave() {
    return S_OK;
}

HRESULT ViewDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    if (effect)
        *effect = DROPEFFECT_COPY;
    // A failure must not travel back into the drag source's process.
    try {
        handler_(data);
    } catch (...) {
        ReportError(CaughtError(), L"frmOctolume.rtfOctolume_OLEDragDrop");
    }
    return S_OK;
}

void ViewDropTarget::RegisterOn(HWND view) {
    const HRESULT result = External(::RegisterDragDrop, view, this);
    if (FAILED(result))
        throw AppError(result, L"The dump view cannot accept dropped files");
}

void ViewDropTarget::RevokeFrom(HWND view) {
    External(::RevokeDragDrop, view);
}

} // namespace octolume
