#pragma once
// A data object as a drag source offers it: text (CF_TEXT, and CF_UNICODETEXT as editors add it),
// a file list (CF_HDROP), both or neither. It lives on the stack or for the whole program.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace octolume::test {

class HandMadeData final : public IDataObject {
public:
    std::optional<std::string> text;
    std::optional<std::wstring> unicodeText;
    std::vector<std::wstring> files;
    bool failGetData = false;
    ULONG references = 1;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        *object = iid == IID_IUnknown || iid == IID_IDataObject ? this : nullptr;
        return *object ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
    STDMETHODIMP_(ULONG) Release() override { return --references; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override {
        return Offers(format->cfFormat) && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (failGetData || !Offers(format->cfFormat))
            return failGetData ? E_OUTOFMEMORY : DV_E_FORMATETC;
        std::wstring list; // after a DROPFILES, each path and its NUL, then a NUL
        for (const std::wstring& file : files)
            list += file + L'\0';
        const DROPFILES header{sizeof(DROPFILES), {}, FALSE, TRUE};
        *medium = {TYMED_HGLOBAL, {}, nullptr};
        medium->hGlobal = format->cfFormat == CF_TEXT ? Block(text->c_str(), text->size() + 1)
                          : format->cfFormat == CF_UNICODETEXT
                              ? Block(unicodeText->c_str(), unicodeText->size() * 2 + 2)
                              : Block(&header, sizeof header, list.c_str(), list.size() * 2 + 2);
        return S_OK;
    }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    bool Offers(CLIPFORMAT format) const {
        return (format == CF_TEXT && text) || (format == CF_UNICODETEXT && unicodeText) ||
               (format == CF_HDROP && !files.empty());
    }
    static HGLOBAL Block(const void* head, size_t size, const void* tail = "", size_t more = 0) {
        const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size + more);
        auto* bytes = static_cast<char*>(GlobalLock(block));
        std::memcpy(bytes, head, size);
        std::memcpy(bytes + size, tail, more);
        GlobalUnlock(block);
        return block;
    }
};

} // namespace octolume::test
