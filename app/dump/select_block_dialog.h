#pragma once
// Select Block (Ctrl+E): a small modal dialog that asks for a start offset and a length or
// an end offset (inclusive), typed as Go To takes offsets, and answers the block of bytes.
// Hex or Decimal and Length or End are remembered while the object lives (the program runs).

#include "dump/inspector_values.h"

#include <windows.h>

#include <cstdint>
#include <optional>

namespace octolume {

class SelectBlockDialog {
public:
    explicit SelectBlockDialog(HINSTANCE instance) : instance_(instance) {}
    SelectBlockDialog(const SelectBlockDialog&) = delete;
    SelectBlockDialog& operator=(const SelectBlockDialog&) = delete;

    // Shows the dialog over `owner` until the user gives a block within the file's bytes
    // (Enter, OK) or cancels. A refused entry is said in a message box and its field gets the
    // focus again. Throws AppError when the dialog cannot be shown.
    std::optional<ByteSelection> Ask(HWND owner, std::uint64_t fileSize);

    bool DecimalChosen() const noexcept { return decimal_; }
    bool EndChosen() const noexcept { return endChosen_; }

private:
    static INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    void OnInitDialog();
    void OnCommand(WORD command);
    void OnOk();
    void OnSecondKindChosen(bool endChosen);
    void PlaceOverOwner();
    void ShowSecondKind();

    HINSTANCE instance_;
    HWND dialog_ = nullptr;
    HWND owner_ = nullptr;
    std::uint64_t fileSize_ = 0;
    std::optional<ByteSelection> chosen_;
    bool decimal_ = false;
    bool endChosen_ = false;
};

} // namespace octolume
