#pragma once
// For the engine's entry points: a 32-bit thread may call them with its stack aligned to 4
// bytes only (the system aligns no more for CreateThread's procedures), and the vector code
// behind them keeps 16-byte values on the stack. They realign it on entry.

#if defined(__i386__)
#define OCTOLUME_ANY_THREAD __attribute__((force_align_arg_pointer))
#else
#define OCTOLUME_ANY_THREAD
#endif
