#pragma once
// How GoogleTest prints the program's own types in failure messages.

#include "shell/layout.h"

#include <ostream>

namespace octolume {

template <typename Unit> void PrintTo(const Rect<Unit>& rect, std::ostream* out) {
    *out << "{" << rect.left << ", " << rect.top << ", " << rect.width << ", " << rect.height
         << "}";
}

} // namespace octolume
