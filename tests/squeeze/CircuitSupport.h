// The circuit of the loaded layout in a form that ignores net numbers.
#pragma once

#include <cstddef>
#include <vector>

namespace squeeze_test {

// Each transistor's kind and the shape of what its terminals reach,
// refined three times, as a sorted list: equal for the same circuit.
std::vector<size_t> circuitSignature();

}  // namespace squeeze_test
