// The call engine: every interface method the wrapper needs is called by its byte
// offset in the method table through the automation call facility, and the helpers
// that turn raw pointers and paths into owned values.

#include "file_dialog.h"

#include "dialog_interfaces.h"
#include "interface_call.h"
#include "support/external_call.h"
#include "support/owners.h"

#include <oleauto.h>

#include <memory>
#include <vector>

// The shell's item constructors, declared here so that no compiled interface
// declaration of the shell is pulled in. Without dllimport, like every system function
// of the build: calls and addresses go through the import stubs, which bind the
// delay-loaded shell on first use.
extern "C" {
HRESULT WINAPI SHCreateItemFromParsingName(PCWSTR path, void* bindContext, REFIID interfaceId,
                                           void** item);
HRESULT WINAPI SHILCreateFromPath(PCWSTR path, void** itemIdList, DWORD* attributes);
HRESULT WINAPI SHCreateItemFromIDList(const void* itemIdList, REFIID interfaceId, void** item);
}

namespace octolume {

namespace {

using namespace file_dialog_detail;

// A shell namespace class ID in registry format: exactly 38 characters in braces.
bool IsBracedClassId(const std::wstring& text) {
    return text.size() == 38 && text.front() == L'{' && text.back() == L'}';
}

} // namespace

VARTYPE CallArgument::Type() const noexcept {
    switch (value_.index()) {
    case 0:
        return VT_I4;
    case 1:
        return VT_I2;
    case 2:
        return VT_BOOL;
    case 3:
        return VT_BSTR;
    default:
        return sizeof(void*) == 8 ? VT_I8 : VT_I4;
    }
}

VARIANT CallArgument::ToVariant() const noexcept {
    VARIANT result{};
    result.vt = Type();
    if (auto integer = std::get_if<std::int32_t>(&value_)) {
        result.lVal = *integer;
    } else if (auto shortInteger = std::get_if<std::int16_t>(&value_)) {
        // The whole 32-bit slot is filled so the method sees the value widened.
        result.lVal = *shortInteger;
    } else if (auto boolean = std::get_if<bool>(&value_)) {
        result.lVal = *boolean ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (auto text = std::get_if<const wchar_t*>(&value_)) {
        // The address of the characters, not a counted string: the method reads a plain
        // NUL-terminated text.
        result.bstrVal = const_cast<wchar_t*>(*text);
    } else {
        const auto address = reinterpret_cast<std::intptr_t>(std::get<const void*>(value_));
        if constexpr (sizeof(void*) == 8) {
            result.llVal = address;
        } else {
            result.lVal = address;
        }
    }
    return result;
}

CallResult IFileDialog::CallInterfaceMethod(const void* interfacePointer, std::int32_t vtableOffset,
                                            std::initializer_list<CallArgument> arguments) {
    // A negative offset means nothing is called; a null instance has no method table to
    // call through.
    if (vtableOffset < 0 || interfacePointer == nullptr) {
        return std::nullopt;
    }
    const auto count = arguments.size();
    // The facility is given one entry even when there are no arguments.
    std::vector<VARTYPE> types(count ? count : 1, VT_EMPTY);
    std::vector<VARIANT> values(count ? count : 1, VARIANT{});
    std::vector<VARIANT*> addresses(count ? count : 1, nullptr);
    std::size_t index = 0;
    for (const auto& argument : arguments) {
        types[index] = argument.Type();
        values[index] = argument.ToVariant();
        addresses[index] = &values[index];
        ++index;
    }
    VARIANT returned{};
    // COM methods are standard calls in 32-bit programs; x86-64 has one calling convention,
    // which the facility takes under the same name.
    const HRESULT refusal = External(
        ::DispCallFunc, const_cast<void*>(interfacePointer), static_cast<ULONG_PTR>(vtableOffset),
        CC_STDCALL, VT_I4, static_cast<UINT>(count), types.data(), addresses.data(), &returned);
    if (refusal != S_OK) {
        External(::SetLastError, static_cast<DWORD>(refusal));
        return std::nullopt;
    }
    return returned.lVal;
}

std::wstring IFileDialog::StringFromPointer(const wchar_t* pointer, bool freePointer) {
    if (pointer == nullptr) {
        return std::wstring();
    }
    // Freed on every way out, also when copying the text runs out of memory.
    const TaskMemory<wchar_t> owned(freePointer ? const_cast<wchar_t*>(pointer) : nullptr);
    const int length = External(::lstrlenW, pointer);
    return length > 0 ? std::wstring(pointer, static_cast<std::size_t>(length)) : std::wstring();
}

ComPtr<IUnknown> IFileDialog::ObjectFromPointer(void* pointer, bool releasePointer) {
    if (pointer == nullptr) {
        return nullptr;
    }
    ComPtr<IUnknown> object;
    if (releasePointer) {
        // Taken over as it is, with no call that could fail in between (MinGW's
        // ComPtr::Attach adds a reference, unlike the platform's).
        *object.GetAddressOf() = static_cast<IUnknown*>(pointer);
    } else {
        object = static_cast<IUnknown*>(pointer);
    }
    return object;
}

bool IFileDialog::IsInterfacePointer(const void* pointer, const wchar_t* iidString) {
    if (pointer == nullptr) {
        return false;
    }
    IID interfaceId{};
    External(::IIDFromString, iidString, &interfaceId);
    void* answered = nullptr;
    if (!CallSucceeded(
            CallInterfaceMethod(pointer, offset::kQueryInterface, {&interfaceId, &answered}))) {
        return false;
    }
    CallInterfaceMethod(answered, offset::kRelease);
    // An object that offers the interface only through another pointer does not pass.
    return answered == pointer;
}

ComPtr<IUnknown> IFileDialog::ShellItemFromPath(const Variant& path) {
    ComPtr<IUnknown> result;
    try {
        switch (path.GetKind()) {
        case Variant::Kind::Empty:
            return nullptr;
        case Variant::Kind::Object: {
            IID unknownId{};
            External(::IIDFromString, kIidIUnknown, &unknownId);
            void* unknown = nullptr;
            if (CallSucceeded(CallInterfaceMethod(path.Object(), offset::kQueryInterface,
                                                  {&unknownId, &unknown}))) {
                result = ObjectFromPointer(unknown, true);
            }
            return result;
        }
        default:
            break;
        }
        IID shellItemId{};
        External(::IIDFromString, kIidIShellItem, &shellItemId);
        void* item = nullptr;
        void* itemIdList = nullptr;
        const bool isString = path.GetKind() == Variant::Kind::String;
        if (isString && IsBracedClassId(path.String())) {
            // A class ID in braces names a virtual folder and never falls back to path
            // parsing.
            const std::wstring parsingName = L"::" + path.String();
            const HRESULT created = External(::SHCreateItemFromParsingName, parsingName.c_str(),
                                             nullptr, shellItemId, &item);
            if (created == S_OK) {
                result = ObjectFromPointer(item, true);
            }
            return result;
        }
        if (isString && !path.String().empty()) {
            External(::SHILCreateFromPath, path.String().c_str(), &itemIdList, nullptr);
        } else if (path.GetKind() == Variant::Kind::Integer) {
            // The caller owns this list; it is never freed here.
            itemIdList = reinterpret_cast<void*>(static_cast<std::uintptr_t>(path.Integer()));
        }
        if (itemIdList != nullptr) {
            // Only a list made here from the string is freed here.
            const TaskMemory<void> ownedList(isString ? itemIdList : nullptr);
            External(::SHCreateItemFromIDList, itemIdList, shellItemId, &item);
            result = ObjectFromPointer(item, true);
        }
    } catch (...) {
        // Whatever was produced so far is the answer.
    }
    return result;
}

} // namespace octolume
