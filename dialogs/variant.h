#pragma once
// The tagged value through which folder sources are handed to the dialog wrapper. It
// keeps exactly the kinds the folder setters tell apart; everything a setter must refuse
// (16-bit integers, floating point, dates, dispatch objects, arrays and so on) is kept
// only as "another kind" with its automation type tag.

#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace octolume {

class Variant {
public:
    enum class Kind { Empty, Integer, String, Object, Boolean, Other };

    // A value of a kind the folder setters refuse, remembered by its automation type.
    struct OtherKind {
        VARTYPE type = VT_NULL;
    };

    Variant() = default;
    // An integer as wide as a pointer, so that it can hold an address (of an item ID list).
    Variant(std::intptr_t value) : value_(value) {}
    // Narrower integers widen: in a 64-bit program a 32-bit integer is the same kind.
    template <class Narrower,
              std::enable_if_t<std::is_integral_v<Narrower> && !std::is_same_v<Narrower, bool> &&
                                   (sizeof(Narrower) < sizeof(std::intptr_t)),
                               int> = 0>
    Variant(Narrower value) : value_(static_cast<std::intptr_t>(value)) {}
    Variant(std::wstring value) : value_(std::move(value)) {}
    Variant(const wchar_t* value) : value_(std::wstring(value)) {}
    Variant(Microsoft::WRL::ComPtr<IUnknown> object) : value_(std::move(object)) {}
    // A bool would otherwise silently become a 32-bit integer; use Boolean().
    Variant(bool) = delete;
    static Variant Boolean(bool value) {
        Variant result;
        result.value_ = value;
        return result;
    }
    static Variant Other(VARTYPE type) {
        Variant result;
        result.value_ = OtherKind{type};
        return result;
    }

    Kind GetKind() const noexcept { return static_cast<Kind>(value_.index()); }
    bool IsEmpty() const noexcept { return GetKind() == Kind::Empty; }

    // Each accessor answers only for its own kind: 0, "", null or false otherwise.
    std::intptr_t Integer() const noexcept {
        auto p = std::get_if<std::intptr_t>(&value_);
        return p ? *p : 0;
    }
    const std::wstring& String() const noexcept {
        static const std::wstring empty;
        auto p = std::get_if<std::wstring>(&value_);
        return p ? *p : empty;
    }
    IUnknown* Object() const noexcept {
        auto p = std::get_if<Microsoft::WRL::ComPtr<IUnknown>>(&value_);
        return p ? p->Get() : nullptr;
    }
    bool BooleanValue() const noexcept {
        auto p = std::get_if<bool>(&value_);
        return p && *p;
    }
    VARTYPE OtherType() const noexcept {
        auto p = std::get_if<OtherKind>(&value_);
        return p ? p->type : static_cast<VARTYPE>(VT_EMPTY);
    }

    // Objects compare by identity of the held pointer.
    bool operator==(const Variant& other) const noexcept {
        if (GetKind() != other.GetKind()) {
            return false;
        }
        switch (GetKind()) {
        case Kind::Empty:
            return true;
        case Kind::Integer:
            return Integer() == other.Integer();
        case Kind::String:
            return String() == other.String();
        case Kind::Object:
            return Object() == other.Object();
        case Kind::Boolean:
            return BooleanValue() == other.BooleanValue();
        default:
            return OtherType() == other.OtherType();
        }
    }

private:
    // The order of the alternatives matches Kind.
    std::variant<std::monostate, std::intptr_t, std::wstring, Microsoft::WRL::ComPtr<IUnknown>,
                 bool, OtherKind>
        value_;
};

} // namespace octolume
