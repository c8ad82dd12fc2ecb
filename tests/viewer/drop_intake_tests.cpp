#include "app/drop_intake.h"

#include "viewer_test_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <optional>
#include <vector>

namespace octolume {
namespace {

using testing::MessageBoxCapture;

// A data object as a drag source offers it: text (CF_TEXT), a file list (CF_HDROP), both or
// neither. It lives on the stack, so Release never deletes it.
class HandMadeData final : public IDataObject {
public:
    std::optional<std::string> text;
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
        medium->hGlobal = format->cfFormat == CF_TEXT ? TextBlock() : FileListBlock();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    bool Offers(CLIPFORMAT format) const {
        return (format == CF_TEXT && text) || (format == CF_HDROP && !files.empty());
    }
    HGLOBAL TextBlock() const {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text->size() + 1);
        auto* bytes = static_cast<char*>(GlobalLock(block));
        std::memcpy(bytes, text->c_str(), text->size() + 1);
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

TEST(GetSingleItemFromDataObject, TextIsTakenWholeAndUnchanged) {
    MessageBoxCapture boxes;
    HandMadeData data;
    data.text = "  \"C:\\Some Folder\\file.bin\" \r\n";
    EXPECT_EQ(L"  \"C:\\Some Folder\\file.bin\" \r\n", GetSingleItemFromDataObject(&data));
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(1u, data.references);
}

TEST(GetSingleItemFromDataObject, FirstFileOfTheList) {
    HandMadeData one;
    one.files = {L"C:\\data\\one.bin"};
    EXPECT_EQ(L"C:\\data\\one.bin", GetSingleItemFromDataObject(&one));

    HandMadeData three;
    three.files = {L"C:\\data\\first.bin", L"C:\\data\\second.bin", L"C:\\data\\third.bin"};
    EXPECT_EQ(L"C:\\data\\first.bin", GetSingleItemFromDataObject(&three));

    HandMadeData folder;
    folder.files = {L"C:\\windows"};
    EXPECT_EQ(L"C:\\windows", GetSingleItemFromDataObject(&folder));
}

TEST(GetSingleItemFromDataObject, TextWinsOverFiles) {
    HandMadeData data;
    data.text = "C:\\from\\text.txt";
    data.files = {L"C:\\from\\files.bin"};
    EXPECT_EQ(L"C:\\from\\text.txt", GetSingleItemFromDataObject(&data));
}

TEST(GetSingleItemFromDataObject, NeitherTextNorFilesGivesAnEmptyItemQuietly) {
    MessageBoxCapture boxes;
    HandMadeData data;
    EXPECT_EQ(L"", GetSingleItemFromDataObject(&data));
    EXPECT_EQ(L"", GetSingleItemFromDataObject(nullptr));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(GetSingleItemFromDataObject, UnreadableDataIsReported) {
    MessageBoxCapture boxes;
    HandMadeData data;
    data.text = "C:\\x";
    data.failGetData = true;
    EXPECT_EQ(L"", GetSingleItemFromDataObject(&data));
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(L"Unexpected Error in frmOctolume.GetSingleItemFromDataObject",
              boxes.Boxes()[0].title);
    EXPECT_NE(std::wstring::npos, boxes.Boxes()[0].text.find(L"No: -2147024882\r\n"));
}

TEST(ViewDropTarget, AcceptsEveryDropAsACopyAndHandsOverTheData) {
    IDataObject* received = nullptr;
    int drops = 0;
    ViewDropTarget target([&](IDataObject* data) {
        received = data;
        ++drops;
    });
    HandMadeData data;
    DWORD effect = DROPEFFECT_MOVE | DROPEFFECT_LINK;
    EXPECT_EQ(S_OK, target.DragEnter(&data, MK_LBUTTON, {}, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);
    effect = DROPEFFECT_NONE;
    EXPECT_EQ(S_OK, target.DragOver(MK_LBUTTON, {}, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);
    EXPECT_EQ(0, drops);
    EXPECT_EQ(S_OK, target.Drop(&data, 0, {}, &effect));
    EXPECT_EQ(1, drops);
    EXPECT_EQ(&data, received);
}

} // namespace
} // namespace octolume
