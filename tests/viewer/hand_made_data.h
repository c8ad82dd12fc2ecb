#pragma once
// A data object as a drag source offers it: text (CF_TEXT, and CF_UNICODETEXT as editors add
// it), a file list (CF_HDROP), both or neither. Used by in-process drop tests and by the drag
// source program.

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace octolume::test {

// It lives on the stack or for the whole program, so Release never deletes it.
class HandMadeData final : public IDataObject {
public:
    std::optional<std::string> text;
    std::optional<std::wstring> unicodeText;
    std::vector<std::wstring> files;
    bool failGetData = false;
    ULONG references = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IDataObject) {
            *object = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return Offers(format->cfFormat) && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (failGetData)
            return E_OUTOFMEMORY;
        if (!Offers(format->cfFormat))
            return DV_E_FORMATETC;
        medium->tymed = TYMED_HGLOBAL;
        medium->pUnkForRelease = nullptr;
        medium->hGlobal = format->cfFormat == CF_TEXT          ? Block(*text)
                          : format->cfFormat == CF_UNICODETEXT ? Block(*unicodeText)
                                                               : FileListBlock();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override {
        if (direction != DATADIR_GET)
            return E_NOTIMPL;
        std::vector<FORMATETC> offered;
        for (CLIPFORMAT format :
             {CLIPFORMAT(CF_TEXT), CLIPFORMAT(CF_UNICODETEXT), CLIPFORMAT(CF_HDROP)})
            if (Offers(format))
                offered.push_back({format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
        return SHCreateStdEnumFmtEtc(static_cast<UINT>(offered.size()), offered.data(), formats);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    bool Offers(CLIPFORMAT format) const {
        return (format == CF_TEXT && text) || (format == CF_UNICODETEXT && unicodeText) ||
               (format == CF_HDROP && !files.empty());
    }
    template <class Text> static HGLOBAL Block(const Text& content) {
        const size_t size = (content.size() + 1) * sizeof(content[0]);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
        std::memcpy(GlobalLock(block), content.c_str(), size);
        GlobalUnlock(block);
        return block;
    }
    HGLOBAL FileListBlock() const {
        std::wstring list;
        for (const std::wstring& file : files)
            list += file + L'\0';
        list += L'\0';
        const size_t size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        auto* header = static_cast<DROPFILES*>(GlobalLock(block));
        header->pFiles = sizeof(DROPFILES);
        header->fWide = TRUE;
        std::memcpy(header + 1, list.data(), list.size() * sizeof(wchar_t));
        GlobalUnlock(block);
        return block;
    }
};

} // namespace octolume::test
