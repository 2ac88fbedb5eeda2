#pragma once
// Seeded random inputs for the readers of outside bytes: a run of pieces
// that matter to the reader, now and then a raw byte between them.
#include <random>
#include <string>
#include <vector>

namespace zx_test {

// Up to maxParts - 1 parts; one part in rawOneIn is a random byte, the rest
// are drawn from pieces.
std::string RandomText(std::mt19937& rng, const std::vector<std::string>& pieces, int maxParts, int rawOneIn);

}  // namespace zx_test
