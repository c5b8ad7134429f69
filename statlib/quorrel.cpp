#include "statlib/quorrel.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace {

constexpr int kUnknowns = 5;
constexpr int kRows = kUnknowns + 1;
constexpr int kSumRow = kUnknowns;

constexpr int kNormalTable[][3] = {
#include "NormalTable.inc"
};
constexpr int kNormalRows = static_cast<int>(std::size(kNormalTable));
static_assert(kNormalRows == 400);

double& At(double* a, int row, int column) {
    return a[row * kUnknowns + column];
}

// Magnitudes truncated to whole numbers, so every entry below 1 ties at 0 and leaves the pivot where
// it is. Kept in double: no overflow for huge coefficients, and a NaN never wins the comparison.
double PivotKey(double value) {
    return std::trunc(std::fabs(value));
}

// NaN counts as "solve", so it fails at a zero pivot instead of pinning an unknown to NaN.
bool IsPinned(double fixedValue) {
    return fixedValue >= 0.0;
}

} // namespace

extern "C" bool Matrix(double* a, double* x, double* fixed) {
    double b[kRows] = {0.0, 0.0, 0.0, 0.0, 0.0, 1.0};
    for (int c = 0; c < kUnknowns; ++c)
        At(a, kSumRow, c) = 1.0;

    for (int k = 0; k < kUnknowns; ++k) {
        int pivot = k;
        double pivotKey = PivotKey(At(a, k, k));
        for (int j = k + 1; j < kRows; ++j) {
            const double key = PivotKey(At(a, j, k));
            if (key > pivotKey) {
                pivot = j;
                pivotKey = key;
            }
        }

        if (At(a, pivot, k) == 0.0) {
            // Only row k itself can get here: any other candidate has a magnitude of at least 1.
            if (!IsPinned(fixed[k]))
                return false;
            At(a, k, k) = 1.0;
            for (int c = k + 1; c < kUnknowns; ++c)
                At(a, k, c) = 0.0;
            b[k] = fixed[k];
        } else if (pivot != k) {
            for (int c = 0; c < kUnknowns; ++c)
                std::swap(At(a, pivot, c), At(a, k, c));
            std::swap(b[pivot], b[k]);
        }

        for (int i = k + 1; i < kRows; ++i) {
            const double m = At(a, i, k) / At(a, k, k);
            for (int c = 0; c < kUnknowns; ++c)
                At(a, i, c) -= m * At(a, k, c);
            b[i] -= m * b[k];
        }
    }

    double solved[kUnknowns];
    for (int i = kUnknowns - 1; i >= 0; --i) {
        if (IsPinned(fixed[i])) {
            solved[i] = fixed[i];
            continue;
        }
        double s = 0.0;
        for (int j = i + 1; j < kUnknowns; ++j)
            s += At(a, i, j) * solved[j];
        solved[i] = (b[i] - s) / At(a, i, i);
    }
    std::copy(std::begin(solved), std::end(solved), x);
    return true;
}

extern "C" int Normal(int* index, int* ordinate, int* area) {
    const int row = std::clamp(*index, 0, kNormalRows - 1);
    *ordinate = kNormalTable[row][1];
    *area = kNormalTable[row][2];
    return 0;
}
