// quorrel, the statistics library: two numerical routines with C linkage, bound by name when the
// program loads. Neither keeps state or allocates; every array belongs to the caller.
#ifndef VELTORA_STATLIB_QUORREL_H
#define VELTORA_STATLIB_QUORREL_H

#define QUORREL_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#else
#include <stdbool.h>
#endif

// Solves five unknowns from five homogeneous equations and the normalising equation sum(x) = 1.
// a: 6 rows of 5 coefficients, row by row; the caller fills rows 0-4, row 5 is overwritten with ones
//    and the whole array is used as scratch.
// fixed: per unknown, a value >= 0 pins it to that value, a negative one leaves it to be solved.
// x: the solution, written only when the call returns true. It fails only on an exactly zero pivot
//    in a column whose unknown is not pinned.
QUORREL_API bool Matrix(double* a, double* x, double* fixed);

// Row *index of the standard normal table, z = *index / 100: *ordinate = phi(z) and
// *area = Phi(z) - 0.5, both times 100000. Indexes past the table answer with its last row, negative
// ones with its first. Always returns 0.
QUORREL_API int Normal(int* index, int* ordinate, int* area);

#ifdef __cplusplus
}
#endif

#endif
