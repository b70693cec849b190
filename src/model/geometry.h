// The shape of a grid of box order n, written once for the heap model, the
// techniques and the assumption method: the side N = n*n, the box of a cell
// and the position in it (row-major), the masks of the key arithmetic and of
// the locked-candidate segments, the four constraint families and how a
// constraint's option names a cell and a digit. Everything is constexpr, so
// code compiled for one box order folds it to constants.
#ifndef NUMPL_MODEL_GEOMETRY_H
#define NUMPL_MODEL_GEOMETRY_H

#include <cstdint>

namespace numpl {

struct Geometry {
    int32_t n;         // box order
    int32_t side;      // N
    int32_t fullMask;  // the low N bits
    int32_t countUnit; // 2^N: one option in the count field of a key
    int32_t runMask;   // the low n bits: a row's or column's stretch inside one box
    int32_t boxColumnMask; // bits 0, n, 2n, ...: one column of a box in a box-digit key
};

constexpr Geometry geometryOf(int32_t n) {
    int32_t side = n * n;
    int32_t boxColumn = 0;
    for (int32_t i = 0; i < n; ++i) boxColumn |= 1 << (n * i);
    return Geometry{n, side, static_cast<int32_t>(0xFFFFFFFFu >> (32 - side)), 1 << side, (1 << n) - 1, boxColumn};
}

// Box of the cell at column c, row r, and its position inside the box.
constexpr int32_t boxOf(int32_t n, int32_t c, int32_t r) { return (r / n) * n + c / n; }
constexpr int32_t positionOf(int32_t n, int32_t c, int32_t r) { return (r % n) * n + c % n; }

// Column and row of position p of box b.
constexpr int32_t boxCellColumn(int32_t n, int32_t b, int32_t p) { return (b % n) * n + p % n; }
constexpr int32_t boxCellRow(int32_t n, int32_t b, int32_t p) { return (b / n) * n + p / n; }

// The four constraint families, in the order of every table of them.
enum ConstraintFamily : int32_t {
    FAMILY_CELL = 0,         // id N*r + c, option bit d-1
    FAMILY_ROW_DIGIT = 1,    // id N*r + d-1, option bit c
    FAMILY_COLUMN_DIGIT = 2, // id N*c + d-1, option bit r
    FAMILY_BOX_DIGIT = 3,    // id N*b + d-1, option bit p (position in box b)
};
constexpr int32_t FAMILY_COUNT = 4;

struct Candidate {
    int32_t column;
    int32_t row;
    int32_t digit;
};

// The candidate that option `bit` (an index) of constraint `id` of `family`
// stands for.
constexpr Candidate candidateOf(int32_t family, int32_t n, int32_t id, int32_t bit) {
    int32_t side = n * n;
    int32_t major = id / side;
    int32_t minor = id % side;
    switch (family) {
    case FAMILY_CELL: return Candidate{minor, major, bit + 1};
    case FAMILY_ROW_DIGIT: return Candidate{bit, major, minor + 1};
    case FAMILY_COLUMN_DIGIT: return Candidate{major, bit, minor + 1};
    default: return Candidate{boxCellColumn(n, major, bit), boxCellRow(n, major, bit), minor + 1};
    }
}

} // namespace numpl

#endif
