#pragma once
// Taking a file out of what the user drops on the dump view.

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <string>

namespace octolume {

// The one item a drop names: the text when the data offers text (ANSI or Unicode), without
// the quotes, blanks and line breaks around it, otherwise the first of its files; empty
// when it offers neither. Reports its own failures.
std::wstring GetSingleItemFromDataObject(IDataObject* data);

// The view's drop target. Every drop is accepted and handed to the handler.
// Owned by the window that registers it, so it does not delete itself on the last Release.
class ViewDropTarget final : public IDropTarget {
public:
    using DropHandler = std::function<void(IDataObject* data)>;

    explicit ViewDropTarget(DropHandler handler) : handler_(std::move(handler)) {}
    ViewDropTarget(const ViewDropTarget&) = delete;
    ViewDropTarget& operator=(const ViewDropTarget&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point,
                                   DWORD* effect) override;

    void RegisterOn(HWND view);
    void RevokeFrom(HWND view);

private:
    DropHandler handler_;
    ULONG references_ = 0;
};

} // namespace octolume
